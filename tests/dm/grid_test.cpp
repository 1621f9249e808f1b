// Location, border tests, sampling and the stepped lines, on pictures whose
// geometry is known.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/grey.hpp"
#include "core/image.hpp"
#include "dm/grid.hpp"
#include "dm/stages.hpp"
#include "reader_test_util.hpp"

namespace zr::dm {
namespace {

using test::Raster;

// A bi-level working image of a test picture, as the reader makes it.
struct WorkPicture {
    std::vector<std::uint8_t> dib;
    ZrImage image{};
    explicit WorkPicture(const Raster &r) : dib(zr::test::ToDib(r, 8)) {
        EXPECT_EQ(ImageFromDib(&image, dib.data()), 0);
        EXPECT_EQ(ImageToMono(&image), 0);
    }
    ~WorkPicture() { ImageDestroy(&image); }
    WorkPicture(const WorkPicture &) = delete;
    WorkPicture &operator=(const WorkPicture &) = delete;
    BitImageView View() const { return BitImageView(image); }
};

// The labelled regions of a picture, with the reader's limits.
regions::RegionList Regions(WorkPicture &picture) {
    regions::RegionSearch search({0, 0, picture.image.width - 1, picture.image.height - 1});
    search.minWidth = search.minHeight = 33;
    search.minDensity = 0.1;
    search.maxDensity = 0.85;
    search.traceOutlines = true;
    regions::LabelRegions(picture.image, search);
    return search.regions;
}

// Corners of an upright symbol drawn at `m` pixels per module from (x0, y0):
// the outermost pixels, and P1 one pixel up and right as location gives it.
QuadF UprightCorners(const DMSize &size, int m, int x0, int y0) {
    const double right = x0 + size.columns * m - 1, bottom = y0 + size.rows * m - 1;
    return {{static_cast<double>(x0), static_cast<double>(y0)},
            {right + 1, y0 - 1.0},
            {right, bottom},
            {static_cast<double>(x0), bottom}};
}

TEST(Location, OrientationAndCornersUnderTheFourQuarterTurns) {
    const DMSize &size = *test::FindSize(16, 16);
    const Raster upright = test::RenderDm("ROTATE ME", size, 4, 5);  // symbol at 20 .. 83
    // Finder corner in the picture and the orientation expected for it.
    const struct {
        int turns;
        std::uint8_t orientation;
        double cornerX, cornerY, p0x, p0y;
    } cases[] = {
        {0, 1, 20, 83, 20, 20},  // upright: finder corner bottom-left, P0 top-left
        {1, 0, 83, 83, 20, 83},  // a quarter turn: finder corner bottom-right, P0 bottom-left
        {2, 3, 83, 20, 83, 83},  // half a turn: finder corner top-right
        {3, 2, 20, 20, 83, 20},  // three quarters: finder corner top-left
    };
    for (const auto &c : cases) {
        WorkPicture picture(zr::test::RotateQuarter(upright, c.turns));
        const regions::RegionList regions = Regions(picture);
        ASSERT_EQ(regions.size(), 1u);
        ScanWork work;
        ASSERT_TRUE(FitRegionSides(regions[0], work.sides, work.fit));
        int located = 0;
        for (int h = 0; h < kHypothesisCount; ++h) {
            work.symbol = DMSymbol{};
            if (!LocateSymbol(work.sides, h, work.symbol)) continue;
            if (!TrySizes(picture.View(), work)) continue;
            ++located;
            EXPECT_EQ(work.symbol.orientation, c.orientation) << c.turns;
            EXPECT_NEAR(work.symbol.corners.bottomLeft.x, c.cornerX, 1) << c.turns;
            EXPECT_NEAR(work.symbol.corners.bottomLeft.y, c.cornerY, 1) << c.turns;
            EXPECT_NEAR(work.symbol.corners.topLeft.x, c.p0x, 1) << c.turns;
            EXPECT_NEAR(work.symbol.corners.topLeft.y, c.p0y, 1) << c.turns;
            EXPECT_STREQ(work.symbol.text.data(), "ROTATE ME");
        }
        EXPECT_EQ(located, 1) << c.turns;
    }
}

TEST(Location, UprightP1IsMovedOnePixelUpAndRight) {
    const DMSize &size = *test::FindSize(12, 12);
    WorkPicture picture(test::RenderDm("12345", size, 4, 5));
    const regions::RegionList regions = Regions(picture);
    ASSERT_EQ(regions.size(), 1u);
    ScanWork work;
    ASSERT_TRUE(FitRegionSides(regions[0], work.sides, work.fit));
    ASSERT_TRUE(LocateSymbol(work.sides, kLeftBottom, work.symbol));
    const QuadF &p = work.symbol.corners;
    EXPECT_EQ(work.symbol.orientation, 1);
    EXPECT_DOUBLE_EQ(p.topRight.x, p.topLeft.x + p.bottomRight.x - p.bottomLeft.x + 1);
    EXPECT_DOUBLE_EQ(p.topRight.y, p.topLeft.y + p.bottomRight.y - p.bottomLeft.y - 1);
}

// A 16 x 36 rectangle: the 12 x 36 size before it in the table shares its
// columns, so its border passes too and the table walk samples and corrects
// it first. The walk by fewest border misses decodes the true size, and
// every size the walk reads is the one the table walk reads.
TEST(Location, FewestBorderMissesFirstReadsTheTrueSize) {
    const DMSize &size = *test::FindSize(16, 36);
    const DMSize &shorter = *test::FindSize(12, 36);
    ASSERT_LT(&shorter, &size);  // the wrong size comes first in the table
    WorkPicture picture(test::RenderDm("FEWEST MISSES FIRST", size, 4, 5));
    const regions::RegionList regions = Regions(picture);
    ASSERT_EQ(regions.size(), 1u);
    ScanWork work;
    ASSERT_TRUE(FitRegionSides(regions[0], work.sides, work.fit));
    ASSERT_TRUE(LocateSymbol(work.sides, kLeftBottom, work.symbol));
    int trueMisses = 0, shorterMisses = 0;
    ASSERT_TRUE(CheckSizeBorder(picture.View(), work.symbol.corners, size, &trueMisses));
    ASSERT_TRUE(CheckSizeBorder(picture.View(), work.symbol.corners, shorter, &shorterMisses));
    EXPECT_LT(trueMisses, shorterMisses);
    const auto *first = kDMSizeTable.data(), *last = kDMSizeTable.data() + kDMSizeTable.size();
    ASSERT_TRUE(TrySizesFewestMissesFirst(picture.View(), work, first, last));
    EXPECT_EQ(work.symbol.rows, 16);
    EXPECT_EQ(work.symbol.columns, 36);
    EXPECT_STREQ(work.symbol.text.data(), "FEWEST MISSES FIRST");
    // Under the hypotheses that are no finder, neither walk reads anything.
    for (int h = 0; h < kHypothesisCount; ++h) {
        work.symbol = DMSymbol{};
        if (!LocateSymbol(work.sides, h, work.symbol)) continue;
        const bool table = TrySizes(picture.View(), work, first, last);
        const int tableRows = work.symbol.rows;
        work.symbol.ClearLocation();
        ASSERT_TRUE(LocateSymbol(work.sides, h, work.symbol));
        EXPECT_EQ(TrySizesFewestMissesFirst(picture.View(), work, first, last), table) << h;
        if (table) {
            EXPECT_EQ(work.symbol.rows, tableRows) << h;
        }
    }
}

TEST(Location, ASquareFrameGivesCornersUnderEveryHypothesisButNoSize) {
    Raster frame = zr::test::Canvas(120, 120);
    for (int i = 20; i < 100; ++i)
        for (int w = 0; w < 3; ++w) {
            frame.at(i, 20 + w) = frame.at(i, 97 + w) = 0;
            frame.at(20 + w, i) = frame.at(97 + w, i) = 0;
        }
    WorkPicture picture(frame);
    const regions::RegionList regions = Regions(picture);
    ASSERT_EQ(regions.size(), 1u);
    ScanWork work;
    ASSERT_TRUE(FitRegionSides(regions[0], work.sides, work.fit));
    for (int h = 0; h < kHypothesisCount; ++h) {
        work.symbol = DMSymbol{};
        EXPECT_TRUE(LocateSymbol(work.sides, h, work.symbol)) << h;
        geom::ClampCorners(work.symbol.corners, 120, 120);
        EXPECT_FALSE(TrySizes(picture.View(), work)) << h;
    }
}

TEST(Location, RegionsWithoutOutlinesOrWithOddExtentsAreRefused) {
    regions::Region region;
    RegionSides sides;
    edges::FitWork work;
    EXPECT_FALSE(FitRegionSides(region, sides, work));
    region.rowLeft = {5, 5, 5};
    region.rowRight = {9, 9};
    region.colTop = {1};
    region.colBottom = {3};
    EXPECT_FALSE(FitRegionSides(region, sides, work));
    DMSymbol symbol;
    EXPECT_FALSE(LocateSymbol(sides, 7, symbol));
}

TEST(Grid, ModuleCentresOfAnUprightSquare) {
    const QuadF p{{0, 0}, {100, 0}, {100, 50}, {0, 50}};
    const QuadF q = ModuleCentres(p, 10, 5);
    EXPECT_DOUBLE_EQ(q.topLeft.x, 5);
    EXPECT_DOUBLE_EQ(q.topLeft.y, 5);
    EXPECT_DOUBLE_EQ(q.topRight.x, 95);
    EXPECT_DOUBLE_EQ(q.bottomRight.y, 45);
    EXPECT_DOUBLE_EQ(q.bottomLeft.x, 5);
}

TEST(Grid, TheModuleSizeGateRefusesLargerSizes) {
    // A 10 x 10 symbol with 40-pixel sides: squares above 20 x 20 are refused
    // before their border is read, and the symbol decodes as 10 x 10.
    const DMSize &size = *test::FindSize(10, 10);
    WorkPicture picture(test::RenderDm("123456", size, 4, 5));
    ScanWork work;
    work.symbol.corners = UprightCorners(size, 4, 20, 20);
    work.symbol.hEdge.length = work.symbol.vEdge.length = 40;
    ASSERT_TRUE(TrySizes(picture.View(), work));
    EXPECT_EQ(work.symbol.rows, 10);
    EXPECT_STREQ(work.symbol.text.data(), "123456");
    // Sides of 19 pixels are too short for every size.
    work.symbol.hEdge.length = work.symbol.vEdge.length = 19;
    EXPECT_FALSE(TrySizes(picture.View(), work));
}

TEST(Grid, BorderTestsFollowTheRegionLayout) {
    for (int n : {12, 36, 64, 144}) {
        const DMSize &size = *test::FindSize(n, n);
        const int m = 3;
        WorkPicture picture(test::RenderDm(test::FillerFor(size), size, m, 5));
        const QuadF p = UprightCorners(size, m, 5 * m, 5 * m);
        EXPECT_TRUE(CheckSizeBorder(picture.View(), p, size)) << n;
        // A quarter turn of the corners puts the finder where the timing is.
        const QuadF turned{p.topRight, p.bottomRight, p.bottomLeft, p.topLeft};
        EXPECT_FALSE(CheckSizeBorder(picture.View(), turned, size)) << n;
    }
}

TEST(Grid, SamplingCountsDarkAndLightAndChecksTheBalance) {
    Raster r = zr::test::Canvas(60, 60);
    WorkPicture light(r);
    std::vector<std::uint8_t> out(100, 7);
    const QuadF q{{5, 5}, {50, 5}, {50, 50}, {5, 50}};
    EXPECT_FALSE(SampleRegion(light.View(), q, 12, 12, out.data(), 10));
    EXPECT_EQ(out[0], 0);
    // Half dark: the left half of the picture.
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 28; ++x) r.at(x, y) = 0;
    WorkPicture half(r);
    EXPECT_TRUE(SampleRegion(half.View(), q, 12, 12, out.data(), 10));
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[9], 0);
    // Samples outside the picture are light, never read.
    const QuadF outside{{-500, -500}, {500, -500}, {500, 500}, {-500, 500}};
    EXPECT_FALSE(SampleRegion(half.View(), outside, 12, 12, out.data(), 10));
    EXPECT_EQ(CountDarkAlong(half.View(), {-50, 10}, {-10, 10}, 5), 0);
    EXPECT_EQ(CountAlternatingAlong(half.View(), {-50, 10}, {-10, 10}, 5), 0);
}

