// Geometry of the image view: zoom, scrolling size, scaled drawing, pixel read-out, outlines.
#ifndef ZR_DEMO_VIEW_MATH_HPP
#define ZR_DEMO_VIEW_MATH_HPP

#include <cstdint>
#include <optional>
#include <string>

#include "settings.hpp"
#include "zr/ZrImage.h"

namespace zr::demo {

// The zoom commands, largest first.
constexpr double kZoomSteps[] = {4.0, 3.0, 2.0, 1.0, 0.5, 1.0 / 3.0, 0.25};

// min(client width / image width, client height / image height); the current zoom when there is
// no image or no client area.
double ZoomToFit(int clientWidth, int clientHeight, const ZrImage &image, double current);

struct ViewSize {
    int width = 0;
    int height = 0;
};

// Image size x zoom, truncated; 100 x 100 without an image.
ViewSize ScrollSize(const ZrImage &image, double zoom);

// Source column (or row) for destination pixel `destination` of a scaled drawing whose visible
// part starts at `offset`: the source pixel nearest the destination pixel's centre.
uint32_t SourceIndex(uint32_t destination, uint32_t offset, uint32_t sourceSize, uint32_t scaledSize);

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

// The colour of pixel (x, y), y from the top: 24 bits its bytes, 8 bits the index in all three
// channels, 1 bit black or white by the bit and the polarity. Nothing outside the picture or for a
// record that cannot be read.
std::optional<Rgb> PixelColor(const ZrImage &image, uint32_t x, uint32_t y);

// "x: %d y: %d RGB(%d, %d, %d)" for the pixel under the mouse, each coordinate
// (mouse + scroll) / zoom rounded half up; nothing when that lies outside the image.
std::optional<std::string> PixelReadout(const ZrImage &image, int mouseX, int mouseY, int scrollX,
                                        int scrollY, double zoom);

// The frame drawn around a result: its corners' bounding box at the zoom (each coordinate scaled
// and truncated, at least 0), red for the selected result and blue for the others.
struct OutlineBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    Rgb colour;
};

OutlineBox OutlineFor(const int32_t (&corners)[8], double zoom, bool selected);

// The search area's frame at the zoom: the pixel rectangle (0 width or height = to the edge) kept
// on the picture and scaled. Nothing without a picture or when no picture pixel lies inside.
std::optional<OutlineBox> SearchAreaBox(const PixelRect &rect, const ZrImage &image, double zoom);
constexpr Rgb kSearchAreaColour{230, 120, 0};

// Where an outline's label goes, in view coordinates: above the outline when the view has room
// there, else below it, else inside its top left corner; always from the outline's left edge,
// moved left as far as needed to stay in the view.
struct LabelPlace {
    int left = 0;
    int top = 0;
};
LabelPlace LabelPlaceFor(const OutlineBox &box, int labelWidth, int labelHeight, int viewWidth,
                         int viewHeight);

}  // namespace zr::demo

#endif  // ZR_DEMO_VIEW_MATH_HPP
