#include "view_render.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "core/dib_header.hpp"
#include "core/image.hpp"
#include "view_math.hpp"

namespace zr::demo {
namespace {

using Palette = std::array<std::array<uint8_t, 3>, 256>;

// Red, green, blue of each palette entry (stored blue, green, red, reserved).
Palette PaletteOf(const ZrImage &image) {
    Palette palette{};
    const uint8_t *entries = zr::ImagePalette(&image);
    const uint32_t count = zr::ImagePaletteSize(&image) / 4;
    for (size_t i = 0; i < count && i < palette.size(); ++i) {
        const uint8_t *entry = entries + 4 * i;  // blue, green, red, reserved
        palette[i] = {entry[2], entry[1], entry[0]};
    }
    return palette;
}

uint32_t Clamp(int value, uint32_t limit) {
    if (value <= 0) return 0;
    return std::min(static_cast<uint32_t>(value), limit);
}

}  // namespace

RenderArea VisibleArea(uint32_t scaledWidth, uint32_t scaledHeight, int scrollX, int scrollY, int clientWidth,
                       int clientHeight) {
    RenderArea area;
    area.scaledWidth = scaledWidth;
    area.scaledHeight = scaledHeight;
    area.left = Clamp(scrollX, scaledWidth);
    area.top = Clamp(scrollY, scaledHeight);
    area.width = std::min(Clamp(clientWidth, scaledWidth), scaledWidth - area.left);
    area.height = std::min(Clamp(clientHeight, scaledHeight), scaledHeight - area.top);
    return area;
}

bool RenderScaled(const ZrImage &image, const RenderArea &area, uint8_t *out, size_t stride) {
    if (out == nullptr || !zr::HoldsPicture(&image) || image.width == 0 || image.height == 0) return false;
    if (image.bitsPerPixel != 1 && image.bitsPerPixel != 8 && image.bitsPerPixel != 24) return false;
    if (area.width == 0 || area.height == 0) return true;
    if (area.left > area.scaledWidth || area.width > area.scaledWidth - area.left ||
        area.top > area.scaledHeight || area.height > area.scaledHeight - area.top)
        return false;
    if (stride < static_cast<size_t>(area.width) * 3) return false;

    // Source column of every destination column, worked out once for the whole area.
    std::vector<uint32_t> columns(area.width);
    for (uint32_t i = 0; i < area.width; ++i)
        columns[i] = SourceIndex(i, area.left, image.width, area.scaledWidth);
    const Palette palette = image.bitsPerPixel == 24 ? Palette{} : PaletteOf(image);

    for (uint32_t j = 0; j < area.height; ++j) {
        const uint32_t y = SourceIndex(j, area.top, image.height, area.scaledHeight);
        const uint8_t *row = zr::ImageRow(&image, static_cast<int32_t>(y));
        uint8_t *to = out + static_cast<size_t>(j) * stride;
        switch (image.bitsPerPixel) {
            case 24:
                for (uint32_t x : columns) {
                    const uint8_t *pixel = row + static_cast<size_t>(x) * 3;  // blue, green, red
                    *to++ = pixel[2];
                    *to++ = pixel[1];
                    *to++ = pixel[0];
                }
                break;
            case 8:
                for (uint32_t x : columns) {
                    const auto &colour = palette[row[x]];
                    to = std::copy(colour.begin(), colour.end(), to);
                }
                break;
            default:
                for (uint32_t x : columns) {
                    const auto &colour = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
                    to = std::copy(colour.begin(), colour.end(), to);
                }
                break;
        }
    }
    return true;
}

}  // namespace zr::demo
