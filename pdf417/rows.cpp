// Reading a measured symbol line by line parallel to its rows: each line is
// cut into codeword segments, its cluster decides which row it belongs to,
// and every column's codeword comes from an exact match on one line or from
// the widths summed over the row's lines.
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "pdf417/codeword.hpp"
#include "pdf417/walk.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kMaxSegments = 90;
constexpr int kMaxFailures = 4;
constexpr int kMinLineRuns = 17;
constexpr int kLinePixelLimit = 4000;
constexpr int kNoCluster = -1;
constexpr int kStartRuns = 8;

// Where line k of the symbol starts and which way it runs: between the
// start-side edge (corners 1 to 4) and the stop-side edge (corners 2 to 3),
// so that a symbol seen in perspective is still read along its rows. Traced
// edges too short to trust give lines parallel to the measured row, one step
// apart across the rows.
class LineGeometry {
  public:
    explicit LineGeometry(const ReaderState &state) : state_(state) {
        const auto &c = state.corners;
        left_ = geom::Distance(geom::ToPointF(c[0]), geom::ToPointF(c[3]));
        right_ = geom::Distance(geom::ToPointF(c[1]), geom::ToPointF(c[2]));
        height_ = std::max(left_, right_);
        interpolate_ = left_ >= kMinEdge && right_ >= kMinEdge;
    }
    int SearchLimit() const { return std::max(50, static_cast<int>(2 * height_)); }

    bool Line(int k, PointI &start, StepTable &along, StepTable &back) {
        if (!interpolate_) {
            if (k == 0) {
                start_ = state_.corners[0];
            } else {
                start_ += lines::StepVector(state_.steps[kDown][(k - 1) % lines::kStepTableSize]);
            }
            start = start_;
            along = state_.steps[kAlong];
            back = state_.steps[kBack];
            return true;
        }
        const auto &c = state_.corners;
        const double t = k / height_;
        const PointF p = geom::Lerp(geom::ToPointF(c[0]), geom::ToPointF(c[3]), t);
        const PointF q = geom::Lerp(geom::ToPointF(c[1]), geom::ToPointF(c[2]), t);
        start = geom::RoundHalfUp(p);
        const double angle = NormalizeAngle(geom::RadToDeg(std::atan2(p.y - q.y, q.x - p.x)));
        if (k == 0 || std::fabs(angle - angle_) > 1e-9) {
            angle_ = angle;
            lines::DirectionSteps(angle, lines::kStepTableSize, along);
            lines::DirectionSteps(NormalizeAngle(angle - 180), lines::kStepTableSize, back);
        }
        return k <= 4 * height_ + 8;
    }

  private:
    static constexpr double kMinEdge = 4.0;
    const ReaderState &state_;
    double left_ = 0, right_ = 0, height_ = 0;
    bool interpolate_ = false;
    PointI start_;
    double angle_ = 0;
};

struct Segment {
    int first = 0;
    int count = 0;
    bool good = false;
    char digits[kElementsPerCodeword] = {};
    bool rounded = false;  // digits hold the rounded module counts
};

class RowReader {
  public:
    RowReader(const ZrImage &image, ReaderState &state)
        : state_(state), walker_(image, state.steps[kAlong], state.area, state.barColor == kDarkBars) {
        const double full = (state.columns + 2.0) * state.codewordWidth;
        minWidth_ = full * 0.85;
        maxWidth_ = full * 1.1;
        state.codewords.assign(kCodewordStore, kEmptyCodeword);
        state.rows = 0;
        state.votes = {};
        ClearRow();
    }

