// EAN/UPC symbols read from levels rather than widths: at about one and a
// half pixels a module, blur merges the edges of narrow elements, and no
// width decoder can count modules any more. Yet the start guard's edges
// and the quiet zones either side still mark the symbol's ends, so the
// module grid can be laid over the line: each module's mean level is taken
// once, and each digit is the L, G or R pattern with which the nine modules
// around it (its seven and the neighbours its set fixes) correlate best.
// The grid is tried at a few insets and shifts (blur moves the outer edges
// outwards, print growth and curvature move them either way) and the best
// fitting one decides. The digits then pass the class-string decoders, whose
// parity and check-digit rules accept or refuse the symbol.
#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <string_view>

#include "bar/decoder_tables.hpp"
#include "bar/ean_upc.hpp"
#include "bar/grey_look.hpp"

namespace zr::bar {
namespace {

using edges::GreyEdge;

// One symbol layout in modules: start guard 101, the left digits, then the
// centre guard 01010 and the right digits and end guard 101, or (UPC-E) the
// end guard 010101 straight after the left digits.
struct SoftLayout {
    std::uint32_t symbologies;  // what the layout may read as
    int modules;                // first bar to last
    int elements;               // its class string's length
    int leftDigits, rightDigits;
    int centre;  // first module of the centre guard, or of UPC-E's end guard
    double quietModules;
};
constexpr int kGuardModules = 3, kDigitModules = 7, kCentreModules = 5;
// A quiet zone as the width decoder asks for one: kSymbolQuietRatio mean
// elements, or for EAN 13, UPC-A and EAN 8 (whose guards are checked here)
// kDigitQuietModules.
constexpr std::array<SoftLayout, 3> kLayouts{{
    {ZR_BAR_UPCA | ZR_BAR_EAN13, 95, 59, 6, 6, 45, kDigitQuietModules},
    {ZR_BAR_EAN8, 67, 43, 4, 4, 31, kDigitQuietModules},
    {ZR_BAR_UPCE, 51, 33, 6, 0, 45, kSymbolQuietRatio * 51 / 33},
}};

// A digit's window: the module before it, its seven, the module after.
constexpr int kWindow = kDigitModules + 2;
enum DigitSet : int { kSetL, kSetG, kSetR, kSets };

constexpr double ConstexprSqrt(double v) {
    double r = v > 1 ? v : 1;
    for (int i = 0; i < 40; ++i) r = 0.5 * (r + v / r);
    return r;
}

// Blur spreads each module's darkness over its neighbours: module means
// then follow the pattern smoothed by [b, 1 - 2b, b]. The shares tried
// (sharp to a blur of about 0.8 module).
constexpr double kBlurShares[] = {0, 0.1, 0.19};
constexpr int kBlurLevels = static_cast<int>(std::size(kBlurShares));

// A ±1 pattern (`n` values, unknown neighbours 0 either side) smoothed by
// blur share `b`, less its mean and scaled to unit length, so that a
// correlation with it is one dot product.
constexpr void SmoothAndNormalise(const double *pattern, int n, double b, double *out) {
    double mean = 0;
    for (int i = 0; i < n; ++i) {
        const double before = i > 0 ? pattern[i - 1] : 0, after = i + 1 < n ? pattern[i + 1] : 0;
        out[i] = b * before + (1 - 2 * b) * pattern[i] + b * after;
        mean += out[i] / n;
    }
    double norm = 0;
    for (int i = 0; i < n; ++i) {
        out[i] -= mean;
        norm += out[i] * out[i];
    }
    norm = ConstexprSqrt(norm);
    for (int i = 0; i < n; ++i) out[i] = norm > 0 ? out[i] / norm : 0;
}

// The digits' windows (+1 bar, -1 space) at each blur share. Left digits
// (L, G) begin with a space after a bar and end with a bar before a space;
// right digits (R) the other way round.
struct DigitTemplates {
    double t[kBlurLevels][kSets][10][kWindow] = {};
};
constexpr DigitTemplates MakeTemplates() {
    DigitTemplates out;
    for (int set = 0; set < kSets; ++set)
        for (int d = 0; d < 10; ++d) {
            const std::string_view classes = set == kSetG ? kEanGPatterns[d] : kEanLPatterns[d];
            const double first = set == kSetR ? 1 : -1;  // darkness of the digit's first element
            double w[kWindow] = {};
            w[0] = -first;
            w[kWindow - 1] = first;
            int at = 1;
            double colour = first;
            for (const char c : classes) {
                for (int k = 0; k <= c - '0'; ++k) w[at++] = colour;
                colour = -colour;
            }
            for (int b = 0; b < kBlurLevels; ++b) SmoothAndNormalise(w, kWindow, kBlurShares[b], out.t[b][set][d]);
        }
    return out;
}
constexpr DigitTemplates kTemplates = MakeTemplates();

// Module grids tried, as an inset of both ends and a shift of the whole,
// in modules; the first is the grid between the outer edges as found.
struct GridVariant {
    double inset, shift;
};
constexpr int kGridsRead = 2;
constexpr GridVariant kGridVariants[] = {
    {0, 0}, {0.25, 0}, {0.5, 0}, {-0.25, 0}, {0, 0.25}, {0, -0.25}, {0.25, 0.25}, {0.25, -0.25},
};

// Candidates: a first bar (the start guard's, or the guard blurred into one)
// of this many modules at least and at most; modules of at least this many
// pixels; a light space before wider than the mean of the kQuietReach
// elements after it.
constexpr double kFirstBarModulesLow = 0.6, kFirstBarModulesHigh = 6;
constexpr double kLeastModule = 0.8;
// The mean of the kQuietReach elements after the start spans this many
// modules at least and at most (1.6 on average, more where blur merges them).
constexpr double kMeanElementModulesLow = 1.1, kMeanElementModulesHigh = 4;
constexpr int kQuietReach = 8;
// For each start and layout the far end where the guards fit best is tried,
// when they fit at least kQuickGuardMatch; starts tried on one line.
constexpr double kQuickGuardMatch = 0.3;
constexpr int kStartsTried = 4;
// The outer bar's darkest within this many modules of its edge.
constexpr double kOuterReach = 1.5;
// A symbol shows at least this share of its edges, however blurred.
constexpr int kLeastEdgeShare = 3;
// Acceptance: every guard window and every digit correlates at least this
// well with its pattern, the digits on average at least kMeanDigitMatch.
constexpr double kGuardMatch = 0.5;
constexpr double kDigitMatch = 0.7;
constexpr double kMeanDigitMatch = 0.88;
// And each digit's pattern leads the next best by at least this much.
constexpr double kDigitLead = 0.015;


// The guard windows (1 = bar): a guard with the module either side. The
// start guard after its quiet zone and before a space, or the end guard
// after a space and before its quiet zone; the centre guard between two
// bars; UPC-E's end guard after a bar and before its quiet zone, and the
// same read backwards.
enum GuardWindow : int { kOuterGuard, kCentreGuard, kUpcEEnd, kUpcEEndBackwards, kGuardWindows };
constexpr std::string_view kGuardPatterns[kGuardWindows] = {"01010", "1010101", "10101010", "01010101"};
constexpr int kLongestGuard = 8;
struct GuardTemplates {
    double t[kGuardWindows][kBlurLevels][kLongestGuard] = {};
};
constexpr GuardTemplates MakeGuardTemplates() {
    GuardTemplates out;
    for (int g = 0; g < kGuardWindows; ++g) {
        double raw[kLongestGuard] = {};
        const int n = static_cast<int>(kGuardPatterns[g].size());
        for (int i = 0; i < n; ++i) raw[i] = kGuardPatterns[g][static_cast<std::size_t>(i)] == '1' ? 1 : -1;
        for (int b = 0; b < kBlurLevels; ++b) SmoothAndNormalise(raw, n, kBlurShares[b], out.t[g][b]);
    }
    return out;
}
constexpr GuardTemplates kGuardTemplates = MakeGuardTemplates();

// Normalised correlation of darkness values with a guard window at a blur level.
double GuardMatch(const double *x, GuardWindow window, int blur) {
    const auto n = static_cast<int>(kGuardPatterns[window].size());
    const double *t = kGuardTemplates.t[window][blur];
    double mean = 0;
    for (int i = 0; i < n; ++i) mean += x[i];
    mean /= n;
    double dot = 0, xx = 0;
    for (int i = 0; i < n; ++i) {
        const double xc = x[i] - mean;
        dot += xc * t[i];
        xx += xc * xc;
    }
    return xx > 0 ? dot / std::sqrt(xx) : 0;
}

}  // namespace

// The best digits of one grid and sense, and how well they and the guards fit.
struct SoftEanDecoder::Fit {
    double total = -1e9;  // sum of the guards' and digits' correlations
    double guards = 0;    // the worst guard's
    double worstDigit = 0;
    double worstMargin = 0;  // the least lead of a digit's pattern over the next best
    double meanDigit = 0;
    std::array<std::int8_t, 12> digit{};
    std::array<std::int8_t, 12> set{};
};


// The darkness of each module of a grid of `modules` from `from` to `to`
// and of one quiet module either side: the mean of three samples across
// the module's middle half.
void SoftEanDecoder::SampleModules(double from, double to, int layoutIndex, bool guardsOnly) {
    const SoftLayout &layout = kLayouts[static_cast<std::size_t>(layoutIndex)];
    const int modules = layout.modules;
    const double step = (to - from) / modules;
    const auto sample = [&](int first, int last) {
        for (int i = first; i <= last; ++i) {
            const double centre = from + (i + 0.5) * step;
            const double mean = (Level(centre - 0.25 * step) + Level(centre) + Level(centre + 0.25 * step)) / 3;
            modules_[i + 1] = mean;
            backwards_[modules - i] = mean;
        }
    };
    if (!guardsOnly) {
        sample(-1, modules);
        return;
    }
    // The guard windows in either reading sense.
    constexpr int kReach = kLongestGuard - 1;
    sample(-1, kReach - 1);
    sample(layout.centre - 1, layout.centre - 1 + kReach);
    sample(modules - kReach, modules);
}

// The digits that fit the module darkness best, in the reading sense
// (`reversed`: from the line's last module back), and the fit's quality.
bool SoftEanDecoder::Score(int layoutIndex, bool reversed, int blur, bool guardsOnly, Fit &fit) const {
    const SoftLayout &layout = kLayouts[static_cast<std::size_t>(layoutIndex)];
    const double *x = reversed ? backwards_ : modules_;
    const auto at = [&](int module) { return x + module + 1; };  // module -1 is the quiet one
    // Guards with the modules beside them: quiet, 101, a space; the centre
    // guard between a bar either side; the end guard and the quiet module.
    double guards = GuardMatch(at(-1), kOuterGuard, blur);
    if (layout.rightDigits > 0) {
        guards = std::min(guards, GuardMatch(at(layout.centre - 1), kCentreGuard, blur));
        guards = std::min(guards, GuardMatch(at(layout.modules - kGuardModules - 1), kOuterGuard, blur));
    } else {
        guards = std::min(guards, GuardMatch(at(layout.centre - 1), kUpcEEnd, blur));
    }
    fit.guards = guards;
    fit.total = guards;
    if (guardsOnly) return true;
    double total = guards, worst = 1, sum = 0, margin = 2;
    const bool gParity = layout.rightDigits == 0 || (symbologies_ & layout.symbologies & ZR_BAR_EAN13) != 0;
    const int digits = layout.leftDigits + layout.rightDigits;
    for (int d = 0; d < digits; ++d) {
        const bool left = d < layout.leftDigits;
        const int first = left ? kGuardModules + kDigitModules * d
                               : layout.centre + kCentreModules + kDigitModules * (d - layout.leftDigits);
        const double *w = at(first - 1);
        double mean = 0;
        for (int i = 0; i < kWindow; ++i) mean += w[i];
        mean /= kWindow;
        double centred[kWindow], norm = 0;
        for (int i = 0; i < kWindow; ++i) {
            centred[i] = w[i] - mean;
            norm += centred[i] * centred[i];
        }
        if (norm <= 0) return false;
        double best = -2, second = -2;
        for (const int set : {kSetL, kSetG, kSetR}) {
            if (left == (set == kSetR) || (set == kSetG && !gParity)) continue;
            for (int v = 0; v < 10; ++v) {
                const double *t = kTemplates.t[blur][set][v];
                double dot = 0;
                for (int i = 0; i < kWindow; ++i) dot += centred[i] * t[i];
                if (dot > best) {
                    second = best;
                    best = dot;
                    fit.digit[static_cast<std::size_t>(d)] = static_cast<std::int8_t>(v);
                    fit.set[static_cast<std::size_t>(d)] = static_cast<std::int8_t>(set);
                } else {
                    second = std::max(second, dot);
                }
            }
        }
        best /= std::sqrt(norm);
        margin = std::min(margin, best - second / std::sqrt(norm));
        if (best < kDigitMatch) return false;  // this grid or sense cannot be accepted
        worst = std::min(worst, best);
        sum += best;
        total += best;
    }
    fit.total = total;
    fit.worstDigit = worst;
    fit.worstMargin = margin;
    fit.meanDigit = sum / digits;
    return true;
}

// Whether the symbol of one layout from edge `first` to edge `last` reads.
bool SoftEanDecoder::TrySymbol(double from, double to, int layoutIndex, LineReading &reading) {
    const SoftLayout &layout = kLayouts[static_cast<std::size_t>(layoutIndex)];
    const double module = (to - from) / layout.modules;
    // Each grid's guards at each blur share: the grids where they fit best
    // are read, each at its best share.
    struct Grid {
        double from = 0, to = 0, guards = -2;
        int blur = 0;
    };
    std::array<Grid, kGridsRead> grids{};
    for (const GridVariant &v : kGridVariants) {
        Grid grid{from + (v.inset + v.shift) * module, to - (v.inset - v.shift) * module};
        SampleModules(grid.from, grid.to, layoutIndex, true);
        for (int b = 0; b < kBlurLevels; ++b)
            for (const bool reversed : {false, true}) {
                Fit fit;
                Score(layoutIndex, reversed, b, true, fit);
                if (fit.guards > grid.guards) {
                    grid.guards = fit.guards;
                    grid.blur = b;
                }
            }
        if (grid.guards < kGuardMatch || grid.guards <= grids.back().guards) continue;
        grids.back() = grid;
        std::sort(grids.begin(), grids.end(), [](const Grid &a, const Grid &b) { return a.guards > b.guards; });
    }
    Fit best;
    bool bestReversed = false;
    for (const Grid &grid : grids) {
        if (grid.guards < kGuardMatch) break;
        SampleModules(grid.from, grid.to, layoutIndex, false);
        for (const bool reversed : {false, true}) {
            if (!(reversed ? AllowsReverse(direction_) : AllowsForward(direction_))) continue;
            Fit fit;
            if (Score(layoutIndex, reversed, grid.blur, false, fit) && fit.total > best.total) {
                best = fit;
                bestReversed = reversed;
            }
        }
    }
    if (best.guards < kGuardMatch || best.worstDigit < kDigitMatch || best.meanDigit < kMeanDigitMatch ||
        best.worstMargin < kDigitLead)
        return false;
    // The digits' classes between the guards', in reading order.
    std::array<char, 59> classes{};
    std::size_t n = 0;
    const auto put = [&](std::string_view s) {
        for (const char c : s) classes[n++] = c;
    };
    put("000");
    const int digits = layout.leftDigits + layout.rightDigits;
    for (int d = 0; d < digits; ++d) {
        if (d == layout.leftDigits) put("00000");
        const auto i = static_cast<std::size_t>(d);
        const auto value = static_cast<std::size_t>(best.digit[i]);
        put(best.set[i] == kSetG ? kEanGPatterns[value] : kEanLPatterns[value]);
    }
    put(layout.rightDigits > 0 ? "000" : "000000");
    DecodeState state;
    state.symbologies = symbologies_ & layout.symbologies;
    state.direction = kLeftToRight;  // the classes are in reading order already
    state.barColor = barColor_;
    if (DecodeStringTables(std::string_view(classes.data(), n), state) != DecodeOutcome::Ok) return false;
    reading.type = state.type;
    reading.barColor = barColor_;
    reading.checksumOk = 1;
    reading.reversed = bestReversed;
    reading.first = from;
    reading.last = to;
    std::copy(std::begin(state.text), std::end(state.text), std::begin(reading.text));
    return true;
}

// Where the symbol's outer bar meets the quiet zone, from the edge at
// `edge` with the quiet zone of `quiet` pixels on its side `outwards` (+1
// after, -1 before): blur merges a guard into one grey blob and may pull
// its edge inwards, so the boundary is taken where the level crosses half
// way from the blob's darkest (within kOuterReach modules inside) to the
// quiet zone's light.
double SoftEanDecoder::OuterEnd(double edge, double quiet, int outwards, double module) const {
    const auto sample = [&](double t) { return std::clamp(static_cast<int>(t + 0.5), 0, length_ - 1); };
    const auto darkness = [&](int i) { return darkSign_ * levels_[i]; };
    const int at = sample(edge);
    int darkest = at;
    for (int i = sample(edge - outwards * std::max(kOuterReach * module, 1.0)); i != at; i += outwards)
        if (darkness(i) > darkness(darkest)) darkest = i;
    const int far = sample(edge + outwards * std::min(quiet, 2 * kOuterReach * module));
    double light = darkness(darkest);
    for (int i = at; i != far + outwards; i += outwards) light = std::min(light, darkness(i));
    const double half = 0.5 * (darkness(darkest) + light);
    for (int i = darkest; i != far; i += outwards) {
        const int next = i + outwards;
        if (darkness(next) <= half) {
            const double part = (darkness(i) - half) / std::max(1e-9, darkness(i) - darkness(next));
            return i + outwards * part;
        }
    }
    return edge;
}

// The guards' fit on the grid from `from` to `to`: the worst correlation of
// the guard windows, one sample a module, in either reading sense.
double SoftEanDecoder::GuardFit(double from, double to, int layoutIndex) const {
    const SoftLayout &layout = kLayouts[static_cast<std::size_t>(layoutIndex)];
    const double step = (to - from) / layout.modules;
    const auto window = [&](int first, GuardWindow guard) {
        double x[kLongestGuard];
        for (std::size_t i = 0; i < kGuardPatterns[guard].size(); ++i)
            x[i] = Level(from + (first + static_cast<int>(i) + 0.5) * step);
        return GuardMatch(x, guard, 0);
    };
    // The worst window decides; once one fails the rest need not be seen.
    const double start = window(-1, kOuterGuard);
    if (layout.rightDigits > 0) {
        if (start < kQuickGuardMatch) return start;
        const double end = window(layout.modules - kGuardModules - 1, kOuterGuard);
        return end < kQuickGuardMatch ? end : std::min(end, window(layout.centre - 1, kCentreGuard));
    }
    // UPC-E: its start guard at either end.
    const double forward = start < kQuickGuardMatch ? start : std::min(start, window(layout.centre - 1, kUpcEEnd));
    const double endFirst = window(-1, kUpcEEndBackwards);
    const double backward = endFirst < kQuickGuardMatch
                                ? endFirst
                                : std::min(endFirst, window(layout.modules - kGuardModules - 1, kOuterGuard));
    return std::max(forward, backward);
}

void SoftEanDecoder::Read(const std::uint8_t *levels, int length, const std::vector<GreyEdge> &edges,
                          std::uint32_t symbologies, std::uint8_t direction, std::uint8_t barColors,
                          const std::vector<LineSpan> &skip, std::vector<LineReading> &out) {
    if ((symbologies & kMainEanUpc) == 0 || length < 2) return;
    levels_ = levels;
    edges_ = &edges;
    length_ = length;
    symbologies_ = symbologies;
    direction_ = direction;
    const std::vector<GreyEdge> &e = edges;
    const int m = static_cast<int>(e.size());
    const auto position = [&](int k) { return e[static_cast<std::size_t>(k)].position; };
    const auto skipped = [&](double at) {
        return std::any_of(skip.begin(), skip.end(), [&](const LineSpan &s) { return at >= s.from && at <= s.to; });
    };
    for (const std::uint8_t colour : {kDarkBars, kLightBars}) {
        if ((barColors & colour) == 0) continue;
        barColor_ = colour;
        darkSign_ = colour == kDarkBars ? -1 : 1;
        const bool startRises = colour == kLightBars;  // dark bars begin where light turns dark
        int starts = 0;
        for (int j = 0; j + kQuietReach < m && starts < kStartsTried; ++j) {
            if ((e[static_cast<std::size_t>(j)].change > 0) != startRises) continue;
            // A light space before, wider than the elements after it, and a
            // first bar (the start guard, perhaps blurred into one) that
            // bounds the module.
            const double start = position(j);
            const double before = j == 0 ? start : start - position(j - 1);
            const double meanElement = (position(j + kQuietReach) - start) / kQuietReach;
            if (before < meanElement || skipped(start)) continue;
            const double firstBar = position(j + 1) - start;
            const double moduleLow =
                std::max({kLeastModule, firstBar / kFirstBarModulesHigh, meanElement / kMeanElementModulesHigh});
            const double moduleHigh = std::min({firstBar / kFirstBarModulesLow, meanElement / kMeanElementModulesLow,
                                                before / kDigitQuietModules});
            if (moduleHigh < moduleLow) continue;
            // For each layout, the far end with a quiet zone after it where the guards fit best.
            struct End {
                int edge = -1;
                double from = 0, to = 0;  // the symbol's outer boundaries
                double fit = -2;
            };
            std::array<End, kLayouts.size()> ends{};
            for (int k = j + 1; k < m; k += 2) {
                const double end = position(k);
                if (end - start > kLayouts[0].modules * moduleHigh) break;
                const double after = k == m - 1 ? length - 1 - end : position(k + 1) - end;
                // As at the start: a light space wider than the elements before it.
                if (k - j >= kQuietReach && after < (end - position(k - kQuietReach)) / kQuietReach) continue;
                for (int l = 0; l < static_cast<int>(kLayouts.size()); ++l) {
                    const SoftLayout &layout = kLayouts[static_cast<std::size_t>(l)];
                    const double module = (end - start) / layout.modules;
                    if ((symbologies & layout.symbologies) == 0 || k - j > layout.elements ||
                        (k - j + 1) * kLeastEdgeShare < layout.elements || module < moduleLow ||
                        module > moduleHigh || after < layout.quietModules * module ||
                        before < layout.quietModules * module)
                        continue;
                    // The quiet zones again from the symbol's outer boundaries.
                    const double from = OuterEnd(start, before, -1, module);
                    const double to = OuterEnd(end, after, 1, module);
                    if (from - (start - before) < layout.quietModules * module ||
                        end + after - to < layout.quietModules * module)
                        continue;
                    const double fit = GuardFit(from, to, l);
                    End &best = ends[static_cast<std::size_t>(l)];
                    if (fit >= kQuickGuardMatch && fit > best.fit) best = {k, from, to, fit};
                }
            }
            if (std::all_of(ends.begin(), ends.end(), [](const End &end) { return end.edge < 0; })) continue;
            ++starts;
            // The longer layouts first: the left half of EAN 13 or UPC-A up to
            // its centre guard looks like UPC-E.
            // A shorter layout only where its guards fit better than those of
            // the longer ones tried.
            double tried = -2;
            for (std::size_t l = 0; l < ends.size(); ++l) {
                if (ends[l].edge < 0 || ends[l].fit <= tried) continue;
                tried = ends[l].fit;
                LineReading reading;
                if (!TrySymbol(ends[l].from, ends[l].to, static_cast<int>(l), reading)) continue;
                out.push_back(reading);
                j = ends[l].edge;
                break;
            }
        }
    }
}

}  // namespace zr::bar
