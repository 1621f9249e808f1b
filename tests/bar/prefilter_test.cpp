// The thorough mode's prefilter against a plain per-pixel version.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "bar/stages.hpp"
#include "core/image.hpp"

namespace zr::bar {
namespace {

bool Bit(const std::uint8_t *row, int x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// The filter pixel by pixel: the row before is the filtered one, the row
// itself is judged as it was, pixels outside the picture are clear.
void ReferencePrefilter(ZrImage &image) {
    const int width = static_cast<int>(image.width);
    const int height = static_cast<int>(image.height);
    auto *bits = static_cast<std::uint8_t *>(image.bits);
    std::vector<std::uint8_t> before(image.pitch, 0), original(image.pitch);
    auto at = [&](const std::uint8_t *row, int x) { return x >= 0 && x < width && Bit(row, x); };
    for (int r = 0; r + 1 < height; ++r) {
        std::uint8_t *row = bits + r * image.pitch;
        const std::uint8_t *after = row + image.pitch;
        original.assign(row, row + image.pitch);
        for (int x = 0; x < width; ++x) {
            int count = at(original.data(), x - 1) + at(original.data(), x + 1);
            for (int c = x - 1; c <= x + 1; ++c) count += at(before.data(), c) || at(after, c);
            if (count < 3) row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] & ~(0x80u >> (x & 7)));
        }
        before.assign(row, row + image.pitch);
    }
}

TEST(BarPrefilter, MatchesThePerPixelFilterOnNoise) {
    std::mt19937 random(3);
    for (std::uint32_t width = 1; width <= 41; width += 4) {
        for (const std::uint16_t polarity :
             {std::uint16_t{0}, std::uint16_t{1}}) {  // polarity 1 leaves the padding bits set
            SCOPED_TRACE(testing::Message() << "width " << width << " polarity " << polarity);
            ZrImage image{};
            image.width = width;
            image.height = 9;
            image.bitsPerPixel = 1;
            image.polarity = polarity;
            ASSERT_EQ(ImageCreate(&image), 0);
            auto *bits = static_cast<std::uint8_t *>(image.bits);
            for (std::uint32_t i = 0; i < image.size; ++i) {
                // Dense noise, so that both kept and cleared pixels occur.
                bits[i] = static_cast<std::uint8_t>(random() | random());
            }
            ZrImage expected{};
            ASSERT_EQ(ImageCopy(&image, &expected), 0);
            ReferencePrefilter(expected);
            BarPrefilter(image);
            EXPECT_EQ(std::vector<std::uint8_t>(bits, bits + image.size),
                      std::vector<std::uint8_t>(static_cast<std::uint8_t *>(expected.bits),
                                                static_cast<std::uint8_t *>(expected.bits) + expected.size));
            ImageDestroy(&image);
            ImageDestroy(&expected);
        }
    }
}

TEST(BarPrefilter, ThinsUnsupportedLinesAndKeepsSolidBars) {
    ZrImage image{};
    image.width = 16;
    image.height = 6;
    image.bitsPerPixel = 1;
    ASSERT_EQ(ImageCreate(&image), 0);  // polarity 0: set bits are dark
    auto *bits = static_cast<std::uint8_t *>(image.bits);
    bits[2 * image.pitch] = 0xFF;  // a one-pixel horizontal line across stored row 2
    for (int r = 0; r < 6; ++r) bits[r * image.pitch + 1] = 0x0F;  // a four-pixel wide bar
    BarPrefilter(image);
    EXPECT_EQ(bits[2 * image.pitch], 0);  // no pixel of the line has 3 supports
    for (int r = 1; r < 5; ++r) EXPECT_EQ(bits[r * image.pitch + 1], 0x0F) << r;
    EXPECT_EQ(bits[5 * image.pitch + 1], 0x0F);  // the last stored row is never filtered
    ImageDestroy(&image);
}

// EraseSymbol fills exactly the columns and rows of the outline's bounding
// box with the ground colour, whatever byte they start and end in.
TEST(EraseSymbol, FillsExactlyTheBoundingBox) {
    for (const int x0 : {0, 3, 8, 13}) {
        for (const int x1 : {x0, x0 + 1, x0 + 7, x0 + 12, 39}) {
            SCOPED_TRACE(testing::Message() << "columns " << x0 << " to " << x1);
            ZrImage image{};
            image.width = 40;
            image.height = 5;
            image.bitsPerPixel = 1;
            ASSERT_EQ(ImageCreate(&image), 0);  // polarity 0: set bits are dark
            auto *bits = static_cast<std::uint8_t *>(image.bits);
            std::fill(bits, bits + image.size, std::uint8_t{0xFF});
            const QuadI outline = {{x0, 1}, {x1, 1}, {x1, 3}, {x0, 3}};
            EraseSymbol(outline, kDarkBars, image);  // dark bars: the ground is light
            for (int y = 0; y < 5; ++y) {
                const std::uint8_t *row = bits + (4 - y) * image.pitch;  // rows are stored bottom-up
                for (int x = 0; x < 40; ++x) {
                    const bool inside = y >= 1 && y <= 3 && x >= x0 && x <= x1;
                    EXPECT_EQ(Bit(row, x), !inside) << x << "," << y;
                }
            }
            ImageDestroy(&image);
        }
    }
}

}  // namespace
}  // namespace zr::bar
