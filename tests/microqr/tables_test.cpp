// The format words, capacities and the module map of each version.
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <map>

#include "microqr/candidate.hpp"

namespace {

using namespace zr::microqr;

int Distance(std::uint16_t a, std::uint16_t b) {
    return static_cast<int>(std::bitset<16>(static_cast<unsigned>(a ^ b)).count());
}

TEST(FormatWords, AreSevenBitsApartSoThreeErrorsCorrect) {
    for (int i = 0; i < kFormatWordCount; ++i)
        for (int j = i + 1; j < kFormatWordCount; ++j)
            EXPECT_GE(Distance(kFormatWords[i], kFormatWords[j]), 7);
}

TEST(FormatWords, MatchWithUpToThreeFlippedBits) {
    for (const std::uint16_t word : kFormatWords) {
        ASSERT_EQ(MatchFormatWord(word), word);
        for (int a = 0; a < kFormatBits; ++a)
            for (int b = a + 1; b < kFormatBits; ++b)
                for (int c = b + 1; c < kFormatBits; ++c) {
                    const auto flipped = static_cast<std::uint16_t>(word ^ (1u << a) ^ (1u << b) ^ (1u << c));
                    ASSERT_EQ(MatchFormatWord(flipped), word) << std::hex << word << " " << flipped;
                }
    }
}

TEST(FormatWords, FourFlippedBitsNeverGiveBackTheWord) {
    const std::uint16_t word = kFormatWords[13];
    const auto flipped = static_cast<std::uint16_t>(word ^ 0x000F);
    const auto match = MatchFormatWord(flipped);
    if (match) {
        EXPECT_NE(*match, word);
    }
    // Bit patterns 4 or more bits from every valid word match nothing.
    int farPatterns = 0;
    for (unsigned bits = 0; bits < (1u << kFormatBits); ++bits) {
        int nearest = kFormatBits;
        for (const std::uint16_t w : kFormatWords)
            nearest = std::min(nearest, Distance(w, std::uint16_t(bits)));
        if (nearest < 4) continue;
        ++farPatterns;
        ASSERT_FALSE(MatchFormatWord(static_cast<std::uint16_t>(bits)).has_value()) << bits;
    }
    EXPECT_GT(farPatterns, 0);
}

TEST(Capacities, DataBitsFillTheDataCodewordsWithHalfCodewordsInM1AndM3) {
    for (int version = 1; version <= kMaxVersion; ++version)
        for (int level = 0; level <= kMaxLevel; ++level) {
            const Capacity c = MicroCapacity(version, level);
            if (c.totalCodewords == 0) continue;
            const int halfCodeword = version % 2 == 1 ? 4 : 0;
            EXPECT_EQ(c.dataBits, c.DataCodewords() * 8 - halfCodeword) << version << "/" << level;
            EXPECT_EQ(MicroDataBits(version, level), c.dataBits);
        }
    EXPECT_EQ(MicroDataBits(1, 1), 0);
    EXPECT_EQ(MicroDataBits(3, 2), 0);
    EXPECT_EQ(MicroDataBits(0, 0), 0);
    EXPECT_EQ(MicroDataBits(5, 0), 0);
}

struct VersionLevel {
    int version, level;
};
constexpr VersionLevel kAllSymbols[] = {{1, 0}, {2, 0}, {2, 1}, {3, 0}, {3, 1}, {4, 0}, {4, 1}, {4, 2}};

TEST(Placement, EveryCodewordBitHasExactlyOneModule) {
    for (const VersionLevel s : kAllSymbols) {
        const Capacity c = MicroCapacity(s.version, s.level);
        const int size = SymbolSize(s.version);
        ModuleMap map;
        PlaceMicroCodewordBits(map, size, c.dataBits);
        std::map<int, int> seen;
        int function = 0;
        for (int column = 0; column < size; ++column)
            for (int row = 0; row < size; ++row) {
                const int code = map.At(column, row);
                if (code == kFunctionModule) {
                    ++function;
                } else {
                    ++seen[code];
                }
            }
        EXPECT_EQ(function, 81 + 2 * (size - 9));
        const int lastData = c.DataCodewords();
        for (int codeword = 1; codeword <= c.totalCodewords; ++codeword)
            for (int bit = 0; bit < 8; ++bit) {
                const bool half = c.dataBits % 8 != 0 && codeword == lastData && bit < 4;
                const auto found = seen.find(codeword * 10 + bit);
                EXPECT_EQ(found == seen.end() ? 0 : found->second, half ? 0 : 1)
                    << "M" << s.version << "/" << s.level << " codeword " << codeword << " bit " << bit;
            }
        EXPECT_EQ(static_cast<int>(seen.size()), c.dataBits + 8 * c.ecCodewords);
    }
}

}  // namespace