// The border test stops counting once too many samples miss; it must decide
// exactly as the full count of its four sides does. Drawn borders (finder
// left and bottom, timing top and right) with speckle, seen through corners
// and module counts a little off, land on both sides of the 80 % line.
TEST(Grid, TheBorderTestDecidesAsTheFullCount) {
    std::mt19937 random(5);
    int passed = 0, failed = 0;
    for (int picture = 0; picture < 16; ++picture) {
        const int columns = 8 + 2 * static_cast<int>(random() % 8),
                  rows = 8 + 2 * static_cast<int>(random() % 8);
        constexpr int kModule = 3, kMargin = 10;
        Raster r = zr::test::Canvas(columns * kModule + 2 * kMargin, rows * kModule + 2 * kMargin, 255);
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                const bool dark = column == 0 || row == rows - 1 || (row == 0 && column % 2 == 0) ||
                                  (column == columns - 1 && (rows - 1 - row) % 2 == 0);
                for (int y = 0; y < kModule; ++y)
                    for (int x = 0; x < kModule; ++x)
                        r.at(kMargin + column * kModule + x, kMargin + row * kModule + y) = dark ? 0 : 255;
            }
        }
        const unsigned speckle = static_cast<unsigned>(picture % 4) * 8;  // per cent of pixels flipped
        for (std::uint8_t &pixel : r.pixels)
            if (random() % 100 < speckle) pixel = static_cast<std::uint8_t>(255 - pixel);
        WorkPicture work(r);
        const BitImageView view = work.View();
        const double x0 = kMargin, y0 = kMargin;
        const double x1 = kMargin + columns * kModule - 1.0, y1 = kMargin + rows * kModule - 1.0;
        std::uniform_real_distribution<double> jitter(-2, 2);
        for (int trial = 0; trial < 200; ++trial) {
            const QuadF p{{x0 + jitter(random), y0 + jitter(random)},
                          {x1 + jitter(random), y0 + jitter(random)},
                          {x1 + jitter(random), y1 + jitter(random)},
                          {x0 + jitter(random), y1 + jitter(random)}};
            const int c = columns + static_cast<int>(random() % 3) - 1,
                      n = rows + static_cast<int>(random() % 3) - 1;
            const QuadF q = ModuleCentres(p, c, n);
            const int agree = CountDarkAlong(view, q.topLeft, q.bottomLeft, n) +
                              CountDarkAlong(view, q.bottomLeft, q.bottomRight, c) +
                              CountAlternatingAlong(view, q.topLeft, q.topRight, c) +
                              CountAlternatingAlong(view, q.bottomRight, q.topRight, n);
            const bool expected = agree > static_cast<int>(std::trunc(1.6 * (c + n) + 0.5));
            ASSERT_EQ(CheckRegionBorder(view, p, c, n), expected) << picture << " " << trial;
            ++(expected ? passed : failed);
        }
    }
    EXPECT_GT(passed, 100);
    EXPECT_GT(failed, 100);
}

