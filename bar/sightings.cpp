// Sightings: a symbol read on one line placed in the picture, sightings of
// one symbol gathered into a group, and the groups seen often enough stored
// as results after the first look's.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "bar/sightings.hpp"
#include "core/second_look.hpp"

namespace zr::bar {
namespace {

// Characters a weakly checked symbol reads at least: strokes of print (text,
// rules, a fence) make short 2 of 5 readings of one to three digits, which
// no check can refuse.
constexpr std::size_t kMinWeakCharacters = 4;
// An add-on's centre lies closer than this many main symbol sizes to its main symbol's.
constexpr double kAddOnDistance = 1.5;
// How far a group's start and end edges may move differently from its first
// line to its last: this share of the larger move and some pixels.
constexpr double kParallelShare = 0.5;
constexpr double kParallelSlack = 1.5;

using geom::PointF;
using second_look_detail::CornerCentroid;
using second_look_detail::SymbolSize;

// The result of a group of sightings: its outline runs along the start edge
// from the group's first line to its last, then back along the end edge,
// widened by half the line spacing on either side.
ZrBarResult GroupResult(const std::vector<Sighting> &sightings, int group, double halfSpacing) {
    const Sighting *low = nullptr, *high = nullptr;
    for (const Sighting &s : sightings) {
        if (s.group != group) continue;
        if (low == nullptr || s.across < low->across) low = &s;
        if (high == nullptr || s.across > high->across) high = &s;
    }
    const PointF n = Across(low->family);
    const auto shift = [&](PointF p, double by) { return p + by * n; };
    const PointF corners[4] = {shift(low->start, -halfSpacing), shift(high->start, halfSpacing),
                               shift(high->end, halfSpacing), shift(low->end, -halfSpacing)};
    ZrBarResult result;
    std::memset(&result, 0, sizeof result);
    for (int i = 0; i < 4; ++i) {
        result.corners[2 * i] = static_cast<std::int32_t>(std::lround(corners[i].x));
        result.corners[2 * i + 1] = static_cast<std::int32_t>(std::lround(corners[i].y));
    }
    result.type = low->reading.type;
    result.angle = low->angle;
    result.barColor = low->reading.barColor;
    result.checksum = low->reading.checksumOk;
    std::strncpy(result.text, low->reading.text, sizeof result.text - 1);
    return result;
}

// True when point (x, y) lies inside the result's outline (a convex quadrilateral, either turn).
bool Inside(const ZrBarResult &r, double x, double y) {
    int positive = 0, negative = 0;
    for (int k = 0; k < 4; ++k) {
        const int next = (k + 1) % 4;
        const double ax = r.corners[2 * k], ay = r.corners[2 * k + 1];
        const double cross =
            (r.corners[2 * next] - ax) * (y - ay) - (r.corners[2 * next + 1] - ay) * (x - ax);
        positive += cross > 0 ? 1 : 0;
        negative += cross < 0 ? 1 : 0;
    }
    return positive == 0 || negative == 0;
}

// True when the result's centre lies within a stored result or a stored
// result's centre within it: a piece of a symbol already read (a shorter
// symbology read from part of its bars) is not another symbol.
bool OverlapsStored(const ZrBarScanner &scanner, const ZrBarResult &found) {
    const auto c = CornerCentroid(found);
    for (int i = 0; i < scanner.resultCount; ++i) {
        const ZrBarResult &stored = scanner.results[i];
        const auto s = CornerCentroid(stored);
        if (Inside(stored, c.x, c.y) || Inside(found, s.x, s.y)) return true;
    }
    return false;
}

// True when the group's start and end edges moved alike from its first line
// to its last, as the parallel edges of one symbol do: a line that enters a
// symbol through the ends of its bars reads a piece of it, whose start moves
// along the bars' ends from line to line while its end stays on the last bar.
bool EdgesParallel(const std::vector<Sighting> &sightings, int group) {
    const Sighting *low = nullptr, *high = nullptr;
    for (const Sighting &s : sightings) {
        if (s.group != group) continue;
        if (low == nullptr || s.across < low->across) low = &s;
        if (high == nullptr || s.across > high->across) high = &s;
    }
    const PointF starts = high->start - low->start, ends = high->end - low->end;
    const double moved = std::max(geom::Length(starts), geom::Length(ends));
    return geom::Distance(starts, ends) <= kParallelShare * moved + kParallelSlack;
}

// True when a stored EAN/UPC symbol lies beside the add-on: their centres
// closer than kAddOnDistance times the symbol's size (a 5-digit add-on is
// nearly as long as a UPC-E symbol). An add-on alone is no symbol.
bool BesideMainSymbol(const ZrBarScanner &scanner, const ZrBarResult &addOn) {
    const auto a = CornerCentroid(addOn);
    for (int i = 0; i < scanner.resultCount; ++i) {
        const ZrBarResult &main = scanner.results[i];
        if ((main.type & kMainEanUpc) == 0) continue;
        const auto m = CornerCentroid(main);
        if (geom::Distance(a, m) < kAddOnDistance * SymbolSize(main)) return true;
    }
    return false;
}

}  // namespace

Sighting Place(const LineReading &r, const GreyLine &line) {
    Sighting s;
    s.reading = r;
    s.family = line.family;
    s.across = line.across;
    const PointF first = PointOn(line, r.first), last = PointOn(line, r.last);
    s.start = r.reversed ? last : first;
    s.end = r.reversed ? first : last;
    s.angle = r.reversed ? std::fmod(line.angle + 180.0, 360.0) : line.angle;
    return s;
}

bool SameSymbol(const Sighting &a, const Sighting &b) {
    if (a.family != b.family || a.reading.type != b.reading.type ||
        a.reading.barColor != b.reading.barColor || a.reading.reversed != b.reading.reversed ||
        std::strcmp(a.reading.text, b.reading.text) != 0)
        return false;
    const double reach = kSameEnds * geom::Distance(a.start, a.end);
    return geom::Distance(a.start, b.start) <= reach && geom::Distance(a.end, b.end) <= reach;
}
PointF Across(GreyFamily family) {
    constexpr double kHalfRoot2 = 0.70710678118654752;
    switch (family) {
        case GreyFamily::Rows:
            return {0, 1};
        case GreyFamily::Columns:
            return {1, 0};
        case GreyFamily::DiagonalDown:  // x - y grows
            return {kHalfRoot2, -kHalfRoot2};
        case GreyFamily::DiagonalUp:  // x + y grows
            return {kHalfRoot2, kHalfRoot2};
    }
    return {0, 1};
}

// Sightings of one symbol form a group; a group seen often enough is
// stored, the strongly checked symbologies first, so that a piece of a
// symbol read as a weaker one finds the whole already stored. Groups stored
// by an earlier call are found stored again and skipped.
PassEnd StoreGroups(ZrBarScanner &scanner, std::vector<Sighting> &sightings, const LinePlan &plan,
                    PassEnd end) {
    // `spread`: how far apart across the lines the group's sightings lie.
    int groups = 0;
    std::vector<int> spread;
    for (Sighting &s : sightings) s.group = -1;
    for (std::size_t i = 0; i < sightings.size(); ++i) {
        if (sightings[i].group >= 0) continue;
        const int group = groups++;
        sightings[i].group = group;
        int low = sightings[i].across, high = low;
        for (std::size_t j = i + 1; j < sightings.size(); ++j) {
            if (sightings[j].group < 0 && SameSymbol(sightings[i], sightings[j])) {
                sightings[j].group = group;
                low = std::min(low, sightings[j].across);
                high = std::max(high, sightings[j].across);
            }
        }
        spread.push_back(high - low);
    }
    // Passes: the strongly checked main symbols, the weakly checked ones,
    // then the add-ons, each beside a main symbol stored by then.
    enum class Pass { kStrong, kWeak, kAddOn };
    for (const Pass pass : {Pass::kStrong, Pass::kWeak, Pass::kAddOn}) {
        int group = -1;
        for (const Sighting &s : sightings) {
            if (s.group <= group) continue;  // the group's first sighting stands for it
            group = s.group;
            const bool addOn = (s.reading.type & kAddOns) != 0;
            const bool strong = (s.reading.type & kStronglyChecked) != 0 && s.reading.checksumOk;
            if (pass != (addOn ? Pass::kAddOn : strong ? Pass::kStrong : Pass::kWeak)) continue;
            // A weakly checked symbol must be read alike on lines apart by
            // more than the next line's distance (neighbouring lines can
            // cross one grain of coarse noise alike), and on rows or
            // columns: a diagonal line also crosses a symbol standing
            // straight from the top of its bars to their bottom, and such a
            // piece of it may read as a weak symbol.
            if (pass == Pass::kWeak &&
                (std::strlen(s.reading.text) < kMinWeakCharacters ||
                 spread[static_cast<std::size_t>(group)] < kWeakSpread * plan.Spacing(s.family) ||
                 !EdgesParallel(sightings, group) || Diagonal(s.family)))
                continue;
            const ZrBarResult result = GroupResult(sightings, group, 0.5 * plan.Spacing(s.family));
            if (addOn ? !BesideMainSymbol(scanner, result) : OverlapsStored(scanner, result)) continue;
            if (AddSecondLookResult(scanner, result) == SecondLookStore::kListFull) end = PassEnd::ListFull;
        }
    }
    return end;
}

}  // namespace zr::bar
