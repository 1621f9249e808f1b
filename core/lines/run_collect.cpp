#include <new>

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "core/lines/bit_cursor.hpp"
#include "core/lines/dark_map.hpp"
#include "core/lines/run_scan.hpp"
#include "core/status.hpp"

namespace zr::lines {

std::uint16_t RunBufferInit(RunScan &scan, std::uint8_t direction) {
    scan.direction = direction;
    scan.pixelLimit = kPixelLimit;
    scan.elements = 0;
    if (scan.capacity == 0) scan.capacity = kDefaultCapacity;
    // A buffer already large enough is kept as it is: a collection writes
    // every element it reports, so refilling it with zeros would be wasted.
    try {
        if (scan.widths.size() < scan.capacity + 1u) scan.widths.assign(scan.capacity + 1u, 0);
    } catch (const std::bad_alloc &) {
        return status::kNoMemory;
    }
    scan.startsLight = 0;
    scan.minLight = scan.minDark = 0xFFFF;
    scan.maxLight = scan.maxDark = 0;
    return kRunOk;
}

namespace {

bool Plausible(const RunScan &s, bool rightward) {
    if (s.maxLight * 10 < s.maxDark) return false;
    if (s.maxDark * 5 < s.maxLight) return false;
    if (s.minDark * 10 < s.maxDark) return false;
    if (s.minLight * 6 < s.maxLight) return false;
    if (s.maxDark > 200 || s.maxLight > 200) return false;
    const int small = rightward ? 3 : 4;  // rightward: both below 3; others: both 3 or less
    return !(s.maxDark < small && s.maxLight < small);
}

// The pixels of a line are read a chunk at a time into a word, the chunk's
// first pixel in bit 63, one bit per pixel as stored (set or clear, not dark
// or light); the bits below the chunk's pixels are undefined. A chunk source
// is a cursor along the line. First(avail, n) reads the first chunk (n
// pixels, at most `avail`), up to a byte boundary of x where that matters;
// then Next() reads kSize pixels and Tail(avail) the last avail < kSize.
// SkipLight(base, end, map) moves the cursor, at line index `base`, over
// eight-pixel blocks the map shows light while whole blocks remain before
// `end`, and returns the index reached; SkipSame(base, end, bit) the same
// over blocks whose stored bits all equal `bit`. Both may pass nothing.

// Eight row bytes from `byte` on, the first in the top bits; bytes past the
// row's end read as 0 (they lie beyond the picture's width).
std::uint64_t RowBytes(const std::uint8_t *row, int byte, int pitch) {
    std::uint64_t word = 0;
    if (byte + 8 <= pitch) {
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

// Along a row: 57 to 64 pixels up to a byte boundary, then 64 at a time.
class RowChunks {
  public:
    static constexpr int kSize = 64;
    static constexpr bool kRightward = true;

    RowChunks(const BitImageView &view, PointI start)
        : row_(view.Row(start.y)), pitch_(view.Pitch()), start_(start) {}

    std::uint64_t First(int avail, int &n) {
        const int shift = start_.x & 7;
        byte_ = (start_.x >> 3) + 8;
        n = std::min(64 - shift, avail);
        return RowBytes(row_, byte_ - 8, pitch_) << shift;
    }
    std::uint64_t Next() {  // 64 pixels on the line lie inside the row
        std::uint64_t word = 0;
        std::memcpy(&word, row_ + byte_, 8);
        byte_ += 8;
        return __builtin_bswap64(word);
    }
    std::uint64_t Tail(int) const { return RowBytes(row_, byte_, pitch_); }
    int SkipLight(int base, int, const DarkMap &) const { return base; }
    int SkipSame(int base, int, unsigned) const { return base; }
    PointI At(int i) const { return {start_.x + i, start_.y}; }

  private:
    const std::uint8_t *row_;
    std::int32_t pitch_;
    PointI start_;
    int byte_ = 0;  // the cursor's byte
};

// Eight bytes one stride apart in the low-to-high bytes of a word.
__attribute__((always_inline)) inline std::uint64_t Bytes8(const std::uint8_t *p, std::ptrdiff_t s) {
    return std::uint64_t{p[0]} | std::uint64_t{p[s]} << 8 | std::uint64_t{p[2 * s]} << 16 |
           std::uint64_t{p[3 * s]} << 24 | std::uint64_t{p[4 * s]} << 32 | std::uint64_t{p[5 * s]} << 40 |
           std::uint64_t{p[6 * s]} << 48 | std::uint64_t{p[7 * s]} << 56;
}

// The same for the last rows of a line: only the first `rows` are read, the
// others repeat the last of them.
__attribute__((noinline)) std::uint64_t Bytes8Tail(const std::uint8_t *p, std::ptrdiff_t s, int rows) {
    std::uint64_t word = 0;
    for (int k = 0; k < 8; ++k) word |= std::uint64_t{p[std::min(k, rows - 1) * s]} << (8 * k);
    return word;
}

constexpr std::uint64_t kTopByte = 0xFF00000000000000u;

// Down a column: sixteen pixels per chunk, one bit position in eight bytes
// twice. A multiply moves bit 8k to bit 63 - k for all k at once.
class ColumnChunks {
  public:
    static constexpr int kSize = 16;
    static constexpr bool kRightward = false;

    ColumnChunks(const BitImageView &view, PointI start)
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
    std::uint64_t Spread(std::uint64_t word) const {
        return ((word >> shift_) & 0x0101010101010101u) * 0x8040201008040201u;
    }

    const std::uint8_t *byte_;  // the cursor's byte
    std::ptrdiff_t stride_;
    int shift_;
    PointI start_;
};

// Along a diagonal: from a byte boundary of x on, eight pixels lie in one
// byte column of eight rows, pixel k in bit 7 - k of row k; masking those
// bits and one multiply by 0x0101... sums them into the top byte. The first
// chunk is the pixels up to the first byte boundary and the eight beyond;
// then sixteen at a time.
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

// What one collection walks: pixels 0 .. last of the line.
struct Walk {
    const DarkMap *map;
    int last;
    std::uint16_t endStatus;  // when the walk reaches `last`
    bool startsLight;
    unsigned lightBit;  // the stored bit of a light pixel
};

template <bool kLight, bool kGapTest = kLight>
struct Closing {};

// Fills the widths and results of the scan. Element boundaries are the set
// bits of (chunk XOR chunk moved on by one pixel): each is found with one
// bit scan and closes one element, with no reload. Light and dark elements
// alternate, so the loop closes one of each per turn and keeps each
// colour's extremes without tests of the colour.
template <class Chunks>
__attribute__((noinline)) std::uint16_t CollectRuns(RunScan &scan, Chunks chunks, const Walk &walk) {
    const int last = walk.last;
    int n = 0;
    std::uint64_t bounds = 0;  // boundaries in the chunk not yet taken, pixel k of the chunk in bit 63 - k
    int base = 0;              // the chunk's first pixel
    int open = 63;             // base + 63 - the open element's first pixel
    std::uint16_t *const widths = scan.widths.data();
    std::uint16_t *at = widths;
    std::uint16_t *const full = widths + scan.capacity;
    unsigned minLight = 0xFFFF, maxLight = 0, minDark = 0xFFFF, maxDark = 0;
    std::uint16_t status = walk.endStatus;
    int stop = last, pixels = last + 1;
    {
        const std::uint64_t bits = chunks.First(last + 1, n);
        bounds = (bits ^ ((bits >> 1) | std::uint64_t{walk.startsLight ? walk.lightBit : walk.lightBit ^ 1u}
                                            << 63)) &
                 (~std::uint64_t{0} << (64 - n));
    }

    // Closes the open element at the next boundary; false when the
    // collection ends. The first element, when light, closes before any
    // dark one, so it skips the gap test (its maximum dark width is 0).
    auto close = [&](auto closing) __attribute__((always_inline))->bool {
        constexpr bool kLightElement = std::is_same_v<decltype(closing), Closing<true, true>> ||
                                       std::is_same_v<decltype(closing), Closing<true, false>>;
        constexpr bool kGap = std::is_same_v<decltype(closing), Closing<true, true>>;
        if (__builtin_expect(bounds == 0, 0)) {
            // The pixel before the next chunk has the open element's colour.
            const std::uint64_t before = std::uint64_t{kLightElement ? walk.lightBit : walk.lightBit ^ 1u}
                                         << 63;
            bool whole = false;  // a whole chunk had the open element's colour
            do {
                const int from = base;
                base += n;
                if (whole) {  // a long run: pass it eight pixels at a time
                    if (kLightElement && walk.map != nullptr)
                        base = chunks.SkipLight(base, last + 1, *walk.map);
                    base =
                        chunks.SkipSame(base, last + 1, kLightElement ? walk.lightBit : walk.lightBit ^ 1u);
                }
                const int avail = last + 1 - base;
                if (avail <= 0) return false;
                open += base - from;
                std::uint64_t bits = 0, valid = ~std::uint64_t{0} << (64 - Chunks::kSize);
                if (avail >= Chunks::kSize) {
                    bits = chunks.Next();
                    n = Chunks::kSize;
                } else {
                    bits = chunks.Tail(avail);
                    n = avail;
                    valid = ~std::uint64_t{0} << (64 - avail);
                }
                bounds = (bits ^ ((bits >> 1) | before)) & valid;
                whole = true;
            } while (bounds == 0);
        }
        const int bit = 63 ^ __builtin_clzll(bounds);  // the boundary pixel is base + 63 - bit
        bounds ^= std::uint64_t{1} << bit;
        const auto w = static_cast<unsigned>(open - bit);  // at most `last`, so it fits 16 bits
        open = bit;
        *at++ = static_cast<std::uint16_t>(w);
        if (kLightElement) {
            minLight = std::min(minLight, w);
            maxLight = std::max(maxLight, w);
        } else {
            minDark = std::min(minDark, w);
            maxDark = std::max(maxDark, w);
        }
        if (at == full) {
            stop = pixels = base + 63 - bit;
            return false;
        }
        if (kGap && maxLight > 8 * maxDark) {
            stop = pixels = base + 63 - bit;
            status = kRunGap;
            return false;
        }
        return true;
    };
    if (walk.startsLight ? close(Closing<true, false>{}) && close(Closing<false>{}) : close(Closing<false>{}))
        while (close(Closing<true>{}) && close(Closing<false>{})) {
        }

    scan.elements = static_cast<std::int16_t>(at - widths);
    scan.pixels = static_cast<std::uint16_t>(pixels);
    scan.minLight = static_cast<std::uint16_t>(minLight);
    scan.maxLight = static_cast<std::uint16_t>(maxLight);
    scan.minDark = static_cast<std::uint16_t>(minDark);
    scan.maxDark = static_cast<std::uint16_t>(maxDark);
    const PointI stopAt = chunks.At(stop);
    scan.stopX = stopAt.x;
    scan.stopY = stopAt.y;
    if (at == full) return Plausible(scan, Chunks::kRightward) ? kRunOk : kRunImplausible;
    return status;
}

}  // namespace

std::uint16_t RunCollect(RunScan &scan, const ZrImage &image) {
    return RunCollect(scan, BitImageView(image));
}

std::uint16_t RunCollect(RunScan &scan, const BitImageView &image, const DarkMap *map) {
    if (scan.capacity == 0) scan.capacity = kDefaultCapacity;
    if (scan.widths.size() < scan.capacity + 1u) scan.widths.assign(scan.capacity + 1u, 0);
    const Rect &area = scan.area;

    scan.elements = 0;
    scan.pixels = 0;
    scan.minLight = scan.minDark = 0xFFFF;
    scan.maxLight = scan.maxDark = 0;
    scan.widths[0] = 0;
    const PointI start{scan.startX, scan.startY};
    if (!area.Contains(start)) {
        scan.stopX = start.x;
        scan.stopY = start.y;
        return kRunLeftArea;
    }

    // The walk takes one pixel at a time: it widens the open element or
    // closes it, counts the pixel against the limit, then steps on. So it
    // ends at the last pixel inside the area, or at the pixel that exceeds
    // the limit, whichever comes first, unless an element closes it earlier.
    Walk walk;
    walk.map = map;
    walk.startsLight = !image.Dark(start);
    walk.lightBit = image.SetBitIsDark() ? 0u : 1u;
    scan.startsLight = walk.startsLight ? 1 : 0;
    auto collect = [&](auto chunks, int count) {  // count: pixels from the start to the area's edge
        const int limit = scan.pixelLimit;
        walk.last = std::min(count - 1, limit);
        walk.endStatus = walk.last == limit ? kRunGap : kRunLeftArea;
        return CollectRuns(scan, chunks, walk);
    };
    const std::uint8_t direction = scan.direction;
    if (direction & kHorizontal) return collect(RowChunks(image, start), area.x1 - start.x);
    if (direction & kVertical) return collect(ColumnChunks(image, start), area.y1 - start.y);
    if (direction == kDiagonalUp)
        return collect(DiagonalChunks(image, start, -1), std::min(area.x1 - start.x, start.y - area.y0 + 1));
    return collect(DiagonalChunks(image, start, 1), std::min(area.x1 - start.x, area.y1 - start.y));
}

}  // namespace zr::lines
