// Format information of a QR Code symbol: the two 15-bit copies, their BCH
// correction, and the error-correction level and mask they carry.
#pragma once

#include <array>
#include <cstdint>

#include "core/image_view.hpp"
#include "qr/candidate.hpp"

namespace zr::qr {

using FormatBits = std::array<std::uint8_t, 15>;  // bit k = coefficient of x^k

// BCH(15,5) decoding with up to three corrected bits (core/rs over GF(16),
// x^4 + x + 1, syndromes S1 .. S6). Returns the number of bits corrected: 0
// when the word is a codeword or cannot be corrected (the bits are then left
// as they are). Never negative.
int DecodeFormatBits(FormatBits &bits);

// The copy around the corner finder, read at truncated module centres. Sets
// the level and mask from the bits as decoded; false when the decoder found
// more roots than it can correct.
bool ReadFormatPrimary(const BitImageView &view, QRCandidate &candidate);
// The copy beside the other two finders, read at rounded positions from
// their centres. Sets the level and mask and answers as ReadFormatPrimary.
bool ReadFormatSecondary(const BitImageView &view, QRCandidate &candidate);

// Dark test at a pixel position; positions outside the picture are light.
inline bool DarkAt(const BitImageView &view, double x, double y) {
    if (!(x >= 0 && y >= 0 && x < view.Width() && y < view.Height())) return false;
    return view.Dark(static_cast<int>(x), static_cast<int>(y));
}

}  // namespace zr::qr
