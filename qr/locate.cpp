// Location of a QR Code symbol from three finder candidates: the right-angle
// test, the orientation, the module grid measured on the finder outlines,
// the corners and the version estimate.
#include <cmath>

#include "qr/candidate.hpp"
#include "qr/capacity_table.hpp"

namespace zr::qr {

namespace {

using geom::PointF;

// Plain square root of the squared length: this runs for every outline point
// of every located triple, where hypot's extra care costs more than it gains.
double Span(PointF a, PointF b) {
    const double dx = a.x - b.x, dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

struct EdgePoints {
    PointF outer, inner;
};

// Keeps the first of equal minima, as the points are scanned in order.
struct Nearest {
    double best = 65535;
    PointF point;
    bool found = false;
    void Offer(double score, PointF p) {
        if (score < best) {
            best = score;
            point = p;
            found = true;
        }
    }
};

// Outer and inner outline points of `finder` on the line between its centre
// `own` and the other finder's centre `other`. Along the direction of travel
// from the first finder to the second (`forward`: towards growing x or y),
// each finder is measured from its first dark pixel to just past its last:
// the first finder's outer side is where travel enters it, the second's is
// where travel leaves it.
bool FinderEdge(const regions::Region &finder, PointF own, PointF other, bool steep, bool forward, bool first,
                EdgePoints &edge) {
    const double f = Span(own, other);
    Nearest outer, inner;
    const int count = steep ? finder.Width() : finder.Height();
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const std::int32_t low = steep ? finder.colTop[k] : finder.rowLeft[k];
        const std::int32_t high = steep ? finder.colBottom[k] : finder.rowRight[k];
        if (low == regions::kNoOutline) continue;
        const double entry = forward ? low : high;
        const double exit = forward ? high + 1 : low - 1;
        const double at = (steep ? finder.box.x0 : finder.box.y0) + i;
        const double outerAt = first ? entry : exit;
        const double innerAt = first ? exit : entry;
        const PointF o = steep ? PointF{at, outerAt} : PointF{outerAt, at};
        const PointF n = steep ? PointF{at, innerAt} : PointF{innerAt, at};
        outer.Offer(std::fabs(Span(o, other) - (f + Span(o, own))), o);
        inner.Offer(std::fabs(f - (Span(n, own) + Span(n, other))), n);
    }
    edge = {outer.point, inner.point};
    return outer.found && inner.found;
}

// Module size and step vector along the axis from finder p to finder q.
bool MeasureAxis(const regions::Region &p, PointF pc, const regions::Region &q, PointF qc, double &module,
                 PointF &step) {
    const bool steep = std::fabs(qc.y - pc.y) >= std::fabs(qc.x - pc.x);
    const bool forward = steep ? qc.y > pc.y : qc.x > pc.x;
    EdgePoints pe, qe;
    if (!FinderEdge(p, pc, qc, steep, forward, true, pe) || !FinderEdge(q, qc, pc, steep, forward, false, qe))
        return false;
    module = (Span(pe.outer, pe.inner) + Span(qe.inner, qe.outer)) / 14.0;
    step = ((pe.inner - pe.outer) + (qe.outer - qe.inner)) * (1.0 / 14.0);
    return true;
}

}  // namespace

void MeasureFinderEdges(QRCandidate &c, const regions::Region &a, const regions::Region &b,
                        const regions::Region &d) {
    if (!MeasureAxis(a, c.a, b, c.b, c.moduleAB, c.u)) c.moduleAB = 0;
    if (!MeasureAxis(a, c.a, d, c.d, c.moduleAD, c.v)) c.moduleAD = 0;
}

bool LocateQRSymbol(const FinderCandidate &a, const FinderCandidate &x, const FinderCandidate &y,
                    QRCandidate &c) {
    const PointF pa = a.centre, px = x.centre, py = y.centre;
    // Squared lengths first: this test runs for every triple the search tries.
    const double ax2 = geom::Dot(px - pa, px - pa), ay2 = geom::Dot(py - pa, py - pa);
    const double xy2 = geom::Dot(py - px, py - px);
    const double ax = std::sqrt(ax2), ay = std::sqrt(ay2);
    if (0.1 * ax < std::fabs(ax - ay)) return false;
    if (0.04 * xy2 < std::fabs(ax2 + ay2 - xy2)) return false;

    // Orientation (y grows downward): B follows A along the first row, D down the first column.
    bool xIsB;
    if (std::fabs(pa.y - px.y) >= std::fabs(pa.x - px.x)) {
        xIsB = !(py.x - pa.x > 0);
    } else {
        const bool below = py.y - pa.y > 0;
        xIsB = (px.x - pa.x > 0) ? below : !below;
    }
    const FinderCandidate &fb = xIsB ? x : y;
    const FinderCandidate &fd = xIsB ? y : x;
    c.a = pa;
    c.b = fb.centre;
    c.d = fd.centre;
    c.distanceAB = Span(c.a, c.b);
    c.distanceAD = Span(c.a, c.d);

    MeasureFinderEdges(c, *a.region, *fb.region, *fd.region);
    if (!(c.moduleAB > 0) || !(c.moduleAD > 0)) return false;
    const PointF u = c.u, v = c.v;
    c.corners.topLeft = c.a - 3.5 * u - 3.5 * v;
    c.corners.topRight = c.b + 3.5 * u - 3.5 * v;
    c.corners.bottomRight = (c.b + c.d - c.a) + 3.5 * u + 3.5 * v;
    c.corners.bottomLeft = c.d - 3.5 * u + 3.5 * v;

    const double estimate =
        std::trunc(((c.distanceAD / c.moduleAD - 10) + (c.distanceAB / c.moduleAB - 10)) * 0.125 + 0.5);
    if (!(estimate >= kMinVersion && estimate <= kMaxVersion)) return false;
    c.version = static_cast<int>(estimate);
    c.size = 4 * c.version + 17;
    const double n = c.size;
    c.u = (c.corners.topRight - c.corners.topLeft) * (1.0 / n);
    c.v = (c.corners.bottomLeft - c.corners.topLeft) * (1.0 / n);
    return true;
}

}  // namespace zr::qr
