// Symbol location: straight lines on the four outline sides of a region, two
// of them taken as the solid finder, and the symbol's corners in its own
// reading frame from where they meet.
#include <cmath>

#include "dm/stages.hpp"

namespace zr::dm {
namespace {

// Finder corner in the picture by (horizontal side runs right) + 2 (vertical
// side runs down): 0 bottom-right, 1 bottom-left, 3 top-right, 2 top-left.
constexpr std::uint8_t kOrientation[4] = {0, 1, 3, 2};
constexpr std::uint8_t kBottomLeft = 1;

bool FitSide(const std::vector<std::int32_t> &values, edges::EdgeFit &fit, edges::FitWork &work) {
    return edges::FitEdgeLine(values.data(), static_cast<int>(values.size()) - 1, fit, work);
}

}  // namespace

bool FitRegionSides(const regions::Region &region, RegionSides &sides, edges::FitWork &work) {
    if (!region.HasOutline() || region.rowRight.size() != region.rowLeft.size() || region.colTop.empty() ||
        region.colBottom.size() != region.colTop.size())
        return false;
    edges::EdgeFit left, right, top, bottom;
    if (!FitSide(region.rowLeft, left, work) || !FitSide(region.rowRight, right, work) ||
        !FitSide(region.colTop, top, work) || !FitSide(region.colBottom, bottom, work))
        return false;
    sides.left = edges::RowEdgeLine(left, region.box.y0);
    sides.right = edges::RowEdgeLine(right, region.box.y0);
    sides.top = edges::ColumnEdgeLine(top, region.box.x0);
    sides.bottom = edges::ColumnEdgeLine(bottom, region.box.x0);
    return true;
}

bool LocateSymbol(const RegionSides &sides, int hypothesis, DMSymbol &symbol) {
    if (hypothesis < 0 || hypothesis >= kHypothesisCount) return false;
    const edges::EdgeLine &v = hypothesis < 2 ? sides.left : sides.right;
    const edges::EdgeLine &h = hypothesis % 2 == 0 ? sides.top : sides.bottom;
    symbol.vEdge = v;
    symbol.hEdge = h;
    const std::optional<geom::PointF> meet = edges::IntersectEdgeLines(v, h);
    if (!meet) return false;
    const geom::PointF corner = *meet;
    symbol.finderCorner = corner;

    const bool hRunsRight = std::fabs(h.end.x - corner.x) > std::fabs(h.start.x - corner.x);
    const bool vRunsDown = std::fabs(v.end.y - corner.y) > std::fabs(v.start.y - corner.y);
    symbol.orientation = kOrientation[(hRunsRight ? 1 : 0) + (vRunsDown ? 2 : 0)];
    const geom::PointF hFar = hRunsRight ? h.end : h.start;
    const geom::PointF vFar = vRunsDown ? v.end : v.start;

    // The side along the bottom of the reading frame is the horizontal one
    // when the finder corner is on the left or right of the upright frame.
    geom::QuadF &p = symbol.corners;
    const bool horizontalSpansColumns = symbol.orientation == 1 || symbol.orientation == 3;
    p.topLeft = horizontalSpansColumns ? vFar : hFar;
    p.bottomRight = horizontalSpansColumns ? hFar : vFar;
    p.bottomLeft = corner;
    p.topRight = p.topLeft + p.bottomRight - corner;
    if (symbol.orientation == kBottomLeft) p.topRight += geom::PointF{1, -1};
    return true;
}

}  // namespace zr::dm
