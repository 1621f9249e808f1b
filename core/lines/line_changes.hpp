// The colour changes of a line read once (AxisLine), listed in order, for a
// search that collects a few runs from many points of the same line: each
// change is found once for the whole line, and a collection that fills its
// capacity is a few look-ups in the list instead of a walk of its pixels.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "core/lines/axis_line.hpp"

namespace zr::lines {

class LineChanges {
  public:
    // Lists the changes of the line: every pixel index i (1 <= i < Count())
    // whose pixel differs from pixel i - 1. The list is kept for the next line.
    void Read(const AxisLine &line) {
        count_ = line.Count();
        // At most one change per pixel, and the end mark after them.
        if (changes_.size() < static_cast<std::size_t>(count_) + 1u)
            changes_.resize(static_cast<std::size_t>(count_) + 1u);
        firstDark_ = count_ > 0 && line.Dark(0);
        int n = 0;
        std::uint64_t before =
            line.Word(0) & (std::uint64_t{1} << 63);  // pixel 0 counts as its own predecessor
        for (int base = 0; base < count_; base += 64) {
            const std::uint64_t word = line.Word(base >> 6);
            std::uint64_t bounds = word ^ ((word >> 1) | before);
            // Pixels past the line are clear: a change to them is no change of the line's.
            const int inLine = count_ - base;
            if (inLine < 64) bounds &= ~(~std::uint64_t{0} >> inLine);
            before = word << 63;
            while (bounds != 0) {
                const int k = __builtin_clzll(bounds);
                bounds ^= (std::uint64_t{1} << 63) >> k;
                changes_[static_cast<std::size_t>(n++)] = base + k;
            }
        }
        changes_[static_cast<std::size_t>(n)] = kEnd;
        size_ = n;
        next_ = 0;
    }

    // What line.Collect gives for a collection from pixel `from` with this
    // capacity (runs, at most the widths' room) and pixel limit, when that
    // collection fills its capacity: true, with the widths of its runs. False
    // when the collection would end otherwise (the line's end, the pixel
    // limit or the gap rule), or `from` is off the line; the widths are then
    // undefined. Collections from increasing points cost the least.
    bool FullWidths(int from, int runs, int pixelLimit, std::uint16_t *widths) {
        if (from < 0 || from >= count_ || runs <= 0) return false;
        // The first change after `from`: its index is also the number of changes up to `from`.
        if (next_ > 0 && changes_[static_cast<std::size_t>(next_ - 1)] > from) {
            next_ = static_cast<int>(std::upper_bound(changes_.begin(), changes_.begin() + size_, from) -
                                     changes_.begin());
        }
        while (changes_[static_cast<std::size_t>(next_)] <= from) ++next_;
        // The walk's last pixel; a run closes at a change no later.
        const int last = from + std::min(count_ - from - 1, pixelLimit);
        bool light = firstDark_ == ((next_ & 1) != 0);
        unsigned maxLight = 0, maxDark = 0;
        int at = from;
        // The end mark lies past every walk, so the loop reads no further.
        for (int i = 0;; ++i) {
            const int change = changes_[static_cast<std::size_t>(next_ + i)];
            if (change > last) return false;
            const auto w = static_cast<unsigned>(change - at);
            widths[i] = static_cast<std::uint16_t>(w);
            at = change;
            if (light) {
                maxLight = std::max(maxLight, w);
            } else {
                maxDark = std::max(maxDark, w);
            }
            if (i + 1 == runs) return true;
            // The gap rule, tested after every light run but a leading one, as Collect does.
            if (light && i > 0 && maxLight > 8 * maxDark) return false;
            light = !light;
        }
    }

  private:
    static constexpr int kEnd = INT_MAX;
    std::vector<int> changes_;  // the changes in order, then kEnd
    int size_ = 0;              // changes listed
    int count_ = 0;             // pixels of the line
    bool firstDark_ = false;    // pixel 0's colour
    int next_ = 0;              // the first change after the last collection's start
};

}  // namespace zr::lines
