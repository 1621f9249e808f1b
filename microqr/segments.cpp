// Data segments of a Micro QR symbol: the bit reader over the data
// codewords and the per-version segment decoder (numeric, alphanumeric,
// byte and Kanji).
#include "microqr/candidate.hpp"

namespace zr::microqr {
namespace {

constexpr char kAlphanumeric[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
constexpr std::uint32_t kAlphanumericCount = 45;

constexpr int kNumericGroupBits[4] = {0, 4, 7, 10};  // by digits in the group
constexpr int kAlphanumericPairBits = 11;
constexpr int kAlphanumericSingleBits = 6;
constexpr int kByteBits = 8;
constexpr int kKanjiBits = 13;

// Appends a numeric group of 1 to 3 digits held in v. Values are not
// range-checked: a misread group of 1000 or more gives ':' and beyond.
bool AppendDigits(DecodedText &out, std::uint32_t v, int digits) {
    std::uint32_t divisor = digits == 3 ? 100 : digits == 2 ? 10 : 1;
    if (!out.Append(static_cast<std::uint8_t>('0' + v / divisor))) return false;
    for (v %= divisor, divisor /= 10; divisor != 0; v %= divisor, divisor /= 10) {
        if (!out.Append(static_cast<std::uint8_t>('0' + v / divisor))) return false;
    }
    return true;
}

// The state of one decoding run.
struct SegmentReader {
    const Codewords &codewords;
    int dataBits;
    DecodedText &out;
    int position = 0;

    std::uint16_t Read(int n, std::uint32_t &value) {
        return ReadBitsAt(codewords, position, dataBits, n, value);
    }

    std::uint16_t Numeric(std::uint32_t count) {
        while (count > 0) {
            const int digits = count >= 3 ? 3 : static_cast<int>(count);
            std::uint32_t v = 0;
            if (Read(kNumericGroupBits[digits], v) != 0) return kDataEnded;
            if (!AppendDigits(out, v, digits)) return kDataEnded;
            count -= static_cast<std::uint32_t>(digits);
        }
        return 0;
    }

    std::uint16_t Alphanumeric(std::uint32_t count) {
        while (count > 0) {
            const bool pair = count >= 2;
            std::uint32_t v = 0;
            if (Read(pair ? kAlphanumericPairBits : kAlphanumericSingleBits, v) != 0) return kDataEnded;
            const std::uint32_t first = pair ? v / kAlphanumericCount : v;
            // A value without a character only comes from a misread symbol.
            if (first >= kAlphanumericCount) return kDataEnded;
            if (!out.Append(static_cast<std::uint8_t>(kAlphanumeric[first]))) return kDataEnded;
            if (pair && !out.Append(static_cast<std::uint8_t>(kAlphanumeric[v % kAlphanumericCount])))
                return kDataEnded;
            count -= pair ? 2 : 1;
        }
        return 0;
    }

    std::uint16_t Bytes(std::uint32_t count) {
        for (; count > 0; --count) {
            std::uint32_t v = 0;
            if (Read(kByteBits, v) != 0 || !out.Append(static_cast<std::uint8_t>(v))) return kDataEnded;
        }
        return 0;
    }

    // Each 13-bit value becomes a two-byte Shift JIS code.
    std::uint16_t Kanji(std::uint32_t count) {
        for (; count > 0; --count) {
            std::uint32_t v = 0;
            if (Read(kKanjiBits, v) != 0) return kDataEnded;
            std::uint32_t code = (v / 0xC0) * 256 + v % 0xC0;
            code += code > 0x1EFF ? 0xC140 : 0x8140;
            if (!out.Append(static_cast<std::uint8_t>((code >> 8) & 0xFF)) ||
                !out.Append(static_cast<std::uint8_t>(code & 0xFF)))
                return kDataEnded;
        }
        return 0;
    }

    std::uint16_t Segment(Mode mode, int countBits) {
        std::uint32_t count = 0;
        if (Read(countBits, count) != 0) return kDataEnded;
        switch (mode) {
            case Mode::Numeric:
                return Numeric(count);
            case Mode::Alphanumeric:
                return Alphanumeric(count);
            case Mode::Byte:
                return Bytes(count);
            case Mode::Kanji:
                return Kanji(count);
        }
        return kModeNotDecoded;
    }

    // True when the next n bits are all zero; the position does not move.
    bool ZeroAhead(int n) const {
        int p = position;
        std::uint32_t v = 0;
        return ReadBitsAt(codewords, p, dataBits, n, v) == 0 && v == 0;
    }
};

}  // namespace

std::uint16_t ReadBitsAt(const Codewords &codewords, int &position, int dataBits, int n,
                         std::uint32_t &value) {
    value = 0;
    if (n <= 0) return 0;
    const int limit = dataBits < kMaxCodewords * 8 ? dataBits : kMaxCodewords * 8;
    if (position < 0 || position >= limit) return kDataEnded;
    for (int i = 0; i < n; ++i) {
        const int p = position;
        const std::uint8_t byte = codewords[static_cast<std::size_t>(p / 8)];
        value = (value << 1) | ((byte >> (7 - p % 8)) & 1u);
        ++position;
        if (p + 1 >= limit && i + 1 < n) return kDataEnded;
    }
    return 0;
}

std::uint16_t DecodeMicroSegments(const Codewords &codewords, int dataBits, int version, DecodedText &out) {
    out.length = 0;
    if (version < kMinVersion || version > kMaxVersion) return kNoCorners;
    const SegmentParameters &params = kSegmentParameters[version - 1];
    SegmentReader reader{codewords, dataBits, out};
    if (version == 1) {
        // One numeric segment; a zero count is an empty symbol.
        if (params.shortestSegment < dataBits && !reader.ZeroAhead(params.countBits[0]))
            return reader.Segment(Mode::Numeric, params.countBits[0]);
        return 0;
    }
    for (;;) {
        if (reader.position + params.shortestSegment >= dataBits) return 0;
        if (reader.ZeroAhead(params.terminatorBits)) return 0;
        std::uint32_t mode = 0;
        if (reader.Read(params.modeBits, mode) != 0) return kDataEnded;
        if (mode >= kModeCount || params.countBits[mode] == 0) return kModeNotDecoded;
        const std::uint16_t status = reader.Segment(static_cast<Mode>(mode), params.countBits[mode]);
        if (status != 0) return status;
    }
}

}  // namespace zr::microqr
