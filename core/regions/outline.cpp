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

// Dark neighbours of a pixel as eight bits, bit d - 1 for direction d.
using NeighbourMask = std::uint8_t;

// For every starting direction and neighbour mask, the first direction
// clockwise from the start whose neighbour is dark; 0 when none is.
constexpr std::array<std::array<std::uint8_t, 256>, 9> FirstDarkTable() {
    std::array<std::array<std::uint8_t, 256>, 9> table{};
    for (int from = 1; from <= 8; ++from) {
        for (int mask = 0; mask < 256; ++mask) {
            for (int k = 0; k < 8; ++k) {
                const int d = (from - 1 + k) % 8 + 1;
                if ((mask >> (d - 1)) & 1) {
                    table[static_cast<std::size_t>(from)][static_cast<std::size_t>(mask)] = static_cast<std::uint8_t>(d);
                    break;
                }
            }
        }
    }
    return table;
}
constexpr auto kFirstDark = FirstDarkTable();

// Dark pixels x - 1, x, x + 1 of row y as bits 2, 1, 0; outside the picture is light.
unsigned DarkTriple(const BitImageView &view, int x, int y) {
    if (y < 0 || y >= view.Height()) return 0;
    if (x < 1 || x + 1 >= view.Width())
        return (view.DarkOrOutside(x - 1, y) ? 4u : 0u) | (view.DarkOrOutside(x, y) ? 2u : 0u) |
               (view.DarkOrOutside(x + 1, y) ? 1u : 0u);
    const std::uint8_t *row = view.Row(y);
    const int left = x - 1;
    const int offset = left & 7;
    unsigned pair = static_cast<unsigned>(row[left >> 3]) << 8;
    if (offset > 5) pair |= row[(left >> 3) + 1];  // the three pixels cross into the next byte
    const unsigned bits = (pair >> (13 - offset)) & 7u;
    return view.SetBitIsDark() ? bits : ~bits & 7u;
}

NeighbourMask DarkNeighbours(const BitImageView &view, geom::PointI at) {
    const unsigned up = DarkTriple(view, at.x, at.y - 1);
    const unsigned middle = DarkTriple(view, at.x, at.y);
    const unsigned down = DarkTriple(view, at.x, at.y + 1);
    // Directions 1 up, 2 up-right, 3 right, 4 down-right, 5 down, 6 down-left, 7 left, 8 up-left.
    return static_cast<NeighbourMask>((up >> 1 & 1u) | (up & 1u) << 1 | (middle & 1u) << 2 | (down & 1u) << 3 |
                                      (down >> 1 & 1u) << 4 | (down >> 2 & 1u) << 5 | (middle >> 2 & 1u) << 6 |
                                      (up >> 2 & 1u) << 7);
}

// First dark neighbour of `at` in clockwise order from direction `from`; 0 when none.
int FirstDarkNeighbour(const BitImageView &view, geom::PointI at, int from) {
    return kFirstDark[static_cast<std::size_t>(from)][DarkNeighbours(view, at)];
}

}  // namespace

std::size_t TraceOutline(const BitImageView &view, const Region &region, std::vector<std::uint8_t> &chain) {
    // A region reaching beyond its box (through the rectangle's edge) could
    // wander far; the chain stops at its capacity.
    const std::size_t capacity =
        2 * static_cast<std::size_t>(region.Width()) * static_cast<std::size_t>(std::max(region.Height(), 1));
    if (chain.size() < capacity + 1) chain.resize(capacity + 1);
    const geom::PointI start = region.start;
    const int first = FirstDarkNeighbour(view, start, 1);
    std::size_t length = 0;
    if (first != 0) {
        geom::PointI at = start;
        int move = first;
        while (length < capacity) {
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

void EnsureOutline(const BitImageView &view, Region &region, std::vector<std::uint8_t> &chain) {
    if (!region.HasOutline() && region.Height() > 0 && region.Width() > 0) RegionOutline(view, region, chain);
}

}  // namespace zr::regions
