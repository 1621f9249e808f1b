// PNG files through libpng.
//
// Read: 1-bit grey and 1-bit black and white palettes stay 1 bit; other grey
// pictures and grey palettes become 8-bit grey; everything else 24 bits. 16-bit
// samples are scaled to 8, transparency (alpha channel or tRNS) is composited on
// white. pHYs in pixels per metre gives the resolution. A stream that ends before
// IEND is corrupt (13). Before libpng sees the file, the chunks are walked: a
// picture whose rows need more than deflate's 1032:1 at most from the IDAT bytes
// is corrupt (13), one past the size limit is refused (10). Ancillary chunks other
// than tRNS and pHYs are skipped unread.
// Write: 1 bit as 1-bit grey with dark pixels black, 8 bits as grey, 24 bits as
// RGB; pHYs when the record has a resolution.
//
// libpng reports errors by longjmp. The functions that call setjmp hold no
// objects with destructors and hand all the work to plain helpers, so the jump
// skips nothing but libpng's own frames; the structures, the file and every
// buffer belong to the callers and are released by them.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "imgrw/imgrw.hpp"
#include "zr/ZrImgRW.h"

namespace zr::imgrw {
namespace {

// Deflate yields at most 258 bytes for two bits: 1032 bytes per stored byte.
constexpr std::uint64_t kDeflateMaxRatio = 1032;
// libpng's own limits: no ancillary chunk we keep is larger than a palette.
constexpr png_uint_32 kChunkCacheMax = 64;
constexpr png_alloc_size_t kChunkMallocMax = 64 * 1024;

std::uint32_t Get32(const std::uint8_t *p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// What the header promises and what the file stores, read without decoding.
struct PngChunks {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint64_t bitsPerPixel = 0;
    std::uint64_t idatBytes = 0;
};

// Reads IHDR and adds up the IDAT chunks up to IEND or the end of the file (a
// chunk cut short is left for libpng to report).
std::uint16_t WalkChunks(const std::vector<std::uint8_t> &file, PngChunks *chunks) {
    constexpr std::size_t kIhdrEnd = 8 + 8 + 13;
    if (file.size() < kIhdrEnd || Get32(&file[8]) != 13 || std::memcmp(&file[12], "IHDR", 4) != 0)
        return ZR_ERR_CORRUPT;
    chunks->width = Get32(&file[16]);
    chunks->height = Get32(&file[20]);
    const std::uint32_t depth = file[24];
    const std::uint32_t colour = file[25];
    const std::uint32_t channels = colour == 0 || colour == 3 ? 1 : colour == 2 ? 3 : colour == 4 ? 2 : 4;
    chunks->bitsPerPixel = std::uint64_t{depth} * channels;
    for (std::size_t at = 8; file.size() - at >= 8;) {
        const std::uint32_t length = Get32(&file[at]);
        if (length > PNG_UINT_31_MAX) return ZR_ERR_CORRUPT;
        if (std::memcmp(&file[at + 4], "IDAT", 4) == 0) chunks->idatBytes += length;
        if (std::memcmp(&file[at + 4], "IEND", 4) == 0) break;
        if (file.size() - at - 8 < std::uint64_t{length} + 4) break;
        at += 12 + std::size_t{length};
    }
    return ZR_OK;
}

// 13 when the IDAT chunks cannot hold the rows, 10 for a picture past the limits.
std::uint16_t CheckStoredBytes(const PngChunks &chunks) {
    if (chunks.width == 0 || chunks.height == 0 || chunks.bitsPerPixel == 0) return ZR_ERR_CORRUPT;
    // Rows without their filter bytes: a bound for interlaced pictures too.
    const std::uint64_t rowBytes = (chunks.width * chunks.bitsPerPixel + 7) / 8;
    if (chunks.height > chunks.idatBytes * kDeflateMaxRatio / rowBytes) return ZR_ERR_CORRUPT;
    return CheckPictureSize(chunks.width, chunks.height);
}

void PngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

struct PngSource {
    const std::uint8_t *data;
    std::size_t size;
    std::size_t position;
};

void PngReadData(png_structp png, png_bytep out, png_size_t length) {
    auto *source = static_cast<PngSource *>(png_get_io_ptr(png));
    if (length > source->size - source->position) png_error(png, "truncated");
    std::memcpy(out, source->data + source->position, length);
    source->position += length;
}

// Owns libpng's read or write structures.
struct PngHandle {
    explicit PngHandle(bool forReading) : reading(forReading) {
        png = reading ? png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning)
                      : png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
        if (png) info = png_create_info_struct(png);
    }
    ~PngHandle() {
        if (reading) {
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        } else {
            png_destroy_write_struct(&png, info ? &info : nullptr);
        }
    }
    PngHandle(const PngHandle &) = delete;
    PngHandle &operator=(const PngHandle &) = delete;

    bool reading;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

// How the decoded rows become the record's rows.
struct PngLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitsPerPixel = 8;
    std::uint16_t polarity = 0;
    std::uint32_t xDpi = 0;
    std::uint32_t yDpi = 0;
    bool direct = false;  // libpng writes the record's rows itself
    int channels = 1;     // samples per decoded pixel otherwise
    std::size_t rowBytes = 0;
};

bool IsBlack(const png_color &c) {
    return c.red == 0 && c.green == 0 && c.blue == 0;
}
bool IsWhite(const png_color &c) {
    return c.red == 255 && c.green == 255 && c.blue == 255;
}

bool GreyPalette(const png_color *palette, int entries) {
    for (int i = 0; i < entries; ++i) {
        if (palette[i].red != palette[i].green || palette[i].green != palette[i].blue) return false;
    }
    return true;
}

// Reads the chunks before the image data and chooses the transformations.
void SetUpRead(png_structp png, png_infop info, PngLayout *layout) {
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_chunk_cache_max(png, kChunkCacheMax);
    png_set_chunk_malloc_max(png, kChunkMallocMax);
    // Every ancillary chunk is skipped except the two the picture depends on.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static constexpr png_byte kKept[] = "tRNS\0pHYs";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kKept, 2);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Fuzz builds only: mutated inputs would otherwise all stop at a checksum.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    layout->width = width;
    layout->height = height;
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_colorp palette = nullptr;
    int entries = 0;
    if (colour == PNG_COLOR_TYPE_PALETTE && !png_get_PLTE(png, info, &palette, &entries))
        png_error(png, "no palette");

    if (!transparency && depth == 1 && colour == PNG_COLOR_TYPE_GRAY) {
        layout->bitsPerPixel = 1;
        layout->polarity = 1;  // grey level 0 is black
        layout->direct = true;
    } else if (!transparency && depth == 1 && colour == PNG_COLOR_TYPE_PALETTE && entries == 2 &&
               (IsBlack(palette[0]) || IsWhite(palette[0])) && (IsBlack(palette[1]) || IsWhite(palette[1])) &&
               IsBlack(palette[0]) != IsBlack(palette[1])) {
        layout->bitsPerPixel = 1;
        layout->polarity = IsBlack(palette[0]) ? 1 : 0;
        layout->direct = true;
    } else {
        const bool grey = (colour & PNG_COLOR_MASK_COLOR) == 0 ||
                          (colour == PNG_COLOR_TYPE_PALETTE && GreyPalette(palette, entries));
        layout->bitsPerPixel = grey ? 8 : 24;
        png_set_expand(png);
#ifdef PNG_READ_SCALE_16_TO_8_SUPPORTED
        png_set_scale_16(png);
#else
        png_set_strip_16(png);
#endif
        if (!transparency && colour == PNG_COLOR_TYPE_GRAY) layout->direct = true;
        if (!transparency && colour == PNG_COLOR_TYPE_RGB) {
            png_set_bgr(png);
            layout->direct = true;
        }
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout->channels = png_get_channels(png, info);
    layout->rowBytes = png_get_rowbytes(png, info);

    png_uint_32 xPerMetre = 0, yPerMetre = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &xPerMetre, &yPerMetre, &unit) && unit == PNG_RESOLUTION_METER) {
        layout->xDpi =
            PixelsPerMetreToDpi(static_cast<std::int32_t>(std::min<png_uint_32>(xPerMetre, INT32_MAX)));
        layout->yDpi =
            PixelsPerMetreToDpi(static_cast<std::int32_t>(std::min<png_uint_32>(yPerMetre, INT32_MAX)));
    }
}

std::uint16_t ReadHeader(png_structp png, png_infop info, PngLayout *layout) {
    if (setjmp(png_jmpbuf(png))) return ZR_ERR_CORRUPT;
    SetUpRead(png, info, layout);
    return ZR_OK;
}

void DecodeRows(png_structp png, png_bytepp rows) {
    png_read_image(png, rows);
    png_read_end(png, nullptr);
}

std::uint16_t ReadRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return ZR_ERR_CORRUPT;
    DecodeRows(png, rows);
    return ZR_OK;
}

