#include <new>

#include <algorithm>

#include "core/lines/bit_cursor.hpp"
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
    const PixelLine line(image, {scan.startX, scan.startY}, collector.step, area);
    const int limit = scan.pixelLimit;
    const int last = std::min(line.Count() - 1, limit);
    const std::uint16_t endStatus = last == limit ? kRunGap : kRunLeftArea;

    bool light = !line.Dark(0);
    scan.startsLight = light ? 1 : 0;
    std::uint32_t width = 0;
    std::uint16_t status = kRunOk;
    bool full = false;
    int stop = 0;
    std::uint16_t *widths = scan.widths.data();
    std::uint16_t minLight = 0xFFFF, maxLight = 0, minDark = 0xFFFF, maxDark = 0;
    int elements = 0;
    const int capacity = scan.capacity;
    int i = 0;
    for (;;) {
        // Pixels i .. change - 1 widen the open element.
        const int change =
            light && map != nullptr ? line.NextDark(i, last + 1, *map) : line.NextChange(i, !light, last + 1);
        width += static_cast<std::uint32_t>(change - i);
        if (change > last) {
            stop = last;
            scan.pixels = static_cast<std::uint16_t>(last + 1);
            status = endStatus;
            break;
        }
        // The pixel at `change` closes the element. The extremes are kept
        // without branches: in noise their comparisons are coin tosses.
        const auto w = static_cast<std::uint16_t>(width > 0xFFFF ? 0xFFFF : width);
        minLight = light ? std::min(minLight, w) : minLight;
        maxLight = light ? std::max(maxLight, w) : maxLight;
        minDark = light ? minDark : std::min(minDark, w);
        maxDark = light ? maxDark : std::max(maxDark, w);
        widths[elements++] = w;
        stop = change;
        scan.pixels = static_cast<std::uint16_t>(change);
        if (elements >= capacity) {
            full = true;
            break;
        }
        if (light & (maxDark > 0) & (maxLight > 8u * maxDark)) {  // one branch, rarely taken
            status = kRunGap;
            break;
        }
        light = !light;
        width = 1;
        if (change == last) {
            scan.pixels = static_cast<std::uint16_t>(last + 1);
            status = endStatus;
            break;
        }
        i = change + 1;
    }
    scan.elements = static_cast<std::int16_t>(elements);
    scan.minDark = minDark;
    scan.maxDark = maxDark;
    scan.minLight = minLight;
    scan.maxLight = maxLight;
    const PointI stopAt = line.At(stop);
    scan.stopX = stopAt.x;
    scan.stopY = stopAt.y;
    if (full) return Plausible(scan, collector.rightward) ? kRunOk : kRunImplausible;
    return status;
}

}  // namespace zr::lines
