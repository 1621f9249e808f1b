// Cutting a line's runs into codeword segments: clean lines, lines whose
// damage merges runs, and lines of a symbol seen in perspective.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "pdf417/codeword.hpp"
#include "pdf417/line_cut.hpp"

namespace zr::pdf417 {
namespace {

// Runs of a line: the start pattern, the patterns of `values` in section 0, the stop pattern;
// each element `scale` pixels per module, growing by `growth` pixels per module from codeword
// to codeword.
std::vector<std::uint16_t> LineRuns(const std::vector<int> &values, double scale, double growth = 0) {
    std::vector<std::string> patterns{"81111113"};
    for (int v : values) {
        for (const PatternEntry &e : Pdf417PatternTable[0]) {
            if (e.value == v) patterns.emplace_back(e.widths, 8);
        }
    }
    patterns.emplace_back("711311121");
    std::vector<std::uint16_t> runs;
    for (std::size_t k = 0; k < patterns.size(); ++k) {
        const double unit = scale + growth * static_cast<double>(k);
        for (char c : patterns[k]) runs.push_back(static_cast<std::uint16_t>((c - '0') * unit + 0.5));
    }
    return runs;
}

std::vector<int> Decoded(const LineCutter &cutter, int columns) {
    std::vector<int> values;
    for (int j = 1; j <= columns; ++j) values.push_back(ExactIn(0, cutter.Result()[j]));
    return values;
}

const std::vector<int> kValues{10, 200, 450, 700, 928, 31};

TEST(Pdf417LineCut, CleanLineGivesOneSegmentPerColumn) {
    LineCutter cutter;
    const auto runs = LineRuns(kValues, 3);
    ASSERT_TRUE(cutter.Cut(runs, 6, 51));
    EXPECT_EQ(Decoded(cutter, 6), kValues);
    EXPECT_EQ(cutter.Result()[0].first, 0);
    EXPECT_EQ(cutter.Result()[1].first, 8);
}

TEST(Pdf417LineCut, ABlotOverTwoColumnsSpoilsOnlyThose) {
    LineCutter cutter;
    auto runs = LineRuns(kValues, 3);
    // A blot joins everything from the third codeword's first bar to the fourth codeword's last
    // bar into one bar: the line has two segments too few for a cut by widths alone.
    const std::size_t at = 8 + 2 * 8, last = at + 8 + 6;
    int merged = 0;
    for (std::size_t i = at; i <= last; ++i) merged += runs[i];
    runs[at] = static_cast<std::uint16_t>(merged);
    runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(at + 1),
               runs.begin() + static_cast<std::ptrdiff_t>(last + 1));
    ASSERT_TRUE(cutter.Cut(runs, 6, 51));
    const std::vector<int> decoded = Decoded(cutter, 6);
    EXPECT_EQ(decoded[2], kNoCodeword);
    EXPECT_EQ(decoded[3], kNoCodeword);
    for (int j : {0, 1, 4, 5}) EXPECT_EQ(decoded[j], kValues[j]) << "column " << j + 1;
}

TEST(Pdf417LineCut, CodewordWidthsFollowThePerspective) {
    LineCutter cutter;
    // Modules widen from 3 to 4.4 pixels across the line.
    const auto runs = LineRuns(kValues, 3, 0.2);
    int total = 0;
    for (auto r : runs) total += r;
    ASSERT_TRUE(cutter.Cut(runs, 6, total / 8.0));
    EXPECT_EQ(Decoded(cutter, 6), kValues);
}

TEST(Pdf417LineCut, TooFewRunsIsNoLine) {
    LineCutter cutter;
    const std::vector<std::uint16_t> runs{8, 1, 1, 1};
    EXPECT_FALSE(cutter.Cut(runs, 6, 17));
}

int GoodSegments(const LineCutter &cutter, int columns) {
    int good = 0;
    for (int j = 1; j <= columns; ++j) good += cutter.Result()[j].good ? 1 : 0;
    return good;
}

TEST(Pdf417LineCut, ClusterPossibleKeepsLinesOfCodewords) {
    LineCutter cutter;
    ASSERT_TRUE(cutter.Cut(LineRuns(kValues, 3), 6, 51));
    EXPECT_TRUE(ClusterPossible(GoodSegments(cutter, 6), 6));
    // Fewer than half good still may decide by nearest distances while the
    // others' 2 each stay under 1.5 a column.
    EXPECT_TRUE(ClusterPossible(2, 6));
}

TEST(Pdf417LineCut, ClusterPossibleLetsGoLinesOfNoise) {
    // Narrow runs of one to three pixels, cut as a line of six columns.
    std::vector<std::uint16_t> noise;
    for (int k = 0; k < 160; ++k) noise.push_back(static_cast<std::uint16_t>(1 + (k * 7 + k / 5) % 3));
    LineCutter cutter;
    ASSERT_TRUE(cutter.Cut(noise, 6, 51));
    EXPECT_FALSE(ClusterPossible(GoodSegments(cutter, 6), 6));
    // Distances summing to the limit decide nothing.
    EXPECT_FALSE(ClusterPossible(1, 4));
}

TEST(Pdf417LineCut, GreedyCutFailsOnlyWhenItWouldStartSegmentNinetyOne) {
    // Runs of ten pixels against codewords of 17: every segment takes two
    // runs, and the first eight runs (80 pixels) are too wide for a start
    // pattern, so every segment has the nominal width. The 91st segment
    // would begin at run 180, which needs 196 runs (nine stop runs and six
    // more after it).
    LineCutter cutter;
    const std::vector<std::uint16_t> fits(195, 10), over(196, 10);
    EXPECT_TRUE(cutter.Cut(fits, 10, 17));
    EXPECT_FALSE(cutter.Cut(over, 10, 17));
    const std::vector<std::uint16_t> longer(400, 10);
    EXPECT_FALSE(cutter.Cut(longer, 10, 17));
}

// The section vote as a plain sum of every column's nearest distance.
int NearestSectionByFullSums(const LineCutter &cutter, int columns) {
    const double limit = kClusterLimitPerColumn * columns;
    int best = -1;
    double bestSum = 0;
    for (int k = kClusterCount - 1; k >= 0; --k) {
        double sum = 0, widths[kElementsPerCodeword];
        for (int j = 1; j <= columns && sum < limit; ++j) {
            const Segment &s = cutter.Result()[j];
            sum += s.good ? DecodeNearest(k, cutter.WidthsOf(s, widths)).distance : kNotGoodDistance;
        }
        if (best < 0 || sum < bestSum) {
            best = k;
            bestSum = sum;
        }
    }
    return bestSum < limit ? best : -1;
}

TEST(Pdf417LineCut, NearestSectionAgreesWithTheFullSums) {
    std::mt19937 generator(41);
    std::uniform_int_distribution<int> pick(0, kCodewordValues - 1), jitter(-2, 2), coin(0, 3);
    int decided = 0, undecided = 0;
    for (int trial = 0; trial < 600; ++trial) {
        const int columns = 3 + trial % 8, section = trial % kClusterCount;
        // Start pattern, columns of one section's patterns (some replaced
        // by noise), stop pattern; four pixels a module, each run moved.
        std::vector<std::string> patterns{"81111113"};
        for (int j = 0; j < columns; ++j) {
            std::string digits(Pdf417PatternTable[section][pick(generator)].widths, kElementsPerCodeword);
            if (coin(generator) == 0) digits = "33112241";  // no pattern of any section
            patterns.push_back(digits);
        }
        patterns.emplace_back("711311121");
        std::vector<std::uint16_t> runs;
        for (const std::string &p : patterns) {
            for (char c : p)
                runs.push_back(static_cast<std::uint16_t>(std::max(1, (c - '0') * 4 + jitter(generator))));
        }
        LineCutter cutter;
        if (!cutter.Cut(runs, columns, 68)) continue;
        // Each rounded segment reads in a section as its digits look up there.
        for (int j = 1; j <= columns; ++j) {
            const Segment &s = cutter.Result()[j];
            if (!s.rounded) continue;
            for (int k = 0; k < kClusterCount; ++k) ASSERT_EQ(ExactIn(k, s), FindPattern(k, s.digits));
        }
        const int expected = NearestSectionByFullSums(cutter, columns);
        ASSERT_EQ(NearestSection(cutter, columns), expected) << "trial " << trial;
        (expected >= 0 ? decided : undecided) += 1;
    }
    EXPECT_GT(decided, 50);
    EXPECT_GT(undecided, 50);
}

}  // namespace
}  // namespace zr::pdf417
