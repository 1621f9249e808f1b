// The four rotations around one finder, the format information next to the
// finder, and the symbol's corners and sampling grid.
#include <bitset>
#include <cmath>

#include "microqr/candidate.hpp"

namespace zr::microqr {
namespace {

// Finder, separator and format area in modules.
constexpr double kCornerModules = 9.0;
constexpr int kMaxFormatErrors = 3;

// Format bit k is read from module (column, row) kFormatModules[k].
struct Module {
    int column, row;
};
constexpr Module kFormatModules[kFormatBits] = {
    {8, 1}, {8, 2}, {8, 3}, {8, 4}, {8, 5}, {8, 6}, {8, 7}, {8, 8},
    {7, 8}, {6, 8}, {5, 8}, {4, 8}, {3, 8}, {2, 8}, {1, 8},
};

bool Inside(const BitImageView &image, geom::PointF p) {
    return p.x >= 0 && p.y >= 0 && p.x < image.Width() && p.y < image.Height();
}

}  // namespace

RotationFrame FrameOf(MicroQRCandidate &c, int rotation) {
    const geom::QuadF &f = c.finder;
    // Each finder side spans 7 modules; corners on the outline's pixels add
    // the last pixel of the side.
    const double last = c.outerEdges ? 0 : 1;
    c.u = {((f.topRight.x - f.topLeft.x + last) + (f.bottomRight.x - f.bottomLeft.x + last)) /
               (2 * kFinderModules),
           ((f.bottomRight.y - f.bottomLeft.y) + (f.topRight.y - f.topLeft.y)) / (2 * kFinderModules)};
    c.v = {((f.bottomRight.x - f.topRight.x) + (f.bottomLeft.x - f.topLeft.x)) / (2 * kFinderModules),
           ((f.bottomRight.y - f.topRight.y + last) + (f.bottomLeft.y - f.topLeft.y + last)) /
               (2 * kFinderModules)};
    RotationFrame frame;
    switch (rotation) {
        case 2:
            frame = {f.topRight, c.v, -c.u};
            break;
        case 3:
            frame = {f.bottomRight, -c.u, -c.v};
            break;
        case 4:
            frame = {f.bottomLeft, -c.v, c.u};
            break;
        default:
            frame = {f.topLeft, c.u, c.v};
            rotation = 1;
            break;
    }
    if (c.projective) {
        // The finder's corners from the rotation's origin on, clockwise.
        geom::QuadF turned;
        for (int i = 0; i < geom::QuadF::kCorners; ++i)
            turned[i] = f[(i + rotation - 1) % geom::QuadF::kCorners];
        if (const std::optional<geom::Perspective> warp = geom::Perspective::SquareToQuad(turned)) {
            c.warp = *warp;
            frame.warp = &c.warp;
        } else {
            c.projective = false;  // a degenerate finder has no map: the grid stays affine
        }
    }
    return frame;
}

std::optional<std::uint16_t> MatchFormatWord(std::uint16_t bits) {
    std::optional<std::uint16_t> best;
    std::size_t bestDistance = kMaxFormatErrors + 1;
    for (const std::uint16_t word : kFormatWords) {
        const std::size_t distance = std::bitset<kFormatBits>(static_cast<unsigned>(word ^ bits)).count();
        if (distance < bestDistance) {
            bestDistance = distance;
            best = word;
        }
    }
    return best;
}

Outcome ReadMicroFormat(const BitImageView &image, MicroQRCandidate &c, int rotation) {
    const RotationFrame frame = FrameOf(c, rotation);
    if (!Inside(image, frame.At(0, 0)) || !Inside(image, frame.At(kCornerModules, 0)) ||
        !Inside(image, frame.At(0, kCornerModules)) ||
        !Inside(image, frame.At(kCornerModules, kCornerModules)))
        return Outcome::kNoCorners;

    std::uint16_t bits = 0;
    for (int k = 0; k < kFormatBits; ++k) {
        const Module m = kFormatModules[k];
        const geom::PointF p = frame.At(m.column + 0.5, m.row + 0.5);
        if (Inside(image, p) && image.Dark(static_cast<int>(p.x), static_cast<int>(p.y)))
            bits |= static_cast<std::uint16_t>(1u << k);
    }
    const std::optional<std::uint16_t> word = MatchFormatWord(bits);
    if (!word) return Outcome::kNoFormat;
    const unsigned k = static_cast<unsigned>(*word ^ kFormatXorMask) >> 10;
    const SymbolNumber &number = kSymbolNumbers[k >> 2];
    c.version = number.version;
    c.level = number.level;
    c.mask = static_cast<std::uint8_t>(k & 3);
    return Outcome::kDecoded;
}

void SetMicroGrid(const BitImageView &image, MicroQRCandidate &c, int rotation) {
    const RotationFrame frame = FrameOf(c, rotation);
    const int size = SymbolSize(c.version);
    c.rows = c.columns = static_cast<std::uint16_t>(size);
    geom::QuadF &q = c.corners;
    q.topLeft = frame.At(0, 0);
    q.topRight = frame.At(size, 0);
    q.bottomLeft = frame.At(0, size);
    q.bottomRight = frame.warp != nullptr ? frame.At(size, size) : q.topRight + q.bottomLeft - q.topLeft;
    geom::ClampCorners(q, image.Width(), image.Height());
    const double across = 2.0 * size;
    c.u = ((q.bottomRight - q.bottomLeft) + (q.topRight - q.topLeft)) * (1.0 / across);
    c.v = ((q.bottomLeft - q.topLeft) + (q.bottomRight - q.topRight)) * (1.0 / across);
}

}  // namespace zr::microqr
