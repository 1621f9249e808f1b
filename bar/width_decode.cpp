// Symbols read from the grey edges of one line: the elements between two
// quiet zones are measured in sixteenths of a pixel and handed to the
// width-run decoders, which classify each character by its own module
// count, so that the module size may change along the line (a curved label)
// and only the width ratios within a character count. Blur and ink spread
// widen the bars at the expense of the spaces: a segment that does not read
// as measured is tried again with a few corrections of that bias.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "bar/decoder_tables.hpp"
#include "bar/ean_upc.hpp"
#include "bar/grey_look.hpp"
#include "bar/width_runs.hpp"

namespace zr::bar {
// An EAN/UPC layout whose guards can be checked element by element.
struct GuardedLayout {
    std::uint32_t symbologies;
    int elements;
    double modules;
    std::array<int, 3> guards;         // first element of each guard
    std::array<int, 3> guardElements;  // its elements
};

namespace {

using edges::GreyEdge;

// A quiet zone: a space at least this many times the mean width of the
// kQuietReach elements beside it (about four modules or more), and at least
// kSymbolQuietRatio times the mean element width of the whole symbol.
constexpr double kQuietRatio = 2.5;
constexpr int kQuietReach = 8;
// Ends tried for each start: quiet-looking spaces inside a symbol (a wide
// space of Code 128) must not hide its real end.
constexpr int kEndsTried = 3;
constexpr int kShortestSymbol = 13;  // elements of a 2-digit add-on
// A segment of exactly the elements of EAN 13, UPC-A or EAN 8 whose three
// guard patterns show single modules is also tried with kDigitQuietModules
// of space at each end.
constexpr std::array<GuardedLayout, 2> kGuardedLayouts{{
    {ZR_BAR_EAN13 | ZR_BAR_UPCA, 59, 95, {0, 27, 56}, {3, 5, 3}},
    {ZR_BAR_EAN8, 43, 67, {0, 19, 40}, {3, 5, 3}},
}};
constexpr double kGuardLow = 0.5, kGuardHigh = 1.7;  // a guard element's width, in modules
constexpr int kLongestSymbol = static_cast<int>(kMaxElements) - 1;
constexpr double kFixedPoint = 16;  // width units per pixel
constexpr std::uint16_t kWidestElement = 0xFFFF;
// Mean element width in modules, for a first module estimate.
constexpr double kModulesPerElement = 1.6;
// The width measurements tried on a segment, in order: edge distances as
// they are, then with bars narrowed (ink spread, blur) or widened (light
// print) by `spread` modules and spaces the other way, then stretched about
// their mean by `stretch` (blur narrows wide elements and widens narrow
// ones); then the elements' shares of light and dark, plain and stretched.
struct Variant {
    bool area;
    double stretch;
    double spread;
};
constexpr Variant kVariants[] = {
    {false, 1, 0},    {false, 1, 0.15},   {false, 1, -0.15},   {false, 1, 0.3}, {false, 1, -0.3},
    {false, 1.3, 0},  {false, 1.3, 0.15}, {false, 1.3, -0.15}, {true, 1, 0},    {true, 1, 0.15},
    {true, 1, -0.15}, {true, 1.3, 0},     {true, 1.7, 0},      {false, 1.7, 0},
};
// Area widths: how far the first and last element's share reaches into the
// quiet zones, and the narrowest width an element is given (pixels).
constexpr double kAreaMargin = 2.0;
constexpr double kNarrowest = 0.1;
constexpr int kReferenceReach = 6;
// Two-width classes: neighbours of one colour either side that the narrow
// and wide widths are taken from, and the least ratio of wide to narrow.
constexpr int kClassReach = 10;
constexpr double kWideRatio = 1.6;
constexpr std::uint32_t kTwoWidths = ZR_BAR_INDUSTRIAL_2OF5 | ZR_BAR_INVERTED_2OF5 | ZR_BAR_INTERLEAVED_2OF5 |
                                     ZR_BAR_IATA_2OF5 | ZR_BAR_MATRIX_2OF5 | ZR_BAR_CODE39 | ZR_BAR_CODABAR |
                                     ZR_BAR_BCD_MATRIX | ZR_BAR_DATALOGIC_2OF5;

// Symbologies whose check characters are part of every symbol.
constexpr std::uint32_t kCheckRequired = kMainEanUpc | ZR_BAR_CODE128 | ZR_BAR_EAN128 | ZR_BAR_CODE93;

// Add-on layout: a gap of 7 to 12 modules after the main symbol (some
// tolerance either way), start 1-1-2, digits of 7 modules parted by 1-1.
constexpr double kAddOnGapLow = 5, kAddOnGapHigh = 16;
constexpr int kAddOnStartElements = 3, kAddOnStartModules = 4;
constexpr int kDigitElements = 4, kDigitModules = 7;
constexpr int kSeparatorElements = 2, kSeparatorModules = 2;
constexpr int kAddOn5Elements = 31, kAddOn2Elements = 13;

// Modules of a main EAN/UPC symbol from its first bar to its last: UPC-E
// has the fewest, EAN 13 and UPC-A the most.
constexpr double kFewestMainModules = 51, kMostMainModules = 95;
double MainModules(std::uint32_t type) {
    switch (type) {
        case ZR_BAR_EAN8:
            return 67;
        case ZR_BAR_UPCE:
            return kFewestMainModules;
        default:
            return kMostMainModules;
    }
}

double Distance(const std::vector<GreyEdge> &e, int from, int to) {
    return e[static_cast<std::size_t>(to)].position - e[static_cast<std::size_t>(from)].position;
}

// Whether the 59 elements from edge j show the three guard patterns of an
// EAN 13 or UPC-A symbol: elements of about one module each.
bool GuardsOfSingleModules(const std::vector<GreyEdge> &e, int j, double module, const GuardedLayout &layout) {
    for (std::size_t g = 0; g < layout.guards.size(); ++g)
        for (int i = 0; i < layout.guardElements[g]; ++i) {
            const int at = j + layout.guards[g] + i;
            const double width = Distance(e, at, at + 1);
            if (width < kGuardLow * module || width > kGuardHigh * module) return false;
        }
    return true;
}

// The classes of an add-on read from `widths` (reading order), its text
// in `text`; false unless it is one of the given length.
bool ReadAddOn(const Widths &widths, int digits, std::string &classes, char (&text)[kTextSize]) {
    classes.clear();
    double error = ModuleClasses(widths, 0, kAddOnStartElements, kAddOnStartModules, classes);
    std::size_t at = kAddOnStartElements;
    for (int i = 0; i < digits && error < kRejectedGroup; ++i) {
        if (i > 0) {
            error += ModuleClasses(widths, at, kSeparatorElements, kSeparatorModules, classes);
            at += kSeparatorElements;
        }
        error += ModuleClasses(widths, at, kDigitElements, kDigitModules, classes);
        at += kDigitElements;
    }
    if (error >= kRejectedGroup || at != widths.size()) return false;
    if (digits == 5) return AddOn5Check(classes) && AddOn5Decode(classes, text) == DecodeOutcome::Ok;
    return AddOn2Check(classes) && AddOn2Decode(classes, text) == DecodeOutcome::Ok;
}

}  // namespace

void LineDecoder::EdgeWidths(int first, int last) {
    measured_.resize(static_cast<std::size_t>(last - first));
    for (int i = first; i < last; ++i)
        measured_[static_cast<std::size_t>(i - first)] = Distance(*edges_, i, i + 1);
}

// Sum of the levels from position `from` to `to`, each sample covering half
// a sample either side of its place.
double LineDecoder::LevelSum(double from, double to) const {
    const auto at = [this](double t) {
        t = std::clamp(t + 0.5, 0.0, static_cast<double>(length_));
        const auto whole = static_cast<int>(t);
        const double part = whole < length_ ? (t - whole) * levels_[whole] : 0.0;
        return static_cast<double>(prefix_[static_cast<std::size_t>(whole)]) + part;
    };
    return at(to) - at(from);
}

// Blur spreads a narrow element's light or dark over its neighbours and
// keeps it from its full level, but keeps its amount: an element's width is
// the light (space) or dark (bar) it adds between the centres of its
// neighbours, as a share of the local contrast.
void LineDecoder::AreaWidths(int first, int last) {
    const std::vector<GreyEdge> &e = *edges_;
    const int m = static_cast<int>(e.size());
    const auto pos = [&](int k) { return e[static_cast<std::size_t>(std::clamp(k, 0, m - 1))].position; };
    if (prefix_.empty()) {
        // Once per line: the sums of the levels, the extremes of each element's
        // samples and of its neighbourhood.
        prefix_.resize(static_cast<std::size_t>(length_) + 1);
        prefix_[0] = 0;
        for (int i = 0; i < length_; ++i)
            prefix_[static_cast<std::size_t>(i) + 1] = prefix_[static_cast<std::size_t>(i)] + levels_[i];
        elementDark_.resize(static_cast<std::size_t>(m - 1));
        elementLight_.resize(static_cast<std::size_t>(m - 1));
        for (int k = 0; k + 1 < m; ++k) {
            const int from = static_cast<int>(pos(k)),
                      to = std::min(length_ - 1, static_cast<int>(pos(k + 1)) + 1);
            const auto [dark, light] = std::minmax_element(levels_ + from, levels_ + to + 1);
            elementDark_[static_cast<std::size_t>(k)] = *dark;
            elementLight_[static_cast<std::size_t>(k)] = *light;
        }
        // Local dark and light of each element: the extremes over the element
        // and kReferenceReach either side, far enough to meet wide elements
        // that reach their full level.
        referenceDark_.resize(static_cast<std::size_t>(m - 1));
        referenceLight_.resize(static_cast<std::size_t>(m - 1));
        for (int i = 0; i + 1 < m; ++i) {
            int dark = 255, light = 0;
            for (int k = std::max(0, i - kReferenceReach); k <= std::min(m - 2, i + kReferenceReach); ++k) {
                dark = std::min(dark, elementDark_[static_cast<std::size_t>(k)]);
                light = std::max(light, elementLight_[static_cast<std::size_t>(k)]);
            }
            referenceDark_[static_cast<std::size_t>(i)] = dark;
            referenceLight_[static_cast<std::size_t>(i)] = light;
        }
    }
    measured_.resize(static_cast<std::size_t>(last - first));
    for (int i = first; i < last; ++i) {
        // From the centre of the element before to the centre of the one after
        // (no further than two pixels into a quiet zone).
        const double from = i == first ? pos(i) - kAreaMargin : 0.5 * (pos(i - 1) + pos(i));
        const double to = i + 1 == last ? pos(i + 1) + kAreaMargin : 0.5 * (pos(i + 1) + pos(i + 2));
        const int dark = referenceDark_[static_cast<std::size_t>(i)];
        const int light = referenceLight_[static_cast<std::size_t>(i)];
        const double contrast = std::max(1, light - dark);
        const double span = to - from;
        const double lightness = (LevelSum(from, to) - dark * span) / contrast;
        const bool space = (e[static_cast<std::size_t>(i)].change > 0) == darkBars_;
        measured_[static_cast<std::size_t>(i - first)] =
            std::clamp(space ? lightness : span - lightness, kNarrowest, span);
    }
}

// The measured widths, bars narrowed by `spread` pixels and spaces widened
// by as much, in fixed point and in both orders.
void LineDecoder::FillWidths(double spread) {
    const std::size_t count = measured_.size();
    forward_.resize(count);
    reversed_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double corrected = (measured_[i] + (i % 2 == 0 ? -spread : spread)) * kFixedPoint + 0.5;
        const auto units = static_cast<std::uint16_t>(std::clamp(corrected, 1.0, double{kWidestElement}));
        forward_[i] = units;
        reversed_[count - 1 - i] = units;
    }
}

