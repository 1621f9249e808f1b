// Windows bitmap files, read and written by hand: the record's block already is
// the file's packed DIB, preceded in the file by a 14-byte file header.
//
// Read: 1, 8 and 24 bits, uncompressed, bottom-up or top-down, with the 40-byte
// header or a later version (only its first 40 bytes are used) or the 12-byte
// OS/2 header. Palette pictures become 1 bit when the palette is a black and
// white pair, 8-bit grey when every entry is grey, 24 bits otherwise; indices past
// the end of a short palette read as black. Every size field is checked against
// the file length: a file too short for what its headers announce is corrupt (13).
// Write: 40-byte header, the palette ImageCreate makes for the record's depth
// and polarity (8 bits: the grey ramp, since pixel bytes are grey levels).
#include <array>
#include <cstring>

#include "core/dib_header.hpp"
#include "imgrw/imgrw.hpp"
#include "zr/ZrImgRW.h"

namespace zr::imgrw {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;

std::uint32_t Get16(const std::uint8_t *p) {
    return p[0] | (std::uint32_t{p[1]} << 8);
}
std::uint32_t Get32(const std::uint8_t *p) {
    return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

// The fields of either info header that the reader needs.
struct BmpInfo {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t paletteEntries = 0;
    std::uint32_t paletteEntrySize = 4;
};

struct Rgb {
    std::uint8_t blue, green, red;
};

// Parses and checks the headers; `pixelOffset` is where the first stored row starts.
std::uint16_t ParseHeaders(const std::vector<std::uint8_t> &file, BmpInfo *info, std::size_t *paletteOffset,
                           std::uint64_t *pixelOffset) {
    const std::size_t length = file.size();
    const std::uint8_t *p = file.data();
    if (length < kFileHeaderSize + 4 || p[0] != 'B' || p[1] != 'M') return ZR_ERR_CORRUPT;
    const std::uint32_t headerSize = Get32(p + kFileHeaderSize);
    if (headerSize != kCoreHeaderSize && headerSize < kDibHeaderSize) return ZR_ERR_BAD_FORMAT;
    if (kFileHeaderSize + static_cast<std::uint64_t>(headerSize) > length) return ZR_ERR_CORRUPT;

    const std::uint8_t *h = p + kFileHeaderSize;
    if (headerSize == kCoreHeaderSize) {
        info->width = static_cast<std::int32_t>(Get16(h + 4));
        info->height = static_cast<std::int32_t>(Get16(h + 6));
        info->bitCount = Get16(h + 10);
        info->paletteEntrySize = 3;
    } else {
        info->width = static_cast<std::int32_t>(Get32(h + 4));
        info->height = static_cast<std::int32_t>(Get32(h + 8));
        info->bitCount = Get16(h + 14);
        info->compression = Get32(h + 16);
        info->xPelsPerMeter = static_cast<std::int32_t>(Get32(h + 24));
        info->yPelsPerMeter = static_cast<std::int32_t>(Get32(h + 28));
        info->paletteEntries = Get32(h + 32);
    }
    if (info->compression != 0) return ZR_ERR_BAD_FORMAT;
    if (info->bitCount != 1 && info->bitCount != 8 && info->bitCount != 24) return ZR_ERR_BAD_FORMAT;
    if (info->width <= 0 || info->height == 0 || info->height == INT32_MIN) return ZR_ERR_CORRUPT;

    const std::uint32_t maxEntries = info->bitCount == 24 ? 0 : 1u << info->bitCount;
    if (info->bitCount == 24) {
        info->paletteEntries = 0;  // an optional colour table of a 24-bit file is not needed
    } else if (info->paletteEntries == 0) {
        info->paletteEntries = maxEntries;
    } else if (info->paletteEntries > maxEntries) {
        return ZR_ERR_CORRUPT;
    }
    *paletteOffset = kFileHeaderSize + headerSize;
    const std::uint64_t paletteEnd =
        *paletteOffset + static_cast<std::uint64_t>(info->paletteEntries) * info->paletteEntrySize;
    *pixelOffset = Get32(p + 10);
    if (paletteEnd > length || *pixelOffset < paletteEnd || *pixelOffset > length) return ZR_ERR_CORRUPT;

    const auto rows = static_cast<std::uint64_t>(info->height < 0 ? -static_cast<std::int64_t>(info->height)
                                                                  : static_cast<std::int64_t>(info->height));
    const auto stride = static_cast<std::uint64_t>(
        RowPitch(static_cast<std::uint32_t>(info->width), static_cast<std::uint16_t>(info->bitCount)));
    if (stride * rows > length - *pixelOffset) return ZR_ERR_CORRUPT;
    return ZR_OK;
}

bool IsBlack(const Rgb &c) {
    return c.blue == 0 && c.green == 0 && c.red == 0;
}
bool IsWhite(const Rgb &c) {
    return c.blue == 255 && c.green == 255 && c.red == 255;
}
bool IsGrey(const Rgb &c) {
    return c.blue == c.green && c.green == c.red;
}

// Copies the file's rows, converting palette indices when the depth changes.
void CopyRows(const std::uint8_t *pixels, const BmpInfo &info, const std::array<Rgb, 256> &palette,
              PendingImage *out) {
    const ZrImage *image = out->get();
    const std::uint32_t width = image->width;
    const auto stride = static_cast<std::size_t>(RowPitch(width, static_cast<std::uint16_t>(info.bitCount)));
    const bool sameDepth = image->bitsPerPixel == info.bitCount;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * info.bitCount + 7) / 8;
    for (std::uint32_t i = 0; i < image->height; ++i) {
        const std::uint8_t *src = pixels + i * stride;
        // Stored row i is the bottom row first unless the file is top-down.
        std::uint8_t *dst = out->Row(info.height < 0 ? i : image->height - 1 - i);
        if (sameDepth && info.bitCount != 8) {
            std::memcpy(dst, src, rowBytes);
            continue;
        }
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t index = info.bitCount == 8 ? src[x] : (src[x >> 3] >> (7 - (x & 7))) & 1u;
            const Rgb &c = palette[index];
            if (image->bitsPerPixel == 8) {
                dst[x] = c.blue;
            } else {
                dst[3 * x] = c.blue;
                dst[3 * x + 1] = c.green;
                dst[3 * x + 2] = c.red;
            }
        }
    }
}

