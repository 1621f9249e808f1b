// Reed-Solomon error correction over the prime field GF(929).
#pragma once

#include <cstdint>
#include <vector>

namespace zr::pdf417 {

constexpr int kFieldSize = 929;
constexpr int kCorrectionFailed = -1;

// Corrects codewords[0 .. count-1] in place with the last `checkWords` of
// them as error-correction codewords (2 to 512). Returns the number of
// codewords corrected, or kCorrectionFailed when the symbol cannot be read.
int CorrectCodewords(std::vector<int> &codewords, int checkWords);

// Percent of codewords that needed no correction, 0 to 100.
int ConfidenceOf(int count, int corrected);

// The error-correction codewords for `data` (the encoder's side): used by
// tests to build codeword sequences.
std::vector<int> CheckWordsFor(const std::vector<int> &data, int checkWords);

}  // namespace zr::pdf417
