// The runs of one measured row: the start-pattern test and run sums shared
// by the row measurement (measure.cpp) and the measurement of rows without a
// stop pattern (start_side.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "pdf417/stages.hpp"

namespace zr::lines {
class TableBits;
}  // namespace zr::lines

namespace zr::pdf417 {

constexpr int kStartRuns = 8;
constexpr int kStopRuns = 9;
constexpr int kPatternSlack = 6;  // runs a pattern may lie inside the row's ends
// The runs at a row's near end that hold its first pattern, wherever the slack puts it.
constexpr int kNearEndRuns = kPatternSlack + kStopRuns;
constexpr int kMinCodewordWidth = 10;  // pixels: narrower rows cannot be segmented

// Sum of `count` runs from `from` on.
int SumRuns(const std::vector<std::uint16_t> &r, int from, int count);

// Start pattern 8 1 1 1 1 1 1 3 at index i; `reversed` reads it backwards.
bool StartAt(const std::vector<std::uint16_t> &r, int i, bool reversed);

// Stop pattern 7 1 1 3 1 1 1 2 1 at index i; `reversed` reads it backwards.
bool StopAt(const std::vector<std::uint16_t> &r, int i, bool reversed);

// Whether the first kNearEndRuns runs hold, within the slack, a start
// pattern or a stop pattern read backwards: a row whose measurement finds
// both patterns has one of them there. False for fewer runs.
bool NearEndHoldsPattern(const std::vector<std::uint16_t> &r);

// Runs no wider than this cannot end a row while their colour's mean width
// is a pixel or more: the quiet zone must exceed 5 means.
constexpr int kNeverQuietWidth = 5;

// Whole runs at the start of a word of pixels (pixel 0 in bit 63, 1 = dark,
// `count` valid) passed over at once: the pixels up to the last run end
// not after `maxEnd`, before which no run is wider than kNeverQuietWidth;
// with the number of runs and of dark pixels there. `end` 0: none.
struct NarrowRuns {
    int end = 0;
    int runs = 0;
    int dark = 0;
};
NarrowRuns NarrowRunPrefix(std::uint64_t bits, int count, int maxEnd);

constexpr int kShortLead = 2;  // background pixels the first look passes over before the first bar

// Running means of dark and light runs.
struct RunMeans {
    double sum[2] = {0, 0};  // [dark, light]
    int count[2] = {0, 0};
    double Mean(bool light) const { return count[light] ? sum[light] / count[light] : 0; }
    void Add(bool light, int width) {
        sum[light] += width;
        ++count[light];
    }
};

// Collects a row's runs (bar first, into work.runs, their starts and the
// row's end into work.runStarts) along `pixels` from the near end, one step
// inside it when `nearQuiet`, until a background run longer than 5 times
// its mean, `means` taking each run. False when the row is no symbol's (no
// bar, too many runs, no pattern at the near end, bars of one width);
// `work.quietZoneInDoubt` is set when the row began on more background
// than `lead` passes over.
bool CollectRow(lines::TableBits &pixels, bool nearQuiet, std::uint8_t barColor, RunMeans &means,
                RowLead lead, RowWork &work);

// The measured row's runs (`work`) from its start pattern alone, when it has
// no stop pattern: the metrics and edges of `row`. False when neither end of
// the row holds a start pattern followed by codewords.
bool StartSideRow(MeasuredRow &row, const RowWork &work);

}  // namespace zr::pdf417
