// The strict finder profile and the finder's corners from its outline.
#include <gtest/gtest.h>

#include <cmath>

#include "micro_picture.hpp"
#include "microqr/candidate.hpp"

namespace {

using namespace zr::microqr;
using zr::geom::Distance;
using zr::geom::PointF;
using zr::test::MicroSymbol;
using zr::test::Picture;

zr::lines::RunScan Profile(std::vector<std::uint16_t> widths) {
    zr::lines::RunScan scan;
    scan.elements = static_cast<std::int16_t>(widths.size());
    scan.widths = std::move(widths);
    return scan;
}

TEST(FinderRatio, EveryRunMustLieInItsBand) {
    EXPECT_TRUE(CheckFinderRatioStrict(Profile({1, 1, 3, 1, 1})));
    EXPECT_TRUE(CheckFinderRatioStrict(Profile({4, 5, 12, 4, 3})));
    // The QR reader tolerates one run outside its band; this test does not.
    EXPECT_FALSE(CheckFinderRatioStrict(Profile({1, 1, 3, 1, 3})));
    EXPECT_FALSE(CheckFinderRatioStrict(Profile({2, 2, 1, 2, 2})));
    EXPECT_FALSE(CheckFinderRatioStrict(Profile({1, 1, 3, 1})));
    EXPECT_FALSE(CheckFinderRatioStrict(Profile({1, 1, 3, 1, 1, 1})));
    // An element count that disagrees with the widths is refused, not read past.
    zr::lines::RunScan bad = Profile({1, 1, 3});
    bad.elements = 5;
    EXPECT_FALSE(CheckFinderRatioStrict(bad));
}

// Labels the picture as the reader does and returns the regions.
zr::regions::RegionList Label(Picture &picture) {
    zr::regions::RegionSearch search({0, 0, picture.Image().width - 1, picture.Image().height - 1});
    search.minWidth = search.minHeight = 7;
    search.minDensity = 0.2;
    search.maxDensity = 0.8;
    search.traceOutlines = true;
    zr::regions::LabelRegions(picture.Image(), search);
    return search.regions;
}

// The region whose bounding box holds the point.
const zr::regions::Region *RegionAt(const zr::regions::RegionList &regions, PointF p) {
    for (const auto &r : regions)
        if (p.x >= r.box.x0 && p.x < r.box.x1 && p.y >= r.box.y0 && p.y < r.box.y1) return &r;
    return nullptr;
}

TEST(FinderCorners, UprightFinderGivesItsOutlineCorners) {
    const MicroSymbol s{"FINDER", 3, 0, 0, 5, 4};
    Picture picture(zr::test::RenderMicro(s));
    const auto regions = Label(picture);
    const int q = 20;
    const auto *region = RegionAt(regions, {q + 17.5, q + 17.5});
    ASSERT_NE(region, nullptr);
    MicroQRCandidate c;
    zr::edges::FitWork work;
    ASSERT_TRUE(LocateFinderCorners(*region, c, work));
    const auto expected = zr::test::FinderAt(q, q, 5);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(c.finder[i].x, expected[i].x, 0.5) << i;
        EXPECT_NEAR(c.finder[i].y, expected[i].y, 0.5) << i;
    }
}

TEST(FinderCorners, TurnedFinderIsASquareOfSevenModules) {
    const MicroSymbol s{"ANGLE", 2, 0, 0, 6, 4};
    for (const double degrees : {10.0, 25.0, 33.0, -20.0, 160.0}) {
        Picture picture(zr::test::Rotate(zr::test::RenderMicro(s), degrees, true));
        const auto regions = Label(picture);
        int located = 0;
        for (const auto &region : regions) {
            MicroQRCandidate c;
            zr::edges::FitWork work;
            if (region.Width() < 30 || !LocateFinderCorners(region, c, work)) continue;
            ++located;
            const auto &f = c.finder;
            for (int i = 0; i < 4; ++i) EXPECT_NEAR(Distance(f[i], f[(i + 1) % 4]), 42.0, 3.0) << degrees;
            EXPECT_NEAR(Distance(f.topLeft, f.bottomRight), Distance(f.topRight, f.bottomLeft), 3.0);
            // On the outer pixel edges every side measures the whole seven modules.
            MicroQRCandidate outer;
            ASSERT_TRUE(LocateFinderCorners(region, outer, work, true));
            const auto &g = outer.finder;
            for (int i = 0; i < 4; ++i) EXPECT_NEAR(Distance(g[i], g[(i + 1) % 4]), 42.0, 1.0) << degrees;
            EXPECT_TRUE(outer.outerEdges);
        }
        EXPECT_EQ(located, 1) << degrees;
    }
}