TEST(Directions, LineAngleAndMeans) {
    EXPECT_EQ(LineAngle({0, 0}, {0, 10}), 270);
    EXPECT_EQ(LineAngle({0, 10}, {0, 0}), 90);
    EXPECT_EQ(LineAngle({0, 0}, {10, 0}), 0);
    EXPECT_EQ(LineAngle({10, 0}, {0, 0}), 180);
    EXPECT_NEAR(LineAngle({0, 0}, {10, -10}), 45 * 3.14159265358979 / 3.14, 1e-9);  // degrees with pi as 3.14
    const double a = LineAngle({0, 0}, {10, 10});
    EXPECT_GT(a, 270);
    EXPECT_LT(a, 360);
    // The mean of directions either side of 0 is near 0, not 180.
    EXPECT_NEAR(MeanAngle(359, 1), 0, 1e-9);
    EXPECT_NEAR(MeanAngle(1, 359), 0, 1e-9);
    EXPECT_NEAR(MeanAngle(80, 100), 90, 1e-9);
    EXPECT_NEAR(MeanAngle(350, 20), 5, 1e-9);
}

TEST(Directions, StepPatternsAndTransitions) {
    Steps steps{};
    StepPattern(0, steps);
    for (auto code : steps) ASSERT_EQ(code, 0);
    StepPattern(45, steps);
    for (auto code : steps) ASSERT_EQ(code, 7);  // right and up
    StepPattern(270, steps);
    for (auto code : steps) ASSERT_EQ(code, 2);  // down
    StepPattern(30, steps);
    int diagonal = 0;
    for (auto code : steps) diagonal += code == 7 ? 1 : 0;
    EXPECT_NEAR(diagonal, 200 * std::tan(30 * 3.1415926 / 180), 1.5);

    // Stripes of 4 pixels across x: 5 changes over 24 pixels from x = 2.
    Raster r = zr::test::Canvas(40, 10);
    for (int x = 0; x < 40; ++x)
        if ((x / 4) % 2 == 0)
            for (int y = 0; y < 10; ++y) r.at(x, y) = 0;
    WorkPicture picture(r);
    StepPattern(0, steps);
    EXPECT_EQ(CountTransitions(picture.View(), steps, {2, 5}, {26, 5}), 6);
    // Along a stripe there is none; off the picture everything is light.
    StepPattern(270, steps);
    EXPECT_EQ(CountTransitions(picture.View(), steps, {1, 1}, {1, 8}), 0);
    EXPECT_EQ(CountTransitions(picture.View(), steps, {-20, -20}, {-20, 100}), 0);
}

