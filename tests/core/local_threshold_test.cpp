// Local thresholds against a plain pixel-by-pixel statement of the same rule,
// on a symbol under a lighting gradient, and on bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "alloc/alloc_injector.hpp"
#include "core/image.hpp"
#include "core/local_threshold.hpp"
#include "core/prepare.hpp"
#include "support/render.hpp"
#include "test_dib.hpp"

namespace {

using zr_test::MakeDib;
using zr_test::PutAt;

// Grey levels of an 8- or 24-bit test DIB, top row first.
std::vector<int> GreyLevels(const std::vector<std::uint8_t> &dib, int width, int height, int depth) {
    std::vector<int> grey(static_cast<std::size_t>(width) * height);
    const std::size_t pixelsAt = 40 + (depth == 8 ? 1024 : 0);
    const std::uint32_t pitch = zr_test::Pitch(width, depth);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t *p = &dib[pixelsAt + std::size_t{pitch} * (height - 1 - y) +
                                         static_cast<std::size_t>(x) * (depth / 8)];
            const std::uint8_t *bgr = depth == 8 ? &dib[40 + 4 * p[0]] : p;
            grey[y * width + x] = zr::prepare::GreyOfBgr(bgr[0], bgr[1], bgr[2]);
        }
    return grey;
}

// The 5-block window around block b on an axis of n blocks: [first, last].
void Window(int b, int n, int *first, int *last) {
    *first = b - 2;
    *last = b + 2;
    if (n < 5) {
        *first = 0;
        *last = n - 1;
        return;
    }
    if (*first < 0) *last -= *first, *first = 0;
    if (*last > n - 1) *first -= *last - (n - 1), *last = n - 1;
}

// The rule written out plainly: which pixels (top row first) are dark.
std::vector<bool> ReferenceDark(const std::vector<int> &grey, int width, int height) {
    const int across = (width + 7) / 8, down = (height + 7) / 8;
    std::vector<int> level(static_cast<std::size_t>(across) * down);
    for (int by = 0; by < down; ++by)
        for (int bx = 0; bx < across; ++bx) {
            int low = 255, high = 0, sum = 0, count = 0;
            for (int y = by * 8; y < std::min(by * 8 + 8, height); ++y)
                for (int x = bx * 8; x < std::min(bx * 8 + 8, width); ++x) {
                    const int g = grey[y * width + x];
                    low = std::min(low, g);
                    high = std::max(high, g);
                    sum += g;
                    ++count;
                }
            int &l = level[by * across + bx];
            if (high - low > 24) {
                l = sum / count;
                continue;
            }
            int weighted = 0, weights = 0;
            if (by > 0) weighted += level[(by - 1) * across + bx], weights += 1;
            if (bx > 0) weighted += 2 * level[by * across + bx - 1], weights += 2;
            if (bx > 0 && by > 0) weighted += level[(by - 1) * across + bx - 1], weights += 1;
            l = weights > 0 && low < weighted / weights ? weighted / weights : low / 2;
        }
    std::vector<bool> dark(grey.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int top, bottom, left, right;
            Window(y / 8, down, &top, &bottom);
            Window(x / 8, across, &left, &right);
            int sum = 0, count = 0;
            for (int by = top; by <= bottom; ++by)
                for (int bx = left; bx <= right; ++bx) sum += level[by * across + bx], ++count;
            dark[y * width + x] = grey[y * width + x] < sum / count;
        }
    return dark;
}

// Patches of flat light, flat dark, noise and ramps, so that every branch
// of the rule (contrast, flat below or above its neighbours) is taken.
std::uint8_t PatchLevel(int x, int y, std::mt19937 &random) {
    switch ((x / 11 * 7 + y / 13 * 3) % 4) {
        case 0:
            return static_cast<std::uint8_t>(190 + random() % 12);
        case 1:
            return static_cast<std::uint8_t>(35 + random() % 12);
        case 2:
            return static_cast<std::uint8_t>(random());
        default:
            return static_cast<std::uint8_t>((x * 9 + y * 5) % 256);
    }
}

enum class Kind { kGreyPalette, kColourPalette, kColour };

