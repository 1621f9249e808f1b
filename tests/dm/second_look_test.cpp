// The DataMatrix second look: the rectangular extension sizes (ISO/IEC 21471)
// proved against libzint, the 8- to 16-row rectangles at 2 pixels a module,
// and no reads from noise.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/image.hpp"
#include "core/local_threshold.hpp"
#include "core/prepare.hpp"
#include "dm/far_corner.hpp"
#include "reader_test_util.hpp"
#include "support/warp.hpp"

namespace zr::dm {
namespace {

using test::Raster;

constexpr int kFirstDmreVersion = 31;  // zint's size number of the first extension size
constexpr std::uint8_t kFirstLookOnly = ZR_DM_FIRST_LOOK_ONLY;

std::string SizeName(const DMSize &size) {
    return std::to_string(size.rows) + "x" + std::to_string(size.columns);
}

Raster DmreModules(const std::string &data, int index) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_DATAMATRIX;
    options.data = data;
    options.option2 = kFirstDmreVersion + index;
    options.option3 = DM_DMRE;
    return zr::test::EncodeModules(options);
}

// Digits and capitals mixed so that zint's encodation differs from size to size.
std::string DmreFiller(const DMSize &size) {
    std::string data;
    for (int i = 0; i < size.dataCodewords / 2; ++i)
        data.push_back(i % 3 == 0 ? static_cast<char>('0' + i % 10) : static_cast<char>('A' + (i * 7) % 26));
    return data;
}

std::vector<std::string> Texts(const test::ScanOutcome &outcome) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < outcome.results.size(); ++i) texts.push_back(outcome.Text(i));
    return texts;
}

// The placement of every size, extension sizes included, puts each bit of
// each codeword in exactly one module.
TEST(DmreSizes, PlacementCoversEveryCodewordBitOnce) {
    std::vector<const DMSize *> sizes;
    for (const DMSize &s : kDMSizeTable) sizes.push_back(&s);
    for (const DMSize &s : kDmreSizeTable) sizes.push_back(&s);
    for (const DMSize *size : sizes) {
        std::vector<std::int32_t> table(static_cast<std::size_t>(size->mappingRows) * size->mappingColumns);
        PlaceModules(table.data(), size->mappingRows, size->mappingColumns);
        std::vector<int> seen(static_cast<std::size_t>(size->codewords + 1) * 10);
        for (const std::int32_t entry : table)
            if (entry >= 10 && entry < static_cast<std::int32_t>(seen.size()))
                ++seen[static_cast<std::size_t>(entry)];
        for (int codeword = 1; codeword <= size->codewords; ++codeword)
            for (int bit = 1; bit <= 8; ++bit)
                ASSERT_EQ(seen[static_cast<std::size_t>(codeword * 10 + bit)], 1)
                    << SizeName(*size) << " codeword " << codeword << " bit " << bit;
    }
}

