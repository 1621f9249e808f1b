// Codabar: seven elements per character, bar first, separated by one gap;
// the first and last characters are the start and stop letters A to D.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bar/patterns.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {

bool CodabarCheck(std::string_view classes);
// The text holds every character, start and stop letters included; there is
// no check character (Ok).
DecodeOutcome CodabarDecode(std::string_view classes, char (&text)[kTextSize]);
bool CodabarRunCheck(const Widths &widths);
// Each character spans 9 modules (two wide elements) or 10 (three).
DecodeOutcome CodabarRunDecode(const Widths &widths, char (&text)[kTextSize]);

// True when `elements` is a whole number of characters (start and stop among them).
bool CodabarLengthFits(std::size_t elements);

constexpr StringRow kCodabarRow = {ZR_BAR_CODABAR, CodabarCheck, CodabarDecode, false, CodabarLengthFits};
constexpr RunRow kCodabarRunRow = {ZR_BAR_CODABAR, CodabarRunCheck, CodabarRunDecode, false,
                                   CodabarLengthFits};

}  // namespace zr::bar
