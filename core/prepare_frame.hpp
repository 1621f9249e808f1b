// The frame both bi-level preparations (the global threshold in prepare.cpp,
// local thresholds in local_threshold.cpp) share around their thresholding.
#pragma once

#include <cstdint>

#include "core/dib_header.hpp"
#include "core/image.hpp"
#include "zr/ZrImage.h"

namespace zr {

// Checks the record and the DIB, copies a 1-bit DIB as it is, else makes a
// blank bi-level record of the DIB's size and resolution and has
// `binarise(palette, pitch, bitCount, target)` fill it from the palette (8
// bits) or pixels (24 bits) that start at `palette`. The caller's record
// takes the result only when everything succeeded; it is left empty otherwise.
template <class Binarise>
std::uint16_t PrepareBiLevel(ZrImage *image, const void *dib, Binarise &&binarise) {
    if (!image) return ZR_ERR_NULL_IMAGE;
    if (!dib) {
        ImageDestroy(image);
        return ZR_ERR_NULL_DIB;
    }
    const DibHeader h = ReadDibHeader(dib);
    if (h.bitCount == 1) return ImageFromDib(image, dib);
    ImageDestroy(image);
    std::int32_t pitch = 0;
    std::uint32_t size = 0;
    if (!AcceptableDibHeader(h, &pitch, &size)) return ZR_ERR_BAD_FORMAT;

    ZrImage target = *image;
    target.width = static_cast<std::uint32_t>(h.width);
    target.height = static_cast<std::uint32_t>(h.height);
    target.bitsPerPixel = 1;
    target.xDpi = PixelsPerMetreToDpi(h.xPelsPerMeter);
    target.yDpi = PixelsPerMetreToDpi(h.yPelsPerMeter);
    const std::uint16_t code = ImageCreate(&target);
    if (code != ZR_OK) return code;

    const auto *palette = static_cast<const std::uint8_t *>(dib) + kDibHeaderSize;
    const std::uint16_t status = binarise(palette, pitch, h.bitCount, target);
    if (status != ZR_OK) {
        ImageDestroy(&target);
        return status;
    }
    *image = target;
    return ZR_OK;
}

}  // namespace zr