// Every extension size as zint draws it: the raster has the table's size,
// the table's placement and region layout give codewords that are one
// Reed-Solomon block with exactly ecPerBlock check codewords (a clean block
// checks with that many roots and not with one more), half as many errors
// are corrected, and the reader reads it in four turns and both colours,
// where the first look alone reads nothing.
TEST(DmreSizes, TableMatchesZintAndEverySizeReads) {
    for (int index = 0; index < kDmreSizeCount; ++index) {
        const DMSize &size = kDmreSizeTable[static_cast<std::size_t>(index)];
        const std::string name = SizeName(size);
        const std::string data = DmreFiller(size);
        const Raster modules = DmreModules(data, index);
        ASSERT_FALSE(modules.empty()) << name;
        ASSERT_EQ(modules.height, size.rows) << name;
        ASSERT_EQ(modules.width, size.columns) << name;

        std::vector<std::int32_t> codewords = test::CodewordsOf(modules, size);
        ASSERT_EQ(static_cast<int>(codewords.size()), size.codewords) << name;
        std::vector<std::int32_t> check = codewords;
        EXPECT_EQ(DMCorrectBlock(check.data(), size.codewords, size.ecPerBlock), 0) << name;
        check = codewords;
        EXPECT_NE(DMCorrectBlock(check.data(), size.codewords, size.ecPerBlock + 1), 0) << name;

        DMSymbol symbol;
        std::copy(codewords.begin(), codewords.end(), symbol.codewords.begin());
        for (int k = 0; k < size.ecPerBlock / 2; ++k)
            symbol.codewords[static_cast<std::size_t>(k * 3)] ^= 0x5A;
        ASSERT_TRUE(CorrectSymbol(symbol, size)) << name;
        EXPECT_TRUE(
            std::equal(codewords.begin(), codewords.begin() + size.dataCodewords, symbol.codewords.begin()))
            << name;

        const Raster upright = zr::test::ExpandModules(modules, 3, 0, 4);
        EXPECT_TRUE(test::Scan(upright, kFirstLookOnly).results.empty()) << name;
        for (int turns = 0; turns < 4; ++turns) {
            const Raster turned = zr::test::RotateQuarter(upright, turns);
            for (const bool inverted : {false, true}) {
                const std::string what =
                    name + " turns " + std::to_string(turns) + (inverted ? " inverted" : "");
                const test::ScanOutcome outcome = test::Scan(inverted ? zr::test::Invert(turned) : turned);
                EXPECT_EQ(outcome.status, 0) << what;
                ASSERT_EQ(outcome.results.size(), 1u) << what;
                EXPECT_EQ(outcome.FirstText(), data) << what;
                EXPECT_EQ(outcome.results[0].rows, size.rows) << what;
                EXPECT_EQ(outcome.results[0].columns, size.columns) << what;
                EXPECT_EQ(outcome.results[0].barsColour, inverted ? ZR_DM_LIGHT_ON_DARK : ZR_DM_DARK_ON_LIGHT)
                    << what;
            }
        }
    }
}

// At 2 pixels a module the six rectangles and the squares up to 16 x 16 make
// regions under the first look's 33-pixel limit; the second look reads them,
// upright and turned.
TEST(SecondLook, SmallSizesAtTwoPixelsAModule) {
    constexpr int kModule = 2, kFirstLookSide = 33;
    for (const DMSize &size : kDMSizeTable) {
        if (size.rows * kModule >= kFirstLookSide) continue;
        const std::string data = test::FillerFor(size);
        const Raster upright = test::RenderDm(data, size, kModule);
        ASSERT_FALSE(upright.empty()) << SizeName(size);
        EXPECT_TRUE(test::Scan(upright, kFirstLookOnly).results.empty()) << SizeName(size);
        for (int turns = 0; turns < 4; ++turns) {
            const std::string what = SizeName(size) + " turns " + std::to_string(turns);
            const test::ScanOutcome outcome = test::Scan(zr::test::RotateQuarter(upright, turns));
            ASSERT_EQ(outcome.results.size(), 1u) << what;
            EXPECT_EQ(outcome.FirstText(), data) << what;
            EXPECT_EQ(outcome.results[0].columns, size.columns) << what;
        }
    }
}

// The second look adds after the first look's results, stores each symbol
// once, and reports a full list only when it filled the list.
TEST(SecondLook, AddsAfterTheFirstLookWithinMaxResults) {
    const DMSize &square = *test::FindSize(18, 18);
    const DMSize &dmre = kDmreSizeTable[0];
    const std::string squareData = test::FillerFor(square), dmreData = DmreFiller(dmre);
    const Raster first = test::RenderDm(squareData, square, 4);
    const Raster second = zr::test::ExpandModules(DmreModules(dmreData, 0), 4, 0, 4);
    Raster both = zr::test::Canvas(first.width + second.width, std::max(first.height, second.height));
    zr::test::Paste(both, second, 0, 0);
    zr::test::Paste(both, first, second.width, 0);
    // A region the first look cannot decode (the extension symbol) lets the second look run.
    const test::ScanOutcome outcome = test::Scan(both);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(Texts(outcome), (std::vector<std::string>{squareData, dmreData}));
    EXPECT_EQ(Texts(test::Scan(both, kFirstLookOnly)), std::vector<std::string>{squareData});

    const test::ScanOutcome full = test::Scan(both, 0, 2);
    EXPECT_EQ(full.status, ZR_ERR_LIST_FULL);
    EXPECT_EQ(full.results.size(), 2u);
    const test::ScanOutcome one = test::Scan(both, 0, 1);
    EXPECT_EQ(one.status, 0);  // the first look filled the list; the second look did not run
    EXPECT_EQ(Texts(one), std::vector<std::string>{squareData});
}

