// The scan's passes and symbol loop: each start pattern the search finds is
// measured, its corners traced, its rows read, corrected and decoded; a
// decoded symbol is stored and its outline blanked so that the search does not
// meet it again. The second look measures again, with wider rules, the
// candidates whose rows the first look dropped where a quiet zone narrower
// than its own (2 modules, as ISO/IEC 15438 allows) may be the cause: a row
// beginning on background at the area's edge, or dark print beside the symbol.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "core/grey_plane.hpp"
#include "core/image_view.hpp"
#include "core/local_threshold.hpp"
#include "core/second_look.hpp"
#include "pdf417/correction.hpp"
#include "pdf417/data.hpp"
#include "pdf417/grey_look.hpp"
#include "pdf417/stages.hpp"

namespace zr::pdf417 {

namespace {

constexpr std::size_t kMaxRetries = 32;     // candidates the second look measures again
constexpr std::size_t kMaxUncorrected = 8;  // symbols the second look corrects again
// Check words a symbol read without its stop side keeps beyond its erasures:
// they are what still tells a symbol from print that happens to follow a
// start pattern.
constexpr int kSpareCheckWords = 3;

// Where a candidate that no look read lies: the area round it the grey look
// searches, and two points of it (either side of its pattern, or the
// middle of its outline) that tell whether a stored symbol holds it.
struct UnreadPlace {
    Rect area;
    std::array<PointF, 2> probes;
};

// A candidate the first look dropped, with the pass it came from.
struct Retry {
    StartCandidate candidate;
    bool vertical = false;
};

// Buffers the scan reuses from symbol to symbol.
struct SymbolWork {
    RowWork rows;
    SymbolRows read;
    DecodedData data;
    std::vector<Retry> retries;
    std::vector<std::pair<MeasuredSymbol, bool>> uncorrected;  // with the pass: vertical or not
    std::vector<int> erasures;
    std::vector<UnreadPlace> unread;  // first-look candidates the second look could not read either
    SymbolWork() {
        retries.reserve(kMaxRetries);
        unread.reserve(kMaxRetries + kMaxUncorrected);
        uncorrected.reserve(kMaxUncorrected);
        erasures.reserve(kCodewordStore);
    }
};

// The codewords of the rows not read, as erasures; false when there are none
// or more than the correction can take.
bool MissingRowErasures(const SymbolRows &read, std::vector<int> &erasures) {
    erasures.clear();
    const int dataColumns = static_cast<int>(read.codewords.size()) / std::max(1, read.rows);
    for (int row = 0; row < read.rows; ++row) {
        if (read.rowSeen[row]) continue;
        for (int j = 0; j < dataColumns; ++j) erasures.push_back(row * dataColumns + j);
    }
    return !erasures.empty() && static_cast<int>(erasures.size()) <= read.checkWords - 1;
}

// A symbol read from its start side: the codewords of rows not read and of
// the columns the picture does not hold, as erasures, and with `guessed` also
// those no line matched exactly; false when more than the correction can take
// with kSpareCheckWords left over.
bool StartSideErasures(const SymbolRows &read, bool guessed, std::vector<int> &erasures) {
    erasures.clear();
    for (int row = 0; row < read.rows; ++row) {
        for (int j = 0; j < read.dataColumns; ++j) {
            const int at = row * read.dataColumns + j;
            if (!read.rowSeen[row] || j >= read.readColumns || (guessed && read.guessed[at] != 0))
                erasures.push_back(at);
        }
    }
    return static_cast<int>(erasures.size()) + kSpareCheckWords <= read.checkWords - 1;
}

// Which erasures the correction of a symbol takes.
enum class Erasures : std::uint8_t {
    kNone,         // the first look
    kMissingRows,  // the codewords of rows not read
    kStartSide,    // those and the columns past the picture's edge (StartSideErasures)
    kGrey,         // the codewords the grey look did not read (GreyErasures)
};

// A symbol read on grey levels: the codewords no line read, and with
// `nearby` also those only near a pattern, as erasures; false when more than
// the correction can take with kSpareCheckWords left over.
bool GreyErasures(const SymbolRows &read, bool nearby, std::vector<int> &erasures) {
    erasures.clear();
    const int count = static_cast<int>(read.codewords.size());
    for (int at = 0; at < count; ++at) {
        if (read.guessed[at] >= (nearby ? 1 : 2)) erasures.push_back(at);
    }
    return static_cast<int>(erasures.size()) + kSpareCheckWords <= read.checkWords - 1;
}

SymbolOutcome CorrectAndDecode(const MeasuredSymbol &symbol, SymbolWork &work, ZrPDF417Result &result,
                               Erasures erasures);

// Rows, correction and data of the measured symbol into `result`, with the
// erasures `erasures` names (the second look's).
SymbolOutcome DecodeSymbol(const ZrImage &image, const ScanSettings &settings, const MeasuredSymbol &symbol,
                           SymbolWork &work, ZrPDF417Result &result, Erasures erasures = Erasures::kNone) {
    if (ReadRows(image, settings, symbol, work.rows, work.read) != SymbolOutcome::kRead)
        return SymbolOutcome::kUnreadable;
    return CorrectAndDecode(symbol, work, result, erasures);
}

// Correction and data of the rows read into `work.read`, then `result`, with
// the erasures `erasures` names.
SymbolOutcome CorrectAndDecode(const MeasuredSymbol &symbol, SymbolWork &work, ZrPDF417Result &result,
                               Erasures erasures) {
    SymbolRows &read = work.read;
    const int count = static_cast<int>(read.codewords.size());
    if (erasures == Erasures::kMissingRows && !MissingRowErasures(read, work.erasures))
        return SymbolOutcome::kUncorrectable;
    int corrected = kCorrectionFailed;
    if (erasures == Erasures::kStartSide) {
        // Codewords not matched exactly are erasures too while they fit: a
        // cut last column reads as such.
        for (const bool guessed : {true, false}) {
            if (StartSideErasures(read, guessed, work.erasures))
                corrected = CorrectCodewords(read.codewords, read.checkWords, work.erasures);
            if (corrected != kCorrectionFailed) break;
        }
    } else if (erasures == Erasures::kGrey) {
        for (const bool nearby : {true, false}) {
            if (GreyErasures(read, nearby, work.erasures))
                corrected = CorrectCodewords(read.codewords, read.checkWords, work.erasures);
            if (corrected != kCorrectionFailed) break;
        }
    } else {
        corrected = erasures != Erasures::kNone ? CorrectCodewords(read.codewords, read.checkWords, work.erasures)
                                                : CorrectCodewords(read.codewords, read.checkWords);
    }
    if (corrected == kCorrectionFailed) return SymbolOutcome::kUncorrectable;
    if (!DecodeData(read.codewords, count - read.checkWords, work.data)) return SymbolOutcome::kUncorrectable;
    // Compact: the one-module stop right after the columns the indicators give.
    const SymbolMetrics &metrics = symbol.metrics;
    work.data.compact = metrics.oneModuleStop && metrics.startSideColumns == read.dataColumns + 1;

    result = ZrPDF417Result{};
    geom::StoreCorners(symbol.corners, result.corners);
    result.angle = symbol.direction.angle;
    result.barColor = symbol.metrics.barColor;
    result.ecLevel = static_cast<std::uint8_t>(read.level);
    result.confidence = static_cast<std::int16_t>(ConfidenceOf(count, corrected));
    result.rows = static_cast<std::int16_t>(read.rows);
    result.columns = static_cast<std::int16_t>(read.dataColumns + 2);
    // Longer data is cut to the field: 1023 bytes and the NUL.
    const std::size_t length = std::min(work.data.length, sizeof result.text - 1);
    std::memcpy(result.text, work.data.bytes.data(), length);
    result.text[length] = '\0';
    return SymbolOutcome::kRead;
}

// Blanks the decoded symbol's outline grown by a margin of modules, so that
// the search does not meet its patterns again.
void BlankSymbol(ZrImage &image, const MeasuredSymbol &symbol) {
    constexpr double kCodewordModules = 17;
    constexpr double kMarginModules = 2;
    constexpr double kMarginPixels = 1;
    const double module = symbol.metrics.codewordWidth / kCodewordModules;
    BlankOutline(image, symbol.corners, symbol.metrics.barColor, kMarginModules * module + kMarginPixels);
}

// Stores a decoded symbol and blanks it; `details`, when given, gets its data
// as decoded (every byte, the ECI designators). kListFull when there is no room.
ScanOutcome StoreResult(ZrImage &image, const MeasuredSymbol &symbol, const ZrPDF417Result &result,
                        const SymbolWork &work, ZrPDF417Scanner &scanner, std::vector<DecodedData> *details) {
    if (scanner.resultCount >= scanner.maxResults) return ScanOutcome::kListFull;
    if (details) details->push_back(work.data);
    scanner.results[scanner.resultCount++] = result;
    BlankSymbol(image, symbol);
    return ScanOutcome::kScanned;
}

// One pass: symbols in the order the search meets their start patterns.
ScanOutcome ScanPass(ZrImage &image, const ScanSettings &settings, SymbolWork &work, ZrPDF417Scanner &scanner,
                     std::vector<DecodedData> *details) {
    StartSearch search(image, settings);
    while (const std::optional<StartCandidate> candidate = NextStart(search)) {
        const std::optional<MeasuredRow> row = MeasureSymbol(image, settings, *candidate, work.rows);
        if (!row) {
            if (work.rows.quietZoneInDoubt && work.retries.size() < kMaxRetries)
                work.retries.push_back({*candidate, settings.vertical});
            continue;
        }
        const MeasuredSymbol symbol = TraceCorners(image, settings, *row);
        ZrPDF417Result result;
        const SymbolOutcome outcome = DecodeSymbol(image, settings, symbol, work, result);
        if (outcome == SymbolOutcome::kUncorrectable && work.uncorrected.size() < kMaxUncorrected &&
            MissingRowErasures(work.read, work.erasures))
            work.uncorrected.emplace_back(symbol, settings.vertical);
        if (outcome != SymbolOutcome::kRead) continue;
        if (StoreResult(image, symbol, result, work, scanner, details) == ScanOutcome::kListFull)
            return ScanOutcome::kListFull;
        search.ImageChanged();  // the symbol is blanked
    }
    return ScanOutcome::kScanned;
}

// Stores a second-look result through the shared rule (not when the list
// holds the same text at the same place), then blanks it and keeps its
// details as StoreResult does; kListFull when there is no room.
ScanOutcome AddResult(ZrImage &image, const MeasuredSymbol &symbol, const ZrPDF417Result &result,
                      const SymbolWork &work, ZrPDF417Scanner &scanner, std::vector<DecodedData> *details) {
    switch (AddSecondLookResult(scanner, result)) {
        case SecondLookStore::kListFull:
            return ScanOutcome::kListFull;
        case SecondLookStore::kDuplicate:
            return ScanOutcome::kScanned;
        case SecondLookStore::kAdded:
            break;
    }
    if (details) details->push_back(work.data);
    BlankSymbol(image, symbol);
    return ScanOutcome::kScanned;
}

// The part of the area within `grow` pixels of the points.
Rect AroundPoints(std::initializer_list<PointI> points, int grow, const Rect &area) {
    Rect r{area.x1, area.y1, area.x0, area.y0};
    for (const PointI p : points) {
        r.x0 = std::min(r.x0, p.x - grow), r.y0 = std::min(r.y0, p.y - grow);
        r.x1 = std::max(r.x1, p.x + grow + 1), r.y1 = std::max(r.y1, p.y + grow + 1);
    }
    return {std::max(r.x0, area.x0), std::max(r.y0, area.y0), std::min(r.x1, area.x1),
            std::min(r.y1, area.y1)};
}

// A candidate left unread: kCandidateReach modules around its start pattern
// (whose runs are 2.1 modules wide on average); its probes half a pattern
// either way along its angle.
UnreadPlace AroundCandidate(const StartCandidate &c, const Rect &area) {
    constexpr double kCandidateReach = 40, kMeanRunModules = 17.0 / 8, kLeastReach = 48, kProbeModules = 8.5;
    const double module = 0.5 * (c.meanDark + c.meanLight) / kMeanRunModules;
    const double radians = c.angle * 3.14159265358979323846 / 180;
    const PointF step = kProbeModules * module * PointF{std::cos(radians), -std::sin(radians)};
    const PointF at = geom::ToPointF(c.start);
    return {AroundPoints({c.start}, static_cast<int>(std::max(kLeastReach, kCandidateReach * module)), area),
            {at + step, at - step}};
}

// A symbol measured but left unread: its outline and a margin; its probe the middle.
UnreadPlace AroundSymbol(const MeasuredSymbol &s, const Rect &area) {
    constexpr int kMargin = 16;
    PointF middle{0, 0};
    for (int k = 0; k < 4; ++k) middle = middle + 0.25 * geom::ToPointF(s.corners[k]);
    return {AroundPoints({s.corners[0], s.corners[1], s.corners[2], s.corners[3]}, kMargin, area),
            {middle, middle}};
}

// The second look: symbols that failed correction with rows missing are
// corrected again with those rows' codewords as erasures; then the retries
// are measured with any background before the row and both bar colours, and
// rows without a stop pattern from their start pattern, the codewords the
// picture does not hold taken as erasures.
ScanOutcome SecondLook(ZrImage &image, ScanSettings settings, SymbolWork &work, ZrPDF417Scanner &scanner,
                       std::vector<DecodedData> *details) {
    for (const auto &[symbol, vertical] : work.uncorrected) {
        settings.vertical = vertical;
        ZrPDF417Result result;
        if (DecodeSymbol(image, settings, symbol, work, result, Erasures::kMissingRows) !=
            SymbolOutcome::kRead) {
            work.unread.push_back(AroundSymbol(symbol, settings.area));
            continue;
        }
        if (AddResult(image, symbol, result, work, scanner, details) == ScanOutcome::kListFull)
            return ScanOutcome::kListFull;
    }
    for (const Retry &retry : work.retries) {
        settings.vertical = retry.vertical;
        std::optional<MeasuredRow> row =
            MeasureSymbol(image, settings, retry.candidate, work.rows, RowLead::kAnyBackground);
        // Without a stop pattern (compact symbols, symbols cut by the
        // picture's edge) the row is measured from the start pattern alone.
        const bool startSide = !row;
        if (startSide) row = MeasureSymbol(image, settings, retry.candidate, work.rows, RowLead::kStartSide);
        if (!row) {
            work.unread.push_back(AroundCandidate(retry.candidate, settings.area));
            continue;
        }
        const MeasuredSymbol symbol = TraceCorners(image, settings, *row);
        ZrPDF417Result result;
        if (DecodeSymbol(image, settings, symbol, work, result,
                         startSide ? Erasures::kStartSide : Erasures::kNone) != SymbolOutcome::kRead) {
            work.unread.push_back(AroundSymbol(symbol, settings.area));
            continue;
        }
        if (AddResult(image, symbol, result, work, scanner, details) == ScanOutcome::kListFull)
            return ScanOutcome::kListFull;
    }
    return ScanOutcome::kScanned;
}

// Whether point p lies inside the outline of a stored result.
bool InsideStored(const ZrPDF417Scanner &scanner, PointF p) {
    for (int i = 0; i < scanner.resultCount; ++i) {
        const std::int32_t *c = scanner.results[i].corners;
        int positive = 0, negative = 0;
        for (int k = 0; k < 4; ++k) {
            const PointF a{static_cast<double>(c[2 * k]), static_cast<double>(c[2 * k + 1])};
            const PointF b{static_cast<double>(c[2 * ((k + 1) % 4)]),
                           static_cast<double>(c[2 * ((k + 1) % 4) + 1])};
            const double side = geom::Cross(b - a, p - a);
            positive += side >= 0, negative += side <= 0;
        }
        if (positive == 4 || negative == 4) return true;
    }
    return false;
}

// Joins overlapping rectangles, so that no place is searched twice.
void MergeOverlaps(std::vector<Rect> &rects) {
    for (bool merged = true; merged;) {
        merged = false;
        for (std::size_t i = 0; i < rects.size() && !merged; ++i)
            for (std::size_t j = i + 1; j < rects.size() && !merged; ++j) {
                Rect &a = rects[i];
                const Rect &b = rects[j];
                if (a.x0 >= b.x1 || b.x0 >= a.x1 || a.y0 >= b.y1 || b.y0 >= a.y1) continue;
                a = {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
                rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(j));
                merged = true;
            }
    }
}

ScanOutcome ReadSides(const GreyPlane &plane, const Rect &area, const std::vector<GreySide> &sides,
                      GreyWork &grey, SymbolWork &work, ZrPDF417Scanner &scanner,
                      std::vector<DecodedData> *details);

// The grey look (grey_look.hpp): start sides found on the picture's grey
// levels, outside the symbols stored already, read and corrected with the
// codewords no line read as erasures. A picture the global threshold turns
// to speckle is noise to it and left at once.
ScanOutcome GreyLook(const ZrImage &image, const ScanSettings &settings, SymbolWork &work,
                     ZrPDF417Scanner &scanner, std::vector<DecodedData> *details,
                     const std::vector<std::uint8_t> *storedGrey) {
    // An unread picture is searched whole, else the places of the candidates
    // left unread that lie in no symbol stored.
    std::vector<Rect> areas;
    if (scanner.resultCount == 0) areas.assign(1, settings.area);
    for (const UnreadPlace &place : work.unread) {
        if (scanner.resultCount > 0 && !InsideStored(scanner, place.probes[0]) &&
            !InsideStored(scanner, place.probes[1]))
            areas.push_back(place.area);
    }
    if (areas.empty()) return ScanOutcome::kScanned;
    MergeOverlaps(areas);
    if (LooksLikeSpeckle(image)) return ScanOutcome::kScanned;
    GreyPlane plane;
    const std::vector<std::uint8_t> none;
    if (DibToGreyPlane(scanner.image, plane, storedGrey ? *storedGrey : none) != ZR_OK ||
        plane.width != static_cast<int>(image.width) || plane.height != static_cast<int>(image.height))
        return ScanOutcome::kScanned;
    GreyWork grey;
    const int noiseFloor = edges::NoiseFloor(plane.levels.data(), plane.width, plane.height);
    grey.finder.SetNoiseFloor(noiseFloor);
    // A start pattern's wide bar stands against its quiet zone by twice the
    // edges' smallest change at least: flat ground with noise does not.
    MapContrast(plane, 2 * std::max(edges::GreyEdgeSettings{}.minContrast, noiseFloor), grey);
    std::vector<GreySide> sides;
    for (const Rect &area : areas) {
        ScanSettings searched = settings;
        searched.area = area;
        FindGreySides(plane, searched, scanner.directions, grey, sides);
        if (ReadSides(plane, settings.area, sides, grey, work, scanner, details) == ScanOutcome::kListFull)
            return ScanOutcome::kListFull;
    }
    return ScanOutcome::kScanned;
}

// Reads the start sides the grey look found (see GreyLook).
ScanOutcome ReadSides(const GreyPlane &plane, const Rect &area, const std::vector<GreySide> &sides,
                      GreyWork &grey, SymbolWork &work, ZrPDF417Scanner &scanner,
                      std::vector<DecodedData> *details) {
    for (const GreySide &side : sides) {
        // The middle of the start pattern, within the outline of a symbol stored already.
        constexpr double kPatternMiddle = 8.5;
        if (InsideStored(scanner,
                         geom::Lerp(side.first, side.last, 0.5) + kPatternMiddle * side.module * side.along))
            continue;
        MeasuredSymbol symbol;
        if (ReadGreyRows(plane, area, side, grey, symbol, work.read) != SymbolOutcome::kRead) continue;
        ZrPDF417Result result;
        if (CorrectAndDecode(symbol, work, result, Erasures::kGrey) != SymbolOutcome::kRead) continue;
        switch (AddSecondLookResult(scanner, result)) {
            case SecondLookStore::kListFull:
                return ScanOutcome::kListFull;
            case SecondLookStore::kDuplicate:
                continue;
            case SecondLookStore::kAdded:
                break;
        }
        if (details) details->push_back(work.data);
    }
    return ScanOutcome::kScanned;
}

}  // namespace

ScanOutcome ScanSymbols(ZrImage &image, ZrPDF417Scanner &scanner, std::vector<DecodedData> *details,
                        const std::vector<std::uint8_t> *storedGrey) {
    ScanSettings settings;
    settings.area = {static_cast<int>(scanner.left), static_cast<int>(scanner.top),
                     static_cast<int>(scanner.left + scanner.rectWidth),
                     static_cast<int>(scanner.top + scanner.rectHeight)};
    if (settings.area.Empty()) return ScanOutcome::kScanned;
    settings.barColors = scanner.barColors;
    SymbolWork work;
    for (const bool vertical : {false, true}) {
        if ((scanner.directions & (vertical ? ZR_PDF417_VERTICAL : ZR_PDF417_HORIZONTAL)) == 0) continue;
        settings.vertical = vertical;
        if (ScanPass(image, settings, work, scanner, details) == ScanOutcome::kListFull)
            return ScanOutcome::kListFull;
    }
    if (!SecondLookWanted(scanner.directions)) return ScanOutcome::kScanned;
    if (!work.retries.empty() || !work.uncorrected.empty()) {
        if (SecondLook(image, settings, work, scanner, details) == ScanOutcome::kListFull)
            return ScanOutcome::kListFull;
    }
    // The grey look where the picture is still unread or candidates stayed so.
    if (scanner.resultCount > 0 && work.unread.empty()) return ScanOutcome::kScanned;
    return GreyLook(image, settings, work, scanner, details, storedGrey);
}

}  // namespace zr::pdf417
