// What the class-string decoders share: character patterns as base-4 codes,
// their lookup, weighted check digits, a text writer bounded by the decoder's
// buffer, and the shape of the decoder-table rows each symbology supplies.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bar/decode_state.hpp"

namespace zr::bar {

// One row of the class-string table: the symbology bit, a checker of the
// string's start, stop and length (true when they fit), and the decoder proper.
struct StringRow {
    std::uint32_t bit;
    bool (*checker)(std::string_view classes);
    DecodeOutcome (*decoder)(std::string_view classes, char (&text)[kTextSize]);
    // The start and stop are too plain to tell the symbol's ends from a
    // piece of it: a reading without both quiet zones is not tried.
    bool needsQuietZones = false;
    // The element counts the checker can accept; none: any count.
    bool (*lengthFits)(std::size_t elements) = nullptr;
};

// One row of the width-run table: the same over element widths.
struct RunRow {
    std::uint32_t bit;
    bool (*checker)(const Widths &widths);
    DecodeOutcome (*decoder)(const Widths &widths, char (&text)[kTextSize]);
    bool needsQuietZones = false;
    // The element counts the checker can accept (for Code 39: whole
    // characters up to a quiet zone); none: any count.
    bool (*lengthFits)(std::size_t elements) = nullptr;
};

// The classes of one character read as a base-4 number, first element most
// significant; -1 when a class lies outside "0".."3".
constexpr std::int32_t PatternCode(std::string_view classes) {
    std::int32_t code = 0;
    for (const char c : classes) {
        if (c < '0' || c > '3') return -1;
        code = code * 4 + (c - '0');
    }
    return code;
}

// The codes of a pattern table, computed once at compile time.
template <std::size_t N>
constexpr std::array<std::int32_t, N> PatternCodes(const std::array<std::string_view, N> &patterns) {
    std::array<std::int32_t, N> codes = {};
    for (std::size_t i = 0; i < N; ++i) codes[i] = PatternCode(patterns[i]);
    return codes;
}

// The first row whose code equals the group's, -1 when none does.
template <std::size_t N>
int PatternLookup(const std::array<std::int32_t, N> &codes, std::string_view group) {
    const std::int32_t code = PatternCode(group);
    if (code < 0) return -1;
    for (std::size_t i = 0; i < N; ++i) {
        if (codes[i] == code) return static_cast<int>(i);
    }
    return -1;
}

// True when the classes equal the pattern, a "+" in the pattern standing for
// any class above "0".
constexpr bool ClassesMatch(std::string_view classes, std::string_view pattern) {
    if (classes.size() != pattern.size()) return false;
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const bool match =
            pattern[i] == '+' ? classes[i] >= '1' && classes[i] <= '3' : classes[i] == pattern[i];
        if (!match) return false;
    }
    return true;
}
constexpr bool BeginsWith(std::string_view classes, std::string_view pattern) {
    return classes.size() >= pattern.size() && ClassesMatch(classes.substr(0, pattern.size()), pattern);
}
constexpr bool EndsWith(std::string_view classes, std::string_view pattern) {
    return classes.size() >= pattern.size() &&
           ClassesMatch(classes.substr(classes.size() - pattern.size()), pattern);
}

// The check digit (10 - s mod 10) mod 10 of the digit characters, s being
// their sum weighted first, second, first, ... from the first digit.
constexpr int WeightedCheckDigit(std::string_view digits, int first, int second) {
    int sum = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) sum += (digits[i] - '0') * (i % 2 == 0 ? first : second);
    return (10 - sum % 10) % 10;
}

// Ok when the last digit of the text is the check digit of the others, else
// CheckFailed.
constexpr DecodeOutcome VerifyLastDigit(std::string_view digits, int first, int second) {
    if (digits.empty()) return DecodeOutcome::CheckFailed;
    const int check = WeightedCheckDigit(digits.substr(0, digits.size() - 1), first, second);
    return digits.back() - '0' == check ? DecodeOutcome::Ok : DecodeOutcome::CheckFailed;
}

// Writes the decoded text, zero-terminated, never past the decoder's buffer.
class TextWriter {
  public:
    explicit TextWriter(char (&text)[kTextSize]) : text_(text) { text_[0] = '\0'; }

    // False, writing nothing, when the character would not fit.
    bool Put(char c) {
        if (length_ + 1 >= kTextSize) return false;
        text_[length_++] = c;
        text_[length_] = '\0';
        return true;
    }
    std::string_view View() const { return {text_, length_}; }
    void Clear() {
        length_ = 0;
        text_[0] = '\0';
    }

  private:
    char (&text_)[kTextSize];
    std::size_t length_ = 0;
};

}  // namespace zr::bar
