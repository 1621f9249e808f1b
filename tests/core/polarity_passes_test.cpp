// The two-dimensional readers' front end on a scanner record of their shape:
// which flag values mean both passes under each rule, which passes run and
// over which picture, the colour each record gets, and the rectangle passed on.
#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "core/polarity_passes.hpp"

namespace {

struct FakeResult {
    std::uint8_t barsColour;
    std::uint8_t firstByte;  // the first picture byte the pass saw
};

struct FakeScanner {
    const void *image;
    std::uint32_t left, top, rectWidth, rectHeight;
    std::uint8_t resultCount;
    FakeResult *results;
    std::uint8_t maxResults;
    std::uint8_t scanFlags;
    double runTime;
};

constexpr std::uint8_t kAsGivenColour = 7;
constexpr std::uint8_t kInvertedColour = 9;
constexpr zr::PolarityScheme kNeitherBit{1, 2, kAsGivenColour, kInvertedColour,
                                         zr::PolarityScheme::Default::kNeitherPassBit};
constexpr zr::PolarityScheme kOutOfRange{1, 2, kAsGivenColour, kInvertedColour,
                                         zr::PolarityScheme::Default::kZeroOrAboveBothBits};

// A 1-bit picture of 16 x 4 pixels whose bytes are all 0x0F, and a scanner
// with room for eight records over it.
struct Fixture {
    ZrImage picture{};
    std::vector<FakeResult> records = std::vector<FakeResult>(8, FakeResult{0, 0});
    FakeScanner scanner{};

    Fixture() {
        picture.width = 16;
        picture.height = 4;
        picture.bitsPerPixel = 1;
        EXPECT_EQ(zr::ImageCreate(&picture), 0);
        auto *bits = static_cast<std::uint8_t *>(picture.bits);
        for (std::uint32_t i = 0; i < picture.size; ++i) bits[i] = 0x0F;
        scanner.results = records.data();
        scanner.maxResults = 8;
    }
    ~Fixture() { zr::ImageDestroy(&picture); }
    Fixture(const Fixture &) = delete;
    Fixture &operator=(const Fixture &) = delete;

    // Runs the passes; each stores `perPass` records noting the picture it saw.
    std::vector<std::uint8_t> Run(const zr::PolarityScheme &scheme, int perPass) {
        std::vector<std::uint8_t> seen;
        zr::RunPolarityPasses(scanner, picture, scheme, [&](ZrImage &image, const zr::SearchCorners &) {
            const std::uint8_t first = *static_cast<const std::uint8_t *>(image.bits);
            seen.push_back(first);
            for (int i = 0; i < perPass; ++i) scanner.results[scanner.resultCount++].firstByte = first;
        });
        return seen;
    }
};

TEST(PolarityPasses, EachRuleReadsItsOwnFlagValuesAsBothPasses) {
    // QR and Micro QR: any value without a pass bit.
    EXPECT_EQ(zr::DefaultedScanFlags(0, kNeitherBit), 3);
    EXPECT_EQ(zr::DefaultedScanFlags(4, kNeitherBit), 3);
    EXPECT_EQ(zr::DefaultedScanFlags(8, kNeitherBit), 3);
    EXPECT_EQ(zr::DefaultedScanFlags(5, kNeitherBit), 5);
    EXPECT_EQ(zr::DefaultedScanFlags(2, kNeitherBit), 2);
    EXPECT_EQ(zr::DefaultedScanFlags(255, kNeitherBit), 255);
    // DataMatrix: 0 or anything above 3.
    EXPECT_EQ(zr::DefaultedScanFlags(0, kOutOfRange), 3);
    EXPECT_EQ(zr::DefaultedScanFlags(4, kOutOfRange), 3);
    EXPECT_EQ(zr::DefaultedScanFlags(5, kOutOfRange), 3);
    EXPECT_EQ(zr::DefaultedScanFlags(127, kOutOfRange), 3);
    // The first-look-only bit stands apart from either rule and is kept.
    EXPECT_EQ(zr::DefaultedScanFlags(255, kOutOfRange), 3 | zr::kFirstLookOnly);
    EXPECT_EQ(zr::DefaultedScanFlags(zr::kFirstLookOnly, kOutOfRange), 3 | zr::kFirstLookOnly);
    EXPECT_EQ(zr::DefaultedScanFlags(zr::kFirstLookOnly | 2, kOutOfRange), 2 | zr::kFirstLookOnly);
    EXPECT_EQ(zr::DefaultedScanFlags(zr::kFirstLookOnly, kNeitherBit), 3 | zr::kFirstLookOnly);
    EXPECT_EQ(zr::DefaultedScanFlags(zr::kFirstLookOnly | 1, kNeitherBit), 1 | zr::kFirstLookOnly);
    for (const std::uint8_t flags : {std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}}) {
        EXPECT_EQ(zr::DefaultedScanFlags(flags, kOutOfRange), flags);
        EXPECT_EQ(zr::DefaultedScanFlags(flags, kNeitherBit), flags);
    }
}

