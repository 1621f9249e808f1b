// A sampled module matrix through the first look's decoding stages.
#include "qr/sampled_decode.hpp"

#include <array>

#include "qr/format.hpp"
#include "qr/info_words.hpp"

namespace zr::qr {

namespace {

constexpr int kFormatBits = 15;
constexpr int kFormatRow = 8;  // and column: the format copy around the corner finder
constexpr int kMinVersion = 1, kMaxVersion = 40;

// Module positions (column, row) of the 15 format bits, bit 0 first.
using FormatPositions = std::array<std::array<int, 2>, kFormatBits>;

constexpr FormatPositions kPrimary = {{{8, 0}, {8, 1}, {8, 2}, {8, 3}, {8, 4}, {8, 5}, {8, 7}, {8, 8},
                                       {7, 8}, {5, 8}, {4, 8}, {3, 8}, {2, 8}, {1, 8}, {0, 8}}};

// The copy beside the other two finders: bits 0..7 along row 8 from the
// right edge, bits 8..14 down column 8 from 7 modules above the bottom edge.
FormatPositions SecondaryPositions(int size) {
    FormatPositions p{};
    for (int k = 0; k < 8; ++k) p[static_cast<std::size_t>(k)] = {size - 1 - k, kFormatRow};
    for (int k = 8; k < kFormatBits; ++k) p[static_cast<std::size_t>(k)] = {kFormatRow, size - 15 + k};
    return p;
}

FormatMatch ReadFormat(const BitImageView &modules, const FormatPositions &positions) {
    std::uint32_t bits = 0;
    for (std::size_t k = 0; k < positions.size(); ++k)
        if (modules.Dark(positions[k][0], positions[k][1])) bits |= std::uint32_t{1} << k;
    return NearestFormat(bits);
}

}  // namespace

Outcome DecodeSampledGrid(const SampledGrid &grid, QRCandidate &c, DecodeWork &work) {
    const int size = grid.Size();
    const int version = (size - 17) / 4;
    if (version < kMinVersion || version > kMaxVersion || 4 * version + 17 != size) return Outcome::kTripleRejected;
    const BitImageView modules = grid.View();
    FormatMatch first = ReadFormat(modules, kPrimary);
    FormatMatch second = ReadFormat(modules, SecondaryPositions(size));
    if (second.distance < first.distance) std::swap(first, second);
    if (first.distance > kMaxInfoWordErrors) return Outcome::kTripleRejected;

    // One pixel per module: module (j, i) is sampled at pixel (j + 0.5, i + 0.5).
    c.corners = {{0, 0}, {static_cast<double>(size), 0}, {static_cast<double>(size), static_cast<double>(size)},
                 {0, static_cast<double>(size)}};
    c.u = {1, 0};
    c.v = {0, 1};
    c.size = size;
    c.version = version;
    c.level = first.level;
    c.mask = first.mask;
    Outcome outcome = DecodeQRSymbol(modules, c, work);
    const bool otherFormat = second.level != first.level || second.mask != first.mask;
    if (outcome != Outcome::kDecoded && otherFormat && second.distance <= kMaxInfoWordErrors) {
        c.level = second.level;
        c.mask = second.mask;
        outcome = DecodeQRSymbol(modules, c, work);
    }
    return outcome;
}

}  // namespace zr::qr
