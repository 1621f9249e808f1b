// EAN and UPC checkers and decoders.
#include "bar/ean_upc.hpp"

#include <array>

#include "bar/width_runs.hpp"

namespace zr::bar {
namespace {

constexpr std::size_t kDigitElements = 4;
constexpr int kDigitModules = 7;

constexpr const auto &kLPatterns = kEanLPatterns;
constexpr const auto &kGPatterns = kEanGPatterns;
constexpr std::array<std::int32_t, 10> kLCodes = PatternCodes(kLPatterns);
constexpr std::array<std::int32_t, 10> kGCodes = PatternCodes(kGPatterns);

// Parities of the six left digits of EAN 13 (1 = G) for the leading digits 0 to 9.
constexpr std::array<std::string_view, 10> kLeadingParities = {
    "000000", "001011", "001101", "001110", "010011", "011001", "011100", "010101", "010110", "011010",
};
// Parities of UPC Version E digits 2 to 6 (number system 0) for the check digits 0 to 9.
constexpr std::array<std::string_view, 10> kUpcEParities = {
    "11000", "10100", "10010", "10001", "01100", "00110", "00011", "01010", "01001", "00101",
};

// Parities of the 2-digit add-on for its value modulo 4, and of the 5-digit
// add-on for its check digit 0 to 9.
constexpr std::array<std::string_view, 4> kAddOn2Parities = {"00", "01", "10", "11"};
constexpr std::array<std::string_view, 10> kAddOn5Parities = {
    "11000", "10100", "10010", "10001", "01100", "00110", "00011", "01010", "01001", "00101",
};

constexpr std::string_view kGuard = "000";
constexpr std::string_view kUpcEEnd = "00000";
constexpr std::string_view kAddOnStart = "001";
constexpr std::string_view kAddOnSeparator = "00";

// Element layout of each symbology.
constexpr std::size_t kEan13Length = 59;
constexpr std::size_t kEan13Centre = 28;
constexpr std::size_t kEan13End = 56;
constexpr std::size_t kEan13Right = 32;
constexpr std::size_t kEan8Length = 43;
constexpr std::size_t kEan8Centre = 20;
constexpr std::size_t kEan8End = 40;
constexpr std::size_t kEan8Right = 24;
constexpr std::size_t kUpcELength = 33;
constexpr std::size_t kUpcEEndGuard = 28;
constexpr std::size_t kLeftDigits = 3;  // after the start guard
constexpr std::size_t kAddOn5Length = 31;
constexpr std::size_t kAddOn2Length = 13;
constexpr std::size_t kAddOnStride = 6;  // digit and separator

// Weights of the UPC and EAN 8 checks from the first digit; EAN 13 uses 1, 3.
constexpr int kUpcWeights[2] = {3, 1};
constexpr int kEan13Weights[2] = {1, 3};

enum Parity : int { kNone = -1, kL = 0, kG = 1, kBoth = 2 };

// The digit of a four-class group and the parity sets it matches.
Parity ReadDigit(std::string_view classes, std::size_t first, int &digit) {
    const std::string_view group = classes.substr(first, kDigitElements);
    const int l = PatternLookup(kLCodes, group);
    const int g = PatternLookup(kGCodes, group);
    digit = g >= 0 ? g : l;
    if (l >= 0 && g >= 0) return kBoth;
    return l >= 0 ? kL : g >= 0 ? kG : kNone;
}

// Reads count L digits from first, 4 elements apart, into the text.
bool PutLDigits(std::string_view classes, std::size_t first, std::size_t count, TextWriter &out) {
    for (std::size_t i = 0; i < count; ++i) {
        int digit = 0;
        const Parity parity = ReadDigit(classes, first + kDigitElements * i, digit);
        if ((parity != kL && parity != kBoth) || !out.Put(static_cast<char>('0' + digit))) return false;
    }
    return true;
}

DecodeOutcome Fail(TextWriter &out) {
    out.Clear();
    return DecodeOutcome::NoMatch;
}

bool GuardsAt(std::string_view classes, std::size_t length, std::initializer_list<std::size_t> guards,
              std::string_view guard) {
    if (classes.size() != length) return false;
    for (const std::size_t at : guards) {
        if (classes.substr(at, guard.size()) != guard) return false;
    }
    return true;
}

template <std::size_t N>
int IndexOf(const std::array<std::string_view, N> &table, std::string_view key) {
    for (std::size_t i = 0; i < N; ++i) {
        if (table[i] == key) return static_cast<int>(i);
    }
    return -1;
}

// The parities an add-on's digits must have (1 = G): for two digits their
// value modulo 4, for five digits their check digit.
std::string_view AddOnParities(std::string_view digits) {
    if (digits.size() == 2)
        return kAddOn2Parities[static_cast<std::size_t>(((digits[0] - '0') * 10 + digits[1] - '0') % 4)];
    int sum = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) sum += (digits[i] - '0') * (i % 2 == 0 ? 3 : 9);
    return kAddOn5Parities[static_cast<std::size_t>(sum % 10)];
}

// Add-on digits at 3 + 6i, either parity; the parities must encode the
// digits' value (two digits) or check digit (five), else the line is no
// add-on, often a longer add-on cut short.
DecodeOutcome DecodeAddOn(std::string_view classes, std::size_t length, std::size_t digits,
                          char (&text)[kTextSize]) {
    TextWriter out(text);
    if (classes.size() != length) return DecodeOutcome::NoMatch;
    char parities[5];
    for (std::size_t i = 0; i < digits; ++i) {
        int digit = 0;
        const Parity parity = ReadDigit(classes, kLeftDigits + kAddOnStride * i, digit);
        if (parity == kNone) return Fail(out);
        parities[i] = parity == kL ? '0' : '1';
        out.Put(static_cast<char>('0' + digit));
    }
    return AddOnParities(out.View()) == std::string_view(parities, digits) ? DecodeOutcome::Ok : Fail(out);
}

// Width runs: start guard, digits and the guards between them classified by
// module counts; the guards' classes are tested by the checkers only.
struct RunLayout {
    std::size_t length;
    std::size_t leftDigits;
    std::size_t rightDigits;  // 0: UPC Version E, whose end guard follows the left digits
};
constexpr RunLayout kEan13Layout = {kEan13Length, 6, 6};
constexpr RunLayout kEan8Layout = {kEan8Length, 4, 4};
constexpr RunLayout kUpcELayout = {kUpcELength, 6, 0};

DecodeOutcome RunDecode(const Widths &widths, const RunLayout &layout,
                        DecodeOutcome (*decoder)(std::string_view, char (&)[kTextSize]),
                        char (&text)[kTextSize]) {
    text[0] = '\0';
    if (widths.size() != layout.length) return DecodeOutcome::NoMatch;
    RunClasses classes(widths);
    classes.Group(3, 3);
    for (std::size_t i = 0; i < layout.leftDigits; ++i) classes.Character(kDigitElements, kDigitModules);
    classes.Gap();
    if (layout.rightDigits == 0) {
        classes.Group(5, 5);
    } else {
        classes.Group(3, 3);
        classes.Gap();
        for (std::size_t i = 0; i < layout.rightDigits; ++i) classes.Character(kDigitElements, kDigitModules);
        classes.Group(3, 3);
    }
    return classes.Decode(decoder, layout.leftDigits + layout.rightDigits, text);
}

}  // namespace

