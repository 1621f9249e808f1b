#include <algorithm>

#include "core/lines/bit_cursor.hpp"
#include "core/lines/dark_map.hpp"
#include "core/lines/line_chunks.hpp"
#include "core/lines/run_scan.hpp"

namespace zr::lines {

void RunBufferInit(RunScan &scan, std::uint8_t direction) {
    scan.direction = direction;
    scan.pixelLimit = kPixelLimit;
    scan.elements = 0;
    if (scan.capacity == 0) scan.capacity = kDefaultCapacity;
    // A buffer already large enough is kept as it is: a collection writes
    // every element it reports, so refilling it with zeros would be wasted.
    if (scan.widths.size() < scan.capacity + 1u) scan.widths.assign(scan.capacity + 1u, 0);
    scan.startsLight = 0;
    scan.minLight = scan.minDark = 0xFFFF;
    scan.maxLight = scan.maxDark = 0;
}

bool PlausibleWidths(const RunScan &s, bool rightward) {
    if (s.maxLight * 10 < s.maxDark) return false;
    if (s.maxDark * 5 < s.maxLight) return false;
    if (s.minDark * 10 < s.maxDark) return false;
    if (s.minLight * 6 < s.maxLight) return false;
    if (s.maxDark > 200 || s.maxLight > 200) return false;
    const int small = rightward ? 3 : 4;  // rightward: both below 3; others: both 3 or less
    return !(s.maxDark < small && s.maxLight < small);
}

namespace {

using chunks::ColumnChunks;
using chunks::DiagonalChunks;
using chunks::RowChunks;

// What a close ends: an element of which colour, and whether the gap rule
// is tested after it.
template <bool kLightElement, bool kGapRule = kLightElement>
struct Closing {
    static constexpr bool kLight = kLightElement;
    static constexpr bool kGap = kGapRule;
};

// Fills the widths and results of the scan. Element boundaries are the set
// bits of (chunk XOR chunk moved on by one pixel): each is found with one
// bit scan and closes one element, with no reload. Light and dark elements
// alternate, so the loop closes one of each per turn and keeps each
// colour's extremes without tests of the colour.
// `count` is the number of pixels from the start to the area's edge.
template <class Chunks>
__attribute__((noinline)) RunEnd CollectRuns(RunScan &scan, const BitImageView &image, const DarkMap *map,
                                             int count, int dy) {
    // The walk takes one pixel at a time: it widens the open element or
    // closes it, counts the pixel against the limit, then steps on. So it
    // ends at the last pixel inside the area, or at the pixel that exceeds
    // the limit, whichever comes first, unless an element closes it earlier.
    const int limit = scan.pixelLimit;
    const int last = std::min(count - 1, limit);
    const RunEnd atLast = last == limit ? RunEnd::Gap : RunEnd::LeftArea;
    const unsigned lightBit = image.SetBitIsDark() ? 0u : 1u;  // the stored bit of a light pixel
    Chunks chunks(image, PointI{scan.startX, scan.startY}, dy);
    int n = 0;
    std::uint64_t bounds = 0;  // boundaries in the chunk not yet taken, pixel k of the chunk in bit 63 - k
    int base = 0;              // the chunk's first pixel
    int open = 63;             // base + 63 - the open element's first pixel
    std::uint16_t *const widths = scan.widths.data();
    std::uint16_t *at = widths;
    std::uint16_t *const full = widths + scan.capacity;
    unsigned minLight = 0xFFFF, maxLight = 0, minDark = 0xFFFF, maxDark = 0;
    RunEnd ended = atLast;
    int stop = last, pixels = last + 1;
    bool startsLight = false;
    {
        const std::uint64_t bits = chunks.First(last + 1, n);
        const std::uint64_t first = bits & (std::uint64_t{1} << 63);  // the start pixel before itself
        startsLight = (first >> 63) == lightBit;
        bounds = (bits ^ ((bits >> 1) | first)) & (~std::uint64_t{0} << (64 - n));
    }
    scan.startsLight = startsLight ? 1 : 0;

    // Closes the open element at the next boundary; false when the
    // collection ends. The first element, when light, closes before any
    // dark one, so it skips the gap test (its maximum dark width is 0).
    auto close = [&](auto closing) __attribute__((always_inline))->bool {
        constexpr bool kLightElement = decltype(closing)::kLight;
        constexpr bool kGap = decltype(closing)::kGap;
        if (__builtin_expect(bounds == 0, 0)) {
            // The pixel before the next chunk has the open element's colour.
            const std::uint64_t before = std::uint64_t{kLightElement ? lightBit : lightBit ^ 1u} << 63;
            bool whole = false;  // a whole chunk had the open element's colour
            do {
                const int from = base;
                base += n;
                if (whole) {  // a long run: pass it eight pixels at a time
                    if (kLightElement && map != nullptr) base = chunks.SkipLight(base, last + 1, *map);
                    base = chunks.SkipSame(base, last + 1, kLightElement ? lightBit : lightBit ^ 1u);
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
            ended = RunEnd::Gap;
            return false;
        }
        return true;
    };
    if (startsLight ? close(Closing<true, false>{}) && close(Closing<false>{}) : close(Closing<false>{}))
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
    if (at == full)
        return PlausibleWidths(scan, Chunks::kRightward) ? RunEnd::Plausible : RunEnd::Implausible;
    return ended;
}

}  // namespace

RunEnd RunCollect(RunScan &scan, const ZrImage &image) {
    return RunCollect(scan, BitImageView(image));
}

RunEnd RunCollect(RunScan &scan, const BitImageView &image, const DarkMap *map) {
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
        return RunEnd::LeftArea;
    }

    const std::uint8_t direction = scan.direction;
    if (direction & kHorizontal) return CollectRuns<RowChunks>(scan, image, map, area.x1 - start.x, 0);
    if (direction & kVertical) return CollectRuns<ColumnChunks>(scan, image, map, area.y1 - start.y, 1);
    if (direction == kDiagonalUp)
        return CollectRuns<DiagonalChunks>(scan, image, map,
                                           std::min(area.x1 - start.x, start.y - area.y0 + 1), -1);
    return CollectRuns<DiagonalChunks>(scan, image, map, std::min(area.x1 - start.x, area.y1 - start.y), 1);
}

}  // namespace zr::lines
