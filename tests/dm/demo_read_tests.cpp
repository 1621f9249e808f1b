// The demonstration logic's DataMatrix read: only corners and text are kept,
// and the report shows the position line and the text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "logic/json.hpp"
#include "logic/read.hpp"
#include "logic/report.hpp"
#include "reader_test_util.hpp"

namespace zr::dm {
namespace {

// Writes the picture as a BMP file: a file header before the packed DIB.
std::string WriteBmp(const test::Raster &picture, const std::string &name) {
    const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 8);
    const std::uint32_t offset = 14 + 40 + 1024, size = 14 + static_cast<std::uint32_t>(dib.size());
    std::vector<std::uint8_t> file = {'B', 'M'};
    for (std::uint32_t v : {size, 0u, offset})
        for (int k = 0; k < 4; ++k) file.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    file.insert(file.end(), dib.begin(), dib.end());
    const std::string path = ::testing::TempDir() + name;
    std::FILE *f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f != nullptr) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }
    return path;
}

TEST(DemoRead, CornersAndTextOnly) {
    const DMSize &size = *test::FindSize(14, 14);
    test::Raster picture = zr::test::Canvas(300, 120);
    Paste(picture, test::RenderDm("DEMO ONE", size, 5), 0, 0);
    Paste(picture, zr::test::Invert(test::RenderDm("DEMO TWO", size, 5)), 150, 0);
    demo::Document document;
    ASSERT_TRUE(demo::OpenImage(document, WriteBmp(picture, "dm_demo.bmp").c_str()).ok);
    demo::ReadSettings settings;
    settings.readerKind = demo::ReaderKind::DataMatrix;
    EXPECT_TRUE(demo::IsReaderBuilt(demo::ReaderKind::DataMatrix));
    EXPECT_EQ(demo::ReadSymbols(document, settings), 0);
    EXPECT_EQ(document.state.lastOperation, demo::Operation::ReadDataMatrix);
    ASSERT_EQ(document.state.symbolCount, 2);
    ASSERT_EQ(document.dataMatrixResults.size(), 2u);
    const DMResult &first = document.dataMatrixResults[0];
    EXPECT_STREQ(first.text, "DEMO ONE");
    EXPECT_EQ(first.rows, 0);  // rows, columns and colour are not copied
    EXPECT_EQ(first.barsColour, 0);
    EXPECT_NEAR(first.corners[6], 20, 1);  // the finder corner, after a quiet zone of 4 modules
    EXPECT_NEAR(first.corners[7], 89, 1);

    const std::vector<std::string> lines = demo::DetailLines(document, 1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("Position: [(", 0), 0u);
    EXPECT_EQ(lines[1], "DEMO TWO");
    EXPECT_TRUE(demo::DetailLines(document, 2).empty());
    EXPECT_EQ(demo::ReportHeadLines(document.state)[0], "Read DataMatrix barcode");
    const std::string json = demo::ResultsJson(document);
    EXPECT_NE(json.find("\"text\":\"DEMO ONE\""), std::string::npos) << json;
    EXPECT_EQ(json.find("rows"), std::string::npos);

    // maxSymbols 1 keeps one.
    settings.maxSymbols = 1;
    EXPECT_EQ(demo::ReadSymbols(document, settings), 0);
    EXPECT_EQ(document.dataMatrixResults.size(), 1u);
}

TEST(DemoRead, CopiesStayInsideTheArray) {
    DMResult results[2] = {};
    std::strcpy(results[0].text, "one");
    std::memset(results[1].text, 'y', sizeof results[1].text);  // no NUL at all
    ZrDMScanner scanner{};
    scanner.results = results;
    scanner.maxResults = 2;
    scanner.resultCount = 200;
    const std::vector<DMResult> copies = demo::CopyDataMatrixResults(scanner);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(std::strlen(copies[1].text), sizeof copies[1].text - 1);
    scanner.results = nullptr;
    EXPECT_TRUE(demo::CopyDataMatrixResults(scanner).empty());
}

}  // namespace
}  // namespace zr::dm
