// The symbol-character table of the three clusters and the lookup of one
// pattern in a cluster's section.
#pragma once

#include <cstdint>

namespace zr::pdf417 {

constexpr int kClusterCount = 3;      // sections for the clusters 0, 3 and 6
constexpr int kCodewordValues = 929;  // codeword values 0 to 928
constexpr int kModulesPerCodeword = 17;
constexpr int kElementsPerCodeword = 8;

// Eight element widths as ASCII digits "1" to "6", a NUL and three zero
// bytes, then the codeword value.
struct PatternEntry {
    char widths[12];
    std::int32_t value;
};
static_assert(sizeof(PatternEntry) == 16, "16-byte table entries");

// Sections in the cluster order 0, 3, 6; each sorted by its digit strings.
extern const PatternEntry Pdf417PatternTable[kClusterCount][kCodewordValues];

// The section as a tree of shared leading digits: for entry k and a digit
// count n, the first entry after k whose first n digits differ from k's
// (kCodewordValues when none does). The nearest-pattern search steps from
// digit to digit down this tree, and over the entries that share digits
// already too far, in one go.
struct PrefixJumps {
    std::uint16_t next[kClusterCount][kCodewordValues][kElementsPerCodeword + 1];
};
extern const PrefixJumps Pdf417PrefixJumps;

// Section index (0, 1, 2) of a pattern's cluster from its bar widths, or -1
// when the pattern belongs to none of the three clusters.
constexpr int SectionOfBars(int b1, int b2, int b3, int b4) {
    const int cluster = ((b1 - b2 + b3 - b4) % 9 + 9) % 9;
    return cluster % 3 == 0 ? cluster / 3 : -1;
}

// Binary search of eight digits in a section: the codeword value, or -1.
int FindPattern(int section, const char digits[kElementsPerCodeword]);

}  // namespace zr::pdf417
