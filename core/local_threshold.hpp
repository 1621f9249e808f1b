// The caller's DIB as a bi-level working image by local thresholds: each
// pixel is compared with the statistics of the area around it rather than
// with one level for the whole picture, so that uneven light, shadows and
// gradients keep their symbols. The second looks of the readers sample it.
#pragma once

#include <cstdint>

#include "zr/ZrImage.h"

namespace zr {

// Same record layout as DibToBiLevel (1 bit, polarity 0, the DIB's size and
// resolution); codes as DibToBiLevel.
std::uint16_t DibToLocalBiLevel(ZrImage *image, const void *dib);

}  // namespace zr
