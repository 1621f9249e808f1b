// The 40-byte header at the start of a packed DIB, read and written field by
// field with memcpy so that the block may sit at any address.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/image.hpp"
#include "core/prepare.hpp"

namespace zr {

struct DibHeader {
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

namespace dib_detail {

template <typename T>
inline void Get(const std::uint8_t *from, std::size_t offset, T *value) {
    std::memcpy(value, from + offset, sizeof(T));
}

template <typename T>
inline void Put(std::uint8_t *to, std::size_t offset, T value) {
    std::memcpy(to + offset, &value, sizeof(T));
}

}  // namespace dib_detail

inline DibHeader ReadDibHeader(const void *dib) {
    const auto *p = static_cast<const std::uint8_t *>(dib);
    DibHeader h;
    dib_detail::Get(p, 0, &h.size);
    dib_detail::Get(p, 4, &h.width);
    dib_detail::Get(p, 8, &h.height);
    dib_detail::Get(p, 12, &h.planes);
    dib_detail::Get(p, 14, &h.bitCount);
    dib_detail::Get(p, 16, &h.compression);
    dib_detail::Get(p, 20, &h.sizeImage);
    dib_detail::Get(p, 24, &h.xPelsPerMeter);
    dib_detail::Get(p, 28, &h.yPelsPerMeter);
    dib_detail::Get(p, 32, &h.clrUsed);
    dib_detail::Get(p, 36, &h.clrImportant);
    return h;
}

inline void WriteDibHeader(void *dib, const DibHeader &h) {
    auto *p = static_cast<std::uint8_t *>(dib);
    dib_detail::Put(p, 0, h.size);
    dib_detail::Put(p, 4, h.width);
    dib_detail::Put(p, 8, h.height);
    dib_detail::Put(p, 12, h.planes);
    dib_detail::Put(p, 14, h.bitCount);
    dib_detail::Put(p, 16, h.compression);
    dib_detail::Put(p, 20, h.sizeImage);
    dib_detail::Put(p, 24, h.xPelsPerMeter);
    dib_detail::Put(p, 28, h.yPelsPerMeter);
    dib_detail::Put(p, 32, h.clrUsed);
    dib_detail::Put(p, 36, h.clrImportant);
}

// True for the headers a reader accepts (uncompressed, bottom-up, 1, 8 or 24
// bits, full palette, consistent size), with the pixel rows' pitch and size.
bool AcceptableDibHeader(const DibHeader &h, std::int32_t *pitch, std::uint32_t *size);

// The header that describes the record's picture: its size, depth and
// resolution, and the palette entries its depth has.
inline DibHeader DibHeaderOf(const ZrImage *image) {
    DibHeader h;
    h.size = kDibHeaderSize;
    h.width = static_cast<std::int32_t>(image->width);
    h.height = static_cast<std::int32_t>(image->height);
    h.planes = 1;
    h.bitCount = image->bitsPerPixel;
    h.sizeImage = static_cast<std::uint32_t>(image->height) * static_cast<std::uint32_t>(image->pitch);
    h.xPelsPerMeter = static_cast<std::int32_t>(DpiToPixelsPerMetre(image->xDpi));
    h.yPelsPerMeter = static_cast<std::int32_t>(DpiToPixelsPerMetre(image->yDpi));
    h.clrUsed = h.clrImportant = ImagePaletteSize(image) / 4;
    return h;
}

// Grey level of palette entry `i` (blue, green, red, reserved bytes), weighted
// as a 24-bit pixel's is, so that an 8-bit picture reads as its 24-bit copy.
inline std::uint8_t PaletteGrey(const std::uint8_t *palette, std::size_t i) {
    return prepare::GreyOfBgr(palette[4 * i], palette[4 * i + 1], palette[4 * i + 2]);
}

// A 1-bit palette whose entry 0 is the darker of the two: bit value 0 is dark.
inline bool FirstEntryDarker(const std::uint8_t *palette) {
    return PaletteGrey(palette, 0) < PaletteGrey(palette, 1);
}

// True when the record holds a block laid out as ImageCreate makes it, so that
// height rows of pitch bytes can be walked from bits without leaving the block.
inline bool HoldsPicture(const ZrImage *image) {
    if (!image->dib || !image->bits) return false;
    if (image->pitch != RowPitch(image->width, image->bitsPerPixel)) return false;
    if (static_cast<std::uint64_t>(image->height) * static_cast<std::uint32_t>(image->pitch) != image->size)
        return false;
    return static_cast<const std::uint8_t *>(image->bits) ==
           static_cast<const std::uint8_t *>(image->dib) + kDibHeaderSize + ImagePaletteSize(image);
}

}  // namespace zr
