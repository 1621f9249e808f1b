// A row or column read once (AxisLine) against the pixel-by-pixel run
// collection: every collection from it must give what RunCollect gives,
// across word edges, limits, capacities and areas; and the axis runs of step
// tables (AxisWalk) against their definition.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/lines/axis_line.hpp"
#include "core/lines/axis_walk.hpp"
#include "core/lines/run_scan.hpp"
#include "line_test_pictures.hpp"

namespace zr::lines {
namespace {

using namespace test_lines;

TEST(AxisLine, CollectionsMatchThePlainWalk) {
    std::mt19937 random(2026);
    AxisLine line;  // one buffer for every picture, as a search keeps it
    for (int picture = 0; picture < 300; ++picture) {
        const RandomPicture p(random);
        const BitImageView view = p.View();
        for (int trial = 0; trial < 20; ++trial) {
            const bool vertical = Pick(random, 2) != 0;
            RunScan scan;
            scan.area = p.RandomArea(random);
            scan.capacity = static_cast<std::uint16_t>(Pick(random, 3) == 0 ? 1 + Pick(random, 300)
                                                                            : 1 + Pick(random, 12));
            RunBufferInit(scan, vertical ? kTopToBottom : kLeftToRight);
            if (Pick(random, 2)) scan.pixelLimit = static_cast<std::uint16_t>(Pick(random, 150));
            // The line through a random point, read from the area's near edge.
            const PointI through = RandomPoint(random, scan.area);
            const PointI origin =
                vertical ? PointI{through.x, scan.area.y0} : PointI{scan.area.x0, through.y};
            line.Read(view, scan.area, origin, vertical);
            ASSERT_EQ(line.Count(), vertical ? scan.area.Height() : scan.area.Width());
            for (int from = 0; from < line.Count(); from += 1 + static_cast<int>(Pick(random, 9))) {
                const PointI start =
                    vertical ? PointI{origin.x, origin.y + from} : PointI{origin.x + from, origin.y};
                ASSERT_EQ(line.Dark(from), view.Dark(start));
                scan.startX = start.x;
                scan.startY = start.y;
                RunScan plain = scan;
                const RunEnd end = line.Collect(scan, from);
                const RunEnd plainEnd = PlainRunCollect(plain, view);
                ASSERT_TRUE(SameCollection(scan, end, plain, plainEnd))
                    << "picture " << picture << " trial " << trial << " from " << from;
            }
        }
    }
}

TEST(AxisLine, NextChangeFindsTheNextPixelOfTheOtherColour) {
    std::mt19937 random(15);
    AxisLine line;
    for (int picture = 0; picture < 100; ++picture) {
        const RandomPicture p(random);
        const BitImageView view = p.View();
        const Rect area = p.RandomArea(random);
        const bool vertical = Pick(random, 2) != 0;
        const PointI origin = vertical ? PointI{RandomPoint(random, area).x, area.y0}
                                       : PointI{area.x0, RandomPoint(random, area).y};
        line.Read(view, area, origin, vertical);
        const auto pixel = [&](int i) {
            return view.Dark(vertical ? PointI{origin.x, origin.y + i} : PointI{origin.x + i, origin.y});
        };
        for (int from = 0; from <= line.Count(); ++from) {
            for (const bool dark : {false, true}) {
                int expected = from;
                while (expected < line.Count() && pixel(expected) == dark) ++expected;
                ASSERT_EQ(line.NextChange(from, dark), expected) << "picture " << picture << " from " << from;
            }
        }
    }
}

TEST(AxisWalk, RunsCountTheStepsBeforeEachSideStep) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 2000; ++trial) {
        StepTable table;
        DirectionSteps(trial < 8 ? 45.0 * trial : Pick(random, 36000) / 100.0, kStepTableSize, table);
        if (trial % 4 == 3) {
            // Any table, not only a line's: codes drawn from two or three neighbours, or any code.
            const unsigned centre = Pick(random, 8), rare = 1 + Pick(random, 60);
            const bool anyCode = Pick(random, 4) == 0;
            for (std::uint8_t &code : table) {
                const unsigned k = Pick(random, rare) == 0 ? Pick(random, 3) : 1;
                code = static_cast<std::uint8_t>(anyCode ? Pick(random, 8) : (centre + 7 + k) % 8);
            }
        }
        const AxisWalk axis(table);
        int right = 0, left = 0, down = 0, up = 0;
        for (const std::uint8_t code : table) {
            right += kStepDx[code] > 0, left += kStepDx[code] < 0;
            down += kStepDy[code] > 0, up += kStepDy[code] < 0;
        }
        const PointI step = right == kStepTableSize  ? PointI{1, 0}
                            : left == kStepTableSize ? PointI{-1, 0}
                            : down == kStepTableSize ? PointI{0, 1}
                            : up == kStepTableSize   ? PointI{0, -1}
                                                     : PointI{0, 0};
        ASSERT_EQ(axis.step, step) << trial;
        PointI offset{0, 0};
        for (int k = 0; k <= kStepTableSize; ++k) {
            ASSERT_EQ(axis.offset[static_cast<std::size_t>(k)], offset);
            if (k < kStepTableSize) offset += StepVector(table[static_cast<std::size_t>(k)]);
        }
        if (step == PointI{0, 0}) continue;
        // Side steps leave the axis's line: y changes along rows, x along columns.
        const auto side = [&](int k) {
            const std::uint8_t code = table[static_cast<std::size_t>(k % kStepTableSize)];
            return step.x != 0 ? kStepDy[code] != 0 : kStepDx[code] != 0;
        };
        int sides = 0;
        for (int k = 0; k < kStepTableSize; ++k) sides += side(k);
        const bool shortColumns = step.x == 0 && sides > kStepTableSize / AxisWalk::kMinColumnRun;
        ASSERT_EQ(axis.shortColumns, shortColumns) << trial;
        ASSERT_EQ(axis.sideSteps, sides) << trial;
        // Row loads are left for one pixel at a time once side steps crowd them.
        ASSERT_EQ(axis.GathersPay(), !shortColumns && (step.x == 0 || sides < AxisWalk::kMaxRowSideSteps));
        if (shortColumns) continue;
        for (int k = 0; k < kStepTableSize; ++k) {
            int before = 0;
            while (before < AxisWalk::kMaxRun && !side(k + before)) ++before;
            ASSERT_EQ(axis.run[static_cast<std::size_t>(k)], before) << trial << " entry " << k;
            ASSERT_EQ(axis.stepAndRun[static_cast<std::size_t>(k == 0 ? kStepTableSize - 1 : k - 1)],
                      std::min(1 + before, AxisWalk::kMaxRun))
                << trial << " entry " << k;
        }
    }
}

