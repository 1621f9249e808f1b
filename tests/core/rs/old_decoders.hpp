// The four error-correction decoders the readers used before core/rs, kept
// only here as the reference that the equivalence test holds core/rs and its
// callers to. Same arguments and results as the functions they were.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zr::test::old {

// QR Code / Micro QR block (RSDecode): corrected count, 0, -1 or -2; unchanged on failure.
int OldQrDecode(std::uint8_t *block, int n, int ecCount);
// QR format word, bit k = coefficient of x^k (DecodeFormatBits).
int OldFormatDecode(std::array<std::uint8_t, 15> &bits);
// DataMatrix block (DMCorrectBlock): corrected count or -1; unchanged on failure.
int OldDmCorrectBlock(std::int32_t *block, int blockLength, int ecCount);
// PDF417 sequence (CorrectCodewords): corrected count or -1; may be changed on failure.
int OldPdf417Correct(std::vector<int> &codewords, int checkWords);

}  // namespace zr::test::old
