// Run extraction: the four-at-a-time writer against the one-at-a-time one and
// against the pixels, on rows from empty to alternating pixels, with the
// buffer's spare room checked after every row.
#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <utility>
#include <vector>

#include "core/image.hpp"
#include "core/regions/row_runs.hpp"
#include "support/render.hpp"

namespace zr::regions {
namespace {

constexpr int kWidth = 301, kHeight = 48;
constexpr std::int32_t kCanary = -77;

// Rows of every kind: noise of several densities, alternating pixels (the
// most changes a row can have), all dark and all light.
test::Raster MixedRows(std::uint32_t seed) {
    test::Raster r = test::Canvas(kWidth, kHeight);
    std::mt19937 random(seed);
    for (int y = 0; y < kHeight; ++y) {
        const int kind = y % 6;
        for (int x = 0; x < kWidth; ++x) {
            bool dark = false;
            if (kind == 0) dark = random() % 2 != 0;
            if (kind == 1) dark = random() % 10 == 0;
            if (kind == 2) dark = random() % 10 != 0;
            if (kind == 3) dark = (x + y) % 2 != 0;
            if (kind == 4) dark = true;
            r.at(x, y) = dark ? 0 : 255;
        }
    }
    return r;
}

// Bounds of the dark runs within [left, right] pixel by pixel, with the
// sentinel pair.
std::vector<std::int32_t> PixelBounds(const BitImageView &view, int y, int left, int right) {
    std::vector<std::int32_t> bounds;
    for (int x = left; x <= right; ++x) {
        if (!view.Dark(x, y)) continue;
        bounds.push_back(x);
        while (x < right && view.Dark(x + 1, y)) ++x;
        bounds.push_back(x + 1);
    }
    bounds.push_back(right + 2);
    bounds.push_back(right + 3);
    return bounds;
}

// The bounds one extractor writes into a buffer of exactly the capacity,
// followed by canaries that must survive.
std::vector<std::int32_t> Extract(int (*extract)(const BitImageView &, int, int, int, std::int32_t *),
                                  const BitImageView &view, int y, int left, int right) {
    const std::size_t capacity = RowBoundsCapacity(left, right);
    std::vector<std::int32_t> buffer(capacity + 4, kCanary);
    const int count = extract(view, y, left, right, buffer.data());
    for (std::size_t i = capacity; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], kCanary) << "past the capacity";
    EXPECT_LE(2 * static_cast<std::size_t>(count) + 2, capacity);
    buffer.resize(2 * static_cast<std::size_t>(count) + 2);
    return buffer;
}

TEST(RowRunBounds, BothWritersGiveThePixelsRunsOnEveryKindOfRow) {
    if (!HasCountInstructions()) std::cout << "no tzcnt and popcnt: both calls take one change at a time\n";
    std::mt19937 random(17);
    for (const bool darkIsZero : {false, true}) {
        const std::vector<std::uint8_t> dib = test::ToDib(MixedRows(darkIsZero ? 3 : 4), 1, 0, darkIsZero);
        ZrImage image{};
        ASSERT_EQ(ImageFromDib(&image, dib.data()), 0);
        const BitImageView view(image);
        for (int y = 0; y < kHeight; ++y) {
            std::vector<std::pair<int, int>> spans = {{0, kWidth - 1}, {1, kWidth - 2}, {63, 64},   {64, 127},
                                                      {7, 8},          {0, 0},          {300, 300}, {5, 260}};
            for (int k = 0; k < 6; ++k) {
                const int left = static_cast<int>(random() % kWidth);
                spans.emplace_back(left, left + static_cast<int>(random() % (kWidth - left)));
            }
            for (const auto &[left, right] : spans) {
                const std::vector<std::int32_t> expected = PixelBounds(view, y, left, right);
                ASSERT_EQ(Extract(RowRunBounds, view, y, left, right), expected)
                    << "row " << y << " columns " << left << ".." << right;
                ASSERT_EQ(Extract(RowRunBoundsOneAtATime, view, y, left, right), expected)
                    << "row " << y << " columns " << left << ".." << right;
            }
        }
        ImageDestroy(&image);
    }
}

}  // namespace
}  // namespace zr::regions
