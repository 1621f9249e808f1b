// Run collection along straight lines, step tables for an angle, and the
// least-squares angle of edge points. Built into every reader that walks lines.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "zr/ZrImage.h"

namespace zr::lines {

// Line direction codes: the `directions` option bits for horizontal (1, 2)
// and vertical (4, 8) lines, and the two diagonals.
enum : std::uint8_t {
    kLeftToRight = 1,
    kRightToLeft = 2,
    kTopToBottom = 4,
    kBottomToTop = 8,
    kDiagonalUp = 16,
    kDiagonalDown = 32,
};
constexpr std::uint8_t kHorizontal = kLeftToRight | kRightToLeft;
constexpr std::uint8_t kVertical = kTopToBottom | kBottomToTop;

constexpr int kStepTableSize = 200;
constexpr std::uint16_t kPixelLimit = 4000;       // most pixels one collection walks
constexpr std::uint16_t kDefaultCapacity = 1000;  // elements collected when the capacity is 0
using StepTable = std::array<std::uint8_t, kStepTableSize>;

// What ended a run collection.
enum class RunEnd : std::uint8_t {
    Plausible,    // the capacity filled with plausible widths
    Implausible,  // the capacity filled, but the widths are implausible
    Gap,          // a light gap or the pixel limit ended the run
    LeftArea,     // the walk left the area
};

// One run collection along a straight line.
struct RunScan {
    geom::Rect area;  // where the walk may go
    std::int32_t startX = 0, startY = 0;
    std::int32_t stopX = 0, stopY = 0;
    std::uint8_t direction = 0;  // 1, 2 rightward; 4, 8 downward; 16 up-right; 32 down-right
    std::uint8_t startsLight = 0;
    std::uint16_t pixelLimit = kPixelLimit;
    std::uint16_t pixels = 0;
    std::int16_t elements = 0;
    std::uint16_t minLight = 0xFFFF, maxLight = 0, minDark = 0xFFFF, maxDark = 0;
    std::uint16_t capacity = 0;         // 0 means 1000
    std::vector<std::uint16_t> widths;  // element 0 has the colour of the first pixel
};

// Sets the direction and limits and allocates the widths (std::bad_alloc
// when they cannot be allocated).
void RunBufferInit(RunScan &scan, std::uint8_t direction);
class DarkMap;
// Walks from the start point and fills the widths.
// With a map of the picture's dark pixels, light stretches down columns and
// diagonals are passed faster; the result is the same.
RunEnd RunCollect(RunScan &scan, const BitImageView &image, const DarkMap *map = nullptr);
RunEnd RunCollect(RunScan &scan, const ZrImage &image);
// Whether a collection that filled its capacity holds plausible widths
// (Plausible rather than Implausible); `rightward` for rows.
bool PlausibleWidths(const RunScan &scan, bool rightward);
// Fills a step table for the angle (degrees); returns the number of side steps.
int DirectionSteps(double angle, int count, StepTable &table);

// What a step table of `count` steps depends on: the angle's octant and the
// number of side steps. Angles with the same spread give the same table, so
// a caller walking many lines of nearly one angle fills a table only when
// the spread changes.
struct StepSpread {
    int octant = -1;
    int sideSteps = 0;
    bool operator==(const StepSpread &o) const { return octant == o.octant && sideSteps == o.sideSteps; }
    bool operator!=(const StepSpread &o) const { return !(*this == o); }
};
StepSpread DirectionSpread(double angle, int count);
// Fills `count` steps of a table from its spread (DirectionSteps is both).
void FillSteps(StepSpread spread, int count, StepTable &table);

using EdgePoint = geom::PointF;
// Least-squares angle (degrees, [0, 360)) of the points. Mode with bit 2 or 3
// set: edges near vertical (x fitted on y); otherwise near horizontal.
// Nothing when no line fits: too few points, or all on one column or row.
std::optional<double> LineFitAngle(const EdgePoint *points, int count, std::uint8_t mode);

}  // namespace zr::lines
