// The one-step preparation against the step-by-step one: same picture,
// same threshold, same bits; and its fast pieces against plain versions.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/grey.hpp"
#include "core/image.hpp"
#include "core/prepare.hpp"
#include "test_dib.hpp"

namespace {

using zr_test::MakeDib;

TEST(PrepareTest, IntegerGreyMatchesTheDoubleFormulaForEveryColour) {
    long mismatches = 0;
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned g = 0; g < 256; ++g)
            for (unsigned r = 0; r < 256; ++r) {
                const auto expected = static_cast<std::uint8_t>(0.11 * b + 0.59 * g + 0.30 * r + 0.5);
                const std::uint8_t got = zr::prepare::GreyOfBgr(
                    static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r));
                mismatches += got != expected;
            }
    EXPECT_EQ(mismatches, 0);
}

// Every colour through a row converter: rows of 65,536 pixels, one per
// blue level, against the double formula, with the counts checked too.
void ExpectEveryColourConverted(void (*convert)(const std::uint8_t *, std::uint32_t, std::uint8_t *,
                                                zr::prepare::HistogramPair &)) {
    std::vector<std::uint8_t> bgr(3 * 65536), grey(65536);
    long mismatches = 0;
    zr::prepare::HistogramPair counts{};
    zr::Histogram expectedCounts{};
    for (unsigned b = 0; b < 256; ++b) {
        for (unsigned i = 0; i < 65536; ++i) {
            bgr[3 * i] = static_cast<std::uint8_t>(b);
            bgr[3 * i + 1] = static_cast<std::uint8_t>(i >> 8);
            bgr[3 * i + 2] = static_cast<std::uint8_t>(i);
        }
        convert(bgr.data(), 65536, grey.data(), counts);
        for (unsigned i = 0; i < 65536; ++i) {
            const auto expected =
                static_cast<std::uint8_t>(0.11 * b + 0.59 * (i >> 8) + 0.30 * (i & 0xFF) + 0.5);
            mismatches += grey[i] != expected;
            ++expectedCounts[expected];
        }
    }
    EXPECT_EQ(mismatches, 0);
    for (std::size_t i = 0; i < expectedCounts.size(); ++i)
        EXPECT_EQ(counts[0][i] + counts[1][i], expectedCounts[i]);
}

TEST(PrepareTest, RowConvertersMatchTheDoubleFormulaForEveryColour) {
    ExpectEveryColourConverted(zr::prepare::BgrRowToGreyScalar);
    if (zr::prepare::HasSsse3()) ExpectEveryColourConverted(zr::prepare::BgrRowToGreySsse3);
}

TEST(PrepareTest, VectorGreyMatchesScalarGreyOnRandomRows) {
    if (!zr::prepare::HasSsse3()) GTEST_SKIP() << "no SSSE3 on this processor";
    std::mt19937 random(5);
    for (int trial = 0; trial < 300; ++trial) {
        const auto n = static_cast<std::uint32_t>(random() % 100);
        std::vector<std::uint8_t> bgr(3 * n + 1);
        for (auto &byte : bgr) byte = static_cast<std::uint8_t>(random());
        std::vector<std::uint8_t> fast(n + 1, 0xA5), plain(n + 1, 0xA5);
        zr::prepare::HistogramPair fastCounts{}, plainCounts{};
        fastCounts[0][3] = plainCounts[0][3] = 7;  // counts are added to
        zr::prepare::BgrRowToGreySsse3(bgr.data(), n, fast.data(), fastCounts);
        zr::prepare::BgrRowToGreyScalar(bgr.data(), n, plain.data(), plainCounts);
        ASSERT_EQ(fast, plain) << "n " << n;
        ASSERT_EQ(fastCounts, plainCounts) << "n " << n;
    }
}

