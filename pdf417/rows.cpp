// Reading a measured symbol line by line parallel to its rows: each line is
// cut into codeword segments, its cluster decides which row it belongs to,
// and every column's codeword comes from an exact match on one line or from
// the widths summed over the row's lines.
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "pdf417/codeword.hpp"
#include "pdf417/line_cut.hpp"
#include "pdf417/line_geometry.hpp"
#include "pdf417/walk.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kMaxFailures = 4;
constexpr int kMinLineRuns = 17;
constexpr int kLinePixelLimit = 4000;
constexpr int kNoCluster = -1;

class RowReader {
  public:
    // Votes of the exactly read row indicators for (rows - 1) / 3 and (rows - 1) % 3.
    struct RowCountVotes {
        std::array<int, 30> thirds{};
        std::array<int, 3> remainder{};
    };

    RowReader(const ZrImage &image, const Rect &area, const MeasuredSymbol &symbol, RowWork &work,
              SymbolRows &out)
        : area_(area),
          symbol_(symbol),
          metrics_(symbol.metrics),
          runs_(work.runs),
          out_(out),
          walker_(image, symbol.direction.steps[kAlong], area, symbol.metrics.barColor == kDarkBars) {
        const double full = (metrics_.columns + 2.0) * metrics_.codewordWidth;
        minWidth_ = full * 0.85;
        maxWidth_ = full * 1.1;
        out.codewords.assign(kCodewordStore, kEmptyCodeword);
        out.rowSeen.fill(false);
        out.rows = 0;
        ClearRow();
    }

    void Run() {
        LineGeometry geometry(symbol_);
        int failures = 0, line = 0, k = 0;
        bool started = false;
        PointI start;
        while (failures < kMaxFailures && out_.rows < kMaxRows &&
               geometry.Line(k++, start, lineAlong_, lineBack_) && area_.Contains(start)) {
            const int width = ReadLine(start);
            const bool usable = width >= minWidth_;
            if (!started) {
                started = usable;
                if (!started && ++line > geometry.SearchLimit()) return;
            } else if (!usable) {
                ++failures;
            } else {
                failures = 0;  // blank gaps between printed rows are not the symbol's end
            }
            if (started && usable) UseLine(width);
        }
        if (started && rowLines_ > 0 && out_.rows < kMaxRows) EndRow();
    }

  private:
    int DataColumns() const { return metrics_.columns - 2; }

    // Runs of one line from the symbol's first bar; the line's width, or -1.
    int ReadLine(PointI start) {
        auto &runs = runs_;
        runs.clear();
        walker_.Use(lineAlong_);
        walker_.MoveTo(start);
        int pixels = 0;
        if (walker_.Bar()) {
            walker_.Use(lineBack_);
            walker_.MoveTo(start);
            while (walker_.NextIsBar() && ++pixels < kLinePixelLimit) walker_.Step();
            const PointI first = walker_.At();
            walker_.Use(lineAlong_);
            walker_.MoveTo(first);
        } else {
            while (!walker_.Bar()) {
                if (!walker_.Step() || ++pixels > kLinePixelLimit) return -1;
            }
        }
        const double limit = (metrics_.barColor == kDarkBars ? 4.5 : 3.5) * metrics_.MeanBackground();
        bool bar = true;
        int width = 1, total = 0;
        for (;;) {
            if (!bar && width > limit) break;
            if (!walker_.Step()) {
                // The area's edge: an unfinished bar ends the line, an unfinished space is dropped.
                if (bar && static_cast<int>(runs.size()) < kMaxRowRuns) {
                    runs.push_back(static_cast<std::uint16_t>(std::min(width, 0xFFFF)));
                    total += width;
                }
                break;
            }
            if (walker_.Bar() == bar) {
                ++width;
                continue;
            }
            if (static_cast<int>(runs.size()) >= kMaxRowRuns) return -1;
            runs.push_back(static_cast<std::uint16_t>(std::min(width, 0xFFFF)));
            total += width;
            bar = !bar;
            width = 1;
        }
        if (!runs.empty() && runs.size() % 2 == 0) {
            total -= runs.back();  // a trailing space is background, not part of the line
            runs.pop_back();
        }
        return static_cast<int>(runs.size()) < kMinLineRuns ? -1 : total;
    }