bool Ean13LengthFits(std::size_t elements) {
    return elements == kEan13Length;
}
bool Ean8LengthFits(std::size_t elements) {
    return elements == kEan8Length;
}
bool UpcELengthFits(std::size_t elements) {
    return elements == kUpcELength;
}
bool AddOn5LengthFits(std::size_t elements) {
    return elements == kAddOn5Length;
}
bool AddOn2LengthFits(std::size_t elements) {
    return elements == kAddOn2Length;
}

bool Ean13Check(std::string_view classes) {
    return GuardsAt(classes, kEan13Length, {0, kEan13Centre, kEan13End}, kGuard);
}

bool Ean8Check(std::string_view classes) {
    return GuardsAt(classes, kEan8Length, {0, kEan8Centre, kEan8End}, kGuard);
}

bool UpcECheck(std::string_view classes) {
    return GuardsAt(classes, kUpcELength, {0}, kGuard) && classes.substr(kUpcEEndGuard) == kUpcEEnd;
}

bool AddOn5Check(std::string_view classes) {
    return GuardsAt(classes, kAddOn5Length, {0}, kAddOnStart) &&
           GuardsAt(classes, kAddOn5Length, {7, 13, 19, 25}, kAddOnSeparator);
}

bool AddOn2Check(std::string_view classes) {
    return GuardsAt(classes, kAddOn2Length, {0}, kAddOnStart) &&
           GuardsAt(classes, kAddOn2Length, {7}, kAddOnSeparator);
}

