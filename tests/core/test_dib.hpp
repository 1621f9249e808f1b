// Builds caller-side packed DIBs byte by byte, independently of the library's
// header code, and blank working pictures for the core tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "core/image.hpp"
#include "zr/ZrImage.h"

namespace zr_test {

template <typename T>
void PutAt(std::vector<std::uint8_t> &dib, std::size_t offset, T value) {
    std::memcpy(dib.data() + offset, &value, sizeof(T));
}

template <typename T>
T GetAt(const void *dib, std::size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const std::uint8_t *>(dib) + offset, sizeof(T));
    return value;
}

// A blank white picture made by ImageCreate, at 300 dots per inch.
inline ZrImage Blank(std::uint32_t width, std::uint32_t height, std::uint16_t bpp,
                     std::uint16_t polarity = 0) {
    ZrImage image{};
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bpp;
    image.polarity = polarity;
    image.xDpi = image.yDpi = 300;
    EXPECT_EQ(zr::ImageCreate(&image), 0);
    return image;
}

inline std::uint32_t Pitch(std::uint32_t width, std::uint32_t bpp) {
    return ((bpp * width + 31) / 32) * 4;
}

// A well-formed bottom-up DIB; palette entries default to a grey ramp (1 bit: black, white),
// pixels to `fill`.
inline std::vector<std::uint8_t> MakeDib(std::int32_t width, std::int32_t height, std::uint16_t bpp,
                                         std::uint8_t fill = 0) {
    const std::uint32_t entries = bpp == 1 ? 2 : bpp == 8 ? 256 : 0;
    const std::uint32_t size = Pitch(width, bpp) * height;
    std::vector<std::uint8_t> dib(40 + entries * 4 + size, fill);
    std::memset(dib.data(), 0, 40 + entries * 4);
    PutAt<std::uint32_t>(dib, 0, 40);
    PutAt<std::int32_t>(dib, 4, width);
    PutAt<std::int32_t>(dib, 8, height);
    PutAt<std::uint16_t>(dib, 12, 1);
    PutAt<std::uint16_t>(dib, 14, bpp);
    PutAt<std::uint32_t>(dib, 20, size);
    PutAt<std::int32_t>(dib, 24, 11811);
    PutAt<std::int32_t>(dib, 28, 3937);
    PutAt<std::uint32_t>(dib, 32, entries);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const auto level = static_cast<std::uint8_t>(bpp == 1 ? i * 255 : i);
        dib[40 + 4 * i] = dib[41 + 4 * i] = dib[42 + 4 * i] = level;
    }
    return dib;
}

inline std::uint8_t *Row(const ZrImage &image, std::uint32_t storedRow) {
    return static_cast<std::uint8_t *>(image.bits) + storedRow * image.pitch;
}

inline bool Bit(const ZrImage &image, std::uint32_t storedRow, std::uint32_t x) {
    return (Row(image, storedRow)[x / 8] >> (7 - x % 8)) & 1;
}

inline void SetBit(const ZrImage &image, std::uint32_t storedRow, std::uint32_t x, bool value) {
    std::uint8_t &byte = Row(image, storedRow)[x / 8];
    const auto mask = static_cast<std::uint8_t>(0x80 >> (x % 8));
    byte = value ? byte | mask : byte & ~mask;
}

inline std::vector<std::uint8_t> Pixels(const ZrImage &image) {
    const auto *bits = static_cast<const std::uint8_t *>(image.bits);
    return std::vector<std::uint8_t>(bits, bits + image.size);
}

// The pixels of a blank bi-level picture of the given size.
inline std::vector<std::uint8_t> BlankPixels(std::uint32_t width, std::uint32_t height) {
    ZrImage blank = Blank(width, height, 1);
    std::vector<std::uint8_t> pixels = Pixels(blank);
    zr::ImageDestroy(&blank);
    return pixels;
}

}  // namespace zr_test
