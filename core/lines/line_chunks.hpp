// A straight line's pixels read a chunk at a time into a 64-bit word, for
// the run collection: rows 64 pixels per load, columns and diagonals sixteen
// per gather of bytes from sixteen rows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "core/lines/bit_cursor.hpp"
#include "core/lines/dark_map.hpp"

namespace zr::lines::chunks {

// The pixels of a line are read a chunk at a time into a word, the chunk's
// first pixel in bit 63, one bit per pixel as stored (set or clear, not dark
// or light); the bits below the chunk's pixels are undefined. A chunk source
// is a cursor along the line from `start`, one row down (dy 1) or up (dy -1)
// per pixel on diagonals. First(avail, n) reads the first chunk (n
// pixels, at most `avail`), up to a byte boundary of x where that matters;
// then Next() reads kSize pixels and Tail(avail) the last avail < kSize.
// SkipLight(base, end, map) moves the cursor, at line index `base`, over
// eight-pixel blocks the map shows light while whole blocks remain before
// `end`, and returns the index reached; SkipSame(base, end, bit) the same
// over blocks whose stored bits all equal `bit`. Both may pass nothing.

// Along a row: 57 to 64 pixels up to a byte boundary, then 64 at a time.
class RowChunks {
  public:
    static constexpr int kSize = 64;
    static constexpr bool kRightward = true;

    RowChunks(const BitImageView &view, PointI start, int /*dy: 0*/)
        : row_(view.Row(start.y)), pitch_(view.Pitch()), start_(start) {}

    std::uint64_t First(int avail, int &n) {
        const int shift = start_.x & 7;
        byte_ = (start_.x >> 3) + 8;
        n = std::min(64 - shift, avail);
        return LoadRow64(row_, pitch_, byte_ - 8) << shift;
    }
    std::uint64_t Next() {  // 64 pixels on the line lie inside the row
        std::uint64_t word = 0;
        std::memcpy(&word, row_ + byte_, 8);
        byte_ += 8;
        return __builtin_bswap64(word);
    }
    std::uint64_t Tail(int) const { return LoadRow64(row_, pitch_, byte_); }
    int SkipLight(int base, int, const DarkMap &) const { return base; }
    int SkipSame(int base, int, unsigned) const { return base; }
    PointI At(int i) const { return {start_.x + i, start_.y}; }

  private:
    const std::uint8_t *row_;
    std::int32_t pitch_;
    PointI start_;
    int byte_ = 0;  // the cursor's byte
};

// Bytes8 for the last rows of a line: only the first `rows` are read, the
// others repeat the last of them.
__attribute__((noinline)) inline std::uint64_t Bytes8Tail(const std::uint8_t *p, std::ptrdiff_t s, int rows) {
    std::uint64_t word = 0;
    for (int k = 0; k < 8; ++k) word |= std::uint64_t{p[std::min(k, rows - 1) * s]} << (8 * k);
    return word;
}

inline constexpr std::uint64_t kTopByte = 0xFF00000000000000u;

// Down a column: sixteen pixels per chunk, one bit position in eight bytes
// twice. A multiply moves bit 8k to bit 63 - k for all k at once.
class ColumnChunks {
  public:
    static constexpr int kSize = 16;
    static constexpr bool kRightward = false;

    ColumnChunks(const BitImageView &view, PointI start, int /*dy: 1*/)
        : byte_(view.Row(start.y) + (start.x >> 3)),
          stride_(-static_cast<std::ptrdiff_t>(view.Pitch())),
          shift_(7 - (start.x & 7)),
          start_(start) {}

    std::uint64_t First(int avail, int &n) {
        n = std::min(kSize, avail);
        return avail >= kSize ? Next() : Tail(avail);
    }
    std::uint64_t Next() {
        const std::uint64_t first = Bytes8(byte_, stride_), second = Bytes8(byte_ + 8 * stride_, stride_);
        byte_ += 16 * stride_;
        return (Spread(first) & kTopByte) | (Spread(second) >> 8);
    }
    std::uint64_t Tail(int avail) const {
        const std::uint64_t first = Bytes8Tail(byte_, stride_, std::min(avail, 8));
        const std::uint64_t second = avail > 8 ? Bytes8Tail(byte_ + 8 * stride_, stride_, avail - 8) : 0;
        return (Spread(first) & kTopByte) | (Spread(second) >> 8);
    }
    int SkipLight(int base, int end, const DarkMap &map) {
        // Each block's rows lie in two bands, the next block's one band on.
        const auto bit = static_cast<unsigned>(0x80u >> (start_.x & 7));
        if (base + 8 > end) return base;
        const int y = start_.y + base;
        const std::uint8_t *top = map.Band(y) + (start_.x >> 3), *bottom = map.Band(y + 7) + (start_.x >> 3);
        const std::ptrdiff_t step = map.Stride();
        int to = base;
        while (((*top | *bottom) & bit) == 0) {
            to += 8;
            if (to + 8 > end) break;
            top += step;
            bottom += step;
        }
        byte_ += (to - base) * stride_;
        return to;
    }
    // Passes eight-pixel blocks whose stored bits all equal `bit`: their
    // bytes ANDed (bit set) or ORed (bit clear) keep the column's bit so.
    int SkipSame(int base, int end, unsigned bit) {
        const auto mask = static_cast<unsigned>(0x80u >> (start_.x & 7));
        const std::ptrdiff_t s = stride_;
        const std::uint8_t *p = byte_;
        int to = base;
        if (bit != 0) {
            for (; to + 8 <= end; to += 8, p += 8 * s)
                if ((p[0] & p[s] & p[2 * s] & p[3 * s] & p[4 * s] & p[5 * s] & p[6 * s] & p[7 * s] & mask) ==
                    0)
                    break;
        } else {
            for (; to + 8 <= end; to += 8, p += 8 * s)
                if (((p[0] | p[s] | p[2 * s] | p[3 * s] | p[4 * s] | p[5 * s] | p[6 * s] | p[7 * s]) &
                     mask) != 0)
                    break;
        }
        byte_ = p;
        return to;
    }
    PointI At(int i) const { return {start_.x, start_.y + i}; }

