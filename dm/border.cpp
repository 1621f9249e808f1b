// Corner module centres, sampling along a side and the border tests by
// region layout.
#include <cmath>

#include "dm/grid.hpp"

namespace zr::dm {
namespace {

// Share of border samples that must agree with the finder and timing pattern.
constexpr double kBorderAgreement = 0.8;

PointF AlongAt(PointF from, PointF to, int k, int count) {
    return count > 1 ? from + (static_cast<double>(k) / (count - 1)) * (to - from) : from;
}

// The quadrilateral of lattice cell (band, cell) when the sides are divided
// into n parts.
QuadF Cell(const QuadF &p, int n, int band, int cell) {
    const double u0 = static_cast<double>(cell) / n, u1 = static_cast<double>(cell + 1) / n;
    const double v0 = static_cast<double>(band) / n, v1 = static_cast<double>(band + 1) / n;
    return {QuadPoint(p, u0, v0), QuadPoint(p, u1, v0), QuadPoint(p, u1, v1), QuadPoint(p, u0, v1)};
}

// Adds to `misses` the samples at the positions of CountDarkAlong (solid:
// not dark) or CountAlternatingAlong (alternating: outside the picture or of
// the wrong colour) that miss; false as soon as they are more than `allowed`.
// When both ends round inside the picture, so does every sample between
// them: the same positions (AlongAt's arithmetic, its difference taken once)
// are then read without the picture test, from rows addressed from the
// first one.
template <bool kAlternating>
bool MissesWithin(const BitImageView &image, PointF from, PointF to, int count, int allowed, int &misses) {
    if (count > 1 && RoundsInside(image, from) && RoundsInside(image, to)) {
        const PointF span = to - from;
        const int last = count - 1;
        const std::uint8_t *top = image.Row(0);
        const std::ptrdiff_t pitch = image.Pitch();  // stored rows run bottom-up
        const unsigned darkBit = image.SetBitIsDark() ? 1u : 0u;
        for (int k = 0; k < count; ++k) {
            const geom::PointI q = geom::RoundHalfUp(from + (static_cast<double>(k) / last) * span);
            const unsigned bit =
                (static_cast<unsigned>(top[(q.x >> 3) - q.y * pitch]) >> (7 - (q.x & 7))) & 1u;
            const bool dark = bit == darkBit;
            const bool agrees = kAlternating ? dark == (k % 2 == 0) : dark;
            if (!agrees && ++misses > allowed) return false;
        }
        return true;
    }
    for (int k = 0; k < count; ++k) {
        bool agrees;
        if constexpr (kAlternating) {
            const geom::PointI q = geom::RoundHalfUp(AlongAt(from, to, k, count));
            agrees = image.Bounds().Contains(q) && image.Dark(q) == (k % 2 == 0);
        } else {
            agrees = image.DarkOrOutside(AlongAt(from, to, k, count));
        }
        if (!agrees && ++misses > allowed) return false;
    }
    return true;
}

}  // namespace

PointF QuadPoint(const QuadF &p, double u, double v) {
    const PointF top = geom::Lerp(p.topLeft, p.topRight, u);
    const PointF bottom = geom::Lerp(p.bottomLeft, p.bottomRight, u);
    return geom::Lerp(top, bottom, v);
}

QuadF ModuleCentres(const QuadF &p, int columns, int rows) {
    const double a = 2.0 * columns, b = 2.0 * rows;
    QuadF q;
    q.topLeft = p.topLeft + (1 / a) * (p.topRight - p.topLeft) + (1 / b) * (p.bottomLeft - p.topLeft);
    q.topRight = p.topRight + (1 / b) * (p.bottomRight - p.topRight) + (1 / a) * (p.topLeft - p.topRight);
    q.bottomRight =
        p.bottomRight + (1 / b) * (p.topRight - p.bottomRight) + (1 / a) * (p.bottomLeft - p.bottomRight);
    q.bottomLeft =
        p.bottomLeft + (1 / a) * (p.bottomRight - p.bottomLeft) + (1 / b) * (p.topLeft - p.bottomLeft);
    return q;
}

int CountDarkAlong(const BitImageView &image, PointF from, PointF to, int count) {
    int dark = 0;
    for (int k = 0; k < count; ++k) dark += image.DarkOrOutside(AlongAt(from, to, k, count)) ? 1 : 0;
    return dark;
}

int CountAlternatingAlong(const BitImageView &image, PointF from, PointF to, int count) {
    int agree = 0;
    for (int k = 0; k < count; ++k) {
        const geom::PointI q = geom::RoundHalfUp(AlongAt(from, to, k, count));
        if (!image.Bounds().Contains(q)) continue;
        if (image.Dark(q) == (k % 2 == 0)) ++agree;
    }
    return agree;
}

bool CheckRegionBorder(const BitImageView &image, const QuadF &p, int columns, int rows, int *missed) {
    const QuadF q = ModuleCentres(p, columns, rows);
    const int needed = static_cast<int>(std::trunc(2.0 * (columns + rows) * kBorderAgreement + 0.5));
    // More than `needed` of the samples agree exactly when at most `allowed`
    // miss: the count stops at the first miss past that, which decides the
    // same. The dotted sides come first: a wrong size misses most there.
    const int allowed = 2 * (columns + rows) - needed - 1;
    if (allowed < 0) return false;
    int misses = 0;
    const bool passes = MissesWithin<true>(image, q.topLeft, q.topRight, columns, allowed, misses) &&
                        MissesWithin<true>(image, q.bottomRight, q.topRight, rows, allowed, misses) &&
                        MissesWithin<false>(image, q.topLeft, q.bottomLeft, rows, allowed, misses) &&
                        MissesWithin<false>(image, q.bottomLeft, q.bottomRight, columns, allowed, misses);
    if (passes && missed) *missed += misses;
    return passes;
}

bool CheckRegions2x2(const BitImageView &image, const QuadF &p, int n, int *missed) {
    for (int band = 0; band < 2; ++band)
        for (int cell = 0; cell < 2; ++cell)
            if (!CheckRegionBorder(image, Cell(p, 2, band, cell), n / 2, n / 2, missed)) return false;
    return true;
}

bool CheckRegions4x4(const BitImageView &image, const QuadF &p, int n, int *missed) {
    for (int band = 0; band < 2; ++band)
        for (int cell = 0; cell < 2; ++cell)
            if (!CheckRegions2x2(image, Cell(p, 2, band, cell), n / 2, missed)) return false;
    return true;
}

bool CheckRegions6x6(const BitImageView &image, const QuadF &p, int n, int *missed) {
    for (int band = 0; band < 3; ++band)
        for (int cell = 0; cell < 3; ++cell)
            if (!CheckRegions2x2(image, Cell(p, 3, band, cell), n / 3, missed)) return false;
    return true;
}

bool CheckSizeBorder(const BitImageView &image, const QuadF &p, const DMSize &size, int *missed) {
    switch (size.layout) {
        case RegionLayout::k1x1:
        case RegionLayout::k1x2:
        case RegionLayout::k1x4:
        case RegionLayout::k1x6:
            // One band of regions: the finder and timing of the whole band
            // line up as those of one region.
            return CheckRegionBorder(image, p, size.columns, size.rows, missed);
        case RegionLayout::k2x2:
            return CheckRegions2x2(image, p, size.rows, missed);
        case RegionLayout::k4x4:
            return CheckRegions4x4(image, p, size.rows, missed);
        case RegionLayout::k6x6:
            return CheckRegions6x6(image, p, size.rows, missed);
    }
    return false;
}

}  // namespace zr::dm
