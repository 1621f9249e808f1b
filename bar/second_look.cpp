// The linear reader's second look: when the first look read nothing, or
// read an EAN/UPC symbol whose add-on it may have walked past, scan lines
// cross the grey picture, their edges are read as symbols, and the symbols
// seen often enough become results after the first look's.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

#include "bar/grey_look.hpp"
#include "core/second_look.hpp"
#include "core/status.hpp"

namespace zr::bar {
namespace {

// Symbologies whose check characters make one line enough; every other
// symbol must be read alike on lines apart (kWeakSpread).
constexpr std::uint32_t kStronglyChecked =
    ZR_BAR_EAN13 | ZR_BAR_UPCA | ZR_BAR_CODE128 | ZR_BAR_EAN128 | ZR_BAR_CODE93 | kAddOns;
// What a diagonal line reads: a weakly checked symbol read on one is never
// reported (see the weak pass below), so only the strongly checked
// symbologies and the EAN/UPC symbols that add-ons stand beside are tried.
constexpr std::uint32_t kDiagonalSymbologies = kStronglyChecked | kMainEanUpc;
// Fewer edges than a 2-digit add-on has: nothing to read on the line.
constexpr std::size_t kFewestEdges = 14;
// Two sightings are one symbol when their ends lie within this share of
// the symbol's length of each other.
constexpr double kSameEnds = 0.25;
// Line spacings between the farthest sightings of a weakly checked symbol.
constexpr int kWeakSpread = 2;
// Characters a weakly checked symbol reads at least: strokes of print (text,
// rules, a fence) make short 2 of 5 readings of one to three digits, which
// no check can refuse.
constexpr std::size_t kMinWeakCharacters = 4;
// An add-on and its quiet zone lie within this share of its main symbol's
// size beside it: 12 modules of gap, 47 of a 5-digit add-on and 5 quiet
// ones make 64 of the 95 of an EAN 13 symbol.
constexpr double kAddOnReach = 0.8;
// Other symbols are sought this share of a main symbol's size about it.
constexpr double kNearbyReach = 0.6;
constexpr double kAddOnDistance = 1.5;
// How far a group's start and end edges may move differently from its first
// line to its last: this share of the larger move and some pixels.
constexpr double kParallelShare = 0.5;
constexpr double kParallelSlack = 1.5;

using geom::PointF;
using second_look_detail::CornerCentroid;
using second_look_detail::SymbolSize;

// A symbol read on one line, placed in the picture.
struct Sighting {
    LineReading reading;
    GreyFamily family = GreyFamily::Rows;
    int across = 0;
    PointF start, end;  // the symbol's first and last edge in its reading sense
    double angle = 0;
    int group = -1;
};

bool Diagonal(GreyFamily family) {
    return family == GreyFamily::DiagonalDown || family == GreyFamily::DiagonalUp;
}

PointF PointOn(const GreyLine &line, double position) {
    return {line.x0 + position * line.dx, line.y0 + position * line.dy};
}

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

// Unit vector across the lines of a family, and the spacing of its lines in pixels along it.
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

// A box widened on every side by `share` of its larger side, within the search rectangle.
Rect Widened(const Rect &box, const Rect &area, double share) {
    const int reach = static_cast<int>(share * std::max(box.Width(), box.Height()));
    return {std::max(area.x0, box.x0 - reach), std::max(area.y0, box.y0 - reach),
            std::min(area.x1, box.x1 + reach), std::min(area.y1, box.y1 + reach)};
}

// The part of the search rectangle where a symbol's add-on may lie: its
// outline's bounding box widened on every side by `share` of its size.
Rect AroundSymbol(const ZrBarResult &r, const Rect &area, double share) {
    int x0 = r.corners[0], x1 = x0, y0 = r.corners[1], y1 = y0;
    for (int k = 1; k < 4; ++k) {
        x0 = std::min(x0, r.corners[2 * k]);
        x1 = std::max(x1, r.corners[2 * k]);
        y0 = std::min(y0, r.corners[2 * k + 1]);
        y1 = std::max(y1, r.corners[2 * k + 1]);
    }
    const int reach = static_cast<int>(share * std::max(x1 - x0, y1 - y0));
    return {std::max(area.x0, x0 - reach), std::max(area.y0, y0 - reach), std::min(area.x1, x1 + reach + 1),
            std::min(area.y1, y1 + reach + 1)};
}

// Where a main EAN/UPC symbol has been read: the soft decoder tries no
// start there again. A confirmed sighting's region reaches across the lines
// by kDoneAcross of its length either side (a symbol's bars are rarely
// longer) and along them a little beyond its ends.
constexpr double kDoneAcross = 0.6;
using Region = std::array<PointF, 4>;

// A rectangle about `centre` along unit vector `u`: `along` either way
// along it and `across` either way across it.
Region Rectangle(PointF centre, PointF u, double along, double across) {
    const PointF n{-u.y, u.x};
    const auto at = [&](double a, double b) { return centre + a * u + b * n; };
    return {at(-along, -across), at(along, -across), at(along, across), at(-along, across)};
}

// A stored result's region: its outline's longer sides taken as the
// symbol's length, widened as a sighting's region is.
Region AroundResult(const ZrBarResult &r) {
    const auto corner = [&](int k) { return PointF{double(r.corners[2 * k]), double(r.corners[2 * k + 1])}; };
    const PointF centre = CornerCentroid(r);
    const PointF side1 = corner(1) - corner(0), side2 = corner(3) - corner(0);
    const double length1 = geom::Length(side1), length2 = geom::Length(side2);
    const PointF along = length1 >= length2 ? side1 : side2;
    const double length = std::max(length1, length2), height = std::min(length1, length2);
    if (length <= 0) return Rectangle(centre, {1, 0}, 0, 0);
    return Rectangle(centre, PointF{along.x / length, along.y / length}, (0.5 + kSameEnds) * length,
                     std::max(0.5 * height, kDoneAcross * length));
}

Region AroundSighting(const Sighting &s) {
    const double length = geom::Distance(s.start, s.end);
    const PointF n = Across(s.family);
    const PointF step = s.end - s.start, u{step.x / length, step.y / length};
    const double along = kSameEnds * length, across = kDoneAcross * length;
    const auto at = [&](PointF p, double a, double b) { return p + a * u + b * n; };
    return {at(s.start, -along, -across), at(s.start, -along, across), at(s.end, along, across),
            at(s.end, along, -across)};
}

// The stretch of the line inside a convex quadrilateral (either turn); false when it misses it.
bool SpanInside(const GreyLine &line, const Region &q, LineSpan &span) {
    using geom::Cross;
    double turn = 0;
    for (std::size_t k = 0; k < 4; ++k) turn += Cross(q[k], q[(k + 1) % 4]);
    const double sense = turn >= 0 ? 1 : -1;
    double low = 0, high = line.length - 1;
    for (std::size_t k = 0; k < 4; ++k) {
        const PointF a = q[k], side = q[(k + 1) % 4] - a;
        // Inside where c0 + t c1 >= 0 for the point at t along the line.
        const double c0 = sense * Cross(side, PointOn(line, 0) - a);
        const double c1 = sense * Cross(side, PointF{double(line.dx), double(line.dy)});
        if (c1 == 0) {
            if (c0 < 0) return false;
        } else if (c1 > 0) {
            low = std::max(low, -c0 / c1);
        } else {
            high = std::min(high, -c0 / c1);
        }
    }
    span = {low, high};
    return low <= high;
}

// True when the results hold a main EAN/UPC symbol and no add-on, while
// add-ons are sought: one may have been walked past.
bool AddOnMissing(const ZrBarScanner &scanner) {
    if ((scanner.symbologies & kAddOns) == 0) return false;
    bool main = false;
    for (int i = 0; i < scanner.resultCount; ++i) {
        if (scanner.results[i].type & kAddOns) return false;
        main = main || (scanner.results[i].type & kMainEanUpc) != 0;
    }
    return main;
}

// An add-on is read on the lines that read its main symbol whole: lines
// of the families within kAddOnFamilyReach degrees of the symbol's axis.
constexpr double kAddOnFamilyReach = 35;
// The sweeps about the first look's undecoded candidates: their bars reach
// across the first look's first two probes, 7 pixels apart, so lines two
// spacings apart cross them and the lines between those are left.
constexpr LineSubset kAboutCandidates[] = {{8, 0}, {4, 8}, {2, 4}};
// The two sweeps about a main symbol: every line between them once.
constexpr LineSubset kAroundSymbol[] = {{4, 0}, {1, 4}};
std::uint8_t FamiliesAlong(double angle) {
    constexpr double kFamilyAngles[] = {0, 90, 135,
                                        45};  // Rows, Columns, DiagonalDown, DiagonalUp, modulo 180
    std::uint8_t families = 0;
    for (int f = 0; f < 4; ++f) {
        const double apart = std::fabs(std::fmod(angle - kFamilyAngles[f] + 360.0, 180.0));
        if (std::min(apart, 180.0 - apart) < kAddOnFamilyReach)
            families |= FamilyBit(static_cast<GreyFamily>(f));
    }
    return families;
}

Region Outline(const ZrBarResult &r) {
    Region q;
    for (std::size_t k = 0; k < 4; ++k) q[k] = {double(r.corners[2 * k]), double(r.corners[2 * k + 1])};
    return q;
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

}  // namespace

PassEnd RunGreyLook(ZrBarScanner &scanner, PassEnd firstLook, int unread,
                    const std::vector<std::uint8_t> &storedGrey, const std::vector<Rect> &unreadAreas) {
    // The first look leaves something when it read nothing, left a candidate
    // undecoded, or read an EAN/UPC symbol whose add-on it may have walked past.
    const bool searchAll = scanner.resultCount == 0 || unread > 0;
    const int firstLookCount = scanner.resultCount;
    if (!SecondLookWanted(scanner.extraFlags) || firstLook == PassEnd::ListFull ||
        !(searchAll || AddOnMissing(scanner)))
        return firstLook;
    GreyPlane plane;
    const std::uint16_t loaded = DibToGreyPlane(scanner.image, plane, storedGrey);
    if (loaded == status::kNoMemory) throw std::bad_alloc();
    if (loaded != status::kOk) return firstLook;

    const Rect area{static_cast<int>(scanner.left), static_cast<int>(scanner.top),
                    static_cast<int>(scanner.left + scanner.rectWidth),
                    static_cast<int>(scanner.top + scanner.rectHeight)};
    const LinePlan plan(area, area, scanner.directions);  // the spacing of every family's lines
    edges::GreyEdgeFinder finder;
    finder.SetNoiseFloor(edges::NoiseFloor(plane.levels.data(), plane.width, plane.height));
    LineDecoder decoder;
    SoftEanDecoder softDecoder;
    std::vector<std::uint8_t> buffer;
    std::vector<LineReading> readings;
    std::vector<Sighting> sightings;
    // Where main EAN/UPC symbols were read (the first look's results, then
    // the sightings confirmed), and the stretches of a line the soft decoder skips.
    std::vector<Region> done;
    std::vector<LineSpan> skip;
    done.reserve(scanner.resultCount);
    for (int i = 0; i < scanner.resultCount; ++i) done.push_back(AroundResult(scanner.results[i]));
    const auto confirmed = [&](const Sighting &s) {
        if ((s.reading.type & kStronglyChecked) != 0 && s.reading.checksumOk) return true;
        return std::any_of(sightings.begin(), sightings.end(), [&](const Sighting &t) {
            return SameSymbol(s, t) && std::abs(s.across - t.across) >= kWeakSpread * plan.Spacing(s.family);
        });
    };
    // One sweep of lines over `part`: the plan's subset of places and
    // families, the symbologies tried (diagonals try fewer), whether the soft
    // decoder runs, and an outline each line must cross (none: every line).
    // With `addOnsOnly` the width decoder reads only main symbols that an
    // add-on may stand beside.
    std::vector<LineSpan> known;
    const auto sweep = [&](const Rect &part, LineSubset subset, std::uint8_t families,
                           std::uint32_t symbologies, bool soft, const Region *crossing, bool addOnsOnly) {
        LinePlan lines(part, area, scanner.directions, subset, families);
        GreyLine line;
        LineSpan span;
        while (lines.Next(line)) {
            if (crossing != nullptr && !SpanInside(line, *crossing, span)) continue;
            const std::uint8_t *levels = SampleLine(plane, line, buffer);
            const std::vector<edges::GreyEdge> &found = finder.Find(levels, line.length);
            if (found.size() < kFewestEdges) continue;
            readings.clear();
            const std::uint32_t tried =
                Diagonal(line.family) ? symbologies & kDiagonalSymbologies : symbologies;
            // Where the line crosses the symbols stored so far.
            known.clear();
            for (int i = 0; i < scanner.resultCount; ++i)
                if (SpanInside(line, Outline(scanner.results[i]), span)) known.push_back(span);
            decoder.Read(levels, line.length, found, tried, line.direction, scanner.barColors, readings,
                         SegmentFilter{&known, addOnsOnly});
            if (soft) {
                skip.clear();
                for (const LineReading &r : readings) skip.push_back({r.first, r.last});
                for (const Region &q : done)
                    if (SpanInside(line, q, span)) skip.push_back(span);
                softDecoder.Read(levels, line.length, found, tried, line.direction, scanner.barColors, skip,
                                 readings);
            }
            for (const LineReading &r : readings) {
                const Sighting s = Place(r, line);
                if (soft && (r.type & kMainEanUpc) != 0 && confirmed(s)) done.push_back(AroundSighting(s));
                sightings.push_back(s);
            }
        }
    };

    // Sparse lines first: once they have read a symbol the picture is taken
    // as read and the lines between them are left; otherwise they follow.
    PassEnd end = firstLook;
    Rect denseSwept{0, 0, 0, 0};  // a part swept with every line
    if (searchAll) {
        // Where the first look read symbols and left candidates, the rest
        // is sought about those candidates; else over the whole rectangle.
        // One part holds them all: overlapping parts would sweep lines twice.
        const bool aboutCandidates = scanner.resultCount > 0 && !unreadAreas.empty();
        Rect part = area;
        if (aboutCandidates) {
            part = Widened(unreadAreas[0], area, kNearbyReach);
            for (const Rect &box : unreadAreas) {
                const Rect around = Widened(box, area, kNearbyReach);
                part = {std::min(part.x0, around.x0), std::min(part.y0, around.y0),
                        std::max(part.x1, around.x1), std::max(part.y1, around.y1)};
            }
        }
        const bool soft = (scanner.symbologies & kMainEanUpc) != 0;
        for (const LineSubset &subset : aboutCandidates ? kAboutCandidates : kSparseToDense) {
            const int before = scanner.resultCount;
            sweep(part, subset, kEveryFamily, scanner.symbologies, soft, nullptr, false);
            end = StoreGroups(scanner, sightings, plan, end);
            if (subset.every == 1) denseSwept = part;
            if (scanner.resultCount != before || end == PassEnd::ListFull) break;
        }
    }
    // An add-on of a main EAN/UPC symbol read without one: sought on the
    // lines that cross that symbol along its axis, sparse lines first.
    if (end != PassEnd::ListFull && AddOnMissing(scanner)) {
        const std::uint32_t symbologies = scanner.symbologies & (kMainEanUpc | kAddOns);
        const int stored = scanner.resultCount;
        for (int i = 0; i < stored && end != PassEnd::ListFull; ++i) {
            const ZrBarResult main = scanner.results[i];
            if ((main.type & kMainEanUpc) == 0) continue;
            const Rect part = AroundSymbol(main, area, kAddOnReach);
            // Every line there has been read already.
            if (part.x0 >= denseSwept.x0 && part.y0 >= denseSwept.y0 && part.x1 <= denseSwept.x1 &&
                part.y1 <= denseSwept.y1)
                continue;
            // The first look's outline spans the bars; a second look's
            // sighting may be narrower than they are long.
            const Region outline = i < firstLookCount ? Outline(main) : AroundResult(main);
            const std::uint8_t families = FamiliesAlong(main.angle);
            // Sparse lines of every family read what else lies about the
            // symbol, the lines between them along it only its add-on.
            const int before = scanner.resultCount;
            sweep(AroundSymbol(main, area, kNearbyReach), kAroundSymbol[0], kEveryFamily, scanner.symbologies,
                  false, nullptr, false);
            end = StoreGroups(scanner, sightings, plan, end);
            if (scanner.resultCount != before || end == PassEnd::ListFull) continue;
            sweep(part, kAroundSymbol[1], families, symbologies, false, &outline, true);
            end = StoreGroups(scanner, sightings, plan, end);
        }
    }
    return end;
}

}  // namespace zr::bar
