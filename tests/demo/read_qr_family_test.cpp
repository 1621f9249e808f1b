// The QR and Micro QR kinds of the Read command (one set of templates): scanner record from the
// settings, result copies, report lines and JSON.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "logic/json.hpp"
#include "logic/read.hpp"
#include "logic/read_dm.hpp"
#include "logic/read_pdf417.hpp"
#include "logic/read_qr_family.hpp"
#include "logic/settings.hpp"
#include "logic/report.hpp"
#include "support/render.hpp"
#include "test_image.hpp"

namespace zr::demo {
namespace {

// An 8-bit document picture of a QR symbol holding `data`.
struct QrPicture {
    std::unique_ptr<test::TestImage> picture;
    explicit QrPicture(const std::string &data, bool lightOnDark = false) {
        zr::test::SymbolOptions options;
        options.symbology = BARCODE_QRCODE;
        options.data = data;
        options.moduleSize = 4;
        options.quietZone = 4;
        zr::test::Raster r = zr::test::RenderSymbol(options);
        if (lightOnDark) r = zr::test::Invert(r);
        picture = std::make_unique<test::TestImage>(r.width, r.height, 8);
        for (int y = 0; y < r.height; ++y)
            std::memcpy(picture->Row(y), &r.pixels[static_cast<std::size_t>(y) * r.width], r.width);
    }
};

ReadSettings QrSettings() {
    ReadSettings settings;
    settings.readerKind = ReaderKind::Qr;
    return settings;
}

TEST(ReadQr, ReportShowsPositionTextConfidenceAndVersion) {
    for (bool lightOnDark : {false, true}) {
        QrPicture qr("demo text", lightOnDark);
        Document document;
        document.image = qr.picture->image;
        EXPECT_TRUE(IsReaderBuilt(ReaderKind::Qr));
        EXPECT_EQ(RefreshHintFor(ReaderKind::Qr), 1029);
        ReadSymbols(document, QrSettings());
        EXPECT_EQ(document.state.lastOperation, Operation::ReadQr);
        ASSERT_EQ(document.state.symbolCount, 1);
        ASSERT_EQ(document.qrResults.size(), 1u);
        EXPECT_EQ(ResultCopyCount(document), 1u);
        const std::vector<std::string> head = ReportHeadLines(document.state);
        EXPECT_EQ(head.front(), "Read QR code");
        const std::vector<std::string> lines = DetailLines(document, 0);
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[0].rfind("Position: [(16,16), (", 0), 0u) << lines[0];
        EXPECT_EQ(lines[1], "demo text");  // the same lines for a light symbol on a dark ground
        EXPECT_EQ(lines[2], "Confidence: 100");
        EXPECT_EQ(lines[3], "Version: 1");
        EXPECT_TRUE(DetailLines(document, 1).empty());
        document.image = ZrImage{};
    }
}

TEST(ReadQr, CopiesTheTextUpToItsFirstZeroByteWithTheLength) {
    QrPicture qr(std::string("ab\0cd", 5));
    Document document;
    document.image = qr.picture->image;
    ReadQr(document, QrSettings());
    ASSERT_EQ(document.qrResults.size(), 1u);
    const QRResult &copy = document.qrResults[0];
    EXPECT_EQ(copy.length, 5);
    EXPECT_STREQ(copy.text, "ab");
    EXPECT_EQ(copy.text[3], 0);
    EXPECT_EQ(copy.barsColour, 0);  // not copied
    const std::string json = ResultsJson(document);
    EXPECT_NE(json.find("\"version\":1,\"confidence\":100,\"length\":5,\"bytes\":\"6162\","
                        "\"symbologyIdentifier\":\"]Q1\",\"text\":\"ab\"}"),
              std::string::npos)
        << json;
    document.image = ZrImage{};
}

TEST(ReadQr, MaxSymbolsBecomesTheResultCapacity) {
    QrPicture qr("one");
    Document document;
    document.image = qr.picture->image;
    ZrQRScanner scanner;
    ReadSettings settings = QrSettings();
    settings.maxSymbols = 300;
    FillQrFamilyScanner(scanner, document, settings);
    EXPECT_EQ(scanner.maxResults, 255);
    EXPECT_EQ(scanner.scanFlags, 0);
    EXPECT_EQ(scanner.image, document.image.dib);
    document.image = ZrImage{};
}

TEST(ReadSettingsBits, FirstLookOnlySetsEveryReadersBit) {
    Document document;
    ReadSettings settings = QrSettings();
    settings.firstLookOnly = true;
    ZrQRScanner qr;
    FillQrFamilyScanner(qr, document, settings);
    EXPECT_EQ(qr.scanFlags, ZR_QR_FIRST_LOOK_ONLY);  // both passes by default, the second look off
    ZrMicroQRScanner microQr;
    FillQrFamilyScanner(microQr, document, settings);
    EXPECT_EQ(microQr.scanFlags, ZR_MICROQR_FIRST_LOOK_ONLY);
    ZrDMScanner dm;
    FillDataMatrixScanner(dm, document, settings);
    EXPECT_EQ(dm.scanFlags, ZR_DM_FIRST_LOOK_ONLY);
    ZrPDF417Scanner pdf417;
    FillPdf417Scanner(pdf417, document, settings);
    EXPECT_EQ(pdf417.directions, settings.orientation | ZR_PDF417_FIRST_LOOK_ONLY);
    EXPECT_EQ(LinearOptionsFrom(settings).extraFlags & ZR_BAR_FIRST_LOOK_ONLY, ZR_BAR_FIRST_LOOK_ONLY);
}

// ---- Micro QR ----

// An M3 symbol, level L, mask 1, at four pixels per module with a quiet zone of four modules.
zr::test::SymbolOptions MicroQrOptions(const std::string &data) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_MICROQR;
    options.data = data;
    options.option1 = 1;       // level L
    options.option2 = 3;       // M3
    options.option3 = 2 << 8;  // libzint takes a chosen mask as (mask + 1) << 8
    options.moduleSize = 4;
    options.quietZone = 4;
    return options;
}

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

