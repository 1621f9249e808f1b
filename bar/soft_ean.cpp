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
#ifdef ZR_SOFT_DEBUG
#include <cstdio>
#include <cstdlib>
#endif

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
constexpr GridVariant kGridVariants[] = {
    {0, 0}, {0.25, 0}, {0.5, 0}, {-0.25, 0}, {0, 0.25}, {0, -0.25}, {0.25, 0.25}, {0.25, -0.25},
};

// Candidates: a first bar (the start guard's, or the guard blurred into one)
// of this many modules at least and at most; modules of at least this many
// pixels; a light space before wider than the mean of the kQuietReach
// elements after it.
constexpr double kFirstBarModulesLow = 0.4, kFirstBarModulesHigh = 6;
constexpr double kLeastModule = 0.8;
constexpr int kQuietReach = 8;
// Far ends tried for each start (those where the guards fit best, at least
// kQuickGuardMatch), and starts tried on one line.
constexpr int kEndsTried = 2;
constexpr double kQuickGuardMatch = 0.3;
constexpr int kStartsTried = 6;
// The outer bar's darkest within this many modules of its edge.
constexpr double kOuterReach = 1.5;
// Acceptance: every guard window and every digit correlates at least this
// well with its pattern, the digits on average at least kMeanDigitMatch.
constexpr double kGuardMatch = 0.75;
constexpr double kDigitMatch = 0.6;
constexpr double kMeanDigitMatch = 0.8;

// Normalised correlation of darkness values with a guard pattern (1 = bar)
// smoothed by blur share `b`.
double PatternMatch(const double *x, std::string_view pattern, double b) {
    constexpr std::size_t kLongest = 8;
    const std::size_t n = std::min(pattern.size(), kLongest);
    double raw[kLongest], t[kLongest];
    for (std::size_t i = 0; i < n; ++i) raw[i] = pattern[i] == '1' ? 1 : -1;
    SmoothAndNormalise(raw, static_cast<int>(n), b, t);
    double mean = 0;
    for (std::size_t i = 0; i < n; ++i) mean += x[i] / static_cast<double>(n);
    double dot = 0, xx = 0;
    for (std::size_t i = 0; i < n; ++i) {
        dot += (x[i] - mean) * t[i];
        xx += (x[i] - mean) * (x[i] - mean);
    }
    return xx > 0 ? dot / std::sqrt(xx) : 0;
}

}  // namespace

// The best digits of one grid and sense, and how well they and the guards fit.
struct SoftEanDecoder::Fit {
    double total = -1e9;  // sum of the guards' and digits' correlations
    double guards = 0;    // the worst guard's
    double worstDigit = 0;
    double meanDigit = 0;
    std::array<std::int8_t, 12> digit{};
    std::array<std::int8_t, 12> set{};
};

double SoftEanDecoder::Level(double position) const {
    const double t = std::clamp(position, 0.0, static_cast<double>(length_ - 1));
    const int i = std::min(static_cast<int>(t), length_ - 2);
    if (i < 0) return darkSign_ * levels_[0];
    const double part = t - i;
    return darkSign_ * (levels_[i] + part * (levels_[i + 1] - levels_[i]));
}

// The darkness of each module of a grid of `modules` from `from` to `to`
// and of one quiet module either side: the mean of three samples across
// the module's middle half.
void SoftEanDecoder::SampleModules(double from, double to, int modules) {
    const double step = (to - from) / modules;
    for (int i = -1; i <= modules; ++i) {
        const double centre = from + (i + 0.5) * step;
        modules_[i + 1] = (Level(centre - 0.25 * step) + Level(centre) + Level(centre + 0.25 * step)) / 3;
    }
}

