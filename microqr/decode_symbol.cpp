// One rotation of a candidate, from its grid to decoded bytes: module map,
// sampling, Reed-Solomon correction of the single block, and the data
// segments.
#include <algorithm>
#include <cmath>

#include "core/rs/reed_solomon.hpp"
#include "microqr/candidate.hpp"

namespace zr::microqr {
namespace {

using Field = rs::Gf256Qr;

// The check codewords that correct nothing and only catch a wrong
// correction (ISO/IEC 18004, misdecode protection codewords p), by version
// and level like kCapacities. M1's two check codewords detect errors only:
// an M1 symbol is read only with every syndrome zero.
constexpr int kMisdecodeProtection[kMaxVersion][kMaxLevel + 1] = {
    {2, 0, 0},
    {3, 2, 0},
    {2, 0, 0},
    {2, 0, 0},
};

constexpr int MisdecodeProtection(int version, int level) {
    if (version < kMinVersion || version > kMaxVersion || level < 0 || level > kMaxLevel) return 0;
    return kMisdecodeProtection[version - 1][level];
}

}  // namespace

int CorrectableCodewords(int version, int level) {
    return (MicroCapacity(version, level).ecCodewords - MisdecodeProtection(version, level)) / 2;
}

int CorrectMicroCodewords(Codewords &codewords, int version, int level) {
    const Capacity capacity = MicroCapacity(version, level);
    if (capacity.totalCodewords == 0) return -1;
    // One block: data codewords first, the check codewords right after.
    std::array<Field::Element, kMaxCodewords> block{};
    std::copy_n(codewords.begin(), capacity.totalCodewords, block.begin());
    const rs::CodeShape shape{capacity.totalCodewords, capacity.ecCodewords, 0,
                              MisdecodeProtection(version, level), false};
    const rs::Outcome outcome = rs::Decode<Field>(block.data(), shape);
    if (!outcome.Ok()) return -1;
    std::transform(block.begin(), block.begin() + capacity.totalCodewords, codewords.begin(),
                   [](Field::Element v) { return static_cast<std::uint8_t>(v); });
    return outcome.corrected;
}

Outcome DecodeMicroQRSymbol(const BitImageView &image, MicroQRCandidate &c) {
    c.decoded.Clear();
    const Capacity capacity = MicroCapacity(c.version, c.level);
    if (capacity.totalCodewords == 0) return Outcome::kNoFormat;
    c.dataCodewords = capacity.DataCodewords();
    c.ecCodewords = capacity.ecCodewords;

    ModuleMap map;
    PlaceMicroCodewordBits(map, SymbolSize(c.version), capacity.dataBits);
    Codewords codewords;
    if (!SampleMicroCodewords(image, c, map, codewords)) return Outcome::kNoFormat;

    const int corrected = CorrectMicroCodewords(codewords, c.version, c.level);
    if (corrected < 0) return Outcome::kCorrectionFailed;
    const int total = capacity.totalCodewords;
    c.confidence = static_cast<std::uint16_t>(std::trunc(100.0 * (total - corrected) / total + 0.5));

    return DecodeMicroSegments(codewords, capacity.dataBits, c.version, c.decoded);
}

}  // namespace zr::microqr
