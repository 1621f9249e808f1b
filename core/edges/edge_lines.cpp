// Fitted sides in picture coordinates and the corner where two of them meet.
#include <cmath>

#include "core/edges/edges.hpp"

namespace zr::edges {
namespace {

double SquaredDistance(double ax, double ay, double bx, double by) {
    return (ax - bx) * (ax - bx) + (ay - by) * (ay - by);
}

// True when (x, y) lies within sqrt(tolerance) of one end of the side.
bool NearAnEnd(const EdgeLine &side, double x, double y, double tolerance) {
    const double nearer =
        std::fmin(SquaredDistance(x, y, side.x0, side.y0), SquaredDistance(x, y, side.x1, side.y1));
    return !(tolerance < nearer) && !std::isnan(nearer);
}

}  // namespace

EdgeLine RowEdgeLine(const EdgeFit &fit, double top) {
    return {fit.startValue, top + fit.startIndex, fit.endValue, top + fit.endIndex, fit.length};
}

EdgeLine ColumnEdgeLine(const EdgeFit &fit, double left) {
    return {left + fit.startIndex, fit.startValue, left + fit.endIndex, fit.endValue, fit.length};
}

bool IntersectEdgeLines(const EdgeLine &v, const EdgeLine &h, double &x, double &y) {
    const double e = (h.y1 - h.y0) / (h.x1 - h.x0);  // h as dy/dx
    const double m = (v.x1 - v.x0) / (v.y1 - v.y0);  // v as dx/dy
    const double d = 1 - e * m;
    if (d == 0 || std::isnan(d)) return false;
    const double r = (v.x0 * v.y1 - v.x1 * v.y0) / (v.y1 - v.y0);  // x of v at y = 0
    const double t = (h.y0 * h.x1 - h.y1 * h.x0) / (h.x1 - h.x0);  // y of h at x = 0
    double cx = (r + m * t) / d;
    double cy = (t + e * r) / d;
    if (!(cx >= 0)) cx = 0;
    if (!(cy >= 0)) cy = 0;
    const double reach = (v.length + h.length) * kCornerTolerance;
    const double tolerance = reach * reach;
    if (!NearAnEnd(v, cx, cy, tolerance) || !NearAnEnd(h, cx, cy, tolerance)) return false;
    x = cx;
    y = cy;
    return true;
}

}  // namespace zr::edges
