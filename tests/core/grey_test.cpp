// Grey conversion, threshold, binarisation and the bi-level whole-image operations.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/grey.hpp"
#include "core/image.hpp"
#include "test_dib.hpp"

using namespace zr;
using zr_test::Bit;
using zr_test::Blank;
using zr_test::Pixels;
using zr_test::Row;
using zr_test::SetBit;

namespace {

TEST(IterativeThreshold, SettlesBetweenTheHalvedClassMeans) {
    Histogram h{};
    h[0] = h[255] = 500;
    EXPECT_EQ(IterativeThreshold(h), 127);
    for (int g : {0, 1, 90, 200, 254, 255}) {
        Histogram uniform{};
        uniform[g] = 1000;
        EXPECT_EQ(IterativeThreshold(uniform), g / 2) << g;
    }
    Histogram dim{};
    dim[20] = dim[60] = 10;  // 128 -> 0 + 40 / 2 = 20 -> 60 / 2 + 20 / 2 = 40 -> 40
    EXPECT_EQ(IterativeThreshold(dim), 40);
    Histogram mid{};
    mid[128] = mid[255] = 1;  // 128 starts in the low class: 64 + 127 = 191
    EXPECT_EQ(IterativeThreshold(mid), 191);
}

TEST(ImageToGrey, ConvertsColourAndBilevel) {
    ZrImage colour = Blank(2, 1, 24);
    std::uint8_t *p = Row(colour, 0);
    p[0] = 0, p[1] = 255, p[2] = 0;   // green
    p[3] = 10, p[4] = 20, p[5] = 30;  // 1.1 + 11.8 + 9 + 0.5 = 22.4
    ASSERT_EQ(ImageToGrey(&colour), 0);
    EXPECT_EQ(colour.bitsPerPixel, 8);
    EXPECT_EQ(colour.pitch, 4);
    EXPECT_EQ(Row(colour, 0)[0], 150);
    EXPECT_EQ(Row(colour, 0)[1], 22);
    EXPECT_EQ(Row(colour, 0)[2], 255);  // padding stays white
    ImageDestroy(&colour);

    for (const std::uint16_t polarity : {std::uint16_t{0}, std::uint16_t{1}}) {
        ZrImage mono = Blank(10, 2, 1, polarity);
        SetBit(mono, 1, 9, polarity == 0);  // dark pixel in the last column of the top row
        ASSERT_EQ(ImageToGrey(&mono), 0);
        EXPECT_EQ(mono.polarity, polarity);
        for (std::uint32_t x = 0; x < 10; ++x) {
            EXPECT_EQ(Row(mono, 1)[x], x == 9 ? 0 : 255) << x;
            EXPECT_EQ(Row(mono, 0)[x], 255);
        }
        ImageDestroy(&mono);
    }
}

TEST(GreyHistogram, CountsPicturePixelsOnly) {
    ZrImage image = Blank(3, 2, 8);  // pitch 4: one padding byte per row
    Row(image, 0)[0] = 7;
    Row(image, 1)[2] = 7;
    Row(image, 1)[3] = 9;  // padding
    Histogram h;
    h.fill(123);
    ASSERT_EQ(GreyHistogram(&image, &h), 0);
    EXPECT_EQ(h[7], 2u);
    EXPECT_EQ(h[255], 4u);
    EXPECT_EQ(h[9], 0u);
    EXPECT_EQ(h[0], 0u);

    EXPECT_EQ(GreyHistogram(nullptr, &h), 1);
    EXPECT_EQ(GreyHistogram(&image, nullptr), 1);
    ImageDestroy(&image);
    EXPECT_EQ(GreyHistogram(&image, &h), 2);
    ZrImage colour = Blank(3, 2, 24);
    EXPECT_EQ(GreyHistogram(&colour, &h), 3);
    ImageDestroy(&colour);
}

TEST(ImageToMono, ThresholdsGreyIntoPolarityZero) {
    // Left half black, right half white, 11 wide so the last byte is partial.
    ZrImage image = Blank(11, 3, 8, 5);
    for (std::uint32_t r = 0; r < 3; ++r)
        for (std::uint32_t x = 0; x < 5; ++x) Row(image, r)[x] = 30;
    ASSERT_EQ(ImageToMono(&image), 0);
    EXPECT_EQ(image.bitsPerPixel, 1);
    EXPECT_EQ(image.polarity, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 11; ++x) EXPECT_EQ(ImageIsDark(&image, x, y), x < 5) << x << "," << y;
    ImageDestroy(&image);
}

TEST(BinarizeGrey, WritesPicturePixelsOnly) {
    ZrImage grey = Blank(11, 1, 8);
    std::fill(Row(grey, 0) + 8, Row(grey, 0) + 11, 0);
    ZrImage mono = Blank(11, 1, 1, 1);
    Histogram h{};
    h[0] = h[255] = 1;
    BinarizeGrey(&grey, &mono, h);
    EXPECT_EQ(Row(mono, 0)[0], 0xFF);
    EXPECT_EQ(Row(mono, 0)[1], 0x1F);  // pixels 8..10 dark, padding bits untouched
    EXPECT_EQ(Row(mono, 0)[2], 0xFF);
    ImageDestroy(&grey);
    ImageDestroy(&mono);
}

TEST(ImageToMono, UniformGreyAndColourBecomeAllLight) {
    for (const std::uint8_t g : {std::uint8_t{0}, std::uint8_t{77}, std::uint8_t{255}}) {
        ZrImage image = Blank(9, 2, 8);
        for (std::uint32_t r = 0; r < 2; ++r) std::fill(Row(image, r), Row(image, r) + 9, g);
        ASSERT_EQ(ImageToMono(&image), 0);
        for (int x = 0; x < 9; ++x) EXPECT_FALSE(ImageIsDark(&image, x, 1)) << int(g);
        ImageDestroy(&image);
    }
    ZrImage colour = Blank(4, 4, 24);
    ASSERT_EQ(ImageToMono(&colour), 0);
    EXPECT_EQ(colour.bitsPerPixel, 1);
    EXPECT_FALSE(ImageIsDark(&colour, 3, 3));
    ImageDestroy(&colour);
}

TEST(ImageToMono, BilevelUntouchedAndStatusCodes) {
    ZrImage mono = Blank(12, 3, 1, 1);
    SetBit(mono, 2, 5, false);
    const void *dib = mono.dib;
    const std::vector<std::uint8_t> before = Pixels(mono);
    EXPECT_EQ(ImageToMono(&mono), 0);
    EXPECT_EQ(mono.dib, dib);
    EXPECT_EQ(mono.polarity, 1);
    EXPECT_EQ(Pixels(mono), before);
    ImageDestroy(&mono);

    ZrImage empty{};
    EXPECT_EQ(ImageToMono(nullptr), 1);
    EXPECT_EQ(ImageToGrey(nullptr), 1);
    EXPECT_EQ(ImageToMono(&empty), 2);
    EXPECT_EQ(ImageToGrey(&empty), 2);
    ZrImage odd = Blank(4, 4, 8);
    odd.bitsPerPixel = 4;  // a depth no operation accepts
    EXPECT_EQ(ImageToMono(&odd), 3);
    EXPECT_EQ(ImageToGrey(&odd), 3);
    ImageDestroy(&odd);
}

// Straightforward per-pixel despeckle used as the reference.
void ReferenceDespeckle(ZrImage &image) {
    if (image.height < 4) return;
    const std::uint32_t lastX = 8 * ((image.width + 7) / 8 - 1);
    for (std::uint32_t r = 1; r + 3 <= image.height; ++r) {
        const std::vector<std::uint8_t> unfiltered(Row(image, r), Row(image, r) + image.pitch);
        auto at = [&](std::uint32_t row, std::uint32_t x) {
            return row == r ? (unfiltered[x / 8] >> (7 - x % 8)) & 1 : int(Bit(image, row, x));
        };
        for (std::uint32_t x = 1; x <= lastX; ++x) {
            int sum = 0;
            for (std::uint32_t row = r - 1; row <= r + 1; ++row)
                for (std::uint32_t c = x - 1; c <= x + 1; ++c) sum += (row != r || c != x) ? at(row, c) : 0;
            const int centre = at(r, x);
            if (centre == 0 && sum == 8) SetBit(image, r, x, true);
            if (centre == 1 && sum == 0) SetBit(image, r, x, false);
        }
    }
}

TEST(ImageDespeckle, FlipsLonePixelsOnlyInsideTheVisitedArea) {
    ZrImage image = Blank(20, 6, 1, 0);  // visited: stored rows 1..3, pixels 1..16
    const std::pair<std::uint32_t, std::uint32_t> flipped[] = {{1, 7}, {3, 8}, {2, 12}, {3, 1}, {2, 16}};
    const std::pair<std::uint32_t, std::uint32_t> kept[] = {{1, 0}, {0, 5}, {4, 5}, {5, 15}, {1, 18}};
    for (auto [r, x] : flipped) SetBit(image, r, x, true);
    for (auto [r, x] : kept) SetBit(image, r, x, true);
    ImageDespeckle(&image);
    for (auto [r, x] : flipped) EXPECT_FALSE(Bit(image, r, x)) << r << "," << x;
    for (auto [r, x] : kept) EXPECT_TRUE(Bit(image, r, x)) << r << "," << x;
    ImageDestroy(&image);

    ZrImage hole = Blank(16, 6, 1, 1);  // all bits 1; visited pixels 1..8
    SetBit(hole, 1, 3, false);
    SetBit(hole, 2, 9, false);
    ImageDespeckle(&hole);
    EXPECT_TRUE(Bit(hole, 1, 3));
    EXPECT_FALSE(Bit(hole, 2, 9));
    ImageDestroy(&hole);

    ZrImage small = Blank(16, 3, 1, 0);
    SetBit(small, 1, 4, true);
    ImageDespeckle(&small);
    EXPECT_TRUE(Bit(small, 1, 4));
    ImageDestroy(&small);
}

TEST(ImageDespeckle, MatchesPerPixelReferenceOnNoise) {
    std::mt19937 random(7);
    int changedImages = 0;
    for (std::uint32_t width : {9u, 16u, 17u, 31u, 40u, 64u, 65u, 72u, 130u, 200u}) {
        ZrImage image = Blank(width, 9, 1, 0);
        auto *bits = static_cast<std::uint8_t *>(image.bits);
        // Sparse noise on one half, dense on the other, so both flips occur.
        for (std::uint32_t i = 0; i < image.size; ++i) {
            const auto a = static_cast<std::uint8_t>(random()), b = static_cast<std::uint8_t>(random()),
                       c = static_cast<std::uint8_t>(random());
            bits[i] = i < image.size / 2 ? a & b & c : a | b | c;
        }
        ZrImage expected{};
        ASSERT_EQ(ImageCopy(&image, &expected), 0);
        ReferenceDespeckle(expected);
        changedImages += Pixels(expected) != Pixels(image);
        ImageDespeckle(&image);
        EXPECT_EQ(Pixels(image), Pixels(expected)) << width;
        ImageDestroy(&image);
        ImageDestroy(&expected);
    }
    EXPECT_GE(changedImages, 4);  // the noise really contains lone pixels
}

TEST(ImageClearBorder, PaintsFrameLight) {
    for (const std::uint16_t polarity : {std::uint16_t{0}, std::uint16_t{1}}) {
        ZrImage image = Blank(10, 4, 1, polarity);
        ImageInvert(&image);  // all dark, padding included
        ImageClearBorder(&image);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool frame = y == 0 || y == 3 || x == 0 || x == 9;
                EXPECT_EQ(ImageIsDark(&image, x, y), !frame) << polarity << ":" << x << "," << y;
            }
        const std::uint8_t light = polarity ? 0xFF : 0x00;
        EXPECT_EQ(Row(image, 0)[3], light);                              // whole row, padding too
        EXPECT_EQ(Row(image, 1)[3], static_cast<std::uint8_t>(~light));  // middle-row padding kept
        ImageDestroy(&image);
    }
}