TEST(ReadMicroQr, CopiesKeepTheReportedFieldsAndTheTextUpToItsZero) {
    MicroQRResult results[3] = {Result("one"), Result("two"), Result("three")};
    results[1].text[1] = 0;  // a zero byte inside the decoded data
    std::memset(results[2].text, 'y', sizeof results[2].text);
    ZrMicroQRScanner scanner{};
    scanner.results = results;
    scanner.maxResults = 3;
    scanner.resultCount = 3;
    const std::vector<MicroQRResult> copies = CopyQrFamilyResults(scanner);
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
    EXPECT_EQ(CopyQrFamilyResults(scanner).size(), 2u);
    scanner.results = nullptr;
    EXPECT_TRUE(CopyQrFamilyResults(scanner).empty());
}

TEST(ReadMicroQr, ReportAndJsonTexts) {
    const MicroQRResult r = Result("M3 \"text\"");
    const std::vector<std::string> lines = QrFamilyDetailLines(r);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Position: [(1,11), (21,31), (41,51), (61,71)]");
    EXPECT_EQ(lines[1], "M3 \"text\"");
    EXPECT_EQ(lines[2], "Confidence: 80");
    EXPECT_EQ(lines[3], "Version: 3");
    EXPECT_EQ(QrFamilyResultJson(r),
              "{\"corners\":[1,11,21,31,41,51,61,71],\"version\":3,\"confidence\":80,\"length\":9,"
              "\"text\":\"M3 \\\"text\\\"\"}");
}

// A document holding a grey picture.
void Load(Document &document, const zr::test::Raster &raster) {
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

TEST(ReadMicroQr, ReadThroughTheDocumentFindsBothPolarities) {
    Document document;
    Load(document, zr::test::Invert(zr::test::RenderSymbol(MicroQrOptions("DEMO ROW"))));
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