TEST(FinderBloat, WidenedDarkModulesAreMeasuredAndTakenOff) {
    const MicroSymbol s{"BLOAT", 4, 0, 0, 6, 4};
    Picture picture(zr::test::Dilate(zr::test::RenderMicro(s), 1));
    const auto regions = Label(picture);
    const int q = 24;
    const auto *region = RegionAt(regions, {q + 21.0, q + 21.0});
    ASSERT_NE(region, nullptr);
    zr::lines::RunScan scan;
    zr::lines::RunBufferInit(scan, zr::lines::kLeftToRight);
    EXPECT_NEAR(MeasureFinderBloat(picture.View(), *region, scan), 1.0, 0.2);
    MicroQRCandidate c;
    zr::edges::FitWork work;
    ASSERT_TRUE(LocateFinderCorners(*region, c, work));
    ShrinkFinder(c, 1.0);
    const auto expected = zr::test::FinderAt(q, q, 6);
    for (int i = 0; i < 4; ++i) {
        // The outline's last pixel on the far sides stands one pixel inside the edge.
        EXPECT_NEAR(c.finder[i].x, expected[i].x, 1.0) << i;
        EXPECT_NEAR(c.finder[i].y, expected[i].y, 1.0) << i;
    }
}

TEST(FinderCorners, DiamondCornersOfAFinderAtFortyFiveDegrees) {
    const MicroSymbol s{"DIA", 2, 0, 0, 6, 4};
    Picture upright(zr::test::RenderMicro(s));
    const auto uprightRegions = Label(upright);
    const auto *square = RegionAt(uprightRegions, {24 + 21.0, 24 + 21.0});
    ASSERT_NE(square, nullptr);
    MicroQRCandidate c;
    EXPECT_FALSE(DiamondFinderCorners(*square, c));

    Picture turned(zr::test::Rotate(zr::test::RenderMicro(s), 45.0, true));
    int located = 0;
    for (const auto &region : Label(turned)) {
        if (region.Width() < 50 || !DiamondFinderCorners(region, c)) continue;
        ++located;
        const auto &f = c.finder;
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(Distance(f[i], f[(i + 1) % 4]), 42.0, 2.0) << i;
        EXPECT_LT(f.topLeft.x, f.topRight.x);  // left corner first, then clockwise
        EXPECT_LT(f.topRight.y, f.bottomRight.y);
        EXPECT_TRUE(c.outerEdges);
    }
    EXPECT_EQ(located, 1);
}

TEST(FinderCorners, BoxCornersOfAnUprightFinderIgnoreSpecksOnItsSides) {
    const MicroSymbol s{"BOX", 2, 0, 0, 6, 4};
    zr::test::Raster r = zr::test::RenderMicro(s);
    for (int y = 30; y < 33; ++y)
        for (int x = 20; x < 24; ++x) r.at(x, y) = 0;  // a speck joined to the left side
    Picture picture(r);
    const auto regions = Label(picture);
    const auto *finder = RegionAt(regions, {45, 45});
    ASSERT_NE(finder, nullptr);
    MicroQRCandidate c;
    std::vector<std::int32_t> scratch;
    ASSERT_TRUE(BoxFinderCorners(*finder, c, scratch));
    const double q = 24, side = 42;
    const zr::geom::QuadF expected{{q, q}, {q + side, q}, {q + side, q + side}, {q, q + side}};
    EXPECT_EQ(c.finder, expected);
    EXPECT_TRUE(c.outerEdges);

    Picture turned(zr::test::Rotate(zr::test::RenderMicro(s), 30.0, true));
    for (const auto &region : Label(turned)) {
        if (region.Width() > 40) {
            EXPECT_FALSE(BoxFinderCorners(region, c, scratch));
        }
    }
}

TEST(FinderCorners, RegionWithoutOutlineHasNoCorners) {
    zr::regions::Region region;
    region.box = {0, 0, 21, 21};
    MicroQRCandidate c;
    zr::edges::FitWork work;
    EXPECT_FALSE(LocateFinderCorners(region, c, work));
}

}  // namespace