std::vector<std::uint8_t> RandomDib(int width, int height, Kind kind, std::mt19937 &random) {
    const int depth = kind == Kind::kColour ? 24 : 8;
    std::vector<std::uint8_t> dib = MakeDib(width, height, static_cast<std::uint16_t>(depth));
    const std::size_t pixelsAt = 40 + (depth == 8 ? 1024 : 0);
    const std::uint32_t pitch = zr_test::Pitch(width, depth);
    // A colour palette: entry i keeps roughly grey i, in random hues.
    if (kind == Kind::kColourPalette)
        for (int i = 0; i < 256; ++i)
            for (int c = 0; c < 3; ++c)
                dib[40 + 4 * i + c] = static_cast<std::uint8_t>(
                    std::clamp<int>(i + static_cast<int>(random() % 61) - 30, 0, 255));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t level = PatchLevel(x, y, random);
            std::uint8_t *p =
                &dib[pixelsAt + std::size_t{pitch} * y + static_cast<std::size_t>(x) * (depth / 8)];
            if (depth == 8)
                p[0] = level;
            else
                for (int c = 0; c < 3; ++c)
                    p[c] = static_cast<std::uint8_t>(
                        std::clamp<int>(level + static_cast<int>(random() % 41) - 20, 0, 255));
        }
    return dib;
}

void ExpectReferenceImage(const std::vector<std::uint8_t> &dib, int width, int height, int depth,
                          std::uint16_t polarity) {
    SCOPED_TRACE(testing::Message() << width << " x " << height << " at " << depth << " bits, polarity "
                                    << polarity);
    ZrImage local{}, global{};
    local.polarity = global.polarity = polarity;
    ASSERT_EQ(zr::DibToLocalBiLevel(&local, dib.data()), ZR_OK);
    ASSERT_EQ(zr::DibToBiLevel(&global, dib.data()), ZR_OK);
    // The record as the global preparation makes it.
    EXPECT_EQ(local.width, global.width);
    EXPECT_EQ(local.height, global.height);
    EXPECT_EQ(local.bitsPerPixel, 1);
    EXPECT_EQ(local.pitch, global.pitch);
    EXPECT_EQ(local.size, global.size);
    EXPECT_EQ(local.xDpi, global.xDpi);
    EXPECT_EQ(local.yDpi, global.yDpi);
    EXPECT_EQ(local.polarity, polarity);
    ASSERT_EQ(zr::ImageDibSize(&local), zr::ImageDibSize(&global));
    EXPECT_EQ(std::memcmp(local.dib, global.dib, zr::ImageDibSize(&local) - local.size), 0);
    // Every pixel, and the rows' padding bits as the blank picture has them.
    ZrImage expected = zr_test::Blank(width, height, 1, polarity);
    const std::vector<bool> dark = ReferenceDark(GreyLevels(dib, width, height, depth), width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            zr_test::SetBit(expected, height - 1 - y, x, dark[y * width + x] != (polarity != 0));
    EXPECT_EQ(std::memcmp(local.bits, expected.bits, local.size), 0);
    zr::ImageDestroy(&expected);

    // Kept by the global preparation (colour only), the grey levels give the local one the same bits.
    std::vector<std::uint8_t> grey{1, 2, 3};
    ZrImage keptGlobal{}, keptLocal{};
    keptGlobal.polarity = keptLocal.polarity = polarity;
    ASSERT_EQ(zr::DibToBiLevel(&keptGlobal, dib.data(), &grey), ZR_OK);
    EXPECT_EQ(grey.size(), depth == 24 ? static_cast<std::size_t>(width) * height : 0u);
    ASSERT_EQ(zr::DibToLocalBiLevel(&keptLocal, dib.data(), grey), ZR_OK);
    EXPECT_EQ(std::memcmp(keptGlobal.dib, global.dib, zr::ImageDibSize(&global)), 0);
    EXPECT_EQ(std::memcmp(keptLocal.dib, local.dib, zr::ImageDibSize(&local)), 0);
    zr::ImageDestroy(&keptGlobal);
    zr::ImageDestroy(&keptLocal);
    zr::ImageDestroy(&local);
    zr::ImageDestroy(&global);
}

TEST(LocalThresholdTest, MatchesThePlainRuleOnOddSizesDepthsAndPalettes) {
    const int sizes[][2] = {{1, 1},   {7, 3},   {8, 8},    {9, 17},   {16, 5},   {31, 9},  {33, 40},
                            {45, 13}, {47, 47}, {100, 37}, {130, 71}, {17, 129}, {203, 58}};
    std::mt19937 random(23);
    int trial = 0;
    for (const auto &size : sizes)
        for (const Kind kind : {Kind::kGreyPalette, Kind::kColourPalette, Kind::kColour}) {
            const std::vector<std::uint8_t> dib = RandomDib(size[0], size[1], kind, random);
            ExpectReferenceImage(dib, size[0], size[1], kind == Kind::kColour ? 24 : 8,
                                 static_cast<std::uint16_t>(trial++ % 2));
        }
}

// A square far larger than the window keeps its dark inside, where every
// block is flat, and a uniform picture comes out blank.
TEST(LocalThresholdTest, FlatAreasFollowTheirSurroundings) {
    zr::test::Raster picture = zr::test::Canvas(160, 120, 220);
    zr::test::Paste(picture, zr::test::Canvas(80, 64, 30), 40, 32);
    const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 8);
    ZrImage image{};
    ASSERT_EQ(zr::DibToLocalBiLevel(&image, dib.data()), ZR_OK);
    for (int y = 0; y < 120; y += 3)
        for (int x = 0; x < 160; x += 3) {
            const bool inside = x >= 40 && x < 120 && y >= 32 && y < 96;
            ASSERT_EQ(zr::ImageIsDark(&image, x, y), inside) << x << ", " << y;
        }
    const std::vector<std::uint8_t> plain = zr::test::ToDib(zr::test::Canvas(70, 50, 90), 24);
    ASSERT_EQ(zr::DibToLocalBiLevel(&image, plain.data()), ZR_OK);
    EXPECT_EQ(zr_test::Pixels(image), zr_test::BlankPixels(70, 50));
    zr::ImageDestroy(&image);
}