// Light falling off from right to left: the left of the picture keeps less
// than a third of its contrast and sinks under any one global level.
Raster LightFalloff(const Raster &picture) {
    Raster out = picture;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const double light = 0.2 + 0.8 * x / (out.width - 1);
            out.at(x, y) = static_cast<std::uint8_t>(out.at(x, y) * light);
        }
    return out;
}

bool LocalThresholdDiffers(const Raster &picture) {
    const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 8);
    ZrImage global{}, local{};
    const bool loaded = DibToBiLevel(&global, dib.data()) == 0 && DibToLocalBiLevel(&local, dib.data()) == 0;
    const bool differs =
        loaded && (global.size != local.size || std::memcmp(global.bits, local.bits, global.size) != 0);
    ImageDestroy(&global);
    ImageDestroy(&local);
    return differs;
}

// The second look reads on the local-threshold picture what the global
// threshold loses under uneven light.
TEST(SecondLook, LightFalloffReadOnTheLocalThresholdPicture) {
    const DMSize &size = *test::FindSize(20, 20);
    const std::string data = test::FillerFor(size);
    const Raster picture = LightFalloff(test::RenderDm(data, size, 4, 8));
    if (!LocalThresholdDiffers(picture)) GTEST_SKIP() << "enabled once local thresholds land";
    EXPECT_TRUE(test::Scan(picture, kFirstLookOnly).results.empty());
    const test::ScanOutcome outcome = test::Scan(picture);
    ASSERT_EQ(outcome.results.size(), 1u);
    EXPECT_EQ(outcome.FirstText(), data);
}

// Under perspective the symbol is no parallelogram: the far corner, moved
// until the timing pattern matches, reads what the first look's misses.
TEST(SecondLook, ReadsSymbolsUnderPerspective) {
    struct Case {
        int rows, columns;
        double pull;  // of the top-right corner, as a share of the picture
    };
    for (const Case c : {Case{40, 40, 0.06}, Case{26, 26, 0.08}, Case{16, 36, 0.08}, Case{20, 20, 0.12}}) {
        const DMSize &size = *test::FindSize(c.rows, c.columns);
        const std::string data = test::FillerFor(size);
        SCOPED_TRACE(SizeName(size));
        // The top-right corner pulled in and down, the bottom-right one up.
        const Raster picture = zr::test::Slant(test::RenderDm(data, size, 4, 8),
                                               {0, 0, -c.pull, 0.8 * c.pull, 0, c.pull / 3, 0, 0});
        EXPECT_TRUE(test::Scan(picture, kFirstLookOnly).results.empty());
        const test::ScanOutcome outcome = test::Scan(picture);
        ASSERT_EQ(outcome.results.size(), 1u);
        EXPECT_EQ(outcome.FirstText(), data);
    }
}