// Narrow ("0") and wide ("1") classes of the measured widths, for the
// symbologies of two widths: each element against the narrowest and widest
// of its colour among its neighbours, so that the module size may change
// along the line and bars may spread into the spaces.
void LineDecoder::TwoWidthClasses() {
    const auto count = static_cast<int>(measured_.size());
    classes_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        double narrow = measured_[static_cast<std::size_t>(i)], wide = narrow;
        for (int k = std::max(i % 2, i - kClassReach); k <= std::min(count - 1, i + kClassReach); k += 2) {
            narrow = std::min(narrow, measured_[static_cast<std::size_t>(k)]);
            wide = std::max(wide, measured_[static_cast<std::size_t>(k)]);
        }
        // Neighbours all of one width are narrow: a wide element stands out of them.
        const double split = wide >= kWideRatio * narrow ? std::sqrt(narrow * wide) : wide * kWideRatio;
        classes_[static_cast<std::size_t>(i)] = measured_[static_cast<std::size_t>(i)] > split ? '1' : '0';
    }
}

// Blur narrows wide elements and widens narrow ones: their differences from
// the mean width grow by `factor` (applied to the widths measured last).
void LineDecoder::Stretch(double factor) {
    double mean = 0;
    for (const double w : measured_) mean += w;
    mean /= static_cast<double>(measured_.size());
    for (double &w : measured_) w = std::max(kNarrowest, mean + (w - mean) * factor);
}