// The light frame the QR second look searches in: the copy, the repaint
// after an inversion, and the test for print on the edge, pixel by pixel.
TEST(LightFrame, FramesCopiesAndFindsPrintOnTheEdge) {
    std::mt19937 random(11);
    constexpr std::uint32_t kFrameBytes = 2, kFrame = 8 * kFrameBytes;
    for (const std::uint16_t polarity : {std::uint16_t{0}, std::uint16_t{1}})
        for (const std::uint32_t width : {1u, 7u, 8u, 13u, 64u, 70u}) {
            SCOPED_TRACE(std::to_string(width) + " wide, polarity " + std::to_string(polarity));
            const std::uint32_t height = 5;
            ZrImage image = Blank(width, height, 1, polarity);
            ImageInvert(&image);  // the padding past the width dark: the copy must not take it
            for (std::uint32_t r = 0; r < height; ++r)
                for (std::uint32_t x = 0; x < width; ++x) SetBit(image, r, x, random() & 1);
            const auto dark = [&](std::uint32_t x, std::uint32_t y) {
                return ImageIsDark(&image, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
            };
            bool onEdge = false;
            for (std::uint32_t y = 0; y < height; ++y)
                for (std::uint32_t x = 0; x < width; ++x)
                    onEdge |= (x == 0 || y == 0 || x + 1 == width || y + 1 == height) && dark(x, y);
            EXPECT_EQ(DarkTouchesEdge(image), onEdge);

            ZrImage framed{};
            ASSERT_EQ(ImageWithLightFrame(image, kFrameBytes, &framed), ZR_OK);
            ASSERT_EQ(framed.width, width + 2 * kFrame);
            ASSERT_EQ(framed.height, height + 2 * kFrame);
            EXPECT_FALSE(DarkTouchesEdge(framed));
            const auto inside = [&](std::uint32_t x, std::uint32_t y) {
                return x >= kFrame && x < kFrame + width && y >= kFrame && y < kFrame + height;
            };
            for (const bool inverted : {false, true}) {
                int wrong = 0;
                for (std::uint32_t y = 0; y < framed.height; ++y)
                    for (std::uint32_t x = 0; x < framed.width; ++x) {
                        const bool expected = inside(x, y) && (dark(x - kFrame, y - kFrame) != inverted);
                        wrong += ImageIsDark(&framed, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)) != expected;
                    }
                EXPECT_EQ(wrong, 0) << (inverted ? "repainted" : "copied");
                ImageInvert(&framed);
                PaintFrameLight(&framed, kFrameBytes, width);
            }
            ImageDestroy(&framed);
            ImageDestroy(&image);
        }
    ZrImage interior = Blank(20, 6, 1, 0);
    SetBit(interior, 2, 9, true);
    EXPECT_FALSE(DarkTouchesEdge(interior));
    ZrImage grey = Blank(8, 8, 8);
    ZrImage framed{};
    EXPECT_EQ(ImageWithLightFrame(grey, 1, &framed), ZR_ERR_BAD_FORMAT);
    EXPECT_EQ(framed.dib, nullptr);
    ImageDestroy(&grey);
    ImageDestroy(&interior);
}

