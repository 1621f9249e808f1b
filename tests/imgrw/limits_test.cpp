// Files that announce more than they hold are refused at once, without asking
// for memory beyond the format libraries' fixed needs and a few times the file;
// files at the very edge of the bounds still read.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <zlib.h>

#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <string>
#include <vector>

#include "alloc_counter.hpp"
#include "imgrw_test_util.hpp"
#include "limits_files.hpp"

namespace imgrw_test {
namespace {

class RemoveScratchFiles : public ::testing::Environment {
  public:
    void TearDown() override { std::filesystem::remove_all(TempFolder()); }
};
const ::testing::Environment *const kCleanUp = ::testing::AddGlobalTestEnvironment(new RemoveScratchFiles);

TEST(Limits, FilesThatCannotHoldTheirPictureAreRefusedCheaply) {
    // The three files of the report: huge sizes over a few dozen stored bytes.
    ExpectRefusedCheaply(BilevelTiff(0x63000001, 8, 65), "tif", ZR_ERR_CORRUPT);
    ExpectRefusedCheaply(GreyPng(46340, 46340, 8, Deflate(std::vector<std::uint8_t>(100))), "png",
                         ZR_ERR_CORRUPT);
    ExpectRefusedCheaply(WithFrameSize(Jpeg(Blank(8, 8, 1), 8, 8, 1, {}), 65000, 33000), "jpg",
                         ZR_ERR_CORRUPT);
    // BMP rows are uncompressed: the file must hold every one of them.
    ExpectRefusedCheaply(Bmp24(30000, 30000, 54 + 64), "bmp", ZR_ERR_CORRUPT);
}

TEST(Limits, UncompressedTiffStripsMustBeWhole) {
    ExpectRead(BilevelTiff(16, 8, 16), "tif", 0);
    ExpectRefusedCheaply(BilevelTiff(16, 8, 15), "tif", ZR_ERR_CORRUPT);
    // A strip that runs past the end of the file.
    std::vector<std::uint8_t> file = BilevelTiff(16, 8, 16);
    file.resize(file.size() - 1);
    ExpectRefusedCheaply(file, "tif", ZR_ERR_CORRUPT);
    // Four strips over the same bytes: more stored bytes than the file has.
    ExpectRefusedCheaply(SharedStripsTiff(), "tif", ZR_ERR_CORRUPT);
}

// Strips and tiles of every layout are measured right: whole files read, and
// one whose first strip or tile lies partly past the end is refused up front.
TEST(Limits, TiffLayoutsAreMeasuredPerStripOrTile) {
    for (const bool tiled : {false, true}) {
        for (const bool separate : {false, true}) {
            SCOPED_TRACE(std::string(tiled ? "tiles" : "strips") + (separate ? ", planes" : ", interleaved"));
            const Bytes whole = LayoutTiff(tiled, separate, COMPRESSION_NONE);
            ExpectRead(whole, "tif", 0);
            const auto nearEnd = static_cast<std::uint32_t>(whole.size() - 100);
            ExpectRefusedCheaply(
                WithFirstValue(whole, tiled ? TIFFTAG_TILEOFFSETS : TIFFTAG_STRIPOFFSETS, nearEnd), "tif",
                ZR_ERR_CORRUPT);
            ExpectRead(LayoutTiff(tiled, separate, COMPRESSION_LZW), "tif", 0);
        }
    }
    ExpectRead(LayoutTiff(false, false, COMPRESSION_JPEG), "tif", 0);
}

TEST(Limits, JpegScanDataEndingBeforeTheLastRowIsCorrupt) {
    // 64 x 64 of scan data under a frame of 64 x 512: enough bytes for the bound,
    // but the data ends at the end-of-image marker a few rows in.
    std::vector<std::uint8_t> pixels(64 * 64);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
    const std::vector<std::uint8_t> whole = Jpeg(pixels, 64, 64, 1, {});
    ExpectRead(whole, "jpg", 0);
    ExpectRefusedCheaply(WithFrameSize(whole, 64, 512), "jpg", ZR_ERR_CORRUPT);
    JpegOptions progressive;
    progressive.progressive = true;
    ExpectRefusedCheaply(WithFrameSize(Jpeg(pixels, 64, 64, 1, progressive), 64, 512), "jpg", ZR_ERR_CORRUPT);
}

TEST(Limits, JpegScansAndWorkMemory) {
    // Every coefficient refined bit by bit: 694 valid scans, more than the 500 taken.
    JpegOptions manyScans;
    manyScans.scanPerBit = true;
    ExpectRefusedCheaply(Jpeg(Blank(16, 16, 1), 16, 16, 1, manyScans), "jpg", ZR_ERR_CORRUPT);
    // Arithmetic coding may fill a large frame from a few bytes; a progressive one
    // needs libjpeg to keep every coefficient: 12000 x 8000 x 3 x 2 bytes is past
    // its 512 MiB, refused before the picture is allocated.
    JpegOptions arithmetic;
    arithmetic.progressive = arithmetic.arithmetic = true;
    std::vector<std::uint8_t> file =
        WithFrameSize(Jpeg(Blank(16, 16, 3), 16, 16, 3, arithmetic), 12000, 8000);
    file = WithComment(file, 5000);  // 1024 blocks per byte: 4395 bytes at the least
    ExpectRefusedCheaply(file, "jpg", ZR_ERR_NO_MEMORY);
}

TEST(Limits, PicturesPastTheSizeLimitAreRefusedBeforeAllocation) {
    // Sides up to 65535, at most 2^28 pixels: status 10 even when the file holds the rows.
    ExpectRefusedCheaply(GreyPng(16385, 16385, 1, std::vector<std::uint8_t>(40000)), "png", ZR_ERR_NO_MEMORY);
    ExpectRefusedCheaply(BilevelTiff(65536, 1, 8192), "tif", ZR_ERR_NO_MEMORY);
    ExpectRefusedCheaply(Bmp24(70000, 1, 54 + 210000), "bmp", ZR_ERR_NO_MEMORY);
    ExpectRead(Bmp24(65535, 1, 54 + 196608), "bmp", 0);
}

// Highly compressed but sound files sit close to the bounds and must still read.
TEST(Limits, FilesAtTheBoundsStillRead) {
    JpegOptions optimized;
    optimized.optimize = true;
    const std::vector<std::uint8_t> blank = Blank(2048, 2048, 1);
    const std::vector<std::uint8_t> sequential = Jpeg(blank, 2048, 2048, 1, optimized);
    // Two bits per block: 65536 blocks need 16384 bytes.
    EXPECT_LT(sequential.size(), 16384u * 11 / 10);
    ExpectRead(sequential, "jpg", 0);
    JpegOptions progressive = optimized;
    progressive.progressive = true;
    ExpectRead(Jpeg(blank, 2048, 2048, 1, progressive), "jpg", 0);
    JpegOptions arithmetic;
    arithmetic.arithmetic = true;
    ExpectRead(Jpeg(blank, 2048, 2048, 1, arithmetic), "jpg", 0);

    const std::vector<std::uint8_t> zeros(std::size_t{2001} * 2000);
    const std::vector<std::uint8_t> idat = Deflate(zeros);
    EXPECT_GT(zeros.size() / idat.size(), 900u);
    ExpectRead(GreyPng(2000, 2000, 8, idat), "png", 0);

    ExpectRead(BlankTiff(1024, 64, 8, COMPRESSION_PACKBITS), "tif", 0);     // 64:1 exactly
    ExpectRead(BlankTiff(2000, 4000, 1, COMPRESSION_CCITTFAX4), "tif", 0);  // a bit per row
    ExpectRead(BlankTiff(2000, 2000, 8, COMPRESSION_LZW), "tif", 0);
    ExpectRead(BlankTiff(2000, 2000, 8, COMPRESSION_ADOBE_DEFLATE), "tif", 0);
}

}  // namespace
}  // namespace imgrw_test
