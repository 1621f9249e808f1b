// Test records, pixel access and scratch files for the image file tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "zr/ZrImgRW.h"

namespace imgrw_test {

// A record freed when the test ends.
struct Image {
    Image() = default;
    Image(const Image &) = delete;
    Image &operator=(const Image &) = delete;
    ~Image() { ZrDestroyImage(&rec); }
    ZrImage *operator->() { return &rec; }
    ZrImage rec{};
};

// Scratch files live in a folder of this process (the cases may run in parallel
// processes), removed when the tests end.
inline std::string TempFolder() {
    return ::testing::TempDir() + "zr_imgrw_" + std::to_string(getpid()) + "/";
}

inline std::string TempFile(const std::string &name) {
    std::filesystem::create_directories(TempFolder());
    return TempFolder() + name;
}

inline std::vector<std::uint8_t> FileBytes(const std::string &path) {
    std::vector<std::uint8_t> bytes;
    if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<std::uint8_t>(c));
        std::fclose(f);
    }
    return bytes;
}

inline void PutFile(const std::string &path, const std::vector<std::uint8_t> &bytes, std::size_t length) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (length) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, length, f), length);
    }
    std::fclose(f);
}

inline bool Exists(const std::string &path) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// Stored row of picture row y (y from the top).
inline std::uint8_t *Row(const ZrImage &image, std::uint32_t y) {
    return static_cast<std::uint8_t *>(image.bits) + std::size_t{image.height - 1 - y} * image.pitch;
}

struct Rgb {
    int red, green, blue;
};

// The colour a pixel shows, whatever the depth.
inline Rgb ColourAt(const ZrImage &image, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t *row = Row(image, y);
    if (image.bitsPerPixel == 24) return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    if (image.bitsPerPixel == 8) return {row[x], row[x], row[x]};
    const bool set = (row[x >> 3] >> (7 - (x & 7))) & 1;
    const int level = set == (image.polarity != 0) ? 255 : 0;
    return {level, level, level};
}

inline void SetColour(ZrImage *image, std::uint32_t x, std::uint32_t y, Rgb c) {
    std::uint8_t *row = Row(*image, y);
    if (image->bitsPerPixel == 24) {
        row[3 * x] = static_cast<std::uint8_t>(c.blue);
        row[3 * x + 1] = static_cast<std::uint8_t>(c.green);
        row[3 * x + 2] = static_cast<std::uint8_t>(c.red);
    } else if (image->bitsPerPixel == 8) {
        row[x] = static_cast<std::uint8_t>(c.red);
    } else {
        const bool dark = c.red < 128;
        const auto bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
        if (dark == (image->polarity != 0)) {
            row[x >> 3] &= static_cast<std::uint8_t>(~bit);
        } else {
            row[x >> 3] |= bit;
        }
    }
}

// A blank record of the given shape, made through the library.
inline void Create(Image *image, std::uint32_t width, std::uint32_t height, std::uint16_t bpp,
                   std::uint16_t polarity = 0, std::uint32_t dpi = 0) {
    image->rec.width = width;
    image->rec.height = height;
    image->rec.bitsPerPixel = bpp;
    image->rec.polarity = polarity;
    image->rec.xDpi = image->rec.yDpi = dpi;
    ASSERT_EQ(ZrCreateImage(&image->rec), 0);
}

// Smooth gradients with a few sharp squares: survives JPEG well enough to compare.
inline void Paint(Image *image) {
    const ZrImage &r = image->rec;
    for (std::uint32_t y = 0; y < r.height; ++y) {
        for (std::uint32_t x = 0; x < r.width; ++x) {
            const bool square = ((x / 8) + (y / 8)) % 3 == 0;
            const int red = square ? 0 : static_cast<int>(x * 255 / r.width);
            const int green = square ? 0 : static_cast<int>(y * 255 / r.height);
            const int blue = square ? 0 : 200;
            SetColour(&image->rec, x, y, r.bitsPerPixel == 24 ? Rgb{red, green, blue} : Rgb{red, red, red});
        }
    }
}

// Largest difference of any channel over the picture; the shapes must agree.
inline int MaxDifference(const ZrImage &a, const ZrImage &b, double *mean = nullptr) {
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    if (a.width != b.width || a.height != b.height) return 256;
    int worst = 0;
    double total = 0;
    for (std::uint32_t y = 0; y < a.height; ++y) {
        for (std::uint32_t x = 0; x < a.width; ++x) {
            const Rgb p = ColourAt(a, x, y), q = ColourAt(b, x, y);
            const int d =
                std::max({std::abs(p.red - q.red), std::abs(p.green - q.green), std::abs(p.blue - q.blue)});
            worst = std::max(worst, d);
            total += d;
        }
    }
    if (mean) *mean = total / (double{1} * a.width * a.height);
    return worst;
}

// The record's fields and block, to prove a call left both alone.
struct Snapshot {
    explicit Snapshot(const ZrImage &image) {
        std::memcpy(&record, &image, sizeof image);  // padding bytes included
        if (image.dib) {
            const auto *dib = static_cast<const std::uint8_t *>(image.dib);
            block.assign(dib, static_cast<const std::uint8_t *>(image.bits) + image.size);
        }
    }
    bool Same(const ZrImage &image) const {
        // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): every byte unchanged
        if (std::memcmp(&record, &image, sizeof image) != 0) return false;
        return block.empty() || std::memcmp(block.data(), image.dib, block.size()) == 0;
    }
    ZrImage record;
    std::vector<std::uint8_t> block;
};

}  // namespace imgrw_test
