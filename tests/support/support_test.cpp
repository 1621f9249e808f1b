#include <gtest/gtest.h>

#include <cstring>

#include "render.hpp"

namespace zr::test {
namespace {

// Widths of the runs of equal grey along row y, with the first pixel's grey.
std::vector<int> RowRuns(const Raster &r, int y) {
    std::vector<int> runs;
    for (int x = 0; x < r.width;) {
        int n = 1;
        while (x + n < r.width && r.isDark(x + n, y) == r.isDark(x, y)) ++n;
        runs.push_back(n);
        x += n;
    }
    return runs;
}

std::uint32_t Read32(const std::vector<std::uint8_t> &d, std::size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}

// A small picture in which every pixel has its own grey.
Raster Numbered(int width, int height) {
    Raster r = Canvas(width, height);
    for (std::size_t i = 0; i < r.pixels.size(); ++i) r.pixels[i] = static_cast<std::uint8_t>(i * 7);
    return r;
}

TEST(RenderSymbol, Code39ModulesAreExactAndWideIsTwoModules) {
    SymbolOptions options;
    options.data = "AB";
    options.moduleSize = 3;
    options.quietZone = 10;
    std::string error;
    const Raster r = RenderSymbol(options, &error);
    ASSERT_FALSE(r.empty()) << error;
    // "*AB*": 4 characters of 13 modules with 3 gaps; 10 modules of margin on each side.
    EXPECT_EQ(r.width, (51 + 20) * 3);
    EXPECT_EQ(r.height, (50 + 20) * 3);
    const std::vector<int> runs = RowRuns(r, r.height / 2);
    ASSERT_GT(runs.size(), 12u);
    EXPECT_EQ(runs.front(), 30);
    EXPECT_EQ(runs.back(), 30);
    // The start character '*': bar, wide space, bar, space, wide bar, space, wide bar, space, bar, gap.
    const std::vector<int> start = {3, 6, 3, 3, 6, 3, 6, 3, 3, 3};
    EXPECT_EQ(std::vector<int>(runs.begin() + 1, runs.begin() + 11), start);
    for (int y = 0; y < 30; ++y) EXPECT_EQ(RowRuns(r, y).size(), 1u) << "margin row " << y;
}

TEST(RenderSymbol, WideRatioRedrawsLongRuns) {
    SymbolOptions options;
    options.data = "HELLO";
    options.moduleSize = 4;
    options.wideRatio = 2.5;
    options.quietZone = 2;
    const Raster r = RenderSymbol(options);
    ASSERT_FALSE(r.empty());
    std::vector<int> runs = RowRuns(r, r.height / 2);
    int narrow = 0, wide = 0;
    for (std::size_t i = 1; i + 1 < runs.size(); ++i) {
        ASSERT_TRUE(runs[i] == 4 || runs[i] == 10) << "run " << i << " is " << runs[i];
        (runs[i] == 4 ? narrow : wide) += 1;
    }
    // 7 characters of 9 elements (3 wide) and 6 gaps.
    EXPECT_EQ(wide, 21);
    EXPECT_EQ(narrow, 42 + 6);

    // Interleaved 2 of 5 is drawn with wide elements of 3 modules, so a ratio of 3 changes nothing.
    SymbolOptions itf;
    itf.symbology = BARCODE_C25INTER;
    itf.data = "123456";
    itf.moduleSize = 2;
    const Raster plain = RenderSymbol(itf);
    itf.wideRatio = 3;
    const Raster redrawn = RenderSymbol(itf);
    ASSERT_FALSE(plain.empty());
    EXPECT_EQ(plain.width, redrawn.width);
    EXPECT_EQ(plain.pixels, redrawn.pixels);
}

TEST(RenderSymbol, MatrixSymbolHasSquareModules) {
    SymbolOptions options;
    options.symbology = BARCODE_QRCODE;
    options.data = "HELLO";
    options.moduleSize = 4;
    options.quietZone = 4;
    const Raster modules = EncodeModules(options);
    const Raster r = RenderSymbol(options);
    ASSERT_EQ(modules.width, 21);
    ASSERT_EQ(modules.height, 21);
    ASSERT_EQ(r.width, (21 + 8) * 4);
    ASSERT_EQ(r.height, (21 + 8) * 4);
    for (int y = 0; y < r.height; ++y) {
        for (int x = 0; x < r.width; ++x) {
            const int mx = x / 4 - 4, my = y / 4 - 4;
            const bool inside = mx >= 0 && my >= 0 && mx < 21 && my < 21;
            ASSERT_EQ(r.at(x, y), inside ? modules.at(mx, my) : 255) << x << "," << y;
        }
    }
}

TEST(RenderSymbol, BarHeightOnlyForSingleRowSymbols) {
    SymbolOptions options;
    options.symbology = BARCODE_CODE128;
    options.data = "ABC";
    options.barHeight = 20;
    EXPECT_EQ(EncodeModules(options).height, 20);
    options.barHeight = 0;
    EXPECT_EQ(EncodeModules(options).height, 50);

    options.symbology = BARCODE_PDF417;
    const Raster zintRows = EncodeModules(options);
    options.barHeight = 7;
    EXPECT_EQ(EncodeModules(options).height, zintRows.height);
}

TEST(RenderSymbol, FailuresGiveEmptyRasterAndMessage) {
    SymbolOptions options;
    options.symbology = BARCODE_EANX;
    options.data = "12AB";
    std::string error;
    EXPECT_TRUE(RenderSymbol(options, &error).empty());
    EXPECT_FALSE(error.empty());

    options.symbology = BARCODE_MAXICODE;
    options.data = "HELLO";
    error.clear();
    EXPECT_TRUE(RenderSymbol(options, &error).empty());
    EXPECT_FALSE(error.empty());

    options.symbology = BARCODE_CODE39;
    options.moduleSize = 0;
    EXPECT_TRUE(RenderSymbol(options).empty());
    EXPECT_TRUE(ExpandModules(Raster{}, 3).empty());
}

TEST(PatternModules, DrawsElementWidthsAlternately) {
    const Raster m = PatternModules("1121", 3);
    ASSERT_EQ(m.width, 5);
    ASSERT_EQ(m.height, 3);
    const std::vector<std::uint8_t> row(m.pixels.begin() + 10, m.pixels.end());
    EXPECT_EQ(row, (std::vector<std::uint8_t>{0, 255, 0, 0, 255}));
    EXPECT_TRUE(PatternModules("1021").empty());
    EXPECT_TRUE(PatternModules("11", 0).empty());
    EXPECT_EQ(ExpandModules(m, 2, 3.0, 1).width, 2 + 2 + 6 + 2 + 2 + 2);
}

TEST(Rotation, QuarterTurnsAreExactAndCounterClockwise) {
    const Raster r = Numbered(3, 2);
    const Raster left = RotateQuarter(r, 1);
    ASSERT_EQ(left.width, 2);
    ASSERT_EQ(left.height, 3);
    EXPECT_EQ(left.at(0, 0), r.at(2, 0));  // the top right corner goes to the top left
    EXPECT_EQ(left.at(1, 2), r.at(0, 1));
    EXPECT_EQ(RotateQuarter(left, -1).pixels, r.pixels);
    EXPECT_EQ(RotateQuarter(r, 2).pixels, RotateQuarter(left, 1).pixels);
    EXPECT_EQ(RotateQuarter(r, 3).pixels, RotateQuarter(r, -1).pixels);
    EXPECT_EQ(RotateQuarter(r, 4).pixels, r.pixels);
    EXPECT_EQ(Rotate(r, 90, true).pixels, left.pixels);
    EXPECT_EQ(Rotate(r, -270, false).pixels, left.pixels);
}

TEST(Rotation, AnyAngleTurnsCounterClockwiseIntoBoundingBox) {
    Raster r = Canvas(41, 21);
    Paste(r, Canvas(3, 3, 0), 35, 9);  // a dark square right of the centre
    const Raster turned = Rotate(r, 60, false, 128);
    EXPECT_EQ(turned.width, 39);   // ceil(41 cos 60 + 21 sin 60)
    EXPECT_EQ(turned.height, 47);  // ceil(41 sin 60 + 21 cos 60)
    // The square's centre, 16 pixels right of the centre, goes up and to the right.
    const double cx = turned.width / 2.0 + 16 * 0.5, cy = turned.height / 2.0 - 16 * 0.8660254;
    EXPECT_TRUE(turned.isDark(static_cast<int>(cx), static_cast<int>(cy)));
    EXPECT_EQ(turned.at(0, 0), 128);
    EXPECT_EQ(Rotate(r, 60, true).width, 39);
}

TEST(PictureOps, PasteClipsAndPointOperations) {
    Raster canvas = Canvas(4, 3, 200);
    Paste(canvas, Canvas(3, 3, 0), -1, 2);
    EXPECT_EQ(canvas.pixels,
              (std::vector<std::uint8_t>{200, 200, 200, 200, 200, 200, 200, 200, 0, 0, 200, 200}));
    Paste(canvas, Canvas(3, 3, 0), 10, 10);  // entirely outside: nothing changes
    EXPECT_EQ(canvas.at(3, 2), 200);

    EXPECT_EQ(Invert(canvas).at(0, 2), 255);
    const Raster low = Remap(canvas, 100, 150);
    EXPECT_EQ(low.at(0, 2), 100);
    EXPECT_EQ(low.at(0, 0), 139);  // 100 + 50 * 200 / 255
    EXPECT_EQ(Scale(Numbered(4, 2), 0.5, 1.0, false).width, 2);
    const Raster big = Scale(canvas, 2.0, 2.0, true);
    EXPECT_EQ(big.at(0, 5), 0);
    EXPECT_EQ(big.at(7, 5), 200);
}

TEST(PictureOps, BlurAndNoiseAreReproducible) {
    Raster r = Canvas(20, 10, 255);
    Paste(r, Canvas(10, 10, 0), 0, 0);
    const Raster blurred = Blur(r, 1.5);
    EXPECT_EQ(blurred.at(0, 5), 0);
    EXPECT_EQ(blurred.at(19, 5), 255);
    EXPECT_GT(blurred.at(9, 5), 0);
    EXPECT_LT(blurred.at(9, 5), 255);
    EXPECT_EQ(Blur(r, 0).pixels, r.pixels);

    const Raster grey = Canvas(64, 64, 128);
    const Raster a = AddNoise(grey, 20, 7);
    EXPECT_EQ(a.pixels, AddNoise(grey, 20, 7).pixels);
    EXPECT_NE(a.pixels, AddNoise(grey, 20, 8).pixels);
    for (std::uint8_t p : a.pixels) ASSERT_TRUE(p >= 108 && p <= 148);
}

TEST(ToDib, EightBitHeaderPaletteAndBottomUpRows) {
    const Raster r = Numbered(5, 3);
    const std::vector<std::uint8_t> dib = ToDib(r, 8, 300);
    const std::size_t pitch = 8, bits = 40 + 1024;
    ASSERT_EQ(dib.size(), bits + 3 * pitch);
    EXPECT_EQ(Read32(dib, 0), 40u);
    EXPECT_EQ(Read32(dib, 4), 5u);
    EXPECT_EQ(Read32(dib, 8), 3u);
    EXPECT_EQ(Read32(dib, 12), 1u | 8u << 16);  // planes, bit count
    EXPECT_EQ(Read32(dib, 16), 0u);
    EXPECT_EQ(Read32(dib, 20), 3 * pitch);
    EXPECT_EQ(Read32(dib, 24), 11811u);
    EXPECT_EQ(Read32(dib, 28), 11811u);
    EXPECT_EQ(Read32(dib, 32), 256u);
    EXPECT_EQ(Read32(dib, 36), 256u);
    EXPECT_EQ(Read32(dib, 40 + 4 * 77), 77u | 77u << 8 | 77u << 16);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) EXPECT_EQ(dib[bits + (2 - y) * pitch + x], r.at(x, y));
    }
    EXPECT_EQ(Read32(ToDib(r, 8), 24), 0u);
    EXPECT_TRUE(ToDib(r, 4).empty());
    EXPECT_TRUE(ToDib(Raster{}, 8).empty());
}

