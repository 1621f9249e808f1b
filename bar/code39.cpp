// Code 39 class-string checker and decoder.
#include "bar/code39.hpp"

#include <array>

namespace zr::bar {
namespace {

constexpr std::size_t kCharElements = 9;
constexpr std::size_t kCharStride = 10;  // nine elements and the gap
constexpr std::string_view kStartStop = "010010100";

struct Code39Char {
    char character;
    std::string_view pattern;  // bar, space, ... bar; "1" wide
};

// Characters in value order (0 to 42), then the start/stop character (43).
constexpr std::array<Code39Char, 44> kCode39Chars = {{
    {'0', "000110100"}, {'1', "100100001"}, {'2', "001100001"}, {'3', "101100000"}, {'4', "000110001"},
    {'5', "100110000"}, {'6', "001110000"}, {'7', "000100101"}, {'8', "100100100"}, {'9', "001100100"},
    {'A', "100001001"}, {'B', "001001001"}, {'C', "101001000"}, {'D', "000011001"}, {'E', "100011000"},
    {'F', "001011000"}, {'G', "000001101"}, {'H', "100001100"}, {'I', "001001100"}, {'J', "000011100"},
    {'K', "100000011"}, {'L', "001000011"}, {'M', "101000010"}, {'N', "000010011"}, {'O', "100010010"},
    {'P', "001010010"}, {'Q', "000000111"}, {'R', "100000110"}, {'S', "001000110"}, {'T', "000010110"},
    {'U', "110000001"}, {'V', "011000001"}, {'W', "111000000"}, {'X', "010010001"}, {'Y', "110010000"},
    {'Z', "011010000"}, {'-', "010000101"}, {'.', "110000100"}, {' ', "011000100"}, {'$', "010101000"},
    {'/', "010100010"}, {'+', "010001010"}, {'%', "000101010"}, {'*', kStartStop},
}};
constexpr int kStopValue = 43;
constexpr int kCheckModulus = 43;

// The classes of one character as a base-4 number, first element most
// significant; any class character outside "0".."3" gives -1.
constexpr std::int32_t BaseFour(std::string_view classes) {
    std::int32_t value = 0;
    for (char c : classes) {
        if (c < '0' || c > '3') return -1;
        value = value * 4 + (c - '0');
    }
    return value;
}

constexpr std::array<std::int32_t, 44> MakeCodes() {
    std::array<std::int32_t, 44> codes = {};
    for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = BaseFour(kCode39Chars[i].pattern);
    return codes;
}
constexpr std::array<std::int32_t, 44> kCode39Codes = MakeCodes();
static_assert(kCode39Codes[kStopValue] == BaseFour("010010100"), "start/stop is the last row");

// Value of a nine-class group, -1 when no character has that pattern.
int Lookup(std::string_view group) {
    const std::int32_t code = BaseFour(group);
    for (std::size_t i = 0; i < kCode39Codes.size(); ++i) {
        if (kCode39Codes[i] == code) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

std::uint16_t Code39Check(std::string_view classes) {
    const std::size_t n = classes.size();
    if ((n + 1) % kCharStride != 0 || n + 1 < 2 * kCharStride) return kNoMatch;
    return classes.substr(0, kCharElements) == kStartStop ? 0 : kNoMatch;
}

std::uint16_t Code39Decode(std::string_view classes, char (&text)[kTextSize]) {
    text[0] = '\0';
    std::array<int, kTextSize - 1> values = {};
    std::size_t count = 0;
    for (std::size_t pos = kCharStride; pos + kCharElements <= classes.size(); pos += kCharStride) {
        const int value = Lookup(classes.substr(pos, kCharElements));
        if (value < 0) return kNoMatch;
        if (value != kStopValue) {
            if (count == values.size()) return kNoMatch;  // longer than the text buffer holds
            values[count++] = value;
            continue;
        }
        // Start and stop alone carry nothing to check.
        if (count == 0) return kNoMatch;
        int sum = 0;
        for (std::size_t i = 0; i + 1 < count; ++i) sum += values[i];
        for (std::size_t i = 0; i < count; ++i) text[i] = kCode39Chars[values[i]].character;
        text[count] = '\0';
        return sum % kCheckModulus == values[count - 1] ? 0 : kCheckFailed;
    }
    return kNoMatch;
}

}  // namespace zr::bar
