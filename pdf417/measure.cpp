// Measuring a symbol from its confirmed start point: the quiet zones and bar
// colour, the runs of one whole row, the start and stop patterns in either
// order, and the number of codeword columns.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "core/lines/axis_walk.hpp"
#include "core/lines/table_bits.hpp"
#include "pdf417/row_runs.hpp"
#include "pdf417/stages.hpp"

namespace zr::pdf417 {

namespace {
bool Within(int width, int expected, int tolerance) {
    return std::abs(width - expected) <= tolerance;
}
}  // namespace

int SumRuns(const std::vector<std::uint16_t> &r, int from, int count) {
    int sum = 0;
    for (int i = from; i < from + count; ++i) sum += r[i];
    return sum;
}

// Start pattern 8 1 1 1 1 1 1 3 at index i; `reversed` reads it backwards.
bool StartAt(const std::vector<std::uint16_t> &r, int i, bool reversed) {
    const int firstSmall = i + 1;
    const int wide = reversed ? i + 7 : i;
    const int m = geom::RoundHalfUp((reversed ? SumRuns(r, i + 1, 7) : SumRuns(r, i, 7)) / 14.0);
    if (m < 1 || r[wide] < 6 * m) return false;
    const int tolerance = std::max(m - 1, reversed ? 1 : 2);
    for (int k = 0; k < 6; ++k) {
        if (!Within(r[firstSmall + k], m, tolerance)) return false;
    }
    return true;
}

namespace {

constexpr int kPixelLimit = 4000;
constexpr int kStop[kStopRuns] = {7, 1, 1, 3, 1, 1, 1, 2, 1};
constexpr int kMinRowRuns = 16;  // shorter rows are not looked at
constexpr int kSeedRuns = 4;     // runs of each colour the candidate's means stand for

// The step tables along and back the row at its angle.
RowDirection RowStepsAt(double readingAngle) {
    RowDirection direction;
    direction.angle = readingAngle;
    StepTables &steps = direction.steps;
    lines::DirectionSteps(readingAngle, lines::kStepTableSize, steps[kAlong]);
    lines::DirectionSteps(NormalizeAngle(readingAngle - 180), lines::kStepTableSize, steps[kBack]);
    return direction;
}

// Adds the step tables across the rows.
void AddCrossSteps(RowDirection &direction) {
    StepTables &steps = direction.steps;
    lines::DirectionSteps(NormalizeAngle(direction.angle + 90), lines::kStepTableSize, steps[kUp]);
    lines::DirectionSteps(NormalizeAngle(direction.angle - 90), lines::kStepTableSize, steps[kDown]);
}

enum class RowEnd { kQuietZone, kAreaEdge, kNone };

// Walks runs along `table` from `start` until a run longer than its
// colour's limit (the quiet zone): `edge` is where that run begins and
// `quietLight` its colour. A symbol printed up to the picture's edge ends
// there instead (kAreaEdge, `edge` the last pixel inside). kNone when the
// pixel limit ends the walk first. The pixels are taken a word at a time and
// looked at run by run: a run ends the walk at the first of its pixels that
// makes it too wide, passes the pixel limit or is the last inside the area.
RowEnd FindRowEnd(const BitImageView &view, const Rect &area, PointI start, const StepTable &table,
                  const lines::AxisWalk &axis, RunMeans &means, bool forward, PointI &edge,
                  bool &quietLight) {
    lines::TableBits pixels(view, area, start, table, axis);
    bool light = pixels.NextChange(0, true) == 0;
    int runs = 0;
    // Narrow runs are passed a word at a time (NarrowRunPrefix) while both
    // means are at least one pixel, which every run added keeps, and their
    // sums whole numbers, so that adding a batch's widths at once gives the
    // sums run by run would.
    const auto whole = [](double v) { return v == std::floor(v); };
    const bool batches = whole(means.sum[0]) && whole(means.sum[1]) && means.sum[0] >= means.count[0] &&
                         means.sum[1] >= means.count[1];
    for (int first = 0;;) {  // the run's first pixel
        std::uint64_t bits = 0;
        const int count = batches ? pixels.PixelsFrom(first, bits) : 0;
        // Passed runs end inside the word and at most kPixelLimit - first on: none is
        // the walk's last nor passes the limit.
        const NarrowRuns narrow =
            count > 0 ? NarrowRunPrefix(bits, count, kPixelLimit - first) : NarrowRuns{};
        if (narrow.runs > 0) {
            const bool light0 = light;  // colour of the first run passed
            const int darkRuns = light0 ? narrow.runs / 2 : (narrow.runs + 1) / 2;
            means.sum[0] += narrow.dark;
            means.count[0] += darkRuns;
            means.sum[1] += narrow.end - narrow.dark;
            means.count[1] += narrow.runs - darkRuns;
            runs += narrow.runs;
            if (narrow.runs % 2 == 1) light = !light;
            first += narrow.end;
            continue;
        }
        const int change = pixels.NextChange(first, !light);
        const int width = change - first;
        const bool lastInside = change >= pixels.Walked() && pixels.Ended();
        const double mean = means.Mean(light);
        const double factor = forward && runs < 11 ? 9.0 : 5.0;
        // The widths at which the run is too wide and at which its pixel passes the limit.
        const double tooWide = factor * mean;
        const int limitAt = kPixelLimit + 1 - first;
        if (width > tooWide && mean > 0 && static_cast<int>(std::floor(tooWide)) + 1 <= limitAt) {
            edge = pixels.At(first);
            quietLight = light;
            return RowEnd::kQuietZone;
        }
        if (limitAt <= width) return RowEnd::kNone;
        if (lastInside) {
            // A wide run at the edge is a quiet zone cut by the picture.
            const bool wide = width > 2.0 * mean;
            edge = pixels.At(wide ? first : change - 1);
            quietLight = light;
            return wide ? RowEnd::kQuietZone : RowEnd::kAreaEdge;
        }
        means.Add(light, width);
        ++runs;
        light = !light;
        first = change;
    }
}

}  // namespace

// Stop pattern 7 1 1 3 1 1 1 2 1 at index i (at least 7 of 9 agree), or
// reversed (at least 8 of 9 agree, with the tighter tolerance: the wide bar of
// a blurred, turned symbol may miss by more than a module).
bool StopAt(const std::vector<std::uint16_t> &r, int i, bool reversed) {
    const int u = geom::RoundHalfUp(SumRuns(r, i, kStopRuns) / 18.0);
    if (u < 1) return false;
    const int tolerance = std::max(u - 1, reversed ? 1 : 2);
    int agree = 0;
    for (int k = 0; k < kStopRuns; ++k) {
        const int expected = kStop[reversed ? kStopRuns - 1 - k : k] * u;
        if (Within(r[i + k], expected, tolerance)) ++agree;
    }
    return agree >= (reversed ? kStopRuns - 1 : 7);
}

NarrowRuns NarrowRunPrefix(std::uint64_t bits, int count, int maxEnd) {
    const auto top = [](int n) {
        return n <= 0 ? 0 : n >= 64 ? ~std::uint64_t{0} : ~(~std::uint64_t{0} >> n);
    };
    // Bit 63 - k of `changes`: pixel k differs from pixel k + 1 (k + 1 < count).
    const std::uint64_t pairs = top(count - 1);
    const std::uint64_t changes = (bits ^ (bits << 1)) & pairs;
    // Bit 63 - k of `wide`: pixels k to k + kNeverQuietWidth alike, the first
    // pixel of a run too wide to pass; no run ending before it is.
    const std::uint64_t same = ~changes & pairs;
    std::uint64_t wide = same;
    for (int k = 1; k < kNeverQuietWidth; ++k) wide &= same << k;
    const int firstWide = wide == 0 ? 64 : __builtin_clzll(wide);
    // Changes at pixel k + 1 <= limit end the runs passed.
    const int limit = std::min(std::min(firstWide, maxEnd), count - 1);
    const std::uint64_t ends = changes & top(limit);
    NarrowRuns prefix;
    if (ends == 0) return prefix;
    prefix.end = 64 - __builtin_ctzll(ends);
    prefix.runs = lines::PopCount64(ends);
    prefix.dark = lines::PopCount64(bits & top(prefix.end));
    return prefix;
}

bool NearEndHoldsPattern(const std::vector<std::uint16_t> &r) {
    if (static_cast<int>(r.size()) < kNearEndRuns) return false;
    for (int i = 0; i <= kPatternSlack; i += 2) {
        if (StartAt(r, i, false) || StopAt(r, i, true)) return true;
    }
    return false;
}

// The pixels are taken a word at a time and each run found by its colour
// change: a run closes the row as soon as its width passes the bound, which
// it does exactly when its whole width does.
// Inside this file, where MeasureRow's call inlines it.
namespace {
__attribute__((always_inline)) inline bool CollectRowRuns(lines::TableBits &pixels, bool nearQuiet,
                                                          std::uint8_t barColor, RunMeans &means,
                                                          RowLead lead, RowWork &work) {
    auto &runs = work.runs;
    auto &starts = work.runStarts;
    runs.clear();
    starts.clear();
    const bool barLight = barColor == kLightBars;
    // Whether pixel i lies on the walk; asked in increasing order only.
    const auto onWalk = [&](int i) {
        std::uint64_t bits = 0;
        return pixels.PixelsFrom(i, bits) > 0;
    };
    // Whether the run NextChange ended at `change` reaches the walk's end.
    const auto toEnd = [&](int change) { return pixels.Ended() && change >= pixels.Walked(); };
    int first = nearQuiet ? 1 : 0;
    if (!onWalk(first)) return false;
    // A row cut by the area's edge may begin on background narrower than a
    // quiet zone (the row-end search said so); the second look passes over all of it.
    const int bar = pixels.NextChange(first, barLight);  // background is dark exactly when bars are light
    if (lead == RowLead::kShortSkip && bar - first > kShortLead) {
        work.quietZoneInDoubt = true;
        return false;
    }
    if (toEnd(bar)) return false;
    first = bar;
    bool light = barLight;
    starts.push_back(pixels.At(first));
    // Only a background run can close the row, and the means change only
    // where a run ends, so the bound is worked out once a run.
    const auto quietBound = [&] {
        return light != barLight ? 5.0 * means.Mean(light) : std::numeric_limits<double>::infinity();
    };
    double quietAbove = quietBound();
    for (;;) {
        const int change = pixels.NextChange(first, !light);
        const int width = change - first;
        if (width > quietAbove) break;  // the closing quiet zone
        if (toEnd(change)) {
            // The area ends the row: an unfinished bar is the symbol's last, an unfinished space is dropped.
            if (light == barLight) {
                runs.push_back(static_cast<std::uint16_t>(std::min(width, 0xFFFF)));
                starts.push_back(pixels.At(change - 1));
            }
            break;
        }
        runs.push_back(static_cast<std::uint16_t>(std::min(width, 0xFFFF)));
        if (static_cast<int>(runs.size()) >= kMaxRowRuns) return false;
        // MeasureRow looks for its near-end pattern in these runs only, and
        // they are final once collected: a row without it is let go here
        // rather than after walking to its far end (most rows in noise).
        if (static_cast<int>(runs.size()) == kNearEndRuns && lead != RowLead::kStartSide &&
            !NearEndHoldsPattern(runs))
            return false;
        means.Add(light, width);
        light = !light;
        quietAbove = quietBound();
        first = change;
        starts.push_back(pixels.At(first));
    }
    // starts[k] is where run k begins; starts[runs.size()] where the row ends.
    int maxBar = 0, minBar = 1 << 30, maxSpace = 0;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        if (k % 2 == 0) {
            maxBar = std::max<int>(maxBar, runs[k]);
            minBar = std::min<int>(minBar, runs[k]);
        } else {
            maxSpace = std::max<int>(maxSpace, runs[k]);
        }
    }
    return maxBar <= 200 && maxSpace <= 200 && maxBar >= 5 * minBar;
}
}  // namespace