  private:
    std::uint64_t Spread(std::uint64_t word) const { return ColumnToTopByte(word, shift_); }

    const std::uint8_t *byte_;  // the cursor's byte
    std::ptrdiff_t stride_;
    int shift_;
    PointI start_;
};

// Along a diagonal: from a byte boundary of x on, eight pixels lie in one
// byte column of eight rows, pixel k in bit 7 - k of row k, so masking those
// bits and OR-ing them gathers the eight. The first chunk is the pixels up
// to the first byte boundary and the eight beyond; then sixteen at a time.
// Where a chunk starts off a boundary or the line ends, the bytes are
// gathered into a word first and one multiply by 0x0101... sums the masked
// bits into the top byte.
class DiagonalChunks {
  public:
    static constexpr int kSize = 16;
    static constexpr bool kRightward = false;

    DiagonalChunks(const BitImageView &view, PointI start, int dy)
        : byte_(view.Row(start.y) + (start.x >> 3)),
          stride_(-static_cast<std::ptrdiff_t>(dy) * view.Pitch()),
          start_(start),
          dy_(dy) {}

    std::uint64_t First(int avail, int &n) {
        const int offset = start_.x & 7;
        const int head = 8 - offset;  // pixels in the first byte column
        n = std::min(head + 8, avail);
        const std::ptrdiff_t s = stride_;
        const std::uint8_t *next = byte_ + head * s + 1;
        std::uint64_t first = 0, second = 0;
        if (avail >= 16) {
            first = Bytes8(byte_, s);
            second = Bytes8(next, s);
        } else {  // only rows on the line are read
            first = Bytes8Tail(byte_, s, std::min(avail, 8));
            if (avail > head) second = Bytes8Tail(next, s, avail - head);
        }
        byte_ = next + 8 * s + 1;
        return (Spread(first << offset) & (kTopByte << offset)) | (Spread(second) >> head);
    }
    std::uint64_t Next() {
        const std::uint64_t first = Block(byte_, stride_), second = Block(byte_ + 8 * stride_ + 1, stride_);
        byte_ += 16 * stride_ + 2;
        return first << 56 | second << 48;
    }
    std::uint64_t Tail(int avail) const {
        const std::uint64_t first = Bytes8Tail(byte_, stride_, std::min(avail, 8));
        const std::uint64_t second = avail > 8 ? Bytes8Tail(byte_ + 8 * stride_ + 1, stride_, avail - 8) : 0;
        return (Spread(first) & kTopByte) | (Spread(second) >> 8);
    }
    // From a byte boundary of x on, each block is one byte column, its rows
    // in two bands; the next block is one band and one column on.
    int SkipLight(int base, int end, const DarkMap &map) {
        if (base + 8 > end) return base;
        const int column = (start_.x + base) >> 3;
        const int y = start_.y + dy_ * base;
        const std::uint8_t *first = map.Band(y) + column, *last = map.Band(y + 7 * dy_) + column;
        const std::ptrdiff_t step = dy_ * map.Stride() + 1;
        int to = base;
        while ((*first | *last) == 0) {
            to += 8;
            if (to + 8 > end) break;
            first += step;
            last += step;
        }
        byte_ += (to - base) / 8 * (8 * stride_ + 1);
        return to;
    }
    int SkipSame(int base, int, unsigned) const { return base; }
    PointI At(int i) const { return {start_.x + i, start_.y + dy_ * i}; }

  private:
    static std::uint64_t Spread(std::uint64_t word) {
        return (word & 0x0102040810204080u) * 0x0101010101010101u;  // bit 7 - k of byte k
    }
    // The eight pixels of one byte column from a byte boundary of x on, the
    // first in bit 7.
    static unsigned Block(const std::uint8_t *p, std::ptrdiff_t s) {
        return (p[0] & 0x80u) | (p[s] & 0x40u) | (p[2 * s] & 0x20u) | (p[3 * s] & 0x10u) |
               (p[4 * s] & 0x08u) | (p[5 * s] & 0x04u) | (p[6 * s] & 0x02u) | (p[7 * s] & 0x01u);
    }

    const std::uint8_t *byte_;  // the cursor's byte
    std::ptrdiff_t stride_;
    PointI start_;
    int dy_;
};

}  // namespace zr::lines::chunks
