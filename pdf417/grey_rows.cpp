// Rows on grey levels from a start side: probes across the symbol find the
// stop pattern and so the column count and the stop side; then lines along
// the rows, a fraction of a module apart, are sampled between both sides.
// On each line the start and stop patterns' edges fix the codeword grid,
// and each codeword whose grid cell holds exactly eight elements is decoded
// from their widths (grey_assembly.cpp places the lines in rows). Without a
// stop side the cells are chained from the start pattern to the quiet zone
// and the left row indicators give the columns; lines past the ends of a
// short start pattern are placed by the left row indicator, and the side is
// refitted through the lines read (grey_refit.cpp).
#include <algorithm>
#include <cmath>

#include "pdf417/codeword.hpp"
#include "pdf417/grey_look.hpp"
#include "pdf417/line_cut.hpp"
#include "pdf417/row_runs.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kProbes = 7;
constexpr int kMinAgreeingProbes = 2;
constexpr double kQuietModules = 2;  // sampled before the start and after the stop pattern
constexpr double kStopModules = 18;
constexpr double kGridSlack = 0.35;     // codeword widths a stop pattern may lie off the grid
constexpr double kPatternReach = 1.5;   // modules a line's pattern edge may lie off the side
constexpr double kBoundaryReach = 0.6;  // modules a codeword's first edge may lie off the grid
constexpr int kMinExactInLine = 2;      // exact codewords that decide a line's cluster
constexpr double kRowGapModules = 6;    // lines of one row lie closer together

// The cluster section of a line: most of its exact codewords, at least
// kMinExactInLine of them; else the section whose nearest patterns lie
// nearest in sum, under the limit the bi-level rows keep (line_cut.hpp),
// codewords not measured counting kNotGoodDistance. -1 when undecided.
int LineCluster(const GreyReading *readings, int columns, const int sections[kClusterCount]) {
    const int exact = static_cast<int>(std::max_element(sections, sections + kClusterCount) - sections);
    int rivals = 0;
    for (int k = 0; k < kClusterCount; ++k) rivals += k != exact && sections[k] >= sections[exact];
    if (sections[exact] >= kMinExactInLine && rivals == 0) return exact;
    const double limit = kClusterLimitPerColumn * columns;
    int best = -1;
    double bestSum = limit;
    for (int k = 0; k < kClusterCount; ++k) {
        if (sections[k] < sections[exact]) continue;  // another section has more exact codewords
        double sum = 0;
        for (int j = 0; j < columns && sum < bestSum; ++j) {
            const GreyReading &r = readings[j];
            sum += !r.measured              ? kNotGoodDistance
                   : r.value != kNoCodeword ? (r.section == k ? 0.0 : kNotGoodDistance)
                                            : DecodeNearest(k, r.widths).distance;
        }
        if (sum < bestSum) best = k, bestSum = sum;
    }
    return best;
}

// Samples `count` levels from `from` in steps `step` (bilinear); fewer when the line leaves the plane.
int Sample(const GreyPlane &plane, const Rect &area, PointF from, PointF step, int count,
           std::vector<std::uint8_t> &out) {
    out.resize(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const double x = from.x + i * step.x - 0.5, y = from.y + i * step.y - 0.5;
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        if (x0 < area.x0 || y0 < area.y0 || x0 + 1 >= area.x1 || y0 + 1 >= area.y1) return i;
        const double fx = x - x0, fy = y - y0;
        const std::uint8_t *r0 = plane.Row(y0) + x0;
        const std::uint8_t *r1 = r0 + plane.width;
        const double v = (1 - fy) * ((1 - fx) * r0[0] + fx * r0[1]) + fy * ((1 - fx) * r1[0] + fx * r1[1]);
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v + 0.5);
    }
    return count;
}

