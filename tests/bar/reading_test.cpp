// The linear reader end to end: Code 39 symbols of every size, turn, skew and
// colour, rendered with libzint and read through the exported calls.
#include <gtest/gtest.h>

#include <random>

#include "bar/classes.hpp"
#include "bar/decoder_tables.hpp"
#include "decode_test_util.hpp"
#include "reader_test_util.hpp"

namespace zr::bar::test {
namespace {

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
                    const std::string expected = check ? c.text + Code39CheckCharacter(c.text) : c.text;
                    EXPECT_EQ(std::string(r.text), expected);
                    EXPECT_EQ(r.type, ZR_BAR_CODE39);
                    EXPECT_EQ(r.barColor, 1);
                    // The last character verifies when the others sum to its value (an empty sum is 0).
                    const bool lastVerifies =
                        Code39CheckCharacter(expected.substr(0, expected.size() - 1)) == expected.back();
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
        zr::bar::DecodeOutcome status =
            zr::bar::DecodeStringTables(zr::bar::ElementsToClasses(widths, 1), state);
        if (!zr::bar::Decoded(status)) status = zr::bar::Code39Retry(widths, state);
        if (zr::bar::Decoded(status)) ++rowsRead;
    }
    ASSERT_EQ(rowsRead, 0);
    const Scan scan = Read(picture);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_STREQ(scan.results[0].text, "JITTER");
}

}  // namespace
}  // namespace zr::bar::test
