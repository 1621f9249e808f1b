// The line families of the search: where lines lie, how the search moves
// from line to line and from family to family, and positions along a line.
#include <gtest/gtest.h>

#include <vector>

#include "bar/line_families.hpp"
#include "core/call_frame.hpp"
#include "support/render.hpp"

namespace zr::bar {
namespace {

// A blank picture; the line families only need its size.
struct BlankPicture {
    std::vector<std::uint8_t> dib;
    WorkingImage work;
    BlankPicture(int width, int height) : dib(zr::test::ToDib(zr::test::Canvas(width, height), 1)) {
        EXPECT_EQ(LoadBiLevel(dib.data(), &work.image), 0);
    }
    Picture Area(geom::Rect area) const { return {BitImageView(work.image), area}; }
};

TEST(LineFamilies, HorizontalLinesStartSevenApartAndComeCloserAfterACandidate) {
    const BlankPicture blank(60, 100);
    LineSearch search(blank.Area({10, 20, 60, 60}), kAllDirections);
    ASSERT_EQ(search.family, Family::Horizontal);
    EXPECT_EQ(search.lineOrigin, (Point{10, 20}));
    EXPECT_EQ(search.nextOrigin, (Point{10, 27}));
    // Rows walked: a row made current is walked unless the next row has
    // already reached the bottom of the area.
    std::vector<int> walked{search.lineOrigin.y};
    FinishLine(search, false);
    walked.push_back(search.lineOrigin.y);
    FinishLine(search, true);  // a candidate ended the line: the next row is 5 further
    walked.push_back(search.lineOrigin.y);
    for (;;) {
        FinishLine(search, false);
        if (search.familyEnding) break;
        walked.push_back(search.lineOrigin.y);
    }
    EXPECT_EQ(walked, (std::vector<int>{20, 27, 34, 39, 46}));
    EXPECT_EQ(search.lineOrigin.y, 53);  // made current, not walked: its next row, 60, is outside
}

TEST(LineFamilies, FamiliesFollowEachOtherAsTheDirectionsAllow) {
    EXPECT_EQ(FollowingFamily(Family::Horizontal, kAllDirections), Family::Vertical);
    EXPECT_EQ(FollowingFamily(Family::Horizontal, kHorizontal), Family::Done);
    EXPECT_EQ(FollowingFamily(Family::Vertical, kAllDirections), Family::DiagonalUp);
    EXPECT_EQ(FollowingFamily(Family::Vertical, kVertical), Family::Done);  // diagonals only with all four
    EXPECT_EQ(FollowingFamily(Family::DiagonalUp, kAllDirections), Family::DiagonalDown);
    EXPECT_EQ(FollowingFamily(Family::DiagonalDown, kAllDirections), Family::Done);

    const BlankPicture blank(40, 30);
    EXPECT_EQ(LineSearch(blank.Area({0, 0, 40, 30}), kBottomToTop).family, Family::Vertical);
    EXPECT_EQ(ReadingSense(Family::Horizontal, kLeftToRight | kBottomToTop), kLeftToRight);
    EXPECT_EQ(ReadingSense(Family::Vertical, kLeftToRight | kBottomToTop), kBottomToTop);
    EXPECT_EQ(ReadingSense(Family::DiagonalDown, kLeftToRight), kDiagonalDown);
}

TEST(LineFamilies, VerticalLinesRunFromTheRightEdgeLeftwards) {
    const BlankPicture blank(50, 40);
    LineSearch search(blank.Area({5, 0, 45, 40}), kVertical);
    EXPECT_EQ(search.lineOrigin, (Point{44, 0}));
    EXPECT_EQ(search.nextOrigin, (Point{37, 0}));
    FinishLine(search, false);
    EXPECT_EQ(search.lineOrigin, (Point{37, 0}));
    EXPECT_EQ(search.nextOrigin, (Point{30, 0}));
}

TEST(LineFamilies, DiagonalOriginsStayInsideAndCoverTheAreaEveryFivePixels) {
    const BlankPicture blank(70, 50);
    const geom::Rect area{3, 4, 63, 44};
    for (const Family family : {Family::DiagonalUp, Family::DiagonalDown}) {
        SCOPED_TRACE(static_cast<int>(family));
        LineSearch search(blank.Area(area), kAllDirections);
        StartFamily(search, family);
        std::vector<int> positions;
        while (!search.familyEnding) {
            ASSERT_TRUE(area.Contains(search.lineOrigin));
            // Every line is one of the family's: x + y (up) or x - y (down) fixed along it.
            positions.push_back(family == Family::DiagonalUp ? search.lineOrigin.x + search.lineOrigin.y
                                                             : search.lineOrigin.x - search.lineOrigin.y);
            FinishLine(search, false);
        }
        ASSERT_GE(positions.size(), 2u);
        for (std::size_t i = 1; i < positions.size(); ++i)
            EXPECT_EQ(std::abs(positions[i] - positions[i - 1]), 5) << i;
        // The lines reach the far corner of the area within one spacing.
        const int far =
            family == Family::DiagonalUp ? (area.x1 - 1) + (area.y1 - 1) : area.x0 - (area.y1 - 1);
        EXPECT_LT(std::abs(positions.back() - far), 5);
    }
}

TEST(LineFamilies, PointsOnALineAreFoundAgainFromTheirPositionAlongIt) {
    for (const Family family :
         {Family::Horizontal, Family::Vertical, Family::DiagonalUp, Family::DiagonalDown}) {
        SCOPED_TRACE(static_cast<int>(family));
        const Point origin{20, 30};
        const std::uint8_t step = GeometryOf(family).walkStep;
        for (int n = -12; n <= 12; ++n) {
            const Point p = origin + n * lines::StepVector(step);
            EXPECT_EQ(PointOnLine(family, origin, AlongOf(family, p)), p) << n;
        }
    }
}

}  // namespace
}  // namespace zr::bar
