// Image record operations: blank pictures, copies and loading a caller's packed DIB.
#include "core/image.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/dib_header.hpp"
#include "core/geom/geom.hpp"

namespace zr {
namespace {

constexpr std::uint64_t kMaxPixelBytes = std::uint64_t{1} << 31;
constexpr std::uint64_t kInt32Max = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());

bool SupportedDepth(std::uint16_t bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 8 || bitsPerPixel == 24;
}

std::uint32_t PaletteEntries(std::uint16_t bitsPerPixel) {
    return bitsPerPixel == 1 ? 2 : bitsPerPixel == 8 ? 256 : 0;
}

// Row pitch and pixel byte count of a picture. False when the dimensions do not
// fit the header's signed fields or the pixel block would exceed 2^31 bytes.
bool PixelLayout(std::uint64_t width, std::uint64_t height, std::uint16_t bitsPerPixel, std::int32_t *pitch,
                 std::uint32_t *size) {
    if (width > kInt32Max || height > kInt32Max) return false;
    const std::uint64_t rowBytes = ((bitsPerPixel * width + 31) >> 5) << 2;
    if (rowBytes > kInt32Max || rowBytes * height > kMaxPixelBytes) return false;
    *pitch = static_cast<std::int32_t>(rowBytes);
    *size = static_cast<std::uint32_t>(rowBytes * height);
    return true;
}

}  // namespace

// The headers this library accepts: uncompressed, bottom-up, 1, 8 or 24 bits,
// a palette of the full length for the depth and a consistent image size.
bool AcceptableDibHeader(const DibHeader &h, std::int32_t *pitch, std::uint32_t *size) {
    if (h.size != kDibHeaderSize || h.planes != 1 || h.compression != 0) return false;
    if (!SupportedDepth(h.bitCount) || h.width <= 0 || h.height <= 0) return false;
    if (!PixelLayout(static_cast<std::uint64_t>(h.width), static_cast<std::uint64_t>(h.height), h.bitCount,
                     pitch, size))
        return false;
    if (h.sizeImage != 0 && h.sizeImage != *size) return false;
    // The palette length is implied by the depth; a shorter table would move the pixel rows.
    return h.clrUsed == 0 || h.clrUsed == PaletteEntries(h.bitCount);
}

std::uint32_t DpiToPixelsPerMetre(std::uint32_t dpi) {
    const double ppm = dpi * 39.37007874015747 + 0.5;
    // The header field is signed.
    return ppm >= static_cast<double>(kInt32Max) ? static_cast<std::uint32_t>(kInt32Max)
                                                 : static_cast<std::uint32_t>(ppm);
}

std::uint32_t PixelsPerMetreToDpi(std::int32_t ppm) {
    if (ppm <= 0) return 0;
    return static_cast<std::uint32_t>(geom::RoundHalfUp(ppm * 0.0254));
}

// On failure the record is left empty and its other fields keep their values.
std::uint16_t ImageCreate(ZrImage *image) {
    if (!image) return ZR_ERR_NULL_IMAGE;
    ImageDestroy(image);
    if (!SupportedDepth(image->bitsPerPixel)) return ZR_ERR_BAD_FORMAT;

    std::int32_t pitch = 0;
    std::uint32_t size = 0;
    // A picture too large for the record's fields cannot be allocated either.
    if (!PixelLayout(image->width, image->height, image->bitsPerPixel, &pitch, &size))
        return ZR_ERR_NO_MEMORY;
    const std::uint32_t entries = PaletteEntries(image->bitsPerPixel);
    const std::size_t paletteBytes = entries * std::size_t{4};
    // Every pixel byte is filled below, so only the header and the palette
    // start from zero: clearing a picture's bits twice costs as much as
    // preparing it.
    auto *dib = static_cast<std::uint8_t *>(std::malloc(kDibHeaderSize + paletteBytes + size));
    if (!dib) return ZR_ERR_NO_MEMORY;
    std::memset(dib, 0, kDibHeaderSize + paletteBytes);

    std::uint8_t *palette = dib + kDibHeaderSize;
    std::uint8_t *bits = palette + paletteBytes;
    if (image->bitsPerPixel == 8) {
        for (std::size_t i = 0; i < 256; ++i) {
            palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<std::uint8_t>(i);
        }
        std::memset(bits, 0xFF, size);
    } else if (image->bitsPerPixel == 1) {
        // White is the entry whose index fills the pixels: 1 for polarity 1, 0 for polarity 0.
        // Any polarity other than 1 is treated, and stored, as 0.
        const bool zeroDark = image->polarity == 1;
        std::memset(palette + (zeroDark ? 4 : 0), 0xFF, 3);
        std::memset(bits, zeroDark ? 0xFF : 0x00, size);
    } else {
        std::memset(bits, 0xFF, size);
    }

    if (image->bitsPerPixel == 1 && image->polarity > 1) image->polarity = 0;
    image->pitch = pitch;
    image->size = size;
    image->dib = dib;
    WriteDibHeader(dib, DibHeaderOf(image));
    image->bits = bits;
    return ZR_OK;
}

