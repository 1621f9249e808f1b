// Reading the kinds of files users have, written here with the format libraries
// directly (BMP by hand).
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "imgrw_test_util.hpp"
#include "support/jpeg_encode.hpp"

namespace imgrw_test {
namespace {

using Rows = std::vector<std::vector<std::uint8_t>>;

struct PngKind {
    int colour = PNG_COLOR_TYPE_GRAY;
    int depth = 8;
    std::vector<png_color> palette;
    std::vector<std::uint8_t> alphas;  // tRNS of a palette
    bool interlaced = false;
    png_uint_32 perMetre = 0;
};

PngKind Kind(int colour, int depth = 8, std::vector<png_color> palette = {},
             std::vector<std::uint8_t> alphas = {}) {
    PngKind kind;
    kind.colour = colour;
    kind.depth = depth;
    kind.palette = std::move(palette);
    kind.alphas = std::move(alphas);
    return kind;
}

void WritePng(const std::string &path, std::uint32_t width, const PngKind &kind, Rows rows) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, width, static_cast<png_uint_32>(rows.size()), kind.depth, kind.colour,
                 kind.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!kind.palette.empty())
        png_set_PLTE(png, info, kind.palette.data(), static_cast<int>(kind.palette.size()));
    if (!kind.alphas.empty())
        png_set_tRNS(png, info, kind.alphas.data(), static_cast<int>(kind.alphas.size()), nullptr);
    if (kind.perMetre) png_set_pHYs(png, info, kind.perMetre, kind.perMetre, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (auto &row : rows) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

TEST(DecodePng, AlphaIsCompositedOnWhite) {
    const std::string path = TempFile("rgba.png");
    WritePng(path, 3, Kind(PNG_COLOR_TYPE_RGB_ALPHA), {{0, 0, 0, 0, 0, 0, 0, 128, 200, 10, 20, 255}});
    Image image;
    ASSERT_EQ(ZrReadPNG(&image.rec, path.c_str()), 0);
    ASSERT_EQ(image->bitsPerPixel, 24);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 255);    // transparent: white
    EXPECT_EQ(ColourAt(image.rec, 1, 0).green, 127);  // half-covered black
    const Rgb opaque = ColourAt(image.rec, 2, 0);
    EXPECT_EQ(opaque.red, 200);
    EXPECT_EQ(opaque.green, 10);
    EXPECT_EQ(opaque.blue, 20);

    WritePng(path, 2, Kind(PNG_COLOR_TYPE_GRAY_ALPHA), {{0, 0, 60, 255}});
    ASSERT_EQ(ZrReadPNG(&image.rec, path.c_str()), 0);
    ASSERT_EQ(image->bitsPerPixel, 8);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 255);
    EXPECT_EQ(ColourAt(image.rec, 1, 0).red, 60);
}

TEST(DecodePng, SixteenBitSamplesAreScaledToEight) {
    const std::string path = TempFile("deep.png");
    WritePng(path, 2, Kind(PNG_COLOR_TYPE_GRAY, 16), {{0xFF, 0xFF, 0x80, 0x00}});
    Image image;
    ASSERT_EQ(ZrReadPNG(&image.rec, path.c_str()), 0);
    ASSERT_EQ(image->bitsPerPixel, 8);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 255);
    EXPECT_EQ(ColourAt(image.rec, 1, 0).red, 128);

    WritePng(path, 1, Kind(PNG_COLOR_TYPE_RGB_ALPHA, 16), {{0x12, 0x34, 0x80, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}});
    ASSERT_EQ(ZrReadPNG(&image.rec, path.c_str()), 0);
    ASSERT_EQ(image->bitsPerPixel, 24);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 0x12);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).green, 0x80);
}

