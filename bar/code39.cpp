// Code 39: class-string and width-run decoders and the second chance on
// lines whose widths spread over more than two classes.
#include "bar/code39.hpp"

#include <array>

#include "bar/classes.hpp"
#include "bar/decoder_tables.hpp"
#include "bar/width_runs.hpp"

namespace zr::bar {
namespace {

constexpr std::size_t kCharElements = 9;
constexpr std::size_t kCharStride = 10;  // nine elements and the gap
constexpr int kCharModules = 12;
constexpr std::string_view kStartStop = "010010100";
constexpr int kStopValue = 43;
constexpr int kCheckModulus = 43;

// Characters in value order (0 to 42), then the start/stop character (43).
constexpr std::string_view kCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
constexpr std::array<std::string_view, 44> kPatterns = {
    "000110100", "100100001", "001100001", "101100000", "000110001", "100110000", "001110000", "000100101",
    "100100100", "001100100", "100001001", "001001001", "101001000", "000011001", "100011000", "001011000",
    "000001101", "100001100", "001001100", "000011100", "100000011", "001000011", "101000010", "000010011",
    "100010010", "001010010", "000000111", "100000110", "001000110", "000010110", "110000001", "011000001",
    "111000000", "010010001", "110010000", "011010000", "010000101", "110000100", "011000100", "010101000",
    "010100010", "010001010", "000101010", kStartStop,
};
constexpr std::array<std::int32_t, 44> kCodes = PatternCodes(kPatterns);
static_assert(kCharacters.size() == kPatterns.size(), "one pattern per character");

}  // namespace

bool Code39LengthFits(std::size_t elements) {
    return (elements + 1) % kCharStride == 0 && elements + 1 >= 2 * kCharStride;
}

bool Code39Check(std::string_view classes) {
    if (!Code39LengthFits(classes.size())) return false;
    return classes.substr(0, kCharElements) == kStartStop;
}

DecodeOutcome Code39Decode(std::string_view classes, char (&text)[kTextSize]) {
    TextWriter out(text);
    int sum = 0;    // values of every character but the last so far
    int last = -1;  // value of the last character
    for (std::size_t pos = kCharStride; pos + kCharElements <= classes.size(); pos += kCharStride) {
        const int value = PatternLookup(kCodes, classes.substr(pos, kCharElements));
        if (value < 0) break;
        if (value == kStopValue) {
            // Start and stop alone carry nothing to check.
            if (last < 0) break;
            return sum % kCheckModulus == last ? DecodeOutcome::Ok : DecodeOutcome::CheckFailed;
        }
        if (!out.Put(kCharacters[static_cast<std::size_t>(value)])) break;  // longer than the buffer holds
        if (last >= 0) sum += last;
        last = value;
    }
    out.Clear();
    return DecodeOutcome::NoMatch;
}

bool Code39RunCheck(const Widths &widths) {
    return MatchGroups(widths, {{0, kCharElements, kCharModules, kStartStop}});
}

DecodeOutcome Code39RunDecode(const Widths &widths, char (&text)[kTextSize]) {
    text[0] = '\0';
    const std::size_t n = widths.size();
    if (n < kCharElements) return DecodeOutcome::NoMatch;
    // Every group after the start, the stop included, is a 12-module
    // character after its gap; the gaps carry nothing and are entered as "0".
    const std::size_t k = (n - kCharElements) / kCharStride;
    RunClasses classes(widths);
    classes.Group(kCharElements, kCharModules);
    for (std::size_t i = 0; i < k; ++i) {
        classes.Gap();
        classes.Character(kCharElements, kCharModules);
    }
    // Elements past the last whole character are left out.
    return classes.Decode(Code39Decode, k, text);
}

DecodeOutcome Code39Retry(ClassWork &classes, DecodeState &state) {
    if ((state.symbologies & ZR_BAR_CODE39) == 0) return DecodeOutcome::SymbologyOff;
    // Reclassifying keeps the length, and a length of no whole number of
    // characters fails the checker whatever the classes: the tables would
    // find nothing.
    if (!Code39LengthFits(classes.ReadingSize())) {
        state.text[0] = '\0';
        return DecodeOutcome::NoDecoderMatched;
    }
    const std::uint32_t saved = state.symbologies;
    state.symbologies = ZR_BAR_CODE39;
    DecodeOutcome status = DecodeStringTables(classes.Quarter(), state);
    // Wide spaces spread over several classes: take every one as wide.
    if (!Decoded(status) && classes.CapOddClasses('1')) status = DecodeStringTables(classes.Classes(), state);
    state.symbologies = saved;
    return status;
}

DecodeOutcome Code39Retry(const Widths &widths, DecodeState &state) {
    ClassWork classes;
    classes.Split(widths, state.barColor);
    return Code39Retry(classes, state);
}

}  // namespace zr::bar