// Grey + alpha, RGB of a grey palette, or RGB + alpha, to the record's depth.
void ConvertRow(const std::uint8_t *src, int channels, std::uint32_t width, std::uint16_t bitsPerPixel,
                std::uint8_t *dst) {
    for (std::uint32_t x = 0; x < width; ++x, src += channels) {
        std::uint8_t red = src[0], green = src[0], blue = src[0];
        if (channels >= 3) {
            green = src[1];
            blue = src[2];
        }
        if (channels == 2 || channels == 4) {
            const std::uint8_t alpha = src[channels - 1];
            red = OnWhite(red, alpha);
            green = OnWhite(green, alpha);
            blue = OnWhite(blue, alpha);
        }
        if (bitsPerPixel == 8) {
            dst[x] = red;
        } else {
            dst[3 * x] = blue;
            dst[3 * x + 1] = green;
            dst[3 * x + 2] = red;
        }
    }
}

std::uint16_t DecodePng(ZrImage *image, const std::vector<std::uint8_t> &file);

std::uint16_t ReadPng(ZrImage *image, const char *path) {
    std::uint16_t code = CheckReadArgs(image, path);
    if (code != ZR_OK) return code;
    std::vector<std::uint8_t> file;
    if ((code = ReadWholeFile(path, &file)) != ZR_OK) return code;
    return DecodePng(image, file);
}

