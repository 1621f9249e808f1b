// The walks that examine a candidate: along its line to the ground on either
// side, and the probes that outline it across its bars, where from each
// base a walk along the reading direction must see both colours in quantity.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>

#include "bar/stages.hpp"
#include "core/lines/axis_walk.hpp"

namespace zr::bar {

// Where a walk along a candidate's line ended.
struct WalkResult {
    Point end;  // last pixel of the bar pattern
    int pixels = 0;
    int elements = 0;
    std::uint8_t barColor = 0;  // the bar colour a ground element implies, 0 when none was met
};

// Walks from `start` along `table`, closing elements into `stats`, until a
// ground element (an element far wider than the mean of its colour: a light
// one means dark bars, a dark one light bars), the rectangle's end or the
// pixel limit (false).
bool WalkToGround(const Picture &picture, Point start, const StepTable &table, const lines::AxisWalk &axis,
                  WidthStats &stats, WalkResult &out);

// Row pointer change of each step code (stored rows run bottom-up).
using RowSteps = std::array<std::ptrdiff_t, 8>;
inline RowSteps RowStepsOf(const BitImageView &image) {
    RowSteps steps{};
    for (int code = 0; code < 8; ++code)
        steps[static_cast<std::size_t>(code)] =
            -static_cast<std::ptrdiff_t>(lines::kStepDy[code]) * image.Pitch();
    return steps;
}

// The first pixels of every walk from a base along a table that walks along
// rows or columns, as runs of pixels side by side in one row or column:
// each base then costs a load or gather and a population count per run
// instead of a step per pixel.
class AlongRuns {
  public:
    struct Run {
        Point first;  // offset of the run's first pixel from the base
        int length = 0;
    };

    // Runs holding at least `pixels` pixels, or as many as fit.
    AlongRuns(const StepTable &table, const lines::AxisWalk &axis, int pixels)
        : step_(axis.Usable() ? axis.step : Point{0, 0}) {
        if (!axis.Usable()) return;
        Point at{0, 0};  // the next run's first pixel
        int index = 0;   // the table entry of the step after that pixel
        while (count_ < kMaxRuns && pixels_ < pixels) {
            // The pixel itself and the steps along the axis after it, as many as one load holds.
            const int length =
                std::min(1 + axis.run[static_cast<std::size_t>(index)], lines::AxisWalk::kMaxRun);
            runs_[count_++] = {at, length};
            pixels_ += length;
            const Point last = at + (length - 1) * step_;
            low_ = {std::min({low_.x, at.x, last.x}), std::min({low_.y, at.y, last.y})};
            high_ = {std::max({high_.x, at.x, last.x}), std::max({high_.y, at.y, last.y})};
            // The steps along the axis, then the side step to the next run.
            index = (index + length - 1) % kStepTableSize;
            at = last + StepVector(table[static_cast<std::size_t>(index)]);
            index = index + 1 == kStepTableSize ? 0 : index + 1;
        }
    }

    bool Usable() const { return step_.x != 0 || step_.y != 0; }
    bool AlongRows() const { return step_.x != 0; }
    int Count() const { return count_; }
    int Pixels() const { return pixels_; }
    const Run &operator[](int i) const { return runs_[static_cast<std::size_t>(i)]; }
    Point Step() const { return step_; }
    // Whether every pixel of the runs from `base` lies in the area.
    bool FitsFrom(Point base, const Rect &area) const {
        return area.Contains(base + low_) && area.Contains(base + high_);
    }

  private:
    static constexpr int kMaxRuns = 64;
    Point step_{0, 0};  // the move along the axis of every step
    std::array<Run, kMaxRuns> runs_{};
    int count_ = 0;
    int pixels_ = 0;
    Point low_{0, 0}, high_{0, 0};
};

// True when a walk along `table` from `base` sees more than c pixels of both
// colours before it sees more than 3c of either or leaves the area; pixel by
// pixel.
bool SeesBothColours(const Picture &picture, const StepTable &table, const RowSteps &rowStep, Point base,
                     int c);
// The same over the runs, when the base lets every run lie in the area;
// nothing when the walk would go past the runs or near the area's edge.
std::optional<bool> SeesBothColoursByRuns(const Picture &picture, const AlongRuns &runs, Point base, int c);

}  // namespace zr::bar
