// The geometry value types: rounding, both values of pi, rectangles and
// search bounds, quadrilateral corners and their clamping, and the
// least-squares line.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/geom/geom.hpp"

namespace zr::geom {
namespace {

TEST(Geom, RoundingAddsAHalfAndTruncatesTowardsZero) {
    EXPECT_EQ(RoundHalfUp(2.5), 3);
    EXPECT_EQ(RoundHalfUp(2.4999), 2);
    EXPECT_EQ(RoundHalfUp(-0.5), 0);
    EXPECT_EQ(RoundHalfUp(-1.6), -1);  // -1.1 truncated: not the nearest integer
    EXPECT_EQ(RoundHalfUp(PointF{10.5, -3.7}), (PointI{11, -3}));
    const QuadI q = RoundHalfUp(QuadF{{0.4, 0.6}, {9.5, 0.0}, {9.49, 5.5}, {0.0, 5.0}});
    EXPECT_EQ(q, (QuadI{{0, 1}, {10, 0}, {9, 6}, {0, 5}}));
}

// The rounding converts without std::trunc first: the same int at the
// values where adding the half rounds, just below whole and half numbers
// and on either side of zero.
TEST(Geom, RoundingMatchesTruncationFirst) {
    for (double base = -70000.0; base <= 70000.0; base += 0.25) {
        for (const double v : {base, std::nextafter(base, -1e9), std::nextafter(base, 1e9)}) {
            ASSERT_EQ(RoundHalfUp(v), static_cast<int>(std::trunc(v + 0.5))) << v;
        }
    }
    EXPECT_EQ(RoundHalfUp(0.49999999999999994), 1);  // the sum rounds to 1
    EXPECT_EQ(RoundHalfUp(-0.49999999999999994), 0);
    EXPECT_EQ(RoundHalfUp(-1.5), -1);
    EXPECT_EQ(RoundHalfUp(2147483646.4), 2147483646);
}

TEST(Geom, PiIsTheTruncatedValueInBothConversions) {
    EXPECT_EQ(kPi, 3.1415926);
    EXPECT_EQ(DegToRad(180.0), 3.1415926);
    EXPECT_EQ(RadToDeg(3.1415926), 180.0);
    EXPECT_NE(RadToDeg(3.14159265358979), 180.0);
}

TEST(Geom, TheDataMatrixPiIsTwoPlacesInOneMultiplication) {
    // The constant the DataMatrix reader has always multiplied by.
    EXPECT_EQ(kDegreesPerRadianTwoPlaces, 57.324840764331206);
    EXPECT_EQ(RadToDegTwoPlaces(3.14), 180.0);
    // A quarter turn measured this way and turned back with kPi comes out
    // larger by 3.1415926 / 3.14.
    const double measured = RadToDegTwoPlaces(std::atan2(1.0, 0.0));
    EXPECT_GT(measured, 90.04);
    EXPECT_LT(measured, 90.05);
    EXPECT_NEAR(DegToRad(measured) / std::atan2(1.0, 0.0), kPi / kPiTwoPlaces, 1e-9);
}

TEST(Geom, ClampCornersMovesEveryCoordinateIntoThePicture) {
    QuadF q{{-3.5, 10}, {250, -1}, {99.5, 1e9}, {std::nan(""), 40}};
    ClampCorners(q, 100, 80);
    EXPECT_EQ(q.topLeft, (PointF{0, 10}));
    EXPECT_EQ(q.topRight, (PointF{99, 0}));
    EXPECT_EQ(q.bottomRight, (PointF{99.5, 79}));  // inside the last column: kept
    EXPECT_EQ(q.bottomLeft, (PointF{0, 40}));      // not a number: 0

    // On the edges: 0 and the last column stay, the width itself is outside.
    QuadF edges{{0, 0}, {99, 79}, {100, 80}, {-0.0, 79.999}};
    ClampCorners(edges, 100, 80);
    EXPECT_EQ(edges.topLeft, (PointF{0, 0}));
    EXPECT_EQ(edges.topRight, (PointF{99, 79}));
    EXPECT_EQ(edges.bottomRight, (PointF{99, 79}));
    EXPECT_EQ(edges.bottomLeft, (PointF{0, 79.999}));

    // A one-pixel picture holds every corner at (0, 0).
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    QuadF far{{5, 5}, {-5, -5}, {kInfinity, -kInfinity}, {std::nan(""), std::nan("")}};
    ClampCorners(far, 1, 1);
    for (int i = 0; i < QuadF::kCorners; ++i) EXPECT_EQ(far[i], (PointF{0, 0})) << i;
}

TEST(Geom, PointArithmeticAndDistances) {
    const PointI p{3, -4};
    EXPECT_EQ(p + 2 * PointI({1, 1}), (PointI{5, -2}));
    EXPECT_EQ(p - PointI({3, -4}), (PointI{0, 0}));
    EXPECT_EQ(-p, (PointI{-3, 4}));
    EXPECT_EQ(Abs(p), (PointI{3, 4}));
    EXPECT_EQ(StepDistance(p, {0, 0}), 4);
    EXPECT_EQ(StepDistance({0, 0}, {-7, 2}), 7);
    EXPECT_EQ(Dot(p, PointI({1, 1})), -1);
    EXPECT_EQ(Cross(PointI({1, 0}), PointI({0, 1})), 1);
    EXPECT_DOUBLE_EQ(Distance(ToPointF(p), {0, 0}), 5.0);
    EXPECT_EQ(Lerp({0, 0}, {10, 20}, 0.25), (PointF{2.5, 5.0}));
}

TEST(Geom, RectanglesAreHalfOpenAndSearchBoundsInclusive) {
    const Rect r{2, 3, 5, 7};
    EXPECT_EQ(r.Width(), 3);
    EXPECT_EQ(r.Height(), 4);
    EXPECT_TRUE(r.Contains(2, 3));
    EXPECT_TRUE(r.Contains(4, 6));
    EXPECT_FALSE(r.Contains(5, 6));
    EXPECT_FALSE(r.Contains(4, 7));
    EXPECT_FALSE(r.Contains(1, 3));
    EXPECT_EQ(r.Clamp({-10, 100}), (PointI{2, 6}));
    EXPECT_EQ(r.Clamp({3, 4}), (PointI{3, 4}));
    EXPECT_TRUE((Rect{4, 0, 4, 10}).Empty());
    EXPECT_FALSE(r.Empty());

    const SearchBounds b{2, 3, 4, 6};
    EXPECT_TRUE(b.Contains(4, 6));
    EXPECT_FALSE(b.Contains(5, 6));
    const Rect asRect = b.ToRect();
    EXPECT_EQ(asRect.x1, 5);
    EXPECT_EQ(asRect.y1, 7);
    for (std::uint32_t y = 0; y < 10; ++y)
        for (std::uint32_t x = 0; x < 10; ++x)
            EXPECT_EQ(b.Contains(x, y), asRect.Contains(static_cast<int>(x), static_cast<int>(y)))
                << x << "," << y;
}

TEST(Geom, QuadCornersAreIndexedP0ToP3) {
    QuadI q{{1, 1}, {2, 2}, {3, 3}, {4, 4}};
    for (int i = 0; i < QuadI::kCorners; ++i) EXPECT_EQ(q[i], (PointI{i + 1, i + 1}));
    q[2] = {9, 9};
    EXPECT_EQ(q.bottomRight, (PointI{9, 9}));
    EXPECT_FALSE(q == (QuadI{{1, 1}, {2, 2}, {3, 3}, {4, 4}}));
}

TEST(Geom, LineSumsFitAnExactLineAndRefuseDegenerateSets) {
    LineSums sums;
    FittedLine line;
    EXPECT_FALSE(sums.Fit(line));  // no points
    for (double u : {-2.0, 0.0, 1.0, 5.0}) sums.Add(u, 3.0 * u - 1.0);
    ASSERT_TRUE(sums.Fit(line));
    EXPECT_DOUBLE_EQ(line.slope, 3.0);
    EXPECT_DOUBLE_EQ(line.intercept, -1.0);
    EXPECT_DOUBLE_EQ(line.At(2.0), 5.0);

    LineSums column;  // every u the same: the line is vertical in (u, v)
    column.Add(4, 1);
    column.Add(4, 9);
    EXPECT_FALSE(column.Fit(line));

    LineSums scattered;  // least squares through (0,0), (1,1), (2,1), (3,2): slope 0.6
    scattered.Add(0, 0);
    scattered.Add(1, 1);
    scattered.Add(2, 1);
    scattered.Add(3, 2);
    ASSERT_TRUE(scattered.Fit(line));
    EXPECT_NEAR(line.slope, 0.6, 1e-12);
    EXPECT_NEAR(line.intercept, 0.1, 1e-12);
}

}  // namespace
}  // namespace zr::geom
