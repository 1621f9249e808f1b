// The caller's DIB as a bi-level working image by local thresholds: each
// pixel is compared with the statistics of the area around it rather than
// with one level for the whole picture, so that uneven light, shadows and
// gradients keep their symbols. The second looks of the readers sample it.
//
// The rule, on grey levels (8-bit pixels through their palette entries'
// weighted grey, 24-bit pixels as DibToBiLevel converts them), with blocks
// of 8 x 8 pixels counted from the picture's top-left corner (the last block
// of a row or column holds what is left, possibly fewer pixels):
//   1. Each block's minimum, maximum and integer mean.
//   2. Each block's level, in raster order (left to right, top to bottom):
//      - a block with contrast (maximum - minimum > 24) takes its mean;
//      - a flat block takes its neighbours' level: the mean of the levels of
//        the blocks above, to the left (counted twice) and above-left, of
//        those that exist, when its minimum lies below that; otherwise (or
//        with no such neighbour) it counts as light, level minimum / 2.
//   3. Each block's threshold: the integer mean of the levels in the 5 x 5
//      blocks around it, the window moved inward at the picture's edges so
//      that it stays whole (a picture fewer than 5 blocks across or down
//      uses all its blocks on that axis).
//   4. A pixel is dark when its grey level is below its block's threshold.
// A 1-bit DIB is copied as it is.
#pragma once

#include <cstdint>
#include <vector>

#include "zr/ZrImage.h"

namespace zr {

// Same record layout as DibToBiLevel (1 bit, the record's polarity, the
// DIB's size and resolution); codes as DibToBiLevel: ZR_OK,
// ZR_ERR_NULL_IMAGE, ZR_ERR_NULL_DIB, ZR_ERR_BAD_FORMAT or ZR_ERR_NO_MEMORY.
std::uint16_t DibToLocalBiLevel(ZrImage *image, const void *dib);
// As above, taking a 24-bit DIB's grey levels from `storedGrey` when it holds
// one for every pixel (DibToBiLevel's `keepGrey` of the same DIB) instead of
// converting the colours again.
std::uint16_t DibToLocalBiLevel(ZrImage *image, const void *dib, const std::vector<std::uint8_t> &storedGrey);

// True when a bi-level picture's rows change between dark and light more
// often than every 2.5 pixels on average (measured on every fourth row):
// speckle, noise made bi-level, not print. Local thresholds turn a picture of
// noise into such speckle, and searching it costs much and finds nothing, so
// the second looks leave it. Pictures of up to 512 x 512 pixels never count
// as speckle: they cost little, and a symbol of 1-pixel modules filling one
// changes as often.
bool LooksLikeSpeckle(const ZrImage &image);

// Changes between dark and light per pixel along every fourth row.
double RowChangeDensity(const ZrImage &image);

}  // namespace zr
