// Data segments of a Micro QR symbol: the per-version framing (mode and
// count widths, terminator, shortest segment) around the QR family's
// character groups.
#include <cstddef>
#include <limits>

#include "microqr/candidate.hpp"

namespace zr::microqr {
namespace {

// Byte and Kanji segments read every character up to the last data bit:
// unlike QR Code there is no quiet end at the last data codeword.
constexpr std::size_t kNoEarlyEnd = std::numeric_limits<std::size_t>::max();

// True when the next n bits are all zero; the reader does not move.
bool ZeroAhead(const qr::BitReader &reader, int n) {
    qr::BitReader ahead = reader;
    std::uint32_t v = 0;
    return ahead.Read(n, v) && v == 0;
}

// The outcome of a segment whose character groups decoded or ran out of data.
Outcome GroupsRead(bool decoded) {
    return decoded ? Outcome::kDecoded : Outcome::kDataEnded;
}

Outcome DecodeSegment(qr::BitReader &reader, Mode mode, int countBits, qr::DecodedText &out) {
    std::uint32_t count = 0;
    if (!reader.Read(countBits, count)) return Outcome::kDataEnded;
    switch (mode) {
        case Mode::Numeric:
            return GroupsRead(qr::DecodeNumeric(reader, count, out));
        case Mode::Alphanumeric:
            return GroupsRead(qr::DecodeAlphanumeric(reader, count, out));
        case Mode::Byte:
            return GroupsRead(qr::DecodeBytes(reader, count, kNoEarlyEnd, out));
        case Mode::Kanji:
            return GroupsRead(qr::DecodeKanji(reader, count, kNoEarlyEnd, out));
    }
    return Outcome::kModeNotDecoded;
}

}  // namespace

Outcome DecodeMicroSegments(const Codewords &codewords, int dataBits, int version, qr::DecodedText &out) {
    out.length = 0;
    if (version < kMinVersion || version > kMaxVersion) return Outcome::kNoCorners;
    if (dataBits < 0 || dataBits > kMaxCodewords * 8) return Outcome::kDataEnded;
    const SegmentParameters &params = kSegmentParameters[version - 1];
    qr::BitReader reader(codewords.data(), static_cast<std::size_t>(dataBits));
    if (version == 1) {
        // One numeric segment; a zero count is an empty symbol.
        if (params.shortestSegment < dataBits && !ZeroAhead(reader, params.countBits[0]))
            return DecodeSegment(reader, Mode::Numeric, params.countBits[0], out);
        return Outcome::kDecoded;
    }
    for (;;) {
        if (reader.Remaining() <= static_cast<std::size_t>(params.shortestSegment)) return Outcome::kDecoded;
        if (ZeroAhead(reader, params.terminatorBits)) return Outcome::kDecoded;
        std::uint32_t mode = 0;
        if (!reader.Read(params.modeBits, mode)) return Outcome::kDataEnded;
        if (mode >= kModeCount || params.countBits[mode] == 0) return Outcome::kModeNotDecoded;
        const Outcome outcome = DecodeSegment(reader, static_cast<Mode>(mode), params.countBits[mode], out);
        if (outcome != Outcome::kDecoded) return outcome;
    }
}

}  // namespace zr::microqr
