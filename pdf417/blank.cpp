// Blanking a decoded symbol: its outline, grown a little, is painted with the
// background colour so that the search does not meet the symbol again while
// the pictures beside it stay as they are.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/image_view.hpp"
#include "pdf417/stages.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kBitsPerByte = 8;
constexpr std::uint8_t kAllBits = 0xFF;

// Pixels x0 .. x1 (0 <= x0 <= x1 < row width) of one stored row set or cleared.
void FillSpan(std::uint8_t *row, int x0, int x1, bool set) {
    int x = x0;
    const auto put = [row, set](int at) {
        const std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> (at % kBitsPerByte));
        row[at / kBitsPerByte] = static_cast<std::uint8_t>(set ? row[at / kBitsPerByte] | mask
                                                               : row[at / kBitsPerByte] & ~mask);
    };
    for (; x <= x1 && x % kBitsPerByte != 0; ++x) put(x);
    const int wholeBytes = (x1 + 1 - x) / kBitsPerByte;
    if (wholeBytes > 0) {
        std::memset(row + x / kBitsPerByte, set ? kAllBits : 0, static_cast<std::size_t>(wholeBytes));
        x += wholeBytes * kBitsPerByte;
    }
    for (; x <= x1; ++x) put(x);
}

PointF Unit(PointF v) {
    const double length = geom::Length(v);
    return length > 0 ? PointF{v.x / length, v.y / length} : PointF{0, 0};
}

}  // namespace

geom::QuadF GrownOutline(const QuadI &corners, double grow) {
    geom::QuadF grown;
    for (int i = 0; i < QuadI::kCorners; ++i) {
        const PointF c = geom::ToPointF(corners[i]);
        const PointF before = geom::ToPointF(corners[(i + QuadI::kCorners - 1) % QuadI::kCorners]);
        const PointF after = geom::ToPointF(corners[(i + 1) % QuadI::kCorners]);
        // Away from both neighbours: each side moves out by `grow`, for a rectangle exactly.
        const PointF away = Unit(c - before) + Unit(c - after);
        grown[i] = {c.x + grow * away.x, c.y + grow * away.y};
    }
    return grown;
}

void BlankOutline(ZrImage &image, const QuadI &corners, std::uint8_t barColor, double grow) {
    const BitImageView view(image);
    const geom::QuadF outline = GrownOutline(corners, grow);
    double top = outline[0].y, bottom = outline[0].y;
    for (int i = 1; i < geom::QuadF::kCorners; ++i) {
        top = std::min(top, outline[i].y);
        bottom = std::max(bottom, outline[i].y);
    }
    const int firstRow = std::max(0, static_cast<int>(std::ceil(top)));
    const int lastRow = std::min(view.Height() - 1, static_cast<int>(std::floor(bottom)));
    const bool set = (barColor == kLightBars) == view.SetBitIsDark();  // the background's bit value
    for (int y = firstRow; y <= lastRow; ++y) {
        // Where the row crosses the outline's sides: the outermost crossings bound the span.
        double left = view.Width(), right = -1;
        for (int i = 0; i < geom::QuadF::kCorners; ++i) {
            const PointF a = outline[i], b = outline[(i + 1) % geom::QuadF::kCorners];
            if ((y < a.y && y < b.y) || (y > a.y && y > b.y)) continue;
            if (a.y == b.y) {
                left = std::min({left, a.x, b.x});
                right = std::max({right, a.x, b.x});
                continue;
            }
            const double x = a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y);
            left = std::min(left, x);
            right = std::max(right, x);
        }
        const int x0 = std::max(0, static_cast<int>(std::ceil(left)));
        const int x1 = std::min(view.Width() - 1, static_cast<int>(std::floor(right)));
        if (x0 <= x1) FillSpan(view.MutableRow(y), x0, x1, set);
    }
}

}  // namespace zr::pdf417
