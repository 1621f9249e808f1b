// The five exported calls: defaults, options written back, statuses, the
// result records, and pictures meant to confuse the search.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "qr_test_util.hpp"

namespace zr::qr::test {
namespace {

using zr::test::Canvas;
using zr::test::Paste;

// Fields in the published order, plain C records.
TEST(QREntry, RecordLayouts) {
    EXPECT_LT(offsetof(QRResult, corners), offsetof(QRResult, version));
    EXPECT_LT(offsetof(QRResult, version), offsetof(QRResult, barsColour));
    EXPECT_LT(offsetof(QRResult, barsColour), offsetof(QRResult, confidence));
    EXPECT_LT(offsetof(QRResult, confidence), offsetof(QRResult, length));
    EXPECT_LT(offsetof(QRResult, length), offsetof(QRResult, text));
    EXPECT_EQ(sizeof(QRResult::text), 7090u);
    EXPECT_LT(offsetof(ZrQRScanner, results), offsetof(ZrQRScanner, maxResults));
    EXPECT_LT(offsetof(ZrQRScanner, maxResults), offsetof(ZrQRScanner, scanFlags));
    EXPECT_LT(offsetof(ZrQRScanner, scanFlags), offsetof(ZrQRScanner, runTime));
    static_assert(std::is_standard_layout_v<QRResult> && std::is_trivial_v<QRResult>);
    static_assert(std::is_standard_layout_v<ZrQRScanner> && std::is_trivial_v<ZrQRScanner>);
}

TEST(QREntry, VersionAndInitDefaults) {
    EXPECT_EQ(ZrQRGetVersion(), 65546u);
    EXPECT_EQ(ZrInitQRScanner(nullptr), ZR_ERR_BAD_ARGUMENT);
    ZrQRScanner s;
    std::memset(&s, 0x5A, sizeof s);
    s.runTime = 1.5;
    ASSERT_EQ(ZrInitQRScanner(&s), 0);
    EXPECT_EQ(s.image, nullptr);
    EXPECT_EQ(s.left + s.top + s.rectWidth + s.rectHeight, 0u);
    EXPECT_EQ(s.resultCount, 0);
    EXPECT_EQ(s.results, nullptr);
    EXPECT_EQ(s.maxResults, 20);
    EXPECT_EQ(s.scanFlags, 3);
    EXPECT_EQ(s.runTime, 1.5);
}

TEST(QREntry, OptionsAreWrittenBackAndResultsReadInPlace) {
    QrSymbol symbol;
    symbol.data = std::string("abc\0def", 7);
    const std::vector<std::uint8_t> dib = zr::test::ToDib(QrPicture(symbol), 8);
    ZrQRScanner s;
    ZrInitQRScanner(&s);
    s.image = dib.data();
    s.maxResults = 0;
    s.scanFlags = 4;
    EXPECT_EQ(ZrScanQR(&s), 0);
    EXPECT_EQ(s.maxResults, 20);
    EXPECT_EQ(s.scanFlags, 3);
    ASSERT_EQ(s.resultCount, 1);
    const QRResult &r = s.results[0];
    EXPECT_EQ(r.length, 7);
    EXPECT_EQ(std::string(r.text, r.length), symbol.data);
    for (std::size_t i = r.length; i < sizeof r.text; ++i) ASSERT_EQ(r.text[i], 0) << i;

    QRResult copy;
    std::memset(&copy, 0x77, sizeof copy);
    EXPECT_EQ(GetQRAt(&s, 1, &copy), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(GetQRAt(&s, -1, &copy), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(copy.version, 0x77);
    EXPECT_EQ(GetQRAt(&s, 0, &copy), 0);
    EXPECT_EQ(std::memcmp(&copy, &r, sizeof copy), 0);

    // A second scan replaces the array itself; free leaves the count and is harmless twice.
    EXPECT_EQ(ZrScanQR(&s), 0);
    EXPECT_EQ(ZrFreeQRScanner(&s), 0);
    EXPECT_EQ(s.results, nullptr);
    EXPECT_EQ(s.resultCount, 1);
    EXPECT_EQ(ZrFreeQRScanner(&s), 0);
}

TEST(QREntry, NullImageAndNullScanner) {
    EXPECT_EQ(ZrScanQR(nullptr), ZR_ERR_BAD_ARGUMENT);
    ZrQRScanner s;
    ZrInitQRScanner(&s);
    s.resultCount = 3;
    s.runTime = 9;
    EXPECT_EQ(ZrScanQR(&s), ZR_ERR_NULL_DIB);
    EXPECT_EQ(s.resultCount, 3);
    EXPECT_EQ(s.results, nullptr);
    EXPECT_EQ(s.runTime, 0);
}

TEST(QREntry, SearchRectangleLimitsTheSearch) {
    Raster canvas = Canvas(500, 200);
    QrSymbol symbol;
    symbol.data = "right half";
    symbol.moduleSize = 3;
    Paste(canvas, QrPicture(symbol), 300, 20);
    const std::vector<std::uint8_t> dib = zr::test::ToDib(canvas, 8);
    ZrQRScanner s;
    ZrInitQRScanner(&s);
    s.image = dib.data();
    s.rectWidth = 250;
    EXPECT_EQ(ZrScanQR(&s), 0);
    EXPECT_EQ(s.resultCount, 0);
    EXPECT_EQ(s.rectWidth, 250u);
    s.left = 250;
    s.rectWidth = 5000;  // beyond the picture: to the right edge
    ZrScanQR(&s);
    EXPECT_EQ(s.resultCount, 1);
    ZrFreeQRScanner(&s);
}

TEST(QREntry, StatusIsThatOfTheLastTripleTried) {
    // Fewer than three finders: nothing tried, status 0.
    Raster canvas = Canvas(300, 300);
    Scan empty(canvas);
    EXPECT_EQ(empty.status, 0);
    EXPECT_TRUE(empty.results.empty());
    // A symbol whose data is destroyed: its triples end on a failed correction
    // or, for the orders that fail the triangle test, on 65535.
    QrSymbol symbol;
    symbol.data = "broken";
    symbol.version = 2;
    Raster modules = QrModules(symbol);
    for (int j = 9; j < 17; ++j)
        for (int i = 9; i < 25; ++i)
            modules.at(j, i) = static_cast<std::uint8_t>((i * 7 + j * 3) % 5 < 2 ? 0 : 255);
    Scan broken(zr::test::ExpandModules(modules, 4, 0, 4), 8, 1);
    EXPECT_TRUE(broken.results.empty());
    EXPECT_TRUE(broken.status == ZR_QR_CORRECTION_FAILED || broken.status == ZR_QR_TRIPLE_REJECTED)
        << broken.status;
    EXPECT_NE(broken.status, 0);
}

TEST(QREntry, EciIsPassedOverAndStructuredAppendIsLeftToTheSecondLook) {
    // An ECI header at the start of the data: the text after it is read.
    const Scan eci(zr::test::ExpandModules(QrModulesWithHeader("after eci", 26, 0), 4, 0, 4), 8, 1);
    ASSERT_EQ(eci.results.size(), 1u);
    EXPECT_EQ(std::string(eci.results[0].text, eci.results[0].length), "after eci");
    EXPECT_EQ(eci.status, 0);
    // The first look refuses a structured-append header; the second reads
    // past it and keeps the first look's status.
    const Raster append = zr::test::ExpandModules(QrModulesWithHeader("part one", 0, 2), 4, 0, 4);
    const Scan firstLook(append, 8, 1 | ZR_QR_FIRST_LOOK_ONLY);
    EXPECT_TRUE(firstLook.results.empty());
    EXPECT_EQ(firstLook.status, ZR_QR_MODE_NOT_DECODED);
    const Scan secondLook(append, 8, 1);
    ASSERT_EQ(secondLook.results.size(), 1u);
    EXPECT_EQ(std::string(secondLook.results[0].text, secondLook.results[0].length), "part one");
    EXPECT_EQ(secondLook.status, ZR_QR_MODE_NOT_DECODED);
}

TEST(QREntry, RectangleAtThePicturesEdge) {
    QrSymbol symbol;
    symbol.data = "corner";
    const Raster picture = QrPicture(symbol);
    const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 1);
    ZrQRScanner s;
    ZrInitQRScanner(&s);
    s.image = dib.data();
    for (auto [left, top] : {std::pair{picture.width - 1, picture.height - 1}, std::pair{picture.width, 0},
                             std::pair{0, picture.height + 7}}) {
        s.left = static_cast<std::uint32_t>(left);
        s.top = static_cast<std::uint32_t>(top);
        s.rectWidth = s.rectHeight = 0xFFFFFFFFu;
        EXPECT_EQ(ZrScanQR(&s), 0);
        EXPECT_EQ(s.left, static_cast<std::uint32_t>(left));
    }
    ZrFreeQRScanner(&s);
}

TEST(QREntry, MirroredSymbolIsNotRead) {
    QrSymbol symbol;
    symbol.data = "mirror";
    const Raster upright = QrPicture(symbol);
    Raster mirrored = upright;
    for (int y = 0; y < upright.height; ++y)
        for (int x = 0; x < upright.width; ++x) mirrored.at(x, y) = upright.at(upright.width - 1 - x, y);
    Scan scan(mirrored);
    EXPECT_TRUE(scan.results.empty());
}

TEST(QRBadInput, CheckerboardsAndFinderLikeSquares) {
    // Checkerboard squares are solid (fill 1), rings of one-pixel squares are finder-like.
    Raster board = Canvas(400, 400);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x)
            if (((x / 7) + (y / 7)) % 2 == 0) board.at(x, y) = 0;
    EXPECT_TRUE(Scan(board).results.empty());
    Raster rings = Canvas(600, 600);
    for (int cy = 0; cy < 12; ++cy)
        for (int cx = 0; cx < 12; ++cx) {
            const int x0 = 10 + cx * 48, y0 = 10 + cy * 48;
            for (int j = 0; j < 35; ++j)
                for (int i = 0; i < 35; ++i) {
                    const int mj = j / 5, mi = i / 5;
                    const bool dark = mi == 0 || mi == 6 || mj == 0 || mj == 6 ||
                                      (mi >= 2 && mi <= 4 && mj >= 2 && mj <= 4);
                    if (dark) rings.at(x0 + j, y0 + i) = 0;
                }
        }
    const Scan scan(rings);
    EXPECT_TRUE(scan.results.empty());
}

TEST(QRBadInput, APageOfManySymbols) {
    Raster page = Canvas(1200, 900);
    int placed = 0;
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 7; ++col) {
            QrSymbol symbol;
            symbol.data = "page " + std::to_string(row) + "," + std::to_string(col);
            symbol.moduleSize = 3;
            symbol.quietZone = 2;
            Paste(page, QrPicture(symbol), 10 + col * 165, 10 + row * 170);
            ++placed;
        }
    const Scan scan(page, 8, 1, 255);
    EXPECT_EQ(static_cast<int>(scan.results.size()), placed);
}

TEST(QRBadInput, ASheetTooCrowdedForTheFullSearch) {
    // 200 symbols: the full search spends its budget on triples across
    // symbols, and the search among near neighbours reads the rest.
    Raster sheet = Canvas(2000, 1000);
    for (int i = 0; i < 200; ++i) {
        QrSymbol symbol;
        symbol.data = "sheet " + std::to_string(i);
        symbol.version = 1;
        symbol.moduleSize = 3;
        Paste(sheet, QrPicture(symbol), 40 + (i % 20) * 96, 20 + (i / 20) * 96);
    }
    const Scan scan(sheet, 1, 1, 255);
    ASSERT_EQ(scan.results.size(), 200u) << scan.status;
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < scan.results.size(); ++i) texts.push_back(scan.Text(i));
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(std::unique(texts.begin(), texts.end()), texts.end());
}

