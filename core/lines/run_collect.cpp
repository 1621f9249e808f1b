#include <new>

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "core/lines/bit_cursor.hpp"
#include "core/lines/dark_map.hpp"
#include "core/lines/pixel_line.hpp"
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

// Step code and whether a position is still inside the area, per collector.
struct Collector {
    std::uint8_t step;
    bool rightward;
};

Collector CollectorFor(std::uint8_t direction) {
    if (direction & kHorizontal) return {kStepRight, true};
    if (direction & kVertical) return {kStepDown, false};
    if (direction == kDiagonalUp) return {kStepUpRight, false};
    return {kStepDownRight, false};
}

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
// or light). A chunk source is a cursor along the line: Next(avail, n)
// reads the chunk from the cursor, sets n to the pixels it holds (at most
// `avail`, at least 1; the bits below them are undefined) and moves the
// cursor to the next chunk. SkipLight(base, end, map) moves the cursor, at
// line index `base`, over eight-pixel blocks the map shows light while
// whole blocks remain before `end`, and returns the index reached.

// Along a row: one eight-byte load gives 57 to 64 pixels, then 64 from each
// byte boundary on.
class RowChunks {
  public:
    RowChunks(const BitImageView &view, PointI start)
        : row_(view.Row(start.y)), pitch_(view.Pitch()), x_(start.x) {}

    std::uint64_t Next(int avail, int &n) {
        const int byte = x_ >> 3, shift = x_ & 7;
        n = std::min(64 - shift, avail);
        x_ += 64 - shift;
        std::uint64_t word = 0;
        if (byte + 8 <= pitch_) {
            std::memcpy(&word, row_ + byte, 8);
            word = __builtin_bswap64(word);
        } else if (pitch_ >= 8) {  // the row's last eight bytes, moved up to `byte`
            std::memcpy(&word, row_ + pitch_ - 8, 8);
            word = __builtin_bswap64(word) << (8 * (byte + 8 - pitch_));
        } else {
            for (int k = 0; k < 8; ++k) word = (word << 8) | (byte + k < pitch_ ? row_[byte + k] : 0u);
        }
        return word << shift;
    }
    int SkipLight(int base, int, const DarkMap &) { return base; }

  private:
    const std::uint8_t *row_;
    std::int32_t pitch_;
    int x_;  // the cursor's pixel
};

// The bytes of the last rows of a line, the missing ones repeating the last.
__attribute__((noinline)) std::uint64_t Bytes8Tail(const std::uint8_t *p, std::ptrdiff_t s, int readable) {
    std::uint64_t word = 0;
    for (int k = 0; k < 8; ++k) word |= std::uint64_t{p[std::min(k, readable - 1) * s]} << (8 * k);
    return word;
}

// Eight bytes one stride apart in the low-to-high bytes of a word.
__attribute__((always_inline)) inline std::uint64_t Bytes8(const std::uint8_t *p, std::ptrdiff_t s) {
    return std::uint64_t{p[0]} | std::uint64_t{p[s]} << 8 | std::uint64_t{p[2 * s]} << 16 |
           std::uint64_t{p[3 * s]} << 24 | std::uint64_t{p[4 * s]} << 32 | std::uint64_t{p[5 * s]} << 40 |
           std::uint64_t{p[6 * s]} << 48 | std::uint64_t{p[7 * s]} << 56;
}

constexpr std::uint64_t kTopByte = 0xFF00000000000000u;

// Down a column: sixteen pixels per chunk, one bit position in eight bytes
// twice. A multiply moves bit 8k to bit 63 - k for all k at once.
class ColumnChunks {
  public:
    ColumnChunks(const BitImageView &view, PointI start, int count)
        : byte_(view.Row(start.y) + (start.x >> 3)),
          stride_(-static_cast<std::ptrdiff_t>(view.Pitch())),
          shift_(7 - (start.x & 7)),
          readable_(count),
          start_(start) {}

    std::uint64_t Next(int avail, int &n) {
        n = std::min(16, avail);
        const std::ptrdiff_t s = stride_;
        std::uint64_t first = 0, second = 0;
        if (readable_ >= 16) {
            first = Bytes8(byte_, s);
            second = Bytes8(byte_ + 8 * s, s);
        } else {  // the line's last pixels: only rows on the line are read
            first = Bytes8Tail(byte_, s, std::min(readable_, 8));
            if (readable_ > 8) second = Bytes8Tail(byte_ + 8 * s, s, readable_ - 8);
        }
        byte_ += 16 * s;
        readable_ -= 16;
        return (Spread(first) & kTopByte) | (Spread(second) >> 8);
    }
    int SkipLight(int base, int end, const DarkMap &map) {
        const auto bit = static_cast<unsigned>(0x80u >> (start_.x & 7));
        const int column = start_.x >> 3;
        int to = base;
        for (; to + 8 <= end; to += 8) {
            const int y = start_.y + to;
            if ((static_cast<unsigned>(map.At(y, column) | map.At(y + 7, column)) & bit) != 0) break;
        }
        byte_ += (to - base) * stride_;
        readable_ -= to - base;
        return to;
    }

