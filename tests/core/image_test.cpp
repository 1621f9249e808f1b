// Image record: creation, copy, loading caller DIBs and refusing malformed ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "core/image.hpp"
#include "core/image_view.hpp"
#include "test_dib.hpp"

using namespace zr;
using zr_test::Blank;
using zr_test::GetAt;
using zr_test::MakeDib;
using zr_test::PutAt;

namespace {

TEST(ImageCreate, PitchPadsRowsToFourBytes) {
    struct Case {
        std::uint32_t width;
        std::uint16_t bpp;
        std::int32_t pitch;
    };
    for (const Case c : {Case{1, 1, 4}, Case{33, 1, 8}, Case{1, 24, 4}, Case{2, 24, 8}, Case{5, 8, 8}}) {
        ZrImage image = Blank(c.width, 3, c.bpp);
        EXPECT_EQ(image.pitch, c.pitch) << c.width << "x" << c.bpp;
        EXPECT_EQ(image.size, 3u * c.pitch);
        EXPECT_EQ(ImageDibSize(&image), 40 + ImagePaletteSize(&image) + image.size);
        ImageDestroy(&image);
    }
}

TEST(ImageCreate, FreshImagesAreWhiteWithHeaderAndPalette) {
    struct Case {
        std::uint16_t bpp, polarity;
        std::uint8_t fill;
        std::uint32_t entries;
    };
    for (const Case c : {Case{1, 1, 0xFF, 2}, Case{1, 0, 0x00, 2}, Case{1, 7, 0x00, 2}, Case{8, 0, 0xFF, 256},
                         Case{24, 0, 0xFF, 0}}) {
        ZrImage image = Blank(13, 5, c.bpp, c.polarity);
        for (std::uint8_t byte : zr_test::Pixels(image))
            ASSERT_EQ(byte, c.fill) << c.bpp << "/" << c.polarity;
        EXPECT_EQ(GetAt<std::uint32_t>(image.dib, 0), 40u);
        EXPECT_EQ(GetAt<std::int32_t>(image.dib, 4), 13);
        EXPECT_EQ(GetAt<std::int32_t>(image.dib, 8), 5);
        EXPECT_EQ(GetAt<std::uint16_t>(image.dib, 12), 1);
        EXPECT_EQ(GetAt<std::uint16_t>(image.dib, 14), c.bpp);
        EXPECT_EQ(GetAt<std::uint32_t>(image.dib, 16), 0u);
        EXPECT_EQ(GetAt<std::uint32_t>(image.dib, 20), image.size);
        EXPECT_EQ(GetAt<std::int32_t>(image.dib, 24), 11811);
        EXPECT_EQ(GetAt<std::uint32_t>(image.dib, 32), c.entries);
        EXPECT_EQ(image.bits, static_cast<std::uint8_t *>(image.dib) + 40 + 4 * c.entries);
        if (c.bpp == 1) {
            EXPECT_EQ(image.polarity, c.polarity == 1 ? 1 : 0);
            const std::uint8_t *palette = ImagePalette(&image);
            EXPECT_EQ(palette[0], c.polarity == 1 ? 0 : 255);
            EXPECT_EQ(palette[4], c.polarity == 1 ? 255 : 0);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 13; ++x) EXPECT_FALSE(ImageIsDark(&image, x, y));
        } else if (c.bpp == 8) {
            EXPECT_EQ(ImagePalette(&image)[4 * 200 + 2], 200);
        } else {
            EXPECT_EQ(ImagePalette(&image), nullptr);
        }
        ImageDestroy(&image);
        EXPECT_EQ(image.dib, nullptr);
        EXPECT_EQ(image.bits, nullptr);
    }
}

TEST(ImageCreate, StatusCodes) {
    EXPECT_EQ(ImageCreate(nullptr), 1);
    EXPECT_EQ(ImageDestroy(nullptr), 0);
    ZrImage image = Blank(4, 4, 8);
    image.bitsPerPixel = 4;
    EXPECT_EQ(ImageCreate(&image), 3);
    EXPECT_EQ(image.dib, nullptr);  // the old block was released
    image.bitsPerPixel = 24;
    image.width = 1u << 20;
    image.height = 1u << 12;  // 12 GB of pixels
    EXPECT_EQ(ImageCreate(&image), 10);
    EXPECT_EQ(image.dib, nullptr);
}

TEST(Resolution, ConvertsBothWays) {
    EXPECT_EQ(DpiToPixelsPerMetre(300), 11811u);
    EXPECT_EQ(PixelsPerMetreToDpi(11811), 300u);
    EXPECT_EQ(DpiToPixelsPerMetre(72), 2835u);
    EXPECT_EQ(PixelsPerMetreToDpi(-5), 0u);
}

