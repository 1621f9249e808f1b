// The linear reader's second look: when the first look read nothing, or
// read an EAN/UPC symbol whose add-on it may have walked past, scan lines
// cross the grey picture, their edges are read as symbols, and the symbols
// seen often enough become results after the first look's.
#include <algorithm>
#include <cmath>
#include <new>

#include "bar/sightings.hpp"
#include "core/second_look.hpp"
#include "core/status.hpp"

namespace zr::bar {
namespace {

// What a diagonal line reads: a weakly checked symbol read on one is never
// reported (see StoreGroups), so only the strongly checked
// symbologies and the EAN/UPC symbols that add-ons stand beside are tried.
constexpr std::uint32_t kDiagonalSymbologies = kStronglyChecked | kMainEanUpc;
// Fewer edges than a 2-digit add-on has: nothing to read on the line.
constexpr std::size_t kFewestEdges = 14;
// An add-on and its quiet zone lie within this share of its main symbol's
// size beside it: 12 modules of gap, 47 of a 5-digit add-on and 5 quiet
// ones make 64 of the 95 of an EAN 13 symbol.
constexpr double kAddOnReach = 0.8;
// An add-on stands after its main symbol in its reading sense; before it,
// the main symbol's quiet zone (11 of its 95 modules) and some room for an
// outline that falls short of its bars lie within this share.
constexpr double kQuietReach = 0.25;
// Other symbols are sought this share of a main symbol's size about it.
constexpr double kNearbyReach = 0.6;

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

// The sweeps about the first look's undecoded candidates: their bars reach
// across the first look's first two probes, 7 pixels apart, so lines two
// spacings apart cross them and the lines between those are left.
constexpr LineSubset kAboutCandidates[] = {{8, 0}, {4, 8}, {2, 4}};
// The two sweeps about a main symbol: every line between them once.
constexpr LineSubset kAroundSymbol[] = {{4, 0}, {1, 4}};

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
    std::vector<edges::SkippedStretch> skipped;
    const auto sweep = [&](const Rect &part, LineSubset subset, std::uint8_t families,
                           std::uint32_t symbologies, bool soft, const Region *crossing, bool addOnsOnly,
                           bool skipKnown) {
        LinePlan lines(part, area, scanner.directions, subset, families);
        GreyLine line;
        LineSpan span;
        while (lines.Next(line)) {
            if (crossing != nullptr && !SpanInside(line, *crossing, span)) continue;
            const std::uint8_t *levels = SampleLine(plane, line, buffer);
            // Where the line crosses the symbols stored so far.
            known.clear();
            for (int i = 0; i < scanner.resultCount; ++i)
                if (SpanInside(line, Outline(scanner.results[i]), span)) known.push_back(span);
            // Edges inside a stored symbol can read only that symbol again or
            // its add-on: sweeps that seek other symbols leave them unfound.
            skipped.clear();
            if (skipKnown) {
                for (const LineSpan &s : known) skipped.push_back({s.from, s.to});
                std::sort(skipped.begin(), skipped.end(),
                          [](const edges::SkippedStretch &a, const edges::SkippedStretch &b) {
                              return a.from < b.from;
                          });
            }
            const std::vector<edges::GreyEdge> &found = finder.FindOutside(levels, line.length, skipped);
            if (found.size() < kFewestEdges) continue;
            readings.clear();
            const std::uint32_t tried =
                Diagonal(line.family) ? symbologies & kDiagonalSymbologies : symbologies;
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
            sweep(part, subset, kEveryFamily, scanner.symbologies, soft, nullptr, false, aboutCandidates);
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
            const Rect part = AfterSymbol(main, area, kAddOnReach, kQuietReach);
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
                  false, nullptr, false, true);
            end = StoreGroups(scanner, sightings, plan, end);
            if (scanner.resultCount != before || end == PassEnd::ListFull) continue;
            sweep(part, kAroundSymbol[1], families, symbologies, false, &outline, true, false);
            end = StoreGroups(scanner, sightings, plan, end);
        }
    }
    return end;
}

}  // namespace zr::bar
