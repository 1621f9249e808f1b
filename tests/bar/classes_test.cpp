// Width classification: histogram boundaries, single-line, averaged and
// quarter-range classes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

#include "bar/classes.hpp"
#include "bar/decoder_tables.hpp"
#include "decode_test_util.hpp"

namespace zr::bar {
namespace {

using test::Code39Modules;
using test::Code39State;
using test::ScaleModules;

// A histogram with the given counts from `first` on.
WidthHistogram Histogram(int first, std::initializer_list<std::uint32_t> counts, int size = 40) {
    WidthHistogram h(size, 0);
    int i = first;
    for (std::uint32_t c : counts) h[i++] = c;
    return h;
}

TEST(ClassBoundary, SeparatesTwoClustersAtTheirGap) {
    const WidthHistogram h = Histogram(3, {5, 9, 4, 0, 0, 0, 3, 5, 2});  // 3..5 and 9..11
    EXPECT_EQ(ClassBoundary(h, 3, 11, 3, 2), 5);
    EXPECT_EQ(ClassBoundary(h, 6, 11, 6, 2), 11);  // the last cluster ends at the maximum
}

TEST(ClassBoundary, OneClusterEndsAtItsLastWidth) {
    EXPECT_EQ(ClassBoundary(Histogram(4, {2, 7, 3}), 4, 6, 4, 2), 6);
    // A single-bin cluster at the low end still closes above it.
    EXPECT_EQ(ClassBoundary(Histogram(4, {5, 0, 0, 0, 0, 0, 3}), 4, 10, 4, 2), 5);
}

TEST(ClassBoundary, SplitsTouchingClustersInTheMiddle) {
    // 3..5 and 6..8 without an empty bin between: the rise at 6 marks the
    // second cluster; the run 3..7 is split in the middle, above the peak.
    const WidthHistogram h = Histogram(3, {6, 9, 3, 5, 8, 2});
    EXPECT_EQ(ClassBoundary(h, 3, 8, 3, 2), 5);
}

TEST(ClassBoundary, EqualBinAfterThePeakCountsAsARise) {
    // 3..6 with two equal highest bins: split just above the first of them.
    EXPECT_EQ(ClassBoundary(Histogram(3, {4, 9, 9, 2}), 3, 6, 3, 2), 5);
}

TEST(ClassBoundary, FarFirstBinLeavesAnEmptyClass) {
    // Nothing within two windows of the start: the boundary stays one window up.
    const WidthHistogram h = Histogram(12, {4, 6, 2});
    EXPECT_EQ(ClassBoundary(h, 6, 14, 6, 2), 8);
    // Just inside two windows the cluster itself is found.
    EXPECT_EQ(ClassBoundary(h, 9, 14, 9, 2), 14);
    // Only empty bins up to the maximum.
    EXPECT_EQ(ClassBoundary(Histogram(20, {1}), 15, 20, 15, 2), 20);
}

TEST(ValleyFind, SeparatesTwoClusters) {
    const WidthHistogram h =
        Histogram(10, {1, 3, 5, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 4, 6, 3, 1});
    EXPECT_EQ(ValleyFind(h, 10, 32, 5), 14);
    // From the gap on, the search starts at the next occupied width.
    EXPECT_EQ(ValleyFind(h, 15, 32, 5), 32);
}

TEST(ValleyFind, TouchingClustersSplitBeforeTheRise) {
    const WidthHistogram h = Histogram(10, {1, 3, 5, 3, 2, 4, 6, 6, 4, 2, 1});  // 10..14 and 15..20
    EXPECT_EQ(ValleyFind(h, 10, 20, 5), 14);
}

TEST(ValleyFind, ShortOrSingleClusters) {
    // A run shorter than the window ends at its last occupied width.
    EXPECT_EQ(ValleyFind(Histogram(10, {2, 5, 1, 0, 0, 0, 0, 0, 3}), 10, 18, 5), 12);
    // A cluster running up to the maximum ends there.
    EXPECT_EQ(ValleyFind(Histogram(10, {1, 2, 3, 2, 1}), 10, 14, 2), 14);
    // A far first bin: the boundary is the end of that cluster.
    EXPECT_EQ(ValleyFind(Histogram(28, {2, 3, 1, 0, 0, 1}), 12, 33, 3), 30);
}

// Noise of -1, 0 or +1 pixel (each of the outer two on one element in five).
struct PixelNoise {
    std::mt19937 rng;
    explicit PixelNoise(unsigned seed) : rng(seed) {}
    int operator()(std::size_t) {
        const auto d = static_cast<unsigned>(rng() % 10);
        return d < 2 ? -1 : d >= 8 ? 1 : 0;
    }
};

std::string NarrowWide(const Widths &modules) {
    std::string s;
    for (std::uint16_t m : modules) s += m == 1 ? '0' : '1';
    return s;
}

// Moves every third wide element by one pixel, alternately down and up
// (narrow ones stay).
auto SpreadWide(const Widths &modules) {
    return [&modules, k = 0](std::size_t i) mutable {
        if (modules[i] == 1) return 0;
        const int step = k++ % 6;
        return step == 2 ? -1 : step == 5 ? 1 : 0;
    };
}

TEST(ElementsToClasses, NarrowAndWideWidths) {
    const Widths modules = Code39Modules("CODE39");
    const std::string expected = NarrowWide(modules);
    // One width per class: "0" and "1" at any ratio (a wide cluster in a
    // single bin is the group's maximum).
    for (const auto &[narrow, wide] :
         {std::pair{2, 4}, {2, 5}, {2, 6}, {3, 6}, {3, 8}, {3, 9}, {4, 8}, {4, 12}, {6, 12}, {6, 18}}) {
        EXPECT_EQ(ElementsToClasses(ScaleModules(modules, narrow, wide), 1), expected)
            << narrow << ":" << wide;
    }
    // Wide elements spread over three widths but within two windows of the
    // narrow ones: still "1".
    for (const auto &[narrow, wide] : {std::pair{3, 8}, {4, 8}, {5, 10}}) {
        EXPECT_EQ(ElementsToClasses(ScaleModules(modules, narrow, wide, SpreadWide(modules)), 1), expected)
            << narrow << ":" << wide << " spread";
    }
    // Spread and beyond two windows: the class in between is left empty (as
    // for a missing module count), so the wide elements are not "1".
    for (const auto &[narrow, wide] : {std::pair{4, 12}, {6, 15}}) {
        const std::string classes =
            ElementsToClasses(ScaleModules(modules, narrow, wide, SpreadWide(modules)), 1);
        ASSERT_EQ(classes.size(), modules.size());
        for (std::size_t i = 0; i < classes.size(); ++i) {
            if (modules[i] == 1) {
                EXPECT_EQ(classes[i], '0') << narrow << ":" << wide << " at " << i;
            } else {
                EXPECT_GT(classes[i], '1') << narrow << ":" << wide << " at " << i;
            }
        }
    }
}

TEST(ElementsToClasses, GroupsFollowTheBarColour) {
    // Bars 3 or 7 pixels; spaces 4 or 14 (every third wide one 15). The light
    // group's window is 2 ((15 - 4 - 1) / 4 truncated), the dark group's 3
    // (rounded): as light elements the wide spaces land two empty classes up
    // ("3"), as dark elements one ("2").
    const Widths modules = Code39Modules("AB");
    Widths widths;
    std::string asLight;
    std::string asDark;
    int wideSpaces = 0;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        const bool wide = modules[i] != 1;
        const bool bar = i % 2 == 0;
        widths.push_back(bar ? (wide ? 7 : 3) : !wide ? 4 : wideSpaces++ % 3 == 2 ? 15 : 14);
        asLight += !wide ? '0' : bar ? '1' : '3';
        asDark += !wide ? '0' : bar ? '1' : '2';
    }
    EXPECT_EQ(ElementsToClasses(widths, 1), asLight);
    EXPECT_EQ(ElementsToClasses(widths, 2), asDark);
    EXPECT_EQ(ElementsToClasses({}, 1), "");
    EXPECT_EQ(ElementsToClasses({5}, 1), "0");
}

TEST(ElementsToClasses, NarrowSpreadSplitsInTheMiddle) {
    // Bars 2, 2, 3, 4, 4, 6 (range 4): the histogram alone would split after
    // 2, the narrow-spread rule splits at (2 + 6) / 2.
    EXPECT_EQ(ElementsToClasses({2, 1, 2, 1, 3, 1, 4, 1, 4, 1, 6}, 1), "00000000001");
}

// Noisy lines at narrow widths 2..6 and ratios 2:1..3:1 read as Code 39 from
// their single-line classes, or, where the wide cluster lies too far above the
// narrow one, through the Code 39 retry.
TEST(ElementsToClasses, NoisyCode39LinesDecode) {
    const Widths modules = Code39Modules("CODE39 TEST-42");
    unsigned seed = 1;
    for (int narrow = 2; narrow <= 6; ++narrow) {
        for (double ratio : {2.0, 2.5, 3.0}) {
            const int wide = static_cast<int>(ratio * narrow + 0.5);
            int read = 0;
            constexpr int kLines = 30;
            for (int line = 0; line < kLines; ++line) {
                PixelNoise noise(seed++);
                // At 2 pixels a pixel of noise makes 2:1 ambiguous: keep it clean.
                const Widths widths = narrow == 2 && ratio == 2.0
                                          ? ScaleModules(modules, narrow, wide)
                                          : ScaleModules(modules, narrow, wide, noise);
                DecodeState state = Code39State();
                DecodeOutcome status = DecodeStringTables(ElementsToClasses(widths, 1), state);
                if (!Decoded(status)) status = Code39Retry(widths, state);
                if (Decoded(status) && std::string(state.text) == "CODE39 TEST-42") ++read;
            }
            EXPECT_GE(read, kLines * 9 / 10) << narrow << " px, " << ratio << ":1";
        }
    }
}

TEST(AveragedToClasses, QuarterPixelAverages) {
    // Averaged readings: 3-pixel narrow and 7.5-pixel wide elements in quarter
    // pixels, spread by up to half a pixel.
    const Widths modules = Code39Modules("AVERAGE 42");
    std::mt19937 rng(3);
    Widths widths;
    for (std::uint16_t m : modules)
        widths.push_back(static_cast<std::uint16_t>((m == 1 ? 12 : 30) + static_cast<int>(rng() % 5) - 2));
    EXPECT_EQ(AveragedToClasses(widths, 1), NarrowWide(modules));
    DecodeState state = Code39State();
    EXPECT_TRUE(Decoded(DecodeStringTables(AveragedToClasses(widths, 1), state)));
    EXPECT_STREQ(state.text, "AVERAGE 42");
    // Widths up to the 16-bit limit are classified without overflow.
    const Widths huge = ScaleModules(modules, 30000, 65535);
    EXPECT_EQ(AveragedToClasses(huge, 1), NarrowWide(modules));
    EXPECT_EQ(ElementsToClasses(huge, 1), NarrowWide(modules));
}

TEST(AveragedToClasses, LightWindowIsOneWider) {
    // Spaces 10..14 with a stray 16 and wide ones 30..33; bars all 12. The
    // light window (7) reaches the stray width from the narrow cluster, the
    // dark one (6) does not.
    const Widths spaces = {10, 11, 12, 12, 12, 13, 14, 16, 30, 31, 31, 33};
    Widths widths;
    for (std::uint16_t w : spaces) widths.insert(widths.end(), {12, w});
    widths.push_back(12);
    std::string asLight;
    std::string asDark;
    for (std::uint16_t w : spaces) {
        asLight += std::string("0") + (w <= 16 ? '0' : '1');
        asDark += std::string("0") + (w <= 14 ? '0' : w == 16 ? '1' : '2');
    }
    EXPECT_EQ(AveragedToClasses(widths, 1), asLight + "0");
    EXPECT_EQ(AveragedToClasses(widths, 2), asDark + "0");
}

TEST(QuarterClasses, FixedQuarterRanges) {
    // m = 4, M = 12: q = 2.25, boundary 1 = 5; the next occupied width is 12,
    // boundary 2 = 13 covers the rest.
    EXPECT_EQ(QuarterClasses({4, 4, 12, 4, 4}, 1), "00100");
    // Four spread widths 2, 5, 8, 11 in one group (every other element):
    // q = 2.5, boundaries 4, 7 (from 5), 10 (from 8).
    EXPECT_EQ(QuarterClasses({2, 1, 5, 1, 8, 1, 11}, 1), "0010203");
    // A single width: everything narrow.
    EXPECT_EQ(QuarterClasses({3, 3, 3}, 1), "000");
}

}  // namespace
}  // namespace zr::bar
