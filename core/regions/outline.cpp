// Outline of a labelled region: a clockwise chain of neighbour moves from its
// start pixel, and the outline's extent on every row and column of the box.
#include <algorithm>
#include <array>

#include "core/regions/regions.hpp"

namespace zr::regions {

namespace {

// Pixel steps of the chain directions 1..8 (index 0 unused), y growing downward.
constexpr std::array<geom::PointI, 9> kDirectionSteps = {{
    {0, 0},
    {0, -1},
    {1, -1},
    {1, 0},
    {1, 1},
    {0, 1},
    {-1, 1},
    {-1, 0},
    {-1, -1},
}};

// First dark neighbour of `at` in clockwise order from direction `from`; 0 when none.
int FirstDarkNeighbour(const BitImageView &view, geom::PointI at, int from) {
    for (int k = 0; k < 8; ++k) {
        const int d = (from - 1 + k) % 8 + 1;
        const geom::PointI n = at + kDirectionSteps[static_cast<std::size_t>(d)];
        if (view.DarkOrOutside(n.x, n.y)) return d;
    }
    return 0;
}

}  // namespace

std::size_t TraceOutline(const BitImageView &view, const Region &region, std::vector<std::uint8_t> &chain) {
    // A region reaching beyond its box (through the rectangle's edge) could
    // wander far; the chain stops at its capacity.
    const std::size_t capacity =
        2 * static_cast<std::size_t>(region.Width()) * static_cast<std::size_t>(std::max(region.Height(), 1));
    // The chain grows as the trace needs it: a large region's outline is
    // mostly far shorter than its capacity.
    const auto reserve = [&chain, capacity](std::size_t length) {
        if (chain.size() > length) return;
        constexpr std::size_t kFirstSize = 4096;
        chain.resize(std::min(capacity + 1, std::max({kFirstSize, 2 * chain.size(), length + 1})));
    };
    reserve(0);
    const geom::PointI start = region.start;
    const int first = FirstDarkNeighbour(view, start, 1);
    std::size_t length = 0;
    if (first != 0) {
        geom::PointI at = start;
        int move = first;
        while (length < capacity) {
            reserve(length + 1);  // the move and the closing zero
            chain[length++] = static_cast<std::uint8_t>(move);
            at += kDirectionSteps[static_cast<std::size_t>(move)];
            // Search clockwise from the direction back towards where the move came from, plus one.
            const int next = FirstDarkNeighbour(view, at, (move + 4) % 8 + 1);
            if (next == 0) break;
            if (at == start && next == first) break;
            move = next;
        }
    }
    chain[length] = 0;
    return length;
}

void OutlineExtents(Region &region, const std::vector<std::uint8_t> &chain) {
    geom::PointI at = region.start;
    std::size_t i = 0;
    do {
        const int row = at.y - region.box.y0;
        const int column = at.x - region.box.x0;
        if (row >= 0 && row < region.Height() && column >= 0 && column < region.Width()) {
            const auto r = static_cast<std::size_t>(row);
            const auto c = static_cast<std::size_t>(column);
            region.rowLeft[r] = std::min(region.rowLeft[r], at.x);
            region.rowRight[r] = std::max(region.rowRight[r], at.x);
            region.colTop[c] = std::min(region.colTop[c], at.y);
            region.colBottom[c] = std::max(region.colBottom[c], at.y);
        }
        if (i >= chain.size() || chain[i] == 0 || chain[i] > 8) break;
        at += kDirectionSteps[chain[i]];
        ++i;
    } while (i < chain.size() && chain[i] != 0);
}

void RegionOutline(const BitImageView &view, Region &region, std::vector<std::uint8_t> &chain) {
    const auto height = static_cast<std::size_t>(std::max(region.Height(), 0));
    const auto width = static_cast<std::size_t>(std::max(region.Width(), 0));
    region.rowLeft.assign(height, kNoOutline);
    region.rowRight.assign(height, 0);
    region.colTop.assign(width, kNoOutline);
    region.colBottom.assign(width, 0);
    TraceOutline(view, region, chain);
    OutlineExtents(region, chain);
}

}  // namespace zr::regions
