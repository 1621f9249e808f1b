// The Micro QR kind of the demonstration program's Read command: the copies
// the document keeps, the report lines and the JSON of zrread.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "logic/json.hpp"
#include "logic/read.hpp"
#include "logic/report.hpp"
#include "micro_render.hpp"
#include "zr/ZrImgRW.h"

namespace zr::demo {
namespace {

MicroQRResult Result(const char *text) {
    MicroQRResult r{};
    for (int i = 0; i < 8; ++i) r.corners[i] = 10 * i + 1;
    r.version = 3;
    r.barsColour = 2;
    r.confidence = 80;
    r.length = static_cast<uint16_t>(std::strlen(text));
    std::memcpy(r.text, text, r.length);
    return r;
}

TEST(MicroQrRow, CopiesKeepTheReportedFieldsAndTheTextUpToItsZero) {
    MicroQRResult results[3] = {Result("one"), Result("two"), Result("three")};
    results[1].text[1] = 0;  // a zero byte inside the decoded data
    std::memset(results[2].text, 'y', sizeof results[2].text);
    ZrMicroQRScanner scanner{};
    scanner.results = results;
    scanner.maxResults = 3;
    scanner.resultCount = 3;
    const std::vector<MicroQRResult> copies = CopyMicroQrResults(scanner);
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_EQ(copies[0].corners[7], 71);
    EXPECT_EQ(copies[0].version, 3);
    EXPECT_EQ(copies[0].confidence, 80);
    EXPECT_EQ(copies[0].length, 3);
    EXPECT_EQ(copies[0].barsColour, 0);  // neither copied nor shown
    EXPECT_STREQ(reinterpret_cast<const char *>(copies[1].text), "t");
    EXPECT_EQ(copies[1].text[2], 0);
    EXPECT_EQ(copies[2].text[sizeof copies[2].text - 1], 0);

    scanner.maxResults = 2;
    scanner.resultCount = 200;
    EXPECT_EQ(CopyMicroQrResults(scanner).size(), 2u);
    scanner.results = nullptr;
    EXPECT_TRUE(CopyMicroQrResults(scanner).empty());
}

TEST(MicroQrRow, ReportAndJsonTexts) {
    const MicroQRResult r = Result("M3 \"text\"");
    const std::vector<std::string> lines = MicroQrDetailLines(r);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Position: [(1,11), (21,31), (41,51), (61,71)]");
    EXPECT_EQ(lines[1], "M3 \"text\"");
    EXPECT_EQ(lines[2], "Confidence: 80");
    EXPECT_EQ(lines[3], "Version: 3");
    EXPECT_EQ(MicroQrResultJson(r),
              "{\"corners\":[1,11,21,31,41,51,61,71],\"version\":3,\"confidence\":80,\"length\":9,"
              "\"text\":\"M3 \\\"text\\\"\"}");
}

// A document holding a grey picture.
void Load(Document &document, const test::Raster &raster) {
    document.image.width = static_cast<uint32_t>(raster.width);
    document.image.height = static_cast<uint32_t>(raster.height);
    document.image.bitsPerPixel = 8;
    ASSERT_EQ(ZrCreateImage(&document.image), ZR_OK);
    for (int y = 0; y < raster.height; ++y) {
        uint8_t *row = static_cast<uint8_t *>(document.image.bits) +
                       static_cast<std::ptrdiff_t>(raster.height - 1 - y) * document.image.pitch;
        std::memcpy(row, &raster.pixels[static_cast<size_t>(y) * raster.width],
                    static_cast<size_t>(raster.width));
    }
}

TEST(MicroQrRow, ReadThroughTheDocumentFindsBothPolarities) {
    Document document;
    Load(document, test::Invert(test::RenderMicro({"DEMO ROW", 3, 0, 1, 4, 4})));
    ReadSettings settings;
    settings.readerKind = ReaderKind::MicroQr;
    ASSERT_TRUE(IsReaderBuilt(ReaderKind::MicroQr));
    ReadSymbols(document, settings);
    EXPECT_EQ(document.state.lastOperation, Operation::ReadMicroQr);
    ASSERT_EQ(document.state.symbolCount, 1);
    EXPECT_EQ(ResultCopyCount(document), 1u);
    const std::vector<std::string> lines = DetailLines(document, 0);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "DEMO ROW");
    EXPECT_EQ(lines[3], "Version: 3");
    EXPECT_TRUE(DetailLines(document, 1).empty());
    EXPECT_EQ(ReportHeadLines(document.state)[0], "Read Micro QR code");
    EXPECT_NE(ResultsJson(document).find("\"text\":\"DEMO ROW\""), std::string::npos);
}

}  // namespace
}  // namespace zr::demo
