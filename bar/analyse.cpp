// Examines a candidate line: finds both ends of the bar pattern, decides
// which bar colours are possible and outlines the symbol roughly.
#include <cmath>
#include <cstdlib>

#include "bar/pass_state.hpp"

namespace zr::bar {

namespace {

constexpr int kAcrossShift = 9;

struct WalkResult {
    Point end;  // last pixel of the bar pattern
    int pixels = 0;
    int elements = 0;
    std::uint8_t ground = 0;  // 1 light ground found, 2 dark ground found, 0 none
};

// Walks from `start` along `table`, closing elements and updating the
// candidate's running means, until a ground element, the rectangle's end or
// the pixel limit.
std::uint16_t WalkToGround(PassState &pass, Point start, const StepTable &table, WalkResult &out) {
    Candidate &cand = pass.candidate;
    BitCursor cursor(*pass.image);
    cursor.MoveTo(start);
    TableWalk walk{&table};
    bool dark = cursor.Dark();
    int width = 1;
    Point previous = start;  // pixel before the open element
    out = WalkResult{};
    out.end = start;
    for (;;) {
        const Point here = cursor.At();
        if (!cursor.StepInside(walk.Next(), pass.area)) {
            out.end = here;
            return 0;
        }
        if (++out.pixels > 4000) return kRejected;
        const bool d = cursor.Dark();
        if (d == dark) {
            ++width;
            const double mean = dark ? cand.DarkMean() : cand.LightMean();
            const int seen = cand.darkCount + cand.lightCount;
            const double limit = dark ? 4.5 : 4.8;
            if (mean > 0 && ((seen > 8 && width > limit * mean) || width > 6 * mean)) {
                out.ground = dark ? 2 : 1;
                out.end = previous;
                return 0;
            }
            continue;
        }
        if (dark) {
            cand.darkSum += width;
            ++cand.darkCount;
        } else {
            cand.lightSum += width;
            ++cand.lightCount;
        }
        ++out.elements;
        previous = here;
        dark = d;
        width = 1;
    }
}

// Applies a found ground colour to the possible bar colours.
std::uint16_t ApplyGround(PassState &pass, std::uint8_t ground) {
    if (ground == 0) return 0;
    const std::uint8_t colour = ground;  // light ground: dark bars (1); dark ground: light bars (2)
    if (!(pass.scanner->barColors & colour)) return kRejected;
    if (!(pass.candidate.colours & colour)) return kRejected;
    pass.candidate.colours = colour;
    return 0;
}

Point Offset(Point a, Point from, Point to) {
    return {a.x + to.x - from.x, a.y + to.y - from.y};
}

// Moves a base across the bars while a walk along the reading direction
// still sees both colours in quantity; returns the last base on the symbol.
Point OutlineSide(PassState &pass, Point start, StepIndex across, int c) {
    const Candidate &cand = pass.candidate;
    TableWalk acrossWalk{&cand.steps[across]};
    BitCursor base(*pass.image);
    base.MoveTo(start);
    Point last = start;
    for (;;) {
        if (!base.StepInside(acrossWalk.Next(), pass.area)) return last;
        BitCursor probe = base;
        TableWalk along{&cand.steps[kAlong]};
        int dark = 0, light = 0;
        bool onSymbol = false;
        for (;;) {
            if (probe.Dark())
                ++dark;
            else
                ++light;
            if (dark > c && light > c) {
                onSymbol = true;
                break;
            }
            if (dark > 3 * c || light > 3 * c) break;
            if (!probe.StepInside(along.Next(), pass.area)) break;
        }
        if (!onSymbol) return last;
        last = base.At();
    }
}

// Rough outline of the candidate around its line from start to end; 0 or kTooSmall.
std::uint16_t CandidateOutline(PassState &pass) {
    Candidate &cand = pass.candidate;
    const Rect &area = pass.area;
    // How far the pattern extends to either side of the line.
    const int c = static_cast<int>(std::lround(5 * std::max(cand.DarkMean(), cand.LightMean())));
    const Point p0 = OutlineSide(pass, cand.start, kAcrossUp, c);
    const Point p3 = OutlineSide(pass, cand.start, kAcrossDown, c);
    std::array<Point, 4> &o = cand.outline;
    o[0] = area.Clamp(p0);
    o[1] = area.Clamp(Offset(p0, cand.start, cand.end));
    o[3] = area.Clamp(p3);
    o[2] = area.Clamp(Offset(p3, cand.start, cand.end));
    const bool horizontal = cand.direction >= 1 && cand.direction <= 3;
    auto across1 = [&](Point a, Point b) { return horizontal ? std::abs(a.y - b.y) : std::abs(a.x - b.x); };
    auto along1 = [&](Point a, Point b) { return horizontal ? std::abs(a.x - b.x) : std::abs(a.y - b.y); };
    if (across1(o[2], o[1]) <= 7 || across1(o[3], o[0]) <= 7 || along1(o[1], o[0]) <= 7 ||
        along1(o[2], o[3]) <= 7)
        return kTooSmall;
    return 0;
}

}  // namespace

std::uint16_t AnalyseCandidate(PassState &pass) {
    Candidate &cand = pass.candidate;
    const Rect &area = pass.area;

    // Move into the symbol, across the bars.
    Point start = cand.start;
    TableWalk across{&cand.steps[kAcrossDown]};
    for (int i = 0; i < kAcrossShift; ++i) {
        const std::uint8_t code = across.Next();
        start += StepVector(code);
        if (!area.Contains(start)) return kNotDecodable;
    }

    cand.colours = 3;
    WalkResult forward, backward;
    std::uint16_t status = WalkToGround(pass, start, cand.steps[kAlong], forward);
    if (status != 0) return status;
    if ((status = ApplyGround(pass, forward.ground)) != 0) return status;
    status = WalkToGround(pass, start, cand.steps[kBack], backward);
    if (status != 0) return status;
    if ((status = ApplyGround(pass, backward.ground)) != 0) return status;

    const int pixels = forward.pixels + backward.pixels;
    const int elements = forward.elements + backward.elements;
    if (elements <= 11 || pixels < 1.4 * elements) return kSkip;
    cand.start = backward.end;
    cand.end = forward.end;
    return CandidateOutline(pass);
}

}  // namespace zr::bar
