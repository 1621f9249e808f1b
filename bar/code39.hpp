// Code 39: nine elements per character, bar first, "0" narrow and "1" wide,
// characters separated by one gap element; every character spans 12 modules
// when wide elements are twice the narrow ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bar/patterns.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {

// True when a reading of this many elements holds whole characters, at
// least the start and the stop.
bool Code39LengthFits(std::size_t elements);
// True when the string has the length of whole characters (at least start and
// stop) and begins with the start character.
bool Code39Check(std::string_view classes);
// Decodes the characters after the start up to the stop character into text.
// Ok when the last character is the mod-43 check of the others, CheckFailed
// when not, NoMatch when a pattern is unknown, the stop is missing, there is
// no character or the text would not fit.
DecodeOutcome Code39Decode(std::string_view classes, char (&text)[kTextSize]);

// Width runs: the start character must classify as the start pattern.
bool Code39RunCheck(const Widths &widths);
// Classifies every character as 12 modules and decodes the built string with
// Code39Decode; NoMatch also when the mean rounding error is too large.
DecodeOutcome Code39RunDecode(const Widths &widths, char (&text)[kTextSize]);

constexpr StringRow kCode39Row = {ZR_BAR_CODE39, Code39Check, Code39Decode, false, Code39LengthFits};
constexpr RunRow kCode39RunRow = {ZR_BAR_CODE39, Code39RunCheck, Code39RunDecode, false, Code39LengthFits};

}  // namespace zr::bar
