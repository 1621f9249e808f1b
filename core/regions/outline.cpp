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

// The 3 x 3 neighbourhood of a pixel as nine bits: the row above in bits
// 8..6, the pixel's row in 5..3, the row below in 2..0, each row's pixels
// x - 1, x, x + 1 from high to low; a set bit is dark.
using Neighbourhood = unsigned;

// For every starting direction and neighbourhood, the first direction
// clockwise from the start whose neighbour is dark; 0 when none is.
constexpr std::array<std::array<std::uint8_t, 512>, 9> FirstDarkTable() {
    // Bit of the neighbourhood for directions 1..8 (up, up-right, right, down-right, down, down-left, left, up-left).
    constexpr std::array<int, 9> kBit = {0, 7, 6, 3, 0, 1, 2, 5, 8};
    std::array<std::array<std::uint8_t, 512>, 9> table{};
    for (int from = 1; from <= 8; ++from) {
        for (int around = 0; around < 512; ++around) {
            for (int k = 0; k < 8; ++k) {
                const int d = (from - 1 + k) % 8 + 1;
                if ((around >> kBit[static_cast<std::size_t>(d)]) & 1) {
                    table[static_cast<std::size_t>(from)][static_cast<std::size_t>(around)] = static_cast<std::uint8_t>(d);
                    break;
                }
            }
        }
    }
    return table;
}
constexpr auto kFirstDark = FirstDarkTable();

// Pixels x - 1, x, x + 1 of a stored row as bits 2, 1, 0 (set bits, not yet dark).
unsigned RowTriple(const std::uint8_t *row, int x) {
    const int left = x - 1;
    const int offset = left & 7;
    unsigned pair = static_cast<unsigned>(row[left >> 3]) << 8;
    if (offset > 5) pair |= row[(left >> 3) + 1];  // the three pixels cross into the next byte
    return (pair >> (13 - offset)) & 7u;
}

Neighbourhood DarkAround(const BitImageView &view, geom::PointI at) {
    if (at.x >= 1 && at.y >= 1 && at.x + 1 < view.Width() && at.y + 1 < view.Height()) {
        // Inside the frame: three reads of stored rows (stored bottom-up, so the row above is one pitch on).
        const std::uint8_t *row = view.Row(at.y);
        const std::ptrdiff_t pitch = view.Pitch();
        const unsigned bits = RowTriple(row + pitch, at.x) << 6 | RowTriple(row, at.x) << 3 | RowTriple(row - pitch, at.x);
        return view.SetBitIsDark() ? bits : ~bits & 0x1FFu;
    }
    Neighbourhood around = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            around = around << 1 | (view.DarkOrOutside(at.x + dx, at.y + dy) ? 1u : 0u);
    return around;
}

// First dark neighbour of `at` in clockwise order from direction `from`; 0 when none.
int FirstDarkNeighbour(const BitImageView &view, geom::PointI at, int from) {
    return kFirstDark[static_cast<std::size_t>(from)][DarkAround(view, at)];
}

// Follows the outline clockwise from the region's start pixel, handing each
// move to `onMove`; at most `capacity` moves. Returns the number of moves.
template <typename OnMove>
std::size_t Trace(const BitImageView &view, const Region &region, std::size_t capacity, OnMove &&onMove) {
    const geom::PointI start = region.start;
    const int first = FirstDarkNeighbour(view, start, 1);
    if (first == 0) return 0;
    std::size_t length = 0;
    geom::PointI at = start;
    int move = first;
    while (length < capacity) {
        onMove(length++, move, at);
        at += kDirectionSteps[static_cast<std::size_t>(move)];
        // Search clockwise from the direction back towards where the move came from, plus one.
        const int next = FirstDarkNeighbour(view, at, (move + 4) % 8 + 1);
        if (next == 0) break;
        if (at == start && next == first) break;
        move = next;
    }
    return length;
}

// A region reaching beyond its box (through the rectangle's edge) could
// wander far; a trace stops after this many moves.
std::size_t TraceCapacity(const Region &region) {
    return 2 * static_cast<std::size_t>(region.Width()) * static_cast<std::size_t>(std::max(region.Height(), 1));
}

// Widens the row and column extents by a pixel of the outline inside the box.
void Extend(Region &region, geom::PointI at) {
    const int row = at.y - region.box.y0;
    const int column = at.x - region.box.x0;
    if (row < 0 || row >= region.Height() || column < 0 || column >= region.Width()) return;
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(column);
    region.rowLeft[r] = std::min(region.rowLeft[r], at.x);
    region.rowRight[r] = std::max(region.rowRight[r], at.x);
    region.colTop[c] = std::min(region.colTop[c], at.y);
    region.colBottom[c] = std::max(region.colBottom[c], at.y);
}

}  // namespace

std::size_t TraceOutline(const BitImageView &view, const Region &region, std::vector<std::uint8_t> &chain) {
    const std::size_t capacity = TraceCapacity(region);
    if (chain.size() < capacity + 1) chain.resize(capacity + 1);
    const std::size_t length = Trace(view, region, capacity, [&chain](std::size_t i, int move, geom::PointI) {
        chain[i] = static_cast<std::uint8_t>(move);
    });
    chain[length] = 0;
    return length;
}

void RegionOutline(const BitImageView &view, Region &region) {
    const auto height = static_cast<std::size_t>(std::max(region.Height(), 0));
    const auto width = static_cast<std::size_t>(std::max(region.Width(), 0));
    region.rowLeft.assign(height, kNoOutline);
    region.rowRight.assign(height, 0);
    region.colTop.assign(width, kNoOutline);
    region.colBottom.assign(width, 0);
    // The extents take the start pixel and the pixel before every move: the
    // pixel the last move reaches is the start again, or ends a cut trace.
    Extend(region, region.start);
    Trace(view, region, TraceCapacity(region), [&region](std::size_t i, int, geom::PointI from) {
        if (i > 0) Extend(region, from);
    });
}

void EnsureOutline(const BitImageView &view, Region &region) {
    if (!region.HasOutline() && region.Height() > 0 && region.Width() > 0) RegionOutline(view, region);
}

}  // namespace zr::regions