TEST(ImageInvert, ComplementsAndRestores) {
    ZrImage image = Blank(5, 3, 24);
    Row(image, 1)[4] = 0x12;
    const std::vector<std::uint8_t> before = Pixels(image);
    ImageInvert(&image);
    EXPECT_EQ(Row(image, 1)[4], 0xED);
    EXPECT_EQ(Row(image, 2)[15], 0x00);  // padding
    ImageInvert(&image);
    EXPECT_EQ(Pixels(image), before);
    ImageDestroy(&image);
}

// Words and the bytes after the last whole word: every stored byte, padding
// included, is complemented, for sizes that are and are not whole words.
TEST(ImageInvert, ComplementsEveryByteOfAnyLength) {
    for (const std::uint32_t height : {1u, 2u, 3u, 5u, 9u}) {
        ZrImage image = Blank(20, height, 1);
        auto *bits = static_cast<std::uint8_t *>(image.bits);
        for (std::uint32_t i = 0; i < image.size; ++i) bits[i] = static_cast<std::uint8_t>(i * 37 + 11);
        ImageInvert(&image);
        for (std::uint32_t i = 0; i < image.size; ++i)
            ASSERT_EQ(bits[i], static_cast<std::uint8_t>(~(i * 37 + 11))) << "size " << image.size << " byte " << i;
        ImageDestroy(&image);
    }
}

TEST(BilevelOperations, IgnoreNullEmptyAndWrongDepth) {
    ZrImage empty{};
    ZrImage grey = Blank(8, 8, 8);
    const std::vector<std::uint8_t> before = Pixels(grey);
    for (ZrImage *image : {static_cast<ZrImage *>(nullptr), &empty, &grey}) {
        ImageDespeckle(image);
        ImageClearBorder(image);
        if (image != &grey) ImageInvert(image);
    }
    BinarizeGrey(nullptr, &grey, Histogram{});
    BinarizeGrey(&grey, &grey, Histogram{});
    EXPECT_EQ(Pixels(grey), before);
    ImageDestroy(&grey);
}

}  // namespace
