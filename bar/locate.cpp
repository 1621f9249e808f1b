// Outlines a decoded symbol: from both ends of its line, moves along the
// bar edges while probes still see the symbol's pattern.
#include <cmath>
#include <cstdlib>

#include "bar/pass_state.hpp"

namespace zr::bar {

namespace {

struct Expectation {
    int bar = 0;     // pixels of the bar colour a probe must see
    int ground = 0;  // pixels of the ground colour
};

// True when a probe from `base` along `probeTable` sees both expected counts
// before either count exceeds three times its expectation.
bool ProbeSeesSymbol(const PassState &pass, const BitCursor &base, const StepTable &probeTable,
                     Expectation expect, std::uint8_t barColor) {
    BitCursor probe = base;
    TableWalk walk{&probeTable};
    int bar = 0, ground = 0;
    for (;;) {
        const bool isBar = probe.Dark() == (barColor == 1);
        if (isBar)
            ++bar;
        else
            ++ground;
        if (bar >= expect.bar && ground >= expect.ground) return true;
        if (bar > 3 * expect.bar || ground > 3 * expect.ground) return false;
        if (!probe.StepInside(walk.Next(), pass.area)) return true;  // leaving the rectangle counts as seen
    }
}

Point FollowEdge(const PassState &pass, Point from, StepIndex probeIndex, StepIndex moveIndex,
                 Expectation expect, std::uint8_t barColor) {
    const Candidate &cand = pass.candidate;
    BitCursor base(*pass.image);
    base.MoveTo(from);
    TableWalk move{&cand.steps[moveIndex]};
    Point last = from;
    for (;;) {
        if (!ProbeSeesSymbol(pass, base, cand.steps[probeIndex], expect, barColor)) return last;
        last = base.At();
        if (!base.StepInside(move.Next(), pass.area)) return last;
    }
}

}  // namespace

std::uint16_t LocateSymbol(PassState &pass) {
    Candidate &cand = pass.candidate;
    const std::uint8_t barColor = pass.decode.barColor;
    SymbolLine line;
    if (CollectSymbolLine(pass, cand.start, barColor, line) != 0) return kTooSmall;

    // E: narrowest plus widest bar of the line.
    int narrow = 0xFFFF, wide = 0;
    for (std::size_t i = 0; i < line.widths.size(); i += 2) {
        narrow = std::min<int>(narrow, line.widths[i]);
        wide = std::max<int>(wide, line.widths[i]);
    }
    const double e = narrow + wide;
    const double barMean = cand.BarMean(barColor);
    const double groundMean = cand.GroundMean(barColor);
    const double mean = (barMean + groundMean) / 2;
    if (mean <= 0) return kTooSmall;
    Expectation expect;
    expect.bar = std::max(1, static_cast<int>(std::lround(e * barMean / mean)));
    expect.ground = std::max(1, static_cast<int>(std::lround(e * groundMean / mean)));

    std::array<Point, 4> o;
    o[0] = FollowEdge(pass, line.first, kAlong, kAcrossUp, expect, barColor);
    o[1] = FollowEdge(pass, line.last, kBack, kAcrossUp, expect, barColor);
    o[2] = FollowEdge(pass, line.last, kBack, kAcrossDown, expect, barColor);
    o[3] = FollowEdge(pass, line.first, kAlong, kAcrossDown, expect, barColor);
    for (Point &p : o) p = pass.area.Clamp(p);

    const bool horizontal = cand.direction >= 1 && cand.direction <= 3;
    auto dx = [](Point a, Point b) { return std::abs(a.x - b.x); };
    auto dy = [](Point a, Point b) { return std::abs(a.y - b.y); };
    const bool bigEnough =
        horizontal
            ? dx(o[1], o[0]) >= 20 && dx(o[2], o[3]) >= 20 && dy(o[3], o[0]) >= 20 && dy(o[2], o[1]) >= 20
            : dy(o[0], o[1]) >= 20 && dy(o[2], o[3]) >= 20 && dx(o[1], o[2]) >= 20 && dx(o[3], o[0]) >= 20;
    if (!bigEnough) return kTooSmall;
    cand.outline = o;
    return 0;
}

}  // namespace zr::bar