TEST(ToDib, TwentyFourBitGreyTriples) {
    const Raster r = Numbered(2, 2);
    const std::vector<std::uint8_t> dib = ToDib(r, 24);
    ASSERT_EQ(dib.size(), 40u + 2 * 8);
    EXPECT_EQ(Read32(dib, 32), 0u);
    const std::uint8_t *top = dib.data() + 40 + 8;  // the second stored row
    EXPECT_EQ(
        std::vector<std::uint8_t>(top, top + 6),
        (std::vector<std::uint8_t>{r.at(0, 0), r.at(0, 0), r.at(0, 0), r.at(1, 0), r.at(1, 0), r.at(1, 0)}));
}

TEST(ToDib, OneBitMostSignificantFirstInBothPolarities) {
    Raster r = Canvas(9, 2, 255);
    r.at(0, 0) = 0;
    r.at(8, 0) = 127;  // dark: below the threshold
    r.at(1, 1) = 128;  // light
    const std::vector<std::uint8_t> dark0 = ToDib(r, 1);
    ASSERT_EQ(dark0.size(), 40u + 8 + 2 * 4);
    EXPECT_EQ(Read32(dark0, 32), 2u);
    EXPECT_EQ(Read32(dark0, 40), 0u);
    EXPECT_EQ(Read32(dark0, 44), 0xFFFFFFu);
    const std::uint8_t *top = dark0.data() + 48 + 4;
    EXPECT_EQ(top[0], 0x7F);
    EXPECT_EQ(top[1], 0x00);  // pixel 8 dark, padding bits zero
    EXPECT_EQ(dark0[48], 0xFF);

    const std::vector<std::uint8_t> dark1 = ToDib(r, 1, 0, false);
    EXPECT_EQ(Read32(dark1, 40), 0xFFFFFFu);
    EXPECT_EQ(Read32(dark1, 44), 0u);
    EXPECT_EQ(dark1[52], 0x80);
    EXPECT_EQ(dark1[53], 0x80);
    EXPECT_EQ(dark1[48], 0x00);
}

}  // namespace
}  // namespace zr::test
