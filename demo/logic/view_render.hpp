// Drawing the visible part of a document image, at any zoom, into a 24-bit buffer.
#ifndef ZR_DEMO_VIEW_RENDER_HPP
#define ZR_DEMO_VIEW_RENDER_HPP

#include <cstddef>
#include <cstdint>

#include "zr/ZrImage.h"

namespace zr::demo {

// The part of the scaled picture to draw: `left`, `top` is its first pixel in scaled-picture
// coordinates, `width` x `height` its size; the whole scaled picture is scaledWidth x scaledHeight.
struct RenderArea {
    uint32_t left = 0;
    uint32_t top = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t scaledWidth = 0;
    uint32_t scaledHeight = 0;
};

// The part of the scaled picture that a client area of clientWidth x clientHeight shows when
// scrolled to (scrollX, scrollY).
RenderArea VisibleArea(uint32_t scaledWidth, uint32_t scaledHeight, int scrollX, int scrollY, int clientWidth,
                       int clientHeight);

// Fills `out` (rows of `stride` bytes, top row first, red, green, blue per pixel) with the area:
// each destination pixel takes the source pixel nearest its centre; 24-bit pictures copy their
// colours, 1- and 8-bit pictures take the palette colour of the pixel's index. Returns false, and
// writes nothing, for a record that does not hold a picture, an area outside the scaled picture or
// a stride shorter than a row.
bool RenderScaled(const ZrImage &image, const RenderArea &area, uint8_t *out, size_t stride);

}  // namespace zr::demo

#endif  // ZR_DEMO_VIEW_RENDER_HPP
