// The outline probe a row run at a time against the pixel-by-pixel walk, on
// noise and turned stripes at random angles, bases, areas and counts, in
// both polarities.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "bar/outline_probe.hpp"
#include "core/image.hpp"
#include "support/render.hpp"

namespace zr::bar {
namespace {

TEST(OutlineProbe, RowRunsDecideAsThePixelWalk) {
    std::mt19937 random(5);
    auto pick = [&](unsigned n) { return static_cast<int>(random() % n); };
    int decidedByRuns = 0, trials = 0;
    for (int picture = 0; picture < 16; ++picture) {
        zr::test::Raster raster;
        if (picture % 2 == 0) {
            raster = zr::test::AddNoise(zr::test::Canvas(150 + pick(200), 100 + pick(150), 128), 30 + pick(100),
                                        static_cast<std::uint32_t>(picture));
        } else {
            raster = zr::test::Canvas(260, 180, 235);
            for (int x = 0, dark = 0; x < raster.width; dark ^= 1) {
                const int run = 1 + pick(dark ? 6 : 14);
                for (int k = 0; k < run && x < raster.width; ++k, ++x)
                    if (dark)
                        for (int y = 0; y < raster.height; ++y) raster.at(x, y) = 20;
            }
            raster = zr::test::Rotate(raster, pick(360), false, 235);
        }
        const std::vector<std::uint8_t> dib = zr::test::ToDib(raster, 1, 0, picture % 4 < 2);
        ZrImage image{};
        ASSERT_EQ(ImageFromDib(&image, dib.data()), ZR_OK);
        const BitImageView view(image);
        const RowSteps rowSteps = RowStepsOf(view);
        for (int table = 0; table < 20; ++table) {
            Picture p{view, view.Bounds()};
            if (table % 3 == 0) p.area = {pick(30), pick(30), view.Width() - pick(30), view.Height() - pick(30)};
            // Exact axis angles give tables without side steps.
            const double angle = table % 5 == 0 ? 90.0 * pick(4) : pick(36000) / 100.0;
            StepTable steps;
            DirectionSteps(angle, kStepTableSize, steps);
            const int c = pick(4) == 0 ? pick(3) : 1 + pick(30);
            const AlongRuns runs(steps, lines::AxisWalk(steps), 6 * c + 1);
            for (int base = 0; base < 100; ++base) {
                const Point at{p.area.x0 + pick(static_cast<unsigned>(p.area.Width())),
                               p.area.y0 + pick(static_cast<unsigned>(p.area.Height()))};
                const bool plain = SeesBothColours(p, steps, rowSteps, at, c);
                ++trials;
                if (!runs.Usable()) continue;
                const std::optional<bool> byRuns = SeesBothColoursByRuns(p, runs, at, c);
                if (!byRuns) continue;
                ++decidedByRuns;
                ASSERT_EQ(*byRuns, plain) << "angle " << angle << " c " << c << " at " << at.x << "," << at.y;
            }
        }
        ImageDestroy(&image);
    }
    // About half the tables walk along rows; most of their bases decide by runs.
    EXPECT_GT(decidedByRuns, trials / 4);
}

}  // namespace
}  // namespace zr::bar
