// The grey look's rows from its measured lines. A misread row indicator or
// a line without one must not put a line in a wrong row: the rows the
// indicators give are fitted with a straight line over the lines' places
// (the median of pairwise slopes, then the median offset), and each line
// goes to the row of its own cluster nearest the fit.
#include <algorithm>
#include <cmath>

#include "pdf417/codeword.hpp"
#include "pdf417/grey_look.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kFitPoints = 48;            // indicated lines the slope is taken from, evenly spread
constexpr double kRowReach = 1.0;         // rows a line's row may lie off the fit
constexpr double kNearbyLimit = 1.0;      // summed squared module errors of a nearest pattern taken
constexpr double kMinFitAgreement = 0.5;  // share of indicated lines the fit must place in their rows

struct RowFit {
    double slope = 0, offset = 0;  // row = offset + slope * n
    double At(int n) const { return offset + slope * n; }
};

// The straight fit of the indicated rows over the lines; false with too few
// indicated lines or when most of them disagree with it.
bool FitRows(GreyWork &work, RowFit &fit) {
    const auto &lines = work.lines;
    std::vector<double> &slopes = work.slopes;
    slopes.clear();
    int indicated = 0;
    for (const GreyLine &l : lines) indicated += l.indicated >= 0;
    if (indicated < 2) return false;
    const int stride = std::max(1, indicated / kFitPoints);
    // Pairs of indicated lines (every stride-th) on different lines.
    for (std::size_t i = 0, seen = 0; i < lines.size(); ++i) {
        if (lines[i].indicated < 0 || seen++ % static_cast<std::size_t>(stride) != 0) continue;
        for (std::size_t j = i + 1, seenJ = seen; j < lines.size(); ++j) {
            if (lines[j].indicated < 0 || seenJ++ % static_cast<std::size_t>(stride) != 0) continue;
            if (lines[j].n == lines[i].n) continue;
            slopes.push_back(static_cast<double>(lines[j].indicated - lines[i].indicated) /
                             (lines[j].n - lines[i].n));
        }
    }
    if (slopes.empty()) return false;
    const auto middle = slopes.begin() + static_cast<std::ptrdiff_t>(slopes.size() / 2);
    std::nth_element(slopes.begin(), middle, slopes.end());
    fit.slope = *middle;
    slopes.clear();
    for (const GreyLine &l : lines)
        if (l.indicated >= 0) slopes.push_back(l.indicated - fit.slope * l.n);
    const auto median = slopes.begin() + static_cast<std::ptrdiff_t>(slopes.size() / 2);
    std::nth_element(slopes.begin(), median, slopes.end());
    fit.offset = *median;
    int agree = 0;
    for (const GreyLine &l : lines)
        agree += l.indicated >= 0 && std::fabs(fit.At(l.n) - l.indicated) <= kRowReach;
    return agree >= kMinFitAgreement * indicated;
}

// The row of the line's cluster nearest the fit, or -1 when none lies within kRowReach.
int RowOf(const GreyLine &l, const RowFit &fit) {
    const double at = fit.At(l.n);
    const int near = static_cast<int>(std::floor(at + 0.5));
    for (int row = near - 1; row <= near + 1; ++row) {
        if (row >= 0 && row < kMaxRows && row % kClusterCount == l.cluster &&
            std::fabs(row - at) <= kRowReach)
            return row;
    }
    return -1;
}

// Votes of the row indicators' parts: the left one gives (rows - 1) / 3,
// the level and (rows - 1) % 3, and the data columns - 1 in rows of
// clusters 0, 1 and 2; the right one the same a cluster later.
struct IndicatorVotes {
    int thirds[30] = {}, remainder[3] = {}, levels[kLevels] = {}, columns[30] = {};
};

// Counts the indicators of every row, `best(row, column)` giving a cell's
// codeword; the right ones in `rightColumn`, none when -1.
template <typename Best>
void CountIndicators(const Best &best, int rightColumn, IndicatorVotes &votes) {
    for (int row = 0; row < kMaxRows; ++row) {
        for (const bool left : {true, false}) {
            if (!left && rightColumn < 0) continue;
            const GreyWork::Vote *v = best(row, left ? 0 : rightColumn);
            if (v == nullptr) continue;
            const int part = v->value % 30;
            switch (left ? row % 3 : (row + 2) % 3) {
                case 0:
                    ++votes.thirds[part];
                    break;
                case 1:
                    if (part / 3 < kLevels) ++votes.levels[part / 3];
                    ++votes.remainder[part % 3];
                    break;
                default:
                    ++votes.columns[part];
                    break;
            }
        }
    }
}

int Top(const int *votes, int n) {
    return static_cast<int>(std::max_element(votes, votes + n) - votes);
}

}  // namespace

