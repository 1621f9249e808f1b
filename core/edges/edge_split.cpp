// The split phase of the edge fit: pieces split at their sample farthest
// from the chord, depth first, and the chord test that lets most samples go
// unmeasured.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/edges/break_marks.hpp"
#include "core/edges/edges.hpp"

namespace zr::edges {
namespace {

using detail::kBreak;
using detail::NextSet;

// Whole numbers up to this size make the sums of the chord test exact and
// keep the error of a computed distance far below kDistanceMargin.
constexpr double kExactBelow = 16777216.0;  // 2^24
constexpr double kDistanceMargin = 1e-6;
constexpr double kInside = 1e-6;  // share of the chord kept clear of either end

bool Exact(geom::PointF p) {
    return std::fabs(p.x) <= kExactBelow && std::fabs(p.y) <= kExactBelow;
}

template <class T>
double Value(const T *values, int i) {
    return static_cast<double>(values[i]);
}

// The sample of the piece a .. b farthest from its chord (the first of
// equals) and its distance; at = -1 when the piece has no inner sample.
struct Farthest {
    double distance = -1;
    int at = -1;
};

// Every inner sample measured, in order, save those the chord test calls
// surely nearer than the farthest so far: none of them can be the first
// farthest. Used where the samples are too large for exact sums.
template <class T>
Farthest FarthestMeasured(const T *values, int a, int b) {
    Farthest farthest;
    const geom::PointF from{double(a), Value(values, a)}, to{double(b), Value(values, b)};
    const ChordTest chord(from, to);
    for (int i = a + 1; i < b; ++i) {
        const geom::PointF p{double(i), Value(values, i)};
        if (chord.SurelyNearer(p, farthest.distance)) continue;
        const double d = PointSegmentDistance(from, to, p);
        if (d > farthest.distance) farthest = {d, i};
    }
    return farthest;
}

// The same answer from whole-number sums, for samples within the exact
// range. One pass finds the largest cross product with the chord, which is
// the true distance times the chord's length wherever a sample projects
// inside the chord, and the range of the dot products. Then:
// - every sample inside and the largest product surely nearer than the
//   split limit: no computed distance exceeds the limit, the piece stays
//   whole (its farthest sample does not matter);
// - else the first sample of the largest product is measured; when every
//   sample lies inside and the next largest product is surely nearer than
//   that distance, only the samples of the largest product can be farthest,
//   and the first farthest of them is the answer;
// - else the measured loop runs with that distance as the skip bound from
//   the start: a sample surely nearer than a distance some sample reaches
//   cannot be the first farthest either.
// The rounding margins are those of SurelyNearer; its cross test grows with
// the magnitude of the cross product and its inside test is one interval of
// dot products, so the largest product and the extreme dot products stand
// for all.
// The largest |cross| of the inner samples with the chord, the first sample
// that has it and how many do, the largest below it (or a bound above that),
// and the range of the dot products.
// Samples may be added in any order: the first sample of the largest
// product is the least index that has it.
struct CrossTally {
    std::int64_t most = -1, next = -1;
    int mostAt = -1, mostCount = 0;
    std::int64_t leastDot = std::numeric_limits<std::int64_t>::max();
    std::int64_t mostDot = std::numeric_limits<std::int64_t>::min();

    void Add(std::int64_t size, std::int64_t dot, int at, int count) {
        leastDot = std::min(leastDot, dot);
        mostDot = std::max(mostDot, dot);
        if (size > most) {
            next = most;
            most = size;
            mostAt = at;
            mostCount = count;
        } else if (size == most) {
            mostCount += count;
            if (count > 0) mostAt = std::min(mostAt, at);
        } else if (size > next) {
            next = size;
        }
    }
};

// What the exact search reads besides the samples: the run ends and the
// least and largest sample of each block of kBlock samples (block k holds
// the indices k * kBlock .. k * kBlock + kBlock - 1).
struct ExactIndex {
    const std::int32_t *runEnd = nullptr;
    const std::int32_t *blockLow = nullptr;
    const std::int32_t *blockHigh = nullptr;
};

constexpr int kBlockShift = 4;
constexpr int kBlock = 1 << kBlockShift;
// Pieces spanning fewer whole blocks are tallied sample by sample.
constexpr int kFewestBlocks = 2;

// Bounds over one block of the |cross| and dot products of its samples with
// the chord of the piece a .. b: both products are affine in the index and
// the sample, so the block's index range and sample range bound them.
class BlockBounds {
  public:
    BlockBounds(const ExactIndex &index, int a, std::int64_t fromValue, std::int64_t du, std::int64_t dv)
        : index_(index), a_(a), fromValue_(fromValue), du_(du), dv_(dv) {}