TEST(QRBadInput, SymbolsTouchingTheEdgesAndNoise) {
    QrSymbol symbol;
    symbol.data = "edge";
    symbol.quietZone = 0;
    symbol.moduleSize = 3;
    const Raster bare = QrPicture(symbol);
    Scan scan(bare);  // the finders lose their outer pixels to the cleared frame
    EXPECT_LE(scan.results.size(), 1u);
    Raster noise = Canvas(300, 300);
    std::mt19937 gen(17);
    for (auto &p : noise.pixels) p = (gen() & 1) ? 0 : 255;
    EXPECT_TRUE(Scan(noise).results.empty());
    Raster dots = Canvas(257, 129);
    for (int y = 0; y < 129; y += 2)
        for (int x = (y / 2) % 2; x < 257; x += 2) dots.at(x, y) = 0;
    EXPECT_TRUE(Scan(dots, 1).results.empty());
}

TEST(QRBadInput, SmallAndOddPictures) {
    for (auto [w, h] :
         {std::pair{1, 1}, std::pair{7, 7}, std::pair{3, 500}, std::pair{500, 3}, std::pair{33, 9}}) {
        Raster r = Canvas(w, h, 0);
        for (int bits : {1, 8, 24}) {
            const Scan scan(r, bits);
            EXPECT_TRUE(scan.results.empty());
        }
    }
}

}  // namespace
}  // namespace zr::qr::test
