// Reading and correcting the format information.
#include "qr/format.hpp"

#include <cmath>

#include "core/rs/reed_solomon.hpp"

namespace zr::qr {

namespace {

// The format mask 101010000010010: bits 1, 4, 10, 12 and 14.
constexpr std::array<int, 5> kMaskedBits = {1, 4, 10, 12, 14};

// Removes the format mask, corrects the bits and takes the level and mask from them.
int SetLevelAndMask(FormatBits &bits, QRCandidate &c) {
    for (int k : kMaskedBits) bits[static_cast<std::size_t>(k)] ^= 1;
    const int result = DecodeFormatBits(bits);
    c.level = static_cast<std::uint8_t>(bits[14] * 2 + bits[13]);
    c.mask = static_cast<std::uint8_t>(bits[12] * 4 + bits[11] * 2 + bits[10]);
    return result;
}

}  // namespace

int DecodeFormatBits(FormatBits &bits) {
    // Bit k is the GF(16) symbol at power k: symbol 14 - k of the block.
    constexpr int kBits = static_cast<int>(std::tuple_size<FormatBits>::value);
    constexpr int kCorrectable = 3;
    constexpr int kFirstRoot = 1;  // syndromes S1 .. S6
    std::array<rs::Gf16::Element, kBits> block{};
    for (int k = 0; k < kBits; ++k)
        block[static_cast<std::size_t>(kBits - 1 - k)] = bits[static_cast<std::size_t>(k)] & 1;
    const rs::Outcome outcome =
        rs::Decode<rs::Gf16>(block.data(), rs::CodeShape{kBits, 2 * kCorrectable, kFirstRoot, 0, true});
    if (!outcome.Corrected()) return 0;  // a codeword, or more than three errors
    for (int k = 0; k < kBits; ++k) {
        std::uint8_t &bit = bits[static_cast<std::size_t>(k)];
        if (block[static_cast<std::size_t>(kBits - 1 - k)] != (bit & 1)) bit ^= 1;
    }
    return outcome.corrected;
}

namespace {

// DecodeFormatBits' answer when it finds a fourth root.
constexpr int kTooManyRoots = -1;

}  // namespace

bool ReadFormatPrimary(const BitImageView &view, QRCandidate &c) {
    static constexpr int kModules[15][2] = {{8, 0}, {8, 1}, {8, 2}, {8, 3}, {8, 4}, {8, 5}, {8, 7}, {8, 8},
                                            {7, 8}, {5, 8}, {4, 8}, {3, 8}, {2, 8}, {1, 8}, {0, 8}};
    FormatBits bits{};
    for (std::size_t k = 0; k < 15; ++k) {
        const geom::PointF p = c.ModuleCentre(kModules[k][0], kModules[k][1]);
        bits[k] = DarkAt(view, p.x, p.y) ? 1 : 0;
    }
    return SetLevelAndMask(bits, c) != kTooManyRoots;
}

bool ReadFormatSecondary(const BitImageView &view, QRCandidate &c) {
    FormatBits bits{};
    for (int k = 3, i = 0; k >= -4; --k, ++i) {
        const geom::PointF p = c.b + static_cast<double>(k) * c.u + 5.0 * c.v;
        bits[static_cast<std::size_t>(i)] =
            DarkAt(view, std::trunc(p.x + 0.5), std::trunc(p.y + 0.5)) ? 1 : 0;
    }
    for (int k = -3, i = 8; k <= 3; ++k, ++i) {
        const geom::PointF p = c.d + 5.0 * c.u + static_cast<double>(k) * c.v;
        bits[static_cast<std::size_t>(i)] =
            DarkAt(view, std::trunc(p.x + 0.5), std::trunc(p.y + 0.5)) ? 1 : 0;
    }
    return SetLevelAndMask(bits, c) != kTooManyRoots;
}

}  // namespace zr::qr
