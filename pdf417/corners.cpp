// Corner traces: from a point of the measured row, step across the rows while
// the start (or stop) pattern is still there, keeping the point on the
// pattern's edge; then the skew angle from the two sides.
#include <algorithm>
#include <cmath>

#include "pdf417/stages.hpp"
#include "pdf417/walk.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kAlignSteps = 3;
constexpr int kTraceLimit = 20000;
constexpr int kGapSteps = 3;

class CornerTrace {
  public:
    CornerTrace(const ZrImage &image, const Rect &area, const MeasuredRow &row)
        : area_(area),
          steps_(row.direction.steps),
          walker_(image, steps_[kAlong], area, row.metrics.barColor == kDarkBars),
          m_(std::max(1, static_cast<int>(std::max(row.metrics.meanDark, row.metrics.meanLight)))) {}

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
    PointI Align(PointI p) {
        walker_.MoveTo(p);
        const bool onBar = walker_.Bar();
        walker_.Use(steps_[onBar ? kBack : kAlong]);
        walker_.MoveTo(p);
        for (int k = 0; k <= kAlignSteps; ++k) {
            const bool nextBar = walker_.NextIsBar();
            if (onBar ? !nextBar : nextBar) return onBar ? walker_.At() : Advance();
            if (!walker_.Step()) return p;
        }
        return p;
    }
    PointI Advance() {
        walker_.Step();
        return walker_.At();
    }

    const Rect &area_;
    const StepTables &steps_;
    TableWalker walker_;
    int m_;
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
