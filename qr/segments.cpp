// Mode segments of QR Code data: numeric, alphanumeric, byte and Kanji
// (Shift JIS bytes); the terminator ends the text, an ECI designator is
// noted beside the text (the bytes that follow are reported as they stand),
// and so, where the caller asks for them, is an FNC1 mode.
#include "qr/segments.hpp"

#include <algorithm>
#include <cstddef>

namespace zr::qr {

namespace {

constexpr char kAlphanumeric[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
constexpr std::uint32_t kAlphanumericCount = 45;

constexpr std::uint32_t kModeTerminator = 0;
constexpr std::uint32_t kModeNumeric = 1;
constexpr std::uint32_t kModeAlphanumeric = 2;
constexpr std::uint32_t kModeStructuredAppend = 3;
constexpr std::uint32_t kModeByte = 4;
constexpr std::uint32_t kModeFnc1First = 5;
constexpr std::uint32_t kModeEci = 7;
constexpr std::uint32_t kModeKanji = 8;
constexpr std::uint32_t kModeFnc1Second = 9;
// The structured-append header: symbol position, symbol count, parity byte.
constexpr int kStructuredAppendBits = 16;
constexpr int kApplicationIndicatorBits = 8;
constexpr std::uint8_t kGroupSeparator = 0x1D;

// Character-count field widths for versions 1-9, 10-26 and 27-40.
constexpr int kCountBits[4][3] = {{10, 12, 14}, {9, 11, 13}, {8, 16, 16}, {8, 10, 12}};

int CountBits(int modeIndex, int version) {
    const int range = version <= 9 ? 0 : version <= 26 ? 1 : 2;
    return kCountBits[modeIndex][range];
}

// Appends `digits` decimal digits of v, most significant first; v must fit.
bool AppendDigits(std::uint32_t v, int digits, std::uint32_t limit, DecodedText &text) {
    if (v >= limit) return false;
    char out[3];
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    for (int i = 0; i < digits; ++i)
        if (!text.Append(static_cast<std::uint8_t>(out[i]))) return false;
    return true;
}

}  // namespace

bool BitReader::Read(int n, std::uint32_t &value) {
    if (n < 0 || static_cast<std::size_t>(n) > Remaining()) return false;
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i, ++position_)
        v = (v << 1) | ((codewords_[position_ >> 3] >> (7 - (position_ & 7))) & 1u);
    value = v;
    return true;
}

bool DecodeNumeric(BitReader &reader, std::uint32_t count, DecodedText &text) {
    std::uint32_t v = 0;
    for (; count >= 3; count -= 3)
        if (!reader.Read(10, v) || !AppendDigits(v, 3, 1000, text)) return false;
    if (count == 2 && (!reader.Read(7, v) || !AppendDigits(v, 2, 100, text))) return false;
    if (count == 1 && (!reader.Read(4, v) || !AppendDigits(v, 1, 10, text))) return false;
    return true;
}

bool DecodeAlphanumeric(BitReader &reader, std::uint32_t count, DecodedText &text) {
    std::uint32_t v = 0;
    for (; count >= 2; count -= 2) {
        if (!reader.Read(11, v) || v >= kAlphanumericCount * kAlphanumericCount) return false;
        if (!text.Append(static_cast<std::uint8_t>(kAlphanumeric[v / kAlphanumericCount])) ||
            !text.Append(static_cast<std::uint8_t>(kAlphanumeric[v % kAlphanumericCount])))
            return false;
    }
    if (count == 1) {
        if (!reader.Read(6, v) || v >= kAlphanumericCount) return false;
        if (!text.Append(static_cast<std::uint8_t>(kAlphanumeric[v]))) return false;
    }
    return true;
}

bool DecodeBytes(BitReader &reader, std::uint32_t count, std::size_t dataCount, DecodedText &text) {
    std::uint32_t v = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (reader.Codeword() >= dataCount) return true;
        if (!reader.Read(8, v) || !text.Append(static_cast<std::uint8_t>(v))) return false;
    }
    return true;
}

bool DecodeKanji(BitReader &reader, std::uint32_t count, std::size_t dataCount, DecodedText &text) {
    std::uint32_t v = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (reader.Codeword() >= dataCount) return true;
        if (!reader.Read(13, v)) return false;
        std::uint32_t code = (v / 0xC0) * 256 + v % 0xC0;
        code += code > 0x1EFF ? 0xC140 : 0x8140;
        if (!text.Append(static_cast<std::uint8_t>(code >> 8)) ||
            !text.Append(static_cast<std::uint8_t>(code & 0xFF)))
            return false;
    }
    return true;
}

