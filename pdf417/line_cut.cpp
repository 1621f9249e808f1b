// Greedy segmentation by codeword width, and for damaged lines the cut by
// expected position; the cut with the most codewords is kept.
#include "pdf417/line_cut.hpp"

#include <cmath>

#include "pdf417/codeword.hpp"

namespace zr::pdf417 {

namespace {
constexpr int kStartRuns = 8;
constexpr int kStopRuns = 9;
}  // namespace

// Cuts the line into segments of eight runs of about one codeword width.
bool LineCutter::Cut(const std::vector<std::uint16_t> &runs, int columns, double nominal, bool stopPattern) {
    runs_ = &runs;
    columns_ = columns;
    const auto &r = runs;
    const int n = static_cast<int>(r.size());
    // A symbol seen in perspective has wider codewords at one end: the
    // codeword width runs from the start pattern's to the stop pattern's.
    double first = nominal, last = nominal;
    if (stopPattern && n >= kStartRuns + kStopRuns) {
        first = 0;
        last = 0;
        for (int i = 0; i < kStartRuns; ++i) first += r[i];
        for (int i = n - kStopRuns; i < n; ++i) last += r[i];
        last = last * kModulesPerCodeword / 18.0;
        if (std::fabs(first - nominal) > 0.25 * nominal || std::fabs(last - nominal) > 0.25 * nominal)
            first = last = nominal;
    }
    segmentCount_ = 0;
    int index = 0;
    const int tail = stopPattern ? kStopRuns : 0;
    while (index + 6 < n - tail && (stopPattern || segmentCount_ <= columns_)) {
        if (segmentCount_ >= kMaxSegments) return false;
        // Past columns + 1 segments the greedy cut is not kept, and only
        // whether it reaches kMaxSegments counts. Each segment takes two runs
        // or more, so at most ceil(left / 2) more start: when even that many
        // stay within the cap, the rest of the cut cannot change the result.
        const int left = n - tail - 6 - index;
        if (segmentCount_ > columns_ + 1 && segmentCount_ + (left + 1) / 2 <= kMaxSegments) break;
        const double a = first + (last - first) * segmentCount_ / (columns_ + 1);
        int count = 2;
        double c = r[index] + r[index + 1];
        while (count < 8 && index + count + 1 < n && c + r[index + count] + r[index + count + 1] <= 1.1 * a) {
            c += r[index + count] + r[index + count + 1];
            count += 2;
        }
        bool good = count == 8 && std::fabs(c - a) <= 0.1 * a;
        if (count == 8 && !good && c < a) {
            while (index + count + 1 < n && c + r[index + count] + r[index + count + 1] <= a + 4) {
                c += r[index + count] + r[index + count + 1];
                count += 2;
            }
        }
        Segment &s = Current()[segmentCount_++];
        s.first = index;
        s.count = count;
        s.good = good;
        index += count;
    }
    const bool counted = segmentCount_ == columns_ + 1;
    if (counted) {
        // Module counts only for a cut with the right count: the others are
        // given up for the cut by position.
        for (int j = 0; j < segmentCount_; ++j) {
            Segment &s = Current()[j];
            Round(s);
        }
        bool clean = true;
        for (int j = 1; j <= columns_ && clean; ++j) clean = Current()[j].good;
        if (clean) return true;
        greedy_ = Current();
    }
    // A damaged segment: cut by position as well, with even codeword widths
    // and with widths following the perspective, and keep the cut with the
    // most codewords.
    if (!CutByPosition(nominal, nominal)) return counted;
    int best = Matches(Current());
    if (first != nominal || last != nominal) {
        current_ ^= 1;  // the first positional cut stays in the other buffer
        CutByPosition(first, last);
        const int matches = Matches(Current());
        if (matches > best) {
            best = matches;
        } else {
            current_ ^= 1;
        }
    }
    if (counted && Matches(greedy_) > best) Current() = greedy_;
    return true;
}

// Columns whose segment is some cluster's pattern.
int LineCutter::Matches(const Segments &segments) const {
    int found = 0;
    for (int j = 1; j <= columns_; ++j)
        found += segments[j].rounded && segments[j].value != kNoCodeword ? 1 : 0;
    return found;
}

// Lines with a damaged segment: each codeword column is looked for where
// it should begin, the codeword widths (from `first` to `last` across the
// line) added up from the line's first bar, so that merged or split runs
// spoil only their own columns; columns without eight fitting runs are
// not good.
bool LineCutter::CutByPosition(double first, double last) {
    const auto &r = *runs_;
    const int n = static_cast<int>(r.size());
    if (n < kStartRuns) return false;
    int position = 0, index = 0;
    Current()[0] = Segment{};
    Current()[0].count = kStartRuns;
    double target = 0;
    for (int j = 1; j <= columns_; ++j) {
        const double a = first + (last - first) * j / (columns_ + 1);
        target += first + (last - first) * (j - 1) / (columns_ + 1);
        Segment &s = Current()[j];
        s = Segment{};
        // Advance to the bar start nearest the target.
        while (index + 2 <= n && position + r[index] + r[index + 1] <= target) {
            position += r[index] + r[index + 1];
            index += 2;
        }
        int start = index, at = position;
        if (index + 2 <= n &&
            std::fabs(position + r[index] + r[index + 1] - target) < std::fabs(position - target)) {
            start = index + 2;
            at = position + r[index] + r[index + 1];
        }
        if (std::fabs(at - target) > 0.3 * a || start + kElementsPerCodeword > n) continue;
        int c = 0;
        for (int i = 0; i < kElementsPerCodeword; ++i) c += r[start + i];
        s.first = start;
        s.count = kElementsPerCodeword;
        s.good = std::fabs(c - a) <= 0.1 * a;
        Round(s);
    }
    segmentCount_ = columns_ + 1;
    return true;
}

const double *LineCutter::WidthsOf(const Segment &s, double *out) const {
    for (int i = 0; i < kElementsPerCodeword; ++i) out[i] = (*runs_)[s.first + i];
    return out;
}

bool ClusterPossible(int good, int columns) {
    // Exact matches need good segments; the distances add at least
    // kNotGoodDistance for each other segment, exactly in doubles.
    return good >= columns / 2 || kNotGoodDistance * (columns - good) < kClusterLimitPerColumn * columns;
}

// A good segment's module counts, and the codeword they read as: patterns
// of a section all have its cluster, so only that section can hold them.
void LineCutter::Round(Segment &s) {
    s.rounded = s.good && ModulesOf(WidthsOf(s, widths_), s.digits);
    if (!s.rounded) return;
    const char *d = s.digits;
    s.section = static_cast<std::int8_t>(SectionOfBars(d[0] - '0', d[2] - '0', d[4] - '0', d[6] - '0'));
    s.value = s.section >= 0 ? FindPattern(s.section, d) : kNoCodeword;
}

namespace {

// Whether distances summed on from `sum` at column `from` reach `limit`
// even if each column were only as far as its floor.
bool FloorsReach(double sum, const double *floors, int from, int columns, double limit) {
    for (int j = from; j <= columns; ++j) {
        sum += floors[j];
        if (sum >= limit) return true;
    }
    return false;
}

}  // namespace

int NearestSection(const LineCutter &cutter, int columns) {
    const Segments &segments = cutter.Result();
    const double limit = kClusterLimitPerColumn * columns;
    double widths[kElementsPerCodeword];
    std::array<double, kMaxSegments + 1> floors{};
    for (int j = 1; j <= columns; ++j) {
        const Segment &s = segments[j];
        floors[j] = s.good ? NearestDistanceFloor(cutter.WidthsOf(s, widths)) : kNotGoodDistance;
    }
    int best = -1;
    double bestSum = 0;
    for (int k = kClusterCount - 1; k >= 0; --k) {
        // A sum that reaches the limit cannot decide the section: it is left there.
        double sum = 0;
        for (int j = 1; j <= columns && sum < limit; ++j) {
            const Segment &s = segments[j];
            if (!s.good) {
                sum += kNotGoodDistance;
                continue;
            }
            // Each distance is at least its floor and rounded sums grow with
            // their terms, so floors that reach the limit show this sum
            // would: the search for the rest is left out.
            if (FloorsReach(sum, floors.data(), j, columns, limit)) {
                sum = limit;
                break;
            }
            // A distance above `within` would reach the limit as well, with
            // the floors after it: the search need not look farther.
            // (A hair above the difference, so that the rounded sums still
            // reach the limit; checked below.)
            constexpr double kRoundingMargin = 1e-9;
            double within = limit - sum + kRoundingMargin;
            for (int after = j + 1; after <= columns; ++after) within -= floors[after];
            const double reached = sum + within;
            if (!(within >= 0) ||
                !(reached >= limit || FloorsReach(reached, floors.data(), j + 1, columns, limit)))
                within = kNearestLimit;  // rounding left it short: search all
            const double distance = DecodeNearest(k, cutter.WidthsOf(s, widths), within).distance;
            if (distance > within) {
                sum = limit;
                break;
            }
            sum += distance;
        }
        if (best < 0 || sum < bestSum) {
            best = k;
            bestSum = sum;
        }
    }
    return bestSum < limit ? best : -1;
}

}  // namespace zr::pdf417