TEST(DecodePng, PalettesByTheirColours) {
    const std::string path = TempFile("palette.png");
    Image image;
    // Grey entries give grey levels, whatever their order.
    WritePng(path, 3, Kind(PNG_COLOR_TYPE_PALETTE, 8, {{90, 90, 90}, {255, 255, 255}, {7, 7, 7}}),
             {{2, 0, 1}});
    ASSERT_EQ(ZrReadPNG(&image.rec, path.c_str()), 0);
    ASSERT_EQ(image->bitsPerPixel, 8);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 7);
    EXPECT_EQ(ColourAt(image.rec, 1, 0).red, 90);

    WritePng(path, 2, Kind(PNG_COLOR_TYPE_PALETTE, 4, {{255, 0, 0}, {0, 0, 255}}, {255, 0}), {{0x01}});
    ASSERT_EQ(ZrReadPNG(&image.rec, path.c_str()), 0);
    ASSERT_EQ(image->bitsPerPixel, 24);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 255);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).blue, 0);
    EXPECT_EQ(ColourAt(image.rec, 1, 0).blue, 255);  // transparent entry: white
    EXPECT_EQ(ColourAt(image.rec, 1, 0).red, 255);

    // A 1-bit black and white palette stays 1 bit; entry 0 white means bit 1 is dark.
    WritePng(path, 9, Kind(PNG_COLOR_TYPE_PALETTE, 1, {{255, 255, 255}, {0, 0, 0}}), {{0x40, 0xFF}});
    ASSERT_EQ(ZrReadPNG(&image.rec, path.c_str()), 0);
    ASSERT_EQ(image->bitsPerPixel, 1);
    EXPECT_EQ(image->polarity, 0);
    EXPECT_EQ(Row(image.rec, 0)[0], 0x40);
    EXPECT_EQ(Row(image.rec, 0)[1], 0x80);  // the bits past the picture are white
    EXPECT_EQ(ColourAt(image.rec, 1, 0).red, 0);
    EXPECT_EQ(ColourAt(image.rec, 2, 0).red, 255);
}

TEST(DecodePng, InterlacedGreyWithResolution) {
    const std::string path = TempFile("adam7.png");
    Rows rows(9, std::vector<std::uint8_t>(9));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) rows[y][x] = static_cast<std::uint8_t>(y * 20 + x);
    PngKind kind;
    kind.interlaced = true;
    kind.perMetre = 11811;
    WritePng(path, 9, kind, rows);
    Image image;
    ASSERT_EQ(ZrReadPNG(&image.rec, path.c_str()), 0);
    EXPECT_EQ(image->xDpi, 300u);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) ASSERT_EQ(ColourAt(image.rec, x, y).red, y * 20 + x);
}

struct TiffKind {
    std::uint16_t bits = 8, samples = 1, photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t extra = 0;              // EXTRASAMPLE_* of one extra sample, or 0 for none
    std::vector<std::uint16_t> colormap;  // red, then green, then blue
    float resolution = 0;
    std::uint16_t unit = RESUNIT_INCH;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
};

void AddTiffPage(TIFF *t, std::uint32_t width, const TiffKind &kind, Rows rows) {
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(rows.size()));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, kind.bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, kind.samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, kind.photometric);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, kind.orientation);
    if (kind.extra) TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &kind.extra);
    if (!kind.colormap.empty()) {
        const std::size_t n = kind.colormap.size() / 3;
        TIFFSetField(t, TIFFTAG_COLORMAP, kind.colormap.data(), kind.colormap.data() + n,
                     kind.colormap.data() + 2 * n);
    }
    if (kind.resolution > 0) {
        TIFFSetField(t, TIFFTAG_XRESOLUTION, kind.resolution);
        TIFFSetField(t, TIFFTAG_YRESOLUTION, kind.resolution);
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, kind.unit);
    }
    for (std::uint32_t y = 0; y < rows.size(); ++y) ASSERT_EQ(TIFFWriteScanline(t, rows[y].data(), y, 0), 1);
    ASSERT_TRUE(TIFFWriteDirectory(t));
}

void WriteTiff(const std::string &path, std::uint32_t width, const TiffKind &kind, const Rows &rows) {
    TIFF *t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(t, nullptr);
    AddTiffPage(t, width, kind, rows);
    TIFFClose(t);
}

