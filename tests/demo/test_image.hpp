// Blank pictures made by the image library, so that tests need no image files.
#ifndef ZR_TESTS_DEMO_TEST_IMAGE_HPP
#define ZR_TESTS_DEMO_TEST_IMAGE_HPP

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "zr/ZrImgRW.h"

namespace zr::demo::test {

// A picture whose pixel bytes are all `fill`; released with the test object.
struct TestImage {
    ZrImage image{};

    TestImage(uint32_t width, uint32_t height, uint16_t bitsPerPixel, uint8_t fill = 0xFF) {
        image.width = width;
        image.height = height;
        image.bitsPerPixel = bitsPerPixel;
        EXPECT_EQ(ZrCreateImage(&image), ZR_OK);
        if (image.bits) std::memset(image.bits, fill, image.size);
    }
    TestImage(const TestImage &) = delete;
    TestImage &operator=(const TestImage &) = delete;
    ~TestImage() { ZrDestroyImage(&image); }

    // Stored row of picture row y (y from the top; rows are stored bottom-up).
    uint8_t *Row(uint32_t y) {
        return static_cast<uint8_t *>(image.bits) + (image.height - 1 - y) * image.pitch;
    }
};

}  // namespace zr::demo::test

#endif  // ZR_TESTS_DEMO_TEST_IMAGE_HPP
