// Corner traces: from a point of the measured row, step across the rows while
// the start (or stop) pattern is still there, keeping the point on the
// pattern's edge; then the skew angle from the two sides.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "pdf417/stages.hpp"
#include "pdf417/walk.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kAlignSteps = 3;
constexpr int kTraceLimit = 20000;
constexpr int kGapSteps = 3;
constexpr int kNearPixels = 64;  // pixels of a walk along the rows whose offsets are counted once

// The first pixels of a walk along a step table from entry 0, as offsets
// from its start: the point's and the row pointer's.
struct NearWalk {
    std::array<PointI, kNearPixels> offset{};
    std::array<std::ptrdiff_t, kNearPixels> rowMove{};
    NearWalk(const StepTable &table, std::int32_t pitch) {
        for (std::size_t i = 1; i < offset.size(); ++i) {
            const std::uint8_t code = table[i - 1];
            offset[i] = offset[i - 1] + lines::StepVector(code);
            // Stored rows run bottom-up.
            rowMove[i] = rowMove[i - 1] - static_cast<std::ptrdiff_t>(lines::StepVector(code).y) * pitch;
        }
    }
};

class CornerTrace {
  public:
    CornerTrace(const ZrImage &image, const Rect &area, const MeasuredRow &row)
        : area_(area),
          steps_(row.direction.steps),
          walker_(image, steps_[kAlong], area, row.metrics.barColor == kDarkBars),
          m_(std::max(1, static_cast<int>(std::max(row.metrics.meanDark, row.metrics.meanLight)))),
          view_(image),
          along_(steps_[kAlong], view_.Pitch()),
          back_(steps_[kBack], view_.Pitch()),
          lightBit_(view_.SetBitIsDark() ? 0u : 1u),
          barBit_(row.metrics.barColor == kDarkBars ? 1u : 0u) {}

    // The last point, going along `heading` from p, where the pattern is still present.
    // A gap of up to kGapSteps blank lines between printed rows does not end it.
    PointI Part(PointI p, Heading heading) {
        const StepTable &table = steps_[heading];
        int index = 0, gap = 0;
        PointI firstAbsent = p;
        for (int guard = 0; guard < kTraceLimit; ++guard) {
            if (PatternAt(p)) {
                gap = 0;
            } else {
                if (gap == 0) firstAbsent = p;
                if (++gap > kGapSteps) return firstAbsent;
            }
            const PointI next = p + lines::StepVector(table[index]);
            index = (index + 1) % lines::kStepTableSize;
            if (!area_.Contains(next)) return gap > 0 ? firstAbsent : p;
            p = Align(next);
        }
        return p;
    }

  private:
    // Walks along the rows from p counting bar and background pixels: the
    // pattern is present when both exceed m before the background exceeds 3m.
    bool PatternAt(PointI p) {
        // The pixels that surely lie in the area (a step moves a pixel at
        // most each way) are read from the counted offsets; a walk they leave
        // undecided is walked again step by step below.
        const int safe = std::min(std::min(p.x - area_.x0, area_.x1 - 1 - p.x),
                                  std::min(p.y - area_.y0, area_.y1 - 1 - p.y));
        const int near = std::min(safe + 1, kNearPixels);
        const std::uint8_t *const row = view_.Row(p.y);
        int nearBars = 0, nearBackground = 0;
        for (int i = 0; i < near; ++i) {
            ++(BarAt(row, p.x, along_, i) ? nearBars : nearBackground);
            if (nearBars > m_ && nearBackground > m_) return true;
            if (nearBackground > 3 * m_) return false;
        }
        walker_.Use(steps_[kAlong]);
        walker_.MoveTo(p);
        int bars = 0, background = 0;
        for (;;) {
            (walker_.Bar() ? bars : background) += 1;
            if (bars > m_ && background > m_) return true;
            if (background > 3 * m_) return false;
            if (!walker_.Step()) return true;  // the area ends the walk: counted as present
        }
    }

