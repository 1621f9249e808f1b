// Bad arguments, missing, empty, garbage and truncated files, refused writes, and
// the record calls.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "imgrw_test_util.hpp"

namespace imgrw_test {
namespace {

struct Format {
    const char *extension;
    std::uint16_t (*read)(ZrImage *, const char *);
    std::uint16_t (*write)(const ZrImage *, const char *);
};

const Format kFormats[] = {
    {"bmp", ZrReadBMP, ZrWriteBMP},
    {"png", ZrReadPNG, ZrWritePNG},
    {"jpg", ZrReadJPG, ZrWriteJPG},
    {"tif", [](ZrImage *i, const char *p) { return ZrReadTIF(i, p, 0); },
     [](const ZrImage *i, const char *p) { return ZrWriteTIF(i, p, 0); }},
};

class RemoveScratchFiles : public ::testing::Environment {
  public:
    void TearDown() override { std::filesystem::remove_all(TempFolder()); }
};
const ::testing::Environment *const kCleanUp = ::testing::AddGlobalTestEnvironment(new RemoveScratchFiles);

std::string PathFor(const Format &f, const std::string &stem) {
    return TempFile(stem + "." + f.extension);
}

TEST(Failures, NullArguments) {
    Image held;
    Create(&held, 4, 4, 8);
    const std::string path = TempFile("null.bmp");
    for (const Format &f : kFormats) {
        EXPECT_EQ(f.read(nullptr, path.c_str()), ZR_ERR_NULL_IMAGE) << f.extension;
        EXPECT_EQ(f.read(&held.rec, nullptr), ZR_ERR_BAD_ARGUMENT) << f.extension;
        EXPECT_EQ(f.write(nullptr, path.c_str()), ZR_ERR_NULL_IMAGE) << f.extension;
        EXPECT_EQ(f.write(&held.rec, nullptr), ZR_ERR_BAD_ARGUMENT) << f.extension;
    }
}

TEST(Failures, MissingEmptyAndGarbageFiles) {
    std::vector<std::uint8_t> garbage(4096);
    std::uint32_t state = 12345;
    for (auto &byte : garbage) byte = static_cast<std::uint8_t>((state = state * 1103515245u + 12345u) >> 24);
    for (const Format &f : kFormats) {
        Image image;
        const Snapshot empty(image.rec);
        EXPECT_EQ(f.read(&image.rec, PathFor(f, "does_not_exist").c_str()), ZR_ERR_FILE) << f.extension;
        const std::string path = PathFor(f, "garbage");
        PutFile(path, garbage, 0);
        EXPECT_EQ(f.read(&image.rec, path.c_str()), ZR_ERR_CORRUPT) << f.extension << " empty";
        PutFile(path, garbage, garbage.size());
        EXPECT_EQ(f.read(&image.rec, path.c_str()), ZR_ERR_CORRUPT) << f.extension << " garbage";
        EXPECT_TRUE(empty.Same(image.rec));
    }
}

// Every cut of a valid file fails cleanly, and neither an empty record nor one
// that holds a picture is touched.
TEST(Failures, TruncatedFilesLeaveTheRecordAlone) {
    for (const Format &f : kFormats) {
        for (const std::uint16_t bpp : {std::uint16_t{1}, std::uint16_t{8}, std::uint16_t{24}}) {
            Image source;
            Create(&source, 64, 48, bpp, 1, 300);
            Paint(&source);
            const std::string path = PathFor(f, "truncated");
            ASSERT_EQ(f.write(&source.rec, path.c_str()), 0);
            const std::vector<std::uint8_t> whole = FileBytes(path);
            const std::size_t n = whole.size();
            ASSERT_GT(n, 100u);
            for (std::size_t cut : {std::size_t{1}, std::size_t{8}, std::size_t{16}, std::size_t{30},
                                    std::size_t{60}, n / 4, n / 2, 3 * n / 4, n - 20, n - 2, n - 1}) {
                PutFile(path, whole, cut);
                Image empty, held;
                Create(&held, 5, 5, 24);
                const Snapshot emptyBefore(empty.rec), heldBefore(held.rec);
                EXPECT_NE(f.read(&empty.rec, path.c_str()), 0) << f.extension << bpp << " cut " << cut;
                EXPECT_NE(f.read(&held.rec, path.c_str()), 0) << f.extension << bpp << " cut " << cut;
                EXPECT_TRUE(emptyBefore.Same(empty.rec)) << f.extension << bpp << " cut " << cut;
                EXPECT_TRUE(heldBefore.Same(held.rec)) << f.extension << bpp << " cut " << cut;
            }
        }
    }
}

TEST(Failures, RefusedWritesCreateNoFile) {
    Image empty, odd;
    Create(&odd, 6, 2, 8);
    odd->bitsPerPixel = 4;
    for (const Format &f : kFormats) {
        const std::string path = PathFor(f, "refused");
        std::remove(path.c_str());
        EXPECT_EQ(f.write(&empty.rec, path.c_str()), ZR_ERR_EMPTY_IMAGE) << f.extension;
        EXPECT_EQ(f.write(&odd.rec, path.c_str()), ZR_ERR_BAD_FORMAT) << f.extension;
        EXPECT_FALSE(Exists(path)) << f.extension;
        Image fine;
        Create(&fine, 3, 3, 24);
        EXPECT_EQ(f.write(&fine.rec, TempFile("no_such_dir/x.img").c_str()), ZR_ERR_FILE) << f.extension;
        fine->pitch += 4;  // no longer describes the block
        EXPECT_EQ(f.write(&fine.rec, path.c_str()), ZR_ERR_BAD_FORMAT) << f.extension;
        fine->pitch -= 4;
    }
    Image wide;
    Create(&wide, 70000, 1, 1);
    EXPECT_EQ(ZrWriteJPG(&wide.rec, TempFile("wide.jpg").c_str()), ZR_ERR_BAD_FORMAT);
    EXPECT_FALSE(Exists(TempFile("wide.jpg")));
}

TEST(ImageCalls, CreateDestroyAndVersion) {
    for (const auto &[bpp, polarity, fill] :
         {std::tuple{1, 1, 0xFF}, std::tuple{1, 0, 0x00}, std::tuple{8, 0, 0xFF}, std::tuple{24, 0, 0xFF}}) {
        Image image;
        Create(&image, 13, 3, static_cast<std::uint16_t>(bpp), static_cast<std::uint16_t>(polarity), 96);
        EXPECT_EQ(image->pitch, bpp == 1 ? 4 : bpp == 8 ? 16 : 40);
        const auto *bits = static_cast<const std::uint8_t *>(image->bits);
        for (std::uint32_t i = 0; i < image->size; ++i) ASSERT_EQ(bits[i], fill) << bpp;
        EXPECT_EQ(ColourAt(image.rec, 12, 2).red, 255);
    }
    ZrImage bad{};
    bad.width = bad.height = 2;
    bad.bitsPerPixel = 16;
    EXPECT_EQ(ZrCreateImage(&bad), ZR_ERR_BAD_FORMAT);
    EXPECT_EQ(bad.dib, nullptr);

    ZrImage zero{};
    EXPECT_EQ(ZrDestroyImage(&zero), 0);
    EXPECT_EQ(ZrDestroyImage(nullptr), 0);
    EXPECT_EQ(zero.dib, nullptr);
    EXPECT_EQ(ZrGetImgVersion(), 0x10000u);
}

}  // namespace
}  // namespace imgrw_test
