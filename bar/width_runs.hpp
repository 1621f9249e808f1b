// Width-run decoding: each character group is classified by the number of
// modules its symbology gives it, independently of the rest of the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "bar/decode_state.hpp"

namespace zr::bar {

constexpr double kRejectedGroup = 99999999.99;

// Classifies count widths from first as module counts ("0" one module up to
// "3" four) of a group of the given module total and appends them to classes.
// Returns the summed rounding error, or kRejectedGroup (the appended classes
// are then not to be used) when an element rounds to no module or more than
// four, or the group does not lie within the widths.
double ModuleClasses(const Widths &widths, std::size_t first, std::size_t count, int modules,
                     std::string &classes);

// Code 39: the start character must classify as the start pattern.
std::uint16_t Code39RunCheck(const Widths &widths);
// Classifies every character as 12 modules and decodes the built class string
// with the Code 39 class-string decoder; kNoMatch also when the mean rounding
// error per character is too large.
std::uint16_t Code39RunDecode(const Widths &widths, char (&text)[kTextSize]);

}  // namespace zr::bar
