// The DataMatrix kind of the Read command: only corners and text are kept,
// and the report shows the position line and the text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "logic/json.hpp"
#include "logic/read.hpp"
#include "logic/report.hpp"
#include "support/render.hpp"

namespace zr::demo {
namespace {

// A 14 x 14 symbol (libzint's size 3) at five pixels per module, with a quiet zone of 4 modules.
test::Raster Render14x14(const std::string &data) {
    test::SymbolOptions options;
    options.symbology = BARCODE_DATAMATRIX;
    options.data = data;
    options.option2 = 3;
    options.moduleSize = 5;
    options.quietZone = 4;
    test::Raster symbol = test::RenderSymbol(options);
    EXPECT_EQ(symbol.height, (14 + 8) * 5) << data;
    return symbol;
}

// Writes the picture as a BMP file: a file header before the packed DIB.
std::string WriteBmp(const test::Raster &picture, const std::string &name) {
    const std::vector<std::uint8_t> dib = test::ToDib(picture, 8);
    const std::uint32_t offset = 14 + 40 + 1024, size = 14 + static_cast<std::uint32_t>(dib.size());
    std::vector<std::uint8_t> file = {'B', 'M'};
    for (std::uint32_t v : {size, 0u, offset})
        for (int k = 0; k < 4; ++k) file.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    file.insert(file.end(), dib.begin(), dib.end());
    std::string path = ::testing::TempDir() + name;
    std::FILE *f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f != nullptr) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }
    return path;
}

TEST(ReadDataMatrix, CornersAndTextOnly) {
    test::Raster picture = test::Canvas(300, 120);
    test::Paste(picture, Render14x14("DEMO ONE"), 0, 0);
    test::Paste(picture, test::Invert(Render14x14("DEMO TWO")), 150, 0);
    Document document;
    ASSERT_TRUE(OpenImage(document, WriteBmp(picture, "dm_demo.bmp").c_str()).ok);
    ReadSettings settings;
    settings.readerKind = ReaderKind::DataMatrix;
    EXPECT_TRUE(IsReaderBuilt(ReaderKind::DataMatrix));
    EXPECT_EQ(ReadSymbols(document, settings), 0);
    EXPECT_EQ(document.state.lastOperation, Operation::ReadDataMatrix);
    ASSERT_EQ(document.state.symbolCount, 2);
    ASSERT_EQ(document.dataMatrixResults.size(), 2u);
    const DMResult &first = document.dataMatrixResults[0];
    EXPECT_STREQ(first.text, "DEMO ONE");
    EXPECT_EQ(first.rows, 0);  // rows, columns and colour are not copied
    EXPECT_EQ(first.barsColour, 0);
    EXPECT_NEAR(first.corners[6], 20, 1);  // the finder corner, after a quiet zone of 4 modules
    EXPECT_NEAR(first.corners[7], 89, 1);

    const std::vector<std::string> lines = DetailLines(document, 1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("Position: [(", 0), 0u);
    EXPECT_EQ(lines[1], "DEMO TWO");
    EXPECT_TRUE(DetailLines(document, 2).empty());
    EXPECT_EQ(ReportHeadLines(document.state)[0], "Read DataMatrix barcode");
    const std::string json = ResultsJson(document);
    EXPECT_NE(json.find("\"text\":\"DEMO ONE\""), std::string::npos) << json;
    EXPECT_EQ(json.find("rows"), std::string::npos);

    // maxSymbols 1 keeps one.
    settings.maxSymbols = 1;
    EXPECT_EQ(ReadSymbols(document, settings), 0);
    EXPECT_EQ(document.dataMatrixResults.size(), 1u);
}

TEST(ReadDataMatrix, CopiesStayInsideTheArray) {
    DMResult results[2] = {};
    std::strcpy(results[0].text, "one");
    std::memset(results[1].text, 'y', sizeof results[1].text);  // no NUL at all
    ZrDMScanner scanner{};
    scanner.results = results;
    scanner.maxResults = 2;
    scanner.resultCount = 200;
    const std::vector<DMResult> copies = CopyDataMatrixResults(scanner);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(std::strlen(copies[1].text), sizeof copies[1].text - 1);
    scanner.results = nullptr;
    EXPECT_TRUE(CopyDataMatrixResults(scanner).empty());
}

}  // namespace
}  // namespace zr::demo
