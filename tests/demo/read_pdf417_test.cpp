// The PDF417 kind of the Read command: scanner options from the settings, result copies, report
// lines and JSON.
#include <gtest/gtest.h>

#include <cstring>

#include "logic/json.hpp"
#include "logic/read.hpp"
#include "logic/report.hpp"
#include "support/render_pdf417.hpp"
#include "test_image.hpp"

namespace zr::demo {
namespace {

ZrPDF417Result Sample(const char *text) {
    ZrPDF417Result result{};
    for (int i = 0; i < 8; ++i) result.corners[i] = 10 * (i + 1);
    result.angle = 271.256;
    result.barColor = 2;
    result.ecLevel = 5;
    result.confidence = 97;
    result.rows = 12;
    result.columns = 7;
    std::strcpy(result.text, text);
    return result;
}

// The picture drawn into an 8-bit document image.
void Draw(Document &document, const zr::test::Raster &picture) {
    ZrDestroyImage(&document.image);
    document.image = ZrImage{};
    document.image.width = static_cast<uint32_t>(picture.width);
    document.image.height = static_cast<uint32_t>(picture.height);
    document.image.bitsPerPixel = 8;
    ASSERT_EQ(ZrCreateImage(&document.image), ZR_OK);
    for (int y = 0; y < picture.height; ++y) {
        uint8_t *row = static_cast<uint8_t *>(document.image.bits) +
                       (document.image.height - 1 - static_cast<uint32_t>(y)) * document.image.pitch;
        for (int x = 0; x < picture.width; ++x) row[x] = picture.at(x, y);
    }
}

TEST(Pdf417Read, CopiesFieldByFieldWithinTheArray) {
    ZrPDF417Result results[2] = {Sample("one"), Sample("two")};
    std::memset(results[1].text, 'y', sizeof results[1].text);  // no NUL at all
    ZrPDF417Scanner scanner{};
    scanner.results = results;
    scanner.maxResults = 2;
    scanner.resultCount = 9;  // beyond the array: only its capacity is copied
    const std::vector<ZrPDF417Result> copies = CopyPdf417Results(scanner);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_STREQ(copies[0].text, "one");
    EXPECT_EQ(copies[0].corners[7], 80);
    EXPECT_EQ(copies[0].ecLevel, 5);
    EXPECT_EQ(copies[0].confidence, 97);
    EXPECT_EQ(copies[0].rows, 12);
    EXPECT_EQ(copies[0].columns, 7);
    EXPECT_EQ(std::strlen(copies[1].text), sizeof copies[1].text - 1);
    scanner.results = nullptr;
    EXPECT_TRUE(CopyPdf417Results(scanner).empty());
}

TEST(Pdf417Read, ReportLines) {
    const std::vector<std::string> lines = Pdf417DetailLines(Sample("PDF417 text"));
    const std::vector<std::string> expected = {
        "Position: [(10,20), (30,40), (50,60), (70,80)]",
        "Bars color: white",
        "Skew angle: 271.26 degrees",
        "Error correction level: 5   Confidence: 97",
        "Rows: 12  x  Columns: 7",
        "PDF417 text",
    };
    EXPECT_EQ(lines, expected);
    ZrPDF417Result dark = Sample("");
    dark.barColor = 1;
    EXPECT_EQ(Pdf417DetailLines(dark)[1], "Bars color: black");
    const std::string json = Pdf417ResultJson(Sample("q\""));
    EXPECT_EQ(json,
              "{\"corners\":[10,20,30,40,50,60,70,80],\"angle\":271.256,\"barColor\":2,\"ecLevel\":5,"
              "\"confidence\":97,\"rows\":12,\"columns\":7,\"text\":\"q\\\"\"}");
}

TEST(Pdf417Read, ReadsADocumentWithTheSettingsOptions) {
    zr::test::Pdf417Options o;
    o.data = "Demo read";
    o.columns = 3;
    const zr::test::Raster symbol = zr::test::RenderPdf417(o).picture;
    Document document;
    Draw(document, symbol);
    ReadSettings settings;
    settings.readerKind = ReaderKind::Pdf417;
    EXPECT_EQ(ReadSymbols(document, settings), ZR_OK);
    EXPECT_EQ(document.state.lastOperation, Operation::ReadPdf417);
    ASSERT_EQ(document.state.symbolCount, 1);
    ASSERT_EQ(ResultCopyCount(document), 1u);
    EXPECT_STREQ(document.pdf417Results[0].text, "Demo read");
    EXPECT_EQ(DetailLines(document, 0).back(), "Demo read");
    EXPECT_NE(ResultsJson(document).find("\"text\":\"Demo read\""), std::string::npos);

    // Orientation 3 passes 3 as directions: a symbol whose rows run vertically is not found.
    Draw(document, zr::test::RotateQuarter(symbol, 1));
    settings.orientation = 3;
    EXPECT_EQ(ReadSymbols(document, settings), ZR_OK);
    EXPECT_EQ(document.state.symbolCount, 0);
    EXPECT_TRUE(DetailLines(document, 0).empty());
    settings.orientation = 12;
    ReadSymbols(document, settings);
    EXPECT_EQ(document.state.symbolCount, 1);
    // Bars colour mask 2 skips dark bars.
    settings.orientation = 15;
    settings.barsColourMask = 2;
    ReadSymbols(document, settings);
    EXPECT_EQ(document.state.symbolCount, 0);
}

}  // namespace
}  // namespace zr::demo
