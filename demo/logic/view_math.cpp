#include "view_math.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "format.hpp"

namespace zr::demo {
namespace {

constexpr int kEmptyViewSize = 100;

// value x zoom, truncated, kept within 0 .. INT_MAX.
int Scaled(double value, double zoom) {
    const double scaled = value * zoom;
    if (!(scaled > 0.0)) return 0;
    return scaled >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                     : static_cast<int>(scaled);
}

// The pixel row of picture row y (from the top), or null when the record does not hold it.
const uint8_t *PictureRow(const ZrImage &image, uint32_t y) {
    if (image.dib == nullptr || image.bits == nullptr || image.pitch <= 0 || y >= image.height)
        return nullptr;
    const uint64_t rowBytes = (static_cast<uint64_t>(image.width) * image.bitsPerPixel + 7) / 8;
    if (rowBytes > static_cast<uint64_t>(image.pitch)) return nullptr;
    if (image.size != 0 && static_cast<uint64_t>(image.pitch) * image.height > image.size) return nullptr;
    const uint32_t storedRow = image.height - 1 - y;  // rows are stored bottom-up
    return static_cast<const uint8_t *>(image.bits) + static_cast<uint64_t>(storedRow) * image.pitch;
}

}  // namespace

double ZoomToFit(int clientWidth, int clientHeight, const ZrImage &image, double current) {
    if (image.dib == nullptr || image.width == 0 || image.height == 0 || clientWidth <= 0 ||
        clientHeight <= 0) {
        return current;
    }
    return std::min(static_cast<double>(clientWidth) / image.width,
                    static_cast<double>(clientHeight) / image.height);
}

ViewSize ScrollSize(const ZrImage &image, double zoom) {
    if (image.dib == nullptr) return {kEmptyViewSize, kEmptyViewSize};
    return {Scaled(image.width, zoom), Scaled(image.height, zoom)};
}

uint32_t SourceIndex(uint32_t destination, uint32_t offset, uint32_t sourceSize, uint32_t scaledSize) {
    if (sourceSize == 0 || scaledSize == 0) return 0;
    const double centre =
        (2.0 * (static_cast<double>(destination) + offset) + 1.0) * sourceSize / scaledSize * 0.5;
    return std::min(static_cast<uint32_t>(centre), sourceSize - 1);
}

std::optional<Rgb> PixelColor(const ZrImage &image, uint32_t x, uint32_t y) {
    if (x >= image.width) return std::nullopt;
    const uint8_t *row = PictureRow(image, y);
    if (row == nullptr) return std::nullopt;
    switch (image.bitsPerPixel) {
        case 24: {
            const uint8_t *pixel = row + static_cast<size_t>(x) * 3;  // stored blue, green, red
            return Rgb{pixel[2], pixel[1], pixel[0]};
        }
        case 8:
            return Rgb{row[x], row[x], row[x]};
        case 1: {
            const bool set = (row[x >> 3] >> (7 - (x & 7))) & 1;
            // Polarity 0: a set bit is black; polarity 1: a set bit is white.
            const bool white = image.polarity == 0 ? !set : set;
            const uint8_t level = white ? 255 : 0;
            return Rgb{level, level, level};
        }
        default:
            return std::nullopt;
    }
}

std::optional<std::string> PixelReadout(const ZrImage &image, int mouseX, int mouseY, int scrollX,
                                        int scrollY, double zoom) {
    if (image.dib == nullptr || !(zoom > 0.0)) return std::nullopt;
    const double x = std::floor((static_cast<double>(mouseX) + scrollX) / zoom + 0.5);
    const double y = std::floor((static_cast<double>(mouseY) + scrollY) / zoom + 0.5);
    if (x < 0.0 || y < 0.0 || x >= image.width || y >= image.height) return std::nullopt;
    const std::optional<Rgb> colour = PixelColor(image, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
    if (!colour) return std::nullopt;
    return Format("x: %d y: %d RGB(%d, %d, %d)", static_cast<int>(x), static_cast<int>(y), colour->red,
                  colour->green, colour->blue);
}

OutlineBox OutlineFor(const int32_t (&corners)[8], double zoom, bool selected) {
    OutlineBox box;
    box.left = box.top = std::numeric_limits<int>::max();
    box.right = box.bottom = 0;
    for (int i = 0; i < 4; ++i) {
        const int x = Scaled(corners[2 * i], zoom);
        const int y = Scaled(corners[2 * i + 1], zoom);
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x);
        box.bottom = std::max(box.bottom, y);
    }
    box.colour = selected ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
    return box;
}

std::optional<OutlineBox> SearchAreaBox(const PixelRect &rect, const ZrImage &image, double zoom) {
    if (image.dib == nullptr) return std::nullopt;
    const uint32_t left = std::min(rect.left, image.width);
    const uint32_t top = std::min(rect.top, image.height);
    // Widened so that a start and size near the 32-bit limit cannot wrap.
    auto end = [](uint32_t start, uint32_t size, uint32_t limit) {
        return size == 0 ? limit : static_cast<uint32_t>(std::min<uint64_t>(uint64_t{start} + size, limit));
    };
    const uint32_t right = end(left, rect.width, image.width);
    const uint32_t bottom = end(top, rect.height, image.height);
    if (right <= left || bottom <= top) return std::nullopt;
    OutlineBox box;
    box.left = Scaled(left, zoom);
    box.top = Scaled(top, zoom);
    box.right = Scaled(right, zoom);
    box.bottom = Scaled(bottom, zoom);
    box.colour = kSearchAreaColour;
    return box;
}

LabelPlace LabelPlaceFor(const OutlineBox &box, int labelWidth, int labelHeight, int viewWidth,
                         int viewHeight) {
    LabelPlace place;
    place.left = std::max(0, std::min(box.left, viewWidth - labelWidth));
    if (box.top - labelHeight >= 0) {
        place.top = box.top - labelHeight;
    } else if (box.bottom + labelHeight <= viewHeight) {
        place.top = box.bottom;
    } else {
        place.top = box.top;
    }
    return place;
}

}  // namespace zr::demo
