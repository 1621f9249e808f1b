// The two BCH-protected information words of a QR Code symbol, read by
// nearest codeword: the 15-bit format information (BCH(15,5), 32 words) and
// the 18-bit version information of versions 7 and up (BCH(18,6), 34 words),
// both as ISO/IEC 18004 defines them.
#pragma once

#include <cstdint>

namespace zr::qr {

// Both words correct up to three wrong bits; a read farther than that from
// every codeword is no word at all.
constexpr int kMaxInfoWordErrors = 3;

struct FormatMatch {
    std::uint8_t level = 0, mask = 0;  // level as its two format bits, mask 0..7
    int distance = 0;                  // wrong bits
};

// The format codeword nearest to the 15 bits as read (bit k the module of
// power k, the format mask still applied).
FormatMatch NearestFormat(std::uint32_t bits);

// The format codeword of a level and mask, the format mask applied.
std::uint32_t FormatWord(int level, int mask);

struct VersionMatch {
    int version = 0;  // 7..40
    int distance = 0;
};

// The version codeword nearest to the 18 bits as read (bit k the module of power k).
VersionMatch NearestVersion(std::uint32_t bits);

// The version information codeword of version 7..40.
std::uint32_t VersionWord(int version);

}  // namespace zr::qr
