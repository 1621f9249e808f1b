// The caller's DIB as a plane of 8-bit grey levels, rows from the top: what
// the readers' second looks measure edges on. The levels are those the
// bi-level preparation thresholds (24-bit pixels and palette entries weighted
// alike); a 1-bit DIB gives 0 for dark and 255 for light pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zr {

struct GreyPlane {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> levels;  // width * height, row y at y * width

    const std::uint8_t *Row(int y) const { return levels.data() + static_cast<std::ptrdiff_t>(y) * width; }
    std::uint8_t At(int x, int y) const { return levels[static_cast<std::size_t>(y) * width + x]; }
};

// ZR_OK, ZR_ERR_NULL_DIB, ZR_ERR_BAD_FORMAT (unreadable DIB) or
// ZR_ERR_NO_MEMORY; the plane is left empty unless ZR_OK.
std::uint16_t DibToGreyPlane(const void *dib, GreyPlane &plane);
// As above, taking a 24-bit DIB's levels from `storedGrey` when it holds one
// for every pixel (DibToBiLevel's `keepGrey` of the same DIB, rows in storage
// order) instead of converting the colours again.
std::uint16_t DibToGreyPlane(const void *dib, GreyPlane &plane, const std::vector<std::uint8_t> &storedGrey);

}  // namespace zr
