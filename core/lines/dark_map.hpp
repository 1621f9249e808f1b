// A summary of where a bi-level picture has dark pixels: for each band of
// eight rows, the OR of their dark bits byte by byte over the picture's
// width (bytes of row padding beyond it stay 0). A clear bit promises
// that its column is light in all eight rows, so walks down columns and
// diagonals skip light stretches eight pixels per look-up in a small table
// instead of eight rows of the picture. Whoever writes pixels into the
// picture while it is walked (an erased symbol) refreshes the box written.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/image_view.hpp"

namespace zr::lines {

class DarkMap {
  public:
    explicit DarkMap(const BitImageView &view)
        : view_(view),
          bytes_(static_cast<std::size_t>(view.Pitch())),
          bits_(static_cast<std::size_t>((view.Height() + 7) / 8) * bytes_, 0) {
        Refresh(0, view.Height() - 1);
    }

    // Recomputes the bands holding picture rows y0 .. y1.
    void Refresh(int y0, int y1) { Refresh({0, y0}, {view_.Width() - 1, y1}); }

    // Recomputes the map over a box of pixels written, corners included:
    // the bands of its rows, only in the byte columns of its columns, since
    // the others are as they were.
    void Refresh(geom::PointI low, geom::PointI high) {
        const int y0 = std::max(low.y, 0), y1 = std::min(high.y, view_.Height() - 1);
        const int x0 = std::max(low.x, 0), x1 = std::min(high.x, view_.Width() - 1);
        if (y0 > y1 || x0 > x1) return;
        const auto first = static_cast<std::size_t>(x0 >> 3), end = static_cast<std::size_t>(x1 >> 3) + 1;
        const std::uint8_t flip = view_.SetBitIsDark() ? 0x00 : 0xFF;
        const std::uint64_t flipWord = flip * std::uint64_t{0x0101010101010101u};
        for (int band = y0 >> 3; band <= y1 >> 3; ++band) {
            std::uint8_t *out = &bits_[static_cast<std::size_t>(band) * bytes_];
            std::fill(out + first, out + end, std::uint8_t{0});
            const int last = std::min(8 * band + 8, view_.Height());
            for (int y = 8 * band; y < last; ++y) {
                const std::uint8_t *row = view_.Row(y);
                // Eight bytes at a time, then the rest.
                std::size_t b = first;
                for (; b + 8 <= end; b += 8) {
                    std::uint64_t sum, bits;
                    std::memcpy(&sum, out + b, 8);
                    std::memcpy(&bits, row + b, 8);
                    sum |= bits ^ flipWord;
                    std::memcpy(out + b, &sum, 8);
                }
                for (; b < end; ++b) out[b] = static_cast<std::uint8_t>(out[b] | (row[b] ^ flip));
            }
        }
    }

    // Dark bits of byte column `byte` over the band of picture row y.
    std::uint8_t At(int y, int byte) const {
        return bits_[static_cast<std::size_t>(y >> 3) * bytes_ + static_cast<std::size_t>(byte)];
    }
    // The band of picture row y (a row of the picture), one byte per byte
    // column; the next band lies Stride() bytes on.
    const std::uint8_t *Band(int y) const { return bits_.data() + static_cast<std::size_t>(y >> 3) * bytes_; }
    std::ptrdiff_t Stride() const { return static_cast<std::ptrdiff_t>(bytes_); }

  private:
    BitImageView view_;
    std::size_t bytes_;
    std::vector<std::uint8_t> bits_;
};

}  // namespace zr::lines