// Beside a symbol the first look reads, the second look still reads the
// others: one under perspective (its far corner moved) and an extension size.
TEST(SecondLook, ReadsASymbolInPerspectiveBesideOneTheFirstLookRead) {
    const DMSize &square = *test::FindSize(18, 18), &slanted = *test::FindSize(26, 26);
    const std::string squareData = test::FillerFor(square), slantedData = test::FillerFor(slanted);
    const Raster perspective =
        zr::test::Slant(test::RenderDm(slantedData, slanted, 4, 8), {0, 0, -0.08, 0.064, 0, 0.08 / 3, 0, 0});
    ASSERT_EQ(Texts(test::Scan(perspective)), std::vector<std::string>{slantedData});
    const Raster read = test::RenderDm(squareData, square, 4);
    Raster both = zr::test::Canvas(read.width + perspective.width, std::max(read.height, perspective.height));
    zr::test::Paste(both, read, 0, 0);
    zr::test::Paste(both, perspective, read.width, 0);
    EXPECT_EQ(Texts(test::Scan(both)), (std::vector<std::string>{squareData, slantedData}));

    const DMSize &dmre = kDmreSizeTable[0];
    const std::string dmreData = DmreFiller(dmre);
    const Raster extension = zr::test::ExpandModules(DmreModules(dmreData, 0), 4, 0, 4);
    Raster withExtension = zr::test::Canvas(both.width, both.height + extension.height);
    zr::test::Paste(withExtension, both, 0, 0);
    zr::test::Paste(withExtension, extension, 0, both.height);
    EXPECT_EQ(Texts(test::Scan(withExtension)), (std::vector<std::string>{squareData, dmreData, slantedData}));
}

// The corners of a picture's symbol moved by shares of its side, three ways:
// the top-right corner pulled in and down (as above), the right side
// shortened towards its middle, and the top side shortened with the bottom
// one widened.
std::array<double, 8> Pull(double pull, int way) {
    if (way == 1) return {0, 0, -pull, pull, -pull / 2, -pull / 2, 0, 0};
    if (way == 2) return {pull / 2, 0, -pull / 2, 0, pull / 4, 0, -pull / 4, 0};
    return {0, 0, -pull, 0.8 * pull, 0, pull / 3, 0, 0};
}

// Under perspective strong enough that the far corner lies modules off the
// parallelogram's and the bilinear lattice drifts across the alignment
// lines of multi-region layouts, the corners fitted to every region's border
// and the one perspective map read what the first look (and the half-module
// far-corner search) misses.
TEST(SecondLook, ReadsThroughOnePerspectiveMap) {
    struct Case {
        int rows, columns, module;
        double pull;
        int way;
    };
    for (const Case c : {Case{32, 32, 3, 0.10, 1}, Case{40, 40, 4, 0.10, 0}, Case{44, 44, 3, 0.06, 2},
                         Case{48, 48, 4, 0.12, 1}, Case{64, 64, 4, 0.06, 1}, Case{22, 22, 4, 0.16, 0},
                         Case{18, 18, 3, 0.20, 2}, Case{16, 36, 4, 0.12, 2}}) {
        const DMSize &size = *test::FindSize(c.rows, c.columns);
        const std::string data = test::FillerFor(size);
        SCOPED_TRACE(SizeName(size) + " pull " + std::to_string(c.pull) + " way " + std::to_string(c.way));
        const Raster picture =
            zr::test::Slant(test::RenderDm(data, size, c.module, 8), Pull(c.pull, c.way));
        EXPECT_TRUE(test::Scan(picture, kFirstLookOnly).results.empty());
        const test::ScanOutcome outcome = test::Scan(picture);
        ASSERT_EQ(outcome.results.size(), 1u);
        EXPECT_EQ(outcome.FirstText(), data);
        EXPECT_EQ(outcome.results[0].rows, size.rows);
        EXPECT_EQ(outcome.results[0].columns, size.columns);
    }
}

// A label bent round a cylinder spaces its columns unevenly: the grid
// follows the timing pattern (strong bends of one region) or each region's
// own border, where the one map and the first look miss.
TEST(SecondLook, ReadsSymbolsWrappedRoundACylinder) {
    struct Case {
        int rows, module;
        double arc;  // radians of the cylinder across the picture
        bool blurred;
    };
    for (const Case c : {Case{26, 3, 2.2, false}, Case{26, 3, 2.6, true}, Case{32, 4, 2.2, false},
                         Case{40, 4, 1.8, false}, Case{44, 3, 1.4, true}}) {
        const DMSize &size = *test::FindSize(c.rows, c.rows);
        const std::string data = test::FillerFor(size);
        SCOPED_TRACE(SizeName(size) + " arc " + std::to_string(c.arc) + (c.blurred ? " blurred" : ""));
        Raster picture = zr::test::Cylinder(test::RenderDm(data, size, c.module, 6), c.arc);
        if (c.blurred) picture = zr::test::Blur(picture, 0.8);
        EXPECT_TRUE(test::Scan(picture, kFirstLookOnly).results.empty());
        const test::ScanOutcome outcome = test::Scan(picture);
        ASSERT_EQ(outcome.results.size(), 1u);
        EXPECT_EQ(outcome.FirstText(), data);
    }
}

