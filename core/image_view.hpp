// A read view over a bi-level working image: rows addressed top-down and
// one dark test, so that no stage computes stored-row offsets itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/geom/geom.hpp"
#include "zr/ZrImage.h"

namespace zr {

class BitImageView {
  public:
    explicit BitImageView(const ZrImage &image)
        : bits_(static_cast<std::uint8_t *>(image.bits)),
          width_(static_cast<int>(image.width)),
          height_(static_cast<int>(image.height)),
          pitch_(image.pitch),
          setIsDark_(image.polarity == 0) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    std::int32_t Pitch() const { return pitch_; }
    geom::Rect Bounds() const { return {0, 0, width_, height_}; }
    // A set bit is dark unless the image's polarity says otherwise.
    bool SetBitIsDark() const { return setIsDark_; }

    // Stored bytes of picture row y (0 is the top row); DIB rows are stored bottom-up.
    const std::uint8_t *Row(int y) const {
        return bits_ + static_cast<std::ptrdiff_t>(height_ - 1 - y) * pitch_;
    }
    std::uint8_t *MutableRow(int y) const {
        return bits_ + static_cast<std::ptrdiff_t>(height_ - 1 - y) * pitch_;
    }

    // Dark test without a bounds check.
    bool Dark(int x, int y) const { return (((Row(y)[x >> 3] >> (7 - (x & 7))) & 1) != 0) == setIsDark_; }
    bool Dark(geom::PointI p) const { return Dark(p.x, p.y); }
    // Dark test that treats every pixel outside the picture as light.
    bool DarkOrOutside(int x, int y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_ && Dark(x, y);
    }
    // The same for the pixel nearest a sampling point (rounded half up).
    bool DarkOrOutside(geom::PointF p) const {
        const geom::PointI q = geom::RoundHalfUp(p);
        return DarkOrOutside(q.x, q.y);
    }

  private:
    std::uint8_t *bits_;
    int width_;
    int height_;
    std::int32_t pitch_;
    bool setIsDark_;
};

// Changes between neighbouring pixels of row y from x0 to x1 - 1 (x1 at most
// the row's stored bits), counted until `enough`; eight pixels at a time
// where a whole byte lies inside.
// Set bits of a word without the processor's popcount instruction, which a
// build for any x86-64 cannot assume (the compiler's fallback is a call).
inline int WordBitCount(std::uint64_t w) {
    w -= (w >> 1) & 0x5555555555555555u;
    w = (w & 0x3333333333333333u) + ((w >> 2) & 0x3333333333333333u);
    w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((w * 0x0101010101010101u) >> 56);
}

inline int RowChanges(const BitImageView &view, int y, int x0, int x1, int enough) {
    const std::uint8_t *row = view.Row(y);
    const auto pixel = [row](int x) { return static_cast<unsigned>(row[x >> 3] >> (7 - (x & 7))) & 1u; };
    int changes = 0;
    unsigned previous = pixel(x0);
    int x = x0 + 1;
    while (x < x1 && changes < enough) {
        if ((x & 7) == 0 && x + 64 <= x1 && enough - changes > 64) {
            // Sixty-four pixels against their left neighbours, the first one's
            // from the pixel before, the first pixel in the top bit. A word adds
            // at most 64, so the count stays below `enough` as byte by byte.
            std::uint64_t word = 0;
            for (int k = 0; k < 8; ++k) word = word << 8 | row[(x >> 3) + k];
            changes += WordBitCount(word ^ ((word >> 1) | (std::uint64_t{previous} << 63)));
            previous = static_cast<unsigned>(word & 1u);
            x += 64;
            continue;
        }
        if ((x & 7) == 0 && x + 8 <= x1) {
            // The byte's pixels against their left neighbours, the first one's from the byte before.
            const unsigned byte = row[x >> 3];
            changes += WordBitCount(byte ^ ((byte >> 1) | (previous << 7)));
            previous = byte & 1u;
            x += 8;
            continue;
        }
        const unsigned bit = pixel(x);
        changes += static_cast<int>(bit ^ previous);
        previous = bit;
        ++x;
    }
    return changes;
}

}  // namespace zr
