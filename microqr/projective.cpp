// A plane projective map from module coordinates to picture coordinates,
// fixed by the finder's four corners: the grid of a symbol seen at a slant.
#include <cmath>

#include "microqr/candidate.hpp"

namespace zr::microqr {

geom::PointF Homography::At(double column, double row) const {
    const double x = column / side, y = row / side;
    const double w = g * x + h * y + 1;
    return {(a * x + b * y + c) / w, (d * x + e * y + f) / w};
}

bool SquareToQuad(const geom::QuadF &q, double side, Homography &m) {
    const geom::PointF p0 = q.topLeft, p1 = q.topRight, p2 = q.bottomRight, p3 = q.bottomLeft;
    const geom::PointF d1 = p1 - p2, d2 = p3 - p2, d3 = p0 - p1 + p2 - p3;
    const double det = geom::Cross(d1, d2);
    if (!(std::fabs(det) > 1e-9) || !(side > 0)) return false;
    m.g = geom::Cross(d3, d2) / det;
    m.h = geom::Cross(d1, d3) / det;
    m.a = p1.x - p0.x + m.g * p1.x;
    m.b = p3.x - p0.x + m.h * p3.x;
    m.c = p0.x;
    m.d = p1.y - p0.y + m.g * p1.y;
    m.e = p3.y - p0.y + m.h * p3.y;
    m.f = p0.y;
    m.side = side;
    return true;
}

}  // namespace zr::microqr
