// Sampling the data modules of one region, and the stepped lines that move a
// boundary between two regions onto the pixels where it lies.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <tuple>

#include "core/lines/bit_cursor.hpp"
#include "dm/grid.hpp"

namespace zr::dm {
namespace {

// Share of a region's data modules that must be dark, and light.
constexpr int kBalanceDivisor = 7;
constexpr double kSameCoordinate = 0.001;

PointF Step(PointF p, std::uint8_t code, int sign) {
    return p + geom::ToPointF(sign * lines::StepVector(code));
}

std::uint8_t StepCode(const Steps &steps, int i) {
    const int n = lines::kStepTableSize;
    return steps[static_cast<std::size_t>(((i % n) + n) % n)];
}

}  // namespace

bool SampleRegion(const BitImageView &image, const QuadF &q, int columns, int rows, std::uint8_t *out,
                  int stride) {
    if (columns < 3 || rows < 3) return false;
    // Module centres between the corner centres, each interpolated from the
    // nearer end so that rounding errors do not grow across the region.
    const double h = rows - 1, w = columns - 1;
    // Every sample lies between the corner centres: when they round inside
    // the picture, so does every sample, and no picture test is needed.
    const bool inside = RoundsInside(image, q.topLeft) && RoundsInside(image, q.topRight) &&
                        RoundsInside(image, q.bottomLeft) && RoundsInside(image, q.bottomRight);
    const std::uint8_t *top = image.Row(0);
    const std::ptrdiff_t pitch = image.Pitch();  // stored rows run bottom-up
    const unsigned darkBit = image.SetBitIsDark() ? 1u : 0u;
    int dark = 0;
    for (int i = 1; i <= rows - 2; ++i) {
        PointF left, right;
        if (i < rows / 2) {
            left = q.topLeft + (i / h) * (q.bottomLeft - q.topLeft);
            right = q.topRight + (i / h) * (q.bottomRight - q.topRight);
        } else {
            const double c = rows - 1 - i;
            left = q.bottomLeft + (c / h) * (q.topLeft - q.bottomLeft);
            right = q.bottomRight + (c / h) * (q.topRight - q.bottomRight);
        }
        std::uint8_t *row = out + static_cast<std::ptrdiff_t>(i - 1) * stride;
        const PointF across = right - left, back = left - right;
        const auto read = [&](int j, PointF s) {
            const geom::PointI p = geom::RoundHalfUp(s);
            const bool isDark = inside
                                    ? (((top[(p.x >> 3) - p.y * pitch] >> (7 - (p.x & 7))) & 1u) == darkBit)
                                    : image.DarkOrOutside(p.x, p.y);
            row[j - 1] = isDark ? 1 : 0;
            dark += isDark ? 1 : 0;
        };
        // The first half from the left, the rest from the right.
        for (int j = 1; j < columns / 2; ++j) read(j, left + (j / w) * across);
        for (int j = std::max(1, columns / 2); j <= columns - 2; ++j) {
            const double l = columns - 1 - j;
            read(j, right + (l / w) * back);
        }
    }
    const int n = (rows - 2) * (columns - 2);
    const int least = n / kBalanceDivisor;
    return dark >= least && n - dark >= least;
}

double LineAngle(PointF from, PointF to) {
    if (std::fabs(from.x - to.x) < kSameCoordinate) return from.y < to.y ? 270 : 90;
    if (std::fabs(from.y - to.y) < kSameCoordinate) return from.x < to.x ? 0 : 180;
    double angle = geom::RadToDegTwoPlaces(std::atan2(from.y - to.y, to.x - from.x));
    if (angle < 0) angle += 360;
    return angle;
}

double MeanAngle(double a, double b) {
    double difference = std::fmod(b - a, 360.0);
    if (difference > 180) difference -= 360;
    if (difference < -180) difference += 360;
    double mean = a + difference / 2;
    if (mean < 0) mean += 360;
    if (mean >= 360) mean -= 360;
    return mean;
}

void StepPattern(double angle, Steps &out) {
    lines::DirectionSteps(angle, lines::kStepTableSize, out);
}

namespace {

// A step table prepared for walking: the smallest and largest x and y moves
// of any one step, and 0 (a walk of m steps stays within m times them of its
// start), and each step as a move of the bit index into the picture's bits.
struct StepWalk {
    geom::PointI least, most;
    std::array<std::ptrdiff_t, lines::kStepTableSize> bitMove{};
};

void PrepareWalk(const BitImageView &image, const Steps &steps, StepWalk &walk) {
    walk.least = walk.most = {0, 0};
    const std::ptrdiff_t bitsPerRow = 8 * static_cast<std::ptrdiff_t>(image.Pitch());
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const geom::PointI v = lines::StepVector(steps[k]);
        walk.least = {std::min(walk.least.x, v.x), std::min(walk.least.y, v.y)};
        walk.most = {std::max(walk.most.x, v.x), std::max(walk.most.y, v.y)};
        walk.bitMove[k] = v.x - v.y * bitsPerRow;  // stored rows run bottom-up
    }
}

// True when every pixel of a walk of `steps` steps from `start` lies inside
// the picture.
bool WalkInside(const BitImageView &image, geom::PointI start, int steps, const StepWalk &walk) {
    const geom::Rect bounds = image.Bounds();
    return bounds.Contains(start + steps * walk.least) && bounds.Contains(start + steps * walk.most);
}

int CountTransitionsWithin(const BitImageView &image, const Steps &pathSteps, const StepWalk &walk,
                           PointF from, PointF to) {
    const int n = static_cast<int>(std::trunc(geom::Distance(from, to) + 0.5));
    geom::PointI p = geom::RoundHalfUp(from);
    int transitions = 0;
    if (n > 1 && WalkInside(image, p, n - 1, walk)) {
        // Every pixel inside: the same pixels by their bit index from the
        // start of the stored rows, the pattern taken in stretches up to its
        // end so that no step tests for the wrap. A change between two
        // pixels is one whatever the polarity.
        const std::uint8_t *bits = image.Row(image.Height() - 1);
        std::ptrdiff_t at = 8 * (image.Row(p.y) - bits) + p.x;
        const auto bit = [bits](std::ptrdiff_t i) {
            return (static_cast<unsigned>(bits[i >> 3]) >> (7 - (i & 7))) & 1u;
        };
        unsigned previous = bit(at);
        std::size_t step = 0;
        for (int k = 1; k < n;) {
            const int stretch = std::min(n - k, static_cast<int>(walk.bitMove.size() - step));
            const std::ptrdiff_t *move = walk.bitMove.data() + step;
            for (int c = 0; c < stretch; ++c) {
                at += move[c];
                const unsigned current = bit(at);
                transitions += static_cast<int>(current ^ previous);
                previous = current;
            }
            k += stretch;
            step += static_cast<std::size_t>(stretch);
            if (step == walk.bitMove.size()) step = 0;
        }
        return transitions;
    }
    // Step k - 1 of the repeating pattern, its index wrapped as StepCode
    // wraps it, without a remainder per pixel.
    static_assert(std::tuple_size<Steps>::value == lines::kStepTableSize, "one pattern a table");
    std::size_t step = 0;
    bool previous = image.DarkOrOutside(p.x, p.y);
    for (int k = 1; k < n; ++k) {
        p += lines::StepVector(pathSteps[step]);
        if (++step == pathSteps.size()) step = 0;
        const bool current = image.DarkOrOutside(p.x, p.y);
        if (current != previous) ++transitions;
        previous = current;
    }
    return transitions;
}

}  // namespace