    void Run() {
        LineGeometry geometry(state_);
        int failures = 0, line = 0, k = 0;
        bool started = false;
        PointI start;
        while (failures < kMaxFailures && state_.rows < kMaxRows &&
               geometry.Line(k++, start, lineAlong_, lineBack_) && state_.area.Contains(start)) {
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
        if (started && rowLines_ > 0 && state_.rows < kMaxRows) EndRow();
    }

  private:
    int DataColumns() const { return state_.columns - 2; }

    // Runs of one line from the symbol's first bar; the line's width, or -1.
    int ReadLine(PointI start) {
        auto &runs = state_.runs;
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
        const double limit = (state_.barColor == kDarkBars ? 4.5 : 3.5) * state_.MeanBackground();
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

    // Cuts the line into segments of eight runs of about one codeword width.
    bool Cut(double nominal) {
        const auto &r = state_.runs;
        const int n = static_cast<int>(r.size());
        // A symbol seen in perspective has wider codewords at one end: the
        // codeword width runs from the start pattern's to the stop pattern's.
        double first = nominal, last = nominal;
        if (n >= kStartRuns + 9) {
            first = 0;
            last = 0;
            for (int i = 0; i < kStartRuns; ++i) first += r[i];
            for (int i = n - 9; i < n; ++i) last += r[i];
            last = last * kModulesPerCodeword / 18.0;
            if (std::fabs(first - nominal) > 0.25 * nominal || std::fabs(last - nominal) > 0.25 * nominal)
                first = last = nominal;
        }
        segmentCount_ = 0;
        int index = 0;
        while (index + 6 < n - 9) {
            if (segmentCount_ >= kMaxSegments) return false;
            const double a = first + (last - first) * segmentCount_ / (state_.columns + 1);
            int count = 2;
            double c = r[index] + r[index + 1];
            while (count < 8 && index + count + 1 < n &&
                   c + r[index + count] + r[index + count + 1] <= 1.1 * a) {
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
            Segment &s = segments_[segmentCount_++];
            s.first = index;
            s.count = count;
            s.good = good;
            s.rounded = good && ModulesOf(WidthsOf(s, widths_), s.digits);
            index += count;
        }
        const bool counted = segmentCount_ == state_.columns + 1;
        if (counted) {
            bool clean = true;
            for (int j = 1; j <= state_.columns && clean; ++j) clean = segments_[j].good;
            if (clean) return true;
            greedy_ = segments_;
        }
        // A damaged segment: cut by position as well, with even codeword widths
        // and with widths following the perspective, and keep the cut with the
        // most codewords.
        if (!CutByPosition(nominal, nominal)) return counted;
        int best = Matches(segments_);
        if (first != nominal || last != nominal) {
            std::swap(segments_, positional_);
            CutByPosition(first, last);
            const int matches = Matches(segments_);
            if (matches > best) {
                best = matches;
            } else {
                std::swap(segments_, positional_);
            }
        }
        if (counted && Matches(greedy_) > best) segments_ = greedy_;
        return true;
    }

    // Columns whose segment is some cluster's pattern.
    int Matches(const std::array<Segment, kMaxSegments + 1> &segments) const {
        int found = 0;
        for (int j = 1; j <= state_.columns; ++j) {
            for (int k = 0; k < kClusterCount; ++k) {
                if (ExactIn(k, segments[j]) != kNoCodeword) {
                    ++found;
                    break;
                }
            }
        }
        return found;
    }

    // Lines with a damaged segment: each codeword column is looked for where
    // it should begin, the codeword widths (from `first` to `last` across the
    // line) added up from the line's first bar, so that merged or split runs
    // spoil only their own columns; columns without eight fitting runs are
    // not good.
    bool CutByPosition(double first, double last) {
        const auto &r = state_.runs;
        const int n = static_cast<int>(r.size());
        if (n < kStartRuns) return false;
        int position = 0, index = 0;
        segments_[0] = Segment{};
        segments_[0].count = kStartRuns;
        double target = 0;
        for (int j = 1; j <= state_.columns; ++j) {
            const double a = first + (last - first) * j / (state_.columns + 1);
            target += first + (last - first) * (j - 1) / (state_.columns + 1);
            Segment &s = segments_[j];
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
            s.rounded = s.good && ModulesOf(WidthsOf(s, widths_), s.digits);
        }
        segmentCount_ = state_.columns + 1;
        return true;
    }

    const double *WidthsOf(const Segment &s, double *out) const {
        for (int i = 0; i < kElementsPerCodeword; ++i) out[i] = state_.runs[s.first + i];
        return out;
    }

    int ExactIn(int section, const Segment &s) const {
        return s.rounded ? FindPattern(section, s.digits) : kNoCodeword;
    }

    // The cluster section of the line, or kNoCluster when undecided.
    int ClusterOf(std::array<int, kClusterCount> &exact) {
        exact = {};
        for (int j = 1; j <= state_.columns; ++j) {
            for (int k = 0; k < kClusterCount; ++k) exact[k] += ExactIn(k, segments_[j]) != kNoCodeword;
        }
        if (exact[0] == 0 && exact[1] == 0 && exact[2] == 0) {
            int best = -1;
            double bestSum = 0;
            for (int k = kClusterCount - 1; k >= 0; --k) {  // equal sums prefer 6, then 3
                double sum = 0;
                for (int j = 1; j <= state_.columns; ++j) {
                    const auto &s = segments_[j];
                    sum += s.good ? DecodeNearest(k, WidthsOf(s, widths_)).distance : 2.0;
                }
                if (best < 0 || sum < bestSum) {
                    best = k;
                    bestSum = sum;
                }
            }
            if (bestSum < 1.5 * state_.columns) exact[best] = state_.columns / 2 + 1;
        }
        int section = 0;
        if (exact[1] < exact[2]) {
            section = 2;
        } else if (exact[0] < exact[1]) {
            section = 1;
        }
        return exact[section] < state_.columns / 2 ? kNoCluster : section;
    }

    void UseLine(int width) {
        const double w = std::min<double>(width, maxWidth_);
        const double a = std::floor(w / (state_.columns + 2) + 0.5);
        if (!Cut(a)) return;
        std::array<int, kClusterCount> exact;
        int section = ClusterOf(exact);
        const int next = (cluster_ + 1) % kClusterCount;
        if (section != kNoCluster && section != cluster_ && section != next && exact[cluster_] == 0 &&
            exact[next] > 0)
            section = next;
        if (section == kNoCluster) return;
        if (section == next) {
            if (rowLines_ > 0) EndRow();
            if (state_.rows >= kMaxRows) return;
            cluster_ = next;
        } else if (section != cluster_) {
            return;
        }
        AddLine();
    }

    void AddLine() {
        ++rowLines_;
        for (int j = 1; j <= state_.columns; ++j) {
            const auto &s = segments_[j];
            if (done_[j] || !s.good) continue;
            const int value = ExactIn(cluster_, s);
            if (value != kNoCodeword) {
                done_[j] = true;
                Store(j, value);
                continue;
            }
            for (int i = 0; i < kElementsPerCodeword; ++i) sums_[j][i] += state_.runs[s.first + i];
        }
    }

    void EndRow() {
        for (int j = 1; j <= state_.columns; ++j) {
            if (!done_[j]) Store(j, DecodeNearest(cluster_, sums_[j].data()).value);
        }
        ++state_.rows;
        ClearRow();
    }

    void ClearRow() {
        done_ = {};
        for (auto &s : sums_) s = {};
        rowLines_ = 0;
    }

    // Row indicators vote for the level; data columns go to the store.
    void Store(int column, int value) {
        if (column == 1 || column == state_.columns) {
            const bool carriesLevel =
                (column == 1 && cluster_ == 1) || (column == state_.columns && cluster_ == 2);
            if (carriesLevel && value < kEmptyCodeword) {
                const int level = (value % 30) / 3;
                if (level < kLevels) ++state_.votes[level];
            }
            return;
        }
        const int at = state_.rows * DataColumns() + (column - 2);
        if (at >= 0 && at < kCodewordStore) state_.codewords[at] = value;
    }

    ReaderState &state_;
    TableWalker walker_;
    StepTable lineAlong_{}, lineBack_{};
    double minWidth_ = 0, maxWidth_ = 0;
    int cluster_ = 0;  // section of the current row
    int rowLines_ = 0;
    std::array<Segment, kMaxSegments + 1> segments_{};
    std::array<Segment, kMaxSegments + 1> greedy_{};
    std::array<Segment, kMaxSegments + 1> positional_{};
    int segmentCount_ = 0;
    std::array<bool, kMaxColumns + 1> done_{};
    std::array<std::array<double, kElementsPerCodeword>, kMaxColumns + 1> sums_{};
    double widths_[kElementsPerCodeword] = {};
};

}  // namespace

std::uint16_t ReadRows(const ZrImage &image, ReaderState &state) {
    if (state.columns < kMinColumns || state.columns > kMaxColumns || state.codewordWidth <= 0)
        return kUnreadable;
    RowReader reader(image, state);
    reader.Run();
    int best = 0;
    for (int level = 1; level < kLevels; ++level) {
        if (state.votes[level] > state.votes[best]) best = level;
    }
    state.level = best;
    state.checkWords = 2 << best;
    const int count = state.rows * (state.columns - 2);
    if (state.rows == 0 || count <= state.checkWords) return kUnreadable;
    state.codewords.resize(count);
    return kFound;
}

}  // namespace zr::pdf417
