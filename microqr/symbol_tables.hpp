// Published Micro QR tables (ISO/IEC 18004): the 32 format words, capacities
// by version and error-correction level, and the data segment parameters of
// each version.
#pragma once

#include <array>
#include <cstdint>

namespace zr::microqr {

// Format information: 5 data bits k (symbol number << 2 | mask) followed by
// the 10 check bits of the BCH(15,5) code with generator
// x^10 + x^8 + x^5 + x^4 + x^2 + x + 1, the whole word masked with 0x4445.
constexpr std::uint16_t kFormatGenerator = 0x537;
constexpr std::uint16_t kFormatXorMask = 0x4445;
constexpr int kFormatWordCount = 32;
constexpr int kFormatBits = 15;

constexpr std::uint16_t FormatWordOf(std::uint16_t k) {
    std::uint32_t remainder = std::uint32_t{k} << 10;
    for (int bit = 14; bit >= 10; --bit) {
        if ((remainder >> bit) & 1) remainder ^= std::uint32_t{kFormatGenerator} << (bit - 10);
    }
    return static_cast<std::uint16_t>(((std::uint32_t{k} << 10) | remainder) ^ kFormatXorMask);
}

constexpr std::array<std::uint16_t, kFormatWordCount> MakeFormatWords() {
    std::array<std::uint16_t, kFormatWordCount> words{};
    for (std::uint16_t k = 0; k < kFormatWordCount; ++k) words[k] = FormatWordOf(k);
    return words;
}

// The valid words as read from a symbol, in increasing k.
constexpr std::array<std::uint16_t, kFormatWordCount> kFormatWords = MakeFormatWords();
static_assert(kFormatWords[0] == 0x4445 && kFormatWords[1] == 0x4172 && kFormatWords[2] == 0x4E2B &&
                  kFormatWords[3] == 0x4B1C,
              "format words follow the published table");

// Symbol number (high three bits of k) -> version 1..4 and level
// (0 = L, or error detection only for M1; 1 = M; 2 = Q).
struct SymbolNumber {
    std::uint8_t version;
    std::uint8_t level;
};
constexpr std::array<SymbolNumber, 8> kSymbolNumbers = {{
    {1, 0},
    {2, 0},
    {2, 1},
    {3, 0},
    {3, 1},
    {4, 0},
    {4, 1},
    {4, 2},
}};

constexpr int kMinVersion = 1;
constexpr int kMaxVersion = 4;
constexpr int kMaxLevel = 2;
constexpr int kMaxSymbolSize = 17;
constexpr int kMaxCodewords = 24;

constexpr int SymbolSize(int version) {
    return 2 * version + 9;
}

// Codeword counts of one version and level; all zero when the pair does not exist.
struct Capacity {
    int totalCodewords;
    int ecCodewords;
    int dataBits;
    constexpr int DataCodewords() const { return totalCodewords - ecCodewords; }
};

// [version - 1][level]
constexpr Capacity kCapacities[kMaxVersion][kMaxLevel + 1] = {
    {{5, 2, 20}, {0, 0, 0}, {0, 0, 0}},
    {{10, 5, 40}, {10, 6, 32}, {0, 0, 0}},
    {{17, 6, 84}, {17, 8, 68}, {0, 0, 0}},
    {{24, 8, 128}, {24, 10, 112}, {24, 14, 80}},
};

constexpr Capacity MicroCapacity(int version, int level) {
    if (version < kMinVersion || version > kMaxVersion || level < 0 || level > kMaxLevel) return {0, 0, 0};
    return kCapacities[version - 1][level];
}

// Data bits of a version and level; 0 for any other pair.
constexpr int MicroDataBits(int version, int level) {
    return MicroCapacity(version, level).dataBits;
}

// Mode values of the data segments.
enum class Mode : std::uint8_t { Numeric = 0, Alphanumeric = 1, Byte = 2, Kanji = 3 };
constexpr int kModeCount = 4;

// Segment parameters per version; a count width of 0 means the mode does not exist.
struct SegmentParameters {
    int shortestSegment;  // bits of the shortest possible segment
    int terminatorBits;
    int modeBits;
    int countBits[kModeCount];  // numeric, alphanumeric, byte, Kanji
};

constexpr SegmentParameters kSegmentParameters[kMaxVersion] = {
    {7, 3, 0, {3, 0, 0, 0}},
    {9, 5, 1, {4, 3, 0, 0}},
    {11, 7, 2, {5, 4, 4, 3}},
    {13, 9, 3, {6, 5, 5, 4}},
};

}  // namespace zr::microqr