// A decoder's outcome taken as a reading: a failed check is a misreading
// where the symbology requires its check; elsewhere the text may carry none.
bool LineDecoder::Accept(DecodeOutcome outcome, const DecodeState &state, int first, int last,
                         LineReading &reading) const {
    if (!(outcome == DecodeOutcome::Ok ||
          (outcome == DecodeOutcome::CheckFailed && (state.type & kCheckRequired) == 0)))
        return false;
    reading.type = state.type;
    reading.barColor = state.barColor;
    reading.checksumOk = state.checksumOk;
    reading.reversed = state.reversed != 0;
    reading.first = (*edges_)[static_cast<std::size_t>(first)].position;
    reading.last = (*edges_)[static_cast<std::size_t>(last)].position;
    std::copy(std::begin(state.text), std::end(state.text), std::begin(reading.text));
    return true;
}

// Widths from edge `first` to edge `last` as one variant measures them, in
// fixed point (forward_, reversed_); `module` is the segment's module estimate.
void LineDecoder::MeasureVariant(int first, int last, bool area, double stretch, double spread) {
    // Each measurement is taken once per segment and kept.
    Measured &kept = area ? areaWidths_ : edgeWidths_;
    if (kept.first != first || kept.last != last) {
        if (area) {
            AreaWidths(first, last);
        } else {
            EdgeWidths(first, last);
        }
        kept.widths.assign(measured_.begin(), measured_.end());
        kept.first = first;
        kept.last = last;
    } else {
        measured_.assign(kept.widths.begin(), kept.widths.end());
    }
    if (stretch != 1) Stretch(stretch);
    FillWidths(spread);
}

