// The QR read of the demonstration logic: scanner record from the settings,
// result copies, report lines and JSON.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "logic/json.hpp"
#include "logic/read.hpp"
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
    EXPECT_NE(json.find("\"version\":1,\"confidence\":100,\"length\":5,\"text\":\"ab\"}"), std::string::npos)
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
    FillQrScanner(scanner, document, settings);
    EXPECT_EQ(scanner.maxResults, 255);
    EXPECT_EQ(scanner.scanFlags, 0);
    EXPECT_EQ(scanner.image, document.image.dib);
    document.image = ZrImage{};
}

}  // namespace
}  // namespace zr::demo
