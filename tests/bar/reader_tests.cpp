// The linear reader end to end: symbols rendered with libzint, read through
// the exported calls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bar/classes.hpp"
#include "bar/decoder_tables.hpp"
#include "decode_test_util.hpp"
#include "support/render.hpp"
#include "zr/ZrBar.h"

namespace {

using zr::test::Raster;

constexpr char kCode39Alphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

int Code39Value(char c) {
    return static_cast<int>(std::strchr(kCode39Alphabet, c) - kCode39Alphabet);
}

char Code39Check(const std::string &text) {
    int sum = 0;
    for (char c : text) sum += Code39Value(c);
    return kCode39Alphabet[sum % 43];
}

struct Code39 {
    std::string text = "CODE39";
    int module = 3;
    double ratio = 2.5;
    bool check = false;
    int height = 40;  // bar height in modules
};

Raster RenderCode39(const Code39 &c) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_CODE39;
    options.data = c.text;
    options.option2 = c.check ? 1 : 0;
    options.moduleSize = c.module;
    options.wideRatio = c.ratio;
    options.barHeight = c.height;
    std::string error;
    Raster r = zr::test::RenderSymbol(options, &error);
    EXPECT_FALSE(r.empty()) << error;
    return r;
}

// A symbol on a white canvas with a margin on every side.
Raster OnCanvas(const Raster &symbol, int margin = 40) {
    Raster canvas = zr::test::Canvas(symbol.width + 2 * margin, symbol.height + 2 * margin);
    zr::test::Paste(canvas, symbol, margin, margin);
    return canvas;
}

struct Scan {
    std::uint16_t status = 0;
    std::vector<ZrBarResult> results;
};

Scan Read(const std::vector<std::uint8_t> &dib, const std::function<void(ZrBarScanner &)> &configure = {}) {
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = dib.data();
    if (configure) configure(scanner);
    Scan scan;
    scan.status = ZrScanBar(&scanner);
    for (int i = 0; i < scanner.resultCount; ++i) {
        ZrBarResult r;
        EXPECT_EQ(GetBarcodeAt(&scanner, i, &r), 0);
        scan.results.push_back(r);
    }
    ZrFreeBarScanner(&scanner);
    return scan;
}

Scan Read(const Raster &picture, int bits = 8, const std::function<void(ZrBarScanner &)> &configure = {}) {
    return Read(zr::test::ToDib(picture, bits), configure);
}

// Texts of the results, for readable failure messages.
std::string Texts(const Scan &scan) {
    std::string all;
    for (const auto &r : scan.results) all += std::string("[") + r.text + "]";
    return all;
}