    // The cluster section of the line, or kNoCluster when undecided.
    int ClusterOf(std::array<int, kClusterCount> &exact) {
        exact = {};
        for (int j = 1; j <= metrics_.columns; ++j) {
            for (int k = 0; k < kClusterCount; ++k)
                exact[k] += ExactIn(k, cutter_.Result()[j]) != kNoCodeword;
        }
        if (exact[0] == 0 && exact[1] == 0 && exact[2] == 0) {
            int best = -1;
            double bestSum = 0;
            for (int k = kClusterCount - 1; k >= 0; --k) {  // equal sums prefer 6, then 3
                // A sum that reaches the limit cannot decide the cluster: it is left there.
                const double limit = 1.5 * metrics_.columns;
                double sum = 0;
                for (int j = 1; j <= metrics_.columns && sum < limit; ++j) {
                    const auto &s = cutter_.Result()[j];
                    sum += s.good ? DecodeNearest(k, cutter_.WidthsOf(s, widths_)).distance : 2.0;
                }
                if (best < 0 || sum < bestSum) {
                    best = k;
                    bestSum = sum;
                }
            }
            if (bestSum < 1.5 * metrics_.columns) exact[best] = metrics_.columns / 2 + 1;
        }
        int section = 0;
        if (exact[1] < exact[2]) {
            section = 2;
        } else if (exact[0] < exact[1]) {
            section = 1;
        }
        return exact[section] < metrics_.columns / 2 ? kNoCluster : section;
    }

    void UseLine(int width) {
        const double w = std::min<double>(width, maxWidth_);
        const double a = std::floor(w / (metrics_.columns + 2) + 0.5);
        if (!cutter_.Cut(runs_, metrics_.columns, a)) return;
        std::array<int, kClusterCount> exact;
        int section = ClusterOf(exact);
        const int next = (cluster_ + 1) % kClusterCount;
        if (section != kNoCluster && section != cluster_ && section != next && exact[cluster_] == 0 &&
            exact[next] > 0)
            section = next;
        if (section == kNoCluster) return;
        if (section == next) {
            if (rowLines_ > 0) EndRow();
            if (out_.rows >= kMaxRows) return;
            cluster_ = next;
        } else if (section != cluster_) {
            return;
        }
        AddLine();
    }

    void AddLine() {
        ++rowLines_;
        for (int j = 1; j <= metrics_.columns; ++j) {
            const auto &s = cutter_.Result()[j];
            if (done_[j] || !s.good) continue;
            const int value = ExactIn(cluster_, s);
            if (value != kNoCodeword) {
                done_[j] = true;
                Store(j, value);
                continue;
            }
            for (int i = 0; i < kElementsPerCodeword; ++i) sums_[j][i] += runs_[s.first + i];
        }
    }

    // Ends the current row: columns without an exact reading are decoded from
    // their summed widths. The row goes where its exactly read row indicators
    // put it (rows missing before it keep 900), else after the last row.
    void EndRow() {
        for (int j = 1; j <= metrics_.columns; ++j) {
            if (!done_[j]) Store(j, DecodeNearest(cluster_, sums_[j].data()).value);
        }
        int row = out_.rows;
        const int left = done_[1] ? 3 * (values_[1] / 30) + cluster_ : -1;
        const int right = done_[metrics_.columns] ? 3 * (values_[metrics_.columns] / 30) + cluster_ : -1;
        const int indicated = left >= 0 && right >= 0 ? (left == right ? left : -1) : std::max(left, right);
        if (indicated > row && indicated < kMaxRows) row = indicated;
        for (int j = 2; j < metrics_.columns; ++j) {
            const int at = row * DataColumns() + (j - 2);
            if (at < kCodewordStore) out_.codewords[at] = values_[j];
        }
        out_.rows = row + 1;
        out_.rowSeen[row] = true;
        ClearRow();
    }

