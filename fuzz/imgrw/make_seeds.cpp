// Writes the seed corpora of the ZrImgRW fuzz targets: small pictures of every
// kind the readers take, through ZrImgRW's writers and the format libraries.
// Usage: imgrw_fuzz_seeds <folder>; fills <folder>/{bmp,png,jpeg,tiff}.
#include <png.h>
#include <tiffio.h>

#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "zr/ZrImgRW.h"

namespace {

using Folder = const std::string &;

std::string Seed(Folder folder, const char *format, const std::string &name) {
    std::filesystem::create_directories(folder + "/" + format);
    return folder + "/" + format + "/" + name;
}

// Gradient with a dark square, any depth.
std::vector<std::uint8_t> Samples(int width, int height, int channels, int bytesPerSample = 1) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels * bytesPerSample; ++c) {
                const bool square = x > width / 4 && x < width / 2 && y > height / 4 && y < height / 2;
                out.push_back(square ? 0 : static_cast<std::uint8_t>((x * 40 + y * 20 + c * 70) & 0xFF));
            }
        }
    }
    return out;
}

void WriteRecords(Folder folder) {
    for (std::uint16_t bpp : {1, 8, 24}) {
        ZrImage image{};
        image.width = 19;
        image.height = 11;
        image.bitsPerPixel = bpp;
        image.polarity = bpp == 1 ? 1 : 0;
        image.xDpi = image.yDpi = 200;
        if (ZrCreateImage(&image) != 0) continue;
        auto *bits = static_cast<std::uint8_t *>(image.bits);
        for (std::uint32_t i = 0; i < image.size; ++i) bits[i] = static_cast<std::uint8_t>(i * 37 + 11);
        const std::string stem = "record" + std::to_string(bpp);
        ZrWriteBMP(&image, Seed(folder, "bmp", stem + ".bmp").c_str());
        ZrWritePNG(&image, Seed(folder, "png", stem + ".png").c_str());
        ZrWriteJPG(&image, Seed(folder, "jpeg", stem + ".jpg").c_str());
        ZrWriteTIF(&image, Seed(folder, "tiff", stem + ".tif").c_str(), 0);
        if (bpp == 8) ZrWriteTIF(&image, Seed(folder, "tiff", stem + ".tif").c_str(), 1);  // two pages
        ZrDestroyImage(&image);
    }
}

