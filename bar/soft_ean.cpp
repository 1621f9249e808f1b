// EAN/UPC symbols read from levels rather than widths: at about one and a
// half pixels a module, blur merges the edges of narrow elements, and no
// width decoder can count modules any more. Yet the quiet zones either side
// still mark the symbol's ends, so the module grid can be laid over the
// line: each module's mean level is taken once, and each digit is the L, G
// or R pattern with which the nine modules around it (its seven and the
// neighbours its set fixes) correlate best (soft_ean_digits.cpp).
// Here, the search along a line: a start after a light space, far ends with
// a quiet zone after them at the distances the layouts give, their outer
// boundaries taken from the levels, and the guards' fit on the grid between
// them; for each layout the end that fits best is read.
#include <algorithm>
#include <array>
#include <cmath>

#include "bar/soft_ean_patterns.hpp"

namespace zr::bar {

using namespace soft_ean;
using edges::GreyEdge;

namespace {

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

}  // namespace

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