// Every field of two walks.
::testing::AssertionResult SameWalk(const AxisWalk &a, const AxisWalk &b) {
    if (a.step != b.step || a.run != b.run || a.stepAndRun != b.stepAndRun || a.offset != b.offset ||
        a.shortColumns != b.shortColumns || a.sideSteps != b.sideSteps)
        return ::testing::AssertionFailure() << "the walks differ";
    return ::testing::AssertionSuccess();
}

TEST(AxisWalk, TheWalkBackIsTheWalkAlongReversed) {
    std::mt19937 random(180);
    for (int trial = 0; trial < 1000; ++trial) {
        const double angle = trial < 8 ? 45.0 * trial : Pick(random, 36000) / 100.0;
        StepTable along, back;
        DirectionSteps(angle, kStepTableSize, along);
        DirectionSteps(std::fmod(angle + 180.0, 360.0), kStepTableSize, back);
        const AxisWalk alongWalk(along);
        ASSERT_TRUE(SameWalk(AxisWalk(back, along, alongWalk), AxisWalk(back))) << angle;
        // Tables that do not reverse each other are built on their own.
        StepTable other = back;
        other[Pick(random, kStepTableSize)] ^= static_cast<std::uint8_t>(1 + Pick(random, 7));
        ASSERT_TRUE(SameWalk(AxisWalk(other, along, alongWalk), AxisWalk(other))) << angle;
    }
}

}  // namespace
}  // namespace zr::lines
