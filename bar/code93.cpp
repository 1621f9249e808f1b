// Code 93 checker and decoders.
#include "bar/code93.hpp"

#include <array>

#include "bar/width_runs.hpp"

namespace zr::bar {
namespace {

constexpr std::size_t kCharElements = 6;
constexpr int kCharModules = 9;
constexpr std::size_t kStopElements = 7;  // the stop and its termination bar
constexpr int kStopModules = 10;
constexpr std::size_t kFixed = kCharElements + kStopElements;
constexpr std::string_view kStart = "000030";
constexpr std::string_view kStop = "0000300";
constexpr std::size_t kMinCharacters = 3;  // a data character, C and K
constexpr int kModulus = 47;
constexpr int kWeightC = 20;
constexpr int kWeightK = 15;

// Characters of the values 0 to 46; the four shift characters read as spaces.
constexpr std::string_view kCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%    ";
constexpr std::array<std::string_view, 47> kPatterns = {
    "020001", "000102", "000201", "000300", "010002", "010101", "010200", "000003", "020100", "030000",
    "100002", "100101", "100200", "110001", "110100", "120000", "001002", "001101", "001200", "011001",
    "021000", "000012", "000111", "000210", "010011", "020010", "101001", "101100", "100011", "100110",
    "110010", "111000", "001011", "001110", "011010", "012000", "010020", "200001", "200100", "210000",
    "001020", "002010", "100020", "010110", "201000", "200010", "011100",
};
constexpr std::array<std::int32_t, 47> kCodes = PatternCodes(kPatterns);
static_assert(kCharacters.size() == kPatterns.size(), "one pattern per character");

std::size_t Characters(std::size_t n) {
    if (n < kFixed || (n - kFixed) % kCharElements != 0) return 0;
    return (n - kFixed) / kCharElements;
}

// True when the classes differ from the pattern in at most one place.
bool NearlyMatches(std::string_view classes, std::string_view pattern) {
    int differences = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) differences += classes[i] != pattern[i];
    return differences <= 1;
}

// The weighted sum modulo 47 of values[0..count-1], weights 1, 2, ... up to
// `cycle` counted from the last value backwards.
int CheckValue(const std::array<int, kTextSize> &values, std::size_t count, int cycle) {
    int sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += values[count - 1 - i] * (static_cast<int>(i) % cycle + 1);
    return sum % kModulus;
}

}  // namespace

bool Code93LengthFits(std::size_t elements) {
    return Characters(elements) != 0;
}

bool Code93Check(std::string_view classes) {
    const std::size_t n = classes.size();
    if (Characters(n) == 0) return false;
    return NearlyMatches(classes.substr(0, kStart.size()), kStart) &&
           NearlyMatches(classes.substr(n - kStop.size()), kStop);
}

DecodeOutcome Code93Decode(std::string_view classes, char (&text)[kTextSize]) {
    TextWriter out(text);
    const std::size_t k = Characters(classes.size());
    if (k < kMinCharacters || k >= kTextSize) return DecodeOutcome::NoMatch;
    std::array<int, kTextSize> values = {};
    for (std::size_t i = 0; i < k; ++i) {
        const int value = PatternLookup(kCodes, classes.substr(kCharElements * (i + 1), kCharElements));
        if (value < 0 || !out.Put(kCharacters[static_cast<std::size_t>(value)])) {
            out.Clear();
            return DecodeOutcome::NoMatch;
        }
        values[i] = value;
    }
    // C over the data characters, K over the data characters and C.
    if (CheckValue(values, k - 2, kWeightC) != values[k - 2] ||
        CheckValue(values, k - 1, kWeightK) != values[k - 1]) {
        out.Clear();
        return DecodeOutcome::NoMatch;
    }
    return DecodeOutcome::Ok;
}

bool Code93RunCheck(const Widths &widths) {
    const std::size_t n = widths.size();
    if (Characters(n) == 0) return false;
    return MatchGroups(widths, {{0, kCharElements, kCharModules, kStart},
                                {n - kStopElements, kStopElements, kStopModules, kStop}});
}

DecodeOutcome Code93RunDecode(const Widths &widths, char (&text)[kTextSize]) {
    const std::size_t k = Characters(widths.size());
    RunClasses classes(widths);
    classes.Group(kCharElements, kCharModules);
    for (std::size_t i = 0; i < k; ++i) classes.Character(kCharElements, kCharModules);
    classes.Group(kStopElements, kStopModules);
    return classes.Decode(Code93Decode, k, text);
}

}  // namespace zr::bar