TEST(DecodeTiff, BilevelInBothInterpretations) {
    const std::string path = TempFile("bilevel.tif");
    Image image;
    TiffKind kind;
    kind.bits = 1;
    for (int photometric : {PHOTOMETRIC_MINISWHITE, PHOTOMETRIC_MINISBLACK}) {
        kind.photometric = static_cast<std::uint16_t>(photometric);
        WriteTiff(path, 12, kind, {{0xA5, 0xF0}, {0x0F, 0x30}});
        ASSERT_EQ(ZrReadTIF(&image.rec, path.c_str(), 0), 0);
        ASSERT_EQ(image->bitsPerPixel, 1);
        EXPECT_EQ(image->polarity, photometric == PHOTOMETRIC_MINISBLACK ? 1 : 0);
        EXPECT_EQ(Row(image.rec, 0)[0], 0xA5);
        EXPECT_EQ(Row(image.rec, 1)[0], 0x0F);
        EXPECT_EQ(ColourAt(image.rec, 0, 0).red, photometric == PHOTOMETRIC_MINISBLACK ? 255 : 0);
    }
    // Bottom-up rows go through the RGBA path and come out the right way up.
    kind.orientation = ORIENTATION_BOTLEFT;
    WriteTiff(path, 12, kind, {{0xFF, 0xF0}, {0x00, 0x00}});
    ASSERT_EQ(ZrReadTIF(&image.rec, path.c_str(), 0), 0);
    ASSERT_EQ(image->bitsPerPixel, 1);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 0);
    EXPECT_EQ(ColourAt(image.rec, 0, 1).red, 255);
}

TEST(DecodeTiff, GreyColourPaletteAndAlpha) {
    const std::string path = TempFile("kinds.tif");
    Image image;
    WriteTiff(path, 2, {}, {{10, 250}});
    ASSERT_EQ(ZrReadTIF(&image.rec, path.c_str(), 0), 0);
    ASSERT_EQ(image->bitsPerPixel, 8);
    EXPECT_EQ(ColourAt(image.rec, 1, 0).red, 250);

    TiffKind rgba;
    rgba.samples = 4;
    rgba.photometric = PHOTOMETRIC_RGB;
    rgba.extra = EXTRASAMPLE_UNASSALPHA;
    WriteTiff(path, 2, rgba, {{200, 10, 20, 255, 0, 0, 0, 0}});
    ASSERT_EQ(ZrReadTIF(&image.rec, path.c_str(), 0), 0);
    ASSERT_EQ(image->bitsPerPixel, 24);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 200);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).blue, 20);
    EXPECT_EQ(ColourAt(image.rec, 1, 0).green, 255);

    TiffKind greyAlpha;
    greyAlpha.samples = 2;
    greyAlpha.extra = EXTRASAMPLE_UNASSALPHA;
    WriteTiff(path, 2, greyAlpha, {{0, 0, 40, 255}});
    ASSERT_EQ(ZrReadTIF(&image.rec, path.c_str(), 0), 0);
    ASSERT_EQ(image->bitsPerPixel, 8);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 255);
    EXPECT_EQ(ColourAt(image.rec, 1, 0).red, 40);

    TiffKind palette;
    palette.bits = 1;
    palette.photometric = PHOTOMETRIC_PALETTE;
    palette.colormap = {65535, 0, 0, 0, 0, 65535};
    WriteTiff(path, 2, palette, {{0x40}});
    ASSERT_EQ(ZrReadTIF(&image.rec, path.c_str(), 0), 0);
    ASSERT_EQ(image->bitsPerPixel, 24);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 255);
    EXPECT_EQ(ColourAt(image.rec, 1, 0).blue, 255);
    palette.colormap = {0, 30000, 0, 30000, 0, 30000};
    WriteTiff(path, 2, palette, {{0x40}});
    ASSERT_EQ(ZrReadTIF(&image.rec, path.c_str(), 0), 0);
    ASSERT_EQ(image->bitsPerPixel, 8);
    EXPECT_EQ(ColourAt(image.rec, 1, 0).red, 30000 >> 8);
}

