// The pixels of a straight line from a start point to the edge of an area,
// addressed by their index along the line. The length is counted once, so
// walking the line needs no bound test per step, and each step moves by a
// fixed stride. Runs of one colour are skipped 64 pixels at a time on rows
// and one pixel per load down columns and diagonals. The rows are read as
// they are at the time of the call, so pixels written while a line is
// walked (an erased symbol) are seen.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "core/lines/bit_cursor.hpp"
#include "core/lines/dark_map.hpp"

namespace zr::lines {

class PixelLine {
  public:
    // `step` is one of kStepRight, kStepDown, kStepUpRight, kStepDownRight;
    // `start` must lie in `area`, and `area` in the picture.
    PixelLine(const BitImageView &view, PointI start, std::uint8_t step, const Rect &area)
        : start_(start),
          dx_(kStepDx[step & 7]),
          dy_(kStepDy[step & 7]),
          setIsDark_(view.SetBitIsDark()),
          pitch_(view.Pitch()),
          row_(view.Row(start.y)),
          rowStride_(-static_cast<std::ptrdiff_t>(dy_) * view.Pitch()) {
        int n =
            dx_ > 0 ? area.x1 - start.x : area.y1 - start.y;  // every step moves x + 1, or y + 1 down columns
        if (dx_ > 0 && dy_ > 0) n = std::min(n, area.y1 - start.y);
        if (dy_ < 0) n = std::min(n, start.y - area.y0 + 1);
        count_ = std::max(n, 0);
    }

    // Pixels from the start to the area's edge, the start included.
    int Count() const { return count_; }
    PointI At(int i) const { return {start_.x + i * dx_, start_.y + i * dy_}; }
    // Index of a point known to lie on the line.
    int IndexOf(PointI p) const { return dx_ != 0 ? p.x - start_.x : p.y - start_.y; }

    bool Dark(int i) const {
        const int x = start_.x + i * dx_;
        const std::uint8_t *row = row_ + i * rowStride_;
        return (((row[x >> 3] >> (7 - (x & 7))) & 1) != 0) == setIsDark_;
    }

    // First index in [i, end) whose pixel is not of the colour `dark`; `end`
    // when there is none. end <= Count().
    __attribute__((always_inline)) int NextChange(int i, bool dark, int end) const {
        const bool wantSet = dark == setIsDark_;
        if (dy_ == 0) return NextChangeInRow(i, wantSet, end);
        if (dx_ == 0) return NextChangeInColumn(i, wantSet, end);
        return NextChangeOnDiagonal(i, wantSet, end);
    }

    // First dark pixel in [i, end), or `end`. Down columns and diagonals,
    // eight pixels whose rows and byte columns the map shows light are
    // passed over with a few look-ups; the map must cover the picture as it
    // is now.
    int NextDark(int i, int end, const DarkMap &map) const {
        if (dy_ == 0) return NextChange(i, false, end);
        while (i + 8 <= end) {
            const int x = start_.x + i * dx_;
            const int y = start_.y + i * dy_;
            const int yLast = y + 7 * dy_;
            const int xLast = x + 7 * dx_;
            const int yTop = std::min(y, yLast), yBottom = std::max(y, yLast);
            const unsigned dark =
                static_cast<unsigned>(map.At(yTop, x >> 3) | map.At(yBottom, x >> 3) |
                                      map.At(yTop, xLast >> 3) | map.At(yBottom, xLast >> 3));
            if (dark == 0) {
                i += 8;
                continue;
            }
            const int found = NextChange(i, false, i + 8);
            if (found < i + 8) return found;
            i += 8;
        }
        return NextChange(i, false, end);
    }

  private:
    // The next eight pixels' bits from `i` on, first pixel in bit 7, gathered
    // without branches; pixels from `end` on read as not differing.
    unsigned Gather8(int i, unsigned flip, int end) const {
        const std::ptrdiff_t s = rowStride_;
        const std::uint8_t *row = row_ + i * s;
        int x = start_.x + i * dx_;
        unsigned bits = 0;
        if (i + 8 <= end) {
            if (dx_ == 0) {
                // One bit position in eight bytes, gathered by one multiply.
                const std::uint64_t bytes = Bytes8(row + (x >> 3), s) ^ (flip * 0x0101010101010101u);
                return static_cast<unsigned>(ColumnToTopByte(bytes, 7 - (x & 7)) >> 56);
            }
            for (int k = 0; k < 8; ++k, row += s, ++x)
                bits = (bits << 1) | (((row[x >> 3] ^ flip) >> (7 - (x & 7))) & 1u);
            return bits;
        }
        for (int k = 0; k < 8; ++k, row += s, x += dx_) {
            const unsigned inside = i + k < end ? 1u : 0u;
            const std::uint8_t *at = inside ? row + (x >> 3) : row_;  // a readable byte either way
            bits |= ((((*at ^ flip) >> (7 - (x & 7))) & inside) << (7 - k));
        }
        return bits;
    }

