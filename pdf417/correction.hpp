// Reed-Solomon error correction over the prime field GF(929).
#pragma once

#include <cstdint>
#include <vector>

namespace zr::pdf417 {

constexpr int kFieldSize = 929;
constexpr int kCorrectionFailed = -1;

// Corrects codewords[0 .. count-1] in place with the last `checkWords` of
// them as error-correction codewords (2 to 512); the last check word only
// detects, so e errors are corrected while 2e <= checkWords - 1. Returns the
// number of codewords corrected, or kCorrectionFailed when the symbol cannot
// be read (the codewords are then left as they were).
int CorrectCodewords(std::vector<int> &codewords, int checkWords);

// The same with known unreliable codewords: `erasures` holds their distinct
// indices. e errors and f erasures are corrected while 2e + f <= checkWords - 1.
int CorrectCodewords(std::vector<int> &codewords, int checkWords, const std::vector<int> &erasures);

// Percent of codewords that needed no correction, 0 to 100.
int ConfidenceOf(int count, int corrected);

// The error-correction codewords for `data` (values 0 to 928; the encoder's
// side): used by tests to build codeword sequences. Empty for other input.
std::vector<int> CheckWordsFor(const std::vector<int> &data, int checkWords);

}  // namespace zr::pdf417
