// The line search: walks the lines of each family, probes bar patterns,
// confirms them on parallel lines and fits the reading angle.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "bar/line_families.hpp"
#include "bar/match_widths.hpp"
#include "core/lines/pixel_line.hpp"

namespace zr::bar {

namespace {

constexpr int kFollowElements = 10;
constexpr int kFollowLines = 8;
constexpr double kDriftLimit = 7.5;
constexpr int kResumeGap = 15;
constexpr int kSecondProbeExtra = 30;  // pixels the second probe may walk beyond the first's
constexpr int kMinAgreeingLines = 5;   // lines, the first two included, that must agree
constexpr int kEdges = kProbeElements + 1;

struct Probe {
    Point start;
    ProbeWidths widths{};
    int pixels = 0;
};

// Readies one of the search's run collections; its width buffer is reused.
RunScan &PrepareScan(RunScan &scan, const Rect &area, std::uint8_t direction, Point start,
                     std::uint16_t capacity) {
    scan.area = area;
    scan.capacity = capacity;
    RunBufferInit(scan, direction);
    scan.startX = start.x;
    scan.startY = start.y;
    return scan;
}

// Edge points of the lines that agree: for each edge, its offset from the
// same edge on the first probe's line. The points go to a buffer the search
// keeps, so that a probe costs no clearing of storage it may not use.
class EdgePoints {
  public:
    EdgePoints(const Probe &probe, std::uint8_t walkStep, std::vector<EdgePoint> &points)
        : walkStep_(walkStep), points_(points) {
        EdgesOf(probe.start, probe.widths.data(), reference_);
        points_.clear();
        constexpr std::size_t kMostPoints = std::size_t{kFollowLines + 2} * kEdges;  // every line agreeing
        points_.reserve(kMostPoints);
    }
    void AddLine(Point lineStart, const std::uint16_t *widths) {
        std::array<Point, kEdges> edges;
        EdgesOf(lineStart, widths, edges);
        for (std::size_t e = 0; e < kEdges; ++e) points_.push_back(geom::ToPointF(edges[e] - reference_[e]));
    }
    const EdgePoint *Data() const { return points_.data(); }
    int Count() const { return static_cast<int>(points_.size()); }

  private:
    // Pixel positions of the edges of nine elements from `start`.
    void EdgesOf(Point start, const std::uint16_t *widths, std::array<Point, kEdges> &edges) const {
        int steps = 0;
        for (std::size_t e = 0; e < kEdges; ++e) {
            edges[e] = start + steps * StepVector(walkStep_);
            if (e < kProbeElements) steps += widths[e];
        }
    }