  private:
    std::uint64_t Spread(std::uint64_t word) const {
        return ((word >> shift_) & 0x0101010101010101u) * 0x8040201008040201u;
    }

    const std::uint8_t *byte_;  // the cursor's byte
    std::ptrdiff_t stride_;
    int shift_;
    int readable_;  // pixels on the line from the cursor on
    PointI start_;
};

// Along a diagonal: from a byte boundary of x on, eight pixels lie in one
// byte column of eight rows, pixel k in bit 7 - k of row k; masking those
// bits and one multiply by 0x0101... sums them into the top byte. A chunk
// is the pixels up to the next byte boundary (eight, after the first chunk)
// and the eight beyond it.
class DiagonalChunks {
  public:
    DiagonalChunks(const BitImageView &view, PointI start, int dy, int count)
        : byte_(view.Row(start.y) + (start.x >> 3)),
          stride_(-static_cast<std::ptrdiff_t>(dy) * view.Pitch()),
          offset_(start.x & 7),
          readable_(count),
          start_(start),
          dy_(dy) {}

    std::uint64_t Next(int avail, int &n) {
        const int head = 8 - offset_;  // pixels in the first byte column
        n = std::min(head + 8, avail);
        const std::ptrdiff_t s = stride_;
        const std::uint8_t *next = byte_ + head * s + 1;
        std::uint64_t first = 0, second = 0;
        if (readable_ >= 16) {
            first = Bytes8(byte_, s);
            second = Bytes8(next, s);
        } else {  // the line's last pixels: only rows on the line are read
            first = Bytes8Tail(byte_, s, std::min(readable_, 8));
            if (readable_ > head) second = Bytes8Tail(next, s, readable_ - head);
        }
        first = (((first << offset_) & kDiagonalBits) * 0x0101010101010101u) & (kTopByte << offset_);
        second = (second & kDiagonalBits) * 0x0101010101010101u;
        byte_ = next + 8 * s + 1;
        readable_ -= head + 8;
        offset_ = 0;
        return first | (second >> head);
    }
    // From the second chunk on the cursor is at a byte boundary, so each
    // block is one byte column.
    int SkipLight(int base, int end, const DarkMap &map) {
        int to = base;
        for (; to + 8 <= end; to += 8) {
            const int column = (start_.x + to) >> 3;
            const int y = start_.y + dy_ * to;
            if ((map.At(y, column) | map.At(y + 7 * dy_, column)) != 0) break;
        }
        byte_ += (to - base) / 8 * (8 * stride_ + 1);
        readable_ -= to - base;
        return to;
    }

  private:
    static constexpr std::uint64_t kDiagonalBits = 0x0102040810204080u;  // bit 7 - k of byte k

    const std::uint8_t *byte_;  // the cursor's byte
    std::ptrdiff_t stride_;
    int offset_;    // the cursor's bit in its byte
    int readable_;  // pixels on the line from the cursor on
    PointI start_;
    int dy_;
};

// What a collection found, before it is written into the scan record.
struct Collected {
    int elements = 0;
    int stop = 0;
    int pixels = 0;
    std::uint16_t status = kRunOk;
    bool full = false;
    unsigned minLight = 0xFFFF, maxLight = 0, minDark = 0xFFFF, maxDark = 0;
};

template <bool kLight, bool kGapTest = kLight>
struct Closing {};

