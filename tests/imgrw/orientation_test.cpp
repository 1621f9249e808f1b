// TIFF orientations: the file's first row and column land where the tag says,
// for bilevel pages (read line by line) and grey pages (read through libtiff's
// RGBA interface) alike.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <string>
#include <vector>

#include "imgrw_test_util.hpp"

namespace imgrw_test {
namespace {

// A page whose stored pixel (column c, row r) is dark exactly for the listed spots.
void WritePage(const std::string &path, std::uint32_t width, std::uint32_t height, std::uint16_t bits,
               std::uint16_t orientation, const std::vector<std::pair<std::uint32_t, std::uint32_t>> &dark) {
    TIFF *t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
    const std::size_t rowBytes = (std::size_t{width} * bits + 7) / 8;
    for (std::uint32_t r = 0; r < height; ++r) {
        std::vector<std::uint8_t> row(rowBytes, 0);  // white is zero
        for (const auto &[c, darkRow] : dark) {
            if (darkRow != r) continue;
            if (bits == 1) {
                row[c / 8] = static_cast<std::uint8_t>(row[c / 8] | (0x80 >> (c % 8)));
            } else {
                row[c] = 255;
            }
        }
        ASSERT_GE(TIFFWriteScanline(t, row.data(), r, 0), 0);
    }
    TIFFClose(t);
}

TEST(DecodeTiff, OrientationsPlaceTheFirstRowAndColumn) {
    const std::string path = TempFile("orientation.tif");
    for (const std::uint16_t bits : {std::uint16_t{1}, std::uint16_t{8}}) {
        // 13 columns leave three unused bits in the last byte of a 1-bit row; 16 none.
        for (const std::uint32_t width : {13u, 16u}) {
            const std::uint32_t height = 5;
            for (const int orientation :
                 {ORIENTATION_TOPLEFT, ORIENTATION_TOPRIGHT, ORIENTATION_BOTRIGHT, ORIENTATION_BOTLEFT}) {
                SCOPED_TRACE("bits " + std::to_string(bits) + ", width " + std::to_string(width) +
                             ", orientation " + std::to_string(orientation));
                // Stored (0, 0), (1, 0) and (2, 1): an L-shape that shows every mirror.
                WritePage(path, width, height, bits, static_cast<std::uint16_t>(orientation),
                          {{0, 0}, {1, 0}, {2, 1}});
                Image image;
                ASSERT_EQ(ZrReadTIF(&image.rec, path.c_str(), 0), 0);
                ASSERT_EQ(image->bitsPerPixel, bits == 1 ? 1 : 8);
                const bool right = orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT;
                const bool bottom = orientation == ORIENTATION_BOTRIGHT || orientation == ORIENTATION_BOTLEFT;
                const auto at = [&](std::uint32_t c, std::uint32_t r) {
                    return ColourAt(image.rec, right ? width - 1 - c : c, bottom ? height - 1 - r : r).red;
                };
                for (std::uint32_t r = 0; r < height; ++r) {
                    for (std::uint32_t c = 0; c < width; ++c) {
                        const bool dark = (r == 0 && c < 2) || (r == 1 && c == 2);
                        EXPECT_EQ(at(c, r), dark ? 0 : 255) << "stored column " << c << ", row " << r;
                    }
                }
                if (bits == 1 && width == 13) {
                    // Bits past the picture are white (bit value 0 with white-is-zero).
                    EXPECT_EQ(Row(image.rec, 0)[1] & 0x07, 0);
                    EXPECT_EQ(Row(image.rec, height - 1)[1] & 0x07, 0);
                }
            }
        }
    }
}

}  // namespace
}  // namespace imgrw_test
