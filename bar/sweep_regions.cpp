// The parts of the picture about a symbol that the second look's sweeps
// read, and the stretch of a line inside an outline.
#include <algorithm>
#include <cmath>

#include "bar/sightings.hpp"
#include "core/second_look.hpp"

namespace zr::bar {

using geom::PointF;
using second_look_detail::CornerCentroid;

namespace {

// Where a main EAN/UPC symbol has been read: the soft decoder tries no
// start there again. A confirmed sighting's region reaches across the lines
// by kDoneAcross of its length either side (a symbol's bars are rarely
// longer) and along them a little beyond its ends.
constexpr double kDoneAcross = 0.6;
// An add-on is read on the lines that read its main symbol whole: lines
// of the families within kAddOnFamilyReach degrees of the symbol's axis.
constexpr double kAddOnFamilyReach = 35;
// A reading direction's share of an axis below which no add-on lies past
// the symbol along that axis (about 73 degrees off it).
constexpr double kLeastComponent = 0.3;

// A rectangle about `centre` along unit vector `u`: `along` either way
// along it and `across` either way across it.
Region Rectangle(PointF centre, PointF u, double along, double across) {
    const PointF n{-u.y, u.x};
    const auto at = [&](double a, double b) { return centre + a * u + b * n; };
    return {at(-along, -across), at(along, -across), at(along, across), at(-along, across)};
}

// The least and greatest corner coordinates of a result's outline, both inclusive.
struct CornerSpan {
    int x0, y0, x1, y1;
};

CornerSpan CornerExtents(const ZrBarResult &r) {
    int x0 = r.corners[0], x1 = x0, y0 = r.corners[1], y1 = y0;
    for (int k = 1; k < 4; ++k) {
        x0 = std::min(x0, r.corners[2 * k]);
        x1 = std::max(x1, r.corners[2 * k]);
        y0 = std::min(y0, r.corners[2 * k + 1]);
        y1 = std::max(y1, r.corners[2 * k + 1]);
    }
    return {x0, y0, x1, y1};
}

}  // namespace

// A box widened on every side by `share` of its larger side, within the search rectangle.
Rect Widened(const Rect &box, const Rect &area, double share) {
    const int reach = static_cast<int>(share * std::max(box.Width(), box.Height()));
    return {std::max(area.x0, box.x0 - reach), std::max(area.y0, box.y0 - reach),
            std::min(area.x1, box.x1 + reach), std::min(area.y1, box.y1 + reach)};
}

// The part of the search rectangle where a symbol's add-on may lie: its
// outline's bounding box widened on every side by `share` of its size.
Rect AroundSymbol(const ZrBarResult &r, const Rect &area, double share) {
    const auto [x0, y0, x1, y1] = CornerExtents(r);
    const int reach = static_cast<int>(share * std::max(x1 - x0, y1 - y0));
    return {std::max(area.x0, x0 - reach), std::max(area.y0, y0 - reach), std::min(area.x1, x1 + reach + 1),
            std::min(area.y1, y1 + reach + 1)};
}

// The part of the search rectangle after a symbol in its reading direction,
// where an add-on follows it, and `behind` of its size before it.
Rect AfterSymbol(const ZrBarResult &r, const Rect &area, double share, double behind) {
    const auto [x0, y0, x1, y1] = CornerExtents(r);
    const double size = std::max(x1 - x0, y1 - y0);
    // The reading direction in picture coordinates (y downwards).
    const double radians = r.angle * (M_PI / 180.0);
    const double dx = std::cos(radians), dy = -std::sin(radians);
    // Along an axis the reading direction hardly follows, nothing lies far
    // past the symbol on either side.
    const auto reach = [&](double component, bool ahead) {
        const bool far = ahead ? component > kLeastComponent : component < -kLeastComponent;
        return static_cast<int>((far ? share : behind) * size);
    };
    return {std::max(area.x0, x0 - reach(dx, false)), std::max(area.y0, y0 - reach(dy, false)),
            std::min(area.x1, x1 + reach(dx, true) + 1), std::min(area.y1, y1 + reach(dy, true) + 1)};
}
// A stored result's region: its outline's longer sides taken as the
// symbol's length, widened as a sighting's region is.
Region AroundResult(const ZrBarResult &r) {
    const auto corner = [&](int k) { return PointF{double(r.corners[2 * k]), double(r.corners[2 * k + 1])}; };
    const PointF centre = CornerCentroid(r);
    const PointF side1 = corner(1) - corner(0), side2 = corner(3) - corner(0);
    const double length1 = geom::Length(side1), length2 = geom::Length(side2);
    const PointF along = length1 >= length2 ? side1 : side2;
    const double length = std::max(length1, length2), height = std::min(length1, length2);
    if (length <= 0) return Rectangle(centre, {1, 0}, 0, 0);
    return Rectangle(centre, PointF{along.x / length, along.y / length}, (0.5 + kSameEnds) * length,
                     std::max(0.5 * height, kDoneAcross * length));
}

Region AroundSighting(const Sighting &s) {
    const double length = geom::Distance(s.start, s.end);
    const PointF n = Across(s.family);
    const PointF step = s.end - s.start, u{step.x / length, step.y / length};
    const double along = kSameEnds * length, across = kDoneAcross * length;
    const auto at = [&](PointF p, double a, double b) { return p + a * u + b * n; };
    return {at(s.start, -along, -across), at(s.start, -along, across), at(s.end, along, across),
            at(s.end, along, -across)};
}

// The stretch of the line inside a convex quadrilateral (either turn); false when it misses it.
bool SpanInside(const GreyLine &line, const Region &q, LineSpan &span) {
    using geom::Cross;
    double turn = 0;
    for (std::size_t k = 0; k < 4; ++k) turn += Cross(q[k], q[(k + 1) % 4]);
    const double sense = turn >= 0 ? 1 : -1;
    double low = 0, high = line.length - 1;
    for (std::size_t k = 0; k < 4; ++k) {
        const PointF a = q[k], side = q[(k + 1) % 4] - a;
        // Inside where c0 + t c1 >= 0 for the point at t along the line.
        const double c0 = sense * Cross(side, PointOn(line, 0) - a);
        const double c1 = sense * Cross(side, PointF{double(line.dx), double(line.dy)});
        if (c1 == 0) {
            if (c0 < 0) return false;
        } else if (c1 > 0) {
            low = std::max(low, -c0 / c1);
        } else {
            high = std::min(high, -c0 / c1);
        }
    }
    span = {low, high};
    return low <= high;
}

std::uint8_t FamiliesAlong(double angle) {
    constexpr double kFamilyAngles[] = {0, 90, 135,
                                        45};  // Rows, Columns, DiagonalDown, DiagonalUp, modulo 180
    std::uint8_t families = 0;
    for (int f = 0; f < 4; ++f) {
        const double apart = std::fabs(std::fmod(angle - kFamilyAngles[f] + 360.0, 180.0));
        if (std::min(apart, 180.0 - apart) < kAddOnFamilyReach)
            families |= FamilyBit(static_cast<GreyFamily>(f));
    }
    return families;
}

Region Outline(const ZrBarResult &r) {
    Region q;
    for (std::size_t k = 0; k < 4; ++k) q[k] = {double(r.corners[2 * k]), double(r.corners[2 * k + 1])};
    return q;
}

}  // namespace zr::bar
