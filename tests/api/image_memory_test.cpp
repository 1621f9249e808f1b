// ZrImgRW's reads by content: the four file types from memory and from files
// under any name, and the statuses of bad input.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "zr/ZrImgRW.h"

namespace {

constexpr std::uint32_t kWidth = 37;
constexpr std::uint32_t kHeight = 21;

// A grey ramp of kWidth x kHeight at 8 bits.
ZrImage Ramp() {
    ZrImage image{};
    image.width = kWidth;
    image.height = kHeight;
    image.bitsPerPixel = 8;
    EXPECT_EQ(ZrCreateImage(&image), ZR_OK);
    auto *bits = static_cast<std::uint8_t *>(image.bits);
    for (std::uint32_t y = 0; y < kHeight; ++y)
        for (std::uint32_t x = 0; x < kWidth; ++x) bits[y * image.pitch + x] = static_cast<std::uint8_t>(x * 6 + y);
    return image;
}

std::vector<char> FileBytes(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

struct Writer {
    const char *name;
    std::uint16_t (*write)(const ZrImage *, const char *);
    std::uint16_t type;
    bool lossless;
};

std::uint16_t WriteTiff(const ZrImage *image, const char *path) {
    return ZrWriteTIF(image, path, 0);
}

TEST(ReadImageMemory, EveryTypeByContent) {
    ZrImage ramp = Ramp();
    const Writer writers[] = {{"bmp", ZrWriteBMP, ZR_IMAGE_BMP, true},
                              {"png", ZrWritePNG, ZR_IMAGE_PNG, true},
                              {"jpeg", ZrWriteJPG, ZR_IMAGE_JPEG, false},
                              {"tiff", WriteTiff, ZR_IMAGE_TIFF, true}};
    for (const Writer &writer : writers) {
        // A misleading name: only the content counts.
        const std::string path = ::testing::TempDir() + "/image_memory_" + writer.name + ".dat";
        ASSERT_EQ(writer.write(&ramp, path.c_str()), ZR_OK) << writer.name;
        const std::vector<char> bytes = FileBytes(path);
        EXPECT_EQ(ZrDetectImageType(bytes.data(), bytes.size()), writer.type) << writer.name;

        ZrImage fromMemory{};
        ASSERT_EQ(ZrReadImageMemory(&fromMemory, bytes.data(), bytes.size()), ZR_OK) << writer.name;
        ZrImage fromFile{};
        ASSERT_EQ(ZrReadImage(&fromFile, path.c_str()), ZR_OK) << writer.name;
        EXPECT_EQ(fromMemory.width, kWidth);
        EXPECT_EQ(fromMemory.height, kHeight);
        ASSERT_EQ(fromMemory.size, fromFile.size);
        EXPECT_EQ(std::memcmp(fromMemory.bits, fromFile.bits, fromMemory.size), 0) << writer.name;
        if (writer.lossless) {
            EXPECT_EQ(std::memcmp(fromMemory.bits, ramp.bits, ramp.size), 0) << writer.name;
        }

        // Cut short: the reader's status, and the record left as it was.
        ZrImage cut = fromMemory;
        EXPECT_NE(ZrReadImageMemory(&cut, bytes.data(), bytes.size() / 2), ZR_OK) << writer.name;
        EXPECT_EQ(cut.dib, fromMemory.dib);
        ZrDestroyImage(&fromMemory);
        ZrDestroyImage(&fromFile);
        std::remove(path.c_str());
    }
    ZrDestroyImage(&ramp);
}

TEST(ReadImageMemory, BadInput) {
    const char text[] = "neither picture nor file";
    ZrImage image{};
    EXPECT_EQ(ZrReadImageMemory(nullptr, text, sizeof text), ZR_ERR_NULL_IMAGE);
    EXPECT_EQ(ZrReadImageMemory(&image, nullptr, 10), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(ZrReadImageMemory(&image, text, 0), ZR_ERR_UNSUPPORTED);
    EXPECT_EQ(ZrReadImageMemory(&image, text, sizeof text), ZR_ERR_UNSUPPORTED);
    EXPECT_EQ(ZrReadImageMemory(&image, "BM", 2), ZR_ERR_CORRUPT);  // a BMP signature alone
    EXPECT_EQ(image.dib, nullptr);
    EXPECT_EQ(ZrDetectImageType(nullptr, 100), ZR_IMAGE_UNKNOWN);
    EXPECT_EQ(ZrDetectImageType("\x89PNG", 4), ZR_IMAGE_UNKNOWN);  // a signature cut short
    EXPECT_EQ(ZrReadImage(&image, nullptr), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(ZrReadImage(&image, "/nonexistent/picture.png"), ZR_ERR_FILE);
}

}  // namespace
