// A position on a packed 1-bit image, moved one pixel at a time with a
// moving bit mask so that walking a line never calls per-pixel functions.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "zr/ZrImage.h"

namespace zr::lines {

using geom::PointI;
using geom::Rect;

// Step codes: 0 x+1; 1 x+1,y+1; 2 y+1; 3 x-1,y+1; 4 x-1; 5 x-1,y-1; 6 y-1; 7 x+1,y-1.
enum : std::uint8_t {
    kStepRight = 0,
    kStepDownRight = 1,
    kStepDown = 2,
    kStepDownLeft = 3,
    kStepLeft = 4,
    kStepUpLeft = 5,
    kStepUp = 6,
    kStepUpRight = 7,
};
constexpr int kStepDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kStepDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};
// The pixel offset of one step code.
constexpr PointI StepVector(std::uint8_t code) {
    return {kStepDx[code & 7], kStepDy[code & 7]};
}

// Eight bytes of a row from `byte` on, the first in the top bits; bytes past
// the row's end read as 0 (they lie beyond the picture's width).
inline std::uint64_t LoadRow64(const std::uint8_t *row, std::ptrdiff_t pitch, int byte) {
    std::uint64_t word = 0;
    if (__builtin_expect(byte + 8 <= pitch, 1)) {  // all but the row's last bytes
        std::memcpy(&word, row + byte, 8);
        return __builtin_bswap64(word);
    }
    if (pitch >= 8) {  // the row's last eight bytes, moved up to `byte`
        std::memcpy(&word, row + pitch - 8, 8);
        return __builtin_bswap64(word) << (8 * (byte + 8 - pitch));
    }
    for (int k = 0; k < 8; ++k) word = (word << 8) | (byte + k < pitch ? row[byte + k] : 0u);
    return word;
}

// Eight bytes one stride apart (eight rows of one byte column) in the
// low-to-high bytes of a word.
__attribute__((always_inline)) inline std::uint64_t Bytes8(const std::uint8_t *p, std::ptrdiff_t s) {
    return std::uint64_t{p[0]} | std::uint64_t{p[s]} << 8 | std::uint64_t{p[2 * s]} << 16 |
           std::uint64_t{p[3 * s]} << 24 | std::uint64_t{p[4 * s]} << 32 | std::uint64_t{p[5 * s]} << 40 |
           std::uint64_t{p[6 * s]} << 48 | std::uint64_t{p[7 * s]} << 56;
}

// One pixel column out of Bytes8: bit `shift` of byte k moved to bit 63 - k
// by one multiply, so the eight rows read top-down in the top byte. The
// bits below the top byte are not zero.
inline std::uint64_t ColumnToTopByte(std::uint64_t bytes, int shift) {
    return ((bytes >> shift) & 0x0101010101010101u) * 0x8040201008040201u;
}

// The view finds a row once; from there the cursor moves its row pointer
// itself. A step is the same few additions whatever its direction, with no
// branch, so walks along step tables of any angle stay predictable.
class BitCursor {
  public:
    explicit BitCursor(const BitImageView &view)
        : view_(view), pitch_(view.Pitch()), lightBit_(view.SetBitIsDark() ? 0u : 1u) {}
    explicit BitCursor(const ZrImage &image) : BitCursor(BitImageView(image)) {}

    void MoveTo(int x, int y) {
        x_ = x;
        y_ = y;
        row_ = view_.Row(y);
        safeSteps_ = 0;
    }
    void MoveTo(PointI p) { MoveTo(p.x, p.y); }

    bool Dark() const {
        return ((static_cast<unsigned>(row_[x_ >> 3] >> (7 - (x_ & 7))) ^ lightBit_) & 1u) != 0;
    }
    int x() const { return x_; }
    int y() const { return y_; }
    PointI At() const { return {x_, y_}; }

    // Moves by one step code; the caller has checked that the target is inside the picture.
    void Step(std::uint8_t code) {
        const int dy = kStepDy[code];
        x_ += kStepDx[code];
        y_ += dy;
        row_ -= static_cast<std::ptrdiff_t>(dy) * pitch_;  // stored rows run bottom-up
        safeSteps_ -= safeSteps_ > 0 ? 1 : 0;
    }

    // Moves one step if the target lies in the area; false otherwise. The
    // cursor notes how many steps of any direction surely stay inside, so
    // most steps test nothing: pass the same, unchanged area while it walks.
    bool StepInside(std::uint8_t code, const Rect &area) {
        if (safeSteps_ == 0 || safeArea_ != &area) {
            safeArea_ = &area;
            safeSteps_ = std::max(0, std::min(std::min(x_ - area.x0, area.x1 - 1 - x_),
                                              std::min(y_ - area.y0, area.y1 - 1 - y_)));
            if (safeSteps_ == 0) {
                if (!area.Contains(x_ + kStepDx[code], y_ + kStepDy[code])) return false;
                Step(code);
                return true;
            }
        }
        Step(code);
        return true;
    }

  private:
    BitImageView view_;
    std::int32_t pitch_;
    unsigned lightBit_;  // the bit value of a light pixel
    const std::uint8_t *row_ = nullptr;
    int x_ = 0;
    int y_ = 0;
    int safeSteps_ = 0;  // steps that stay inside *safeArea_ whatever their direction
    const Rect *safeArea_ = nullptr;
};

}  // namespace zr::lines
