// The soft EAN/UPC decoder's reading of one candidate: the module grid laid
// between the symbol's outer boundaries, each module's mean level taken
// once, each digit the L, G or R pattern its window correlates with best;
// the digits then pass the class-string decoders, whose parity and
// check-digit rules accept or refuse the symbol.
#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "bar/decoder_tables.hpp"
#include "bar/soft_ean_patterns.hpp"

namespace zr::bar {

using namespace soft_ean;

namespace {

// Module grids tried, as an inset of both ends and a shift of the whole,
// in modules; the first is the grid between the outer edges as found.
struct GridVariant {
    double inset, shift;
};
constexpr int kGridsRead = 2;
constexpr GridVariant kGridVariants[] = {
    {0, 0}, {0.25, 0}, {0.5, 0}, {-0.25, 0}, {0, 0.25}, {0, -0.25}, {0.25, 0.25}, {0.25, -0.25},
};

// Acceptance: every guard window and every digit correlates at least this
// well with its pattern, the digits on average at least kMeanDigitMatch.
constexpr double kGuardMatch = 0.5;
constexpr double kDigitMatch = 0.7;
constexpr double kMeanDigitMatch = 0.88;
// And each digit's pattern leads the next best by at least this much.
constexpr double kDigitLead = 0.015;

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
        const auto value = static_cast<std::size_t>(static_cast<unsigned char>(best.digit[i]));
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

}  // namespace zr::bar
