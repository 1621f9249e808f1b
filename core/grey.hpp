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

}  // namespace zr
