// Width classes: element widths turned into class strings "0".."3".
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "bar/decode_state.hpp"

namespace zr::bar {

using WidthHistogram = std::vector<std::uint32_t>;  // index = width

// Class string of one line reading, histogram clusters per colour group.
std::string ElementsToClasses(const Widths &widths, std::uint8_t barColor);
// Class string with fixed quarter-range classes.
std::string QuarterClasses(const Widths &widths, std::uint8_t barColor);
// Class string of an averaged line reading.
std::string AveragedToClasses(const Widths &widths, std::uint8_t barColor);

int ClassBoundary(const WidthHistogram &histogram, int low, int high, int start, int window);
int ValleyFind(const WidthHistogram &histogram, int from, int to, int window);

}  // namespace zr::bar
