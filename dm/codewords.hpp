// From the mapping matrix to text: module placement, Reed-Solomon correction
// of the interleaved blocks, and the encodation schemes.
#pragma once

#include <cstdint>

#include "dm/size_table.hpp"
#include "dm/symbol.hpp"

namespace zr::dm {

// Placement of the ECC 200 symbol character bits: for every module of a
// mappingRows x mappingColumns matrix (row-major), 10 x codeword number + bit
// number (codewords from 1, bit 1 the most significant), 1 for the two fixed
// modules of the lower-right corner, 0 when unassigned. `table` is cleared first.
void PlaceModules(std::int32_t *table, int mappingRows, int mappingColumns);

// Fills `codewords` (mappingRows x mappingColumns / 8 entries and one more,
// cleared first) from the module values of the matrix (1 = dark). `table` is
// the placement work area of mappingRows x mappingColumns entries.
void ExtractCodewords(const std::uint8_t *matrix, std::int32_t *table, std::int32_t *codewords,
                      int mappingColumns, int mappingRows);
// The same with `table` already placed by PlaceModules for this matrix size.
void ReadPlacedCodewords(const std::uint8_t *matrix, const std::int32_t *table, std::int32_t *codewords,
                         int mappingColumns, int mappingRows);

// Corrects one block in place (codeword k is the coefficient of x^(L-1-k)).
// Returns the number of corrected codewords, or -1 when the block cannot be
// corrected or the arguments are out of range.
int DMCorrectBlock(std::int32_t *block, int blockLength, int ecCount);

// Splits the symbol's codewords into the size's blocks, corrects each and
// joins them; then marks the end of the data codewords with 0. False when a
// block cannot be corrected.
bool CorrectSymbol(DMSymbol &symbol, const DMSize &size);

// The Base 256 unrandomising of the codeword at 1-based position `position`.
std::uint8_t Unrandomize255(std::int32_t value, int position);

// Decodes the `count` data codewords into a zero-terminated text of at most
// `capacity` bytes including the terminator. The count, not the 0 that
// CorrectSymbol writes after the data, ends the data: C40, Text and X12 pairs
// can begin with a codeword 0.
// `details`, when given, receives what the text cannot tell.
void DecodeDMData(const std::int32_t *codewords, int count, char *text, int capacity,
                  DataDetails *details = nullptr);

}  // namespace zr::dm
