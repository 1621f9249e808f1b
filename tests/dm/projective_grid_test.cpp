// The second look's grid through one perspective map, on symbols warped onto
// known corners: the border agreement tells the true corners and size, the
// fit finds them from the parallelogram's far corner, and sampling through
// the map gives the symbol's mapping matrix across its alignment lines.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/image.hpp"
#include "core/prepare.hpp"
#include "dm/border_misses.hpp"
#include "dm/far_corner.hpp"
#include "dm/projective_grid.hpp"
#include "reader_test_util.hpp"
#include "support/warp.hpp"

namespace zr::dm {
namespace {

using geom::PointF;
using geom::QuadF;
using test::Raster;

constexpr int kModule = 4;
constexpr int kQuiet = 8;

// A symbol warped so that its outer corners land on `corners` (upright
// reading frame), and those corners in the sampling's pixel convention.
struct Warped {
    Raster picture;
    QuadF corners;
};

Warped WarpSymbol(const std::string &data, const DMSize &size, const QuadF &corners) {
    const Raster symbol = test::RenderDm(data, size, kModule, kQuiet);
    // The rendered picture's corners placed so that the symbol's land on `corners`.
    const double q = kQuiet * kModule, w = size.columns * kModule, h = size.rows * kModule;
    const QuadF symbolInSource{{q, q}, {q + w, q}, {q + w, q + h}, {q, q + h}};
    const QuadF source{{0, 0},
                       {static_cast<double>(symbol.width), 0},
                       {static_cast<double>(symbol.width), static_cast<double>(symbol.height)},
                       {0, static_cast<double>(symbol.height)}};
    const auto forward = geom::Perspective::QuadToQuad(symbolInSource, corners);
    QuadF pictureCorners;
    for (int i = 0; i < QuadF::kCorners; ++i) pictureCorners[i] = forward->Map(source[i]);
    Warped out;
    out.picture = zr::test::WarpToQuad(symbol, pictureCorners, 400, 400);
    // The warp samples pixel x at x + 0.5; the grid rounds to the nearest index.
    for (int i = 0; i < QuadF::kCorners; ++i) out.corners[i] = corners[i] - PointF{0.5, 0.5};
    return out;
}

// A 2 x 2 region symbol whose top-right corner is pulled well in.
const QuadF kSlanted{{70, 70}, {315, 85}, {320, 320}, {60, 320}};

struct View {
    explicit View(const Raster &picture) : dib(zr::test::ToDib(picture, 8)) {
        EXPECT_EQ(DibToBiLevel(&image, dib.data()), 0);
    }
    ~View() { ImageDestroy(&image); }
    BitImageView Get() const { return BitImageView(image); }
    std::vector<std::uint8_t> dib;
    ZrImage image{};
};

TEST(ProjectiveGrid, BorderAgreementTellsTheTrueCornersAndSize) {
    const DMSize &size = *test::FindSize(40, 40);
    const Warped warped = WarpSymbol(test::FillerFor(size), size, kSlanted);
    const View view(warped.picture);
    const double agreement = BorderAgreement(view.Get(), warped.corners, size);
    EXPECT_GE(agreement, 0.97);
    // The neighbouring sizes and a far corner two to three modules off fit far worse.
    EXPECT_LT(BorderAgreement(view.Get(), warped.corners, *test::FindSize(36, 36)), 0.85);
    EXPECT_LT(BorderAgreement(view.Get(), warped.corners, *test::FindSize(44, 44)), 0.85);
    QuadF off = warped.corners;
    off.topRight += PointF{12, -10};
    EXPECT_LT(BorderAgreement(view.Get(), off, size), agreement - 0.1);
    // Degenerate corners have no map and no agreement.
    const QuadF flat{{10, 10}, {20, 10}, {30, 10}, {40, 10}};
    EXPECT_EQ(BorderAgreement(view.Get(), flat, size), 0);
}

TEST(ProjectiveGrid, FitFindsTheFarCornerFromTheParallelogram) {
    for (const DMSize *size : {test::FindSize(40, 40), test::FindSize(22, 22), test::FindSize(16, 48)}) {
        const Warped warped = WarpSymbol(test::FillerFor(*size), *size, kSlanted);
        const View view(warped.picture);
        QuadF corners = warped.corners;
        // What the finder's sides give: the far corner completing a parallelogram.
        corners.topRight = corners.topLeft + corners.bottomRight - corners.bottomLeft;
        ASSERT_LT(BorderAgreement(view.Get(), corners, *size), 0.85);
        const double agreement = FitCornersToBorder(view.Get(), corners, *size, 0, 3);
        EXPECT_GE(agreement, 0.97) << size->rows << "x" << size->columns;
        // The agreement returned is that of the corners returned.
        EXPECT_EQ(agreement, BorderAgreement(view.Get(), corners, *size));
        QuadF coarseOnly = warped.corners;
        coarseOnly.topRight = coarseOnly.topLeft + coarseOnly.bottomRight - coarseOnly.bottomLeft;
        const double coarseAgreement = FitCornersToBorder(view.Get(), coarseOnly, *size, 0, 1);
        EXPECT_EQ(coarseAgreement, BorderAgreement(view.Get(), coarseOnly, *size));
        const double module = geom::Distance(warped.corners.topLeft, warped.corners.topRight) / size->columns;
        EXPECT_LT(geom::Distance(corners.topRight, warped.corners.topRight), module)
            << size->rows << "x" << size->columns;
    }
}

TEST(ProjectiveGrid, SamplesTheMappingMatrixAcrossAlignmentLines) {
    for (const DMSize *size : {test::FindSize(40, 40), test::FindSize(64, 64), test::FindSize(16, 48)}) {
        const std::string data = test::FillerFor(*size);
        const Warped warped = WarpSymbol(data, *size, kSlanted);
        const View view(warped.picture);
        const std::vector<std::uint8_t> expected = test::MappingMatrixOf(test::DmModules(data, *size), *size);
        for (const GridRefinement refinement :
             {GridRefinement::kNone, GridRefinement::kPerRegion, GridRefinement::kTiming}) {
            std::vector<std::uint8_t> matrix(expected.size(), 2);
            ASSERT_TRUE(SampleProjective(view.Get(), warped.corners, *size, refinement, matrix.data()));
            EXPECT_EQ(matrix, expected)
                << size->rows << "x" << size->columns << " refinement " << static_cast<int>(refinement);
        }
    }
    // A blank picture has no balance of dark and light modules.
    const View blank(zr::test::Canvas(400, 400));
    std::vector<std::uint8_t> matrix(kMaxMappingModules);
    EXPECT_FALSE(SampleProjective(blank.Get(), kSlanted, *test::FindSize(40, 40), GridRefinement::kNone,
                                  matrix.data()));
}

// Border misses counted plainly: every module in row order, each through the
// map's own Map, as the faster count must reproduce.
int BorderMissesModuleByModule(const BitImageView &view, const QuadF &outer, const DMSize &size, int budget,
                               bool dottedOnly) {
    const auto map = geom::Perspective::SquareToQuad(outer);
    if (!map) return BorderModuleCount(size);
    int misses = 0;
    for (int row = 0; row < size.rows; ++row)
        for (int column = 0; column < size.columns; ++column) {
            if (dottedOnly && row != 0 && column != size.columns - 1) continue;
            bool dark = false;
            if (!BorderModule(row % size.regionRows, column % size.regionColumns, size.regionRows,
                              size.regionColumns, dark))
                continue;
            const PointF centre{(column + 0.5) / size.columns, (row + 0.5) / size.rows};
            if (view.DarkOrOutside(map->Map(centre)) != dark && ++misses > budget) return misses;
        }
    return misses;
}

// Transitions counted plainly, every sample bounds-tested.
int TransitionsSampleBySample(const BitImageView &view, PointF from, PointF to) {
    const int samples = std::max(2, static_cast<int>(2 * geom::Distance(from, to)));
    int changes = 0;
    bool previous = view.DarkOrOutside(from);
    for (int k = 1; k <= samples; ++k) {
        const bool dark = view.DarkOrOutside(geom::Lerp(from, to, static_cast<double>(k) / samples));
        changes += dark != previous ? 1 : 0;
        previous = dark;
    }
    return changes;
}

// Corners jittered around the true ones, some pushed partly or wholly off the
// picture, on the true size and on sizes of other layouts: the count, and
// where a budget stops it, must be exactly the plain count's.
TEST(ProjectiveGrid, BorderMissesMatchTheModuleByModuleCount) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> jitter(-10, 10);
    for (const DMSize *symbolSize : {test::FindSize(40, 40), test::FindSize(16, 48)}) {
        const Warped warped = WarpSymbol(test::FillerFor(*symbolSize), *symbolSize, kSlanted);
        const View view(warped.picture);
        for (int trial = 0; trial < 60; ++trial) {
            QuadF corners = warped.corners;
            for (int i = 0; i < QuadF::kCorners; ++i) corners[i] += PointF{jitter(random), jitter(random)};
            if (trial % 6 == 1) corners[1] += PointF{150, -120};  // past the right and top edges
            if (trial % 6 == 2)
                for (int i = 0; i < QuadF::kCorners; ++i)
                    corners[i] += PointF{-300, 0};  // mostly off the left
            for (const DMSize *size : {symbolSize, test::FindSize(40, 40), test::FindSize(16, 48),
                                       test::FindSize(8, 18), test::FindSize(144, 144)}) {
                const int total = BorderModuleCount(*size);
                for (const bool dotted : {false, true})
                    for (const int budget : {0, 2, 9, total}) {
                        ASSERT_EQ(BorderMisses(view.Get(), corners, *size, budget, dotted),
                                  BorderMissesModuleByModule(view.Get(), corners, *size, budget, dotted))
                            << size->rows << "x" << size->columns << " trial " << trial << " budget "
                            << budget << (dotted ? " dotted" : "");
                    }
            }
        }
    }
    // Degenerate corners: every module counts.
    const View blank(zr::test::Canvas(50, 50));
    const QuadF flat{{10, 10}, {20, 10}, {30, 10}, {40, 10}};
    EXPECT_EQ(BorderMisses(blank.Get(), flat, *test::FindSize(40, 40), 0, false),
              BorderModuleCount(*test::FindSize(40, 40)));
}

// Segments inside the picture (up to its last pixels), crossing its edges and
// outside it: the same transitions as sampling with a bounds test throughout.
TEST(ProjectiveGrid, TransitionsMatchBoundsTestedSampling) {
    const DMSize &size = *test::FindSize(40, 40);
    const Warped warped = WarpSymbol(test::FillerFor(size), size, kSlanted);
    const View view(warped.picture);
    const double last = warped.picture.width - 1;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> anywhere(-30, last + 30), inside(0, last);
    for (int trial = 0; trial < 400; ++trial) {
        const bool within = trial % 2 == 0;
        const PointF from =
            within ? PointF{inside(random), inside(random)} : PointF{anywhere(random), anywhere(random)};
        const PointF to =
            within ? PointF{inside(random), inside(random)} : PointF{anywhere(random), anywhere(random)};
        ASSERT_EQ(TransitionsAlong(view.Get(), from, to), TransitionsSampleBySample(view.Get(), from, to))
            << from.x << "," << from.y << " to " << to.x << "," << to.y;
    }
    // Along the picture's first and last rows and columns, and just beyond them.
    for (const double edge : {0.0, last, -0.6, -0.4, last + 0.4, last + 0.6}) {
        const PointF ends[][2] = {{{edge, 0}, {edge, last}}, {{0, edge}, {last, edge}}};
        for (const auto &segment : ends)
            EXPECT_EQ(TransitionsAlong(view.Get(), segment[0], segment[1]),
                      TransitionsSampleBySample(view.Get(), segment[0], segment[1]))
                << "edge " << edge;
    }
}

}  // namespace
}  // namespace zr::dm