bool LineDecoder::TrySegment(int first, int last, const DecodeState &base, LineReading &reading) {
    // Only the symbologies with a row for this many elements are tried; a
    // segment that none can take is left before any measuring.
    DecodeState fitted = base;
    fitted.symbologies = SymbologiesFittingLength(static_cast<std::size_t>(last - first), base.symbologies);
    if (fitted.symbologies == 0) return false;
    const double module = Distance(*edges_, first, last) / (last - first) / kModulesPerElement;
    for (const Variant &v : kVariants) {
        MeasureVariant(first, last, v.area, v.stretch, v.spread * module);
        DecodeState state = fitted;
        if (Accept(DecodeRunTables(forward_, reversed_, state), state, first, last, reading)) return true;
    }
    if ((fitted.symbologies & kTwoWidths) == 0) return false;
    for (const bool area : {false, true}) {
        MeasureVariant(first, last, area, 1, 0);
        TwoWidthClasses();
        DecodeState state = fitted;
        state.symbologies &= kTwoWidths;
        if (Accept(DecodeStringTables(classes_, state), state, first, last, reading)) return true;
    }
    return false;
}

// Whether TryAddOn could find an add-on beside a main symbol read from edge
// `first` to `last`, whatever its type and reading sense: the add-on's
// edges lie on the line and the gap before them is within the add-on gap
// for some module size a main symbol of that length may have. A necessary
// condition only, told from two edges.
bool LineDecoder::AddOnMayFollow(int first, int last, std::uint32_t symbologies) const {
    const std::vector<GreyEdge> &e = *edges_;
    const int m = static_cast<int>(e.size());
    const double length = Distance(e, first, last);
    const double gapLow = kAddOnGapLow * length / kMostMainModules;
    const double gapHigh = kAddOnGapHigh * length / kFewestMainModules;
    const auto inGap = [&](double gap) { return gap >= gapLow && gap <= gapHigh; };
    for (const int elements : {kAddOn5Elements, kAddOn2Elements}) {
        if ((symbologies & (elements == kAddOn5Elements ? ZR_BAR_ADDON5 : ZR_BAR_ADDON2)) == 0) continue;
        if (last + 1 + elements < m && inGap(Distance(e, last, last + 1))) return true;  // read forwards
        if (first - 1 - elements >= 0 && inGap(Distance(e, first - 1, first))) return true;  // reversed
    }
    return false;
}