// Reads an ECI designator: one, two or three bytes, told apart by their
// leading bits 0, 10 and 110, and notes its assignment number beside the
// text; false when the data ends inside it or its first byte starts none.
bool ReadEciDesignator(BitReader &reader, DecodedText &text) {
    std::uint32_t first = 0, rest = 0;
    if (!reader.Read(8, first)) return false;
    std::uint32_t eci = 0;
    if ((first & 0x80) == 0) {
        eci = first;
    } else if ((first & 0xC0) == 0x80) {
        if (!reader.Read(8, rest)) return false;
        eci = ((first & 0x3Fu) << 8) | rest;
    } else if ((first & 0xE0) == 0xC0) {
        if (!reader.Read(16, rest)) return false;
        eci = ((first & 0x1Fu) << 16) | rest;
    } else {
        return false;
    }
    text.details.eci.Add(eci, text.length);
    return true;
}

// In FNC1 mode an alphanumeric segment's '%' stands for FNC1 (the group
// separator) and "%%" for '%': rewrites the segment's bytes from `start`.
void MapFnc1Percent(std::size_t start, DecodedText &text) {
    std::size_t out = start;
    for (std::size_t i = start; i < text.length; ++i, ++out) {
        if (text.bytes[i] != '%') {
            text.bytes[out] = text.bytes[i];
        } else if (i + 1 < text.length && text.bytes[i + 1] == '%') {
            text.bytes[out] = '%';
            ++i;
        } else {
            text.bytes[out] = kGroupSeparator;
        }
    }
    std::fill(text.bytes.begin() + static_cast<std::ptrdiff_t>(out),
              text.bytes.begin() + static_cast<std::ptrdiff_t>(text.length), 0);
    text.length = out;
}

Outcome DecodeSegments(const std::uint8_t *codewords, std::size_t dataCount, int version, DecodedText &text,
                       SegmentModes modes) {
    text.length = 0;
    text.details = TextDetails{};
    const bool allModes = modes == SegmentModes::kAll;
    BitReader reader(codewords, dataCount * 8);
    std::uint32_t mode = 0, count = 0;
    while (reader.Remaining() >= 4) {
        reader.Read(4, mode);
        bool decoded = true;
        switch (mode) {
            case kModeTerminator:
                return Outcome::kDecoded;
            case kModeEci:
                // Ending the text here would report a symbol without its data.
                decoded = ReadEciDesignator(reader, text);
                break;
            case kModeNumeric:
                if (!reader.Read(CountBits(0, version), count)) return Outcome::kDataEnded;
                decoded = DecodeNumeric(reader, count, text);
                break;
            case kModeAlphanumeric: {
                if (!reader.Read(CountBits(1, version), count)) return Outcome::kDataEnded;
                const std::size_t start = text.length;
                decoded = DecodeAlphanumeric(reader, count, text);
                if (decoded && text.details.fnc1 != Fnc1::kNone) MapFnc1Percent(start, text);
                break;
            }
            case kModeFnc1First:
                if (!allModes) return Outcome::kModeNotDecoded;
                text.details.fnc1 = Fnc1::kFirst;
                break;
            case kModeFnc1Second:
                if (!allModes) return Outcome::kModeNotDecoded;
                if (!reader.Read(kApplicationIndicatorBits, count)) return Outcome::kDataEnded;
                text.details.fnc1 = Fnc1::kSecond;
                text.details.applicationIndicator = static_cast<std::uint8_t>(count);
                break;
            case kModeStructuredAppend:
                if (!allModes) return Outcome::kModeNotDecoded;
                if (!reader.Read(kStructuredAppendBits, count)) return Outcome::kDataEnded;
                break;
            case kModeByte:
                if (!reader.Read(CountBits(2, version), count)) return Outcome::kDataEnded;
                decoded = DecodeBytes(reader, count, dataCount, text);
                break;
            case kModeKanji:
                if (!reader.Read(CountBits(3, version), count)) return Outcome::kDataEnded;
                decoded = DecodeKanji(reader, count, dataCount, text);
                break;
            default:
                return Outcome::kModeNotDecoded;
        }
        if (!decoded) return Outcome::kDataEnded;
    }
    return Outcome::kDecoded;
}

}  // namespace zr::qr