TEST(PolarityPasses, OnlyTheAskedPassesRunAndTheFlagsAreWrittenBack) {
    {
        Fixture f;
        f.scanner.scanFlags = 1;
        EXPECT_EQ(f.Run(kNeitherBit, 1), std::vector<std::uint8_t>{0x0F});
        EXPECT_EQ(f.scanner.scanFlags, 1);
        EXPECT_EQ(static_cast<const std::uint8_t *>(f.picture.bits)[0], 0x0F);  // never inverted
    }
    {
        Fixture f;
        f.scanner.scanFlags = 2;
        EXPECT_EQ(f.Run(kNeitherBit, 1), std::vector<std::uint8_t>{0xF0});
    }
    {
        Fixture f;
        f.scanner.scanFlags = 5;  // as given only under the pass-bit rule, both under DataMatrix's
        EXPECT_EQ(f.Run(kOutOfRange, 0), (std::vector<std::uint8_t>{0x0F, 0xF0}));
        EXPECT_EQ(f.scanner.scanFlags, 3);
    }
    {
        Fixture f;
        f.scanner.scanFlags = 0;
        EXPECT_EQ(f.Run(kNeitherBit, 0), (std::vector<std::uint8_t>{0x0F, 0xF0}));
        EXPECT_EQ(f.scanner.scanFlags, 3);
    }
}

TEST(PolarityPasses, EveryRecordCarriesTheColourOfThePassThatStoredIt) {
    Fixture f;
    f.scanner.scanFlags = 3;
    f.Run(kNeitherBit, 2);
    ASSERT_EQ(f.scanner.resultCount, 4);
    for (int i = 0; i < 4; ++i) {
        const bool inverted = i >= 2;
        EXPECT_EQ(f.records[static_cast<std::size_t>(i)].barsColour,
                  inverted ? kInvertedColour : kAsGivenColour)
            << i;
        EXPECT_EQ(f.records[static_cast<std::size_t>(i)].firstByte, inverted ? 0xF0 : 0x0F) << i;
    }
    EXPECT_EQ(f.records[4].barsColour, 0);
}

TEST(PolarityPasses, RunningOutOfMemoryStillMarksTheRecordsOfTheEndedPass) {
    Fixture f;
    f.scanner.scanFlags = 3;
    int passes = 0;
    const auto failingSecondPass = [&](ZrImage &, const zr::SearchCorners &) {
        f.scanner.results[f.scanner.resultCount++].firstByte = 1;
        if (++passes == 2) throw std::bad_alloc();
    };
    EXPECT_THROW(zr::RunPolarityPasses(f.scanner, f.picture, kNeitherBit, failingSecondPass), std::bad_alloc);
    ASSERT_EQ(f.scanner.resultCount, 2);
    EXPECT_EQ(f.records[0].barsColour, kAsGivenColour);
    EXPECT_EQ(f.records[1].barsColour, kInvertedColour);
}

TEST(PolarityPasses, BothPassesSearchTheScannersRectangle) {
    Fixture f;
    f.scanner.scanFlags = 3;
    f.scanner.left = 2;
    f.scanner.top = 1;
    f.scanner.rectWidth = 5;
    f.scanner.rectHeight = 40;  // past the bottom: to the last row
    std::vector<zr::SearchCorners> searched;
    zr::RunPolarityPasses(f.scanner, f.picture, kNeitherBit,
                          [&](ZrImage &, const zr::SearchCorners &corners) { searched.push_back(corners); });
    ASSERT_EQ(searched.size(), 2u);
    for (const zr::SearchCorners &c : searched) {
        EXPECT_EQ(c.x0, 2u);
        EXPECT_EQ(c.y0, 1u);
        EXPECT_EQ(c.x1, 7u);
        EXPECT_EQ(c.y1, 3u);
    }
}

}  // namespace