// The digits that fit the module darkness best, in the reading sense
// (`reversed`: from the line's last module back), and the fit's quality.
bool SoftEanDecoder::Score(int layoutIndex, bool reversed, int blur, bool guardsOnly, Fit &fit) const {
    const SoftLayout &layout = kLayouts[static_cast<std::size_t>(layoutIndex)];
    const int count = layout.modules + 2;  // with the quiet modules
    double x[kMostModules];
    for (int i = 0; i < count; ++i) x[i] = reversed ? modules_[count - 1 - i] : modules_[i];
    const auto at = [&](int module) { return x + module + 1; };  // module -1 is the quiet one
    // Guards with the modules beside them: quiet, 101, a space; the centre
    // guard between a bar either side; the end guard and the quiet module.
    const double share = kBlurShares[blur];
    double guards = PatternMatch(at(-1), "01010", share);
    if (layout.rightDigits > 0) {
        guards = std::min(guards, PatternMatch(at(layout.centre - 1), "1010101", share));
        guards = std::min(guards, PatternMatch(at(layout.modules - kGuardModules - 1), "01010", share));
    } else {
        guards = std::min(guards, PatternMatch(at(layout.centre - 1), "10101010", share));
    }
    fit.guards = guards;
    fit.total = guards;
    if (guardsOnly) return true;
    double total = guards, worst = 1, sum = 0;
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
        double best = -2;
        for (const int set : {kSetL, kSetG, kSetR}) {
            if (left == (set == kSetR) || (set == kSetG && !gParity)) continue;
            for (int v = 0; v < 10; ++v) {
                const double *t = kTemplates.t[blur][set][v];
                double dot = 0;
                for (int i = 0; i < kWindow; ++i) dot += centred[i] * t[i];
                if (dot > best) {
                    best = dot;
                    fit.digit[static_cast<std::size_t>(d)] = static_cast<std::int8_t>(v);
                    fit.set[static_cast<std::size_t>(d)] = static_cast<std::int8_t>(set);
                }
            }
        }
        best /= std::sqrt(norm);
        worst = std::min(worst, best);
        sum += best;
        total += best;
    }
    fit.total = total;
    fit.worstDigit = worst;
    fit.meanDigit = sum / digits;
    return true;
}

