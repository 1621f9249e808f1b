// Code 93: six elements of one to four modules per character (nine
// modules), two check characters C and K before the stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bar/patterns.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {

// Whole characters between start and stop, each of the two allowed one
// class differing from its pattern.
bool Code93Check(std::string_view classes);
// Every character, C and K included, shift characters as spaces. Ok when both
// checks hold; a wrong check character rejects the symbol (NoMatch).
DecodeOutcome Code93Decode(std::string_view classes, char (&text)[kTextSize]);
bool Code93RunCheck(const Widths &widths);
DecodeOutcome Code93RunDecode(const Widths &widths, char (&text)[kTextSize]);

// True when `elements` is start, whole characters and stop.
bool Code93LengthFits(std::size_t elements);

constexpr StringRow kCode93Row = {ZR_BAR_CODE93, Code93Check, Code93Decode, false, Code93LengthFits};
constexpr RunRow kCode93RunRow = {ZR_BAR_CODE93, Code93RunCheck, Code93RunDecode, false, Code93LengthFits};

}  // namespace zr::bar
