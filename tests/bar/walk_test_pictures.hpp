// Bi-level pictures for comparing the fast walks with plain pixel-by-pixel
// ones: noise of varying density (even numbers) or stripes of random widths
// turned by a random angle (odd numbers), in both polarities by turns.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/image.hpp"
#include "support/render.hpp"

namespace zr::bar::test {

// The caller destroys the image.
inline ZrImage NoiseOrStripes(int picture, std::mt19937 &random) {
    auto pick = [&](unsigned n) { return static_cast<int>(random() % n); };
    zr::test::Raster raster;
    if (picture % 2 == 0) {
        raster = zr::test::AddNoise(zr::test::Canvas(150 + pick(200), 100 + pick(150), 128), 30 + pick(100),
                                    static_cast<std::uint32_t>(picture));
    } else {
        raster = zr::test::Canvas(260, 180, 235);
        for (int x = 0, dark = 0; x < raster.width; dark ^= 1) {
            const int run = 1 + pick(dark ? 6 : 14);
            for (int k = 0; k < run && x < raster.width; ++k, ++x)
                if (dark)
                    for (int y = 0; y < raster.height; ++y) raster.at(x, y) = 20;
        }
        raster = zr::test::Rotate(raster, pick(360), false, 235);
    }
    const std::vector<std::uint8_t> dib = zr::test::ToDib(raster, 1, 0, picture % 4 < 2);
    ZrImage image{};
    EXPECT_EQ(ImageFromDib(&image, dib.data()), ZR_OK);
    return image;
}

}  // namespace zr::bar::test