TEST(ImageFromDib, BilevelPaletteSetsPolarity) {
    // Entry 1 is white. Entry 0 white: bit 1 is dark. Entry 0 darker than white by weighted grey
    // (black, pale yellow, pure blue): bit 0 is dark.
    struct Case {
        std::uint8_t blue, green, red;
        std::uint16_t polarity;
    };
    for (const Case c :
         {Case{255, 255, 255, 0}, Case{0, 0, 0, 1}, Case{200, 255, 255, 1}, Case{255, 0, 0, 1}}) {
        std::vector<std::uint8_t> dib = MakeDib(9, 2, 1, 0x00);
        dib[40] = c.blue, dib[41] = c.green, dib[42] = c.red;
        dib[48 + 4] = 0x40;  // stored row 1 = top row: pixel 1 set
        ZrImage image{};
        image.polarity = 1 - c.polarity;
        ASSERT_EQ(ImageFromDib(&image, dib.data()), 0);
        EXPECT_EQ(image.polarity, c.polarity);
        EXPECT_EQ(image.width, 9u);
        EXPECT_EQ(image.xDpi, 300u);
        EXPECT_EQ(image.yDpi, 100u);
        EXPECT_EQ(ImagePalette(&image)[0], c.blue);
        EXPECT_EQ(ImageIsDark(&image, 1, 0), c.polarity == 0);
        EXPECT_EQ(ImageIsDark(&image, 2, 0), c.polarity == 1);
        EXPECT_EQ(ImageIsDark(&image, 1, 1), c.polarity == 1);
        ImageDestroy(&image);
    }
}

TEST(ImageFromDib, InvertedGreyPaletteLoadsInvertedLevels) {
    std::vector<std::uint8_t> dib = MakeDib(3, 2, 8);
    for (int i = 0; i < 256; ++i)
        dib[40 + 4 * i] = dib[41 + 4 * i] = dib[42 + 4 * i] = static_cast<std::uint8_t>(255 - i);
    const std::size_t bits = 40 + 1024;
    const std::uint8_t indices[8] = {0, 10, 255, 7, 1, 2, 3, 4};  // padding byte included
    std::copy(indices, indices + 8, dib.begin() + bits);
    const std::vector<std::uint8_t> before = dib;
    ZrImage image{};
    ASSERT_EQ(ImageFromDib(&image, dib.data()), 0);
    EXPECT_EQ(dib, before);
    const std::vector<std::uint8_t> grey = zr_test::Pixels(image);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(grey[i], 255 - indices[i]);
    ImageDestroy(&image);
}

TEST(ImageFromDib, ZeroImageSizeIsDerivedAndColourPixelsCopied) {
    std::vector<std::uint8_t> dib = MakeDib(2, 2, 24, 0x5A);
    PutAt<std::uint32_t>(dib, 20, 0);
    ZrImage image{};
    ASSERT_EQ(ImageFromDib(&image, dib.data()), 0);
    EXPECT_EQ(image.size, 16u);
    EXPECT_EQ(zr_test::Pixels(image), std::vector<std::uint8_t>(16, 0x5A));
    ImageDestroy(&image);
}

TEST(ImageFromDib, MalformedHeadersAreRefusedWithoutTouchingAnything) {
    struct Case {
        const char *what;
        std::size_t offset, bytes;
        std::int64_t value;
    };
    const Case cases[] = {
        {"header size 12", 0, 4, 12},
        {"header size 124", 0, 4, 124},
        {"zero width", 4, 4, 0},
        {"negative width", 4, 4, -3},
        {"zero height", 8, 4, 0},
        {"top-down", 8, 4, -4},
        {"planes 0", 12, 2, 0},
        {"planes 2", 12, 2, 2},
        {"4 bits", 14, 2, 4},
        {"16 bits", 14, 2, 16},
        {"32 bits", 14, 2, 32},
        {"RLE8", 16, 4, 1},
        {"bitfields", 16, 4, 3},
        {"image size off by 4", 20, 4, 404},
        {"short palette", 32, 4, 16},
        {"huge width", 4, 4, 0x7FFFFFFF},
        {"just over 2^31 bytes", 8, 4, 21474837},
    };
    for (const Case &c : cases) {
        std::vector<std::uint8_t> dib = MakeDib(100, 4, 8, 0x11);  // pitch 100, 400 bytes
        std::memcpy(dib.data() + c.offset, &c.value, c.bytes);
        if (c.offset == 4 || c.offset == 8) PutAt<std::uint32_t>(dib, 20, 0);
        const std::vector<std::uint8_t> before = dib;
        ZrImage image = Blank(5, 6, 1, 1);
        ASSERT_EQ(ImageFromDib(&image, dib.data()), 3) << c.what;
        EXPECT_EQ(image.dib, nullptr) << c.what;
        EXPECT_EQ(image.bits, nullptr);
        EXPECT_EQ(image.width, 5u);
        EXPECT_EQ(image.height, 6u);
        EXPECT_EQ(image.bitsPerPixel, 1);
        EXPECT_EQ(image.polarity, 1);
        EXPECT_EQ(dib, before) << c.what;
    }
}