    // Moves p onto the outer edge of the bar it touches (at most 3 steps).
    // The walk goes back over bar pixels, or on over background ones, one
    // step at a time: the pixels from the counted offsets, each tested
    // against the area as the walker's step would.
    PointI Align(PointI p) {
        const std::uint8_t *const row = view_.Row(p.y);
        const bool onBar = BarAt(row, p.x, along_, 0);
        const NearWalk &walk = onBar ? back_ : along_;
        static_assert(kAlignSteps + 1 < kNearPixels, "the steps tested are counted");
        for (int k = 0; k <= kAlignSteps; ++k) {
            const PointI next = p + walk.offset[static_cast<std::size_t>(k) + 1];
            const bool inside = area_.Contains(next);
            const bool nextBar = inside && BarAt(row, p.x, walk, k + 1);
            if (onBar ? !nextBar : nextBar)
                return onBar ? p + walk.offset[static_cast<std::size_t>(k)] : next;
            if (!inside) return p;
        }
        return p;
    }

    // Whether pixel i of `walk` from (x, the row `row`) has the bar colour.
    bool BarAt(const std::uint8_t *row, int x, const NearWalk &walk, int i) const {
        const auto at = static_cast<std::size_t>(i);
        const int px = x + walk.offset[at].x;
        const unsigned pixel = row[walk.rowMove[at] + (px >> 3)] >> (7 - (px & 7));
        return ((pixel ^ lightBit_) & 1u) == barBit_;
    }

    const Rect &area_;
    const StepTables &steps_;
    TableWalker walker_;
    int m_;
    BitImageView view_;
    NearWalk along_;     // the first pixels of the walks along the rows
    NearWalk back_;      // and of those back
    unsigned lightBit_;  // the stored bit of a light pixel
    unsigned barBit_;    // 1 when bars are dark
};

PointF Mean(PointI a, PointI b, PointI c, PointI d) {
    return {(a.x + b.x + c.x + d.x) / 4.0, (a.y + b.y + c.y + d.y) / 4.0};
}

}  // namespace

MeasuredSymbol TraceCorners(const ZrImage &image, const ScanSettings &settings, const MeasuredRow &row) {
    CornerTrace trace(image, settings.area, row);
    const PatternEdges &e = row.edges;
    const PointI s1 = trace.Part(e.startOuter, kUp);
    const PointI s4 = trace.Part(e.startOuter, kDown);
    MeasuredSymbol symbol;
    symbol.metrics = row.metrics;
    if (row.metrics.startSideColumns > 0) {
        // No stop side to trace: the stop-side corners lie the measured row's
        // length along from the start side's, and the rows run as measured.
        const PointI length = e.rowEnd - e.startOuter;
        symbol.corners = {s1, s1 + length, s4 + length, s4};
        symbol.direction = row.direction;
        return symbol;
    }
    const PointI t1 = trace.Part(e.stopFirst, kUp);
    const PointI t4 = trace.Part(e.stopFirst, kDown);
    const PointI startWidth = e.startInner - e.startOuter;
    const PointI stopWidth = e.rowEnd - e.stopFirst;
    symbol.corners = {s1, t1 + stopWidth, t4 + stopWidth, s4};

    const PointF p = Mean(s1, s1 + startWidth, s4 + startWidth, s4);
    const PointF q = Mean(t1, t1 + stopWidth, t4 + stopWidth, t4);
    double angle;
    if (!settings.vertical) {
        angle = q.x == p.x ? 90.0 : geom::RadToDeg(std::atan((p.y - q.y) / (q.x - p.x)));
        if (row.reversed) angle += 180;
    } else {
        angle = q.y == p.y ? 90.0 : geom::RadToDeg(std::atan((q.x - p.x) / (q.y - p.y)));
        angle += 90;
        if (!row.reversed) angle += 180;
    }
    symbol.direction = DirectionAt(NormalizeAngle(angle));
    return symbol;
}

}  // namespace zr::pdf417
