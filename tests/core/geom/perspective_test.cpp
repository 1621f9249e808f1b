// The projective transform: unit square to quad and back, quad to quad,
// known mappings, straight lines kept straight, and degenerate quads.
#include <gtest/gtest.h>

#include <optional>

#include "core/geom/perspective.hpp"

namespace zr::geom {
namespace {

constexpr double kClose = 1e-9;

// A symbol seen at a slant: the far side narrower and the whole turned.
const QuadF kSlanted{{12.5, 20}, {110, 31}, {96, 118.25}, {20, 97}};
const QuadF kTrapezoid{{0, 0}, {4, 0}, {3, 2}, {1, 2}};
const QuadF kUnitSquare{{0, 0}, {1, 0}, {1, 1}, {0, 1}};

void ExpectNear(PointF actual, PointF expected, const char *what) {
    EXPECT_NEAR(actual.x, expected.x, kClose) << what;
    EXPECT_NEAR(actual.y, expected.y, kClose) << what;
}

// The point where the lines a-b and c-d cross.
PointF Crossing(PointF a, PointF b, PointF c, PointF d) {
    const double t = Cross(c - a, d - c) / Cross(b - a, d - c);
    return a + t * (b - a);
}

TEST(Perspective, TheDefaultIsTheIdentity) {
    const Perspective identity;
    EXPECT_EQ(identity.Map({3.25, -7}), (PointF{3.25, -7}));
}

TEST(Perspective, SquareToQuadPutsTheCornersOnTheQuadAndTheCentreOnItsDiagonals) {
    for (const QuadF &quad : {kSlanted, kTrapezoid}) {
        const std::optional<Perspective> map = Perspective::SquareToQuad(quad);
        ASSERT_TRUE(map);
        for (int i = 0; i < QuadF::kCorners; ++i) ExpectNear(map->Map(kUnitSquare[i]), quad[i], "corner");
        // The square's diagonals cross in its centre; a projective map keeps
        // the crossing (an affine or bilinear map would not).
        ExpectNear(map->Map({0.5, 0.5}),
                   Crossing(quad.topLeft, quad.bottomRight, quad.topRight, quad.bottomLeft), "centre");
        // The origin is where the first corner is: exactly.
        EXPECT_EQ(map->Map({0, 0}), quad.topLeft);
    }
    // Worked by hand: the trapezoid's diagonals cross at (2, 4/3).
    ExpectNear(Perspective::SquareToQuad(kTrapezoid)->Map({0.5, 0.5}), {2, 4.0 / 3.0}, "trapezoid");
}

TEST(Perspective, AParallelogramIsMappedAffinely) {
    const QuadF rectangle{{10, 20}, {50, 20}, {50, 80}, {10, 80}};
    const std::optional<Perspective> map = Perspective::SquareToQuad(rectangle);
    ASSERT_TRUE(map);
    ExpectNear(map->Map({0.25, 0.5}), {20, 50}, "rectangle");
    ExpectNear(map->Map({2, -1}), {90, -40}, "outside the square");
    const QuadF sheared{{0, 0}, {10, 2}, {13, 12}, {3, 10}};
    ExpectNear(Perspective::SquareToQuad(sheared)->Map({0.5, 0.25}), {5.75, 3.5}, "sheared");
}

TEST(Perspective, QuadToSquareUndoesSquareToQuad) {
    const std::optional<Perspective> forward = Perspective::SquareToQuad(kSlanted);
    const std::optional<Perspective> back = Perspective::QuadToSquare(kSlanted);
    ASSERT_TRUE(forward && back);
    for (int i = 0; i < QuadF::kCorners; ++i) ExpectNear(back->Map(kSlanted[i]), kUnitSquare[i], "corner");
    for (double v = -0.5; v <= 1.5; v += 0.25)
        for (double u = -0.5; u <= 1.5; u += 0.25) {
            ExpectNear(back->Map(forward->Map({u, v})), {u, v}, "square -> quad -> square");
            const PointF picture{40 + 20 * u, 50 + 30 * v};
            ExpectNear(forward->Map(back->Map(picture)), picture, "quad -> square -> quad");
        }
}

TEST(Perspective, QuadToQuadTakesEachCornerToItsCounterpart) {
    const std::optional<Perspective> map = Perspective::QuadToQuad(kSlanted, kTrapezoid);
    const std::optional<Perspective> back = Perspective::QuadToQuad(kTrapezoid, kSlanted);
    ASSERT_TRUE(map && back);
    for (int i = 0; i < QuadF::kCorners; ++i) ExpectNear(map->Map(kSlanted[i]), kTrapezoid[i], "corner");
    const PointF inside{60, 70};
    ExpectNear(map->Then(*back).Map(inside), inside, "there and back");
    // Through the square in two steps is the same map.
    const PointF viaSquare =
        Perspective::SquareToQuad(kTrapezoid)->Map(Perspective::QuadToSquare(kSlanted)->Map(inside));
    ExpectNear(map->Map(inside), viaSquare, "via the square");
}

TEST(Perspective, StraightLinesStayStraight) {
    const Perspective map = *Perspective::SquareToQuad(kSlanted);
    // Points along a slanted line of the square stay on one line in the picture.
    const PointF a = map.Map({0.1, 0.2}), b = map.Map({0.9, 0.6});
    for (double t = 0; t <= 1; t += 0.125) {
        const PointF p = map.Map({0.1 + 0.8 * t, 0.2 + 0.4 * t});
        EXPECT_NEAR(Cross(b - a, p - a) / Distance(a, b), 0, kClose) << t;
    }
}

TEST(Perspective, DegenerateQuadsHaveNoMap) {
    const QuadF point{{5, 5}, {5, 5}, {5, 5}, {5, 5}};
    const QuadF collinear{{0, 0}, {1, 1}, {2, 2}, {3, 3}};
    for (const QuadF &quad : {point, collinear}) {
        EXPECT_EQ(Perspective::SquareToQuad(quad), std::nullopt);
        EXPECT_EQ(Perspective::QuadToSquare(quad), std::nullopt);
        EXPECT_EQ(Perspective::QuadToQuad(quad, kSlanted), std::nullopt);
        EXPECT_EQ(Perspective::QuadToQuad(kSlanted, quad), std::nullopt);
    }
    // Not a number anywhere: no map rather than one that maps to nonsense.
    EXPECT_EQ(Perspective::SquareToQuad({{0, 0}, {1, 0}, {1, std::nan("")}, {0, 1}}), std::nullopt);
}

}  // namespace
}  // namespace zr::geom