double AngleDistance(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

TEST(ZrBarCode39, ReadsEveryLengthModuleAndRatioWithAndWithoutCheck) {
    const int lengths[] = {1, 2, 5, 11, 20};
    const double ratios[] = {2.0, 2.5, 3.0};
    int index = 0;
    for (int length : lengths) {
        for (int module = 2; module <= 6; ++module) {
            for (double ratio : ratios) {
                for (bool check : {false, true}) {
                    Code39 c;
                    c.text.clear();
                    for (int i = 0; i < length; ++i) c.text += kCode39Alphabet[(index * 7 + i * 5) % 43];
                    ++index;
                    c.module = module;
                    c.ratio = ratio;
                    c.check = check;
                    c.height = 25;
                    const Scan scan = Read(OnCanvas(RenderCode39(c), 30));
                    SCOPED_TRACE("text '" + c.text + "' module " + std::to_string(module) + " ratio " +
                                 std::to_string(ratio) + (check ? " with check" : ""));
                    ASSERT_EQ(scan.status, 0);
                    ASSERT_EQ(scan.results.size(), 1u) << Texts(scan);
                    const ZrBarResult &r = scan.results[0];
                    const std::string expected = check ? c.text + Code39Check(c.text) : c.text;
                    EXPECT_EQ(std::string(r.text), expected);
                    EXPECT_EQ(r.type, ZR_BAR_CODE39);
                    EXPECT_EQ(r.barColor, 1);
                    // The last character verifies when the others sum to its value (an empty sum is 0).
                    const bool lastVerifies =
                        Code39Check(expected.substr(0, expected.size() - 1)) == expected.back();
                    EXPECT_EQ(r.checksum, lastVerifies ? 1 : 0);
                }
            }
        }
    }
}

TEST(ZrBarCode39, CheckCharacterIsVerifiedAndKeptInTheText) {
    Code39 c;
    c.text = "ABC";
    c.check = true;
    Scan scan = Read(OnCanvas(RenderCode39(c)));
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_STREQ(scan.results[0].text, "ABCX");  // (10 + 11 + 12) mod 43 = 33, "X"
    EXPECT_EQ(scan.results[0].checksum, 1);

    c.check = false;
    scan = Read(OnCanvas(RenderCode39(c)));
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_STREQ(scan.results[0].text, "ABC");
    EXPECT_EQ(scan.results[0].checksum, 0);
}

struct Orientation {
    int quarterTurns;
    double angle;
    bool reversed;
};

TEST(ZrBarCode39, ReadsInAllFourQuarterTurnsWithAnglesAndCornerOrder) {
    Code39 c;
    c.text = "TURN";
    const Raster symbol = RenderCode39(c);
    const int margin = 40;
    const Orientation cases[] = {{0, 0, false}, {1, 90, true}, {2, 180, true}, {3, 270, false}};
    for (const Orientation &o : cases) {
        SCOPED_TRACE(o.quarterTurns);
        const Raster turned = zr::test::RotateQuarter(symbol, o.quarterTurns);
        const Scan scan = Read(OnCanvas(turned, margin));
        ASSERT_EQ(scan.results.size(), 1u) << Texts(scan);
        const ZrBarResult &r = scan.results[0];
        EXPECT_STREQ(r.text, "TURN");
        EXPECT_DOUBLE_EQ(r.angle, o.angle);
        // The symbol's own top left corner comes first, wherever it was turned.
        const int quiet = 10 * c.module;
        const int x0 = margin + quiet, y0 = margin + quiet;
        const int x1 = margin + turned.width - quiet - 1, y1 = margin + turned.height - quiet - 1;
        const int expected[4][8] = {{x0, y0, x1, y0, x1, y1, x0, y1},
                                    {x0, y1, x0, y0, x1, y0, x1, y1},
                                    {x1, y1, x0, y1, x0, y0, x1, y0},
                                    {x1, y0, x1, y1, x0, y1, x0, y0}};
        for (int i = 0; i < 8; ++i)
            EXPECT_NEAR(r.corners[i], expected[o.quarterTurns][i], 2) << "corner value " << i;
    }
}

TEST(ZrBarCode39, ReadsSkewedSymbolsAlongHorizontalVerticalAndDiagonalLines) {
    Code39 c;
    c.text = "SKEW-42";
    const Raster symbol = RenderCode39(c);
    for (double degrees : {3.0, -4.0, 8.0, 20.0, 27.0, 45.0, 63.0, 100.0, 135.0, 200.0, 225.0, 315.0}) {
        SCOPED_TRACE(degrees);
        const Raster rotated = zr::test::Rotate(symbol, degrees, true);
        const Scan scan = Read(OnCanvas(rotated, 20));
        ASSERT_EQ(scan.results.size(), 1u) << Texts(scan);
        EXPECT_STREQ(scan.results[0].text, "SKEW-42");
        const double expected = degrees < 0 ? degrees + 360 : degrees;
        EXPECT_LT(AngleDistance(scan.results[0].angle, expected), 2.0) << scan.results[0].angle;
        EXPECT_GE(scan.results[0].angle, 0.0);
        EXPECT_LT(scan.results[0].angle, 360.0);
    }
}

TEST(ZrBarCode39, CornersEncloseTheBarsOfASkewedSymbol) {
    Code39 c;
    c.text = "BOX";
    const Raster rotated = zr::test::Rotate(RenderCode39(c), 12, true);
    const Raster picture = OnCanvas(rotated, 30);
    const Scan scan = Read(picture);
    ASSERT_EQ(scan.results.size(), 1u);
    // Every dark pixel lies inside the bounding box of the corners, give or take a pixel.
    const ZrBarResult &r = scan.results[0];
    int xMin = r.corners[0], xMax = r.corners[0], yMin = r.corners[1], yMax = r.corners[1];
    for (int i = 0; i < 4; ++i) {
        xMin = std::min(xMin, r.corners[2 * i]);
        xMax = std::max(xMax, r.corners[2 * i]);
        yMin = std::min(yMin, r.corners[2 * i + 1]);
        yMax = std::max(yMax, r.corners[2 * i + 1]);
    }
    int outside = 0, dark = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (picture.at(x, y) < 128) {
                ++dark;
                if (x < xMin - 2 || x > xMax + 2 || y < yMin - 2 || y > yMax + 2) ++outside;
            }
    EXPECT_LT(outside, dark / 100) << outside << " of " << dark;
    // And the box is not much larger than the symbol.
    EXPECT_LT((xMax - xMin) * (yMax - yMin), 1.3 * (rotated.width - 60) * (rotated.height - 60) + 1);
}

TEST(ZrBarCode39, ReadsDarkAndLightBarsAtEveryDepth) {
    Code39 c;
    c.text = "DEPTH";
    const Raster picture = OnCanvas(RenderCode39(c));
    const Raster inverted = zr::test::Invert(picture);
    for (int bits : {1, 8, 24}) {
        SCOPED_TRACE(bits);
        Scan dark = Read(picture, bits);
        ASSERT_EQ(dark.results.size(), 1u);
        EXPECT_EQ(dark.results[0].barColor, 1);
        EXPECT_STREQ(dark.results[0].text, "DEPTH");
        Scan light = Read(inverted, bits);
        ASSERT_EQ(light.results.size(), 1u) << Texts(light);
        EXPECT_EQ(light.results[0].barColor, 2);
        EXPECT_STREQ(light.results[0].text, "DEPTH");
    }
    // Both palette orders of a 1-bit picture.
    Scan reversedPalette = Read(zr::test::ToDib(picture, 1, 0, false));
    ASSERT_EQ(reversedPalette.results.size(), 1u);
    EXPECT_EQ(reversedPalette.results[0].barColor, 1);
}

TEST(ZrBarCode39, FindsSeveralSymbolsInALargeNoisyPicture) {
    Raster canvas = zr::test::Canvas(1400, 1000, 235);
    const char *texts[] = {"FIRST", "SECOND-2", "THIRD 3"};
    Code39 c;
    c.text = texts[0];
    zr::test::Paste(canvas, RenderCode39(c), 60, 80);
    c.text = texts[1];
    c.module = 2;
    zr::test::Paste(canvas, zr::test::RotateQuarter(RenderCode39(c), 1), 1000, 200);
    c.text = texts[2];
    c.module = 4;
    zr::test::Paste(canvas, zr::test::Rotate(RenderCode39(c), 30, true), 200, 450);
    const Raster noisy = zr::test::AddNoise(zr::test::Blur(canvas, 0.7), 40, 7);
    const Scan scan = Read(noisy, 8);
    EXPECT_EQ(scan.status, 0);
    ASSERT_EQ(scan.results.size(), 3u) << Texts(scan);
    for (const char *text : texts) {
        bool found = false;
        for (const auto &r : scan.results) found = found || std::string(r.text) == text;
        EXPECT_TRUE(found) << text << " in " << Texts(scan);
    }
}

TEST(ZrBarCode39, AveragedWidthsReadASymbolThatNoSingleLineReads) {
    // Every row gets its own random width error of up to one pixel per
    // element (narrow 2 px, wide 4 px), so no row classifies cleanly.
    const zr::bar::Widths elements = zr::bar::test::Code39Modules("JITTER");
    ASSERT_FALSE(elements.empty());
    int modules = 0;
    for (auto m : elements) modules += m;
    std::mt19937 random(5);
    Raster picture = zr::test::Canvas(3 * modules + 100, 200);
    int rowsRead = 0;
    for (int y = 40; y < 160; ++y) {
        zr::bar::Widths widths;
        for (std::size_t i = 0, x = 50; i < elements.size(); ++i) {
            const int width = 2 * elements[i] + static_cast<int>(random() % 3) - 1;
            widths.push_back(static_cast<std::uint16_t>(width));
            for (int k = 0; k < width && i % 2 == 0; ++k) picture.at(static_cast<int>(x) + k, y) = 0;
            x += width;
        }
        zr::bar::DecodeState state;
        state.symbologies = ZR_BAR_CODE39;
        state.direction = 1;
        state.barColor = 1;
        std::uint16_t status = zr::bar::DecodeStringTables(zr::bar::ElementsToClasses(widths, 1), state);
        if (!zr::bar::Decoded(status)) status = zr::bar::Code39Retry(widths, state);
        if (zr::bar::Decoded(status)) ++rowsRead;
    }
    ASSERT_EQ(rowsRead, 0);
    const Scan scan = Read(picture);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_STREQ(scan.results[0].text, "JITTER");
}

TEST(ZrBarOptions, SymbologyMaskSelectsTheDecoders) {
    Code39 c;
    c.text = "MASK";
    const Raster picture = OnCanvas(RenderCode39(c));
    EXPECT_EQ(Read(picture, 8, [](ZrBarScanner &s) { s.symbologies = ZR_BAR_CODE39; }).results.size(), 1u);
    EXPECT_EQ(Read(picture, 8, [](ZrBarScanner &s) { s.symbologies = ZR_BAR_CODE128; }).results.size(), 0u);
    // 0 means every symbology.
    EXPECT_EQ(Read(picture, 8, [](ZrBarScanner &s) { s.symbologies = 0; }).results.size(), 1u);
}

TEST(ZrBarOptions, DirectionsLimitTheReadingSense) {
    Code39 c;
    c.text = "UP";
    const Raster upright = OnCanvas(RenderCode39(c));
    const Raster upsideDown = zr::test::RotateQuarter(upright, 2);
    const Raster downward = zr::test::RotateQuarter(upright, 3);  // reads top to bottom
    auto directions = [](std::uint8_t d) { return [d](ZrBarScanner &s) { s.directions = d; }; };
    EXPECT_EQ(Read(upright, 8, directions(1)).results.size(), 1u);
    EXPECT_EQ(Read(upsideDown, 8, directions(1)).results.size(), 0u);
    const Scan both = Read(upsideDown, 8, directions(3));
    ASSERT_EQ(both.results.size(), 1u);
    EXPECT_DOUBLE_EQ(both.results[0].angle, 180.0);
    EXPECT_EQ(Read(downward, 8, directions(3)).results.size(), 0u);
    EXPECT_EQ(Read(downward, 8, directions(4)).results.size(), 1u);
    EXPECT_EQ(Read(downward, 8, directions(8)).results.size(), 0u);
    // No direction bit at all means every direction.
    EXPECT_EQ(Read(downward, 8, directions(0x30)).results.size(), 1u);
}

TEST(ZrBarOptions, BarColoursLimitTheColoursReported) {
    Code39 c;
    c.text = "LIGHT";
    const Raster light = zr::test::Invert(OnCanvas(RenderCode39(c)));
    EXPECT_EQ(Read(light, 8, [](ZrBarScanner &s) { s.barColors = 1; }).results.size(), 0u);
    const Scan scan = Read(light, 8, [](ZrBarScanner &s) { s.barColors = 2; });
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(scan.results[0].barColor, 2);
}

// A Code 39 symbol whose stop character is painted over.
Raster DamagedSymbol() {
    Code39 c;
    c.text = "DAMAGED";
    Raster symbol = RenderCode39(c);
    const int quiet = 10 * c.module;
    const int stopStart = symbol.width - quiet - static_cast<int>(std::lround(c.module * (6 + 3 * c.ratio)));
    for (int y = 0; y < symbol.height; ++y)
        for (int x = stopStart; x < symbol.width - quiet; ++x) symbol.at(x, y) = 255;
    return OnCanvas(symbol);
}

TEST(ZrBarOptions, ReportUnreadListsADamagedSymbolOnce) {
    const Raster damaged = DamagedSymbol();
    EXPECT_EQ(Read(damaged).results.size(), 0u);
    const Scan scan = Read(damaged, 8, [](ZrBarScanner &s) { s.extraFlags = ZR_BAR_REPORT_UNREAD; });
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_STREQ(scan.results[0].text, "???");
}

TEST(ZrBarOptions, ThoroughModeReadsWhatTheNormalModeReads) {
    Code39 c;
    c.text = "THOROUGH";
    const Raster picture = zr::test::AddNoise(OnCanvas(RenderCode39(c)), 30, 3);
    const Scan scan = Read(picture, 8, [](ZrBarScanner &s) { s.extraFlags = ZR_BAR_THOROUGH; });
    ASSERT_GE(scan.results.size(), 1u);
    EXPECT_STREQ(scan.results[0].text, "THOROUGH");
    const Scan damaged = Read(DamagedSymbol(), 8, [](ZrBarScanner &s) { s.extraFlags = ZR_BAR_THOROUGH; });
    EXPECT_EQ(damaged.status, 0);
}

Raster TwoSymbols() {
    Raster canvas = zr::test::Canvas(900, 300);
    Code39 c;
    c.text = "LEFT";
    zr::test::Paste(canvas, RenderCode39(c), 10, 40);
    c.text = "RIGHT";
    zr::test::Paste(canvas, RenderCode39(c), 460, 40);
    return canvas;
}

TEST(ZrBarOptions, AFullResultListStopsWithStatus16) {
    const Scan scan = Read(TwoSymbols(), 8, [](ZrBarScanner &s) { s.maxResults = 1; });
    EXPECT_EQ(scan.status, ZR_ERR_LIST_FULL);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_STREQ(scan.results[0].text, "LEFT");
    EXPECT_EQ(Read(TwoSymbols()).results.size(), 2u);
}

TEST(ZrBarFrame, TheRectangleLimitsTheSearchAndIsPutBack) {
    const std::vector<std::uint8_t> dib = zr::test::ToDib(TwoSymbols(), 8);
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = dib.data();
    scanner.left = 450;
    scanner.top = 0;
    scanner.rectWidth = 0;  // to the right edge
    scanner.rectHeight = 5000;
    ASSERT_EQ(ZrScanBar(&scanner), 0);
    ASSERT_EQ(scanner.resultCount, 1);
    EXPECT_STREQ(scanner.results[0].text, "RIGHT");
    EXPECT_GE(scanner.results[0].corners[0], 450);
    EXPECT_EQ(scanner.left, 450u);
    EXPECT_EQ(scanner.rectWidth, 0u);
    EXPECT_EQ(scanner.rectHeight, 5000u);

    scanner.left = 5000;                // beyond the picture: searched from column 0
    ASSERT_EQ(ZrScanBar(&scanner), 0);  // the previous list is freed by the scan itself
    EXPECT_EQ(scanner.resultCount, 2);
    EXPECT_EQ(scanner.left, 5000u);
    ZrFreeBarScanner(&scanner);
}

TEST(ZrBarFrame, BadCallsGiveStatusCodes) {
    EXPECT_EQ(ZrBarGetVersion(), 0x20046u);
    EXPECT_EQ(ZrInitBarScanner(nullptr), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(ZrScanBar(nullptr), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(ZrFreeBarScanner(nullptr), ZR_ERR_BAD_ARGUMENT);

    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    EXPECT_EQ(scanner.maxResults, 20);
    EXPECT_EQ(scanner.barColors, 3);
    EXPECT_EQ(scanner.directions, 15);
    EXPECT_EQ(scanner.extraFlags, 0);
    EXPECT_EQ(scanner.symbologies, 0x1FF1FFu);
    scanner.resultCount = 7;
    scanner.runTime = 3;
    EXPECT_EQ(ZrScanBar(&scanner), ZR_ERR_NULL_DIB);  // image null
    EXPECT_EQ(scanner.resultCount, 7);
    EXPECT_EQ(scanner.results, nullptr);
    EXPECT_EQ(scanner.runTime, 0.0);

    Code39 c;
    const std::vector<std::uint8_t> dib = zr::test::ToDib(OnCanvas(RenderCode39(c)), 8);
    scanner.image = dib.data();
    ASSERT_EQ(ZrScanBar(&scanner), 0);
    ASSERT_EQ(scanner.resultCount, 1);
    ZrBarResult untouched;
    std::memset(&untouched, 0xA5, sizeof untouched);
    ZrBarResult copy = untouched;
    EXPECT_EQ(GetBarcodeAt(&scanner, -1, &copy), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(GetBarcodeAt(&scanner, 1, &copy), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(std::memcmp(&copy, &untouched, sizeof copy), 0);
    EXPECT_EQ(GetBarcodeAt(&scanner, 0, nullptr), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(GetBarcodeAt(&scanner, 0, &copy), 0);
    EXPECT_STREQ(copy.text, "CODE39");
    EXPECT_EQ(ZrFreeBarScanner(&scanner), 0);
    EXPECT_EQ(ZrFreeBarScanner(&scanner), 0);
    EXPECT_EQ(scanner.results, nullptr);
    EXPECT_EQ(scanner.resultCount, 1);  // left as it was
}

TEST(ZrBarFrame, UnreadableDibsAreRefused) {
    Code39 c;
    std::vector<std::uint8_t> dib = zr::test::ToDib(OnCanvas(RenderCode39(c)), 8);
    const std::vector<std::uint8_t> original = dib;
    dib[14] = 32;  // 32 bits per pixel
    EXPECT_EQ(Read(dib).status, ZR_ERR_BAD_FORMAT);
    dib = original;
    dib[16] = 1;  // compressed
    EXPECT_EQ(Read(dib).status, ZR_ERR_BAD_FORMAT);
}

TEST(ZrBarFrame, NothingToReadIsSuccessWithNoResults) {
    const Scan blank = Read(zr::test::Canvas(300, 200), 8);
    EXPECT_EQ(blank.status, 0);
    EXPECT_TRUE(blank.results.empty());
    const Scan noise = Read(zr::test::AddNoise(zr::test::Canvas(400, 300, 128), 127, 11), 8);
    EXPECT_EQ(noise.status, 0);
    EXPECT_TRUE(noise.results.empty()) << Texts(noise);
    const Scan tiny = Read(zr::test::Canvas(1, 1), 1);
    EXPECT_EQ(tiny.status, 0);
}

TEST(ZrBarFrame, SeparateScannersRunOnSeveralThreadsAtOnce) {
    // The reader keeps no state between calls, so scanners of different
    // threads do not disturb each other.
    const char *texts[] = {"THREAD-1", "THREAD-22", "THREAD-333"};
    std::vector<std::vector<std::uint8_t>> dibs;
    for (const char *text : texts) {
        Code39 c;
        c.text = text;
        dibs.push_back(zr::test::ToDib(zr::test::Rotate(OnCanvas(RenderCode39(c)), 10, true), 8));
    }
    std::vector<int> correct(3, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 15; ++i) {
                const Scan scan = Read(dibs[t]);
                if (scan.results.size() == 1 && std::string(scan.results[0].text) == texts[t]) ++correct[t];
            }
        });
    }
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(correct, std::vector<int>(3, 15));
}

}  // namespace
