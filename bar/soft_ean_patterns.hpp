// The soft EAN/UPC decoder's layouts and patterns (soft_ean.cpp finds the
// symbols' ends, soft_ean_digits.cpp reads their digits): the digit and
// guard windows as darkness patterns, derived at compile time from the
// EAN/UPC tables at a few blur shares.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "bar/ean_upc.hpp"
#include "bar/grey_look.hpp"

namespace zr::bar::soft_ean {

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
inline double GuardMatch(const double *x, GuardWindow window, int blur) {
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

}  // namespace zr::bar::soft_ean
