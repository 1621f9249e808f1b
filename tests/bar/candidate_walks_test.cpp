// The candidate walks against pixel-by-pixel walks, on noise and turned
// stripes at random angles, bases, areas and counts, in both polarities:
// the walk to the ground a run at a time, and the outline probe a row or
// column run at a time.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "bar/candidate_walks.hpp"
#include "core/image.hpp"
#include "walk_test_pictures.hpp"

namespace zr::bar {
namespace {

using test::NoiseOrStripes;

// The walk to the ground one pixel at a time, as it is described.
bool PlainWalkToGround(const Picture &picture, Point start, const StepTable &table, WidthStats &stats,
                       WalkResult &out) {
    BitCursor cursor(picture.image);
    cursor.MoveTo(start);
    TableWalk walk{&table};
    bool dark = cursor.Dark();
    int width = 1;
    Point previous = start;
    out = WalkResult{};
    out.end = start;
    double mean = 0;
    bool afterEight = false;
    const auto open = [&]() {
        mean = dark ? stats.DarkMean() : stats.LightMean();
        afterEight = stats.Elements() > 8;
    };
    open();
    for (;;) {
        const Point here = cursor.At();
        if (!cursor.StepInside(walk.Next(), picture.area)) {
            out.end = here;
            return true;
        }
        if (++out.pixels > lines::kPixelLimit) return false;
        const bool pixelDark = cursor.Dark();
        if (pixelDark == dark) {
            ++width;
            if (mean > 0 && ((afterEight && width > (dark ? 4.5 : 4.8) * mean) || width > 6 * mean)) {
                out.barColor = dark ? kLightBars : kDarkBars;
                out.end = previous;
                return true;
            }
            continue;
        }
        stats.Add(dark, width);
        ++out.elements;
        previous = here;
        dark = pixelDark;
        width = 1;
        open();
    }
}

TEST(CandidateWalks, WalkToTheGroundAsThePixelWalk) {
    std::mt19937 random(8);
    auto pick = [&](unsigned n) { return static_cast<int>(random() % n); };
    int grounds = 0;
    for (int picture = 0; picture < 16; ++picture) {
        ZrImage image = NoiseOrStripes(picture, random);
        const BitImageView view(image);
        for (int trial = 0; trial < 300; ++trial) {
            Picture p{view, view.Bounds()};
            if (trial % 3 == 0)
                p.area = {pick(30), pick(30), view.Width() - pick(30), view.Height() - pick(30)};
            const double angle = trial % 7 == 0 ? 45.0 * pick(8) : pick(36000) / 100.0;
            StepTable table;
            DirectionSteps(angle, kStepTableSize, table);
            // Statistics as a candidate brings them: a few elements, or none of a colour.
            WidthStats stats;
            const int elements = pick(12);
            for (int e = 0; e < elements; ++e) stats.Add(pick(2) == 0, 1 + pick(8));
            const Point start{p.area.x0 + pick(static_cast<unsigned>(p.area.Width())),
                              p.area.y0 + pick(static_cast<unsigned>(p.area.Height()))};
            WidthStats fastStats = stats, plainStats = stats;
            WalkResult fast, plain;
            const bool fastDone = WalkToGround(p, start, table, lines::AxisWalk(table), fastStats, fast);
            ASSERT_EQ(fastDone, PlainWalkToGround(p, start, table, plainStats, plain)) << angle;
            if (!fastDone) continue;
            ASSERT_EQ(fast.end, plain.end) << angle << " trial " << trial;
            ASSERT_EQ(fast.pixels, plain.pixels);
            ASSERT_EQ(fast.elements, plain.elements);
            ASSERT_EQ(fast.barColor, plain.barColor);
            ASSERT_EQ(fastStats.darkSum, plainStats.darkSum);
            ASSERT_EQ(fastStats.lightCount, plainStats.lightCount);
            grounds += plain.barColor != 0 ? 1 : 0;
        }
        ImageDestroy(&image);
    }
    EXPECT_GT(grounds, 100);  // walks that end at the ground, not only at the edge
}

TEST(CandidateWalks, OutlineProbeByRunsDecidesAsThePixelWalk) {
    std::mt19937 random(5);
    auto pick = [&](unsigned n) { return static_cast<int>(random() % n); };
    int decidedByRuns = 0, trials = 0;
    for (int picture = 0; picture < 16; ++picture) {
        ZrImage image = NoiseOrStripes(picture, random);
        const BitImageView view(image);
        const RowSteps rowSteps = RowStepsOf(view);
        for (int table = 0; table < 20; ++table) {
            Picture p{view, view.Bounds()};
            if (table % 3 == 0)
                p.area = {pick(30), pick(30), view.Width() - pick(30), view.Height() - pick(30)};
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