// Whether the symbol of one layout from edge `first` to edge `last` reads.
bool SoftEanDecoder::TrySymbol(double from, double to, int layoutIndex, LineReading &reading) {
    const SoftLayout &layout = kLayouts[static_cast<std::size_t>(layoutIndex)];
    const double module = (to - from) / layout.modules;
    // The blur: the share with which the guards on the grid as found fit best.
    SampleModules(from, to, layout.modules);
    int blur = 0;
    double blurFit = -2;
    for (int b = 0; b < kBlurLevels; ++b)
        for (const bool reversed : {false, true}) {
            Fit fit;
            Score(layoutIndex, reversed, b, true, fit);
            if (fit.guards > blurFit) {
                blurFit = fit.guards;
                blur = b;
            }
        }
    Fit best;
    bool bestReversed = false;
    for (const GridVariant &v : kGridVariants) {
        SampleModules(from + (v.inset + v.shift) * module, to - (v.inset - v.shift) * module, layout.modules);
        for (const bool reversed : {false, true}) {
            if (!(reversed ? AllowsReverse(direction_) : AllowsForward(direction_))) continue;
            Fit fit;
            if (Score(layoutIndex, reversed, blur, false, fit) && fit.total > best.total) {
                best = fit;
                bestReversed = reversed;
            }
        }
    }
#ifdef ZR_SOFT_DEBUG
    fprintf(stderr, "try %d %.1f-%.1f m %.2f: g %.2f worst %.2f mean %.2f rev %d blur %d\n", layoutIndex, from, to, module, best.guards, best.worstDigit, best.meanDigit, bestReversed, blur);
#endif
    if (best.guards < kGuardMatch || best.worstDigit < kDigitMatch || best.meanDigit < kMeanDigitMatch)
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
// `edge` with the quiet zone of `quiet` pixels after it (`outwards` +1) or
// before it (-1): blur merges a guard into a grey blob and may pull its
// edge inwards, so the boundary is taken where the level crosses half way
// from the blob's darkest (within a module and a half inside) to the quiet zone's light.
double SoftEanDecoder::OuterEnd(double edge, double quiet, int outwards, double module) const {
    const auto sample = [&](double t) { return std::clamp(static_cast<int>(std::lround(t)), 0, length_ - 1); };
    const auto darkness = [&](int i) { return darkSign_ * levels_[i]; };
    const double reach = std::max(kOuterReach * module, 1.0);
    int darkest = sample(edge);
    for (int i = sample(edge - outwards * reach); i != sample(edge) + outwards; i += outwards)
        if (darkness(i) > darkness(darkest)) darkest = i;
    double light = darkness(darkest);
    const int far = sample(edge + outwards * std::min(quiet, kOuterReach * 2 * module));
    for (int i = sample(edge); i != far + outwards; i += outwards) light = std::min(light, darkness(i));
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
    const auto window = [&](int first, std::string_view pattern) {
        double x[8];
        for (std::size_t i = 0; i < pattern.size(); ++i)
            x[i] = Level(from + (first + static_cast<int>(i) + 0.5) * step);
        return PatternMatch(x, pattern, 0);
    };
    const double start = window(-1, "01010");
    if (layout.rightDigits > 0)
        return std::min({start, window(layout.centre - 1, "1010101"),
                         window(layout.modules - kGuardModules - 1, "01010")});
    // UPC-E: its start guard at either end.
    const double end = window(layout.centre - 1, "10101010");
    const double endFirst = window(-1, "01010101"), startLast = window(layout.modules - kGuardModules - 1, "01010");
    return std::max(std::min(start, end), std::min(endFirst, startLast));
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
#ifdef ZR_SOFT_DEBUG
    if (getenv("SOFTDUMP")) { fprintf(stderr, "LEVELS"); for (int i = 20; i < std::min(length, 190); ++i) fprintf(stderr, " %d:%d", i, levels[i]); fprintf(stderr, "\n"); fprintf(stderr, "LINE %d:", length); for (auto &x : e) fprintf(stderr, " %.1f%c", x.position, x.change > 0 ? '+' : '-'); fprintf(stderr, "\n"); }
#endif
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
            if (before < (position(j + kQuietReach) - start) / kQuietReach || skipped(start)) continue;
            const double firstBar = position(j + 1) - start;
            const double moduleLow = std::max(kLeastModule, firstBar / kFirstBarModulesHigh);
            const double moduleHigh = std::min(firstBar / kFirstBarModulesLow, before / kDigitQuietModules);
            if (moduleHigh < moduleLow) continue;
            // Far ends with a quiet zone after them where the guards fit, the best kEndsTried kept.
            struct End {
                int edge = -1, layout = 0;
                double from = 0, to = 0;  // the symbol's outer boundaries
                double fit = -2;
            };
            std::array<End, kEndsTried> ends{};
            for (int k = j + 1; k < m; k += 2) {
                const double end = position(k);
                if (end - start > kLayouts[0].modules * moduleHigh) break;
                const double after = k == m - 1 ? length - 1 - end : position(k + 1) - end;
                for (int l = 0; l < static_cast<int>(kLayouts.size()); ++l) {
                    const SoftLayout &layout = kLayouts[static_cast<std::size_t>(l)];
                    const double module = (end - start) / layout.modules;
                    if ((symbologies & layout.symbologies) == 0 || k - j > layout.elements || module < moduleLow ||
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
#ifdef ZR_SOFT_DEBUG
                    if (getenv("ENDS")) fprintf(stderr, "  end %d %.1f-%.1f (%.1f-%.1f) fit %.2f\n", l, start, end, from, to, fit);
#endif
                    const End &last = ends.back();
                    if (fit < kQuickGuardMatch ||
                        (last.edge >= 0 && (last.layout < l || (last.layout == l && fit <= last.fit))))
                        continue;
                    ends.back() = {k, l, from, to, fit};
                    // The longer layouts first: the left half of EAN 13 or UPC-A
                    // up to its centre guard looks like UPC-E.
                    std::sort(ends.begin(), ends.end(), [](const End &a, const End &b) {
                        return a.layout != b.layout ? a.layout < b.layout : a.fit > b.fit;
                    });
                }
            }
            if (ends[0].edge < 0) continue;
            ++starts;
#ifdef ZR_SOFT_DEBUG
            fprintf(stderr, "start %.1f bar %.2f before %.1f\n", start, firstBar, before);
#endif
            for (const End &end : ends) {
                LineReading reading;
                if (end.edge < 0 || !TrySymbol(end.from, end.to, end.layout, reading)) continue;
                out.push_back(reading);
                j = end.edge;
                break;
            }
        }
    }
}

}  // namespace zr::bar