DecodeOutcome Ean13Decode(std::string_view classes, char (&text)[kTextSize]) {
    TextWriter out(text);
    if (classes.size() != kEan13Length) return DecodeOutcome::NoMatch;
    // The left digits and their parities; the first is always L.
    char left[6];
    char parities[6];
    for (std::size_t i = 0; i < 6; ++i) {
        int digit = 0;
        const Parity parity = ReadDigit(classes, kLeftDigits + kDigitElements * i, digit);
        if (parity == kNone || (i == 0 && parity != kL)) return Fail(out);
        left[i] = static_cast<char>('0' + digit);
        parities[i] = parity == kG ? '1' : '0';
    }
    const int leading = IndexOf(kLeadingParities, std::string_view(parities, 6));
    if (leading < 0) return Fail(out);
    out.Put(static_cast<char>('0' + leading));
    for (const char c : left) out.Put(c);
    if (!PutLDigits(classes, kEan13Right, 6, out)) return Fail(out);
    // Weights 1, 3, ... over all thirteen digits: the sum is a multiple of 10.
    return VerifyLastDigit(out.View(), kEan13Weights[0], kEan13Weights[1]);
}

DecodeOutcome UpcADecode(std::string_view classes, char (&text)[kTextSize]) {
    TextWriter out(text);
    if (classes.size() != kEan13Length) return DecodeOutcome::NoMatch;
    // Every digit is in L: a G digit on the left belongs to an EAN 13 symbol
    // whose leading digit this row would drop.
    if (!PutLDigits(classes, kLeftDigits, 6, out) || !PutLDigits(classes, kEan13Right, 6, out))
        return Fail(out);
    return VerifyLastDigit(out.View(), kUpcWeights[0], kUpcWeights[1]);
}

DecodeOutcome Ean8Decode(std::string_view classes, char (&text)[kTextSize]) {
    TextWriter out(text);
    if (classes.size() != kEan8Length) return DecodeOutcome::NoMatch;
    if (!PutLDigits(classes, kLeftDigits, 4, out) || !PutLDigits(classes, kEan8Right, 4, out))
        return Fail(out);
    return VerifyLastDigit(out.View(), kUpcWeights[0], kUpcWeights[1]);
}

DecodeOutcome UpcEDecode(std::string_view classes, char (&text)[kTextSize]) {
    TextWriter out(text);
    if (classes.size() != kUpcELength) return DecodeOutcome::NoMatch;
    char digits[6];
    char parities[6];
    for (std::size_t i = 0; i < 6; ++i) {
        int digit = 0;
        const Parity parity = ReadDigit(classes, kLeftDigits + kDigitElements * i, digit);
        if (parity == kNone || parity == kBoth) return Fail(out);
        digits[i] = static_cast<char>('0' + digit);
        parities[i] = parity == kG ? '1' : '0';
    }
    // Number system 0 begins with a G digit; number system 1 has every parity inverted.
    const char system = parities[0] == '1' ? '0' : '1';
    if (system == '1') {
        for (char &p : parities) p = p == '1' ? '0' : '1';
    }
    const int check = IndexOf(kUpcEParities, std::string_view(parities + 1, 5));
    if (check < 0) return Fail(out);
    out.Put(system);
    for (const char c : digits) out.Put(c);
    out.Put(static_cast<char>('0' + check));
    return DecodeOutcome::Ok;
}

DecodeOutcome AddOn5Decode(std::string_view classes, char (&text)[kTextSize]) {
    return DecodeAddOn(classes, kAddOn5Length, 5, text);
}

DecodeOutcome AddOn2Decode(std::string_view classes, char (&text)[kTextSize]) {
    return DecodeAddOn(classes, kAddOn2Length, 2, text);
}

bool Ean13RunCheck(const Widths &widths) {
    if (widths.size() != kEan13Length) return false;
    return MatchGroups(widths, {{0, 3, 3, kGuard}, {kEan13Centre, 3, 3, kGuard}, {kEan13End, 3, 3, kGuard}});
}

bool Ean8RunCheck(const Widths &widths) {
    if (widths.size() != kEan8Length) return false;
    return MatchGroups(widths, {{0, 3, 3, kGuard}, {kEan8Centre, 3, 3, kGuard}, {kEan8End, 3, 3, kGuard}});
}

bool UpcERunCheck(const Widths &widths) {
    if (widths.size() != kUpcELength) return false;
    return MatchGroups(widths, {{0, 3, 3, kGuard}, {kUpcEEndGuard, 5, 5, kUpcEEnd}});
}

DecodeOutcome Ean13RunDecode(const Widths &widths, char (&text)[kTextSize]) {
    return RunDecode(widths, kEan13Layout, Ean13Decode, text);
}
DecodeOutcome UpcARunDecode(const Widths &widths, char (&text)[kTextSize]) {
    return RunDecode(widths, kEan13Layout, UpcADecode, text);
}
DecodeOutcome Ean8RunDecode(const Widths &widths, char (&text)[kTextSize]) {
    return RunDecode(widths, kEan8Layout, Ean8Decode, text);
}
DecodeOutcome UpcERunDecode(const Widths &widths, char (&text)[kTextSize]) {
    return RunDecode(widths, kUpcELayout, UpcEDecode, text);
}

}  // namespace zr::bar
