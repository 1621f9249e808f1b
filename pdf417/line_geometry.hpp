// Where each reading line of a measured symbol starts and which way it runs.
#pragma once

#include <algorithm>

#include "core/lines/bit_cursor.hpp"
#include "pdf417/stages.hpp"

namespace zr::pdf417 {

// Where line k of the symbol starts and which way it runs: between the
// start-side edge (corners 1 to 4) and the stop-side edge (corners 2 to 3),
// so that a symbol seen in perspective is still read along its rows. Traced
// edges too short to trust give lines parallel to the measured row, one step
// apart across the rows.
class LineGeometry {
  public:
    explicit LineGeometry(const MeasuredSymbol &symbol) : symbol_(symbol) {
        const QuadI &c = symbol.corners;
        left_ = geom::Distance(geom::ToPointF(c[0]), geom::ToPointF(c[3]));
        right_ = geom::Distance(geom::ToPointF(c[1]), geom::ToPointF(c[2]));
        height_ = std::max(left_, right_);
        interpolate_ = left_ >= kMinEdge && right_ >= kMinEdge;
    }
    int SearchLimit() const { return std::max(50, static_cast<int>(2 * height_)); }

    // Line k: its start point and the step tables along and back; false past the last line worth trying.
    bool Line(int k, PointI &start, StepTable &along, StepTable &back);

  private:
    static constexpr double kMinEdge = 4.0;
    const MeasuredSymbol &symbol_;
    double left_ = 0, right_ = 0, height_ = 0;
    bool interpolate_ = false;
    PointI start_;
    double angle_ = 0;
    lines::StepSpread alongSpread_, backSpread_;  // of the tables last filled
};

}  // namespace zr::pdf417