    std::uint8_t walkStep_;
    std::array<Point, kEdges> reference_;
    std::vector<EdgePoint> &points_;
};

// Where the first probe's elements appear on the second probe's line.
struct Alignment {
    Point start;         // first pixel of the matched elements
    ProbeWidths widths;  // the matched elements
};

// Collects the second probe beside the first and finds the first probe's
// widths in it: every element within the tolerance, the smallest total
// difference (the first on ties).
std::optional<Alignment> AlignSecondProbe(LineSearch &search, const Geometry &g, const Probe &probe) {
    const Rect &area = search.picture.area;
    Point secondStart = probe.start + g.secondOffset;
    if (search.family == Family::Horizontal) {
        if (secondStart.y >= area.y1 || secondStart.x >= area.x1) return std::nullopt;
        secondStart.x = std::max(secondStart.x, area.x0);
    } else if (search.family == Family::Vertical) {
        if (secondStart.x < area.x0 || secondStart.y >= area.y1) return std::nullopt;
        secondStart.y = std::max(secondStart.y, area.y0);
    } else if (!area.Contains(secondStart)) {
        return std::nullopt;
    }

    RunScan &second = PrepareScan(search.secondScan, area, g.collector, secondStart, kMaxElements);
    second.pixelLimit =
        static_cast<std::uint16_t>(std::min(probe.pixels + kSecondProbeExtra, int{lines::kPixelLimit}));
    RunCollect(second, search.picture.image, &search.darkMap);
    int bestOffset = -1;
    int bestTotal = 0;
    for (int offset = second.startsLight ? 1 : 0; offset + kProbeElements <= second.elements; offset += 2) {
        const int total = MatchWidths(&second.widths[static_cast<std::size_t>(offset)], probe.widths);
        if (total >= 0 && (bestOffset < 0 || total < bestTotal)) {
            bestOffset = offset;
            bestTotal = total;
        }
    }
    if (bestOffset < 0) return std::nullopt;

    Alignment aligned;
    int before = 0;
    for (int i = 0; i < bestOffset; ++i) before += second.widths[static_cast<std::size_t>(i)];
    aligned.start = secondStart + before * StepVector(g.walkStep);
    for (std::size_t i = 0; i < kProbeElements; ++i)
        aligned.widths[i] = second.widths[static_cast<std::size_t>(bestOffset) + i];
    return aligned;
}

// Follows the matched bars over up to eight further parallel lines, adding
// the edges of each line that agrees. Returns the lines that agree, the
// first two included.
int FollowParallelLines(LineSearch &search, const Geometry &g, const Alignment &aligned, const Probe &probe,
                        EdgePoints &edges) {
    const Rect &area = search.picture.area;
    const Family family = search.family;
    const double scale = AlongScale(family);
    const int along2 = AlongOf(family, aligned.start);
    double driftPerLine = (along2 - AlongOf(family, probe.start)) * 5.0 / g.secondSpacing;
    int lastAlong = along2;
    int lastLine = 0;
    int agreeing = 2;
    for (int line = 1; line <= kFollowLines; ++line) {
        const Point onLine = aligned.start + line * g.lineShift;
        const double predicted = lastAlong + driftPerLine * (line - lastLine);
        if (std::fabs(predicted - along2) * scale > kDriftLimit) break;
        Point start = PointOnLine(family, onLine, static_cast<int>(std::lround(predicted)));
        // Start one pixel before the predicted bar edge so that the bar is measured whole.
        const auto back = static_cast<std::uint8_t>((g.walkStep + 4) & 7);
        const Point before = start + StepVector(back);
        if (area.Contains(before)) start = before;
        if (!area.Contains(start)) break;

        RunScan &follow = PrepareScan(search.followScan, area, g.collector, start, kFollowElements);
        RunCollect(follow, search.picture.image, &search.darkMap);
        const int offset = follow.startsLight ? 1 : 0;
        if (follow.elements < offset + kProbeElements) continue;
        const int total = MatchWidths(&follow.widths[static_cast<std::size_t>(offset)], aligned.widths);
        if (total < 0 || total > follow.elements - offset - 1) continue;
        int lead = 0;
        for (int i = 0; i < offset; ++i) lead += follow.widths[static_cast<std::size_t>(i)];
        const Point barStart = start + lead * StepVector(g.walkStep);
        edges.AddLine(barStart, &follow.widths[static_cast<std::size_t>(offset)]);
        ++agreeing;
        lastAlong = AlongOf(family, barStart);
        driftPerLine = double(lastAlong - along2) / line;
        lastLine = line;
    }
    return agreeing;
}

double WrapDegrees(double a) {
    return a < 0 ? a + 360.0 : (a >= 360.0 ? a - 360.0 : a);
}

// Reading angle from the bar edges; nothing when no angle can be fitted.
std::optional<double> FitReadingAngle(const EdgePoints &edges, const Geometry &g) {
    const std::optional<double> fitted = LineFitAngle(edges.Data(), edges.Count(), g.fitEdges);
    if (!fitted) return std::nullopt;
    double angle = *fitted + g.addedAngle;
    if (angle >= 360.0) angle -= 360.0;
    if (!(angle >= 0.0 && angle < 360.0)) return std::nullopt;
    return angle;
}

// Confirms a first probe on parallel lines and fits the angle.
std::optional<Candidate> ConfirmProbe(LineSearch &search, const Probe &probe) {
    const Geometry &g = GeometryOf(search.family);
    const std::optional<Alignment> aligned = AlignSecondProbe(search, g, probe);
    if (!aligned) return std::nullopt;

    EdgePoints edges(probe, g.walkStep, search.edgePoints);
    edges.AddLine(probe.start, probe.widths.data());
    edges.AddLine(aligned->start, aligned->widths.data());
    if (FollowParallelLines(search, g, *aligned, probe, edges) < kMinAgreeingLines) return std::nullopt;
    const std::optional<double> angle = FitReadingAngle(edges, g);
    if (!angle) return std::nullopt;

    Candidate cand;
    for (std::size_t i = 0; i < kProbeElements; ++i) cand.stats.Add(i % 2 == 0, aligned->widths[i]);
    cand.start = aligned->start;
    cand.angle = *angle;
    cand.direction = ReadingSense(search.family, search.directions);
    DirectionSteps(cand.angle, kStepTableSize, cand.steps[kAlong]);
    DirectionSteps(WrapDegrees(cand.angle - 180.0), kStepTableSize, cand.steps[kBack]);
    DirectionSteps(WrapDegrees(cand.angle + 90.0), kStepTableSize, cand.steps[kAcrossUp]);
    DirectionSteps(WrapDegrees(cand.angle - 90.0), kStepTableSize, cand.steps[kAcrossDown]);
    return cand;
}

}  // namespace

std::optional<Candidate> NextCandidate(LineSearch &search) {
    const Rect &area = search.picture.area;
    for (;;) {
        if (search.Done()) return std::nullopt;
        if (search.familyEnding) {  // the family's last line is finished
            StartFamily(search, FollowingFamily(search.family, search.directions));
            continue;
        }
        if (!area.Contains(search.resume)) {
            FinishLine(search, false);
            continue;
        }
        const Geometry &g = GeometryOf(search.family);
        // The rest of the line, from where the walk resumes to the area's edge.
        const lines::PixelLine line(search.picture.image, search.resume, g.walkStep, area);
        const int end = line.Count();
        int i = 0;
        for (;;) {
            i = line.NextDark(i, end, search.darkMap);
            if (i == end) break;
            Probe probe;
            probe.start = line.At(i);
            RunScan &first = PrepareScan(search.probeScan, area, g.collector, probe.start, kProbeElements);
            const lines::RunEnd ended = RunCollect(first, search.picture.image, &search.darkMap);
            if (ended == lines::RunEnd::LeftArea) break;
            const Point stop = {first.stopX, first.stopY};
            if (ended != lines::RunEnd::Plausible) {
                // A gap or implausible widths: walk on from where the probe stopped.
                i = stop == probe.start ? i + 1 : line.IndexOf(stop);
                if (i == end) break;
                continue;
            }
            // A plausible probe: the walk will resume 15 pixels past its end.
            const Point resume = stop + kResumeGap * StepVector(g.walkStep);
            if (area.Contains(resume)) {
                search.resume = resume;
            } else {
                FinishLine(search, true);
            }
            std::copy_n(first.widths.begin(), kProbeElements, probe.widths.begin());
            probe.pixels = first.pixels;
            return ConfirmProbe(search, probe);
        }
        FinishLine(search, false);
    }
}

}  // namespace zr::bar
