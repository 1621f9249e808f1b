// Packed DIBs built in memory, so that tests need no image files.
#ifndef ZR_TESTS_DEMO_TEST_IMAGE_HPP
#define ZR_TESTS_DEMO_TEST_IMAGE_HPP

#include <cstdint>
#include <cstring>
#include <vector>

#include "zr/ZrImage.h"

namespace zr::demo::test {

// A DIB block with a grey palette (1 and 8 bits), all pixel bytes set to `fill`.
struct TestImage {
    std::vector<uint8_t> block;
    ZrImage image{};

    TestImage(uint32_t width, uint32_t height, uint16_t bitsPerPixel, uint8_t fill = 0xFF) {
        const int paletteEntries = bitsPerPixel == 24 ? 0 : (1 << bitsPerPixel);
        const int32_t pitch = static_cast<int32_t>(((width * bitsPerPixel + 31) / 32) * 4);
        const uint32_t headerBytes = 40 + 4 * paletteEntries;
        block.assign(headerBytes + static_cast<size_t>(pitch) * height, 0);
        auto put32 = [this](size_t at, uint32_t v) { std::memcpy(&block[at], &v, 4); };
        put32(0, 40);
        put32(4, width);
        put32(8, height);
        block[12] = 1;
        block[14] = static_cast<uint8_t>(bitsPerPixel);
        put32(20, static_cast<uint32_t>(pitch) * height);
        put32(32, paletteEntries);
        for (int i = 0; i < paletteEntries; ++i) {
            const auto level = static_cast<uint8_t>(i * 255 / (paletteEntries - 1));
            block[40 + 4 * i] = block[41 + 4 * i] = block[42 + 4 * i] = level;
        }
        std::memset(&block[headerBytes], fill, block.size() - headerBytes);
        image.width = width;
        image.height = height;
        image.bitsPerPixel = bitsPerPixel;
        image.pitch = pitch;
        image.size = static_cast<uint32_t>(pitch) * height;
        image.dib = block.data();
        image.bits = block.data() + headerBytes;
    }

    // Byte `x` of picture row `y` (y from the top; rows are stored bottom-up).
    uint8_t *Row(uint32_t y) {
        return static_cast<uint8_t *>(image.bits) + (image.height - 1 - y) * image.pitch;
    }
};

}  // namespace zr::demo::test

#endif  // ZR_TESTS_DEMO_TEST_IMAGE_HPP
