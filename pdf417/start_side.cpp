// Rows without a stop pattern (compact symbols, symbols cut on their stop
// side by the picture's edge), measured from the start pattern alone.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "pdf417/row_runs.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kElementsPerCodewordRuns = 8;  // bars and spaces of one codeword
constexpr int kCheckedColumns = 2;           // codewords next to a lone start pattern checked for their width

// The first `columns` codewords next to the start pattern (runs from
// `from` on, or before `from` when read backwards) are eight runs about as
// wide as the pattern each: print after a start-like pattern is let go
// before its rows are read.
bool CodewordWidths(const std::vector<std::uint16_t> &r, int from, bool reversed, int columns, double width) {
    constexpr double kWidthTolerance = 0.15;
    const int n = static_cast<int>(r.size());
    for (int k = 0; k < columns; ++k) {
        const int first =
            reversed ? from - kElementsPerCodewordRuns * (k + 1) : from + kElementsPerCodewordRuns * k;
        if (first < 0 || first + kElementsPerCodewordRuns > n) return false;
        if (std::abs(SumRuns(r, first, kElementsPerCodewordRuns) - width) > kWidthTolerance * width)
            return false;
    }
    return true;
}

// A row without a stop pattern (a compact symbol's, or one cut by the
// picture's edge) measured from its start pattern alone, at the row's near end
// or, read backwards, at its far end: the codeword width is the start
// pattern's (17 modules), the columns the picture holds are the whole
// codeword widths after it. False when neither end holds a start pattern.
}  // namespace

bool StartSideRow(MeasuredRow &row, const RowWork &work) {
    const auto &r = work.runs;
    const auto &at = work.runStarts;
    const int n = static_cast<int>(r.size());
    int start = -1;
    bool reversed = false;
    for (int i = 0; i <= kPatternSlack && start < 0; i += 2) {
        if (i + kStartRuns <= n && StartAt(r, i, false)) start = i;
    }
    for (int j = 0; j <= kPatternSlack && start < 0; j += 2) {
        const int s = n - kStartRuns - j;
        if (s >= 0 && StartAt(r, s, true)) {
            start = s;
            reversed = true;
        }
    }
    if (start < 0) return false;
    // The codeword runs: after the pattern, or before it when read backwards.
    const int first = reversed ? 0 : start + kStartRuns;
    const int count = reversed ? start : n - first;
    const double pattern = SumRuns(r, start, kStartRuns);
    constexpr double kPartLeft = 0.1;  // a last codeword cut this close to its end still counts
    const int present =
        std::min(kMaxColumns - 1, static_cast<int>(SumRuns(r, first, count) / pattern + kPartLeft));
    if (present < 2) return false;  // the left row indicator and at least one data column
    if (!CodewordWidths(r, reversed ? start : first, reversed, std::min(present, kCheckedColumns), pattern))
        return false;
    SymbolMetrics &metrics = row.metrics;
    metrics.codewordWidth = geom::RoundHalfUp(pattern);
    if (metrics.codewordWidth < kMinCodewordWidth) return false;
    metrics.startSideColumns = present;
    metrics.columns = present + 1;
    // One run past the whole codewords, a bar of about one module: the
    // one-module stop of a compact symbol.
    const int lone = reversed ? r[0] : r[n - 1];
    metrics.oneModuleStop = count - kElementsPerCodewordRuns * present == 1 && lone <= 2 * pattern / 17 + 1;
    PatternEdges &edges = row.edges;
    if (!reversed) {
        edges.startOuter = at[start];
        edges.startInner = at[start + 7];
        edges.rowEnd = at[std::min(n, first + kElementsPerCodewordRuns * present)];
    } else {
        edges.startOuter = at[start + kStartRuns];
        edges.startInner = at[start + 1];
        edges.rowEnd = at[std::max(0, start - kElementsPerCodewordRuns * present)];
        StepTables &steps = row.direction.steps;
        std::swap(steps[kAlong], steps[kBack]);
        std::swap(steps[kUp], steps[kDown]);
        row.direction.angle = NormalizeAngle(row.direction.angle + 180);
    }
    edges.stopFirst = edges.rowEnd;
    row.reversed = reversed;
    return true;
}

}  // namespace zr::pdf417
