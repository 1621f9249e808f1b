// Edge fitting: distances, the least-squares line, the split-and-extend fit and
// the corner of two sides with its tolerance.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "core/edges/edges.hpp"
#include "core/status.hpp"

namespace zr::edges {
namespace {

std::vector<std::uint32_t> Flat(int count, std::uint32_t value) {
    return std::vector<std::uint32_t>(static_cast<std::size_t>(count), value);
}

EdgeFit Fit(const std::vector<std::uint32_t> &values) {
    EdgeFit fit;
    EXPECT_TRUE(FitEdgeLine(values.data(), static_cast<int>(values.size()) - 1, fit));
    return fit;
}

TEST(PointSegmentDistance, NearestPointInsideAtOrBeyondTheEnds) {
    const geom::PointF a{0, 0}, b{10, 0};
    EXPECT_DOUBLE_EQ(PointSegmentDistance(a, b, {5, 3}), 3.0);
    EXPECT_DOUBLE_EQ(PointSegmentDistance(a, b, {-3, 4}), 5.0);           // before a
    EXPECT_DOUBLE_EQ(PointSegmentDistance(a, b, {13, 4}), 5.0);           // past b
    EXPECT_DOUBLE_EQ(PointSegmentDistance(b, a, {13, 4}), 5.0);           // either direction
    EXPECT_DOUBLE_EQ(PointSegmentDistance({2, 2}, {2, 2}, {5, 6}), 5.0);  // a = b: distance from a
    // A slanted segment: the foot of the perpendicular lies inside it.
    EXPECT_NEAR(PointSegmentDistance({0, 0}, {10, 10}, {0, 10}), std::sqrt(50.0), 1e-12);
}

// The split passes skip a sample the chord test calls surely nearer: it must
// never say so of a point whose computed distance reaches the given one, not
// even a hair's breadth from it, and must say so of a plainly nearer point.
TEST(ChordTest, SurelyNearerNeverHoldsWhereTheComputedDistanceReaches) {
    std::mt19937 gen(5);
    const auto coordinate = [&gen](int range) { return static_cast<double>(static_cast<int>(gen() % (2 * range + 1)) - range); };
    int said = 0;
    for (int trial = 0; trial < 200000; ++trial) {
        const int range = trial % 3 == 0 ? 3000 : trial % 3 == 1 ? 40 : 20000000;  // the last beyond exact sums
        const geom::PointF a{coordinate(range), coordinate(range)}, b{coordinate(range), coordinate(range)};
        const geom::PointF p{coordinate(range), coordinate(range)};
        const double d = PointSegmentDistance(a, b, p);
        const ChordTest chord(a, b);
        for (const double given : {d, std::nextafter(d, 1e300), d * (1 + 1e-12), d + 1e-6, d + 0.5}) {
            const bool nearer = chord.SurelyNearer(p, given);
            said += nearer ? 1 : 0;
            ASSERT_FALSE(nearer && d >= given) << trial;
        }
    }
    EXPECT_GT(said, 10000);
    EXPECT_TRUE(ChordTest({0, 0}, {100, 0}).SurelyNearer({50, 1}, 2.5));
    EXPECT_FALSE(ChordTest({0, 0}, {100, 0}).SurelyNearer({50, 3}, 2.5));
    EXPECT_FALSE(ChordTest({0, 0}, {100, 0}).SurelyNearer({100, 1}, 2.5));  // at the end: computed instead
}

TEST(LeastSquaresLine, FitsALineAndLeavesAnUndeterminedFitAlone) {
    std::vector<std::uint32_t> values;
    for (int i = 0; i < 20; ++i) values.push_back(static_cast<std::uint32_t>(3 * i + 7));
    double slope = 0, intercept = 0;
    ASSERT_TRUE(LeastSquaresLine(values.data(), 5, 15, slope, intercept));
    EXPECT_NEAR(slope, 3.0, 1e-9);
    EXPECT_NEAR(intercept, 7.0, 1e-9);

    slope = -1;
    intercept = -2;
    EXPECT_FALSE(LeastSquaresLine(values.data(), 4, 4, slope, intercept));
    EXPECT_EQ(slope, -1);
    EXPECT_EQ(intercept, -2);
}

TEST(FitEdgeLine, AStraightSideIsOnePieceOverEveryIndex) {
    std::vector<std::uint32_t> values;
    for (int i = 0; i < 50; ++i) values.push_back(static_cast<std::uint32_t>(100 + i / 2));
    const EdgeFit fit = Fit(values);
    EXPECT_EQ(fit.startIndex, 0);
    EXPECT_EQ(fit.endIndex, 49);
    EXPECT_EQ(fit.length, 50);
    EXPECT_NEAR(fit.startValue, 100, 0.6);
    EXPECT_NEAR(fit.endValue, 124.5, 0.6);
}

TEST(FitEdgeLine, ANotchOfTwoPixelsIsNotSplit) {
    std::vector<std::uint32_t> values = Flat(80, 10);
    for (int i = 40; i < 43; ++i) values[static_cast<std::size_t>(i)] = 12;
    const EdgeFit fit = Fit(values);
    EXPECT_EQ(fit.length, 80);  // one piece: no extension was counted
}

TEST(FitEdgeLine, ANotchDeeperThanTheLimitIsSplitAndTheFlatPiecesRejoined) {
    std::vector<std::uint32_t> values = Flat(80, 10);
    for (int i = 60; i < 63; ++i) values[static_cast<std::size_t>(i)] = 14;
    const EdgeFit fit = Fit(values);
    // Split at 59, 60 and 63; the longest piece 0..59 absorbs the pieces whose
    // chords keep its slope, each join counting its shared ends again.
    EXPECT_EQ(fit.startIndex, 0);
    EXPECT_EQ(fit.endIndex, 79);
    EXPECT_EQ(fit.length, 60 + 2 + 4 + 17);
}

TEST(FitEdgeLine, ExtensionStopsAtABendAndCountsOneMore) {
    std::vector<std::uint32_t> values = Flat(80, 10);
    for (int i = 60; i < 80; ++i)
        values[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(10 + 3 * (i - 59));
    const EdgeFit fit = Fit(values);
    EXPECT_EQ(fit.startIndex, 0);
    EXPECT_EQ(fit.endIndex, 59);
    EXPECT_EQ(fit.length, 61);
    EXPECT_NEAR(fit.startValue, 10, 1e-9);
    EXPECT_NEAR(fit.endValue, 10, 1e-9);
}

// The bend at every place of the last words of the side and the bytes
// after them, where the search for the next break point reads its marks:
// the flat stretch always ends at the bend.
TEST(FitEdgeLine, ExtensionStopsAtABendWhereverTheBendFalls) {
    for (int flat = 24; flat < 40; ++flat)
        for (int rise = 3; rise < 20; ++rise) {
            std::vector<std::uint32_t> values = Flat(flat + rise, 10);
            for (int i = flat; i < flat + rise; ++i)
                values[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(10 + 3 * (i - flat + 1));
            const EdgeFit fit = Fit(values);
            EXPECT_EQ(fit.startIndex, 0) << flat << " " << rise;
            EXPECT_EQ(fit.endIndex, flat - 1) << flat << " " << rise;
            EXPECT_EQ(fit.length, flat + 1) << flat << " " << rise;
        }
}

TEST(FitEdgeLine, TheLongerPieceWinsWhateverItsPosition) {
    // A short flat stretch, a bend, then a long slope.
    std::vector<std::uint32_t> values;
    for (int i = 0; i < 15; ++i) values.push_back(200);
    for (int i = 15; i < 100; ++i) values.push_back(static_cast<std::uint32_t>(200 + (i - 14)));
    const EdgeFit fit = Fit(values);
    EXPECT_EQ(fit.startIndex, 14);
    EXPECT_EQ(fit.endIndex, 99);
    EXPECT_NEAR(fit.endValue - fit.startValue, 85, 1e-6);
}

// The split marks the pieces it has settled in the reused work area; a fit
// must come out the same after other fits have left their marks there, on
// ragged sides that take several split passes.
TEST(FitEdgeLine, AReusedWorkAreaFitsAsAFreshOne) {
    std::mt19937 random(3);
    FitWork reused;
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<std::uint32_t> values(20 + random() % 200);
        std::uint32_t level = 100;
        for (std::uint32_t &v : values) {
            if (random() % 8 == 0) level = static_cast<std::uint32_t>(100 + random() % 12);  // steps and notches of up to 11
            v = static_cast<std::uint32_t>(level + random() % 3);
        }
        const int last = static_cast<int>(values.size()) - 1;
        EdgeFit fresh, again;
        ASSERT_TRUE(FitEdgeLine(values.data(), last, fresh));
        ASSERT_TRUE(FitEdgeLine(values.data(), last, again, reused));
        EXPECT_EQ(fresh.startIndex, again.startIndex) << trial;
        EXPECT_EQ(fresh.endIndex, again.endIndex) << trial;
        EXPECT_EQ(fresh.length, again.length) << trial;
        EXPECT_EQ(fresh.startValue, again.startValue) << trial;
        // A shorter fit next leaves marks over the start of this array's area.
        std::vector<std::uint32_t> other(values.rbegin(), values.rend());
        other.resize(values.size() / 2 + 1);
        ASSERT_TRUE(FitEdgeLine(other.data(), static_cast<int>(other.size()) - 1, again, reused));
    }
}

TEST(FitEdgeLine, TinyAndBadArrays) {
    const std::vector<std::uint32_t> one = {42};
    EdgeFit fit;
    fit.length = 99;
    EXPECT_TRUE(FitEdgeLine(one.data(), 0, fit));
    EXPECT_EQ(fit.length, 0);
    EXPECT_FALSE(FitEdgeLine(static_cast<const std::uint32_t *>(nullptr), 5, fit));
    EXPECT_FALSE(FitEdgeLine(one.data(), -1, fit));
    // Untouched extent entries (all bits set) are values like any other.
    const std::vector<std::uint32_t> wild = {0xFFFFFFFFu, 5, 5, 5, 0xFFFFFFFFu, 5};
    EXPECT_TRUE(FitEdgeLine(wild.data(), 5, fit));
    EXPECT_TRUE(std::isfinite(fit.startValue) && std::isfinite(fit.endValue));
}

TEST(FitEdgeLine, SignedExtentsFitLikeUnsignedOnes) {
    std::vector<std::uint32_t> unsignedValues = Flat(60, 40);
    std::vector<std::int32_t> signedValues(60, 40);
    for (int i = 30; i < 60; ++i) {
        unsignedValues[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(40 + 2 * (i - 29));
        signedValues[static_cast<std::size_t>(i)] = 40 + 2 * (i - 29);
    }
    const EdgeFit a = Fit(unsignedValues);
    EdgeFit b;
    ASSERT_TRUE(FitEdgeLine(signedValues.data(), 59, b));
    EXPECT_EQ(a.startIndex, b.startIndex);
    EXPECT_EQ(a.endIndex, b.endIndex);
    EXPECT_EQ(a.length, b.length);
    EXPECT_DOUBLE_EQ(a.endValue, b.endValue);
}

TEST(EdgeLines, RowAndColumnFitsInPictureCoordinates) {
    const EdgeFit fit{2, 30.5, 40, 31.5, 39};
    const EdgeLine v = RowEdgeLine(fit, 100);
    EXPECT_EQ(v.start, (geom::PointF{30.5, 102}));
    EXPECT_EQ(v.end, (geom::PointF{31.5, 140}));
    const EdgeLine h = ColumnEdgeLine(fit, 7);
    EXPECT_EQ(h.start, (geom::PointF{9, 30.5}));
    EXPECT_EQ(h.end, (geom::PointF{47, 31.5}));
    EXPECT_EQ(h.length, 39);

    const EdgeLine moved = h.Moved({0.5, 1});
    EXPECT_EQ(moved.start, (geom::PointF{9.5, 31.5}));
    EXPECT_EQ(moved.end, (geom::PointF{47.5, 32.5}));
    EXPECT_EQ(moved.length, 39);
}

TEST(IntersectEdgeLines, CornerOfTwoSides) {
    const EdgeLine v{{10, 10}, {10, 110}, 100};
    const EdgeLine h{{10, 110}, {110, 110}, 100};
    std::optional<geom::PointF> corner = IntersectEdgeLines(v, h);
    ASSERT_TRUE(corner);
    EXPECT_NEAR(corner->x, 10, 1e-9);
    EXPECT_NEAR(corner->y, 110, 1e-9);

    const EdgeLine tilted{{20, 0}, {10, 100}, 100};        // x = 20 - y / 10
    const EdgeLine slope{{12, 100.2}, {112, 110.2}, 100};  // y = 99 + x / 10
    corner = IntersectEdgeLines(tilted, slope);
    ASSERT_TRUE(corner);
    EXPECT_NEAR(corner->x, 10, 1e-9);
    EXPECT_NEAR(corner->y, 100, 1e-9);
}

TEST(IntersectEdgeLines, ToleranceIsATenthOfTheSummedLengths) {
    const EdgeLine v{{10, 10}, {10, 110}, 100};
    // The corner (10, 110) is 19 pixels from h's nearer end: within 20.
    EXPECT_TRUE(IntersectEdgeLines(v, EdgeLine{{29, 110}, {129, 110}, 100}));
    // 21 pixels: too far.
    EXPECT_FALSE(IntersectEdgeLines(v, EdgeLine{{31, 110}, {131, 110}, 100}));
    // Far from v's ends although on h.
    EXPECT_FALSE(IntersectEdgeLines(v, EdgeLine{{0, 60}, {100, 60}, 100}));
}

TEST(IntersectEdgeLines, ParallelAndDegenerateSidesGiveNoCorner) {
    // Both sides vertical: parallel.
    EXPECT_EQ(IntersectEdgeLines(EdgeLine{{10, 0}, {10, 100}, 100}, EdgeLine{{20, 0}, {20, 100}, 100}),
              std::nullopt);
    // Parallel along a slant, and the same line twice.
    const EdgeLine slant{{0, 0}, {10, 100}, 100};
    EXPECT_EQ(IntersectEdgeLines(slant, EdgeLine{{5, 0}, {15, 100}, 100}), std::nullopt);
    EXPECT_EQ(IntersectEdgeLines(slant, slant), std::nullopt);
    // A side of one point.
    EXPECT_EQ(IntersectEdgeLines(EdgeLine{{10, 5}, {10, 5}, 1}, EdgeLine{{10, 5}, {10, 5}, 1}), std::nullopt);
    // Sides crossing left of the picture: the corner is moved to x = 0, then
    // lies too far from the ends.
    EXPECT_FALSE(
        IntersectEdgeLines(EdgeLine{{-50, 0}, {-50, 100}, 100}, EdgeLine{{-50, 100}, {50, 100}, 100}));
    const std::optional<geom::PointF> moved =
        IntersectEdgeLines(EdgeLine{{-5, 0}, {-5, 100}, 100}, EdgeLine{{-5, 100}, {95, 100}, 100});
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->x, 0);
    EXPECT_NEAR(moved->y, 100, 1e-9);
}

}  // namespace
}  // namespace zr::edges