    void ClearRow() {
        done_ = {};
        for (auto &s : sums_) s = {};
        values_.fill(kEmptyCodeword);
        rowLines_ = 0;
    }

    // Row indicators vote for the level and for the symbol's row count.
    void Store(int column, int value) {
        values_[column] = value;
        if (column != 1 && column != metrics_.columns) return;
        const bool left = column == 1;
        const int low = value % 30;
        if ((left && cluster_ == 1) || (!left && cluster_ == 2)) {
            if (low / 3 < kLevels) ++levelVotes_[low / 3];
            if (done_[column]) ++rowVotes_.remainder[low % 3];
        } else if (done_[column] && ((left && cluster_ == 0) || (!left && cluster_ == 1))) {
            ++rowVotes_.thirds[low];
        }
    }

  public:
    // The error-correction level most row indicators gave.
    int VotedLevel() const {
        int best = 0;
        for (int level = 1; level < kLevels; ++level) {
            if (levelVotes_[level] > levelVotes_[best]) best = level;
        }
        return best;
    }

    // The row count the indicators agree on (each part read at least twice), or 0.
    int IndicatedRows() const {
        const auto thirds = std::max_element(rowVotes_.thirds.begin(), rowVotes_.thirds.end());
        const auto remainder = std::max_element(rowVotes_.remainder.begin(), rowVotes_.remainder.end());
        if (*thirds < 2 || *remainder < 2) return 0;
        return 3 * static_cast<int>(thirds - rowVotes_.thirds.begin()) +
               static_cast<int>(remainder - rowVotes_.remainder.begin()) + 1;
    }

  private:
    const Rect &area_;
    const MeasuredSymbol &symbol_;
    const SymbolMetrics &metrics_;
    std::vector<std::uint16_t> &runs_;
    SymbolRows &out_;
    RowCountVotes rowVotes_;
    std::array<int, kLevels> levelVotes_{};
    TableWalker walker_;
    StepTable lineAlong_{}, lineBack_{};
    double minWidth_ = 0, maxWidth_ = 0;
    int cluster_ = 0;  // section of the current row
    int rowLines_ = 0;
    LineCutter cutter_;
    std::array<bool, kMaxColumns + 1> done_{};
    std::array<int, kMaxColumns + 1> values_{};
    std::array<std::array<double, kElementsPerCodeword>, kMaxColumns + 1> sums_{};
    double widths_[kElementsPerCodeword] = {};
};

}  // namespace

SymbolOutcome ReadRows(const ZrImage &image, const ScanSettings &settings, const MeasuredSymbol &symbol,
                       RowWork &work, SymbolRows &out) {
    const SymbolMetrics &metrics = symbol.metrics;
    if (metrics.columns < kMinColumns || metrics.columns > kMaxColumns || metrics.codewordWidth <= 0)
        return SymbolOutcome::kUnreadable;
    RowReader reader(image, settings.area, symbol, work, out);
    reader.Run();
    // Rows missing at the end count as rows of unread (900) codewords.
    const int dataColumns = metrics.columns - 2;
    const int indicated = reader.IndicatedRows();
    if (out.rows > 0 && indicated > out.rows && indicated <= kMaxRows &&
        indicated * dataColumns <= kCodewordStore)
        out.rows = indicated;
    out.level = reader.VotedLevel();
    out.checkWords = 2 << out.level;
    const int count = out.rows * dataColumns;
    if (out.rows == 0 || count <= out.checkWords) return SymbolOutcome::kUnreadable;
    out.codewords.resize(count);
    return SymbolOutcome::kRead;
}

}  // namespace zr::pdf417
