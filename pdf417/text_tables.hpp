// Text compaction: the four sub-mode rows of 30 entries. Entries below 128
// are characters, 128 to 133 the latches and shifts.
#pragma once

#include <cstdint>

namespace zr::pdf417 {

enum TextSubMode : std::uint8_t { kUpper = 0, kLower = 1, kMixed = 2, kPunctuation = 3 };

enum TextControl : std::uint8_t {
    kLatchLower = 128,
    kShiftPunctuation = 129,
    kLatchMixed = 130,
    kShiftUpper = 131,
    kLatchUpper = 132,
    kLatchPunctuation = 133,
};

constexpr std::uint8_t kTextTable[4][30] = {
    {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M',         'N',         'O',
     'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', ' ', kLatchLower, kLatchMixed, kShiftPunctuation},
    {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm',         'n',         'o',
     'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z', ' ', kShiftUpper, kLatchMixed, kShiftPunctuation},
    {'0',         '1',
     '2',         '3',
     '4',         '5',
     '6',         '7',
     '8',         '9',
     '&',         '\r',
     '\t',        ',',
     ':',         '#',
     '-',         '.',
     '$',         '/',
     '+',         '%',
     '*',         '=',
     '^',         kLatchPunctuation,
     ' ',         kLatchLower,
     kLatchUpper, kShiftPunctuation},
    {';',  '<', '>', '@', '[', '\\', ']', '_', '`', '~', '!', '\r', '\t', ',',  ':',
     '\n', '-', '.', '$', '/', '"',  '|', '*', '(', ')', '?', '{',  '}',  '\'', kLatchUpper},
};

}  // namespace zr::pdf417