std::uint16_t DecodePng(ZrImage *image, const std::vector<std::uint8_t> &file) {
    std::uint16_t code = ZR_OK;
    if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) return ZR_ERR_CORRUPT;
    PngChunks chunks;
    if ((code = WalkChunks(file, &chunks)) != ZR_OK || (code = CheckStoredBytes(chunks)) != ZR_OK)
        return code;

    PngHandle handle(true);
    if (!handle.png || !handle.info) return ZR_ERR_NO_MEMORY;
    PngSource source{file.data(), file.size(), 0};
    png_set_read_fn(handle.png, &source, PngReadData);
    PngLayout layout;
    if ((code = ReadHeader(handle.png, handle.info, &layout)) != ZR_OK) return code;

    PendingImage out;
    code = out.Create(layout.width, layout.height, layout.bitsPerPixel, layout.polarity, layout.xDpi,
                      layout.yDpi);
    if (code != ZR_OK) return code;
    if (layout.direct && layout.rowBytes > static_cast<std::size_t>(out.get()->pitch)) return ZR_ERR_CORRUPT;
    std::vector<std::uint8_t> decoded(layout.direct ? 0 : layout.rowBytes * layout.height);
    std::vector<png_bytep> rows(layout.height);
    for (std::uint32_t y = 0; y < layout.height; ++y)
        rows[y] = layout.direct ? out.Row(y) : decoded.data() + y * layout.rowBytes;
    if ((code = ReadRows(handle.png, rows.data())) != ZR_OK) return code;

    if (!layout.direct) {
        for (std::uint32_t y = 0; y < layout.height; ++y)
            ConvertRow(rows[y], layout.channels, layout.width, layout.bitsPerPixel, out.Row(y));
    }
    out.ClearBilevelTails();
    out.MoveTo(image);
    return ZR_OK;
}

void EncodeImage(png_structp png, png_infop info, std::FILE *file, const ZrImage *image) {
    png_init_io(png, file);
    const int colour = image->bitsPerPixel == 24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY;
    png_set_IHDR(png, info, image->width, image->height, image->bitsPerPixel == 1 ? 1 : 8, colour,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (image->xDpi || image->yDpi) {
        png_set_pHYs(png, info, DpiToPixelsPerMetre(image->xDpi), DpiToPixelsPerMetre(image->yDpi),
                     PNG_RESOLUTION_METER);
    }
    png_write_info(png, info);
    // In 1-bit grey 0 is black; libpng transforms a copy of each row, never the record.
    if (image->bitsPerPixel == 1 && !ZeroBitIsDark(image)) png_set_invert_mono(png);
    if (image->bitsPerPixel == 24) png_set_bgr(png);
    for (std::uint32_t y = 0; y < image->height; ++y)
        png_write_row(png, ImageRow(image, static_cast<std::int32_t>(y)));
    png_write_end(png, info);
}

std::uint16_t WriteAll(png_structp png, png_infop info, std::FILE *file, const ZrImage *image) {
    if (setjmp(png_jmpbuf(png))) return ZR_ERR_FILE;
    EncodeImage(png, info, file, image);
    return ZR_OK;
}

std::uint16_t WritePng(const ZrImage *image, const char *path) {
    std::uint16_t code = CheckWriteArgs(image, path);
    if (code != ZR_OK) return code;
    PngHandle handle(false);
    if (!handle.png || !handle.info) return ZR_ERR_NO_MEMORY;
    OutputFile file(path);
    if (!file.get()) return ZR_ERR_FILE;
    if ((code = WriteAll(handle.png, handle.info, file.get(), image)) != ZR_OK) return code;
    return file.Close();
}

}  // namespace

std::uint16_t DecodePngBytes(ZrImage *image, const std::vector<std::uint8_t> &bytes) {
    return DecodePng(image, bytes);
}

}  // namespace zr::imgrw

extern "C" {

ZR_EXPORT std::uint16_t ZrReadPNG(ZrImage *image, const char *path) {
    return zr::imgrw::Guarded([&] { return zr::imgrw::ReadPng(image, path); });
}

ZR_EXPORT std::uint16_t ZrWritePNG(const ZrImage *image, const char *path) {
    return zr::imgrw::Guarded([&] { return zr::imgrw::WritePng(image, path); });
}

}  // extern "C"