TEST(PrepareTest, VectorPackingMatchesScalarPacking) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 200; ++trial) {
        const auto count = static_cast<std::uint32_t>(8 * (random() % 70));
        std::vector<std::uint8_t> grey(count + 1);
        for (auto &level : grey) level = static_cast<std::uint8_t>(random());
        const auto threshold = static_cast<std::uint8_t>(trial == 0 ? 0 : trial == 1 ? 255 : random());
        std::vector<std::uint8_t> fast(count / 8 + 1, 0xA5), plain(count / 8 + 1, 0xA5);
        zr::prepare::PackDark(grey.data(), count, threshold, fast.data());
        zr::prepare::PackDarkScalar(grey.data(), count, threshold, plain.data());
        ASSERT_EQ(fast, plain) << "count " << count << " threshold " << int{threshold};
    }
}

// Every level against every threshold, in each lane of the vector steps and
// the scalar tail: a sign slip at 128 or a misplaced bit weight shows at once.
TEST(PrepareTest, PackingMarksExactlyTheLevelsBelowTheThreshold) {
    constexpr std::uint32_t kCount = 256 + 64 + 16 + 8;  // the 64-, 16- and 8-pixel steps
    std::vector<std::uint8_t> grey(kCount);
    for (std::uint32_t i = 0; i < kCount; ++i) grey[i] = static_cast<std::uint8_t>(i * 37 + i / 256);
    std::vector<std::uint8_t> packed(kCount / 8);
    for (unsigned threshold = 0; threshold < 256; ++threshold) {
        zr::prepare::PackDark(grey.data(), kCount, static_cast<std::uint8_t>(threshold), packed.data());
        for (std::uint32_t i = 0; i < kCount; ++i) {
            const bool marked = ((packed[i / 8] >> (7 - i % 8)) & 1u) != 0;
            ASSERT_EQ(marked, grey[i] < threshold) << "pixel " << i << " threshold " << threshold;
        }
    }
}

// Loads a DIB both ways and compares every field and byte of the results.
void ExpectSameWorkingImage(const std::vector<std::uint8_t> &dib, std::uint16_t polarity) {
    ZrImage stepwise{};
    stepwise.polarity = polarity;
    ASSERT_EQ(zr::ImageFromDib(&stepwise, dib.data()), ZR_OK);
    ASSERT_EQ(zr::ImageToMono(&stepwise), ZR_OK);
    ZrImage direct{};
    direct.polarity = polarity;
    ASSERT_EQ(zr::DibToBiLevel(&direct, dib.data()), ZR_OK);
    EXPECT_EQ(direct.width, stepwise.width);
    EXPECT_EQ(direct.height, stepwise.height);
    EXPECT_EQ(direct.bitsPerPixel, 1);
    EXPECT_EQ(direct.pitch, stepwise.pitch);
    EXPECT_EQ(direct.size, stepwise.size);
    EXPECT_EQ(direct.xDpi, stepwise.xDpi);
    EXPECT_EQ(direct.polarity, stepwise.polarity);
    ASSERT_EQ(zr::ImageDibSize(&direct), zr::ImageDibSize(&stepwise));
    EXPECT_EQ(std::memcmp(direct.dib, stepwise.dib, zr::ImageDibSize(&direct)), 0);
    zr::ImageDestroy(&direct);
    zr::ImageDestroy(&stepwise);
}

TEST(PrepareTest, DirectLoadingGivesTheStepwiseWorkingImage) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 40; ++trial) {
        const auto width = static_cast<std::int32_t>(1 + random() % 90);
        const auto height = static_cast<std::int32_t>(1 + random() % 20);
        const std::uint16_t depth = trial % 3 == 0 ? 24 : 8;
        std::vector<std::uint8_t> dib = MakeDib(width, height, depth);
        const std::size_t pixelsAt = 40 + (depth == 8 ? 1024 : 0);
        // Level bands plus noise, so that the threshold falls between them.
        for (std::size_t i = pixelsAt; i < dib.size(); ++i)
            dib[i] = static_cast<std::uint8_t>((random() % 2 ? 40 : 200) + random() % 30);
        // Every fourth 8-bit picture gets a palette that is not a grey ramp.
        if (depth == 8 && trial % 4 == 1)
            for (std::size_t i = 0; i < 1024; ++i) dib[40 + i] = static_cast<std::uint8_t>(random());
        ExpectSameWorkingImage(dib, static_cast<std::uint16_t>(trial % 2));
    }
}