bool CollectRow(lines::TableBits &pixels, bool nearQuiet, std::uint8_t barColor, RunMeans &means,
                RowLead lead, RowWork &work) {
    return CollectRowRuns(pixels, nearQuiet, barColor, means, lead, work);
}

namespace {

// The row's runs from its near end in the row's bar colour, its patterns and
// column count.
// Out of line: the row walk compiles tighter apart from MeasureSymbol's walks.
__attribute__((noinline)) std::optional<MeasuredRow> MeasureRow(
    const ZrImage &image, const ScanSettings &settings, MeasuredRow row, RunMeans &means, PointI nearEdge,
    bool nearQuiet, const lines::AxisWalk &alongWalk, RowLead lead, RowWork &work) {
    SymbolMetrics &metrics = row.metrics;
    // The row begins one step inside the quiet zone, or at the picture's edge.
    lines::TableBits pixels(BitImageView(image), settings.area, nearEdge, row.direction.steps[kAlong],
                            alongWalk);
    if (!CollectRowRuns(pixels, nearQuiet, metrics.barColor, means, lead, work)) return std::nullopt;
    metrics.meanDark = means.Mean(false);
    metrics.meanLight = means.Mean(true);

    const auto &r = work.runs;
    const int n = static_cast<int>(r.size());
    if (n < kMinRowRuns) return std::nullopt;
    if (lead == RowLead::kStartSide) {
        AddCrossSteps(row.direction);
        return StartSideRow(row, work) ? std::optional<MeasuredRow>(row) : std::nullopt;
    }
    int startIndex = -1, stopIndex = -1;
    for (int i = 0; i <= kPatternSlack && startIndex < 0; i += 2) {
        if (i + kStartRuns <= n && StartAt(r, i, false)) startIndex = i;
    }
    for (int j = 0; j <= kPatternSlack && stopIndex < 0; j += 2) {
        const int s = n - kStopRuns - j;
        if (s >= 0 && StopAt(r, s, false)) stopIndex = s;
    }
    bool reversed = false;
    if (startIndex < 0 || stopIndex < 0 || stopIndex < startIndex + kStartRuns) {
        startIndex = stopIndex = -1;
        for (int i = 0; i <= kPatternSlack && stopIndex < 0; i += 2) {
            if (i + kStopRuns <= n && StopAt(r, i, true)) stopIndex = i;
        }
        for (int j = 0; j <= kPatternSlack && startIndex < 0; j += 2) {
            const int s = n - kStartRuns - j;
            if (s >= 0 && StartAt(r, s, true)) startIndex = s;
        }
        if (startIndex < 0 || stopIndex < 0 || startIndex < stopIndex + kStopRuns) return std::nullopt;
        reversed = true;
    }

    const double t = SumRuns(r, startIndex, kStartRuns);
    const double s = SumRuns(r, stopIndex, kStopRuns);
    const int between = reversed ? SumRuns(r, stopIndex + kStopRuns, startIndex - stopIndex - kStopRuns)
                                 : SumRuns(r, startIndex + kStartRuns, stopIndex - startIndex - kStartRuns);
    metrics.columns = geom::RoundHalfUp(between / ((s / 18.0 + t / 17.0) * 8.5));
    if (metrics.columns < kMinColumns || metrics.columns > kMaxColumns) return std::nullopt;
    // The first look divides the whole row; the second only the runs from
    // pattern to pattern, which leaves out print met beside a narrow quiet zone.
    const int first = reversed ? stopIndex : startIndex;
    const int end = reversed ? startIndex + kStartRuns : stopIndex + kStopRuns;
    metrics.codewordWidth =
        (lead == RowLead::kAnyBackground ? SumRuns(r, first, end - first) : SumRuns(r, 0, n)) /
        (metrics.columns + 2);
    if (metrics.codewordWidth < kMinCodewordWidth) return std::nullopt;

    AddCrossSteps(row.direction);
    const auto &at = work.runStarts;
    PatternEdges &edges = row.edges;
    if (!reversed) {
        edges.startOuter = at[startIndex];
        edges.startInner = at[startIndex + 7];
        edges.stopFirst = at[stopIndex];
        edges.rowEnd = at[lead == RowLead::kAnyBackground ? stopIndex + kStopRuns : n];
    } else {
        edges.startOuter = at[startIndex + kStartRuns];
        edges.startInner = at[startIndex + 1];
        edges.stopFirst = at[stopIndex + kStopRuns];
        edges.rowEnd = at[stopIndex];
        StepTables &steps = row.direction.steps;
        std::swap(steps[kAlong], steps[kBack]);
        std::swap(steps[kUp], steps[kDown]);
        row.direction.angle = NormalizeAngle(row.direction.angle + 180);
    }
    row.reversed = reversed;
    return row;
}

}  // namespace