// The edge nearest `position` after which a bar begins, within `reach`; -1 when none.
int NearestBarStart(const std::vector<edges::GreyEdge> &edges, double position, double reach,
                    std::uint8_t barColor) {
    int best = -1;
    double bestDistance = reach;
    const auto first = std::lower_bound(edges.begin(), edges.end(), position - reach,
                                        [](const edges::GreyEdge &e, double p) { return e.position < p; });
    for (auto it = first; it != edges.end() && it->position <= position + reach; ++it) {
        const int i = static_cast<int>(it - edges.begin());
        const double d = std::fabs(it->position - position);
        if (BarAfter(edges, i, barColor) && d <= bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

// Where the ray p + t u meets the line through s along f: t, or -1.
double RayToLine(PointF p, PointF u, PointF s, PointF f) {
    const double denominator = geom::Cross(u, f);
    if (std::fabs(denominator) < 1e-6) return -1;
    return geom::Cross(s - p, f) / denominator;
}

struct StopSide {
    int columns = 0;  // codeword columns with both row indicators
    PointF point, direction;
};

// The stop pattern on probes across the symbol: a whole number of codeword
// widths after the
// start pattern, with a quiet zone after it. Print inside the symbol may
// look like a stop pattern on one probe, not at the same place on the
// others, and only the symbol's own stop has the quiet zone beyond it and
// no symbol after it: the column count is the largest that at least half as
// many probes hold a stop pattern for as the count most hold one for; the
// stop side runs through their stop patterns.
bool FindStopSide(const GreyPlane &plane, const Rect &area, const GreySide &side, double step, GreyWork &work,
                  StopSide &stop) {
    const double m = side.module;
    const PointF u = side.along;
    const PointF e = Unit(side.last - side.first);
    const int length =
        static_cast<int>((17 * (kMaxColumns + 1) + kStopModules + 2 * kQuietModules) * m / step);
    int votes[kMaxColumns + 1] = {};
    PointF pointOf[kProbes][kMaxColumns + 1];
    bool found[kProbes][kMaxColumns + 1] = {};
    for (int k = 0; k < kProbes; ++k) {
        const PointF p = geom::Lerp(side.first, side.last, (k + 0.5) / kProbes) - kQuietModules * m * u;
        const int n = Sample(plane, area, p, step * u, length, work.profile);
        const auto &edges = work.finder.Find(work.profile.data(), n);
        const int start =
            NearestBarStart(edges, kQuietModules * m / step, kPatternReach * m / step, side.barColor);
        if (start < 0 || start + kStartRuns >= static_cast<int>(edges.size())) continue;
        GreyRuns(edges, work.runs);
        const int runs = static_cast<int>(work.runs.size());
        const auto at = [&edges](int i) { return edges[static_cast<std::size_t>(i)].position; };
        for (int j = start + kStartRuns + 1; j + kStopRuns <= runs; ++j) {
            if (!BarAfter(edges, j, side.barColor) || !StopAt(work.runs, j, false)) continue;
            const double d = (at(j) - at(start)) / (17 * m / step);
            const int whole = static_cast<int>(d + 0.5);
            const int columns = whole - 1;
            if (std::fabs(d - whole) > kGridSlack || columns < kMinColumns || columns > kMaxColumns) continue;
            const bool quiet = j + kStopRuns >= runs || work.runs[static_cast<std::size_t>(j + kStopRuns)] >=
                                                            kQuietModules * m / step * kGreyRunScale;
            if (!quiet || found[k][columns]) continue;
            found[k][columns] = true;
            ++votes[columns];
            pointOf[k][columns] = p + (at(j) * step) * u;
        }
    }
    const int most = *std::max_element(votes, votes + kMaxColumns + 1);
    int best = 0;
    for (int c = kMinColumns; c <= kMaxColumns; ++c) {
        if (votes[c] >= std::max(kMinAgreeingProbes, (most + 1) / 2)) best = c;
    }
    if (best == 0) return false;
    // Through the first and last agreeing probes' stop patterns; parallel to the start side with one.
    int first = -1, last = -1;
    for (int k = 0; k < kProbes; ++k) {
        if (!found[k][best]) continue;
        if (first < 0) first = k;
        last = k;
    }
    stop.columns = best;
    stop.point = pointOf[first][best];
    stop.direction = last - first >= 2 ? Unit(pointOf[last][best] - pointOf[first][best]) : e;
    if (geom::Dot(stop.direction, e) < 0.9) stop.direction = e;
    return true;
}

// Decodes a cell's eight widths: its section and exact codeword, counted in `sections`.
void DecodeCell(GreyReading &r, int sections[kClusterCount]) {
    r.measured = true;
    char digits[kElementsPerCodeword];
    if (!ModulesOf(r.widths, digits)) return;
    r.section = SectionOfBars(digits[0] - '0', digits[2] - '0', digits[4] - '0', digits[6] - '0');
    r.value = r.section >= 0 ? FindPattern(r.section, digits) : kNoCodeword;
    if (r.value != kNoCodeword) ++sections[r.section];
}

// Where a line's codeword grid begins (`s0`, the start pattern's first bar)
// and the start pattern's width when the line crosses it. A start pattern
// may be shorter than the rows: on a line past its ends the left row
// indicator's first bar, a codeword further on, places the grid. False when
// neither lies where the side puts it.
bool GridOrigin(const std::vector<edges::GreyEdge> &edges, double quiet, double codeword, double reach,
                std::uint8_t barColor, double &s0, double &patternWidth) {
    patternWidth = 0;
    const int start = NearestBarStart(edges, quiet, reach, barColor);
    if (start >= 0) {
        s0 = edges[static_cast<std::size_t>(start)].position;
        const std::size_t end = static_cast<std::size_t>(start + kStartRuns);
        if (end < edges.size()) patternWidth = edges[end].position - s0;
        return true;
    }
    const int indicator = NearestBarStart(edges, quiet + codeword, reach, barColor);
    if (indicator < 0) return false;
    s0 = edges[static_cast<std::size_t>(indicator)].position - codeword;
    return true;
}

// The cells of a line without a stop side (a symbol cut at its stop side, or
// one printed without a stop pattern): each codeword's first bar is looked
// for a codeword width after the last one found, that width the mean of the
// start pattern's and the cells' measured so far, so that a module a little
// off does not add up along the line. The line ends at the quiet zone; the
// last cell's closing space runs into it and is what the width leaves of
// the cell. The cells reached.
int ChainCells(const std::vector<edges::GreyEdge> &edges, double s0, double codeword, double boundary,
               double quiet, std::uint8_t barColor, GreyReading *readings, int sections[kClusterCount]) {
    const auto at = [&edges](int i) { return edges[static_cast<std::size_t>(i)].position; };
    const int count = static_cast<int>(edges.size());
    double widthSum = codeword, previous = s0;
    int widthCount = 1, cells = 0;
    for (int j = 0; j < kMaxColumns; ++j) {
        const double width = widthSum / widthCount;
        const int a = NearestBarStart(edges, previous + width, boundary, barColor);
        if (a < 0) {
            previous += width;
            if (previous > at(count - 1)) break;
            continue;
        }
        cells = j + 1;
        previous = at(a);
        GreyReading &r = readings[j];
        const int b = NearestBarStart(edges, previous + width, boundary, barColor);
        const int last = a + kElementsPerCodeword - 1;  // edge where the closing space begins
        if (b == a + kElementsPerCodeword) {
            for (int k = 0; k < kElementsPerCodeword; ++k) r.widths[k] = at(a + k + 1) - at(a + k);
            widthSum += at(b) - previous, ++widthCount;
            DecodeCell(r, sections);
            continue;
        }
        const bool quietAfter =
            last < count && (last + 1 == count || at(last + 1) >= previous + width + quiet);
        if (b >= 0 || !quietAfter || at(last) >= previous + width) continue;
        for (int k = 0; k + 1 < kElementsPerCodeword; ++k) r.widths[k] = at(a + k + 1) - at(a + k);
        r.widths[kElementsPerCodeword - 1] = previous + width - at(last);
        DecodeCell(r, sections);
        break;
    }
    return cells;
}

// The lines of the symbol of a start side into `work.lines`, and its
// codeword columns (0 when it has no stop side); false when none reads.
bool MeasureLines(const GreyPlane &plane, const Rect &area, const GreySide &side, GreyWork &work,
                  int &columnsOut) {
    const double m = side.module;
    const double step = std::clamp(m / 2, 0.5, 1.0);
    // Without a stop side the column count comes from the left row indicator.
    StopSide stop;
    const bool stopSide = FindStopSide(plane, area, side, step, work, stop);
    const int columns = stopSide ? stop.columns : 0;
    const int cellsPerLine = stopSide ? columns : kMaxColumns;
    const PointF u = side.along;
    const PointF e = Unit(side.last - side.first);
    const double codewordSamples = kModulesPerCodeword * m / step;
    work.lines.clear();
    work.readings.clear();

    // Line n: its codeword cells cut by the start and stop patterns' edges,
    // or chained from the start pattern without a stop side; kept when its
    // cluster is decided.
    const auto measureLine = [&](int n) -> bool {
        const PointF p = side.first + (n * step) * e;
        const double span = stopSide ? RayToLine(p, u, stop.point, stop.direction)
                                     : kModulesPerCodeword * (kMaxColumns + 1) * m;
        if (span <= 0) return false;
        const PointF from = p - kQuietModules * m * u;
        const int count = static_cast<int>((span + (kStopModules + 2 * kQuietModules) * m) / step);
        const int sampled = Sample(plane, area, from, step * u, count, work.profile);
        const auto &edges = work.finder.Find(work.profile.data(), sampled);
        const double reach = kPatternReach * m / step;
        const double boundary = kBoundaryReach * m / step;
        double s0 = 0, patternWidth = 0;
        if (edges.empty() || !GridOrigin(edges, kQuietModules * m / step, codewordSamples, reach,
                                         side.barColor, s0, patternWidth))
            return false;
        const std::size_t first = work.readings.size();
        work.readings.resize(first + static_cast<std::size_t>(cellsPerLine));
        GreyReading *readings = &work.readings[first];
        int sections[kClusterCount] = {};
        int cells = columns;
        if (stopSide) {
            const int end = NearestBarStart(edges, (span + kQuietModules * m) / step, reach, side.barColor);
            if (end < 0 || edges[static_cast<std::size_t>(end)].position <= s0) {
                work.readings.resize(first);
                return false;
            }
            const double codeword = (edges[static_cast<std::size_t>(end)].position - s0) / (columns + 1);
            const double cellBoundary = kBoundaryReach * codeword / 17;
            for (int j = 0; j < columns; ++j) {
                GreyReading &r = readings[j];
                const int a = NearestBarStart(edges, s0 + (j + 1) * codeword, cellBoundary, side.barColor);
                const int b = NearestBarStart(edges, s0 + (j + 2) * codeword, cellBoundary, side.barColor);
                if (a < 0 || b != a + kElementsPerCodeword) continue;
                for (int k = 0; k < kElementsPerCodeword; ++k)
                    r.widths[k] = edges[static_cast<std::size_t>(a + k + 1)].position -
                                  edges[static_cast<std::size_t>(a + k)].position;
                DecodeCell(r, sections);
            }
        } else {
            // The start pattern's own width, when the line holds it whole, is the first codeword width.
            constexpr double kPatternAgreement = 0.2;
            const bool patternFits =
                std::fabs(patternWidth - codewordSamples) <= kPatternAgreement * codewordSamples;
            cells = ChainCells(edges, s0, patternFits ? patternWidth : codewordSamples, boundary,
                               kQuietModules * m / step, side.barColor, readings, sections);
        }
        const int cluster = cells > 0 ? LineCluster(readings, cells, sections) : -1;
        if (cluster < 0) {
            work.readings.resize(first);
            return false;
        }
        // The row the indicators give: both alike, or one of them; the left
        // one alone without a stop side, which places the right one.
        const auto indicated = [&](int j) {
            const GreyReading &r = readings[j];
            return r.value != kNoCodeword && r.section == cluster ? 3 * (r.value / 30) + cluster : -1;
        };
        const int left = indicated(0), right = stopSide ? indicated(columns - 1) : -1;
        GreyLine line;
        line.n = n;
        line.cluster = cluster;
        line.indicated = left >= 0 && right >= 0 ? (left == right ? left : -1) : std::max(left, right);
        line.start = p;
        line.origin = from + (s0 * step) * u;
        line.stop = p + (stopSide ? span : (cells + 1) * codewordSamples * step) * u;
        line.first = first;
        line.cells = cellsPerLine;
        work.lines.push_back(line);
        return true;
    };
    // From the side's first end to its last, then on beyond either end while
    // lines still read: the hits place the ends only to a line spacing, and
    // the start pattern may be shorter than the rows.
    const int lines = static_cast<int>(geom::Distance(side.first, side.last) / step) + 1;
    const int patience = static_cast<int>(kRowGapModules * m / step) + 2;
    for (int n = 0; n < lines; ++n) measureLine(n);
    if (work.lines.empty()) return false;
    for (int n = lines, misses = 0; misses <= patience && n < lines + kMaxRows * patience; ++n)
        misses = measureLine(n) ? 0 : misses + 1;
    for (int n = -1, misses = 0; misses <= patience && n > -kMaxRows * patience; --n)
        misses = measureLine(n) ? 0 : misses + 1;
    columnsOut = columns;
    return true;
}

}  // namespace

SymbolOutcome ReadGreyRows(const GreyPlane &plane, const Rect &area, const GreySide &side, GreyWork &work,
                           MeasuredSymbol &symbol, SymbolRows &out) {
    const double step = std::clamp(side.module / 2, 0.5, 1.0);
    int columns = 0;
    if (!MeasureLines(plane, area, side, work, columns)) return SymbolOutcome::kUnreadable;
    // Lines read well beyond a short start pattern: their origins give the
    // side again, over a longer reach each time.
    constexpr int kRefits = 3;
    GreySide current = side, refitted;
    for (int k = 0; k < kRefits && RefitSide(current, step, work, refitted); ++k) {
        current = refitted;
        if (!MeasureLines(plane, area, current, work, columns)) return SymbolOutcome::kUnreadable;
    }
    return AssembleGreyRows(current, columns, work, symbol, out);
}

}  // namespace zr::pdf417