// BMP headers written by hand: a colour palette, top-down rows, the OS/2 header.
void WriteBmps(Folder folder) {
    const auto put32 = [](std::vector<std::uint8_t> *b, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const auto put16 = [](std::vector<std::uint8_t> *b, std::uint32_t v) {
        b->push_back(static_cast<std::uint8_t>(v));
        b->push_back(static_cast<std::uint8_t>(v >> 8));
    };
    for (int os2 = 0; os2 < 2; ++os2) {
        // The OS/2 header has no entry count: its palette is always full.
        const int width = 5, height = 3, entries = os2 ? 2 : 4, bits = os2 ? 1 : 8;
        const std::uint32_t header = os2 ? 12 : 40, entry = os2 ? 3 : 4, stride = os2 ? 4 : 8;
        const std::uint32_t offset = 14 + header + entries * entry;
        std::vector<std::uint8_t> b = {'B', 'M'};
        put32(&b, offset + stride * height);
        put32(&b, 0);
        put32(&b, offset);
        put32(&b, header);
        if (os2) {
            put16(&b, width);
            put16(&b, height);
            put16(&b, 1);
            put16(&b, bits);
        } else {
            put32(&b, width);
            put32(&b, static_cast<std::uint32_t>(-height));  // top-down
            put16(&b, 1);
            put16(&b, 8);
            for (std::uint32_t v : {0u, stride * height, 2835u, 2835u, std::uint32_t(entries), 0u})
                put32(&b, v);
        }
        for (int i = 0; i < entries; ++i) {
            for (std::uint32_t c = 0; c < entry; ++c) b.push_back(static_cast<std::uint8_t>(i * 60 + c * 20));
        }
        for (std::uint32_t i = 0; i < stride * height; ++i) b.push_back(static_cast<std::uint8_t>(i % 5));
        std::FILE *f = std::fopen(Seed(folder, "bmp", os2 ? "os2.bmp" : "palette_topdown.bmp").c_str(), "wb");
        if (!f) continue;
        std::fwrite(b.data(), 1, b.size(), f);
        std::fclose(f);
    }
}

void WritePng(Folder folder, const std::string &name, int colour, int depth, bool interlaced,
              bool transparency) {
    std::FILE *f = std::fopen(Seed(folder, "png", name).c_str(), "wb");
    if (!f) return;
    const int width = 13, height = 9;
    const int channels = colour == PNG_COLOR_TYPE_RGB          ? 3
                         : colour == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : colour == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                               : 1;
    const int entries = colour == PNG_COLOR_TYPE_PALETTE ? 1 << std::min(depth, 4) : 0;
    const int rowBytes = (width * channels * depth + 7) / 8;
    std::vector<std::uint8_t> rows = Samples(rowBytes, height, 1);
    if (entries && depth == 8) {
        for (auto &v : rows) v = static_cast<std::uint8_t>(v % entries);
    }
    std::vector<png_bytep> pointers;
    for (int y = 0; y < height; ++y) pointers.push_back(rows.data() + y * rowBytes);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    // Nothing below holds objects with destructors: libpng's errors jump back here.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, depth, colour,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[16];
    png_byte alphas[16];
    for (int i = 0; i < 16; ++i) {
        palette[i] = png_color{static_cast<png_byte>(i * 16), static_cast<png_byte>(i * 16),
                               static_cast<png_byte>(255 - i * 16)};
        alphas[i] = static_cast<png_byte>(i * 17);
    }
    if (entries) png_set_PLTE(png, info, palette, entries);
    png_color_16 grey{};
    grey.gray = 1;
    if (transparency) png_set_tRNS(png, info, alphas, entries, entries ? nullptr : &grey);
    png_set_pHYs(png, info, 3780, 3780, PNG_RESOLUTION_METER);
    png_text text{};
    text.compression = PNG_TEXT_COMPRESSION_zTXt;
    text.key = const_cast<char *>("Comment");
    text.text = const_cast<char *>("seed");
    png_set_text(png, info, &text, 1);
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

void WritePngs(Folder folder) {
    WritePng(folder, "grey1.png", PNG_COLOR_TYPE_GRAY, 1, false, false);
    WritePng(folder, "grey4_trns.png", PNG_COLOR_TYPE_GRAY, 4, false, true);
    WritePng(folder, "grey16_adam7.png", PNG_COLOR_TYPE_GRAY, 16, true, false);
    WritePng(folder, "palette1.png", PNG_COLOR_TYPE_PALETTE, 1, false, false);
    WritePng(folder, "palette4_trns.png", PNG_COLOR_TYPE_PALETTE, 4, true, true);
    WritePng(folder, "palette8.png", PNG_COLOR_TYPE_PALETTE, 8, false, false);
    WritePng(folder, "rgb16.png", PNG_COLOR_TYPE_RGB, 16, false, true);
    WritePng(folder, "grey_alpha.png", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false);
    WritePng(folder, "rgba_adam7.png", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false);
}

struct JpegKind {
    const char *name;
    J_COLOR_SPACE space;
    int components;
    bool progressive, arithmetic, subsampled;
    int restartRows;
};

void WriteJpeg(Folder folder, const JpegKind &kind) {
    std::FILE *f = std::fopen(Seed(folder, "jpeg", kind.name).c_str(), "wb");
    if (!f) return;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    const int width = 21, height = 17;
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = kind.components;
    cinfo.in_color_space = kind.space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    if (!kind.subsampled) {
        for (int c = 0; c < cinfo.num_components; ++c)
            cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    }
    if (kind.progressive) jpeg_simple_progression(&cinfo);
    cinfo.arith_code = kind.arithmetic ? TRUE : FALSE;
    cinfo.restart_in_rows = kind.restartRows;
    cinfo.density_unit = 2;
    cinfo.X_density = cinfo.Y_density = 118;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> samples = Samples(width, height, kind.components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = samples.data() + cinfo.next_scanline * width * kind.components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(f);
}

void WriteJpegs(Folder folder) {
    for (const JpegKind &kind : {JpegKind{"grey.jpg", JCS_GRAYSCALE, 1, false, false, false, 0},
                                 JpegKind{"ycc420_restarts.jpg", JCS_RGB, 3, false, false, true, 1},
                                 JpegKind{"progressive.jpg", JCS_RGB, 3, true, false, true, 0},
                                 JpegKind{"grey_progressive.jpg", JCS_GRAYSCALE, 1, true, false, false, 0},
                                 JpegKind{"arithmetic.jpg", JCS_RGB, 3, false, true, true, 0},
                                 JpegKind{"arith_progressive.jpg", JCS_GRAYSCALE, 1, true, true, false, 0},
                                 JpegKind{"cmyk.jpg", JCS_CMYK, 4, false, false, false, 0}})
        WriteJpeg(folder, kind);
}

struct TiffKind {
    const char *name;
    int bits, samples, photometric, compression;
    bool tiled, separate;
    int orientation;
};

void WriteTiff(Folder folder, const TiffKind &kind) {
    TIFF *t = TIFFOpen(Seed(folder, "tiff", kind.name).c_str(), "w");
    if (!t) return;
    const int width = 20, height = 18;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, kind.bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, kind.samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, kind.photometric);
    TIFFSetField(t, TIFFTAG_COMPRESSION, kind.compression);
    if (kind.compression == COMPRESSION_JPEG) TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(t, TIFFTAG_ORIENTATION, kind.orientation);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, kind.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 80.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 80.0f);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
    if (kind.samples == 4 || kind.samples == 2) {
        const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    std::vector<std::uint16_t> map(std::size_t{1} << kind.bits);
    if (kind.photometric == PHOTOMETRIC_PALETTE) {
        for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<std::uint16_t>(i * 4000);
        TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
    }
    const int planes = kind.separate ? kind.samples : 1;
    const int perPixel = kind.separate ? 1 : kind.samples;
    if (kind.tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
        std::vector<std::uint8_t> tile = Samples(static_cast<int>(TIFFTileSize(t)), 1, 1);
        for (int p = 0; p < planes; ++p) {
            for (int y = 0; y < height; y += 16) {
                for (int x = 0; x < width; x += 16)
                    TIFFWriteTile(t, tile.data(), x, y, 0, static_cast<std::uint16_t>(p));
            }
        }
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
        const int rowBytes = (width * perPixel * kind.bits + 7) / 8;
        std::vector<std::uint8_t> rows = Samples(rowBytes, height, 1);
        for (int p = 0; p < planes; ++p) {
            for (int y = 0; y < height; ++y)
                TIFFWriteScanline(t, rows.data() + y * rowBytes, y, static_cast<std::uint16_t>(p));
        }
    }
    TIFFClose(t);
}

void WriteTiffs(Folder folder) {
    const int top = ORIENTATION_TOPLEFT;
    for (const TiffKind &kind :
         {TiffKind{"bilevel_g3.tif", 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX3, false, false, top},
          TiffKind{"bilevel_rle.tif", 1, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_CCITTRLE, false, false, top},
          TiffKind{"bilevel_packbits_tiled.tif", 1, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS, true,
                   false, top},
          TiffKind{"bilevel_flipped.tif", 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_NONE, false, false,
                   ORIENTATION_BOTRIGHT},
          TiffKind{"grey16_deflate.tif", 16, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_ADOBE_DEFLATE, false,
                   false, top},
          TiffKind{"grey_alpha_lzw.tif", 8, 2, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW, false, false, top},
          TiffKind{"palette4.tif", 4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_NONE, false, false, top},
          TiffKind{"rgba_tiled.tif", 8, 4, PHOTOMETRIC_RGB, COMPRESSION_LZW, true, false, top},
          TiffKind{"rgb_separate.tif", 8, 3, PHOTOMETRIC_RGB, COMPRESSION_PACKBITS, false, true,
                   ORIENTATION_BOTLEFT},
          TiffKind{"separated_cmyk.tif", 8, 4, PHOTOMETRIC_SEPARATED, COMPRESSION_NONE, false, false, top},
          TiffKind{"ycbcr_jpeg.tif", 8, 3, PHOTOMETRIC_YCBCR, COMPRESSION_JPEG, false, false, top}})
        WriteTiff(folder, kind);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    TIFFSetWarningHandler(nullptr);
    WriteRecords(folder);
    WriteBmps(folder);
    WritePngs(folder);
    WriteJpegs(folder);
    WriteTiffs(folder);
    return 0;
}
