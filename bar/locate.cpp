// Outlines a decoded symbol: from both ends of its line, moves along the
// bar edges while probes still see the symbol's pattern.
#include <algorithm>
#include <cmath>

#include "bar/stages.hpp"

namespace zr::bar {

namespace {

constexpr int kMinSide = 20;  // pixels of every side of a located symbol

struct Expectation {
    int bar = 0;     // pixels of the bar colour a probe must see
    int ground = 0;  // pixels of the ground colour
};

// True when a probe from `base` along `probeTable` sees both expected counts
// before either count exceeds three times its expectation.
bool ProbeSeesSymbol(const Picture &picture, const BitCursor &base, const StepTable &probeTable,
                     Expectation expect, std::uint8_t barColor) {
    BitCursor probe = base;
    TableWalk walk{&probeTable};
    int bar = 0, ground = 0;
    for (;;) {
        const int isBar =
            probe.Dark() == (barColor == kDarkBars) ? 1 : 0;  // no branch: noise would mispredict it
        bar += isBar;
        ground += 1 - isBar;
        if (bar >= expect.bar && ground >= expect.ground) return true;
        if (bar > 3 * expect.bar || ground > 3 * expect.ground) return false;
        if (!probe.StepInside(walk.Next(), picture.area))
            return true;  // leaving the rectangle counts as seen
    }
}

// Moves a base from `from` along `move` while probes along `probe` see the
// symbol; returns the last base that did.
Point FollowEdge(const Picture &picture, const StepTable &probe, const StepTable &move, Point from,
                 Expectation expect, std::uint8_t barColor) {
    BitCursor base(picture.image);
    base.MoveTo(from);
    TableWalk moveWalk{&move};
    Point last = from;
    for (;;) {
        if (!ProbeSeesSymbol(picture, base, probe, expect, barColor)) return last;
        last = base.At();
        if (!base.StepInside(moveWalk.Next(), picture.area)) return last;
    }
}

}  // namespace

std::optional<QuadI> LocateSymbol(const Picture &picture, const Candidate &cand, const Extent &extent,
                                  std::uint8_t barColor) {
    SymbolLine line;
    if (!CollectSymbolLine(picture, cand.steps, extent.stats, extent.start, barColor, line))
        return std::nullopt;

    // Narrowest plus widest bar of the line, shared out between the colours
    // by their running means.
    int narrow = 0xFFFF, wide = 0;
    for (std::size_t i = 0; i < line.widths.size(); i += 2) {
        narrow = std::min<int>(narrow, line.widths[i]);
        wide = std::max<int>(wide, line.widths[i]);
    }
    const double narrowPlusWide = narrow + wide;
    const double barMean = extent.stats.BarMean(barColor);
    const double groundMean = extent.stats.GroundMean(barColor);
    const double mean = (barMean + groundMean) / 2;
    if (mean <= 0) return std::nullopt;
    Expectation expect;
    expect.bar = std::max(1, static_cast<int>(std::lround(narrowPlusWide * barMean / mean)));
    expect.ground = std::max(1, static_cast<int>(std::lround(narrowPlusWide * groundMean / mean)));

    const StepTables &s = cand.steps;
    QuadI o;
    o.topLeft = FollowEdge(picture, s[kAlong], s[kAcrossUp], line.first, expect, barColor);
    o.topRight = FollowEdge(picture, s[kBack], s[kAcrossUp], line.last, expect, barColor);
    o.bottomRight = FollowEdge(picture, s[kBack], s[kAcrossDown], line.last, expect, barColor);
    o.bottomLeft = FollowEdge(picture, s[kAlong], s[kAcrossDown], line.first, expect, barColor);
    for (int i = 0; i < QuadI::kCorners; ++i) o[i] = picture.area.Clamp(o[i]);

    const Spans top = SpansOf(o.topRight, o.topLeft, cand.direction);
    const Spans bottom = SpansOf(o.bottomRight, o.bottomLeft, cand.direction);
    const Spans left = SpansOf(o.bottomLeft, o.topLeft, cand.direction);
    const Spans right = SpansOf(o.bottomRight, o.topRight, cand.direction);
    if (top.along < kMinSide || bottom.along < kMinSide || left.across < kMinSide || right.across < kMinSide)
        return std::nullopt;
    return o;
}

}  // namespace zr::bar
