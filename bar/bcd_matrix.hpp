// BCD Matrix: four elements per digit (bar, space, bar, space), one or two
// of them wide, between the start and stop "00110".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bar/patterns.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {

bool BcdMatrixCheck(std::string_view classes);
// Digits with a check digit weighted 1, 3, 1, ... from the first.
DecodeOutcome BcdMatrixDecode(std::string_view classes, char (&text)[kTextSize]);
bool BcdMatrixRunCheck(const Widths &widths);
DecodeOutcome BcdMatrixRunDecode(const Widths &widths, char (&text)[kTextSize]);

// True when `elements` is start, whole digits and stop.
bool BcdMatrixLengthFits(std::size_t elements);

constexpr StringRow kBcdMatrixRow = {ZR_BAR_BCD_MATRIX, BcdMatrixCheck, BcdMatrixDecode, false,
                                     BcdMatrixLengthFits};
constexpr RunRow kBcdMatrixRunRow = {ZR_BAR_BCD_MATRIX, BcdMatrixRunCheck, BcdMatrixRunDecode, false,
                                     BcdMatrixLengthFits};

}  // namespace zr::bar
