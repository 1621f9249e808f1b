// Format information of a QR Code symbol: the two 15-bit copies, their BCH
// correction, and the error-correction level and mask they carry.
#pragma once

#include <array>
#include <cstdint>

#include "core/image_view.hpp"
#include "qr/candidate.hpp"

namespace zr::qr {

using FormatBits = std::array<std::uint8_t, 15>;  // bit k = coefficient of x^k

// BCH(15,5) decoding with up to three corrected bits (Berlekamp's algorithm
// over GF(16), x^4 + x + 1). Returns the number of roots found (the bits are
// corrected when they account for every error), or -1 for a fourth root.
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