TEST(Directions, RefiningABoundaryFindsTheLastTimingLine) {
    // A dotted column (x = 30 .. 32) next to a solid one (x = 33 .. 35), both
    // 3 pixels wide, with 3-pixel dots.
    Raster r = zr::test::Canvas(70, 70);
    for (int y = 5; y < 65; ++y) {
        for (int x = 33; x < 36; ++x) r.at(x, y) = 0;
        if ((y / 3) % 2 == 0)
            for (int x = 30; x < 33; ++x) r.at(x, y) = 0;
    }
    WorkPicture picture(r);
    Steps down{}, right{};
    StepPattern(270, down);
    StepPattern(0, right);
    PointF a{31, 5}, b{31, 64};
    RefineBoundaryLine(picture.View(), a, b, down, right, 3);
    EXPECT_EQ(a.x, 32);
    EXPECT_EQ(b.x, 32);
    EXPECT_EQ(a.y, 5);
    // Nothing to find: the segment stays.
    PointF c{60, 5}, d{60, 64};
    RefineBoundaryLine(picture.View(), c, d, down, right, 3);
    EXPECT_EQ(c.x, 60);
    // A reach past the 200 steps of a pattern wraps round the pattern.
    PointF e{31, 5}, f{31, 64};
    RefineBoundaryLine(picture.View(), e, f, down, right, 250);
    EXPECT_TRUE(std::isfinite(e.x));
}

}  // namespace
}  // namespace zr::dm
