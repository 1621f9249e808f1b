// The vector width match against the scalar reference on random widths:
// near matches, differences just past the tolerance in any one of the nine,
// and widths up to 65535 where a byte or a signed lane would overflow.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "bar/match_widths.hpp"

namespace zr::bar {
namespace {

TEST(MatchWidths, EqualsTheScalarReference) {
    std::mt19937 random(11);
    int matches = 0;
    for (int trial = 0; trial < 200000; ++trial) {
        ProbeWidths reference;
        std::array<std::uint16_t, kProbeElements + 3> widths{};  // the line goes on past the nine
        const bool huge = trial % 7 == 0;
        for (std::size_t i = 0; i < reference.size(); ++i) {
            reference[i] = static_cast<std::uint16_t>(huge ? random() % 65536 : 1 + random() % 12);
            const int offset = static_cast<int>(random() % 7) - 3;  // -3 .. 3, tolerance 2
            widths[i] = static_cast<std::uint16_t>(std::clamp(int{reference[i]} + offset, 0, 65535));
        }
        if (trial % 5 == 0) widths[random() % kProbeElements] = static_cast<std::uint16_t>(random() % 65536);
        const int expected = MatchWidthsScalar(widths.data(), reference);
        ASSERT_EQ(MatchWidths(widths.data(), reference), expected) << trial;
        matches += expected >= 0 ? 1 : 0;
    }
    EXPECT_GT(matches, 1000);  // both outcomes are exercised
    // The tolerance's edge in the ninth, which the vector compares on its own.
    ProbeWidths reference{};
    reference.fill(5);
    std::array<std::uint16_t, kProbeElements> widths{};
    widths.fill(5);
    widths[8] = 7;
    EXPECT_EQ(MatchWidths(widths.data(), reference), 2);
    widths[8] = 8;
    EXPECT_EQ(MatchWidths(widths.data(), reference), -1);
}

}  // namespace
}  // namespace zr::bar