int CountTransitions(const BitImageView &image, const Steps &pathSteps, PointF from, PointF to) {
    StepWalk walk;
    PrepareWalk(image, pathSteps, walk);
    return CountTransitionsWithin(image, pathSteps, walk, from, to);
}

void RefineBoundaryLine(const BitImageView &image, PointF &a, PointF &b, const Steps &pathSteps,
                        const Steps &moveSteps, int reach) {
    if (reach <= 0) return;
    PointF ma = a, mb = b;
    for (int i = 0; i < reach; ++i) {
        const std::uint8_t code = StepCode(moveSteps, 199 - i);
        ma = Step(ma, code, -1);
        mb = Step(mb, code, -1);
    }
    int bestDrop = 0, previous = 0;
    PointF previousA = ma, previousB = mb, bestA = a, bestB = b;
    StepWalk walk;
    PrepareWalk(image, pathSteps, walk);
    for (int i = -reach; i <= reach; ++i) {
        const int t = CountTransitionsWithin(image, pathSteps, walk, ma, mb);
        if (i > -reach && previous - t > bestDrop) {
            bestDrop = previous - t;
            bestA = previousA;
            bestB = previousB;
        }
        previous = t;
        previousA = ma;
        previousB = mb;
        const std::uint8_t code = StepCode(moveSteps, reach + i);
        ma = Step(ma, code, 1);
        mb = Step(mb, code, 1);
    }
    a = bestA;
    b = bestB;
}

}  // namespace zr::dm