RowWork::RowWork() {
    runs.reserve(kMaxRowRuns);
    runStarts.reserve(kMaxRowRuns + 1);
}

double NormalizeAngle(double degrees) {
    if (!std::isfinite(degrees)) return 0;
    degrees = std::fmod(degrees, 360.0);
    if (degrees < 0) degrees += 360.0;
    if (degrees >= 360.0) degrees -= 360.0;
    return degrees;
}

RowDirection DirectionAt(double readingAngle) {
    RowDirection direction = RowStepsAt(readingAngle);
    AddCrossSteps(direction);
    return direction;
}

std::optional<MeasuredRow> MeasureSymbol(const ZrImage &image, const ScanSettings &settings,
                                         const StartCandidate &candidate, RowWork &work, RowLead lead) {
    work.quietZoneInDoubt = false;
    MeasuredRow row;
    // The tables across the rows are added once a row is measured (MeasureRow).
    row.direction = RowStepsAt(candidate.angle);
    RunMeans means;
    means.sum[0] = candidate.meanDark * kSeedRuns;
    means.sum[1] = candidate.meanLight * kSeedRuns;
    means.count[0] = means.count[1] = kSeedRuns;

    // The quiet zones at both ends of the row decide the bar colour.
    const BitImageView view(image);
    PointI farEdge, nearEdge;
    bool farLight = false, nearLight = false;
    const StepTables &steps = row.direction.steps;
    const lines::AxisWalk alongWalk(steps[kAlong]);
    const RowEnd far = FindRowEnd(view, settings.area, candidate.start, steps[kAlong], alongWalk, means, true,
                                  farEdge, farLight);
    RunMeans back = means;
    const lines::AxisWalk backWalk(steps[kBack], steps[kAlong], alongWalk);  // mostly the reversed walk along
    const RowEnd near = FindRowEnd(view, settings.area, candidate.start, steps[kBack], backWalk, back, false,
                                   nearEdge, nearLight);
    if (far == RowEnd::kNone || near == RowEnd::kNone) return std::nullopt;
    // Both ends quiet but of different colours: the wide start or stop bar,
    // met after many narrow bars, can pass for a quiet zone, so both colours
    // are tried, the near end's first. A row between two picture edges is
    // taken for dark bars.
    bool colours[2] = {true, true};
    int count = 1;
    if (far == RowEnd::kQuietZone && near == RowEnd::kQuietZone) {
        colours[0] = nearLight;
        colours[1] = farLight;
        count = farLight != nearLight ? 2 : 1;
    } else if (far == RowEnd::kQuietZone) {
        colours[0] = farLight;
    } else if (near == RowEnd::kQuietZone) {
        colours[0] = nearLight;
    }
    // The second look also tries the other colour when the ends agreed on one:
    // dark print closer than the first look's quiet zone passes for one.
    if (count == 1 && lead != RowLead::kShortSkip) {
        colours[1] = !colours[0];
        count = 2;
    }
    const bool oneColour = count == 1;
    for (int k = 0; k < count; ++k) {
        const bool quietLight = colours[k];
        if (quietLight && !(settings.barColors & kDarkBars)) continue;
        if (!quietLight && !(settings.barColors & kLightBars)) continue;
        row.metrics.barColor = quietLight ? kDarkBars : kLightBars;
        RunMeans rowMeans = means;
        if (auto measured = MeasureRow(image, settings, row, rowMeans, nearEdge, near == RowEnd::kQuietZone,
                                       alongWalk, lead, work))
            return measured;
    }
    if (oneColour) work.quietZoneInDoubt = true;
    return std::nullopt;
}

}  // namespace zr::pdf417
