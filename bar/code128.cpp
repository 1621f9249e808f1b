// Code 128 and EAN 128 checkers and decoders.
#include "bar/code128.hpp"

#include <array>

#include "bar/width_runs.hpp"

namespace zr::bar {
namespace {

constexpr std::size_t kCharElements = 6;
constexpr int kCharModules = 11;
constexpr std::size_t kStopElements = 7;
constexpr int kStopModules = 13;
constexpr std::size_t kFixed = kCharElements + kStopElements;  // start and stop

// Element widths in modules of the values 0 to 102, as published.
constexpr std::array<std::string_view, 103> kWidths = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131",
};

// Module widths as classes: a width of one module is class "0".
constexpr std::int32_t WidthCode(std::string_view widths) {
    std::int32_t code = 0;
    for (const char c : widths) code = code * 4 + (c - '1');
    return code;
}
constexpr std::array<std::int32_t, 103> MakeCodes() {
    std::array<std::int32_t, 103> codes = {};
    for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = WidthCode(kWidths[i]);
    return codes;
}
constexpr std::array<std::int32_t, 103> kCodes = MakeCodes();
static_assert(kCodes[0] == PatternCode("101111"), "value 0");

// Start characters A (103), B (104) and C (105) and the stop, as classes.
enum CodeSet : int { kSetA = 0, kSetB = 1, kSetC = 2 };
constexpr std::array<std::string_view, 3> kStarts = {"100301", "100103", "100121"};
constexpr int kStartValue = 103;  // + code set
constexpr std::string_view kStop = "1220001";
constexpr int kCheckModulus = 103;

constexpr int kShift = 98;
constexpr int kCodeC = 99;
constexpr int kCodeB = 100;
constexpr int kCodeA = 101;
constexpr int kFnc1 = 102;
constexpr int kFirstControl = 64;   // set A values 64 to 95: control characters, shown as spaces
constexpr int kDelete = 95;         // set B: no character
constexpr int kFirstFunction = 96;  // FNC3, FNC2 and the codes above: no character in sets A and B

// Data characters (the check character included), or 0 when the length is
// not start, whole characters and stop.
std::size_t Characters(std::size_t n) {
    if (n < kFixed || (n - kFixed) % kCharElements != 0) return 0;
    return (n - kFixed) / kCharElements;
}

bool CheckStart(std::string_view classes, CodeSet set) {
    if (Characters(classes.size()) == 0) return false;
    return BeginsWith(classes, kStarts[set]) && EndsWith(classes, kStop);
}

// Appends the character of a value in a code set; false when it does not fit.
bool PutCharacter(TextWriter &out, CodeSet set, int value) {
    if (set == kSetC)
        return out.Put(static_cast<char>('0' + value / 10)) && out.Put(static_cast<char>('0' + value % 10));
    if (value >= kFirstFunction) return true;
    if (set == kSetB) return value == kDelete || out.Put(static_cast<char>(value + 32));
    return out.Put(value >= kFirstControl ? ' ' : static_cast<char>(value + 32));
}

// Decodes the values and the text; `ean` tells whether the first data
// character is FNC1 (which gives no text). Ok or CheckFailed; NoMatch when
// a pattern is unknown, there is no data or the text would not fit.
DecodeOutcome DecodeValues(std::string_view classes, char (&text)[kTextSize], bool &ean) {
    TextWriter out(text);
    ean = false;
    const std::size_t k = Characters(classes.size());
    int start = -1;
    for (int set = kSetA; set <= kSetC; ++set) {
        if (BeginsWith(classes, kStarts[static_cast<std::size_t>(set)])) start = set;
    }
    // A start, at least one data character and the check character.
    if (start < 0 || k < 2) return DecodeOutcome::NoMatch;

    CodeSet set = static_cast<CodeSet>(start);
    bool shift = false;
    int sum = kStartValue + start;
    for (std::size_t i = 1; i <= k; ++i) {
        const int value = PatternLookup(kCodes, classes.substr(i * kCharElements, kCharElements));
        if (value < 0) {
            out.Clear();
            return DecodeOutcome::NoMatch;
        }
        if (i == k) return sum % kCheckModulus == value ? DecodeOutcome::Ok : DecodeOutcome::CheckFailed;
        sum += static_cast<int>(i) * value;

        // A shifted character is read in the other of sets A and B.
        const CodeSet read = shift ? (set == kSetA ? kSetB : kSetA) : set;
        shift = false;
        bool fits = true;
        if (value == kCodeB) {
            set = kSetB;
        } else if (value == kCodeA) {
            set = kSetA;
        } else if (value == kFnc1) {
            if (i == 1) ean = true;
        } else if (read != kSetC && value == kCodeC) {
            set = kSetC;
        } else if (read != kSetC && value == kShift) {
            shift = true;
        } else {
            fits = PutCharacter(out, read, value);
        }
        if (!fits) {
            out.Clear();
            return DecodeOutcome::NoMatch;
        }
    }
    return DecodeOutcome::NoMatch;
}

bool RunCheck(const Widths &widths, CodeSet set) {
    const std::size_t n = widths.size();
    if (Characters(n) == 0) return false;
    return MatchGroups(widths, {{0, kCharElements, kCharModules, kStarts[set]},
                                {n - kStopElements, kStopElements, kStopModules, kStop}});
}

DecodeOutcome RunDecode(const Widths &widths, char (&text)[kTextSize],
                        DecodeOutcome (*decoder)(std::string_view, char (&)[kTextSize])) {
    const std::size_t k = Characters(widths.size());
    RunClasses classes(widths);
    classes.Group(kCharElements, kCharModules);
    for (std::size_t i = 0; i < k; ++i) classes.Character(kCharElements, kCharModules);
    classes.Group(kStopElements, kStopModules);
    return classes.Decode(decoder, k, text);
}

}  // namespace

bool Code128LengthFits(std::size_t elements) {
    return Characters(elements) != 0;
}

bool Code128CheckA(std::string_view classes) {
    return CheckStart(classes, kSetA);
}
bool Code128CheckB(std::string_view classes) {
    return CheckStart(classes, kSetB);
}
bool Code128CheckC(std::string_view classes) {
    return CheckStart(classes, kSetC);
}

DecodeOutcome Code128Decode(std::string_view classes, char (&text)[kTextSize]) {
    bool ean = false;
    const DecodeOutcome status = DecodeValues(classes, text, ean);
    if (!Decoded(status) || ean) {
        text[0] = '\0';
        return DecodeOutcome::NoMatch;
    }
    return status;
}

DecodeOutcome Ean128Decode(std::string_view classes, char (&text)[kTextSize]) {
    bool ean = false;
    const DecodeOutcome status = DecodeValues(classes, text, ean);
    if (!Decoded(status) || !ean) {
        text[0] = '\0';
        return DecodeOutcome::NoMatch;
    }
    return status;
}

bool Code128RunCheckA(const Widths &widths) {
    return RunCheck(widths, kSetA);
}
bool Code128RunCheckB(const Widths &widths) {
    return RunCheck(widths, kSetB);
}
bool Code128RunCheckC(const Widths &widths) {
    return RunCheck(widths, kSetC);
}

DecodeOutcome Code128RunDecode(const Widths &widths, char (&text)[kTextSize]) {
    return RunDecode(widths, text, Code128Decode);
}
DecodeOutcome Ean128RunDecode(const Widths &widths, char (&text)[kTextSize]) {
    return RunDecode(widths, text, Ean128Decode);
}

}  // namespace zr::bar
