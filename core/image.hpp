// Image record operations shared by every reader library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/image_view.hpp"
#include "zr/ZrImage.h"

namespace zr {

constexpr std::uint32_t kDibHeaderSize = 40;

// Bytes per stored row: rows are padded to a multiple of 4 bytes.
constexpr std::int32_t RowPitch(std::uint32_t width, std::uint16_t bitsPerPixel) {
    return static_cast<std::int32_t>(((static_cast<std::uint64_t>(bitsPerPixel) * width + 31) >> 5) << 2);
}

// Resolution conversions, both rounded half up.
std::uint32_t DpiToPixelsPerMetre(std::uint32_t dpi);
std::uint32_t PixelsPerMetreToDpi(std::int32_t ppm);

// (Re)allocates a blank white picture for the record's width, height,
// bitsPerPixel, resolutions and polarity. ZR_OK, ZR_ERR_NULL_IMAGE,
// ZR_ERR_BAD_FORMAT or ZR_ERR_NO_MEMORY.
std::uint16_t ImageCreate(ZrImage *image);
// Frees the block; null and empty records are accepted.
std::uint16_t ImageDestroy(ZrImage *image);
// Makes target an independent copy of source. ZR_OK, ZR_ERR_NULL_IMAGE,
// ZR_ERR_EMPTY_IMAGE, ZR_ERR_BAD_FORMAT or ZR_ERR_NO_MEMORY.
std::uint16_t ImageCopy(const ZrImage *source, ZrImage *target);
// Loads a caller's packed DIB. ZR_OK, ZR_ERR_NULL_IMAGE, ZR_ERR_NULL_DIB,
// ZR_ERR_BAD_FORMAT (unreadable DIB) or ZR_ERR_NO_MEMORY.
std::uint16_t ImageFromDib(ZrImage *image, const void *dib);

std::uint8_t *ImagePalette(const ZrImage *image);
std::uint32_t ImagePaletteSize(const ZrImage *image);
std::size_t ImageDibSize(const ZrImage *image);

// Stored row holding picture row y (y counted from the top).
inline std::uint8_t *ImageRow(const ZrImage *image, std::int32_t y) {
    return BitImageView(*image).MutableRow(y);
}

// Dark test for one pixel of a 1-bit image; no bounds check.
inline bool ImageIsDark(const ZrImage *image, std::int32_t x, std::int32_t y) {
    return BitImageView(*image).Dark(x, y);
}

}  // namespace zr