    std::int64_t Cross(int k) const {
        const std::int64_t firstU = FirstU(k), lastU = firstU + kBlock - 1;
        const std::int64_t dvFirst = dv_ * firstU, dvLast = dv_ * lastU;
        const std::int64_t crossHigh = du_ * (index_.blockHigh[k] - fromValue_) - std::min(dvFirst, dvLast);
        const std::int64_t crossLow = du_ * (index_.blockLow[k] - fromValue_) - std::max(dvFirst, dvLast);
        return std::max(crossHigh, -crossLow);
    }
    std::int64_t LeastDot(int k) const {
        return du_ * FirstU(k) +
               std::min(dv_ * (index_.blockLow[k] - fromValue_), dv_ * (index_.blockHigh[k] - fromValue_));
    }
    std::int64_t MostDot(int k) const {
        return du_ * (FirstU(k) + kBlock - 1) +
               std::max(dv_ * (index_.blockLow[k] - fromValue_), dv_ * (index_.blockHigh[k] - fromValue_));
    }

  private:
    std::int64_t FirstU(int k) const { return (static_cast<std::int64_t>(k) << kBlockShift) - a_; }

    const ExactIndex &index_;
    int a_;
    std::int64_t fromValue_, du_, dv_;
};

// Runs of equal samples are taken whole: over a run the cross product is an
// affine function of the index. Level with the chord it is the same at
// every sample; else its magnitude falls strictly from one end towards the
// run's inside, so no inner sample of a run reaches the larger end and none
// lies above the larger of the samples next to the ends. The ends and their
// neighbours then give the largest product, its first sample and count, a
// bound on the next largest, and (the dot product being affine too) the dot
// range, exactly as every sample would.
//
// A long piece is tallied by blocks: the ends that fill no whole block
// sample by sample, then the block of the largest bound (to set a high
// largest product early), then each other block either sample by sample or,
// when its bound falls short of the largest product so far and all its dot
// products lie well inside the chord, as its bounds alone. Such a block
// holds no sample of the largest product, its bound stands above every
// product of it for the next largest, and its dot bounds, inside the
// chord's interval, leave the all-inside test as its samples would.
template <class T>
CrossTally TallyCrosses(const T *values, const ExactIndex &index, const ChordTest &chord, int a, int b) {
    const std::int64_t fromValue = values[a];
    const std::int64_t du = b - a, dv = static_cast<std::int64_t>(values[b]) - fromValue;
    CrossTally tally;
    const auto add = [&](int i, int count) {
        const std::int64_t u = i - a, w = static_cast<std::int64_t>(values[i]) - fromValue;
        const std::int64_t c = du * w - dv * u;
        tally.Add(c < 0 ? -c : c, du * u + dv * w, i, count);
    };
    // Samples first .. last; a run cut short at `last` is still a run.
    // Inlined at each use: called, it would read the chord's terms through
    // the closure at every sample.
    const auto addRange = [&](int first, int last) __attribute__((always_inline)) {
        constexpr int kShortRun = 4;  // runs up to this long are taken sample by sample
        for (int start = first; start <= last;) {
            const int end = std::min(index.runEnd[start], last);
            if (end - start < kShortRun) {
                for (int i = start; i <= end; ++i) add(i, 1);
            } else if (dv == 0) {
                add(start, end - start + 1);
                add(end, 0);  // the dot range's far end; its product equals the first's
            } else {
                add(start, 1);
                add(start + 1, 1);
                add(end - 1, 1);
                add(end, 1);
            }
            start = end + 1;
        }
    };
    const int firstBlock = (a + kBlock) >> kBlockShift;  // the first block after a
    const int endBlock = b >> kBlockShift;               // blocks before it end before b
    if (endBlock - firstBlock < kFewestBlocks) {
        addRange(a + 1, b - 1);
        return tally;
    }
    addRange(a + 1, (firstBlock << kBlockShift) - 1);
    addRange(endBlock << kBlockShift, b - 1);
    const auto addBlock = [&](int k) { addRange(k << kBlockShift, (k << kBlockShift) + kBlock - 1); };
    const BlockBounds bounds(index, a, fromValue, du, dv);
    int seed = firstBlock;
    std::int64_t seedCross = -1;
    for (int k = firstBlock; k < endBlock; ++k) {
        const std::int64_t cross = bounds.Cross(k);
        if (cross > seedCross) {
            seedCross = cross;
            seed = k;
        }
    }
    addBlock(seed);
    for (int k = firstBlock; k < endBlock; ++k) {
        if (k == seed) continue;
        const std::int64_t cross = bounds.Cross(k);
        if (cross < tally.most) {
            const std::int64_t leastDot = bounds.LeastDot(k), mostDot = bounds.MostDot(k);
            if (chord.Inside(static_cast<double>(leastDot)) && chord.Inside(static_cast<double>(mostDot))) {
                tally.next = std::max(tally.next, cross);
                tally.leastDot = std::min(tally.leastDot, leastDot);
                tally.mostDot = std::max(tally.mostDot, mostDot);
                continue;
            }
        }
        addBlock(k);
    }
    return tally;
}

template <class T>
Farthest FarthestExact(const T *values, const ExactIndex &index, int a, int b) {
    const std::int64_t fromValue = values[a];
    const std::int64_t du = b - a, dv = static_cast<std::int64_t>(values[b]) - fromValue;
    const auto cross = [&](int i) {
        const std::int64_t c = du * (static_cast<std::int64_t>(values[i]) - fromValue) - dv * (i - a);
        return c < 0 ? -c : c;
    };
    if (b - a < 2) return {};  // no inner sample
    const geom::PointF from{double(a), Value(values, a)}, to{double(b), Value(values, b)};
    const ChordTest chord(from, to);
    const CrossTally tally = TallyCrosses(values, index, chord, a, b);
    const std::int64_t most = tally.most, next = tally.next, leastDot = tally.leastDot,
                       mostDot = tally.mostDot;
    const int mostAt = tally.mostAt;
    int mostCount = tally.mostCount;
    if (mostAt < 0) return {};
    const bool allInside =
        chord.Inside(static_cast<double>(leastDot)) && chord.Inside(static_cast<double>(mostDot));
    if (allInside && chord.CrossSurelyNearer(static_cast<double>(most), kSplitDeviation)) return {};
    Farthest farthest{PointSegmentDistance(from, to, {double(mostAt), Value(values, mostAt)}), mostAt};
    const double measured = farthest.distance;
    if (allInside && (next < 0 || chord.CrossSurelyNearer(static_cast<double>(next), measured))) {
        for (int i = mostAt + 1; i < b && mostCount > 1; ++i) {
            if (cross(i) != most) continue;
            --mostCount;
            const double d = PointSegmentDistance(from, to, {double(i), Value(values, i)});
            if (d > farthest.distance) farthest = {d, i};
        }
        return farthest;
    }
    farthest = {};
    for (int i = a + 1; i < b; ++i) {
        const geom::PointF p{double(i), Value(values, i)};
        if (chord.SurelyNearer(p, std::max(farthest.distance, measured))) continue;
        const double d = PointSegmentDistance(from, to, p);
        if (d > farthest.distance) farthest = {d, i};
    }
    return farthest;
}

// Splits each piece at its sample farthest from the chord while that lies
// beyond kSplitDeviation. Where a piece splits depends on its two ends
// alone, so taking the pieces depth first from the left (a piece, then its
// left part, until a part holds, then on to the next break) marks the same
// break points as splitting every piece once per pass until none deviates,
// and measures every piece once without walking the settled ones again.
template <class T>
void SplitPieces(const T *values, const ExactIndex *index, int last, std::vector<std::uint8_t> &isSet) {
    for (int a = 0; a < last;) {
        const int b = NextSet(isSet, a);
        const Farthest farthest =
            index != nullptr ? FarthestExact(values, *index, a, b) : FarthestMeasured(values, a, b);
        if (farthest.distance > kSplitDeviation) {
            isSet[farthest.at] = kBreak;  // the piece a .. farthest.at comes next
        } else {
            a = b;
        }
    }
}

// True when every index and sample lies within the range where the chord
// test's sums are exact.
template <class T>
bool WithinExactRange(const T *values, int last) {
    if (last > kExactBelow) return false;
    for (int i = 0; i <= last; ++i)
        if (std::fabs(Value(values, i)) > kExactBelow) return false;
    return true;
}

// Marks the break points of the split phase in work.isSet (non-zero at
// each). Within the exact range, work.runEnd holds the last index of the run
// of equal samples from each index and work.blockLow / blockHigh the bounds
// of each block.
template <class T>
void Split(const T *values, int last, FitWork &work) {
    std::vector<std::uint8_t> &isSet = work.isSet;
    isSet.assign(static_cast<std::size_t>(last) + 1, 0);
    isSet.front() = kBreak;
    isSet.back() = kBreak;
    if (last == 0) return;
    ExactIndex exactIndex;
    const ExactIndex *index = nullptr;
    if (WithinExactRange(values, last)) {
        work.runEnd.resize(static_cast<std::size_t>(last) + 1);
        std::int32_t *ends = work.runEnd.data();
        ends[last] = last;
        for (int i = last - 1; i >= 0; --i) ends[i] = values[i] == values[i + 1] ? ends[i + 1] : i;
        const std::size_t blocks = (static_cast<std::size_t>(last) >> kBlockShift) + 1;
        work.blockLow.resize(blocks);
        work.blockHigh.resize(blocks);
        for (std::size_t k = 0; k < blocks; ++k) {
            const int first = static_cast<int>(k) << kBlockShift;
            const int end = std::min(first + kBlock - 1, last);
            std::int32_t low = static_cast<std::int32_t>(values[first]), high = low;
            for (int i = first + 1; i <= end; ++i) {
                low = std::min(low, static_cast<std::int32_t>(values[i]));
                high = std::max(high, static_cast<std::int32_t>(values[i]));
            }
            work.blockLow[k] = low;
            work.blockHigh[k] = high;
        }
        exactIndex = {ends, work.blockLow.data(), work.blockHigh.data()};
        index = &exactIndex;
    }
    SplitPieces(values, index, last, isSet);
}

}  // namespace

ChordTest::ChordTest(geom::PointF a, geom::PointF b)
    : a_(a),
      d_(b - a),
      squaredLength_(geom::Dot(d_, d_)),
      insideFrom_(kInside * squaredLength_),
      insideTo_((1 - kInside) * squaredLength_),
      usable_(Exact(a) && Exact(b)) {}

bool ChordTest::SurelyNearer(geom::PointF p, double distance) const {
    if (!usable_ || !Exact(p)) return false;
    const geom::PointF offset = p - a_;
    return Inside(geom::Dot(d_, offset)) && CrossSurelyNearer(geom::Cross(d_, offset), distance);
}

bool ChordTest::Inside(double dot) const {
    return !(dot < insideFrom_ || dot > insideTo_);
}

bool ChordTest::CrossSurelyNearer(double cross, double distance) const {
    if (distance <= kDistanceMargin) return false;
    const double bound = distance - kDistanceMargin;
    return cross * cross < bound * bound * squaredLength_;
}

double PointSegmentDistance(geom::PointF a, geom::PointF b, geom::PointF p) {
    const geom::PointF d = b - a;
    const double t = geom::Dot(d, p - a) / geom::Dot(d, d);
    geom::PointF nearest = a;
    if (t > 1) {
        nearest = b;
    } else if (t >= 0) {  // false for NaN: the nearest point stays a
        nearest = a + t * d;
    }
    return geom::Distance(p, nearest);
}

void SplitEdge(const std::uint32_t *values, int last, FitWork &work) {
    if (values != nullptr && last >= 0) Split(values, last, work);
}

void SplitEdge(const std::int32_t *values, int last, FitWork &work) {
    if (values != nullptr && last >= 0) Split(values, last, work);
}

}  // namespace zr::edges
