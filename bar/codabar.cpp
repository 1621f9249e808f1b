// Codabar checker and decoders.
#include "bar/codabar.hpp"

#include <array>

#include "bar/width_runs.hpp"

namespace zr::bar {
namespace {

constexpr std::size_t kCharElements = 7;
constexpr std::size_t kCharStride = 8;  // seven elements and the gap
constexpr std::size_t kMinCharacters = 3;
constexpr int kNarrowModules = 9;  // two wide elements
constexpr int kWideModules = 10;   // three wide elements

constexpr std::string_view kCharacters = "0123456789-$:/.+ABCD";
constexpr std::array<std::string_view, 20> kPatterns = {
    "0000011", "0000110", "0001001", "1100000", "0010010", "1000010", "0100001",
    "0100100", "0110000", "1001000", "0001100", "0011000", "1000101", "1010001",
    "1010100", "0010101", "0011010", "0101001", "0001011", "0001110",
};
constexpr std::array<std::int32_t, 20> kCodes = PatternCodes(kPatterns);
static_assert(kCharacters.size() == kPatterns.size(), "one pattern per character");
// The start and stop characters A, B, C and D.
constexpr std::array<std::string_view, 4> kStartStop = {kPatterns[16], kPatterns[17], kPatterns[18],
                                                        kPatterns[19]};
constexpr int kFirstLetter = 16;

bool IsStartStop(std::string_view group) {
    for (const std::string_view pattern : kStartStop) {
        if (group == pattern) return true;
    }
    return false;
}

std::size_t Characters(std::size_t n) {
    if ((n + 1) % kCharStride != 0 || (n + 1) / kCharStride < kMinCharacters) return 0;
    return (n + 1) / kCharStride;
}

}  // namespace

bool CodabarLengthFits(std::size_t elements) {
    return Characters(elements) != 0;
}

bool CodabarCheck(std::string_view classes) {
    const std::size_t n = classes.size();
    if (Characters(n) == 0) return false;
    return IsStartStop(classes.substr(0, kCharElements)) && IsStartStop(classes.substr(n - kCharElements));
}

DecodeOutcome CodabarDecode(std::string_view classes, char (&text)[kTextSize]) {
    const std::size_t k = Characters(classes.size());
    TextWriter out(text);
    for (std::size_t i = 0; i < k; ++i) {
        const int value = PatternLookup(kCodes, classes.substr(i * kCharStride, kCharElements));
        // The first and last characters must be letters A to D.
        const bool end = i == 0 || i + 1 == k;
        if (value < 0 || (end && value < kFirstLetter) ||
            !out.Put(kCharacters[static_cast<std::size_t>(value)])) {
            out.Clear();
            return DecodeOutcome::NoMatch;
        }
    }
    return k == 0 ? DecodeOutcome::NoMatch : DecodeOutcome::Ok;
}

bool CodabarRunCheck(const Widths &widths) {
    const std::size_t n = widths.size();
    if (Characters(n) == 0) return false;
    // Each of the four start/stop characters has three wide elements; the
    // classes of a group match one of them at most.
    double error = 0;
    for (const std::size_t first : {std::size_t{0}, n - kCharElements}) {
        double best = kRejectedGroup;
        for (const std::string_view pattern : kStartStop) {
            const double e = MatchGroup(widths, {first, kCharElements, kWideModules, pattern});
            if (e < best) best = e;
        }
        if (best == kRejectedGroup) return false;
        error += best;
    }
    return error / (2 * kCharElements) < kGroupErrorLimit;
}

DecodeOutcome CodabarRunDecode(const Widths &widths, char (&text)[kTextSize]) {
    const std::size_t k = Characters(widths.size());
    RunClasses classes(widths);
    for (std::size_t i = 0; i < k; ++i) {
        if (i > 0) classes.Gap();
        classes.Character(kCharElements, kNarrowModules, kWideModules);
    }
    return classes.Decode(CodabarDecode, k, text);
}

}  // namespace zr::bar
