// The 2 of 5 family: Industrial, Inverted, Interleaved, IATA, Matrix and
// Datalogic 2 of 5. Every digit has two wide elements among five; "0" is
// narrow and "1" wide in the class strings, wide being two modules in the
// width runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bar/patterns.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {

// Industrial: five bars per digit, each followed by a narrow space.
bool IndustrialCheck(std::string_view classes);
DecodeOutcome IndustrialDecode(std::string_view classes, char (&text)[kTextSize]);
bool IndustrialRunCheck(const Widths &widths);
DecodeOutcome IndustrialRunDecode(const Widths &widths, char (&text)[kTextSize]);

// Inverted: the digits of Industrial carried by the spaces.
bool InvertedCheck(std::string_view classes);
DecodeOutcome InvertedDecode(std::string_view classes, char (&text)[kTextSize]);
bool InvertedRunCheck(const Widths &widths);
DecodeOutcome InvertedRunDecode(const Widths &widths, char (&text)[kTextSize]);

// Interleaved: digit pairs, the bars giving the first digit and the spaces
// the second. IATA: the Interleaved start, stop and checker around the
// Industrial digits.
bool InterleavedCheck(std::string_view classes);
DecodeOutcome InterleavedDecode(std::string_view classes, char (&text)[kTextSize]);
bool InterleavedRunCheck(const Widths &widths);
DecodeOutcome InterleavedRunDecode(const Widths &widths, char (&text)[kTextSize]);
DecodeOutcome IataDecode(std::string_view classes, char (&text)[kTextSize]);

// Matrix: bar, space, bar, space, bar per digit, then a gap.
bool MatrixCheck(std::string_view classes);
DecodeOutcome MatrixDecode(std::string_view classes, char (&text)[kTextSize]);
bool MatrixRunCheck(const Widths &widths);
DecodeOutcome MatrixRunDecode(const Widths &widths, char (&text)[kTextSize]);

// Datalogic: the Matrix digits between the Interleaved start and stop, no check.
bool DatalogicCheck(std::string_view classes);
DecodeOutcome DatalogicDecode(std::string_view classes, char (&text)[kTextSize]);

// True when `elements` is start, whole digit groups and stop.
bool IndustrialLengthFits(std::size_t elements);
bool InvertedLengthFits(std::size_t elements);
bool InterleavedLengthFits(std::size_t elements);
bool MatrixLengthFits(std::size_t elements);
bool DatalogicLengthFits(std::size_t elements);

constexpr StringRow kIndustrialRow = {ZR_BAR_INDUSTRIAL_2OF5, IndustrialCheck, IndustrialDecode, false,
                                      IndustrialLengthFits};
constexpr StringRow kInvertedRow = {ZR_BAR_INVERTED_2OF5, InvertedCheck, InvertedDecode, false,
                                    InvertedLengthFits};
// Interleaved, IATA and Datalogic begin "000" and end "100", which many a
// piece of a symbol does too: they are read only between quiet zones.
constexpr StringRow kInterleavedRow = {ZR_BAR_INTERLEAVED_2OF5, InterleavedCheck, InterleavedDecode, true,
                                       InterleavedLengthFits};
constexpr StringRow kIataRow = {ZR_BAR_IATA_2OF5, InterleavedCheck, IataDecode, true, InterleavedLengthFits};
constexpr StringRow kMatrixRow = {ZR_BAR_MATRIX_2OF5, MatrixCheck, MatrixDecode, false, MatrixLengthFits};
constexpr StringRow kDatalogicRow = {ZR_BAR_DATALOGIC_2OF5, DatalogicCheck, DatalogicDecode, true,
                                     DatalogicLengthFits};

constexpr RunRow kIndustrialRunRow = {ZR_BAR_INDUSTRIAL_2OF5, IndustrialRunCheck, IndustrialRunDecode, false,
                                      IndustrialLengthFits};
constexpr RunRow kInvertedRunRow = {ZR_BAR_INVERTED_2OF5, InvertedRunCheck, InvertedRunDecode, false,
                                    InvertedLengthFits};
constexpr RunRow kInterleavedRunRow = {ZR_BAR_INTERLEAVED_2OF5, InterleavedRunCheck, InterleavedRunDecode,
                                       true, InterleavedLengthFits};
constexpr RunRow kMatrixRunRow = {ZR_BAR_MATRIX_2OF5, MatrixRunCheck, MatrixRunDecode, false,
                                  MatrixLengthFits};

}  // namespace zr::bar
