// A reading line's runs taken a word at a time against the same runs taken
// one colour change at a time, on random pictures, angles, space limits
// and run caps.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "../core/lines/line_test_pictures.hpp"
#include "core/lines/axis_walk.hpp"
#include "core/lines/run_scan.hpp"
#include "core/lines/table_bits.hpp"
#include "pdf417/line_runs.hpp"

namespace zr::pdf417 {
namespace {

using geom::PointI;
using geom::Rect;
using lines::kStepTableSize;
using lines::StepTable;
using lines::TableBits;
using lines::test_lines::Pick;
using lines::test_lines::RandomPicture;
using lines::test_lines::RandomPoint;

// One run per colour change, each tested against the limit and the cap as it ends.
LineRunsEnd RunsByChanges(TableBits &line, int at, bool barDark, int spaceLimit, int maxRuns,
                          std::vector<std::uint16_t> &runs, int &total) {
    LineRunsEnd end;
    for (bool bar = true;; bar = !bar) {
        const int change = line.NextChange(at, bar == barDark);
        const int width = change - at;
        if (!bar && width > spaceLimit) return end;
        if (change >= line.Walked() && line.Ended()) return {LineRunsEnd::Kind::kEdge, bar, width};
        if (static_cast<int>(runs.size()) >= maxRuns) return {LineRunsEnd::Kind::kTooManyRuns};
        runs.push_back(static_cast<std::uint16_t>(std::min(width, 0xFFFF)));
        total += width;
        at = change;
    }
}

TEST(Pdf417LineRuns, WordAtATimeMatchesChangeByChange) {
    std::mt19937 random(7);
    constexpr int kCaps[] = {3, 17, 40, 3000};
    int kinds[3] = {};
    for (int picture = 0; picture < 300; ++picture) {
        const RandomPicture p(random);
        const BitImageView view = p.View();
        for (int trial = 0; trial < 20; ++trial) {
            const Rect area = p.RandomArea(random);
            const PointI start = RandomPoint(random, area);
            StepTable table;
            lines::DirectionSteps(Pick(random, 36000) / 100.0, kStepTableSize, table);
            const lines::AxisWalk axis(table);
            const bool barDark = Pick(random, 2) == 0;
            const int spaceLimit = Pick(random, 8) == 0 ? 1000000 : static_cast<int>(Pick(random, 20));
            const int cap = kCaps[Pick(random, 4)];
            // The line begins at its first bar pixel.
            TableBits probe(view, area, start, table, axis);
            const int at = probe.NextChange(0, !barDark);
            if (at >= probe.Walked() && probe.Ended()) continue;

            std::vector<std::uint16_t> expectedRuns{5}, runs{5};  // appended to what is there
            int expectedTotal = 3, total = 3;
            TableBits plain(view, area, start, table, axis), words(view, area, start, table, axis);
            const LineRunsEnd expected =
                RunsByChanges(plain, at, barDark, spaceLimit, cap, expectedRuns, expectedTotal);
            const LineRunsEnd got = CollectLineRuns(words, at, barDark, spaceLimit, cap, runs, total);
            SCOPED_TRACE(testing::Message() << "picture " << picture << " trial " << trial);
            ASSERT_EQ(got.kind, expected.kind);
            ++kinds[static_cast<int>(got.kind)];
            if (got.kind == LineRunsEnd::Kind::kTooManyRuns) continue;  // the line is given up
            ASSERT_EQ(runs, expectedRuns);
            ASSERT_EQ(total, expectedTotal);
            if (got.kind == LineRunsEnd::Kind::kEdge) {
                ASSERT_EQ(got.bar, expected.bar);
                ASSERT_EQ(got.width, expected.width);
            }
        }
    }
    for (const int count : kinds) EXPECT_GT(count, 100);
}

}  // namespace
}  // namespace zr::pdf417