std::uint16_t DecodeBmp(ZrImage *image, const std::vector<std::uint8_t> &file);

std::uint16_t ReadBmp(ZrImage *image, const char *path) {
    std::uint16_t code = CheckReadArgs(image, path);
    if (code != ZR_OK) return code;
    std::vector<std::uint8_t> file;
    if ((code = ReadWholeFile(path, &file)) != ZR_OK) return code;
    return DecodeBmp(image, file);
}

std::uint16_t DecodeBmp(ZrImage *image, const std::vector<std::uint8_t> &file) {
    std::uint16_t code = ZR_OK;

    BmpInfo info;
    std::size_t paletteOffset = 0;
    std::uint64_t pixelOffset = 0;
    if ((code = ParseHeaders(file, &info, &paletteOffset, &pixelOffset)) != ZR_OK) return code;

    std::array<Rgb, 256> palette{};  // missing entries read as black
    bool allGrey = true;
    for (std::uint32_t i = 0; i < info.paletteEntries; ++i) {
        const std::uint8_t *e = file.data() + paletteOffset + i * info.paletteEntrySize;
        palette[i] = Rgb{e[0], e[1], e[2]};
        allGrey = allGrey && IsGrey(palette[i]);
    }
    std::uint16_t bitsPerPixel = 24;
    std::uint16_t polarity = 0;
    if (info.bitCount == 1 && (IsBlack(palette[0]) || IsWhite(palette[0])) &&
        (IsBlack(palette[1]) || IsWhite(palette[1])) && IsBlack(palette[0]) != IsBlack(palette[1])) {
        bitsPerPixel = 1;
        polarity = IsBlack(palette[0]) ? 1 : 0;
    } else if (info.bitCount != 24 && allGrey) {
        bitsPerPixel = 8;
    }

    PendingImage out;
    code = out.Create(static_cast<std::uint32_t>(info.width),
                      static_cast<std::uint32_t>(info.height < 0 ? -info.height : info.height), bitsPerPixel,
                      polarity, PixelsPerMetreToDpi(info.xPelsPerMeter),
                      PixelsPerMetreToDpi(info.yPelsPerMeter));
    if (code != ZR_OK) return code;
    CopyRows(file.data() + pixelOffset, info, palette, &out);
    out.ClearBilevelTails();
    out.MoveTo(image);
    return ZR_OK;
}

std::uint16_t WriteBmp(const ZrImage *image, const char *path) {
    std::uint16_t code = CheckWriteArgs(image, path);
    if (code != ZR_OK) return code;
    const std::uint32_t paletteBytes = ImagePaletteSize(image);
    const std::uint64_t fileSize =
        kFileHeaderSize + kDibHeaderSize + paletteBytes + std::uint64_t{image->size};
    if (fileSize > UINT32_MAX) return ZR_ERR_BAD_FORMAT;

    std::array<std::uint8_t, kFileHeaderSize + kDibHeaderSize + 1024> head{};
    head[0] = 'B';
    head[1] = 'M';
    const auto offBits = static_cast<std::uint32_t>(kFileHeaderSize + kDibHeaderSize + paletteBytes);
    const auto size32 = static_cast<std::uint32_t>(fileSize);
    std::memcpy(&head[2], &size32, 4);
    std::memcpy(&head[10], &offBits, 4);

    WriteDibHeader(&head[kFileHeaderSize], DibHeaderOf(image));

    std::uint8_t *palette = &head[kFileHeaderSize + kDibHeaderSize];
    if (image->bitsPerPixel == 8) {
        for (int i = 0; i < 256; ++i) std::memset(palette + 4 * i, i, 3);
    } else if (image->bitsPerPixel == 1) {
        std::memset(palette + (ZeroBitIsDark(image) ? 4 : 0), 0xFF, 3);
    }

    OutputFile file(path);
    if (!file.get()) return ZR_ERR_FILE;
    if (!file.Write(head.data(), offBits) || !file.Write(image->bits, image->size)) return ZR_ERR_FILE;
    return file.Close();
}

}  // namespace

std::uint16_t DecodeBmpBytes(ZrImage *image, const std::vector<std::uint8_t> &bytes) {
    return DecodeBmp(image, bytes);
}

}  // namespace zr::imgrw

extern "C" {

ZR_EXPORT std::uint16_t ZrReadBMP(ZrImage *image, const char *path) {
    return zr::imgrw::Guarded([&] { return zr::imgrw::ReadBmp(image, path); });
}

ZR_EXPORT std::uint16_t ZrWriteBMP(const ZrImage *image, const char *path) {
    return zr::imgrw::Guarded([&] { return zr::imgrw::WriteBmp(image, path); });
}

}  // extern "C"