    // Down a column: the first eight pixels are gathered at once, so a short
    // run costs no mispredicted branch; then eight pixels are tested at a
    // time by OR-ing their bytes.
    int NextChangeInColumn(int i, bool wantSet, int end) const {
        const unsigned flip = wantSet ? 0xFFu : 0u;
        const unsigned first = Gather8(i, flip, end);
        if (first != 0) return i + __builtin_clz(first) - 24;
        i = std::min(i + 8, end);
        const std::ptrdiff_t s = rowStride_;
        const std::uint8_t *byte = row_ + i * s + (start_.x >> 3);
        const auto mask = static_cast<unsigned>(0x80u >> (start_.x & 7));
        for (; i + 8 <= end; i += 8, byte += 8 * s) {
            const unsigned any = (byte[0] ^ flip) | (byte[s] ^ flip) | (byte[2 * s] ^ flip) |
                                 (byte[3 * s] ^ flip) | (byte[4 * s] ^ flip) | (byte[5 * s] ^ flip) |
                                 (byte[6 * s] ^ flip) | (byte[7 * s] ^ flip);
            if (any & mask) break;
        }
        for (; i < end; ++i, byte += s)
            if ((*byte ^ flip) & mask) return i;
        return end;
    }

    // Along a diagonal: the first eight pixels are gathered at once; then,
    // from a byte boundary of x on, the next eight pixels lie in the same
    // byte column of eight rows, one bit each.
    int NextChangeOnDiagonal(int i, bool wantSet, int end) const {
        const unsigned flip = wantSet ? 0xFFu : 0u;
        if (i + 4 <= end) {  // most runs in a busy picture end within four pixels
            int x = start_.x + i;
            const std::uint8_t *row = row_ + i * rowStride_;
            unsigned bits = 0;
            for (int k = 0; k < 4; ++k, row += rowStride_, ++x)
                bits = (bits << 1) | (((row[x >> 3] ^ flip) >> (7 - (x & 7))) & 1u);
            if (bits != 0) return i + __builtin_clz(bits) - 28;
            i += 4;
        }
        const unsigned first = Gather8(i, flip, end);
        if (first != 0) return i + __builtin_clz(first) - 24;
        i = std::min(i + 8, end);
        const std::ptrdiff_t s = rowStride_;
        int x = start_.x + i;
        const std::uint8_t *row = row_ + i * s;
        for (; i < end && (x & 7) != 0; ++i, ++x, row += s)
            if ((row[x >> 3] ^ flip) & (0x80u >> (x & 7))) return i;
        const std::uint8_t *byte = row + (x >> 3);
        for (; i + 8 <= end; i += 8, byte += 8 * s + 1) {
            const unsigned bits = ((byte[0] ^ flip) & 0x80u) | ((byte[s] ^ flip) & 0x40u) |
                                  ((byte[2 * s] ^ flip) & 0x20u) | ((byte[3 * s] ^ flip) & 0x10u) |
                                  ((byte[4 * s] ^ flip) & 0x08u) | ((byte[5 * s] ^ flip) & 0x04u) |
                                  ((byte[6 * s] ^ flip) & 0x02u) | ((byte[7 * s] ^ flip) & 0x01u);
            if (bits != 0) return i + __builtin_clz(bits) - 24;
        }
        for (unsigned mask = 0x80u; i < end; ++i, byte += s, mask >>= 1)
            if ((*byte ^ flip) & mask) return i;
        return end;
    }

    // Eight row bytes from `byte` on, the first in the top bits; bytes past
    // the row's end read as 0 (they lie beyond the picture's width).
    std::uint64_t Load64(int byte) const { return LoadRow64(row_, pitch_, byte); }

    int NextChangeInRow(int i, bool wantSet, int end) const {
        const std::uint64_t flip = wantSet ? ~std::uint64_t{0} : 0;
        int x = start_.x + i;
        const int xEnd = start_.x + end;
        while (x < xEnd) {
            const int shift = x & 7;
            const std::uint64_t differ = (Load64(x >> 3) ^ flip) << shift;
            if (differ != 0) return std::min(x + __builtin_clzll(differ), xEnd) - start_.x;
            x += 64 - shift;
        }
        return end;
    }

    PointI start_;
    int dx_, dy_;
    bool setIsDark_;
    std::int32_t pitch_;
    const std::uint8_t *row_;
    std::ptrdiff_t rowStride_;
    int count_ = 0;
};

}  // namespace zr::lines