bool LineDecoder::Wanted(int first, int last, std::uint32_t symbologies, const SegmentFilter &filter) const {
    bool addOnOnly = filter.addOnsOnly;
    if (!addOnOnly && filter.known != nullptr) {
        const double middle = 0.5 * ((*edges_)[static_cast<std::size_t>(first)].position +
                                     (*edges_)[static_cast<std::size_t>(last)].position);
        for (const LineSpan &span : *filter.known)
            addOnOnly = addOnOnly || (middle >= span.from && middle <= span.to);
    }
    return !addOnOnly || AddOnMayFollow(first, last, symbologies);
}

// An add-on after the main symbol read between edges first and last (in
// its reading sense), 5 digits tried before 2.
void LineDecoder::TryAddOn(int first, int last, const LineReading &main, const DecodeState &base,
                           std::vector<LineReading> &out) {
    const std::vector<GreyEdge> &e = *edges_;
    const int m = static_cast<int>(e.size());
    const double module = Distance(e, first, last) / MainModules(main.type);
    for (const int elements : {kAddOn5Elements, kAddOn2Elements}) {
        const std::uint32_t bit = elements == kAddOn5Elements ? ZR_BAR_ADDON5 : ZR_BAR_ADDON2;
        if ((base.symbologies & bit) == 0) continue;
        // The add-on's edges a..b along the line.
        const int a = main.reversed ? first - 1 - elements : last + 1;
        const int b = a + elements;
        if (a < 0 || b >= m) continue;
        const double gap = main.reversed ? Distance(e, b, first) : Distance(e, last, a);
        if (gap < kAddOnGapLow * module || gap > kAddOnGapHigh * module) continue;
        // A quiet zone beyond the add-on.
        const int beyond = main.reversed ? a - 1 : b + 1;
        const double quiet =
            beyond < 0    ? e[static_cast<std::size_t>(a)].position
            : beyond >= m ? length_ - 1 - e[static_cast<std::size_t>(b)].position
                          : std::fabs(Distance(e, main.reversed ? beyond : b, main.reversed ? a : beyond));
        if (quiet < kQuietRatio * Distance(e, a, b) / elements) continue;
        const double addOnModule = Distance(e, a, b) / (elements == kAddOn5Elements ? 47 : 20);
        LineReading reading;
        for (const Variant &v : kVariants) {
            MeasureVariant(a, b, v.area, v.stretch, v.spread * addOnModule);
            if (!ReadAddOn(main.reversed ? reversed_ : forward_, elements == kAddOn5Elements ? 5 : 2,
                           classes_, reading.text))
                continue;
            reading.type = bit;
            reading.barColor = main.barColor;
            reading.checksumOk = 1;
            reading.reversed = main.reversed;
            reading.first = e[static_cast<std::size_t>(a)].position;
            reading.last = e[static_cast<std::size_t>(b)].position;
            out.push_back(reading);
            return;
        }
    }
}

