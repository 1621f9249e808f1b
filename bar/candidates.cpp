// The line search: walks horizontal, vertical and diagonal lines, probes
// bar patterns, confirms them on parallel lines and fits the reading angle.
#include <cmath>
#include <cstdlib>

#include "bar/pass_state.hpp"

namespace zr::bar {

namespace {

constexpr int kProbeElements = 9;
constexpr int kFollowElements = 10;
constexpr int kFollowLines = 8;
constexpr int kElementTolerance = 2;
constexpr double kDriftLimit = 7.5;
constexpr int kResumeGap = 15;

struct Geometry {
    std::uint8_t walkStep;   // step code along the line
    std::uint8_t collector;  // RunScan direction code
    Point secondOffset;      // second probe start, relative to the first probe's
    Point lineShift;         // from one following line to the next
    int secondSpacing;       // distance of the second line, in line shifts of 5
    std::uint8_t fitMode;
    double addedAngle;
};

Geometry GeometryOf(Family family) {
    switch (family) {
        case Family::Horizontal:
            return {0, 1, {-15, 5}, {0, 5}, 5, 12, 90.0};
        case Family::Vertical:
            return {2, 4, {-5, -15}, {-5, 0}, 5, 3, 270.0};
        case Family::Diagonal1:
            return {7, 16, {-7, 15}, {0, 5}, 8, 12, 90.0};
        default:
            return {1, 32, {-15, -7}, {-5, 0}, 8, 12, 90.0};
    }
}

// Position along the line direction: x, y, or a diagonal's x -/+ y.
int AlongOf(Family family, Point p) {
    switch (family) {
        case Family::Horizontal:
            return p.x;
        case Family::Vertical:
            return p.y;
        case Family::Diagonal1:
            return p.x - p.y;
        default:
            return p.x + p.y;
    }
}

// Pixels per unit of AlongOf.
double AlongScale(Family family) {
    return family == Family::Diagonal1 || family == Family::Diagonal2 ? 0.70710678 : 1.0;
}

// The point of the line through `onLine` whose along-position is `along`.
Point PointOnLine(Family family, Point onLine, int along) {
    switch (family) {
        case Family::Horizontal:
            return {along, onLine.y};
        case Family::Vertical:
            return {onLine.x, along};
        case Family::Diagonal1: {
            const int c = onLine.x + onLine.y;  // x - y = along
            const int x = static_cast<int>(std::floor((c + along) / 2.0));
            return {x, c - x};
        }
        default: {
            const int d = onLine.x - onLine.y;  // x + y = along
            const int x = static_cast<int>(std::floor((along + d) / 2.0));
            return {x, x - d};
        }
    }
}

Point Add(Point a, Point b) {
    return {a.x + b.x, a.y + b.y};
}
Point Scale(Point a, int k) {
    return {a.x * k, a.y * k};
}

std::uint8_t ReadingSense(Family family, std::uint8_t directions) {
    switch (family) {
        case Family::Horizontal:
            return directions & 3;
        case Family::Vertical:
            return directions & 12;
        case Family::Diagonal1:
            return kDiagonalUp;
        default:
            return kDiagonalDown;
    }
}

// Readies one of the pass's run collections; its width buffer is reused.
RunScan &PrepareScan(RunScan &scan, const PassState &pass, std::uint8_t direction, Point start,
                     std::uint16_t capacity) {
    scan.area = pass.area;
    scan.capacity = capacity;
    RunBufferInit(scan, direction);
    scan.startX = start.x;
    scan.startY = start.y;
    return scan;
}

// Origin of diagonal line number k of a family, or false past the area.
bool DiagonalOrigin(const Rect &area, Family family, int k, Point &origin) {
    if (family == Family::Diagonal1) {  // down the left edge, then along the bottom edge
        const int c = area.x0 + area.y0 + 5 * k;
        const int y = std::min(c - area.x0, area.y1 - 1);
        origin = {c - y, y};
    } else {  // leftwards along the top edge, then down the left edge
        const int d = (area.x1 - 1) - area.y0 - 5 * k;
        const int x = std::max(d + area.y0, area.x0);
        origin = {x, x - d};
    }
    return area.Contains(origin);
}

// Moves to the family's next diagonal line.
void AdvanceDiagonal(PassState &pass) {
    const int k = pass.diagonalLine + 1;
    Point origin;
    if (!DiagonalOrigin(pass.area, pass.family, k, origin)) {
        pass.familyEnding = true;
        return;
    }
    pass.diagonalLine = k;
    pass.lineOrigin = origin;
    pass.resume = origin;
}

// The current line is finished. `byCandidate`: a candidate reached its end.
void FinishLine(PassState &pass, bool byCandidate) {
    if (pass.family == Family::Diagonal1 || pass.family == Family::Diagonal2) {
        AdvanceDiagonal(pass);
        return;
    }
    const int gap = byCandidate ? 5 : 7;
    pass.lineOrigin = pass.nextOrigin;
    pass.resume = pass.lineOrigin;
    if (pass.family == Family::Horizontal) {
        pass.nextOrigin.y += gap;
        if (pass.nextOrigin.y >= pass.area.y1) pass.familyEnding = true;
    } else {
        pass.nextOrigin.x -= gap;
        if (pass.nextOrigin.x < pass.area.x0) pass.familyEnding = true;
    }
}

Family FollowingFamily(Family family, std::uint8_t directions) {
    switch (family) {
        case Family::Horizontal:
            return (directions & 12) ? Family::Vertical : Family::Done;
        case Family::Vertical:
            return directions == 15 ? Family::Diagonal1 : Family::Done;
        case Family::Diagonal1:
            return Family::Diagonal2;
        default:
            return Family::Done;
    }
}

struct Probe {
    Point start;
    std::array<std::uint16_t, kProbeElements> widths{};
    int pixels = 0;
};

// Edge positions (pixel coordinates) of `count` elements from `start`.
void EdgesOf(Point start, std::uint8_t walkStep, const std::uint16_t *widths, int count, Point *edges) {
    int steps = 0;
    for (int e = 0; e <= count; ++e) {
        edges[e] = start + steps * StepVector(walkStep);
        if (e < count) steps += widths[e];
    }
}

// Confirms a first probe on parallel lines and fits the angle.
std::uint16_t ConfirmProbe(PassState &pass, const Probe &probe) {
    const Geometry g = GeometryOf(pass.family);
    const Rect &area = pass.area;
    Point secondStart = Add(probe.start, g.secondOffset);
    if (pass.family == Family::Horizontal) {
        if (secondStart.y >= area.y1 || secondStart.x >= area.x1) return kSkip;
        secondStart.x = std::max(secondStart.x, area.x0);
    } else if (pass.family == Family::Vertical) {
        if (secondStart.x < area.x0 || secondStart.y >= area.y1) return kSkip;
        secondStart.y = std::max(secondStart.y, area.y0);
    } else if (!area.Contains(secondStart)) {
        return kSkip;
    }

    RunScan &second = PrepareScan(pass.secondScan, pass, g.collector, secondStart, kMaxElements);
    second.pixelLimit = static_cast<std::uint16_t>(std::min(probe.pixels + 30, 4000));
    RunCollect(second, *pass.image);
    const int available = second.elements;

    // Align the first probe's widths with the second probe's.
    int bestOffset = -1;
    int bestTotal = 0;
    for (int offset = second.startsLight ? 1 : 0; offset + kProbeElements <= available; offset += 2) {
        int total = 0;
        bool fits = true;
        for (int i = 0; i < kProbeElements && fits; ++i) {
            const int d = std::abs(int{second.widths[offset + i]} - int{probe.widths[i]});
            fits = d <= kElementTolerance;
            total += d;
        }
        if (fits && (bestOffset < 0 || total < bestTotal)) {
            bestOffset = offset;
            bestTotal = total;
        }
    }
    if (bestOffset < 0) return kSkip;

    int before = 0;
    for (int i = 0; i < bestOffset; ++i) before += second.widths[i];
    const Point candidateStart = secondStart + before * StepVector(g.walkStep);
    const std::uint16_t *matched = &second.widths[bestOffset];

    Candidate &cand = pass.candidate;
    cand.ResetStatistics();
    for (int i = 0; i < kProbeElements; ++i) {
        if (i % 2 == 0) {
            cand.darkSum += matched[i];
            ++cand.darkCount;
        } else {
            cand.lightSum += matched[i];
            ++cand.lightCount;
        }
    }

    // Edge points: each edge's offset from the same edge on the first line.
    Point reference[kProbeElements + 1];
    Point edges[kProbeElements + 1];
    EdgesOf(probe.start, g.walkStep, probe.widths.data(), kProbeElements, reference);
    std::vector<EdgePoint> points;
    points.reserve((kFollowLines + 2) * (kProbeElements + 1));
    auto addEdges = [&](Point lineStart, const std::uint16_t *widths) {
        EdgesOf(lineStart, g.walkStep, widths, kProbeElements, edges);
        for (int e = 0; e <= kProbeElements; ++e)
            points.push_back({double(edges[e].x - reference[e].x), double(edges[e].y - reference[e].y)});
    };
    addEdges(probe.start, probe.widths.data());
    addEdges(candidateStart, matched);

    // Follow the bars over further parallel lines.
    const double scale = AlongScale(pass.family);
    const int along2 = AlongOf(pass.family, candidateStart);
    double driftPerLine = (along2 - AlongOf(pass.family, probe.start)) * 5.0 / g.secondSpacing;
    int lastAlong = along2;
    int lastLine = 0;
    int agreeing = 2;
    for (int line = 1; line <= kFollowLines; ++line) {
        const Point onLine = Add(candidateStart, Scale(g.lineShift, line));
        const double predicted = lastAlong + driftPerLine * (line - lastLine);
        if (std::fabs(predicted - along2) * scale > kDriftLimit) break;
        Point start = PointOnLine(pass.family, onLine, static_cast<int>(std::lround(predicted)));
        // Start one pixel before the predicted bar edge so that the bar is measured whole.
        const std::uint8_t back = static_cast<std::uint8_t>((g.walkStep + 4) & 7);
        const Point before1 = start + StepVector(back);
        if (area.Contains(before1)) start = before1;
        if (!area.Contains(start)) break;

        RunScan &follow = PrepareScan(pass.followScan, pass, g.collector, start, kFollowElements);
        RunCollect(follow, *pass.image);
        const int offset = follow.startsLight ? 1 : 0;
        if (follow.elements < offset + kProbeElements) continue;
        int total = 0;
        bool fits = true;
        for (int i = 0; i < kProbeElements && fits; ++i) {
            const int d = std::abs(int{follow.widths[offset + i]} - int{matched[i]});
            fits = d <= kElementTolerance;
            total += d;
        }
        if (!fits || total > follow.elements - offset - 1) continue;
        int lead = 0;
        for (int i = 0; i < offset; ++i) lead += follow.widths[i];
        const Point barStart = start + lead * StepVector(g.walkStep);
        addEdges(barStart, &follow.widths[offset]);
        ++agreeing;
        lastAlong = AlongOf(pass.family, barStart);
        driftPerLine = double(lastAlong - along2) / line;
        lastLine = line;
    }
    if (agreeing <= 4) return kSkip;

    double angle = 0;
    if (LineFitAngle(points.data(), static_cast<int>(points.size()), g.fitMode, &angle) != 0)
        return kSkipAngle;
    angle += g.addedAngle;
    if (angle >= 360.0) angle -= 360.0;
    if (!(angle >= 0.0 && angle < 360.0)) return kSkipAngle;

    cand.start = candidateStart;
    cand.angle = angle;
    cand.direction = ReadingSense(pass.family, pass.scanner->directions);
    auto wrap = [](double a) { return a < 0 ? a + 360.0 : (a >= 360.0 ? a - 360.0 : a); };
    DirectionSteps(angle, kStepTableSize, cand.steps[kAlong]);
    DirectionSteps(wrap(angle - 180.0), kStepTableSize, cand.steps[kBack]);
    DirectionSteps(wrap(angle + 90.0), kStepTableSize, cand.steps[kAcrossUp]);
    DirectionSteps(wrap(angle - 90.0), kStepTableSize, cand.steps[kAcrossDown]);
    return 0;
}

}  // namespace

void StartFamily(PassState &pass, Family family) {
    const Rect &area = pass.area;
    pass.family = family;
    pass.familyEnding = false;
    pass.lineActive = true;
    switch (family) {
        case Family::Horizontal:
            pass.lineOrigin = {area.x0, area.y0};
            pass.nextOrigin = {area.x0, area.y0 + 7};
            break;
        case Family::Vertical:
            pass.lineOrigin = {area.x1 - 1, area.y0};
            pass.nextOrigin = {area.x1 - 1 - 7, area.y0};
            break;
        case Family::Diagonal1:
        case Family::Diagonal2:
            pass.diagonalLine = 0;
            DiagonalOrigin(area, family, 0, pass.lineOrigin);
            break;
        case Family::Done:
            pass.lineActive = false;
            break;
    }
    pass.resume = pass.lineOrigin;
}

std::uint16_t NextCandidate(PassState &pass) {
    for (;;) {
        if (pass.family == Family::Done) return kPassDone;
        if (pass.familyEnding) {  // the family's last line is finished
            StartFamily(pass, FollowingFamily(pass.family, pass.scanner->directions));
            continue;
        }
        const Geometry g = GeometryOf(pass.family);
        BitCursor cursor(*pass.image);
        if (!pass.area.Contains(pass.resume)) {
            FinishLine(pass, false);
            continue;
        }
        cursor.MoveTo(pass.resume);
        bool lineDone = false;
        while (!lineDone) {
            if (!cursor.Dark()) {
                if (!cursor.StepInside(g.walkStep, pass.area)) lineDone = true;
                continue;
            }
            Probe probe;
            probe.start = cursor.At();
            RunScan &first = PrepareScan(pass.probeScan, pass, g.collector, probe.start, kProbeElements);
            const std::uint16_t status = RunCollect(first, *pass.image);
            if (status == lines::kRunLeftArea) {
                lineDone = true;
                break;
            }
            if (status != lines::kRunOk) {  // a gap or implausible widths: walk on from where the probe stopped
                const Point stop = {first.stopX, first.stopY};
                if (stop.x == probe.start.x && stop.y == probe.start.y) {
                    if (!cursor.StepInside(g.walkStep, pass.area)) lineDone = true;
                } else {
                    cursor.MoveTo(stop);
                }
                continue;
            }
            // A plausible probe: the walk will resume 15 pixels past its end.
            const Point resume = Point{first.stopX, first.stopY} + kResumeGap * StepVector(g.walkStep);
            if (pass.area.Contains(resume)) {
                pass.resume = resume;
            } else {
                FinishLine(pass, true);
            }
            for (int i = 0; i < kProbeElements; ++i) probe.widths[i] = first.widths[i];
            probe.pixels = first.pixels;
            const std::uint16_t confirmed = ConfirmProbe(pass, probe);
            if (confirmed == 0 || confirmed == kSkip || confirmed == kSkipAngle) return confirmed;
            return kSkip;
        }
        FinishLine(pass, false);
    }
}

}  // namespace zr::bar