// The elements of pixels 0 .. last. Element boundaries are the set bits of
// (chunk XOR chunk moved on by one pixel): each is found with one bit scan
// and closes one element, with no reload. Light and dark elements
// alternate, so the loop closes one of each per turn and keeps each
// colour's extremes without tests of the colour.
template <class Chunks>
Collected CollectRuns(Chunks &&chunks, const DarkMap *map, int last, std::uint16_t endStatus, int capacity,
                      bool startsLight, unsigned lightBit, std::uint16_t *widths) {
    Collected c;
    std::uint64_t bounds = 0;  // boundaries in the chunk not yet taken, pixel k of the chunk in bit 63 - k
    int base = 0, n = 0;       // the chunk's first pixel and size
    int open = 63;             // base + 63 - the open element's first pixel
    std::uint16_t *at = widths;
    std::uint16_t *const full = widths + capacity;
    unsigned minLight = 0xFFFF, maxLight = 0, minDark = 0xFFFF, maxDark = 0;

    // Closes the open element at the next boundary; false when the
    // collection ends. The first element, when light, closes before any
    // dark one, so it skips the gap test (its maximum dark width is 0).
    auto close = [&](auto closing) __attribute__((always_inline))->bool {
        constexpr bool kLightElement = std::is_same_v<decltype(closing), Closing<true, true>> ||
                                       std::is_same_v<decltype(closing), Closing<true, false>>;
        constexpr bool kGap = std::is_same_v<decltype(closing), Closing<true, true>>;
        if (bounds == 0) {
            // The pixel before the next chunk has the open element's colour.
            const std::uint64_t before = std::uint64_t{kLightElement ? lightBit : lightBit ^ 1u} << 63;
            bool whole = false;  // a whole chunk was light
            do {
                const int from = base;
                base += n;
                if (kLightElement && whole && map != nullptr) base = chunks.SkipLight(base, last + 1, *map);
                if (base > last) {
                    c.stop = last;
                    c.pixels = last + 1;
                    c.status = endStatus;
                    return false;
                }
                open += base - from;
                const std::uint64_t bits = chunks.Next(last + 1 - base, n);
                bounds = (bits ^ ((bits >> 1) | before)) & (~std::uint64_t{0} << (64 - n));
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
            c.stop = c.pixels = base + 63 - bit;
            c.full = true;
            return false;
        }
        if (kGap && maxLight > 8 * maxDark) {
            c.stop = c.pixels = base + 63 - bit;
            c.status = kRunGap;
            return false;
        }
        return true;
    };
    if (startsLight ? close(Closing<true, false>{}) && close(Closing<false>{}) : close(Closing<false>{}))
        while (close(Closing<true>{}) && close(Closing<false>{})) {
        }
    c.elements = static_cast<int>(at - widths);
    c.minLight = minLight;
    c.maxLight = maxLight;
    c.minDark = minDark;
    c.maxDark = maxDark;
    return c;
}

}  // namespace

std::uint16_t RunCollect(RunScan &scan, const ZrImage &image) {
    return RunCollect(scan, BitImageView(image));
}

std::uint16_t RunCollect(RunScan &scan, const BitImageView &image, const DarkMap *map) {
    if (scan.capacity == 0) scan.capacity = kDefaultCapacity;
    if (scan.widths.size() < scan.capacity + 1u) scan.widths.assign(scan.capacity + 1u, 0);
    const Collector collector = CollectorFor(scan.direction);
    const Rect &area = scan.area;

    scan.elements = 0;
    scan.pixels = 0;
    scan.minLight = scan.minDark = 0xFFFF;
    scan.maxLight = scan.maxDark = 0;
    scan.widths[0] = 0;
    if (!area.Contains(scan.startX, scan.startY)) {
        scan.stopX = scan.startX;
        scan.stopY = scan.startY;
        return kRunLeftArea;
    }

    // The walk takes one pixel at a time: it widens the open element or
    // closes it, counts the pixel against the limit, then steps on. So it
    // ends at the last pixel inside the area, or at the pixel that exceeds
    // the limit, whichever comes first, unless an element closes it earlier.
    const PointI start{scan.startX, scan.startY};
    const PixelLine line(image, start, collector.step, area);
    const int limit = scan.pixelLimit;
    const int last = std::min(line.Count() - 1, limit);
    const std::uint16_t endStatus = last == limit ? kRunGap : kRunLeftArea;
    const bool light = !line.Dark(0);
    scan.startsLight = light ? 1 : 0;
    const unsigned lightBit = image.SetBitIsDark() ? 0u : 1u;
    std::uint16_t *widths = scan.widths.data();
    const int capacity = scan.capacity;
    Collected c;
    if (collector.step == kStepRight) {
        c = CollectRuns(RowChunks(image, start), map, last, endStatus, capacity, light, lightBit, widths);
    } else if (collector.step == kStepDown) {
        c = CollectRuns(ColumnChunks(image, start, line.Count()), map, last, endStatus, capacity, light,
                        lightBit, widths);
    } else {
        const int dy = collector.step == kStepUpRight ? -1 : 1;
        c = CollectRuns(DiagonalChunks(image, start, dy, line.Count()), map, last, endStatus, capacity, light,
                        lightBit, widths);
    }

    scan.elements = static_cast<std::int16_t>(c.elements);
    scan.pixels = static_cast<std::uint16_t>(c.pixels);
    scan.minDark = static_cast<std::uint16_t>(c.minDark);
    scan.maxDark = static_cast<std::uint16_t>(c.maxDark);
    scan.minLight = static_cast<std::uint16_t>(c.minLight);
    scan.maxLight = static_cast<std::uint16_t>(c.maxLight);
    const PointI stopAt = line.At(c.stop);
    scan.stopX = stopAt.x;
    scan.stopY = stopAt.y;
    if (c.full) return Plausible(scan, collector.rightward) ? kRunOk : kRunImplausible;
    return c.status;
}

}  // namespace zr::lines
