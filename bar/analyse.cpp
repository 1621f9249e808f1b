// Examines a candidate line: finds both ends of the bar pattern, decides
// which bar colours are possible and outlines the symbol roughly.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "bar/candidate_walks.hpp"
#include "bar/stages.hpp"

namespace zr::bar {

namespace {

constexpr int kAcrossShift = 9;   // steps from the candidate's start into the symbol
constexpr int kMinElements = 12;  // elements the two walks must see together
constexpr double kMinPixelsPerElement = 1.4;
constexpr int kMinOutlineSpan = 8;  // pixels, along and across

// Narrows the possible colours to the one a walk found; false when that
// colour is not allowed or already ruled out.
bool ApplyGround(std::uint8_t barColor, std::uint8_t barColors, std::uint8_t &colours) {
    if (barColor == 0) return true;
    if (!(barColors & barColor) || !(colours & barColor)) return false;
    colours = barColor;
    return true;
}

// Moves a base across the bars while a walk along the reading direction
// still sees both colours in quantity; returns the last base on the symbol.
Point OutlineSide(const Picture &picture, const Candidate &cand, const AlongRuns &runs, Point start,
                  StepIndex across, int c) {
    const RowSteps rowStep = RowStepsOf(picture.image);
    TableWalk acrossWalk{&cand.steps[across]};
    BitCursor base(picture.image);
    base.MoveTo(start);
    Point last = start;
    for (;;) {
        if (!base.StepInside(acrossWalk.Next(), picture.area)) return last;
        std::optional<bool> sees;
        if (runs.Usable()) sees = SeesBothColoursByRuns(picture, runs, base.At(), c);
        if (!sees) sees = SeesBothColours(picture, cand.steps[kAlong], rowStep, base.At(), c);
        if (!*sees) return last;
        last = base.At();
    }
}

// Rough outline around the line from extent.start to extent.end; false
// when it is too small.
bool CandidateOutline(const Picture &picture, const Candidate &cand, const lines::AxisWalk &along,
                      Extent &extent) {
    const Rect &area = picture.area;
    // How far the pattern extends to either side of the line.
    const int c =
        static_cast<int>(std::lround(5 * std::max(extent.stats.DarkMean(), extent.stats.LightMean())));
    // A walk decides within 6c + 1 pixels: by then one colour has more than 3c.
    const AlongRuns runs(cand.steps[kAlong], along, 6 * c + 1);
    const Point p0 = OutlineSide(picture, cand, runs, extent.start, kAcrossUp, c);
    const Point p3 = OutlineSide(picture, cand, runs, extent.start, kAcrossDown, c);
    const Point length = extent.end - extent.start;
    QuadI &o = extent.outline;
    o.topLeft = area.Clamp(p0);
    o.topRight = area.Clamp(p0 + length);
    o.bottomLeft = area.Clamp(p3);
    o.bottomRight = area.Clamp(p3 + length);
    const Spans right = SpansOf(o.bottomRight, o.topRight, cand.direction);
    const Spans left = SpansOf(o.bottomLeft, o.topLeft, cand.direction);
    const Spans top = SpansOf(o.topRight, o.topLeft, cand.direction);
    const Spans bottom = SpansOf(o.bottomRight, o.bottomLeft, cand.direction);
    return right.across >= kMinOutlineSpan && left.across >= kMinOutlineSpan &&
           top.along >= kMinOutlineSpan && bottom.along >= kMinOutlineSpan;
}

}  // namespace

std::optional<Extent> AnalyseCandidate(const Picture &picture, const Candidate &cand,
                                       std::uint8_t barColors) {
    // Move into the symbol, across the bars.
    Point start = cand.start;
    TableWalk across{&cand.steps[kAcrossDown]};
    for (int i = 0; i < kAcrossShift; ++i) {
        start += StepVector(across.Next());
        if (!picture.area.Contains(start)) return std::nullopt;
    }

    Extent extent;
    extent.stats = cand.stats;
    extent.colours = kBothColours;
    WalkResult forward, backward;
    const lines::AxisWalk along(cand.steps[kAlong]);
    if (!WalkToGround(picture, start, cand.steps[kAlong], along, extent.stats, forward)) return std::nullopt;
    if (!ApplyGround(forward.barColor, barColors, extent.colours)) return std::nullopt;
    if (!WalkToGround(picture, start, cand.steps[kBack], lines::AxisWalk(cand.steps[kBack]), extent.stats,
                      backward))
        return std::nullopt;
    if (!ApplyGround(backward.barColor, barColors, extent.colours)) return std::nullopt;

    const int pixels = forward.pixels + backward.pixels;
    const int elements = forward.elements + backward.elements;
    if (elements < kMinElements || pixels < kMinPixelsPerElement * elements) return std::nullopt;
    extent.start = backward.end;
    extent.end = forward.end;
    if (!CandidateOutline(picture, cand, along, extent)) return std::nullopt;
    return extent;
}

}  // namespace zr::bar
