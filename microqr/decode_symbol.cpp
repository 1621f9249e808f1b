// One rotation of a candidate, from its grid to decoded bytes: module map,
// sampling, Reed-Solomon correction of the single block, and the data
// segments.
#include <cmath>

#include "microqr/candidate.hpp"
#include "qr/reed_solomon.hpp"

namespace zr::microqr {

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

    // One block: data codewords first, the check codewords right after.
    const int corrected = qr::RSCorrectBlock(codewords.data(), 0, c.dataCodewords,
                                             static_cast<std::size_t>(c.dataCodewords), c.ecCodewords);
    if (corrected < 0) return Outcome::kCorrectionFailed;
    const int total = capacity.totalCodewords;
    c.confidence = static_cast<std::uint16_t>(std::trunc(100.0 * (total - corrected) / total + 0.5));

    return DecodeMicroSegments(codewords, capacity.dataBits, c.version, c.decoded);
}

}  // namespace zr::microqr
