// The 2 of 5 family's checkers and decoders over class strings and width runs.
#include "bar/two_of_five.hpp"

#include <array>

#include "bar/width_runs.hpp"

namespace zr::bar {
namespace {

// The five elements of each digit 0..9, two of them wide.
constexpr std::array<std::string_view, 10> kPairPatterns = {
    "00110", "10001", "01001", "11000", "00101", "10100", "01100", "00011", "10010", "01010",
};
constexpr std::array<std::int32_t, 10> kPairCodes = PatternCodes(kPairPatterns);

// The same five as bars, each followed by a narrow space (ten elements).
constexpr std::array<std::int32_t, 10> MakeBarCodes() {
    std::array<std::int32_t, 10> codes = {};
    for (std::size_t d = 0; d < codes.size(); ++d) {
        for (const char c : kPairPatterns[d]) codes[d] = (codes[d] * 4 + (c - '0')) * 4;
    }
    return codes;
}
constexpr std::array<std::int32_t, 10> kBarCodes = MakeBarCodes();
static_assert(kBarCodes[0] == PatternCode("0000101000"), "bars with narrow spaces");

// Datalogic: the Matrix digits with their gap.
constexpr std::array<std::string_view, 10> kDatalogicPatterns = {
    "001100", "100010", "010010", "110000", "001010", "101000", "011000", "000110", "100100", "010100",
};
constexpr std::array<std::int32_t, 10> kDatalogicCodes = PatternCodes(kDatalogicPatterns);

// Start and stop class strings ("+": any class above "0") and element counts.
constexpr std::string_view kIndustrialStart = "10100";
constexpr std::string_view kIndustrialStop = "10001";
constexpr std::string_view kInvertedStart = "0101000";
constexpr std::string_view kInvertedStop = "100010";
constexpr std::string_view kInterleavedStart = "000";  // also IATA and Datalogic
constexpr std::string_view kInterleavedStop = "100";
constexpr std::string_view kMatrixStartStop = "+0000";

constexpr std::size_t kIndustrialFirst = 6;  // start and gap
constexpr std::size_t kIndustrialFixed = 11;
constexpr std::size_t kInvertedFirst = 7;
constexpr std::size_t kInvertedFixed = 13;
constexpr std::size_t kInterleavedFirst = 4;  // four narrow start elements
constexpr std::size_t kInterleavedFixed = 7;
constexpr std::size_t kMatrixFirst = 6;
constexpr std::size_t kMatrixFixed = 11;
constexpr std::size_t kDatalogicFirst = 4;
constexpr std::size_t kDatalogicFixed = 7;
constexpr std::size_t kBarsStride = 10;
constexpr std::size_t kMatrixStride = 6;

// Module totals of the width-run groups, wide elements being two modules.
constexpr int kTwoOfFiveModules = 7;   // five elements, two wide
constexpr int kBarsDigitModules = 12;  // five bars with their spaces
constexpr int kPairDigitModules = 14;  // ten elements, four wide

// Check weights from the first digit.
constexpr int kIndustrialWeights[2] = {1, 3};
constexpr int kInvertedWeights[2] = {3, 1};
constexpr int kInterleavedWeights[2] = {4, 9};
constexpr int kIataWeights[2] = {3, 1};
constexpr int kMatrixWeights[2] = {3, 1};

// Whole digit groups between the fixed elements: their count, or 0 when the
// length does not fit or leaves none.
std::size_t DigitGroups(std::size_t n, std::size_t fixed, std::size_t stride) {
    if (n < fixed + stride || (n - fixed) % stride != 0) return 0;
    return (n - fixed) / stride;
}

// Reads k digits of `elements` classes each from `first`, `stride` apart,
// through a code table into the text, and checks the last one with the
// weights (none: Ok).
template <std::size_t N>
DecodeOutcome DecodeDigits(std::string_view classes, std::size_t first, std::size_t stride,
                           std::size_t elements, std::size_t k, const std::array<std::int32_t, N> &codes,
                           const int *weights, char (&text)[kTextSize]) {
    TextWriter out(text);
    for (std::size_t i = 0; i < k; ++i) {
        const int digit = PatternLookup(codes, classes.substr(first + i * stride, elements));
        if (digit < 0 || !out.Put(static_cast<char>('0' + digit))) {
            out.Clear();
            return DecodeOutcome::NoMatch;
        }
    }
    if (k == 0) return DecodeOutcome::NoMatch;
    return weights == nullptr ? DecodeOutcome::Ok : VerifyLastDigit(out.View(), weights[0], weights[1]);
}

bool Framed(std::string_view classes, std::string_view start, std::string_view stop) {
    return BeginsWith(classes, start) && EndsWith(classes, stop);
}

}  // namespace

// ---- Industrial 2 of 5 ----

bool IndustrialLengthFits(std::size_t elements) {
    return DigitGroups(elements, kIndustrialFixed, kBarsStride) != 0;
}

bool IndustrialCheck(std::string_view classes) {
    const std::size_t n = classes.size();
    if (DigitGroups(n, kIndustrialFixed, kBarsStride) == 0) return false;
    return Framed(classes, kIndustrialStart, kIndustrialStop);
}

DecodeOutcome IndustrialDecode(std::string_view classes, char (&text)[kTextSize]) {
    const std::size_t k = DigitGroups(classes.size(), kIndustrialFixed, kBarsStride);
    return DecodeDigits(classes, kIndustrialFirst, kBarsStride, kBarsStride, k, kBarCodes, kIndustrialWeights,
                        text);
}

bool IndustrialRunCheck(const Widths &widths) {
    const std::size_t n = widths.size();
    if (DigitGroups(n, kIndustrialFixed, kBarsStride) == 0) return false;
    return MatchGroups(widths, {{0, 5, kTwoOfFiveModules, kIndustrialStart},
                                {n - 5, 5, kTwoOfFiveModules, kIndustrialStop}});
}

DecodeOutcome IndustrialRunDecode(const Widths &widths, char (&text)[kTextSize]) {
    const std::size_t k = DigitGroups(widths.size(), kIndustrialFixed, kBarsStride);
    RunClasses classes(widths);
    classes.Group(5, kTwoOfFiveModules);
    classes.Gap();
    for (std::size_t i = 0; i < k; ++i) classes.Character(kBarsStride, kBarsDigitModules);
    classes.Group(5, kTwoOfFiveModules);
    return classes.Decode(IndustrialDecode, k, text);
}

// ---- Inverted 2 of 5 ----

bool InvertedLengthFits(std::size_t elements) {
    return DigitGroups(elements, kInvertedFixed, kBarsStride) != 0;
}

bool InvertedCheck(std::string_view classes) {
    if (DigitGroups(classes.size(), kInvertedFixed, kBarsStride) == 0) return false;
    return Framed(classes, kInvertedStart, kInvertedStop);
}

DecodeOutcome InvertedDecode(std::string_view classes, char (&text)[kTextSize]) {
    const std::size_t k = DigitGroups(classes.size(), kInvertedFixed, kBarsStride);
    return DecodeDigits(classes, kInvertedFirst, kBarsStride, kBarsStride, k, kBarCodes, kInvertedWeights,
                        text);
}

bool InvertedRunCheck(const Widths &widths) {
    const std::size_t n = widths.size();
    if (DigitGroups(n, kInvertedFixed, kBarsStride) == 0) return false;
    return MatchGroups(widths, {{0, 7, 9, kInvertedStart}, {n - 6, 6, 8, kInvertedStop}});
}

DecodeOutcome InvertedRunDecode(const Widths &widths, char (&text)[kTextSize]) {
    const std::size_t k = DigitGroups(widths.size(), kInvertedFixed, kBarsStride);
    RunClasses classes(widths);
    classes.Group(7, 9);
    for (std::size_t i = 0; i < k; ++i) classes.Character(kBarsStride, kBarsDigitModules);
    classes.Group(6, 8);
    return classes.Decode(InvertedDecode, k, text);
}

// ---- Interleaved and IATA 2 of 5 ----

bool InterleavedLengthFits(std::size_t elements) {
    return DigitGroups(elements, kInterleavedFixed, kBarsStride) != 0;
}

bool InterleavedCheck(std::string_view classes) {
    if (DigitGroups(classes.size(), kInterleavedFixed, kBarsStride) == 0) return false;
    return Framed(classes, kInterleavedStart, kInterleavedStop);
}

DecodeOutcome InterleavedDecode(std::string_view classes, char (&text)[kTextSize]) {
    const std::size_t pairs = DigitGroups(classes.size(), kInterleavedFixed, kBarsStride);
    TextWriter out(text);
    for (std::size_t i = 0; i < pairs; ++i) {
        // The bars give the first digit of the pair, the spaces the second.
        for (std::size_t colour = 0; colour < 2; ++colour) {
            char group[5];
            for (std::size_t j = 0; j < 5; ++j)
                group[j] = classes[kInterleavedFirst + i * kBarsStride + 2 * j + colour];
            const int digit = PatternLookup(kPairCodes, {group, 5});
            if (digit < 0 || !out.Put(static_cast<char>('0' + digit))) {
                out.Clear();
                return DecodeOutcome::NoMatch;
            }
        }
    }
    if (pairs == 0) return DecodeOutcome::NoMatch;
    return VerifyLastDigit(out.View(), kInterleavedWeights[0], kInterleavedWeights[1]);
}

bool InterleavedRunCheck(const Widths &widths) {
    const std::size_t n = widths.size();
    if (DigitGroups(n, kInterleavedFixed, kBarsStride) == 0) return false;
    return MatchGroups(widths, {{0, 3, 3, kInterleavedStart}, {n - 3, 3, 4, kInterleavedStop}});
}

DecodeOutcome InterleavedRunDecode(const Widths &widths, char (&text)[kTextSize]) {
    const std::size_t pairs = DigitGroups(widths.size(), kInterleavedFixed, kBarsStride);
    RunClasses classes(widths);
    classes.Group(3, 3);
    classes.Gap();
    for (std::size_t i = 0; i < pairs; ++i) classes.Character(kBarsStride, kPairDigitModules);
    classes.Group(3, 4);
    return classes.Decode(InterleavedDecode, pairs, text);
}

DecodeOutcome IataDecode(std::string_view classes, char (&text)[kTextSize]) {
    const std::size_t k = DigitGroups(classes.size(), kInterleavedFixed, kBarsStride);
    return DecodeDigits(classes, kInterleavedFirst, kBarsStride, kBarsStride, k, kBarCodes, kIataWeights,
                        text);
}

// ---- Matrix 2 of 5 ----

bool MatrixLengthFits(std::size_t elements) {
    return DigitGroups(elements, kMatrixFixed, kMatrixStride) != 0;
}

bool MatrixCheck(std::string_view classes) {
    if (DigitGroups(classes.size(), kMatrixFixed, kMatrixStride) == 0) return false;
    return Framed(classes, kMatrixStartStop, kMatrixStartStop);
}

DecodeOutcome MatrixDecode(std::string_view classes, char (&text)[kTextSize]) {
    const std::size_t k = DigitGroups(classes.size(), kMatrixFixed, kMatrixStride);
    return DecodeDigits(classes, kMatrixFirst, kMatrixStride, 5, k, kPairCodes, kMatrixWeights, text);
}

bool MatrixRunCheck(const Widths &widths) {
    const std::size_t n = widths.size();
    if (DigitGroups(n, kMatrixFixed, kMatrixStride) == 0) return false;
    return MatchGroups(widths, {{0, 5, 6, kMatrixStartStop}, {n - 5, 5, 6, kMatrixStartStop}});
}

DecodeOutcome MatrixRunDecode(const Widths &widths, char (&text)[kTextSize]) {
    const std::size_t k = DigitGroups(widths.size(), kMatrixFixed, kMatrixStride);
    RunClasses classes(widths);
    classes.Group(5, 6);
    classes.Gap();
    for (std::size_t i = 0; i < k; ++i) {
        classes.Character(5, kTwoOfFiveModules);
        classes.Gap();
    }
    classes.Group(5, kTwoOfFiveModules);
    return classes.Decode(MatrixDecode, k, text);
}

// ---- Datalogic 2 of 5 ----

bool DatalogicLengthFits(std::size_t elements) {
    return DigitGroups(elements, kDatalogicFixed, kMatrixStride) != 0;
}

bool DatalogicCheck(std::string_view classes) {
    if (DigitGroups(classes.size(), kDatalogicFixed, kMatrixStride) == 0) return false;
    return Framed(classes, kInterleavedStart, kInterleavedStop);
}

DecodeOutcome DatalogicDecode(std::string_view classes, char (&text)[kTextSize]) {
    const std::size_t k = DigitGroups(classes.size(), kDatalogicFixed, kMatrixStride);
    return DecodeDigits(classes, kDatalogicFirst, kMatrixStride, kMatrixStride, k, kDatalogicCodes, nullptr,
                        text);
}

}  // namespace zr::bar
