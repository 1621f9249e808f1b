// The caller's packed DIB straight to a bi-level working image: the same
// picture, threshold and bits as loading it, converting it to grey and
// binarising it step by step, without the intermediate copies.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/grey.hpp"
#include "zr/ZrImage.h"

namespace zr {

// ZR_OK, ZR_ERR_NULL_IMAGE, ZR_ERR_NULL_DIB, ZR_ERR_BAD_FORMAT (unreadable
// DIB) or ZR_ERR_NO_MEMORY. A 1-bit DIB is copied as it is.
std::uint16_t DibToBiLevel(ZrImage *image, const void *dib);
// As above; a 24-bit DIB's grey levels (one byte a pixel, rows in storage
// order) are also left in `keepGrey`, so that a second preparation of the
// same picture need not convert its colours again. Other depths leave it empty.
std::uint16_t DibToBiLevel(ZrImage *image, const void *dib, std::vector<std::uint8_t> *keepGrey);

namespace prepare {

// Grey level of a 24-bit pixel, exactly as 0.11 B + 0.59 G + 0.30 R + 0.5
// truncated in double arithmetic, computed in integers.
std::uint8_t GreyOfBgr(std::uint8_t b, std::uint8_t g, std::uint8_t r);
// Converts n pixels of a 24-bit row to grey and counts them: with SSSE3
// where the processor has it, else one pixel at a time. All versions give
// the same levels and counts. The counts are split over two histograms
// (their sum is the row's histogram) so that runs of one level do not wait
// on one counter; a caller converting many rows adds them up once.
using HistogramPair = std::array<Histogram, 2>;
void BgrRowToGrey(const std::uint8_t *bgr, std::uint32_t n, std::uint8_t *grey, HistogramPair &counts);
void BgrRowToGreyScalar(const std::uint8_t *bgr, std::uint32_t n, std::uint8_t *grey, HistogramPair &counts);
// Sixteen pixels per step; only where HasSsse3() is true.
void BgrRowToGreySsse3(const std::uint8_t *bgr, std::uint32_t n, std::uint8_t *grey, HistogramPair &counts);
bool HasSsse3();

// Packs count / 8 whole bytes, most significant bit first: a bit is set
// where grey < threshold. Both versions give the same bytes.
void PackDarkScalar(const std::uint8_t *grey, std::uint32_t count, std::uint8_t threshold, std::uint8_t *out);
void PackDark(const std::uint8_t *grey, std::uint32_t count, std::uint8_t threshold, std::uint8_t *out);

}  // namespace prepare
}  // namespace zr