std::uint16_t ImageDestroy(ZrImage *image) {
    if (!image) return ZR_OK;
    std::free(image->dib);
    image->dib = nullptr;
    image->bits = nullptr;
    return ZR_OK;
}

std::uint16_t ImageCopy(const ZrImage *source, ZrImage *target) {
    if (!source || !target) return ZR_ERR_NULL_IMAGE;
    if (!source->dib || !source->bits) return ZR_ERR_EMPTY_IMAGE;
    if (source == target) return ZR_OK;

    ImageDestroy(target);
    target->width = source->width;
    target->height = source->height;
    target->bitsPerPixel = source->bitsPerPixel;
    target->xDpi = source->xDpi;
    target->yDpi = source->yDpi;
    target->polarity = source->polarity;
    const std::uint16_t code = ImageCreate(target);
    if (code != ZR_OK) return code;
    std::memcpy(target->bits, source->bits, std::min(source->size, target->size));
    return ZR_OK;
}

// The caller's DIB is only read. Every failure leaves the record empty: a block
// it held before is released, as ImageCreate does, and its other fields are kept.
std::uint16_t ImageFromDib(ZrImage *image, const void *dib) {
    if (!image) return ZR_ERR_NULL_IMAGE;
    ImageDestroy(image);
    if (!dib) return ZR_ERR_NULL_DIB;

    const DibHeader h = ReadDibHeader(dib);
    std::int32_t pitch = 0;
    std::uint32_t size = 0;
    if (!AcceptableDibHeader(h, &pitch, &size)) return ZR_ERR_BAD_FORMAT;

    ZrImage loaded = *image;
    loaded.width = static_cast<std::uint32_t>(h.width);
    loaded.height = static_cast<std::uint32_t>(h.height);
    loaded.bitsPerPixel = h.bitCount;
    loaded.xDpi = PixelsPerMetreToDpi(h.xPelsPerMeter);
    loaded.yDpi = PixelsPerMetreToDpi(h.yPelsPerMeter);
    const std::uint16_t code = ImageCreate(&loaded);
    if (code != ZR_OK) return code;

    const auto *palette = static_cast<const std::uint8_t *>(dib) + kDibHeaderSize;
    const std::uint32_t paletteBytes = ImagePaletteSize(&loaded);
    auto *bits = static_cast<std::uint8_t *>(loaded.bits);
    if (paletteBytes != 0) std::memcpy(ImagePalette(&loaded), palette, paletteBytes);
    std::memcpy(bits, palette + paletteBytes, loaded.size);

    if (loaded.bitsPerPixel == 1) {
        loaded.polarity = FirstEntryDarker(palette) ? 1 : 0;
    } else if (loaded.bitsPerPixel == 8) {
        // Hold grey levels directly: each index becomes its entry's grey.
        std::uint8_t grey[256];
        for (std::size_t i = 0; i < 256; ++i) grey[i] = PaletteGrey(palette, i);
        for (std::uint32_t i = 0; i < loaded.size; ++i) bits[i] = grey[bits[i]];
    }
    *image = loaded;
    return ZR_OK;
}

std::uint8_t *ImagePalette(const ZrImage *image) {
    if (!image || !image->dib || ImagePaletteSize(image) == 0) return nullptr;
    return static_cast<std::uint8_t *>(image->dib) + kDibHeaderSize;
}

std::uint32_t ImagePaletteSize(const ZrImage *image) {
    return image ? PaletteEntries(image->bitsPerPixel) * 4 : 0;
}

std::size_t ImageDibSize(const ZrImage *image) {
    if (!image) return 0;
    return kDibHeaderSize + ImagePaletteSize(image) + static_cast<std::size_t>(image->size);
}

}  // namespace zr