TEST(ImageFromDib, OversizeColourPictureIsRefused) {
    // 24 bits, 30000 x 30000: 2.7 GB of pixels; only the header exists.
    std::vector<std::uint8_t> dib = MakeDib(1, 1, 24);
    PutAt<std::int32_t>(dib, 4, 30000);
    PutAt<std::int32_t>(dib, 8, 30000);
    PutAt<std::uint32_t>(dib, 20, 0);
    ZrImage image{};
    EXPECT_EQ(ImageFromDib(&image, dib.data()), 3);
    EXPECT_EQ(image.dib, nullptr);
}

TEST(ImageFromDib, NullArguments) {
    std::vector<std::uint8_t> dib = MakeDib(1, 1, 1);
    EXPECT_EQ(ImageFromDib(nullptr, dib.data()), 1);
    ZrImage image = Blank(3, 3, 8);
    EXPECT_EQ(ImageFromDib(&image, nullptr), 14);
    EXPECT_EQ(image.dib, nullptr);
}

TEST(ImageFromDib, UnalignedDibIsRead) {
    const std::vector<std::uint8_t> aligned = MakeDib(3, 1, 24, 0x33);
    std::vector<std::uint8_t> shifted(aligned.size() + 1);
    std::copy(aligned.begin(), aligned.end(), shifted.begin() + 1);
    ZrImage image{};
    ASSERT_EQ(ImageFromDib(&image, shifted.data() + 1), 0);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(static_cast<std::uint8_t *>(image.bits)[8], 0x33);
    ImageDestroy(&image);
}

TEST(ImageCopy, TargetIsIndependent) {
    ZrImage source = Blank(10, 3, 1, 1);
    source.xDpi = 600;
    zr_test::SetBit(source, 1, 4, false);
    ZrImage target = Blank(2, 2, 24);
    ASSERT_EQ(ImageCopy(&source, &target), 0);
    EXPECT_NE(target.dib, source.dib);
    EXPECT_EQ(target.width, 10u);
    EXPECT_EQ(target.bitsPerPixel, 1);
    EXPECT_EQ(target.polarity, 1);
    EXPECT_EQ(target.xDpi, 600u);
    EXPECT_EQ(zr_test::Pixels(target), zr_test::Pixels(source));
    EXPECT_TRUE(ImageIsDark(&target, 4, 1));
    zr_test::SetBit(source, 1, 4, true);
    EXPECT_TRUE(ImageIsDark(&target, 4, 1));
    ImageDestroy(&source);
    EXPECT_FALSE(ImageIsDark(&target, 5, 1));  // still readable after the source is gone
    ImageDestroy(&target);
}

TEST(ImageCopy, StatusCodes) {
    ZrImage empty{};
    ZrImage target = Blank(2, 2, 8);
    EXPECT_EQ(ImageCopy(nullptr, &target), 1);
    EXPECT_EQ(ImageCopy(&target, nullptr), 1);
    EXPECT_EQ(ImageCopy(&empty, &target), 2);
    EXPECT_NE(target.dib, nullptr);  // untouched on a refused source
    EXPECT_EQ(ImageCopy(&target, &target), 0);
    EXPECT_NE(target.dib, nullptr);
    ImageDestroy(&target);
}

// Row changes counted a word, a byte and a pixel at a time agree with a
// plain count from any start to any end, also where `enough` stops the count.
TEST(RowChanges, AgreeWithAPlainCountOnRandomRows) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 300; ++trial) {
        const auto width = static_cast<std::uint32_t>(1 + random() % 400);
        ZrImage image = Blank(width, 1, 1);
        const BitImageView view(image);
        const int density = static_cast<int>(random() % 4);  // 0: no bit set ... 3: five in six set
        for (std::uint32_t x = 0; x < width; ++x)
            if (density > 0 && static_cast<int>(random() % 6) < 2 * density - 1)
                view.MutableRow(0)[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
        const int x0 = static_cast<int>(random() % width);
        const int x1 = x0 + 1 + static_cast<int>(random() % (width - x0));
        const int enough = trial % 3 == 0 ? static_cast<int>(random() % 100) : 1 << 30;
        int plain = 0;
        for (int x = x0 + 1; x < x1 && plain < enough; ++x)
            plain += view.Dark(x, 0) != view.Dark(x - 1, 0) ? 1 : 0;
        if (plain >= enough) {
            // The count stops within the byte where it reaches `enough`.
            const int counted = RowChanges(view, 0, x0, x1, enough);
            EXPECT_GE(counted, enough) << trial;
            EXPECT_LT(counted, enough + 8) << trial;
        } else {
            EXPECT_EQ(RowChanges(view, 0, x0, x1, enough), plain) << trial;
        }
        ImageDestroy(&image);
    }
}

}  // namespace
