// Fitted sides in picture coordinates and the corner where two of them meet.
#include <cmath>

#include "core/edges/edges.hpp"

namespace zr::edges {
namespace {

double SquaredDistance(geom::PointF a, geom::PointF b) {
    return geom::Dot(a - b, a - b);
}

// True when p lies within sqrt(tolerance) of one end of the side.
bool NearAnEnd(const EdgeLine &side, geom::PointF p, double tolerance) {
    const double nearer = std::fmin(SquaredDistance(p, side.start), SquaredDistance(p, side.end));
    return !(tolerance < nearer) && !std::isnan(nearer);
}

}  // namespace

EdgeLine RowEdgeLine(const EdgeFit &fit, double top) {
    return {{fit.startValue, top + fit.startIndex}, {fit.endValue, top + fit.endIndex}, fit.length};
}

EdgeLine ColumnEdgeLine(const EdgeFit &fit, double left) {
    return {{left + fit.startIndex, fit.startValue}, {left + fit.endIndex, fit.endValue}, fit.length};
}

std::optional<geom::PointF> IntersectEdgeLines(const EdgeLine &v, const EdgeLine &h) {
    const geom::PointF hSpan = h.end - h.start, vSpan = v.end - v.start;
    const double e = hSpan.y / hSpan.x;  // h as dy/dx
    const double m = vSpan.x / vSpan.y;  // v as dx/dy
    const double d = 1 - e * m;
    if (d == 0 || std::isnan(d)) return std::nullopt;
    const double r = geom::Cross(v.start, v.end) / vSpan.y;  // x of v at y = 0
    const double t = geom::Cross(h.end, h.start) / hSpan.x;  // y of h at x = 0
    geom::PointF corner{(r + m * t) / d, (t + e * r) / d};
    if (!(corner.x >= 0)) corner.x = 0;
    if (!(corner.y >= 0)) corner.y = 0;
    const double reach = (v.length + h.length) * kCornerTolerance;
    const double tolerance = reach * reach;
    if (!NearAnEnd(v, corner, tolerance) || !NearAnEnd(h, corner, tolerance)) return std::nullopt;
    return corner;
}

}  // namespace zr::edges
