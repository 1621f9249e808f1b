// Element patterns of linear symbologies that libzint does not draw: Inverted
// 2 of 5 and BCD Matrix. The result is in PatternModules' notation (element
// widths in modules, '1' to '9', bar first), narrow elements one module and
// wide ones `wide` modules.
#ifndef ZR_TESTS_SUPPORT_PAINT_BAR_HPP
#define ZR_TESTS_SUPPORT_PAINT_BAR_HPP

#include <string>

namespace zr::test {

// Inverted 2 of 5: start, the digits in the spaces (each space followed by a
// narrow bar), stop. Empty for a non-digit character or a wide width outside 2..9.
std::string Inverted2of5Elements(const std::string &digits, int wide = 2);
// BCD Matrix: start, gap, four elements per digit (1-2-4-7 weights of the
// wide elements, 0 being 4 + 7), stop. Empty as above.
std::string BcdMatrixElements(const std::string &digits, int wide = 2);

// The check digit (10 - s mod 10) mod 10, s being the digits' sum weighted
// first, second, first, ... from the first digit.
char WeightedCheckDigit(const std::string &digits, int first, int second);

}  // namespace zr::test

#endif  // ZR_TESTS_SUPPORT_PAINT_BAR_HPP
