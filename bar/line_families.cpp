// The four families of search lines and how the search moves between lines.
#include "bar/line_families.hpp"

#include <algorithm>
#include <cmath>

namespace zr::bar {

namespace {

using lines::kStepDown;
using lines::kStepDownRight;
using lines::kStepRight;
using lines::kStepUpRight;

constexpr int kFirstLineGap = 7;     // rows 0 and 1 of a family are this far apart
constexpr int kLineGap = 7;          // next line after a line walked to its end
constexpr int kGapAfterSymbol = 5;   // next line after a candidate ended the line
constexpr int kDiagonalAdvance = 5;  // between the origins of diagonal lines

// Indexed by Family. The horizontal family walks rows and its bars stand
// near vertical; the vertical family the other way round.
// clang-format off
constexpr Geometry kGeometry[] = {
    // walk step      collector      second probe  line shift  second   fit edges    added
    //                               offset                    spacing               angle
    {kStepRight,     kLeftToRight,  {-15, 5},     {0, 5},     5,       kVertical,   90.0},   // Horizontal
    {kStepDown,      kTopToBottom,  {-5, -15},    {-5, 0},    5,       kHorizontal, 270.0},  // Vertical
    {kStepUpRight,   kDiagonalUp,   {-7, 15},     {0, 5},     8,       kVertical,   90.0},   // DiagonalUp
    {kStepDownRight, kDiagonalDown, {-15, -7},    {-5, 0},    8,       kVertical,   90.0},   // DiagonalDown
};
// clang-format on

bool IsDiagonal(Family family) {
    return family == Family::DiagonalUp || family == Family::DiagonalDown;
}

// Origin of diagonal line number k of a family, or false past the area.
bool DiagonalOrigin(const Rect &area, Family family, int k, Point &origin) {
    if (family == Family::DiagonalUp) {  // down the left edge, then along the bottom edge
        const int sum = area.x0 + area.y0 + kDiagonalAdvance * k;  // x + y of the line
        const int y = std::min(sum - area.x0, area.y1 - 1);
        origin = {sum - y, y};
    } else {  // leftwards along the top edge, then down the left edge
        const int difference = (area.x1 - 1) - area.y0 - kDiagonalAdvance * k;  // x - y of the line
        const int x = std::max(difference + area.y0, area.x0);
        origin = {x, x - difference};
    }
    return area.Contains(origin);
}

// Moves to the family's next diagonal line.
void AdvanceDiagonal(LineSearch &search) {
    const int k = search.diagonalLine + 1;
    Point origin;
    if (!DiagonalOrigin(search.picture.area, search.family, k, origin)) {
        search.familyEnding = true;
        return;
    }
    search.diagonalLine = k;
    search.lineOrigin = origin;
    search.resume = origin;
}

}  // namespace

const Geometry &GeometryOf(Family family) {
    const auto index = static_cast<std::size_t>(family);
    return kGeometry[std::min(index, std::size(kGeometry) - 1)];
}

int AlongOf(Family family, Point p) {
    switch (family) {
        case Family::Horizontal:
            return p.x;
        case Family::Vertical:
            return p.y;
        case Family::DiagonalUp:
            return p.x - p.y;
        default:
            return p.x + p.y;
    }
}

double AlongScale(Family family) {
    return IsDiagonal(family) ? 0.70710678 : 1.0;
}

Point PointOnLine(Family family, Point onLine, int along) {
    switch (family) {
        case Family::Horizontal:
            return {along, onLine.y};
        case Family::Vertical:
            return {onLine.x, along};
        case Family::DiagonalUp: {
            const int sum = onLine.x + onLine.y;  // x - y = along
            const int x = static_cast<int>(std::floor((sum + along) / 2.0));
            return {x, sum - x};
        }
        default: {
            const int difference = onLine.x - onLine.y;  // x + y = along
            const int x = static_cast<int>(std::floor((along + difference) / 2.0));
            return {x, x - difference};
        }
    }
}

std::uint8_t ReadingSense(Family family, std::uint8_t directions) {
    switch (family) {
        case Family::Horizontal:
            return directions & kHorizontal;
        case Family::Vertical:
            return directions & kVertical;
        case Family::DiagonalUp:
            return kDiagonalUp;
        default:
            return kDiagonalDown;
    }
}

Family FollowingFamily(Family family, std::uint8_t directions) {
    switch (family) {
        case Family::Horizontal:
            return (directions & kVertical) ? Family::Vertical : Family::Done;
        case Family::Vertical:
            return directions == kAllDirections ? Family::DiagonalUp : Family::Done;
        case Family::DiagonalUp:
            return Family::DiagonalDown;
        default:
            return Family::Done;
    }
}

void StartFamily(LineSearch &search, Family family) {
    const Rect &area = search.picture.area;
    search.family = family;
    search.familyEnding = false;
    switch (family) {
        case Family::Horizontal:
            search.lineOrigin = {area.x0, area.y0};
            search.nextOrigin = {area.x0, area.y0 + kFirstLineGap};
            break;
        case Family::Vertical:
            search.lineOrigin = {area.x1 - 1, area.y0};
            search.nextOrigin = {area.x1 - 1 - kFirstLineGap, area.y0};
            break;
        case Family::DiagonalUp:
        case Family::DiagonalDown:
            search.diagonalLine = 0;
            DiagonalOrigin(area, family, 0, search.lineOrigin);
            break;
        case Family::Done:
            break;
    }
    search.resume = search.lineOrigin;
}

LineSearch::LineSearch(const Picture &searched, std::uint8_t directionBits)
    : picture(searched), directions(directionBits), darkMap(searched.image) {
    probeScan.widths.reserve(kMaxElements + 1);
    secondScan.widths.reserve(kMaxElements + 1);
    followScan.widths.reserve(kMaxElements + 1);
    StartFamily(*this, (directions & kHorizontal) ? Family::Horizontal : Family::Vertical);
}

void LineSearch::NoteErased(const QuadI &outline) {
    // The erase writes the outline's bounding box, clipped to the picture.
    Point low = outline.topLeft, high = outline.topLeft;
    for (int i = 0; i < QuadI::kCorners; ++i) {
        low = {std::min(low.x, outline[i].x), std::min(low.y, outline[i].y)};
        high = {std::max(high.x, outline[i].x), std::max(high.y, outline[i].y)};
    }
    darkMap.Refresh(low, high);
}

void FinishLine(LineSearch &search, bool byCandidate) {
    if (IsDiagonal(search.family)) {
        AdvanceDiagonal(search);
        return;
    }
    const int gap = byCandidate ? kGapAfterSymbol : kLineGap;
    search.lineOrigin = search.nextOrigin;
    search.resume = search.lineOrigin;
    if (search.family == Family::Horizontal) {
        search.nextOrigin.y += gap;
        if (search.nextOrigin.y >= search.picture.area.y1) search.familyEnding = true;
    } else {
        search.nextOrigin.x -= gap;
        if (search.nextOrigin.x < search.picture.area.x0) search.familyEnding = true;
    }
}

}  // namespace zr::bar
