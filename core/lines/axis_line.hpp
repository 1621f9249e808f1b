// One row or column of the area read once into words of pixels (bit 63
// first, 1 = dark), so that a search probing many runs along the same line
// finds each colour change with a bit scan instead of reading the picture
// again for every probe.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/image_view.hpp"
#include "core/lines/line_chunks.hpp"
#include "core/lines/run_scan.hpp"

namespace zr::lines {

class AxisLine {
  public:
    // Reads the pixels from `start` (inside `area`) to the area's edge,
    // rightward along the row or down the column. The buffer is kept for the
    // next line.
    void Read(const BitImageView &view, const Rect &area, PointI start, bool vertical) {
        start_ = start;
        vertical_ = vertical;
        count_ = std::max(0, vertical ? area.y1 - start.y : area.x1 - start.x);
        // One word past the pixels, so that a word from any pixel on can be read.
        words_.assign(static_cast<std::size_t>(count_ / 64 + 2), 0);
        if (count_ == 0) return;
        // Chunks hold stored bits: a light pixel's bit is flipped to 0.
        const std::uint64_t flip = view.SetBitIsDark() ? 0 : ~std::uint64_t{0};
        if (vertical) {
            ReadChunks(chunks::ColumnChunks(view, start, 1), flip);
        } else {
            ReadChunks(chunks::RowChunks(view, start, 0), flip);
        }
    }

    int Count() const { return count_; }
    // Word k of the pixels: pixel 64k in bit 63; pixels past Count() are clear.
    std::uint64_t Word(int k) const { return words_[static_cast<std::size_t>(k)]; }
    bool Dark(int i) const { return ((words_[static_cast<std::size_t>(i >> 6)] << (i & 63)) >> 63) != 0; }

    // The first pixel index from `from` (at most Count()) on whose colour is
    // not `dark`, or Count().
    int NextChange(int from, bool dark) const {
        const std::uint64_t want = dark ? ~std::uint64_t{0} : 0;
        for (; from < count_; from += 64) {
            const std::uint64_t differ = WordFrom(from) ^ want;
            if (differ != 0) return std::min(count_, from + __builtin_clzll(differ));
        }
        return count_;
    }

    // What RunCollect(scan, view) does for a scan starting at pixel `from` of
    // this line, with the scan's area the one the line was read over and its
    // direction along the line: the same widths, extremes, stop point and
    // status, found by bit scans of the held words.
    RunEnd Collect(RunScan &scan, int from) const {
        if (scan.capacity == 0) scan.capacity = kDefaultCapacity;
        if (scan.widths.size() < scan.capacity + 1u) scan.widths.assign(scan.capacity + 1u, 0);
        scan.elements = 0;
        scan.pixels = 0;
        scan.minLight = scan.minDark = 0xFFFF;
        scan.maxLight = scan.maxDark = 0;
        scan.widths[0] = 0;
        if (from < 0 || from >= count_) {
            scan.stopX = scan.startX;
            scan.stopY = scan.startY;
            return RunEnd::LeftArea;
        }
        // The walk's last pixel (relative to `from`): the area's edge or the pixel limit.
        const int limit = scan.pixelLimit;
        const int last = std::min(count_ - from - 1, limit);
        RunEnd ended = last == limit ? RunEnd::Gap : RunEnd::LeftArea;
        int stop = last, pixels = last + 1;
        bool dark = Dark(from);
        scan.startsLight = dark ? 0 : 1;
        unsigned minLight = 0xFFFF, maxLight = 0, minDark = 0xFFFF, maxDark = 0;
        std::uint16_t *const widths = scan.widths.data();
        const int capacity = scan.capacity;
        int n = 0, at = 0;  // runs closed, and the first pixel of the open one
        bool full = false;
        // Boundaries of a 64-pixel window from pixel `base` of the walk on:
        // bit 63 - k set when pixel base + k differs from the one before it
        // and lies in the walk (at most `last`).
        int base = 0;
        std::uint64_t window = WordFrom(from);
        const auto inWalk = [last](int first) {
            const int count = last - first + 1;
            return count >= 64 ? ~std::uint64_t{0} : ~(~std::uint64_t{0} >> count);
        };
        std::uint64_t bounds = (window ^ (window >> 1)) & (~std::uint64_t{0} >> 1) & inWalk(0);
        for (;;) {
            while (bounds == 0 && base + 64 <= last) {
                const std::uint64_t previous = window << 63;  // the window's last pixel
                base += 64;
                window = WordFrom(from + base);
                bounds = (window ^ ((window >> 1) | previous)) & inWalk(base);
            }
            if (bounds == 0) break;  // the open run reaches the walk's end
            const int k = __builtin_clzll(bounds);
            bounds ^= (std::uint64_t{1} << 63) >> k;
            const int change = base + k;  // the boundary closing the open run
            const auto w = static_cast<unsigned>(change - at);
            widths[n++] = static_cast<std::uint16_t>(w);
            if (dark) {
                minDark = std::min(minDark, w);
                maxDark = std::max(maxDark, w);
            } else {
                minLight = std::min(minLight, w);
                maxLight = std::max(maxLight, w);
            }
            if (n == capacity) {
                stop = pixels = change;
                full = true;
                break;
            }
            // The gap rule follows every light run but a leading one.
            if (!dark && n > 1 && maxLight > 8 * maxDark) {
                stop = pixels = change;
                ended = RunEnd::Gap;
                break;
            }
            at = change;
            dark = !dark;
        }
        scan.elements = static_cast<std::int16_t>(n);
        scan.pixels = static_cast<std::uint16_t>(pixels);
        scan.minLight = static_cast<std::uint16_t>(minLight);
        scan.maxLight = static_cast<std::uint16_t>(maxLight);
        scan.minDark = static_cast<std::uint16_t>(minDark);
        scan.maxDark = static_cast<std::uint16_t>(maxDark);
        const int index = from + stop;
        scan.stopX = vertical_ ? start_.x : start_.x + index;
        scan.stopY = vertical_ ? start_.y + index : start_.y;
        if (full) return PlausibleWidths(scan, !vertical_) ? RunEnd::Plausible : RunEnd::Implausible;
        return ended;
    }

  private:
    // The 64 pixels from pixel i on, pixel i in bit 63 (those past Count() clear).
    std::uint64_t WordFrom(int i) const {
        const auto w = static_cast<std::size_t>(i >> 6);
        const int shift = i & 63;
        const std::uint64_t high = words_[w] << shift;
        return shift == 0 ? high : high | (words_[w + 1] >> (64 - shift));
    }

    template <class Chunks>
    void ReadChunks(Chunks chunks, std::uint64_t flip) {
        int n = 0;
        std::uint64_t bits = chunks.First(count_, n);
        int filled = 0;
        for (;;) {
            Append((bits ^ flip) & (~std::uint64_t{0} << (64 - n)), n, filled);
            const int avail = count_ - filled;
            if (avail <= 0) break;
            n = std::min(Chunks::kSize, avail);
            bits = n == Chunks::kSize ? chunks.Next() : chunks.Tail(n);
        }
    }

    // Appends n pixels (the top bits of `bits`, the rest clear) at `filled`.
    void Append(std::uint64_t bits, int n, int &filled) {
        const int word = filled >> 6, offset = filled & 63;
        words_[static_cast<std::size_t>(word)] |= bits >> offset;
        if (offset + n > 64) words_[static_cast<std::size_t>(word + 1)] |= bits << (64 - offset);
        filled += n;
    }

    std::vector<std::uint64_t> words_;
    PointI start_;
    int count_ = 0;
    bool vertical_ = false;
};

}  // namespace zr::lines
