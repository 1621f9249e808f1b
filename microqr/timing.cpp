// Refining a rotation's grid with the finder's edge and the timing patterns:
// the module step that the finder's corners give along each axis is turned
// and scaled a little until row 0 (column 0) reads best: seven dark finder
// modules, the light separator, then alternating modules, dark first.
#include <cmath>

#include "core/geom/geom.hpp"
#include "microqr/candidate.hpp"

namespace zr::microqr {
namespace {

constexpr int kFinderSide = 7;
// Scales tried: the finder's measure within 8 % either way in steps of 0.4 %
// (less than a module over 17 modules between steps); turns within 3 degrees
// in steps of half a degree.
constexpr double kScaleReach = 0.08;
constexpr double kScaleStep = 0.004;
constexpr double kTurnReach = 3.0;
constexpr double kTurnStep = 0.5;

bool ExpectedDark(int k) {
    return k < kFinderSide || (k > kFinderSide && k % 2 == 0);
}

// Modules of row 0 (or column 0) that read as expected with the step `along`.
int EdgeMatches(const BitImageView &image, geom::PointF origin, geom::PointF along, geom::PointF across,
                int size) {
    int matches = 0;
    for (int k = 0; k < size; ++k) {
        const geom::PointF p = origin + (k + 0.5) * along + 0.5 * across;
        if (!(p.x >= 0 && p.y >= 0 && p.x < image.Width() && p.y < image.Height())) continue;
        if (image.Dark(static_cast<int>(p.x), static_cast<int>(p.y)) == ExpectedDark(k)) ++matches;
    }
    return matches;
}

geom::PointF Turned(geom::PointF v, double degrees) {
    const double a = geom::DegToRad(degrees), c = std::cos(a), s = std::sin(a);
    return {v.x * c - v.y * s, v.x * s + v.y * c};
}

// The middle of the values `count` steps either way of 0 under which the
// most modules read as expected.
template <class Matches>
double MiddleOfBest(int count, double step, Matches &&matchesAt) {
    int best = -1;
    double sum = 0, n = 0;
    for (int i = -count; i <= count; ++i) {
        const int matches = matchesAt(i * step);
        if (matches < best) continue;
        if (matches > best) {
            best = matches;
            sum = n = 0;
        }
        sum += i * step;
        n += 1;
    }
    return sum / n;
}

// The best step along one axis: its scale with the turn kept, then its turn
// at that scale, then the scale again at that turn.
geom::PointF BestStep(const BitImageView &image, geom::PointF origin, geom::PointF along, geom::PointF across,
                      int size) {
    const int scales = static_cast<int>(std::lround(kScaleReach / kScaleStep));
    const int turns = static_cast<int>(std::lround(kTurnReach / kTurnStep));
    const auto scaleAt = [&](double turn) {
        const geom::PointF turned = Turned(along, turn);
        return MiddleOfBest(scales, kScaleStep, [&](double change) {
            return EdgeMatches(image, origin, (1.0 + change) * turned, across, size);
        });
    };
    const double firstScale = scaleAt(0);
    const double turn = MiddleOfBest(turns, kTurnStep, [&](double t) {
        return EdgeMatches(image, origin, (1.0 + firstScale) * Turned(along, t), across, size);
    });
    return (1.0 + scaleAt(turn)) * Turned(along, turn);
}

}  // namespace

void RefineGridByTiming(const BitImageView &image, MicroQRCandidate &c) {
    const int size = c.rows;
    const geom::PointF origin = c.corners.topLeft;
    const geom::PointF u = BestStep(image, origin, c.u, c.v, size);
    const geom::PointF v = BestStep(image, origin, c.v, c.u, size);
    c.u = u;
    c.v = v;
    geom::QuadF &q = c.corners;
    q.topRight = origin + size * c.u;
    q.bottomLeft = origin + size * c.v;
    q.bottomRight = q.topRight + q.bottomLeft - origin;
    geom::ClampCorners(q, image.Width(), image.Height());
}

}  // namespace zr::microqr
