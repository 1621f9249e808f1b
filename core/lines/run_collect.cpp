#include <new>

#include "core/lines/bit_cursor.hpp"
#include "core/lines/run_scan.hpp"
#include "core/status.hpp"

namespace zr::lines {

std::uint16_t RunBufferInit(RunScan &scan, std::uint8_t direction) {
    scan.direction = direction;
    scan.pixelLimit = kPixelLimit;
    scan.elements = 0;
    if (scan.capacity == 0) scan.capacity = kDefaultCapacity;
    try {
        scan.widths.assign(scan.capacity + 1u, 0);
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

std::uint16_t RunCollect(RunScan &scan, const BitImageView &image) {
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

    BitCursor cursor(image);
    cursor.MoveTo(scan.startX, scan.startY);
    bool light = !cursor.Dark();
    scan.startsLight = light ? 1 : 0;
    std::uint32_t width = 0;
    std::uint16_t status = kRunOk;
    bool full = false;

    for (;;) {
        const bool pixelLight = !cursor.Dark();
        if (pixelLight == light) {
            ++width;
        } else {
            const auto w = static_cast<std::uint16_t>(width > 0xFFFF ? 0xFFFF : width);
            if (light) {
                if (w < scan.minLight) scan.minLight = w;
                if (w > scan.maxLight) scan.maxLight = w;
            } else {
                if (w < scan.minDark) scan.minDark = w;
                if (w > scan.maxDark) scan.maxDark = w;
            }
            scan.widths[scan.elements++] = w;
            if (scan.elements >= scan.capacity) {
                full = true;
                break;
            }
            const bool closedLight = light;
            light = pixelLight;
            width = 1;
            if (closedLight && scan.maxDark > 0 && scan.maxLight > 8u * scan.maxDark) {
                status = kRunGap;
                break;
            }
        }
        if (++scan.pixels > scan.pixelLimit) {
            status = kRunGap;
            break;
        }
        if (!cursor.StepInside(collector.step, area)) {
            status = kRunLeftArea;
            break;
        }
    }
    scan.stopX = cursor.x();
    scan.stopY = cursor.y();
    if (full) return Plausible(scan, collector.rightward) ? kRunOk : kRunImplausible;
    return status;
}

}  // namespace zr::lines
