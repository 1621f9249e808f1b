// Width classes: each colour group's widths are histogrammed and split into up
// to four clusters, narrowest "0" to widest "3".
#include "bar/classes.hpp"

#include <algorithm>
#include <cmath>

namespace zr::bar {
namespace {

std::uint32_t Bin(const WidthHistogram &histogram, int i) {
    return i >= 0 && i < static_cast<int>(histogram.size()) ? histogram[i] : 0;
}

int RoundHalfUp(double x) {
    return static_cast<int>(std::floor(x + 0.5));
}

// Up to three boundaries, each search starting just above the previous one;
// the missing ones stay at the group's maximum.
template <typename Group, typename Find>
void FindBoundaries(Group &g, Find find) {
    g.boundaries.fill(g.max);
    int from = g.min;
    for (int &b : g.boundaries) {
        b = find(from);
        if (b >= g.max) break;
        from = b + 1;
    }
}

}  // namespace

int ClassBoundary(const WidthHistogram &histogram, int low, int high, int start, int window) {
    int first = std::max(start, 0);
    while (first < high && Bin(histogram, first) == 0) ++first;
    if (first >= high) return high;
    // A cluster far above the search start leaves the class in between empty,
    // so that the classes above keep their module numbering.
    if (first >= low + 2 * window) return low + window;

    int peak = first;  // the first of the highest bins
    std::uint32_t highest = Bin(histogram, first);
    for (int i = first + 1; i <= first + window; ++i) {
        const std::uint32_t bin = Bin(histogram, i);
        if (bin > highest) {
            peak = i;
            highest = bin;
        }
    }
    // A bin not lower than its predecessor after the peak means a second
    // cluster touches this one.
    bool rise = false;
    int i = peak + 1;
    for (; i <= peak + window + 1 && Bin(histogram, i) > 0; ++i) {
        if (Bin(histogram, i) >= Bin(histogram, i - 1)) rise = true;
    }
    const int last = i - 1;  // the run stops at an empty bin or at the window's end
    int boundary;
    if (rise) {
        boundary = (last - start + 1) / 2 + start - 1;
        if (boundary == peak) boundary = peak + 1;
    } else {
        boundary = std::min(last, high);
    }
    if (boundary == low) boundary = peak + 1;
    return boundary;
}

int ValleyFind(const WidthHistogram &histogram, int from, int to, int window) {
    // The search proper starts at the first occupied width; a start left in
    // the empty bins below it would step back into the previous cluster.
    while (from < to && Bin(histogram, from) == 0) ++from;
    if (from >= to) return to;

    int peak = from;  // the first of the highest bins
    std::uint32_t highest = Bin(histogram, from);
    for (int i = from + 1; i <= from + window; ++i) {
        const std::uint32_t bin = Bin(histogram, i);
        if (bin > highest) {
            peak = i;
            highest = bin;
        }
    }
    int rise = -1;
    int i = std::max(from + window - 1, from);
    for (; i <= to && Bin(histogram, i) > 0; ++i) {
        if (rise < 0 && i > from && Bin(histogram, i) >= Bin(histogram, i - 1)) rise = i;
    }
    const bool reachedTo = i > to;
    int last = i - 1;
    while (last > from && Bin(histogram, last) == 0) --last;

    if (rise >= 0) {
        if (peak + window < last) return rise - 1;
        return last == peak ? peak + 1 : last;
    }
    return reachedTo ? to : last;
}

void ClassWork::Split(const Widths &widths, std::uint8_t barColor) {
    // Bins of the previous reading back to 0.
    for (Group &g : groups_) {
        if (!g.empty) std::fill(g.histogram.begin() + g.min, g.histogram.begin() + g.max + 1, 0u);
        g.empty = true;
    }
    groups_[0].light = true;
    groups_[1].light = false;
    widths_ = &widths;
    // Element 0 is the first bar: light with light bars, dark otherwise.
    evenGroup_ = barColor == kLightBars ? 0 : 1;
    const std::size_t n = widths.size();
    const std::uint16_t *w = widths.data();
    for (std::size_t parity = 0; parity < 2 && parity < n; ++parity) {
        Group &g = OfParity(parity);
        int low = w[parity], high = w[parity];
        for (std::size_t i = parity + 2; i < n; i += 2) {
            low = std::min(low, int{w[i]});
            high = std::max(high, int{w[i]});
        }
        g.empty = false;
        g.min = low;
        g.max = high;
        // One empty bin above the widest width, as the searches read it.
        if (g.histogram.size() < static_cast<std::size_t>(high) + 2) g.histogram.resize(high + 2u, 0);
        std::uint32_t *bins = g.histogram.data();
        for (std::size_t i = parity; i < n; i += 2) ++bins[w[i]];
    }
}

// "0" up to boundary 1, "1" up to boundary 2, "2" up to boundary 3, "3"
// above. Groups of narrow widths look their classes up in a table by
// width; wider ones compare without branches, since noisy widths fall either
// way at random.
std::string_view ClassWork::Write() {
    const std::size_t n = ReadingSize();
    classes_.resize(n);
    const std::uint16_t *w = n ? widths_->data() : nullptr;
    for (std::size_t parity = 0; parity < 2 && parity < n; ++parity) {
        const Group &g = OfParity(parity);
        const std::array<int, 3> b = g.boundaries;
        auto classOf = [&b](int v) {
            const int above0 = v > b[0];
            const int above1 = above0 & (v > b[1]);
            const int above2 = above1 & (v > b[2]);
            return static_cast<char>('0' + above0 + above1 + above2);
        };
        if (static_cast<std::size_t>(g.max) < byWidth_.size()) {
            for (int v = g.min; v <= g.max; ++v) byWidth_[static_cast<std::size_t>(v)] = classOf(v);
            for (std::size_t i = parity; i < n; i += 2) classes_[i] = byWidth_[w[i]];
        } else {
            for (std::size_t i = parity; i < n; i += 2) classes_[i] = classOf(w[i]);
        }
    }
    return classes_;
}

bool ClassWork::CapOddClasses(char cap) {
    bool changed = false;
    for (std::size_t i = 1; i < classes_.size(); i += 2) {
        if (classes_[i] > cap) {
            classes_[i] = cap;
            changed = true;
        }
    }
    return changed;
}

std::string_view ClassWork::Elements() {
    for (Group &g : groups_) {
        if (g.empty) continue;
        const int range = g.max - g.min;
        // The light window is truncated to 8 bits (wrapping on ranges over a
        // thousand), the dark one rounded; each searches at least two bins.
        int window = g.light ? static_cast<std::uint8_t>((range - 1) / 4) : RoundHalfUp((range - 1) * 0.25);
        window = std::max(window, 2);
        // Each search takes its own start as the low end, so that a far first
        // cluster is measured from where the search began.
        FindBoundaries(g, [&](int from) { return ClassBoundary(g.histogram, from, g.max, from, window); });
        // A narrow spread holds two classes at most: split it in the middle.
        if (range <= 4 && g.boundaries[0] != g.max) g.boundaries = {(g.max + g.min) / 2, g.max, g.max};
    }
    return Write();
}

std::string_view ClassWork::Averaged() {
    for (Group &g : groups_) {
        if (g.empty) continue;
        int window = (g.max - g.min + 1) / 4;
        if (g.light) {
            window = window > 2 ? window + 1 : 2;
        } else {
            window = std::max(window, 2);
        }
        FindBoundaries(g, [&](int from) { return ValleyFind(g.histogram, from, g.max, window); });
    }
    return Write();
}

std::string_view ClassWork::Quarter() {
    for (Group &g : groups_) {
        if (g.empty) continue;
        const double q = std::max((g.max - g.min + 1) / 4.0, 1.0);
        // Each class spans q widths from the first occupied width above the
        // previous boundary.
        auto firstAbove = [&](int b) {
            int i = b + 1;
            while (i < g.max && g.histogram[static_cast<std::size_t>(i)] == 0) ++i;
            return i;
        };
        std::array<int, 3> &b = g.boundaries;
        b = {RoundHalfUp(g.min - 1 + q), g.max, g.max};
        if (b[0] < g.max) {
            b[1] = RoundHalfUp(firstAbove(b[0]) - 1 + q);
            if (b[1] < g.max) b[2] = RoundHalfUp(firstAbove(b[1]) - 1 + q);
        }
    }
    return Write();
}

std::string ElementsToClasses(const Widths &widths, std::uint8_t barColor) {
    ClassWork work;
    work.Split(widths, barColor);
    return std::string(work.Elements());
}

std::string AveragedToClasses(const Widths &widths, std::uint8_t barColor) {
    ClassWork work;
    work.Split(widths, barColor);
    return std::string(work.Averaged());
}

std::string QuarterClasses(const Widths &widths, std::uint8_t barColor) {
    ClassWork work;
    work.Split(widths, barColor);
    return std::string(work.Quarter());
}

}  // namespace zr::bar
