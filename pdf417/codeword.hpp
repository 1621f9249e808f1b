// One codeword from the eight measured widths of its bars and spaces: an
// exact match of the rounded module counts, or the nearest pattern.
#pragma once

#include "pdf417/pattern_table.hpp"

namespace zr::pdf417 {

constexpr int kNoCodeword = -1;
constexpr int kEmptyCodeword = 900;      // what a column without any reading becomes
constexpr double kNearestLimit = 100.0;  // distances at or above this match nothing

// Module counts of eight widths (pixels or summed pixels) adjusted to 17 in
// all; false when the widths sum to 0.
bool ModulesOf(const double widths[kElementsPerCodeword], char digits[kElementsPerCodeword]);

// Codeword value of an exact match in a section, or kNoCodeword.
int DecodeExact(int section, const double widths[kElementsPerCodeword]);

struct NearestCodeword {
    int value = kEmptyCodeword;
    double distance = 0;  // 0 for an exact match
};

// Exact match, else the nearest pattern of the section (the section's first
// entry when none is nearer than kNearestLimit). Zero widths give 900.
// With `within` below kNearestLimit, a nearest pattern farther than that
// may be reported as none (distance kNearestLimit, and above `within`).
NearestCodeword DecodeNearest(int section, const double widths[kElementsPerCodeword],
                              double within = kNearestLimit);

// A distance DecodeNearest gives no less than, in every section, for the
// same widths: cheap enough to show that a line's summed distances reach a
// limit before the search is made.
double NearestDistanceFloor(const double widths[kElementsPerCodeword]);

}  // namespace zr::pdf417
