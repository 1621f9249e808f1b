// The Micro QR reader end to end through its exported calls, on libzint
// renders and on symbols painted from chosen codewords.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "micro_symbols.hpp"
#include "support/scan_with.hpp"
#include "zr/ZrMicroQR.h"

namespace {

using zr::test::MicroSymbol;
using zr::test::Raster;

using Scan = zr::test::ScanOutcome<zr::test::MicroQRReader>;

Scan Read(const Raster &picture, const std::function<void(ZrMicroQRScanner &)> &configure = {}) {
    return zr::test::ScanWith<zr::test::MicroQRReader>(picture, 8, configure);
}

Raster Render(const MicroSymbol &s) {
    std::string error;
    Raster r = zr::test::RenderMicro(s, &error);
    EXPECT_FALSE(r.empty()) << error;
    return r;
}

TEST(ZrMicroQR, VersionAndInit) {
    EXPECT_EQ(ZrMicroQRGetVersion(), 0x10001u);
    ZrMicroQRScanner scanner;
    std::memset(&scanner, 0xAB, sizeof scanner);
    EXPECT_EQ(ZrInitMicroQRScanner(&scanner), 0);
    EXPECT_EQ(scanner.image, nullptr);
    EXPECT_EQ(scanner.left | scanner.top | scanner.rectWidth | scanner.rectHeight, 0u);
    EXPECT_EQ(scanner.resultCount, 0);
    EXPECT_EQ(scanner.results, nullptr);
    EXPECT_EQ(scanner.maxResults, 20);
    EXPECT_EQ(scanner.scanFlags, 3);
    EXPECT_EQ(ZrInitMicroQRScanner(nullptr), ZR_ERR_BAD_ARGUMENT);
}

TEST(ZrMicroQR, EveryVersionLevelMaskAndModuleSize) {
    struct Case {
        int version, level;
        const char *data;
    };
    const Case cases[] = {{1, 0, "12345"}, {2, 0, "AB-12"},      {2, 1, "9876"}, {3, 0, "mixed 1"},
                          {3, 1, "HELLO"}, {4, 0, "Micro QR 4"}, {4, 1, "x=42"}, {4, 2, "M4-Q"}};
    for (const Case &k : cases)
        for (int mask = 0; mask < 4; ++mask)
            for (int module = 2; module <= 6; ++module) {
                const Scan scan = Read(Render({k.data, k.version, k.level, mask, module, 4}));
                ASSERT_EQ(scan.results.size(), 1u) << k.data << " mask " << mask << " module " << module;
                const MicroQRResult &r = scan.results[0];
                EXPECT_EQ(scan.Text(), k.data);
                EXPECT_EQ(r.version, k.version);
                EXPECT_EQ(r.confidence, 100);
                EXPECT_EQ(r.barsColour, 1);
                // Corner 0 at the finder's outer corner, corner 2 diagonally opposite.
                const int q = 4 * module, side = (2 * k.version + 9) * module;
                EXPECT_NEAR(r.corners[0], q, 1);
                EXPECT_NEAR(r.corners[1], q, 1);
                EXPECT_NEAR(r.corners[4], q + side, 2);
                EXPECT_NEAR(r.corners[5], q + side, 2);
            }
}

TEST(ZrMicroQR, EachModeAtCapacity) {
    const MicroSymbol symbols[] = {
        {"12345", 1, 0},                    // M1: 20 bits, all of the data capacity
        {"01234567890123456789012", 3, 0},  // M3-L: the half codeword holds data
        {"ABCDEFGHIJKLMNOPQRSTU", 4, 0},    // M4-L alphanumeric
        {"bytes-in-M4-L!!", 4, 0},          // M4-L byte
        {"12345678901234567890123456789012345", 4, 0},
    };
    for (const MicroSymbol &s : symbols) {
        const Scan scan = Read(Render(s));
        ASSERT_EQ(scan.results.size(), 1u) << s.data;
        EXPECT_EQ(scan.Text(), s.data);
    }
    // 35 digits fill 35 bytes; the rest of the text is zero.
    const Scan longest = Read(Render(symbols[4]));
    ASSERT_EQ(longest.results.size(), 1u);
    EXPECT_EQ(longest.results[0].length, 35);
    EXPECT_EQ(longest.results[0].text[35] | longest.results[0].text[36] | longest.results[0].text[37], 0);

    MicroSymbol kanji{"\xE7\x82\xB9\xE8\x8C\x97", 3, 0};
    kanji.inputMode = UNICODE_MODE;
    const Scan k = Read(Render(kanji));
    ASSERT_EQ(k.results.size(), 1u);
    EXPECT_EQ(k.Text(), "\x93\x5F\xE4\xAA");
}

TEST(ZrMicroQR, QuarterTurnsAndAnglesInThePlane) {
    const MicroSymbol s{"TURNED", 3, 0, 2, 5, 4};
    const Raster upright = Render(s);
    for (int turn = 0; turn < 4; ++turn) {
        const Scan scan = Read(zr::test::RotateQuarter(upright, turn));
        ASSERT_EQ(scan.results.size(), 1u) << "quarter turns " << turn;
        EXPECT_EQ(scan.Text(), "TURNED");
    }
    for (const double degrees : {3.0, 12.0, 27.0, 38.0, 61.0, 104.0, 191.0, 250.0, 317.0}) {
        const Scan scan = Read(zr::test::Rotate(upright, degrees, true));
        ASSERT_EQ(scan.results.size(), 1u) << degrees << " degrees";
        EXPECT_EQ(scan.Text(), "TURNED") << degrees << " degrees";
    }
    // Three-pixel modules: a pixel off at the finder's corner is a third of a
    // module. At 45 degrees the finder's sides give no corners.
    const Raster small = Render({"SMALL", 3, 0, 0, 3, 4});
    for (const double degrees : {20.0, 45.0, 70.0, 110.0, 135.0, 160.0, 200.0, 250.0, 290.0, 315.0, 340.0}) {
        const Scan scan = Read(zr::test::Rotate(small, degrees, true));
        ASSERT_EQ(scan.results.size(), 1u) << degrees << " degrees";
        EXPECT_EQ(scan.Text(), "SMALL") << degrees << " degrees";
    }
}

TEST(ZrMicroQR, WidenedDarkModulesStillRead) {
    // Dark modules a pixel wider on each side: the finder's outline alone
    // overstates the module by 2/7 pixel, most of a module over M4.
    const Scan scan = Read(zr::test::Dilate(Render({"INK SPREAD", 4, 0, 1, 6, 4}), 1));
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(scan.Text(), "INK SPREAD");
    const Scan thin =
        Read(zr::test::Invert(zr::test::Dilate(zr::test::Invert(Render({"THIN", 4, 0, 2, 6, 4})), 1)));
    ASSERT_EQ(thin.results.size(), 1u);
    EXPECT_EQ(thin.Text(), "THIN");
}

TEST(ZrMicroQR, SymbolSeenAtASlant) {
    // The bottom edge 15 % narrower than the top: the modules shrink down
    // the symbol, which no parallelogram grid follows.
    for (const int turn : {0, 1, 2, 3}) {
        const Scan scan =
            Read(zr::test::RotateQuarter(zr::test::Keystone(Render({"SLANT 4", 4, 0, 3, 6, 2}), 0.85), turn));
        ASSERT_EQ(scan.results.size(), 1u) << turn;
        EXPECT_EQ(scan.Text(), "SLANT 4");
    }
}

TEST(ZrMicroQR, LightOnDarkFollowsScanFlags) {
    const Raster light = zr::test::Invert(Render({"INV", 2, 0, 0, 4, 4}));
    EXPECT_TRUE(Read(light, [](ZrMicroQRScanner &s) { s.scanFlags = 1; }).results.empty());
    for (const int flags : {2, 3, 0, 4}) {
        const Scan scan =
            Read(light, [flags](ZrMicroQRScanner &s) { s.scanFlags = static_cast<std::uint8_t>(flags); });
        ASSERT_EQ(scan.results.size(), 1u) << flags;
        EXPECT_EQ(scan.Text(), "INV");
        EXPECT_EQ(scan.results[0].barsColour, 2);
        EXPECT_EQ(scan.after.scanFlags, flags & 3 ? flags : 3);
    }
    const Raster dark = Render({"INV", 2, 0, 0, 4, 4});
    EXPECT_TRUE(Read(dark, [](ZrMicroQRScanner &s) { s.scanFlags = 2; }).results.empty());
}

// Two symbols side by side on one canvas.
Raster TwoSymbols() {
    Raster canvas = zr::test::Canvas(400, 200);
    zr::test::Paste(canvas, Render({"LEFT", 3, 0, 0, 5, 2}), 20, 20);
    zr::test::Paste(canvas, Render({"RIGHT", 3, 0, 1, 5, 2}), 220, 20);
    return canvas;
}

TEST(ZrMicroQR, SeveralSymbolsAndAFullList) {
    const Scan both = Read(TwoSymbols());
    ASSERT_EQ(both.results.size(), 2u);
    EXPECT_NE(both.Text(0), both.Text(1));
    const Scan one = Read(TwoSymbols(), [](ZrMicroQRScanner &s) { s.maxResults = 1; });
    ASSERT_EQ(one.results.size(), 1u);
    EXPECT_TRUE(one.Text() == "LEFT" || one.Text() == "RIGHT");
    const Scan zero = Read(TwoSymbols(), [](ZrMicroQRScanner &s) { s.maxResults = 0; });
    EXPECT_EQ(zero.after.maxResults, 20);
    EXPECT_EQ(zero.results.size(), 2u);
}

TEST(ZrMicroQR, SearchRectangleLimitsTheSearch) {
    const Scan left = Read(TwoSymbols(), [](ZrMicroQRScanner &s) {
        s.left = 0;
        s.rectWidth = 200;
    });
    ASSERT_EQ(left.results.size(), 1u);
    EXPECT_EQ(left.Text(), "LEFT");
    EXPECT_EQ(left.after.rectWidth, 200u);
    const Scan right = Read(TwoSymbols(), [](ZrMicroQRScanner &s) { s.left = 200; });
    ASSERT_EQ(right.results.size(), 1u);
    EXPECT_EQ(right.Text(), "RIGHT");
}

Raster Painted(const zr::microqr::Codewords &codewords, int version, int level, int mask = 0) {
    return zr::test::ExpandModules(zr::test::PaintCodewords(codewords, version, level, mask), 4, 0, 4);
}

TEST(ZrMicroQR, M1ReadsOnlyUndamagedAndM2CorrectsOne) {
    // "12345": count 5, groups 123 and 45, filling all 20 data bits.
    const auto clean = zr::test::WithChecks({0xA3, 0xDA, 0xD0}, 1, 0);
    Scan scan = Read(Painted(clean, 1, 0));
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(scan.Text(), "12345");
    EXPECT_EQ(scan.results[0].confidence, 100);

    // M1's check codewords detect errors only: one wrong codeword is refused.
    // Turned so that the symbol's own rotation (4) is the last one tried.
    auto one = clean;
    one[1] ^= 0xFF;
    scan = Read(zr::test::RotateQuarter(Painted(one, 1, 0), 1), [](ZrMicroQRScanner &s) { s.scanFlags = 1; });
    EXPECT_TRUE(scan.results.empty());
    EXPECT_EQ(scan.status, ZR_MICROQR_CORRECTION_FAILED);

    // M2-L corrects one codeword of ten (three of its five check codewords
    // guard against a wrong correction), and not two.
    // Numeric "0123": mode 0, count 4, groups 012 and 3.
    const auto m2 = zr::test::WithChecks({0x20, 0x18, 0x60, 0x00, 0x00}, 2, 0);
    auto m2One = m2;
    m2One[2] ^= 0x5A;
    scan = Read(Painted(m2One, 2, 0));
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(scan.Text(), "0123");
    EXPECT_EQ(scan.results[0].confidence, 90);
    auto m2Two = m2One;
    m2Two[7] ^= 0x81;
    scan = Read(Painted(m2Two, 2, 0), [](ZrMicroQRScanner &s) { s.scanFlags = 1; });
    EXPECT_TRUE(scan.results.empty());
}

TEST(ZrMicroQR, M1WithAnEmptyTextIsStored) {
    const Scan scan = Read(Painted(zr::test::WithChecks({0, 0, 0}, 1, 0), 1, 0));
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(scan.results[0].length, 0);
    EXPECT_EQ(scan.results[0].version, 1);
}

TEST(ZrMicroQR, UndefinedM4ModeIsNotReported) {
    // Mode 100 (3 bits), then anything; turned so that the symbol's own
    // rotation (4) is the last attempt.
    const auto codewords = zr::test::WithChecks({0x80, 0x21}, 4, 0);
    const Scan scan = Read(zr::test::RotateQuarter(Painted(codewords, 4, 0), 1),
                           [](ZrMicroQRScanner &s) { s.scanFlags = 1; });
    EXPECT_TRUE(scan.results.empty());
    EXPECT_EQ(scan.status, ZR_MICROQR_MODE_NOT_DECODED);
}

TEST(ZrMicroQR, FormatWithThreeWrongBitsStillReads) {
    const MicroSymbol s{"FMT", 2, 0, 3, 1, 0};
    Raster modules = zr::test::EncodeModules(zr::test::MicroOptions(s));
    ASSERT_FALSE(modules.empty());
    // Format bits 0, 5 and 11 lie at (8, 1), (8, 6) and (4, 8).
    for (const auto &[column, row] : {std::pair{8, 1}, std::pair{8, 6}, std::pair{4, 8}})
        modules.at(column, row) = static_cast<std::uint8_t>(255 - modules.at(column, row));
    const Scan three = Read(zr::test::ExpandModules(modules, 4, 0, 4));
    ASSERT_EQ(three.results.size(), 1u);
    EXPECT_EQ(three.Text(), "FMT");
    modules.at(2, 8) = static_cast<std::uint8_t>(255 - modules.at(2, 8));
    const Scan four = Read(zr::test::ExpandModules(modules, 4, 0, 4));
    EXPECT_TRUE(four.results.empty() || four.Text() == "FMT");
}

TEST(ZrMicroQR, QrSymbolIsNotReported) {
    zr::test::SymbolOptions qr;
    qr.symbology = BARCODE_QRCODE;
    qr.data = "A QR CODE, NOT MICRO";
    qr.moduleSize = 4;
    qr.quietZone = 4;
    const Scan scan = Read(zr::test::RenderSymbol(qr));
    EXPECT_TRUE(scan.results.empty());
}

TEST(ZrMicroQR, SymbolsAtThePictureBorder) {
    // No quiet zone: the symbol's corner is the picture's, and it still reads.
    const Raster edge = Render({"EDGE", 2, 0, 0, 4, 0});
    const Scan tight = Read(edge);
    ASSERT_EQ(tight.results.size(), 1u);
    EXPECT_EQ(tight.Text(), "EDGE");
    for (int i = 0; i < 8; ++i) {
        EXPECT_GE(tight.results[0].corners[i], 0) << i;
        EXPECT_LT(tight.results[0].corners[i], i % 2 == 0 ? edge.width : edge.height) << i;
    }
    // Only the finder and one more module row and column fit: the 9 x 9
    // corner area leaves the picture in every rotation.
    Raster corner = Render({"EDGE", 2, 0, 0, 4, 0});
    Raster cropped = zr::test::Canvas(8 * 4, 8 * 4);
    for (int y = 0; y < cropped.height; ++y)
        for (int x = 0; x < cropped.width; ++x) cropped.at(x, y) = corner.at(x, y);
    const Scan finderOnly = Read(cropped, [](ZrMicroQRScanner &s) { s.scanFlags = 1; });
    EXPECT_TRUE(finderOnly.results.empty());
    EXPECT_EQ(finderOnly.status, ZR_MICROQR_NO_CORNERS);
    // A symbol cut off by the bottom border.
    Raster cut = Render({"CUT", 3, 0, 0, 4, 2});
    cut.height = 40;
    cut.pixels.resize(static_cast<std::size_t>(cut.width) * 40);
    EXPECT_TRUE(Read(cut).results.empty());
}

TEST(ZrMicroQR, BadCallsGiveAStatusAndTouchNothing) {
    EXPECT_EQ(ZrScanMicroQR(nullptr), ZR_ERR_BAD_ARGUMENT);
    ZrMicroQRScanner scanner;
    ZrInitMicroQRScanner(&scanner);
    scanner.runTime = 5;
    EXPECT_EQ(ZrScanMicroQR(&scanner), ZR_ERR_NULL_DIB);
    EXPECT_EQ(scanner.results, nullptr);
    EXPECT_EQ(scanner.runTime, 0);

    std::vector<std::uint8_t> dib = zr::test::ToDib(Render({"OK", 2, 0}), 8);
    dib[14] = 4;  // 4 bits per pixel
    scanner.image = dib.data();
    EXPECT_EQ(ZrScanMicroQR(&scanner), ZR_ERR_BAD_FORMAT);

    const std::vector<std::uint8_t> good = zr::test::ToDib(Render({"OK", 2, 0}), 1);
    scanner.image = good.data();
    ZrScanMicroQR(&scanner);
    ASSERT_EQ(scanner.resultCount, 1);
    MicroQRResult r;
    std::memset(&r, 0x5A, sizeof r);
    EXPECT_EQ(GetMicroQRAt(&scanner, -1, &r), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(GetMicroQRAt(&scanner, 1, &r), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(r.version, 0x5A);
    // Scanning again replaces the list without a free in between.
    ZrScanMicroQR(&scanner);
    EXPECT_EQ(scanner.resultCount, 1);
    EXPECT_EQ(ZrFreeMicroQRScanner(&scanner), 0);
    EXPECT_EQ(ZrFreeMicroQRScanner(&scanner), 0);
    EXPECT_EQ(scanner.resultCount, 1);
    EXPECT_EQ(ZrFreeMicroQRScanner(nullptr), ZR_ERR_BAD_ARGUMENT);
}

TEST(ZrMicroQR, ScannersOnDifferentThreadsAgree) {
    const Raster picture = TwoSymbols();
    std::vector<std::string> texts(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < texts.size(); ++i)
        threads.emplace_back([&, i] {
            const Scan scan = Read(picture);
            for (std::size_t k = 0; k < scan.results.size(); ++k) texts[i] += scan.Text(k) + ";";
        });
    for (auto &t : threads) t.join();
    for (const std::string &t : texts) EXPECT_EQ(t, texts[0]);
    EXPECT_FALSE(texts[0].empty());
}

}  // namespace
