// Format and version information words by nearest codeword: the codes are
// small enough to compare with every codeword.
#include "qr/info_words.hpp"

#include <bitset>

namespace zr::qr {

namespace {

constexpr std::uint32_t kFormatGenerator = 0x537;    // x^10 + x^8 + x^5 + x^4 + x^2 + x + 1
constexpr std::uint32_t kFormatMask = 0x5412;        // 101010000010010
constexpr std::uint32_t kVersionGenerator = 0x1F25;  // x^12 + x^11 + x^10 + x^9 + x^8 + x^5 + x^2 + 1
constexpr int kFormatCheckBits = 10, kVersionCheckBits = 12;
constexpr int kFormatWords = 32;
constexpr int kFirstVersionWithWord = 7, kLastVersion = 40;

// data x^checkBits, followed by its remainder modulo the generator.
constexpr std::uint32_t SystematicWord(std::uint32_t data, std::uint32_t generator, int checkBits) {
    std::uint32_t remainder = data << checkBits;
    for (int bit = 31; bit >= checkBits; --bit)
        if (remainder & (std::uint32_t{1} << bit)) remainder ^= generator << (bit - checkBits);
    return (data << checkBits) | remainder;
}

int Distance(std::uint32_t p, std::uint32_t q) {
    return static_cast<int>(std::bitset<32>(p ^ q).count());
}

}  // namespace

std::uint32_t FormatWord(int level, int mask) {
    const auto data = static_cast<std::uint32_t>(((level & 3) << 3) | (mask & 7));
    return SystematicWord(data, kFormatGenerator, kFormatCheckBits) ^ kFormatMask;
}

FormatMatch NearestFormat(std::uint32_t bits) {
    FormatMatch best;
    best.distance = kFormatWords;
    for (int data = 0; data < kFormatWords; ++data) {
        const int d = Distance(bits, FormatWord(data >> 3, data & 7));
        if (d < best.distance) {
            best.distance = d;
            best.level = static_cast<std::uint8_t>(data >> 3);
            best.mask = static_cast<std::uint8_t>(data & 7);
        }
    }
    return best;
}

std::uint32_t VersionWord(int version) {
    return SystematicWord(static_cast<std::uint32_t>(version), kVersionGenerator, kVersionCheckBits);
}

VersionMatch NearestVersion(std::uint32_t bits) {
    VersionMatch best;
    best.distance = kVersionCheckBits + 6 + 1;
    for (int v = kFirstVersionWithWord; v <= kLastVersion; ++v) {
        const int d = Distance(bits, VersionWord(v));
        if (d < best.distance) best = {v, d};
    }
    return best;
}

}  // namespace zr::qr
