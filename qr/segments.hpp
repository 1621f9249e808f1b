// Data segments of QR-family symbols: a bit reader over the corrected data
// codewords and the numeric, alphanumeric, byte and Kanji character groups.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "qr/qr_status.hpp"

namespace zr::qr {

constexpr std::size_t kMaxText = 7090;

// The ECI designators met in the data: each assignment number with the text
// length at which it takes effect. They do not change the bytes; the C
// record reports the bytes only, the C++ interface reads them with these.
struct EciMarks {
    static constexpr std::size_t kCapacity = 8;  // more designators than these are not recorded
    struct Mark {
        std::uint32_t eci = 0;
        std::size_t position = 0;
    };
    std::array<Mark, kCapacity> marks{};
    std::size_t count = 0;

    void Add(std::uint32_t eci, std::size_t position) {
        if (count < kCapacity) marks[count++] = Mark{eci, position};
    }
};

// Where a symbol's FNC1 mode indicator marks its data (ISO/IEC 18004 7.4.8):
// first position, GS1 data; second position, an industry's format named by
// its application indicator.
enum class Fnc1 : std::uint8_t { kNone, kFirst, kSecond };

// What the bytes alone do not tell: the ECI designators and the FNC1 mode.
struct TextDetails {
    EciMarks eci;
    Fnc1 fnc1 = Fnc1::kNone;
    std::uint8_t applicationIndicator = 0;  // with Fnc1::kSecond
};

// Decoded bytes with their count; appending past the capacity fails.
struct DecodedText {
    std::array<std::uint8_t, kMaxText> bytes{};
    std::size_t length = 0;
    TextDetails details;

    void Clear() {
        bytes.fill(0);
        length = 0;
        details = TextDetails{};
    }
    bool Append(std::uint8_t b) {
        if (length >= bytes.size()) return false;
        bytes[length++] = b;
        return true;
    }
};

// Reads fields most significant bit first from the first `bitCount` bits of
// the codewords.
class BitReader {
  public:
    BitReader(const std::uint8_t *codewords, std::size_t bitCount)
        : codewords_(codewords), bitCount_(bitCount) {}
    std::size_t Remaining() const { return bitCount_ - position_; }
    // Index of the codeword holding the next bit.
    std::size_t Codeword() const { return position_ >> 3; }
    // An n-bit field (n <= 16); false, with nothing read, when fewer bits remain.
    bool Read(int n, std::uint32_t &value);

  private:
    const std::uint8_t *codewords_;
    std::size_t bitCount_;
    std::size_t position_ = 0;
};

// Character groups of one segment of `count` characters. Each returns true,
// or false when the data ended (the stream ended inside a group, a group
// value that no character has, or the text is full).
bool DecodeNumeric(BitReader &reader, std::uint32_t count, DecodedText &text);
bool DecodeAlphanumeric(BitReader &reader, std::uint32_t count, DecodedText &text);
// Byte and Kanji segments end quietly (true) when the count runs past the data codewords.
bool DecodeBytes(BitReader &reader, std::uint32_t count, std::size_t dataCount, DecodedText &text);
bool DecodeKanji(BitReader &reader, std::uint32_t count, std::size_t dataCount, DecodedText &text);

// The mode indicators the segment decoder takes. The first look takes the
// data modes and ECI; the second also takes FNC1 in first and second
// position (GS1 and industry data: '%' in alphanumeric segments stands for
// FNC1, the group separator 0x1D, and "%%" for '%') and the structured-append
// header, which it passes over.
enum class SegmentModes : std::uint8_t { kDataAndEci, kAll };

// The segments of a QR Code symbol's data codewords: kDecoded, kDataEnded or kModeNotDecoded.
Outcome DecodeSegments(const std::uint8_t *codewords, std::size_t dataCount, int version, DecodedText &text,
                       SegmentModes modes = SegmentModes::kDataAndEci);

}  // namespace zr::qr