// An 8-bit picture with a colour palette takes each entry's weighted grey, so
// it gives the working image of the same picture at 24 bits: black on yellow
// paper and blue ink on white are read, not lost to the blue byte alone.
TEST(PrepareTest, ColourPalettesGiveTheWorkingImageOfTheTwentyFourBitCopy) {
    struct Colours {
        std::uint8_t ink[3];  // blue, green, red
        std::uint8_t paper[3];
    };
    const Colours cases[] = {{{0, 0, 0}, {0, 230, 250}}, {{170, 60, 20}, {255, 255, 255}}};
    std::mt19937 random(5);
    for (const Colours &c : cases) {
        const std::int32_t width = 45, height = 7;
        std::vector<std::uint8_t> indexed = MakeDib(width, height, 8);
        std::vector<std::uint8_t> colour = MakeDib(width, height, 24);
        std::memcpy(&indexed[40], c.ink, 3);
        std::memcpy(&indexed[44], c.paper, 3);
        const std::uint32_t indexedPitch = zr_test::Pitch(width, 8), colourPitch = zr_test::Pitch(width, 24);
        for (std::int32_t y = 0; y < height; ++y)
            for (std::int32_t x = 0; x < width; ++x) {
                const bool ink = random() % 3 == 0;
                indexed[40 + 1024 + y * indexedPitch + x] = ink ? 0 : 1;
                std::memcpy(&colour[40 + y * colourPitch + 3 * x], ink ? c.ink : c.paper, 3);
            }
        ZrImage fromIndexed{}, fromColour{};
        ASSERT_EQ(zr::DibToBiLevel(&fromIndexed, indexed.data()), ZR_OK);
        ASSERT_EQ(zr::DibToBiLevel(&fromColour, colour.data()), ZR_OK);
        EXPECT_EQ(zr_test::Pixels(fromIndexed), zr_test::Pixels(fromColour));
        EXPECT_NE(zr_test::Pixels(fromIndexed), zr_test::BlankPixels(width, height));
        zr::ImageDestroy(&fromIndexed);
        zr::ImageDestroy(&fromColour);
    }
}

// A 1-bit picture's dark bit value is that of the darker palette entry, by
// weighted grey: black on yellow paper stays dark on light either way round.
TEST(PrepareTest, OneBitPolarityFollowsTheDarkerPaletteEntry) {
    const std::uint8_t yellow[3] = {0, 230, 250}, navy[3] = {90, 20, 10};
    struct Case {
        const std::uint8_t *entry0;
        const std::uint8_t *entry1;
        std::uint16_t polarity;  // 1: bit value 0 is dark
    };
    const Case cases[] = {{yellow, navy, 0}, {navy, yellow, 1}};
    for (const Case &c : cases) {
        std::vector<std::uint8_t> dib = MakeDib(16, 2, 1);
        std::memcpy(&dib[40], c.entry0, 3);
        std::memcpy(&dib[44], c.entry1, 3);
        ZrImage image{};
        ASSERT_EQ(zr::DibToBiLevel(&image, dib.data()), ZR_OK);
        EXPECT_EQ(image.polarity, c.polarity);
        zr::ImageDestroy(&image);
    }
}

TEST(PrepareTest, BadHeadersAreRefusedAndLeaveTheRecordEmpty) {
    std::vector<std::uint8_t> dib = MakeDib(10, 10, 8);
    zr_test::PutAt<std::uint32_t>(dib, 16, 1);  // compressed
    ZrImage image{};
    EXPECT_EQ(zr::DibToBiLevel(&image, dib.data()), ZR_ERR_BAD_FORMAT);
    EXPECT_EQ(image.dib, nullptr);
    EXPECT_EQ(zr::DibToBiLevel(&image, nullptr), ZR_ERR_NULL_DIB);
    EXPECT_EQ(zr::DibToBiLevel(nullptr, dib.data()), ZR_ERR_NULL_IMAGE);
}

}  // namespace