void LineDecoder::Read(const std::uint8_t *levels, int length, const std::vector<GreyEdge> &edges,
                       std::uint32_t symbologies, std::uint8_t direction, std::uint8_t barColors,
                       std::vector<LineReading> &out, const SegmentFilter &filter) {
    levels_ = levels;
    edges_ = &edges;
    length_ = length;
    prefix_.clear();
    const std::vector<GreyEdge> &e = edges;
    const int m = static_cast<int>(e.size());
    for (const std::uint8_t colour : {kDarkBars, kLightBars}) {
        if ((barColors & colour) == 0) continue;
        // Dark bars begin where light turns dark: a falling edge.
        const bool startRises = colour == kLightBars;
        darkBars_ = colour == kDarkBars;
        edgeWidths_.first = areaWidths_.first = -1;
        DecodeState base;
        base.symbologies = symbologies;
        base.direction = direction;
        base.barColor = colour;
        DecodeState mainState = base;
        mainState.symbologies = symbologies & ~kAddOns;
        for (int j = 0; j + kQuietReach < m; ++j) {
            if ((e[static_cast<std::size_t>(j)].change > 0) != startRises) continue;
            const double before = j == 0 ? e[0].position : Distance(e, j - 1, j);
            if (before < kQuietRatio * Distance(e, j, j + kQuietReach) / kQuietReach) continue;
            int ends = 0;
            for (int k = j + 1; k < m && k - j <= kLongestSymbol; k += 2) {
                const double after =
                    k == m - 1 ? length - 1 - e[static_cast<std::size_t>(k)].position : Distance(e, k, k + 1);
                const int reach = std::min(kQuietReach, k - j);
                if (after < kQuietRatio * Distance(e, k - reach, k) / reach) continue;
                const double mean = Distance(e, j, k) / (k - j);
                if (after < kSymbolQuietRatio * mean) continue;
                if (before < kSymbolQuietRatio * mean) break;  // the mean only grows from here
                LineReading reading;
                if (k - j >= kShortestSymbol && Wanted(j, k, symbologies, filter) &&
                    TrySegment(j, k, mainState, reading)) {
                    out.push_back(reading);
                    if ((reading.type & kMainEanUpc) != 0 && (symbologies & kAddOns) != 0)
                        TryAddOn(j, k, reading, base, out);
                    j = k;
                    break;
                }
                if (++ends == kEndsTried) break;
            }
        }
        for (const GuardedLayout &layout : kGuardedLayouts) ReadNarrowQuiet(length, layout, mainState, base, filter, out);
    }
}

void LineDecoder::ReadNarrowQuiet(int length, const GuardedLayout &layout, const DecodeState &mainState,
                                  const DecodeState &base, const SegmentFilter &filter,
                                  std::vector<LineReading> &out) {
    if ((mainState.symbologies & layout.symbologies) == 0) return;
    const std::vector<GreyEdge> &e = *edges_;
    const int m = static_cast<int>(e.size());
    const bool startRises = mainState.barColor == kLightBars;
    DecodeState state = mainState;
    state.symbologies = mainState.symbologies & layout.symbologies;
    for (int j = 0; j + layout.elements < m; ++j) {
        if ((e[static_cast<std::size_t>(j)].change > 0) != startRises) continue;
        const int k = j + layout.elements;
        const double module = Distance(e, j, k) / layout.modules;
        const double before = j == 0 ? e[0].position : Distance(e, j - 1, j);
        const double after = k == m - 1 ? length - 1 - e[static_cast<std::size_t>(k)].position : Distance(e, k, k + 1);
        if (before < kDigitQuietModules * module || after < kDigitQuietModules * module) continue;
        // Segments whose quiet zones pass the common rule were tried already.
        const double mean = Distance(e, j, k) / layout.elements;
        if (before >= kSymbolQuietRatio * mean && after >= kSymbolQuietRatio * mean) continue;
        if (!GuardsOfSingleModules(e, j, module, layout) || !Wanted(j, k, base.symbologies, filter)) continue;
        LineReading reading;
        if (!TrySegment(j, k, state, reading)) continue;
        out.push_back(reading);
        if ((base.symbologies & kAddOns) != 0) TryAddOn(j, k, reading, base, out);
        j = k;
    }
}

}  // namespace zr::bar
