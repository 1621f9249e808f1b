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

constexpr std::uint32_t kMainEanUpc = ZR_BAR_EAN13 | ZR_BAR_UPCA | ZR_BAR_EAN8 | ZR_BAR_UPCE;
constexpr std::uint32_t kAddOns = ZR_BAR_ADDON2 | ZR_BAR_ADDON5;
// An add-on's centre lies this many main symbol lengths from the main
// symbol's centre along its reading direction (0.7 to 1.15 for the standard
// gaps), and within the main symbol's height across.
constexpr double kAddOnNearest = 0.5;
constexpr double kAddOnFarthest = 1.5;

constexpr double kPi = 3.14159265358979323846;

struct Vector {
    double x = 0, y = 0;
};

Vector Side(Point from, Point to) {
    return {static_cast<double>(to.x - from.x), static_cast<double>(to.y - from.y)};
}

double Length(Vector v) {
    return std::hypot(v.x, v.y);
}

// Angle between two directions, 0 to 180 degrees; 0 for a null side.
double AngleBetween(Vector a, Vector b) {
    const double la = Length(a), lb = Length(b);
    if (la == 0 || lb == 0) return 0;
    const double cosine = std::clamp((a.x * b.x + a.y * b.y) / (la * lb), -1.0, 1.0);
    return std::acos(cosine) * 180.0 / kPi;
}

struct Frame {
    Vector centre;
    Vector along;  // unit vector from the first corner to the second
    double length = 0;
    double height = 0;
};

// The frame of a stored result's corners.
Frame FrameOf(const ZrBarResult &r) {
    Point p[QuadI::kCorners];
    for (int i = 0; i < QuadI::kCorners; ++i) p[i] = {r.corners[2 * i], r.corners[2 * i + 1]};
    Frame f;
    for (const Point &c : p) {
        f.centre.x += c.x * 0.25;
        f.centre.y += c.y * 0.25;
    }
    const Vector top = Side(p[0], p[1]), bottom = Side(p[3], p[2]);
    f.length = (Length(top) + Length(bottom)) / 2;
    f.height = (Length(Side(p[0], p[3])) + Length(Side(p[1], p[2]))) / 2;
    const Vector sum = {top.x + bottom.x, top.y + bottom.y};
    const double l = Length(sum);
    if (l > 0) f.along = {sum.x / l, sum.y / l};
    return f;
}

bool Beside(const ZrBarResult &addOn, const ZrBarResult &main) {
    const Frame m = FrameOf(main);
    if (m.length <= 0) return false;
    const Frame a = FrameOf(addOn);
    const Vector d = {a.centre.x - m.centre.x, a.centre.y - m.centre.y};
    const double along = std::abs(d.x * m.along.x + d.y * m.along.y);
    const double across = std::abs(d.x * m.along.y - d.y * m.along.x);
    return along >= kAddOnNearest * m.length && along <= kAddOnFarthest * m.length && across <= m.height;
}

}  // namespace

bool OutlineFitsReading(const QuadI &outline, double readingLength) {
    const Vector top = Side(outline.topLeft, outline.topRight);
    const Vector bottom = Side(outline.bottomLeft, outline.bottomRight);
    const Vector left = Side(outline.topLeft, outline.bottomLeft);
    const Vector right = Side(outline.topRight, outline.bottomRight);
    if (AngleBetween(top, bottom) > kMaxSkewDegrees || AngleBetween(left, right) > kMaxSkewDegrees)
        return false;
    if (std::abs(AngleBetween(top, left) - 90) > kMaxSkewDegrees ||
        std::abs(AngleBetween(bottom, right) - 90) > kMaxSkewDegrees)
        return false;
    const double shorter = std::min(Length(left), Length(right));
    const double longer = std::max(Length(left), Length(right));
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
            keep = (results[j].type & kMainEanUpc) != 0 && Beside(results[i], results[j]);
        if (!keep) continue;
        if (kept != i) std::memcpy(&results[kept], &results[i], sizeof results[i]);
        ++kept;
    }
    for (int i = kept; i < count; ++i) std::memset(&results[i], 0, sizeof results[i]);
    scanner.resultCount = static_cast<decltype(scanner.resultCount)>(kept);
}

}  // namespace zr::bar
