// Confirms reads of the weakly checked symbologies: their outline must be a
// rectangle as long as the decoded reading, and an add-on must stand beside
// an EAN or UPC symbol. Pieces of noise, text or texture pass their
// decoders now and then; they rarely pass these.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "bar/stages.hpp"

namespace zr::bar {

namespace {

// Most a side may turn from its opposite side, and a corner from a right angle.
constexpr double kMaxSkewDegrees = 20;
// Shortest side across the bars over the longest.
constexpr double kMinSideRatio = 0.5;
// Decoded reading over the outline's length.
constexpr double kMinLengthRatio = 0.8;
constexpr double kMaxLengthRatio = 1.25;

// An add-on's centre lies this many main symbol lengths from the main
// symbol's centre along its reading direction (0.7 to 1.15 for the standard
// gaps), and within the main symbol's height across.
constexpr double kAddOnNearest = 0.5;
constexpr double kAddOnFarthest = 1.5;

using geom::PointF;

PointF Side(Point from, Point to) {
    return {static_cast<double>(to.x - from.x), static_cast<double>(to.y - from.y)};
}

// Angle between two directions, 0 to 180 degrees; 0 for a null side.
double AngleBetween(PointF a, PointF b) {
    const double la = geom::Length(a), lb = geom::Length(b);
    if (la == 0 || lb == 0) return 0;
    return geom::RadToDeg(std::acos(std::clamp(geom::Dot(a, b) / (la * lb), -1.0, 1.0)));
}

struct Frame {
    PointF centre;
    PointF along;  // unit vector from the first corner to the second
    double length = 0;
    double height = 0;
};

// The frame of a stored result's corners.
Frame FrameOf(const ZrBarResult &r) {
    Point p[QuadI::kCorners];
    for (int i = 0; i < QuadI::kCorners; ++i) p[i] = {r.corners[2 * i], r.corners[2 * i + 1]};
    Frame f;
    for (const Point &c : p) f.centre += PointF{c.x * 0.25, c.y * 0.25};
    const PointF top = Side(p[0], p[1]), bottom = Side(p[3], p[2]);
    f.length = (geom::Length(top) + geom::Length(bottom)) / 2;
    f.height = (geom::Length(Side(p[0], p[3])) + geom::Length(Side(p[1], p[2]))) / 2;
    const PointF sum = top + bottom;
    const double l = geom::Length(sum);
    if (l > 0) f.along = sum * (1.0 / l);
    return f;
}

}  // namespace

bool AddOnBeside(const ZrBarResult &addOn, const ZrBarResult &main) {
    if ((main.type & kMainEanUpc) == 0) return false;
    const Frame m = FrameOf(main);
    if (m.length <= 0) return false;
    const PointF d = FrameOf(addOn).centre - m.centre;
    const double along = std::abs(geom::Dot(d, m.along));
    const double across = std::abs(geom::Cross(d, m.along));
    return along >= kAddOnNearest * m.length && along <= kAddOnFarthest * m.length && across <= m.height;
}

bool OutlineFitsReading(const QuadI &outline, double readingLength) {
    const PointF top = Side(outline.topLeft, outline.topRight);
    const PointF bottom = Side(outline.bottomLeft, outline.bottomRight);
    const PointF left = Side(outline.topLeft, outline.bottomLeft);
    const PointF right = Side(outline.topRight, outline.bottomRight);
    if (AngleBetween(top, bottom) > kMaxSkewDegrees || AngleBetween(left, right) > kMaxSkewDegrees)
        return false;
    if (std::abs(AngleBetween(top, left) - 90) > kMaxSkewDegrees ||
        std::abs(AngleBetween(bottom, right) - 90) > kMaxSkewDegrees)
        return false;
    const double shorter = std::min(geom::Length(left), geom::Length(right));
    const double longer = std::max(geom::Length(left), geom::Length(right));
    if (longer <= 0 || shorter < kMinSideRatio * longer) return false;
    // Lengths in pixel steps, as the reading's widths are counted.
    const double length = (geom::StepDistance(outline.topLeft, outline.topRight) +
                           geom::StepDistance(outline.bottomLeft, outline.bottomRight)) /
                              2.0 +
                          1;
    return readingLength >= kMinLengthRatio * length && readingLength <= kMaxLengthRatio * length;
}

bool ReadConfirmed(const DecodeState &decode, const QuadI &outline) {
    return !WeaklyChecked(decode.type) || OutlineFitsReading(outline, decode.readingLength);
}

void DropLoneAddOns(ZrBarScanner &scanner) {
    ZrBarResult *results = scanner.results;
    const int count = scanner.resultCount;
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        bool keep = (results[i].type & kAddOns) == 0;
        for (int j = 0; j < count && !keep; ++j)
            keep = AddOnBeside(results[i], results[j]);
        if (!keep) continue;
        if (kept != i) std::memcpy(&results[kept], &results[i], sizeof results[i]);
        ++kept;
    }
    for (int i = kept; i < count; ++i) std::memset(&results[i], 0, sizeof results[i]);
    scanner.resultCount = static_cast<decltype(scanner.resultCount)>(kept);
}

}  // namespace zr::bar
