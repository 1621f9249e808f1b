// The split phase of the edge fit against a plain statement of it: every
// piece split at its first farthest sample, every distance measured, until
// no piece deviates more than the limit. The fit skips most measurements;
// the break points must come out the same on every kind of side.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "core/edges/edges.hpp"

namespace zr::edges {
namespace {

template <class T>
void SplitPlainly(const std::vector<T> &values, int a, int b, std::vector<bool> &isBreak) {
    const geom::PointF from{double(a), double(values[a])}, to{double(b), double(values[b])};
    double farthest = -1;
    int at = -1;
    for (int i = a + 1; i < b; ++i) {
        const double d = PointSegmentDistance(from, to, {double(i), double(values[i])});
        if (d > farthest) {
            farthest = d;
            at = i;
        }
    }
    if (!(farthest > kSplitDeviation)) return;
    isBreak[static_cast<std::size_t>(at)] = true;
    SplitPlainly(values, a, at, isBreak);
    SplitPlainly(values, at, b, isBreak);
}

template <class T>
void ExpectPlainSplit(const std::vector<T> &values, FitWork &work, int trial) {
    const int last = static_cast<int>(values.size()) - 1;
    std::vector<bool> expected(values.size(), false);
    expected.front() = expected.back() = true;
    SplitPlainly(values, 0, last, expected);
    SplitEdge(values.data(), last, work);
    ASSERT_GE(work.isSet.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(work.isSet[i] != 0, expected[i]) << "trial " << trial << " index " << i;
}

// Ragged sides: runs of equal extents with steps, notches, corners where
// the side turns, and single samples far off (beyond either end of their
// chord), at offsets within and beyond the range of exact sums.
std::vector<std::int32_t> RaggedSide(std::mt19937 &random, std::int32_t offset) {
    std::vector<std::int32_t> values(2 + random() % 300);
    const int corner = static_cast<int>(random() % values.size());
    const int slope = static_cast<int>(random() % 5) - 2;
    std::int32_t level = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (random() % 6 == 0) level = static_cast<std::int32_t>(random() % 7) - 3;
        const int run = static_cast<int>(i) < corner ? 0 : (static_cast<int>(i) - corner) * slope;
        values[i] = offset + level + run + static_cast<std::int32_t>(random() % 2);
        if (random() % 40 == 0) values[i] += static_cast<std::int32_t>(random() % 2000) - 1000;
    }
    return values;
}

TEST(SplitEdge, BreaksWhereThePlainSplitBreaks) {
    std::mt19937 random(11);
    FitWork work;
    for (int trial = 0; trial < 3000; ++trial) {
        const std::int32_t offset = trial % 4 == 3 ? 40000000 : static_cast<std::int32_t>(random() % 5000);
        ExpectPlainSplit(RaggedSide(random, offset), work, trial);
    }
}

// Equal farthest samples: symmetric notches and repeated bumps, where the
// first of them must win, and sides of a perfectly straight line that never
// split however long.
TEST(SplitEdge, TheFirstOfEqualFarthestSamplesWins) {
    FitWork work;
    int trial = 0;
    for (int width = 1; width < 9; ++width) {
        for (int depth = 2; depth < 9; ++depth) {
            std::vector<std::int32_t> twoNotches(80, 500);
            for (int i = 0; i < width; ++i) {
                twoNotches[static_cast<std::size_t>(20 + i)] += depth;
                twoNotches[static_cast<std::size_t>(60 - i)] += depth;
            }
            ExpectPlainSplit(twoNotches, work, trial++);
            std::vector<std::uint32_t> slantedBumps;
            for (int i = 0; i < 120; ++i)
                slantedBumps.push_back(
                    static_cast<std::uint32_t>(1000 + i / width + (i % 30 == 15 ? depth : 0)));
            ExpectPlainSplit(slantedBumps, work, trial++);
        }
    }
    std::vector<std::int32_t> straight;
    for (int i = 0; i < 1000; ++i) straight.push_back(3 * i - 7);
    ExpectPlainSplit(straight, work, trial++);
    ASSERT_EQ(work.isSet[500], 0);
}

// Staircases: the extents of a turned side, long runs of equal samples with
// steps between them, some runs level with the chord and some across it,
// with bumps of a module here and there.
TEST(SplitEdge, StaircasesOfLongRuns) {
    std::mt19937 random(13);
    FitWork work;
    for (int trial = 0; trial < 2000; ++trial) {
        std::vector<std::int32_t> values;
        const int runLength = 1 + static_cast<int>(random() % 12);
        const int step = static_cast<int>(random() % 7) - 3;
        std::int32_t level = static_cast<std::int32_t>(random() % 3000);
        while (values.size() < 2 + random() % 400) {
            const int length = runLength + static_cast<int>(random() % 3);
            const std::int32_t bump = random() % 9 == 0 ? static_cast<std::int32_t>(random() % 9) - 4 : 0;
            for (int k = 0; k < length; ++k) values.push_back(level + bump);
            level += step;
        }
        ExpectPlainSplit(values, work, trial);
    }
}

// Long sides, split by bounds over blocks of samples: a slanted line with
// equal bumps, some at the start of a block and some at its end (where the
// block's bound stands higher than the bump itself, so a later bump's block
// may be searched first), and long noisy sides of many pieces.
TEST(SplitEdge, LongSidesWithEqualBumpsAndNoise) {
    std::mt19937 random(14);
    FitWork work;
    for (int trial = 0; trial < 300; ++trial) {
        const int size = 500 + static_cast<int>(random() % 2500);
        const int rise = 1 + static_cast<int>(random() % 4), run = 1 + static_cast<int>(random() % 6);
        const std::int32_t bump = 3 + static_cast<std::int32_t>(random() % 6);
        const bool noisy = trial % 3 == 2;
        std::vector<std::int32_t> values;
        for (int i = 0; i < size; ++i) {
            std::int32_t value = 2000 + i * rise / run;
            if (noisy) value += static_cast<std::int32_t>(random() % 5);
            if (random() % 97 == 0) value += random() % 2 == 0 ? bump : -bump;
            values.push_back(value);
        }
        for (int k = 0; k < 4; ++k) {
            const auto at = static_cast<std::size_t>((random() % static_cast<unsigned>(size / 16)) * 16 +
                                                     (k % 2 == 0 ? 0 : 15));
            values[at] += bump;
        }
        ExpectPlainSplit(values, work, trial);
    }
}

// Two equal bumps on a straight level, rising or falling side: the chord
// runs parallel to the side, so both lie equally far from it. Each sits at
// the start or the end of its block, or the second past the last whole
// block, so either may be found first; the first bump must still win.
TEST(SplitEdge, EqualBumpsAtEitherEndOfTheirBlocks) {
    FitWork work;
    int trial = 0;
    for (const int rise : {-3, -1, 0, 1, 2}) {
        for (const int first : {5 * 16, 5 * 16 + 15}) {
            for (const int second : {17 * 16, 17 * 16 + 15, 390}) {
                std::vector<std::int32_t> values;
                for (int i = 0; i < 400; ++i) values.push_back(5000 + i * rise);
                values[static_cast<std::size_t>(first)] += 6;
                values[static_cast<std::size_t>(second)] += 6;
                ExpectPlainSplit(values, work, trial++);
            }
        }
    }
}

TEST(SplitEdge, UnsignedExtentsOfAnySize) {
    std::mt19937 random(12);
    FitWork work;
    for (int trial = 0; trial < 500; ++trial) {
        std::vector<std::uint32_t> values(2 + random() % 100);
        for (std::uint32_t &v : values)
            v = static_cast<std::uint32_t>(trial % 2 == 0
                                               ? 100 + random() % 9
                                               : 0xFFFFFFF0u - random() % 9);  // the second beyond exact sums
        if (trial % 5 == 0) values[values.size() / 2] = 0xFFFFFFFFu;           // an untouched entry
        ExpectPlainSplit(values, work, trial);
    }
}

}  // namespace
}  // namespace zr::edges
