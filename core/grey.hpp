// Grey levels, the iterative global threshold and whole-image bi-level operations.
#pragma once

#include <array>
#include <cstdint>

#include "zr/ZrImage.h"

namespace zr {

using Histogram = std::array<std::uint32_t, 256>;

std::uint16_t ImageToGrey(ZrImage *image);
std::uint16_t GreyHistogram(const ZrImage *image, Histogram *histogram);
std::uint8_t IterativeThreshold(const Histogram &histogram);
void BinarizeGrey(const ZrImage *source, ZrImage *target, const Histogram &histogram);
std::uint16_t ImageToMono(ZrImage *image);
void ImageDespeckle(ZrImage *image);
void ImageClearBorder(ZrImage *image);
void ImageInvert(ZrImage *image);

// True when a bi-level picture has a dark pixel on its outermost rows or
// columns: something printed or cropped to its edge.
bool DarkTouchesEdge(const ZrImage &image);

// A copy of a bi-level picture inside a light frame of `frameBytes` whole
// bytes (8 pixels each) on every side, same polarity and resolution: a
// symbol that touches the picture's edge gets a quiet zone there. ZR_OK,
// ZR_ERR_BAD_FORMAT (not a bi-level picture) or ZR_ERR_NO_MEMORY.
std::uint16_t ImageWithLightFrame(const ZrImage &source, std::uint32_t frameBytes, ZrImage *framed);
// Paints such a frame light again (after the framed picture was inverted);
// `innerWidth` is the width of the picture inside it.
void PaintFrameLight(ZrImage *framed, std::uint32_t frameBytes, std::uint32_t innerWidth);

}  // namespace zr