// Light falling from 90 % on the right to 20 % on the left: the global
// threshold turns the dim side's light modules dark, the local one keeps
// every module.
TEST(LocalThresholdTest, KeepsEveryModuleUnderALightingGradient) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_QRCODE;
    options.data = "LOCAL THRESHOLDS KEEP A SYMBOL UNDER UNEVEN LIGHT";
    options.moduleSize = 4;
    options.quietZone = 4;
    const zr::test::Raster modules = zr::test::EncodeModules(options);
    zr::test::Raster picture = zr::test::RenderSymbol(options);
    ASSERT_FALSE(modules.empty());
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const double light = 0.2 + 0.7 * x / (picture.width - 1);
            picture.at(x, y) = static_cast<std::uint8_t>(std::lround(picture.at(x, y) * light));
        }
    for (const int depth : {8, 24}) {
        const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, depth);
        ZrImage local{}, global{};
        ASSERT_EQ(zr::DibToLocalBiLevel(&local, dib.data()), ZR_OK);
        ASSERT_EQ(zr::DibToBiLevel(&global, dib.data()), ZR_OK);
        int localWrong = 0, globalWrong = 0;
        const int margin = options.quietZone * options.moduleSize, centre = options.moduleSize / 2;
        for (int my = 0; my < modules.height; ++my)
            for (int mx = 0; mx < modules.width; ++mx) {
                const int x = margin + mx * options.moduleSize + centre;
                const int y = margin + my * options.moduleSize + centre;
                localWrong += zr::ImageIsDark(&local, x, y) != modules.isDark(mx, my);
                globalWrong += zr::ImageIsDark(&global, x, y) != modules.isDark(mx, my);
            }
        EXPECT_EQ(localWrong, 0) << depth << " bits";
        EXPECT_GT(globalWrong, modules.width) << depth << " bits: the gradient should defeat one threshold";
        zr::ImageDestroy(&local);
        zr::ImageDestroy(&global);
    }
}

// Noise made bi-level by local thresholds is speckle the second looks skip;
// a symbol at 2 pixels a module filling the picture, and a blank page, are
// not; nor is a small picture, whatever it holds.
TEST(LocalThresholdTest, TellsSpeckleFromPrint) {
    const auto speckle = [](const zr::test::Raster &picture) {
        const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 8);
        ZrImage image{};
        EXPECT_EQ(zr::DibToLocalBiLevel(&image, dib.data()), ZR_OK);
        const bool result = zr::LooksLikeSpeckle(image);
        zr::ImageDestroy(&image);
        return result;
    };
    std::mt19937 random(7);
    zr::test::Raster noise = zr::test::Canvas(640, 480, 0);
    for (int y = 0; y < noise.height; ++y)
        for (int x = 0; x < noise.width; ++x) noise.at(x, y) = static_cast<std::uint8_t>(random());
    EXPECT_TRUE(speckle(noise));
    noise = zr::test::Canvas(300, 200, 0);
    for (int y = 0; y < noise.height; ++y)
        for (int x = 0; x < noise.width; ++x) noise.at(x, y) = static_cast<std::uint8_t>(random());
    EXPECT_FALSE(speckle(noise));

    zr::test::SymbolOptions options;
    options.symbology = BARCODE_DATAMATRIX;
    options.data = "SPECKLE OR PRINT: A SYMBOL OF SMALL MODULES IS PRINT";
    options.moduleSize = 2;
    options.quietZone = 1;
    const zr::test::Raster symbol = zr::test::RenderSymbol(options);
    ASSERT_FALSE(symbol.empty());
    EXPECT_FALSE(speckle(symbol));
    EXPECT_FALSE(speckle(zr::test::Canvas(300, 200, 200)));
}

