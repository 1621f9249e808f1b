// BCD Matrix checker and decoders.
#include "bar/bcd_matrix.hpp"

#include <array>

#include "bar/width_runs.hpp"

namespace zr::bar {
namespace {

constexpr std::string_view kStartStop = "00110";
constexpr std::size_t kStartStopElements = 5;
constexpr int kStartStopModules = 7;
constexpr std::size_t kFirstDigit = 6;  // start and gap
constexpr std::size_t kFixed = 11;      // start, gap and stop
constexpr std::size_t kDigitElements = 4;
constexpr int kDigitModules = 6;
constexpr int kWeights[2] = {1, 3};

constexpr std::array<std::string_view, 10> kPatterns = {
    "0011", "1000", "0100", "1100", "0010", "1010", "0110", "0001", "1001", "0101",
};
constexpr std::array<std::int32_t, 10> kCodes = PatternCodes(kPatterns);

std::size_t Digits(std::size_t n) {
    if (n < kFixed + kDigitElements || (n - kFixed) % kDigitElements != 0) return 0;
    return (n - kFixed) / kDigitElements;
}

}  // namespace

bool BcdMatrixLengthFits(std::size_t elements) {
    return Digits(elements) != 0;
}

bool BcdMatrixCheck(std::string_view classes) {
    if (Digits(classes.size()) == 0) return false;
    return BeginsWith(classes, kStartStop) && EndsWith(classes, kStartStop);
}

DecodeOutcome BcdMatrixDecode(std::string_view classes, char (&text)[kTextSize]) {
    const std::size_t k = Digits(classes.size());
    TextWriter out(text);
    for (std::size_t i = 0; i < k; ++i) {
        const int digit =
            PatternLookup(kCodes, classes.substr(kFirstDigit + i * kDigitElements, kDigitElements));
        if (digit < 0 || !out.Put(static_cast<char>('0' + digit))) {
            out.Clear();
            return DecodeOutcome::NoMatch;
        }
    }
    if (k == 0) return DecodeOutcome::NoMatch;
    return VerifyLastDigit(out.View(), kWeights[0], kWeights[1]);
}

bool BcdMatrixRunCheck(const Widths &widths) {
    const std::size_t n = widths.size();
    if (Digits(n) == 0) return false;
    return MatchGroups(widths, {{0, kStartStopElements, kStartStopModules, kStartStop},
                                {n - kStartStopElements, kStartStopElements, kStartStopModules, kStartStop}});
}

DecodeOutcome BcdMatrixRunDecode(const Widths &widths, char (&text)[kTextSize]) {
    const std::size_t k = Digits(widths.size());
    RunClasses classes(widths);
    classes.Group(kStartStopElements, kStartStopModules);
    classes.Gap();
    for (std::size_t i = 0; i < k; ++i) classes.Character(kDigitElements, kDigitModules);
    classes.Group(kStartStopElements, kStartStopModules);
    return classes.Decode(BcdMatrixDecode, k, text);
}

}  // namespace zr::bar