SymbolOutcome AssembleGreyRows(const GreySide &side, int columns, GreyWork &work, MeasuredSymbol &symbol,
                               SymbolRows &out) {
    const bool stopSide = columns > 0;
    RowFit fit;
    if (!FitRows(work, fit)) return SymbolOutcome::kUnreadable;

    // Exact codewords vote for their cells; the others' widths, in modules, add up per cell.
    constexpr int kCells = kMaxRows * kMaxColumns;
    work.votes.assign(static_cast<std::size_t>(kCells * GreyWork::kVotesPerCell), GreyWork::Vote{});
    work.widthSums.assign(static_cast<std::size_t>(kCells * kElementsPerCodeword), 0.0);
    const auto cellOf = [](int row, int column) {
        return static_cast<std::size_t>(row * kMaxColumns + column);
    };
    const GreyLine *low = nullptr, *high = nullptr;
    int lowRow = 0, highRow = 0;
    for (const GreyLine &l : work.lines) {
        const int row = RowOf(l, fit);
        if (row < 0) continue;
        if (low == nullptr || l.n < low->n) low = &l, lowRow = row;
        if (high == nullptr || l.n > high->n) high = &l, highRow = row;
        for (int j = 0; j < l.cells; ++j) {
            const GreyReading &r = work.readings[l.first + static_cast<std::size_t>(j)];
            if (!r.measured) continue;
            if (r.value != kNoCodeword && r.section == l.cluster) {
                GreyWork::Vote *cell = &work.votes[cellOf(row, j) * GreyWork::kVotesPerCell];
                for (int k = 0; k < GreyWork::kVotesPerCell; ++k) {
                    if (cell[k].value >= 0 && cell[k].value != r.value) continue;
                    cell[k].value = r.value;
                    ++cell[k].lines;
                    break;
                }
            } else if (r.value == kNoCodeword) {
                double total = 0;
                for (const double w : r.widths) total += w;
                double *sum = &work.widthSums[cellOf(row, j) * kElementsPerCodeword];
                for (int k = 0; k < kElementsPerCodeword; ++k)
                    sum[k] += r.widths[k] * kModulesPerCodeword / total;
            }
        }
    }
    if (low == nullptr) return SymbolOutcome::kUnreadable;
    const auto best = [&work, &cellOf](int row, int column) -> const GreyWork::Vote * {
        const GreyWork::Vote *cell = &work.votes[cellOf(row, column) * GreyWork::kVotesPerCell];
        const GreyWork::Vote *top = nullptr;
        for (int k = 0; k < GreyWork::kVotesPerCell && cell[k].value >= 0; ++k) {
            if (top == nullptr || cell[k].lines > top->lines) top = &cell[k];
        }
        return top;
    };

    // Without a stop side the left indicators alone give the data columns,
    // and so the place of the right ones.
    IndicatorVotes votes;
    if (columns == 0) {
        CountIndicators(best, -1, votes);
        const int columnVote = Top(votes.columns, 30);
        if (votes.columns[columnVote] == 0) return SymbolOutcome::kUnreadable;
        columns = columnVote + 3;
        votes = IndicatorVotes{};
    }
    CountIndicators(best, columns - 1, votes);
    const int dataColumns = columns - 2;
    const int columnVote = Top(votes.columns, 30);
    if (votes.columns[columnVote] > 0 && columnVote + 1 != dataColumns) return SymbolOutcome::kUnreadable;
    const int level = Top(votes.levels, kLevels);
    if (votes.levels[level] == 0 || votes.thirds[Top(votes.thirds, 30)] == 0 ||
        votes.remainder[Top(votes.remainder, 3)] == 0)
        return SymbolOutcome::kUnreadable;
    const int rows = 3 * Top(votes.thirds, 30) + Top(votes.remainder, 3) + 1;
    if (rows < 3 || rows > kMaxRows || rows * dataColumns > kCodewordStore) return SymbolOutcome::kUnreadable;

    out.rows = rows;
    out.level = level;
    out.checkWords = 2 << level;
    out.dataColumns = out.readColumns = dataColumns;
    out.rowSeen.fill(false);
    const int count = rows * dataColumns;
    if (count <= out.checkWords) return SymbolOutcome::kUnreadable;
    out.codewords.assign(static_cast<std::size_t>(count), kEmptyCodeword);
    out.guessed.assign(static_cast<std::size_t>(count), 2);
    for (int row = 0; row < rows; ++row) {
        for (int j = 0; j < dataColumns; ++j) {
            const std::size_t at = static_cast<std::size_t>(row * dataColumns + j);
            if (const GreyWork::Vote *v = best(row, j + 1)) {
                out.codewords[at] = v->value;
                out.guessed[at] = 0;
                out.rowSeen[static_cast<std::size_t>(row)] = true;
                continue;
            }
            const double *sum = &work.widthSums[cellOf(row, j + 1) * kElementsPerCodeword];
            const NearestCodeword nearest = DecodeNearest(row % kClusterCount, sum);
            if (sum[0] > 0 && nearest.distance <= kNearbyLimit) {
                out.codewords[at] = nearest.value;
                out.guessed[at] = 1;
            }
        }
    }

    // Corners 1 and 4 on the start side at the first and last rows, 2 and 3
    // on the stop side, or where the columns end without one.
    constexpr double kStopModules = 18;
    const PointF u = side.along;
    const double stopLength = kStopModules * side.module;
    const double width = (columns + 1) * kModulesPerCodeword * side.module;
    PointF c1 = low->start, c4 = high->start;
    PointF c2 = stopSide ? low->stop + stopLength * u : c1 + width * u;
    PointF c3 = stopSide ? high->stop + stopLength * u : c4 + width * u;
    if (lowRow > highRow) std::swap(c1, c4), std::swap(c2, c3);
    symbol = MeasuredSymbol{};
    symbol.corners = {geom::RoundHalfUp(c1), geom::RoundHalfUp(c2), geom::RoundHalfUp(c3),
                      geom::RoundHalfUp(c4)};
    symbol.direction.angle = NormalizeAngle(std::atan2(-u.y, u.x) * 180 / 3.14159265358979323846);
    symbol.metrics.barColor = side.barColor;
    symbol.metrics.columns = columns;
    symbol.metrics.codewordWidth = geom::RoundHalfUp(17 * side.module);
    return SymbolOutcome::kRead;
}

}  // namespace zr::pdf417
