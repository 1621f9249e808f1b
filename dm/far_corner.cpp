// The far corner of a symbol under perspective, found through its timing pattern.
#include "dm/far_corner.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "dm/grid.hpp"
#include "dm/projective_grid.hpp"
#include "dm/size_table.hpp"

namespace zr::dm {
namespace {

// Half-module steps, each way along both sides, that the far corner is
// moved from where the parallelogram puts it.
constexpr int kFarCornerSteps = 5;
constexpr std::size_t kStepCount = (2 * kFarCornerSteps + 1) * (2 * kFarCornerSteps + 1) - 1;
static_assert(kStepCount <= 256, "a step is kept as a byte");
// Share of the finder's samples that must be dark for the search to run.
constexpr double kMinSolidFinder = 0.85;
// Inward offsets, as shares of the other side, of the lines along a dotted
// side whose transitions are counted (the most of them counts): the timing
// row of a small symbol is wide, that of a large one narrow.
constexpr std::array<double, 3> kDottedLineInsets{0.01, 0.025, 0.04};
// The same for the solid finder sides, whose fitted lines run on the outline
// and, under perspective or blur, partly beside it.
constexpr std::array<double, 4> kSolidLineInsets{0, 0.005, 0.01, 0.02};
// How far the far end of a dotted side is swung along the other side, each
// way as a share of it, and in how many steps each way, to meet the timing
// pattern when the parallelogram's far corner misses it.
constexpr double kDottedSwing = 0.25;
constexpr int kSwingSteps = 4;
// Corners decoded per size, those whose border misses fewest: the true
// corner is among the first few when the border finds it at all, and each
// decoding of a wrong one costs a sampling and a Reed-Solomon correction.
constexpr std::size_t kMaxDecodedSteps = 8;

// Whether every sampling point from `from` to `to` rounds to a pixel inside
// the picture: both ends lie in [0, width - 1] x [0, height - 1], and a point
// between them, from + t (to - from) for t in [0, 1], strays from that box by
// rounding errors far below the half pixel that rounding adds.
bool SegmentInside(const BitImageView &view, geom::PointF from, geom::PointF to) {
    return RoundsInside(view, from) && RoundsInside(view, to);
}

// The pixel at `p`: without a bounds test when the segment is inside.
template <bool kInside>
bool DarkSample(const BitImageView &view, geom::PointF p) {
    if constexpr (kInside)
        return view.Dark(geom::RoundHalfUp(p));
    else
        return view.DarkOrOutside(p);
}

// Each sample is from + t (to - from), as geom::Lerp computes it, with the
// difference taken once.
template <bool kInside>
int DarkSamples(const BitImageView &view, geom::PointF from, geom::PointF to, int samples) {
    const geom::PointF along = to - from;
    int dark = 0;
    for (int k = 0; k < samples; ++k)
        dark += DarkSample<kInside>(view, from + (k + 0.5) / samples * along) ? 1 : 0;
    return dark;
}

template <bool kInside>
int Transitions(const BitImageView &view, geom::PointF from, geom::PointF to, int samples) {
    const geom::PointF along = to - from;
    int changes = 0;
    geom::PointI pixel = geom::RoundHalfUp(from);
    bool previous = DarkSample<kInside>(view, from);
    for (int k = 1; k <= samples; ++k) {
        const geom::PointF p = from + static_cast<double>(k) / samples * along;
        const geom::PointI q = geom::RoundHalfUp(p);
        // Samples are half a pixel apart: a sample on the pixel before has its colour.
        if (q.x == pixel.x && q.y == pixel.y) continue;
        pixel = q;
        const bool dark = DarkSample<kInside>(view, p);
        changes += dark != previous ? 1 : 0;
        previous = dark;
    }
    return changes;
}

double DarkShare(const BitImageView &view, geom::PointF from, geom::PointF to) {
    const int samples = std::max(2, static_cast<int>(2 * geom::Distance(from, to)));
    const int dark = SegmentInside(view, from, to) ? DarkSamples<true>(view, from, to, samples)
                                                   : DarkSamples<false>(view, from, to, samples);
    return static_cast<double>(dark) / samples;
}

// The most transitions along the side from `from` to `to` on lines moved
// inward by shares of `inward`.
int DottedSideTransitions(const BitImageView &view, geom::PointF from, geom::PointF to, geom::PointF inward) {
    int most = 0;
    for (const double inset : kDottedLineInsets)
        most = std::max(most, TransitionsAlong(view, from + inward * inset, to + inward * inset));
    return most;
}

// The largest dark share along the side from `from` to `to` on lines moved
// inward by shares of `inward`.
double SolidSideShare(const BitImageView &view, geom::PointF from, geom::PointF to, geom::PointF inward) {
    double most = 0;
    for (const double inset : kSolidLineInsets)
        most = std::max(most, DarkShare(view, from + inward * inset, to + inward * inset));
    return most;
}

// The most transitions along the dotted side from `from` to `to`, its far
// end swung along `swing` (the other dotted side, towards the far corner).
int SwungSideTransitions(const BitImageView &view, geom::PointF from, geom::PointF to, geom::PointF inward,
                         geom::PointF swing) {
    int most = 0;
    for (int k = -kSwingSteps; k <= kSwingSteps; ++k)
        most = std::max(
            most, DottedSideTransitions(view, from, to + swing * (kDottedSwing * k / kSwingSteps), inward));
    return most;
}

bool TryTable(const BitImageView &view, ScanWork &work, const DMSize *first, const DMSize *last,
              int topTransitions, int rightTransitions) {
    static constexpr std::array<std::array<int, 2>, kStepCount> kSteps = [] {
        std::array<std::array<int, 2>, kStepCount> steps{};
        std::size_t count = 0;
        for (int d = 1; d <= 2 * kFarCornerSteps * kFarCornerSteps; ++d)
            for (int i = -kFarCornerSteps; i <= kFarCornerSteps; ++i)
                for (int j = -kFarCornerSteps; j <= kFarCornerSteps; ++j)
                    if (i * i + j * j == d) steps[count++] = {i, j};
        return steps;
    }();
    const geom::QuadF located = work.symbol.corners;
    // The steps whose border passes, by their border misses: the true corner
    // misses fewest, so it is decoded first, not after every nearer corner
    // whose border passes only just.
    std::array<std::pair<int, std::uint8_t>, kStepCount> passing{};
    for (const DMSize *size = first; size != last; ++size) {
        if (!ModuleCountFits(size->columns, topTransitions) || !ModuleCountFits(size->rows, rightTransitions))
            continue;
        const geom::PointF alongTop = (located.topRight - located.topLeft) * (0.5 / size->columns);
        const geom::PointF alongRight = (located.topRight - located.bottomRight) * (0.5 / size->rows);
        const auto corners = [&](std::size_t step) {
            geom::QuadF moved = located;
            moved.topRight = located.topRight + alongTop * kSteps[step][0] + alongRight * kSteps[step][1];
            return moved;
        };
        std::size_t count = 0;
        // The first step that misses nothing comes first in the order below
        // whatever the later steps miss: it is decoded at once, and when it
        // reads, the later steps need no border test.
        int decodedAtOnce = -1;
        for (std::size_t step = 0; step < kStepCount; ++step) {
            int missed = 0;
            if (!CheckSizeBorder(view, corners(step), *size, &missed)) continue;
            passing[count++] = {missed, static_cast<std::uint8_t>(step)};
            if (missed == 0 && decodedAtOnce < 0) {
                decodedAtOnce = static_cast<int>(step);
                work.symbol.corners = corners(step);
                if (TrySizes(view, work, size, size + 1)) return true;
            }
        }
        // Fewest misses first, the nearer step among equals (a total order: no allocation, same order every
        // run).
        std::sort(passing.begin(), passing.begin() + static_cast<std::ptrdiff_t>(count));
        for (std::size_t k = 0; k < std::min(count, kMaxDecodedSteps); ++k) {
            if (passing[k].second == decodedAtOnce) continue;
            work.symbol.corners = corners(passing[k].second);
            if (TrySizes(view, work, size, size + 1)) return true;
        }
    }
    work.symbol.corners = located;
    return false;
}

}  // namespace

int TransitionsAlong(const BitImageView &view, geom::PointF from, geom::PointF to) {
    const int samples = std::max(2, static_cast<int>(2 * geom::Distance(from, to)));
    return SegmentInside(view, from, to) ? Transitions<true>(view, from, to, samples)
                                         : Transitions<false>(view, from, to, samples);
}

bool TrySizesMovingFarCorner(const BitImageView &view, ScanWork &work) {
    const geom::QuadF &p = work.symbol.corners;
    if (work.farCornerSearches >= kMaxFarCornerSearches) return false;
    if (SolidSideShare(view, p.bottomLeft, p.topLeft, p.bottomRight - p.bottomLeft) < kMinSolidFinder ||
        SolidSideShare(view, p.bottomLeft, p.bottomRight, p.topLeft - p.bottomLeft) < kMinSolidFinder)
        return false;
    ++work.farCornerSearches;
    const int top = DottedSideTransitions(view, p.topLeft, p.topRight, p.bottomLeft - p.topLeft);
    const int right = DottedSideTransitions(view, p.bottomRight, p.topRight, p.bottomLeft - p.bottomRight);
    return TryTable(view, work, kDMSizeTable.data(), kDMSizeTable.data() + kDMSizeTable.size(), top, right) ||
           TryTable(view, work, kDmreSizeTable.data(), kDmreSizeTable.data() + kDmreSizeTable.size(), top,
                    right) ||
           TrySizesProjective(view, work,
                              SwungSideTransitions(view, p.topLeft, p.topRight, p.bottomLeft - p.topLeft,
                                                   p.topRight - p.bottomRight),
                              SwungSideTransitions(view, p.bottomRight, p.topRight,
                                                   p.bottomLeft - p.bottomRight, p.topRight - p.topLeft));
}

}  // namespace zr::dm