TEST(LocalThresholdTest, BadInputGetsTheCodesOfTheGlobalPreparation) {
    std::vector<std::uint8_t> dib = MakeDib(10, 10, 8);
    ZrImage image{};
    ASSERT_EQ(zr::DibToLocalBiLevel(&image, dib.data()), ZR_OK);
    zr_test::PutAt<std::uint32_t>(dib, 16, 1);  // compressed
    EXPECT_EQ(zr::DibToLocalBiLevel(&image, dib.data()), ZR_ERR_BAD_FORMAT);
    EXPECT_EQ(image.dib, nullptr);
    zr_test::PutAt<std::uint32_t>(dib, 16, 0);
    PutAt<std::int32_t>(dib, 4, -10);  // negative width
    EXPECT_EQ(zr::DibToLocalBiLevel(&image, dib.data()), ZR_ERR_BAD_FORMAT);
    PutAt<std::int32_t>(dib, 4, 10);
    PutAt<std::uint16_t>(dib, 14, 4);  // 4 bits per pixel
    EXPECT_EQ(zr::DibToLocalBiLevel(&image, dib.data()), ZR_ERR_BAD_FORMAT);
    EXPECT_EQ(zr::DibToLocalBiLevel(&image, nullptr), ZR_ERR_NULL_DIB);
    EXPECT_EQ(zr::DibToLocalBiLevel(nullptr, dib.data()), ZR_ERR_NULL_IMAGE);
    EXPECT_EQ(image.dib, nullptr);
}

// A 1-bit DIB is copied as it is, as the global preparation copies it.
TEST(LocalThresholdTest, OneBitPicturesAreCopied) {
    const std::vector<std::uint8_t> dib =
        zr::test::ToDib(zr::test::AddNoise(zr::test::Canvas(37, 11, 128), 127, 3), 1, 0, false);
    ZrImage local{}, global{};
    ASSERT_EQ(zr::DibToLocalBiLevel(&local, dib.data()), ZR_OK);
    ASSERT_EQ(zr::DibToBiLevel(&global, dib.data()), ZR_OK);
    EXPECT_EQ(local.polarity, global.polarity);
    ASSERT_EQ(zr::ImageDibSize(&local), zr::ImageDibSize(&global));
    EXPECT_EQ(std::memcmp(local.dib, global.dib, zr::ImageDibSize(&local)), 0);
    zr::ImageDestroy(&local);
    zr::ImageDestroy(&global);
}

// Each allocation failing in turn gives ZR_ERR_NO_MEMORY, an empty record
// and nothing left allocated.
TEST(LocalThresholdTest, FailedAllocationsLeaveTheRecordEmpty) {
    std::mt19937 random(2);
    for (const Kind kind : {Kind::kGreyPalette, Kind::kColourPalette, Kind::kColour}) {
        const std::vector<std::uint8_t> dib = RandomDib(50, 30, kind, random);
        for (long failAt = 1;; ++failAt) {
            ZrImage image{};
            zr::test::injector = {};
            zr::test::injector.failAt = failAt;
            zr::test::injector.armed = true;
            const std::uint16_t code = zr::DibToLocalBiLevel(&image, dib.data());
            zr::test::injector.armed = false;
            if (!zr::test::injector.failed) {
                EXPECT_EQ(code, ZR_OK);
                zr::ImageDestroy(&image);
                break;
            }
            EXPECT_EQ(code, ZR_ERR_NO_MEMORY) << "allocation " << failAt;
            EXPECT_EQ(image.dib, nullptr);
            EXPECT_EQ(zr::test::injector.live, 0);
        }
    }
}

}  // namespace
