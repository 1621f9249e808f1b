// Reed-Solomon correction of QR Code and Micro QR codeword blocks: GF(256)
// over 0x11D, check roots alpha^0 .. alpha^(ecCount - 1), by core/rs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zr::qr {

// Results of RSDecode besides the number of corrected codewords.
constexpr int kRsTooManyErrors = -1;
constexpr int kRsPositionsNotFound = -2;

// Corrects a block of n codewords in place (first codeword = coefficient of
// the highest power; the last ecCount are check codewords). Returns 0 when
// the block is clean, the number of corrected codewords, kRsTooManyErrors
// (also for an impossible shape) or kRsPositionsNotFound (the located errors
// do not give a codeword). On failure the block is unchanged.
int RSDecode(std::uint8_t *block, int n, int ecCount);

// Corrects one block of a de-interleaved codeword array: its data codewords
// at [dataStart, dataStart + dataCount) and check codewords at [ecStart,
// ecStart + ecCount). Returns RSDecode's result; corrections are written back.
int RSCorrectBlock(std::uint8_t *codewords, std::size_t dataStart, int dataCount, std::size_t ecStart,
                   int ecCount);

}  // namespace zr::qr