TEST(DecodeTiff, PagesAndResolutionUnits) {
    const std::string path = TempFile("pages.tif");
    TIFF *t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(t, nullptr);
    TiffKind first, second;
    first.resolution = 200;
    second.resolution = 118.11f;
    second.unit = RESUNIT_CENTIMETER;
    AddTiffPage(t, 2, first, {{1, 2}});
    AddTiffPage(t, 3, second, {{7, 8, 9}, {4, 5, 6}});
    TIFFClose(t);

    Image image;
    ASSERT_EQ(ZrReadTIF(&image.rec, path.c_str(), 1), 0);
    EXPECT_EQ(image->width, 3u);
    EXPECT_EQ(image->height, 2u);
    EXPECT_EQ(ColourAt(image.rec, 0, 1).red, 4);
    EXPECT_EQ(image->xDpi, 300u);
    ASSERT_EQ(ZrReadTIF(&image.rec, path.c_str(), 0), 0);
    EXPECT_EQ(image->width, 2u);
    EXPECT_EQ(image->xDpi, 200u);

    const Snapshot kept(image.rec);
    EXPECT_EQ(ZrReadTIF(&image.rec, path.c_str(), 2), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(ZrReadTIF(&image.rec, path.c_str(), -1), ZR_ERR_BAD_ARGUMENT);
    EXPECT_TRUE(kept.Same(image.rec));
}

TEST(DecodeTiff, WritesAppendPages) {
    const std::string path = TempFile("append.tif");
    Image a, b;
    Create(&a, 5, 5, 1, 1);
    Create(&b, 7, 3, 24);
    ASSERT_EQ(ZrWriteTIF(&a.rec, path.c_str(), 0), 0);
    EXPECT_EQ(ZrWriteTIF(&b.rec, path.c_str(), 2), ZR_ERR_BAD_ARGUMENT);  // would leave a gap
    ASSERT_EQ(ZrWriteTIF(&b.rec, path.c_str(), 1), 0);
    Image back;
    ASSERT_EQ(ZrReadTIF(&back.rec, path.c_str(), 1), 0);
    EXPECT_EQ(back->width, 7u);
    EXPECT_EQ(back->bitsPerPixel, 24);
    ASSERT_EQ(ZrReadTIF(&back.rec, path.c_str(), 0), 0);
    EXPECT_EQ(back->bitsPerPixel, 1);
}

void WriteJpeg(const std::string &path, int width, zr::test::JpegColours colours, const Rows &rows,
               int unit = 0, int density = 1, bool adobe = true) {
    std::vector<std::uint8_t> pixels;
    for (const auto &row : rows) pixels.insert(pixels.end(), row.begin(), row.end());
    zr::test::JpegSettings settings;
    settings.quality = 95;
    settings.densityUnit = unit;
    settings.density = density;
    settings.adobeMarker = adobe;
    const std::vector<std::uint8_t> file =
        zr::test::EncodeJpeg(pixels.data(), width, static_cast<int>(rows.size()), colours, settings);
    ASSERT_FALSE(file.empty());
    PutFile(path, file, file.size());
}

TEST(DecodeJpeg, GreyCmykAndDensityPerCentimetre) {
    const std::string path = TempFile("kinds.jpg");
    Image image;
    WriteJpeg(path, 8, zr::test::JpegColours::Grey, Rows(8, std::vector<std::uint8_t>(8, 100)), 2, 118);
    ASSERT_EQ(ZrReadJPG(&image.rec, path.c_str()), 0);
    EXPECT_EQ(image->bitsPerPixel, 8);
    EXPECT_NEAR(ColourAt(image.rec, 3, 3).red, 100, 2);
    EXPECT_EQ(image->xDpi, 300u);  // 118 per cm is 299.72 per inch

    // Full cyan ink is red 0, green and blue 255. Files with Adobe's marker store
    // the inks inverted (255 - ink), as libjpeg writes them by default.
    for (bool adobe : {true, false}) {
        std::vector<std::uint8_t> cyan;
        for (int i = 0; i < 8; ++i) {
            if (adobe) {
                cyan.insert(cyan.end(), {0, 255, 255, 255});
            } else {
                cyan.insert(cyan.end(), {255, 0, 0, 0});
            }
        }
        WriteJpeg(path, 8, zr::test::JpegColours::Cmyk, Rows(8, cyan), 0, 1, adobe);
        ASSERT_EQ(ZrReadJPG(&image.rec, path.c_str()), 0);
        ASSERT_EQ(image->bitsPerPixel, 24);
        EXPECT_NEAR(ColourAt(image.rec, 2, 2).red, 0, 4) << adobe;
        EXPECT_NEAR(ColourAt(image.rec, 2, 2).green, 255, 4) << adobe;
        EXPECT_NEAR(ColourAt(image.rec, 2, 2).blue, 255, 4) << adobe;
    }
    EXPECT_EQ(image->xDpi, 0u);
}

// A BMP of the given depth with its palette and top-down rows, written by hand.
std::vector<std::uint8_t> Bmp(std::int32_t width, std::int32_t height, std::uint16_t bits,
                              const std::vector<std::uint32_t> &palette, const Rows &rows,
                              std::uint32_t compression = 0) {
    auto put = [](std::vector<std::uint8_t> &b, std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    const std::size_t stride = (static_cast<std::size_t>(bits) * width + 31) / 32 * 4;
    const std::size_t offset = 54 + 4 * palette.size();
    std::vector<std::uint8_t> b(offset + stride * rows.size());
    b[0] = 'B';
    b[1] = 'M';
    put(b, 2, static_cast<std::uint32_t>(b.size()), 4);
    put(b, 10, static_cast<std::uint32_t>(offset), 4);
    put(b, 14, 40, 4);
    put(b, 18, static_cast<std::uint32_t>(width), 4);
    put(b, 22, static_cast<std::uint32_t>(height), 4);
    put(b, 26, 1, 2);
    put(b, 28, bits, 2);
    put(b, 30, compression, 4);
    put(b, 46, static_cast<std::uint32_t>(palette.size()), 4);
    for (std::size_t i = 0; i < palette.size(); ++i) put(b, 54 + 4 * i, palette[i], 4);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        // Stored bottom-up unless the height is negative.
        const std::size_t stored = height < 0 ? i : rows.size() - 1 - i;
        std::copy(rows[i].begin(), rows[i].end(),
                  b.begin() + static_cast<std::ptrdiff_t>(offset + stored * stride));
    }
    return b;
}

TEST(DecodeBmp, PalettesTopDownAndRefusedKinds) {
    const std::string path = TempFile("kinds.bmp");
    Image image;
    // A colour palette becomes 24 bits, indices past it black.
    auto file = Bmp(3, -2, 8, {0x00FF0000, 0x000000FF}, {{0, 1, 5}, {1, 1, 1}});
    PutFile(path, file, file.size());
    ASSERT_EQ(ZrReadBMP(&image.rec, path.c_str()), 0);
    ASSERT_EQ(image->bitsPerPixel, 24);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 255);
    EXPECT_EQ(ColourAt(image.rec, 1, 0).blue, 255);
    EXPECT_EQ(ColourAt(image.rec, 2, 0).blue, 0);
    EXPECT_EQ(ColourAt(image.rec, 0, 1).blue, 255);

    // An inverted grey palette gives grey levels.
    std::vector<std::uint32_t> inverted;
    for (std::uint32_t i = 0; i < 256; ++i) inverted.push_back((255 - i) * 0x010101u);
    file = Bmp(2, 1, 8, inverted, {{0, 200}});
    PutFile(path, file, file.size());
    ASSERT_EQ(ZrReadBMP(&image.rec, path.c_str()), 0);
    ASSERT_EQ(image->bitsPerPixel, 8);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 255);
    EXPECT_EQ(ColourAt(image.rec, 1, 0).red, 55);

    // 1 bit with entry 0 white: bit 1 is dark.
    file = Bmp(9, 1, 1, {0x00FFFFFF, 0}, {{0x80, 0x80}});
    PutFile(path, file, file.size());
    ASSERT_EQ(ZrReadBMP(&image.rec, path.c_str()), 0);
    ASSERT_EQ(image->bitsPerPixel, 1);
    EXPECT_EQ(image->polarity, 0);
    EXPECT_EQ(ColourAt(image.rec, 0, 0).red, 0);
    EXPECT_EQ(ColourAt(image.rec, 8, 0).red, 0);
    EXPECT_EQ(Row(image.rec, 0)[1], 0x80);  // bits past the picture cleared to white

    const Snapshot kept(image.rec);
    file = Bmp(2, 1, 4, std::vector<std::uint32_t>(16), {{0x01}});
    PutFile(path, file, file.size());
    EXPECT_EQ(ZrReadBMP(&image.rec, path.c_str()), ZR_ERR_BAD_FORMAT);
    file = Bmp(2, 1, 8, inverted, {{0, 0}}, 1);  // run-length encoded
    PutFile(path, file, file.size());
    EXPECT_EQ(ZrReadBMP(&image.rec, path.c_str()), ZR_ERR_BAD_FORMAT);
    EXPECT_TRUE(kept.Same(image.rec));
}

}  // namespace
}  // namespace imgrw_test
