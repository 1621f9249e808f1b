// Code 39 over class strings: nine elements per character, bar first,
// "0" narrow and "1" wide, characters separated by one gap element.
#pragma once

#include <cstdint>
#include <string_view>

#include "bar/decode_state.hpp"

namespace zr::bar {

// 0 when the string has the length of whole characters (at least start and
// stop) and begins with the start character, else kNoMatch.
std::uint16_t Code39Check(std::string_view classes);
// Decodes the characters after the start up to the stop character into text.
// 0 when the last character is the mod-43 check of the others, kCheckFailed
// when not, kNoMatch when a pattern is unknown, the stop is missing, there is
// no character or the text would not fit.
std::uint16_t Code39Decode(std::string_view classes, char (&text)[kTextSize]);

}  // namespace zr::bar
