// Reading a measured symbol line by line parallel to its rows: each line is
// cut into codeword segments, its cluster decides which row it belongs to,
// and every column's codeword comes from an exact match on one line or from
// the widths summed over the row's lines.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

#include "core/lines/table_bits.hpp"
#include "pdf417/codeword.hpp"
#include "pdf417/line_cut.hpp"
#include "pdf417/line_geometry.hpp"
#include "pdf417/line_runs.hpp"
#include "pdf417/walk.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kMaxFailures = 4;
constexpr int kMinLineRuns = 17;
constexpr int kLinePixelLimit = 4000;
constexpr int kNoCluster = -1;
constexpr int kMaxLineWidth = std::numeric_limits<int>::max();

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
          walker_(image, symbol.direction.steps[kAlong], area, symbol.metrics.barColor == kDarkBars),
          view_(image) {
        // Rows without a stop pattern hold the start pattern and the columns
        // the picture shows: their data go to rows of the widest symbol's
        // stride until the row indicators have told the column count.
        const bool startSide = metrics_.startSideColumns > 0;
        cols_ = startSide ? metrics_.startSideColumns : metrics_.columns;
        right_ = startSide ? 0 : metrics_.columns;
        lastData_ = startSide ? cols_ : metrics_.columns - 1;
        stride_ = startSide ? kMaxColumns - 2 : metrics_.columns - 2;
        lineCodewords_ = startSide ? cols_ + 1 : metrics_.columns + 2;
        const double full = static_cast<double>(lineCodewords_) * metrics_.codewordWidth;
        minWidth_ = full * 0.85;
        maxWidth_ = full * 1.1;
        out.codewords.assign(kCodewordStore, kEmptyCodeword);
        out.guessed.assign(kCodewordStore, 0);
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
    // Runs of one line from the symbol's first bar; the line's width, or -1.
    // The pixels along the line are taken a word at a time, and each run
    // ends at the next change of colour.
    int ReadLine(PointI start) {
        auto &runs = runs_;
        runs.clear();
        const bool barDark = metrics_.barColor == kDarkBars;
        walker_.Use(lineAlong_);
        walker_.MoveTo(start);
        PointI from = start;
        const bool onBar = walker_.Bar();
        if (onBar) {
            // Back to the first pixel of the bar the line starts in.
            walker_.Use(lineBack_);
            walker_.MoveTo(start);
            int pixels = 0;
            while (walker_.NextIsBar() && ++pixels < kLinePixelLimit) walker_.Step();
            from = walker_.At();
        }
        if (!axis_ || axisTable_ != lineAlong_) {
            axisTable_ = lineAlong_;
            axis_.emplace(lineAlong_);
        }
        lines::TableBits line(view_, area_, from, lineAlong_, *axis_);
        // From a background pixel the line goes on to the first bar, if that is near.
        int at = 0;
        if (!onBar) {
            at = line.NextChange(0, !barDark);
            if ((at >= line.Walked() && line.Ended()) || at > kLinePixelLimit) return -1;
        }
        const double limit = (barDark ? 4.5 : 3.5) * metrics_.MeanBackground();
        // Whole-pixel widths exceed the limit exactly when they exceed its
        // floor (none exceeds a limit that is not a number).
        const int spaceLimit = limit < static_cast<double>(kMaxLineWidth)
                                   ? static_cast<int>(std::floor(std::max(limit, -1.0)))
                                   : kMaxLineWidth;
        int total = 0;
        const LineRunsEnd end = CollectLineRuns(line, at, barDark, spaceLimit, kMaxRowRuns, runs, total);
        if (end.kind == LineRunsEnd::Kind::kTooManyRuns) return -1;
        if (end.kind == LineRunsEnd::Kind::kEdge) {
            // The area's edge: an unfinished bar ends the line, an unfinished space is dropped.
            if (end.bar && static_cast<int>(runs.size()) < kMaxRowRuns) {
                runs.push_back(static_cast<std::uint16_t>(std::min(end.width, 0xFFFF)));
                total += end.width;
            }
            if (right_ == 0) return ClosingSpace(end.bar ? 0 : end.width, total);
        }
        if (!runs.empty() && runs.size() % 2 == 0) {
            total -= runs.back();  // a trailing space is background, not part of the line
            runs.pop_back();
        }
        return static_cast<int>(runs.size()) < kMinLineRuns ? -1 : total;
    }

    // A line without a stop side cut by the area's edge where its last
    // codeword's closing space begins: the space (`width` pixels of it seen)
    // is given the width the codeword column lacks, so that the column still
    // reads. The line's width, or -1.
    int ClosingSpace(int width, int total) {
        constexpr int kMaxSpaceModules = 6;
        constexpr double kCodewordModules = 17;
        const int lack = static_cast<int>(lineCodewords_) * metrics_.codewordWidth - total;
        const bool fits = lack >= std::max(1, width) &&
                          lack <= kMaxSpaceModules * metrics_.codewordWidth / kCodewordModules + 1 &&
                          runs_.size() % 2 == 1 && static_cast<int>(runs_.size()) < kMaxRowRuns;
        if (fits) {
            runs_.push_back(static_cast<std::uint16_t>(lack));
            total += lack;
        }
        return static_cast<int>(runs_.size()) < kMinLineRuns ? -1 : total;
    }

    // The cluster section of the line, or kNoCluster when undecided.
    int ClusterOf(std::array<int, kClusterCount> &exact) {
        if (!MayHaveCluster()) return kNoCluster;
        exact = {};
        for (int j = 1; j <= cols_; ++j) {
            for (int k = 0; k < kClusterCount; ++k)
                exact[k] += ExactIn(k, cutter_.Result()[j]) != kNoCodeword;
        }
        if (exact[0] == 0 && exact[1] == 0 && exact[2] == 0) {
            const int best = NearestSection(cutter_, cols_);
            if (best != kNoCluster) exact[best] = cols_ / 2 + 1;
        }
        int section = 0;
        if (exact[1] < exact[2]) {
            section = 2;
        } else if (exact[0] < exact[1]) {
            section = 1;
        }
        return exact[section] < cols_ / 2 ? kNoCluster : section;
    }

    // False when the line's segments cannot decide a cluster (ClusterPossible),
    // so that ClusterOf's matching is left out: most lines through noise.
    bool MayHaveCluster() const {
        int good = 0;
        for (int j = 1; j <= cols_; ++j) good += cutter_.Result()[j].good ? 1 : 0;
        return ClusterPossible(good, cols_);
    }

    void UseLine(int width) {
        const double w = std::min<double>(width, maxWidth_);
        const double a = std::floor(w / lineCodewords_ + 0.5);
        if (!cutter_.Cut(runs_, cols_, a, right_ > 0)) return;
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
        for (int j = 1; j <= cols_; ++j) {
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
        for (int j = 1; j <= cols_; ++j) {
            if (!done_[j]) Store(j, DecodeNearest(cluster_, sums_[j].data()).value);
        }
        int row = out_.rows;
        const int left = done_[1] ? 3 * (values_[1] / 30) + cluster_ : -1;
        const int right = right_ > 0 && done_[right_] ? 3 * (values_[right_] / 30) + cluster_ : -1;
        const int indicated = left >= 0 && right >= 0 ? (left == right ? left : -1) : std::max(left, right);
        if (indicated > row && indicated < kMaxRows) row = indicated;
        for (int j = 2; j <= lastData_; ++j) {
            const int at = row * stride_ + (j - 2);
            if (at >= kCodewordStore) continue;
            out_.codewords[at] = values_[j];
            out_.guessed[at] = done_[j] ? 0 : 1;
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
        if (column != 1 && column != right_) return;
        const bool left = column == 1;
        const int low = value % 30;
        if ((left && cluster_ == 1) || (!left && cluster_ == 2)) {
            if (low / 3 < kLevels) ++levelVotes_[low / 3];
            if (done_[column]) ++rowVotes_.remainder[low % 3];
        } else if (done_[column] && ((left && cluster_ == 0) || (!left && cluster_ == 1))) {
            ++rowVotes_.thirds[low];
        } else if (done_[column] && ((left && cluster_ == 2) || (!left && cluster_ == 0))) {
            ++columnVotes_[low];
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

    // The data column count the exactly read indicators give, when one count
    // has more votes than every other; else 0.
    int IndicatedColumns() const {
        int best = 0, second = 0, count = 0;
        for (int k = 0; k < static_cast<int>(columnVotes_.size()); ++k) {
            if (columnVotes_[k] > best) {
                second = best;
                best = columnVotes_[k];
                count = k + 1;
            } else if (columnVotes_[k] > second) {
                second = columnVotes_[k];
            }
        }
        return best > second ? count : 0;
    }

  private:
    const Rect &area_;
    const MeasuredSymbol &symbol_;
    const SymbolMetrics &metrics_;
    std::vector<std::uint16_t> &runs_;
    SymbolRows &out_;
    RowCountVotes rowVotes_;
    std::array<int, 30> columnVotes_{};  // for data columns - 1
    std::array<int, kLevels> levelVotes_{};
    TableWalker walker_;
    BitImageView view_;
    StepTable lineAlong_{}, lineBack_{};
    StepTable axisTable_{};                // the table axis_ was made for
    std::optional<lines::AxisWalk> axis_;  // made again only when a line's table differs
    double minWidth_ = 0, maxWidth_ = 0;
    int cols_ = 0;           // codeword columns the lines are cut into, the left row indicator first
    int right_ = 0;          // the right row indicator's column; 0 when the rows have none
    int lastData_ = 0;       // the last data column of the lines
    int stride_ = 0;         // codewords stored per row
    int lineCodewords_ = 0;  // codeword widths a line spans, patterns included
    int cluster_ = 0;        // section of the current row
    int rowLines_ = 0;
    LineCutter cutter_;
    std::array<bool, kMaxColumns + 1> done_{};
    std::array<int, kMaxColumns + 1> values_{};
    std::array<std::array<double, kElementsPerCodeword>, kMaxColumns + 1> sums_{};
};

// Moves the rows stored `stride` codewords apart to rows of the symbol's data
// columns, the columns past those read left empty. Each codeword moves to a
// lower or the same index, so the move works forward in place; the
// rest of the old extent is emptied for rows added after the last read.
void Restride(SymbolRows &out, int stride) {
    for (int row = 0; row < out.rows; ++row) {
        for (int j = 0; j < out.dataColumns; ++j) {
            const bool read = j < out.readColumns;
            const int from = row * stride + j, to = row * out.dataColumns + j;
            out.codewords[to] = read ? out.codewords[from] : kEmptyCodeword;
            out.guessed[to] = read ? out.guessed[from] : 0;
        }
    }
    std::fill(out.codewords.begin() + out.rows * out.dataColumns, out.codewords.begin() + out.rows * stride,
              kEmptyCodeword);
}

}  // namespace

SymbolOutcome ReadRows(const ZrImage &image, const ScanSettings &settings, const MeasuredSymbol &symbol,
                       RowWork &work, SymbolRows &out) {
    const SymbolMetrics &metrics = symbol.metrics;
    if (metrics.columns < kMinColumns || metrics.columns > kMaxColumns || metrics.codewordWidth <= 0)
        return SymbolOutcome::kUnreadable;
    RowReader reader(image, settings.area, symbol, work, out);
    reader.Run();
    int dataColumns = metrics.columns - 2;
    out.dataColumns = out.readColumns = dataColumns;
    if (metrics.startSideColumns > 0) {
        // The left row indicators give the column count; columns the picture
        // does not hold stay empty.
        dataColumns = reader.IndicatedColumns();
        if (dataColumns == 0) return SymbolOutcome::kUnreadable;
        out.dataColumns = dataColumns;
        out.readColumns = std::min(dataColumns, metrics.startSideColumns - 1);
        Restride(out, kMaxColumns - 2);
    }
    // Rows missing at the end count as rows of unread (900) codewords.
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