// Symbols drawn with a true finder and timing pattern on every region but
// random data fit their border perfectly; correction must still refuse them,
// upright and under perspective.
TEST(SecondLook, NoReadsFromRandomDataInsideATrueBorder) {
    for (const DMSize *size : {test::FindSize(44, 44), test::FindSize(22, 22), test::FindSize(16, 36)}) {
        for (std::uint32_t seed = 1; seed <= 3; ++seed) {
            Raster modules = zr::test::Canvas(size->columns, size->rows);
            std::uint32_t state = seed * 2654435761u;
            for (int y = 0; y < size->rows; ++y)
                for (int x = 0; x < size->columns; ++x) {
                    const int row = y % size->regionRows, column = x % size->regionColumns;
                    bool dark;
                    if (column == 0 || row == size->regionRows - 1) {
                        dark = true;
                    } else if (row == 0) {
                        dark = column % 2 == 0;
                    } else if (column == size->regionColumns - 1) {
                        dark = (size->regionRows - 1 - row) % 2 == 0;
                    } else {
                        state = state * 1664525u + 1013904223u;
                        dark = (state >> 16) & 1u;
                    }
                    if (dark) modules.at(x, y) = 0;
                }
            const Raster upright = zr::test::ExpandModules(modules, 4, 0, 8);
            const std::string what = SizeName(*size) + " seed " + std::to_string(seed);
            EXPECT_TRUE(test::Scan(upright).results.empty()) << what;
            EXPECT_TRUE(test::Scan(zr::test::Slant(upright, Pull(0.1, 0))).results.empty()) << what;
        }
    }
}

// Colour changes along a segment, as the module count of a dotted side is
// estimated from them.
TEST(SecondLook, CountsTransitionsAlongADottedSide) {
    Raster stripes = zr::test::Canvas(41, 5);
    for (int x = 0; x < 40; ++x)
        for (int y = 0; y < 5; ++y) stripes.at(x, y) = (x / 4) % 2 == 0 ? 0 : 255;  // ten modules of 4 pixels
    const std::vector<std::uint8_t> dib = zr::test::ToDib(stripes, 1);
    ZrImage image{};
    ASSERT_EQ(ImageFromDib(&image, dib.data()), ZR_OK);
    const BitImageView view(image);
    EXPECT_EQ(TransitionsAlong(view, {0.5, 2}, {39.5, 2}), 9);
    EXPECT_EQ(TransitionsAlong(view, {0.5, 2}, {0.5, 4}), 0);
    ImageDestroy(&image);
}

TEST(SecondLook, NoReadsFromNoiseOrStripes) {
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        const Raster noise = zr::test::AddNoise(zr::test::Canvas(320, 240, 128), 127, seed);
        EXPECT_TRUE(test::Scan(noise).results.empty()) << "seed " << seed;
        const Raster coarse =
            zr::test::Scale(zr::test::AddNoise(zr::test::Canvas(80, 60, 128), 127, seed), 4, 4, false);
        EXPECT_TRUE(test::Scan(coarse).results.empty()) << "coarse seed " << seed;
    }
    Raster stripes = zr::test::Canvas(300, 120);
    for (int y = 0; y < stripes.height; ++y)
        for (int x = 0; x < stripes.width; ++x)
            if ((x / 3 + y / 16) % 2 == 0) stripes.at(x, y) = 0;
    EXPECT_TRUE(test::Scan(stripes).results.empty());
}

}  // namespace
}  // namespace zr::dm
