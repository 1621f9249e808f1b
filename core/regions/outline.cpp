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

// For the move that reached a pixel (1..8) and the pixel's neighbourhood, the
// next move: the first dark neighbour clockwise from the direction back
// towards where the move came from, plus one; 0 when no neighbour is dark.
// Row 4 (a move down) searches from direction 1, as the trace's first move does.
constexpr std::array<std::array<std::uint8_t, 512>, 9> NextMoveTable() {
    // Bit of the neighbourhood for directions 1..8 (up, up-right, right, down-right, down, down-left, left, up-left).
    constexpr std::array<int, 9> kBit = {0, 7, 6, 3, 0, 1, 2, 5, 8};
    std::array<std::array<std::uint8_t, 512>, 9> table{};
    for (int reached = 1; reached <= 8; ++reached) {
        const int from = (reached + 4) % 8 + 1;
        for (int around = 0; around < 512; ++around) {
            for (int k = 0; k < 8; ++k) {
                const int d = (from - 1 + k) % 8 + 1;
                if ((around >> kBit[static_cast<std::size_t>(d)]) & 1) {
                    table[static_cast<std::size_t>(reached)][static_cast<std::size_t>(around)] = static_cast<std::uint8_t>(d);
                    break;
                }
            }
        }
    }
    return table;
}
constexpr auto kNextMove = NextMoveTable();
constexpr std::size_t kFirstSearch = 4;  // the row of kNextMove that searches from direction 1

// Pixels x - 1, x, x + 1 of a stored row as bits 2, 1, 0 (set bits, not yet
// dark), for 1 <= x <= width - 2. The bytes of x - 1 and x + 1 are read; they
// are the same byte when the three pixels do not cross a byte boundary, and
// then the shift takes all three from the first, so no byte past the row's
// last pixel is ever read.
inline unsigned RowTriple(const std::uint8_t *row, int x) {
    const int left = x - 1;
    const unsigned pair = static_cast<unsigned>(row[left >> 3]) << 8 | row[(x + 1) >> 3];
    return (pair >> (13 - (left & 7))) & 7u;
}

// Neighbourhood of a pixel inside the one-pixel frame: three stored rows
// (stored bottom-up, so the row above is one pitch on). `flip` is 0 when a set
// bit is dark and 0x1FF otherwise.
inline Neighbourhood InnerAround(const std::uint8_t *row, std::ptrdiff_t pitch, int x, unsigned flip) {
    return (RowTriple(row + pitch, x) << 6 | RowTriple(row, x) << 3 | RowTriple(row - pitch, x)) ^ flip;
}

// Neighbourhood of any pixel, every pixel outside the picture light.
Neighbourhood EdgeAround(const BitImageView &view, geom::PointI at) {
    Neighbourhood around = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            around = around << 1 | (view.DarkOrOutside(at.x + dx, at.y + dy) ? 1u : 0u);
    return around;
}

// Follows the outline clockwise from the region's start pixel: each move goes
// to `onMove(index, move)`, and every pixel reached that the trace goes on
// from (all but the last one reached) to `onPixel(x, y)`; at most `capacity`
// moves. Returns the number of moves. The position is kept both as (x, y) and
// as a stored-row offset moved by a per-direction step, so that a move inside
// the frame costs three pairs of byte reads and one table lookup.
template <typename OnMove, typename OnPixel>
std::size_t Trace(const BitImageView &view, const Region &region, std::size_t capacity, OnMove &&onMove,
                  OnPixel &&onPixel) {
    const int width = view.Width();
    const int height = view.Height();
    const std::ptrdiff_t pitch = view.Pitch();
    const unsigned flip = view.SetBitIsDark() ? 0u : 0x1FFu;
    // Stored-row offset of each move: a step up is one pitch on.
    std::array<std::ptrdiff_t, 9> rowStep{};
    for (std::size_t d = 1; d <= 8; ++d) rowStep[d] = -kDirectionSteps[d].y * pitch;
    // Inside the frame (1 <= x <= width - 2, 1 <= y <= height - 2) the whole
    // neighbourhood lies in the picture; one unsigned compare per axis.
    const auto innerWidth = static_cast<unsigned>(std::max(width - 2, 0));
    const auto innerHeight = static_cast<unsigned>(std::max(height - 2, 0));
    const auto inside = [&](int x, int y) {
        return static_cast<unsigned>(x - 1) < innerWidth && static_cast<unsigned>(y - 1) < innerHeight;
    };

    const int startX = region.start.x;
    const int startY = region.start.y;
    int x = startX;
    int y = startY;
    // Offset of row y from the picture's first stored byte; it becomes a
    // pointer only inside the frame.
    const std::uint8_t *const bits = view.Row(height - 1);
    std::ptrdiff_t rowOffset = static_cast<std::ptrdiff_t>(height - 1 - y) * pitch;
    const auto around = [&]() {
        return inside(x, y) ? InnerAround(bits + rowOffset, pitch, x, flip) : EdgeAround(view, {x, y});
    };
    const std::uint8_t first = kNextMove[kFirstSearch][around()];
    if (first == 0 || capacity == 0) return 0;
    std::size_t length = 0;
    std::uint8_t move = first;
    while (true) {
        onMove(length++, move);
        x += kDirectionSteps[move].x;
        y += kDirectionSteps[move].y;
        rowOffset += rowStep[move];
        const std::uint8_t next = kNextMove[move][around()];
        if (length >= capacity || next == 0) break;
        if (x == startX && y == startY && next == first) break;
        onPixel(x, y);
        move = next;
    }
    return length;
}

// A region reaching beyond its box (through the rectangle's edge) could
// wander far; a trace stops after this many moves.
std::size_t TraceCapacity(const Region &region) {
    return 2 * static_cast<std::size_t>(region.Width()) * static_cast<std::size_t>(std::max(region.Height(), 1));
}

}  // namespace

std::size_t TraceOutline(const BitImageView &view, const Region &region, std::vector<std::uint8_t> &chain) {
    const std::size_t capacity = TraceCapacity(region);
    if (chain.size() < capacity + 1) chain.resize(capacity + 1);
    std::uint8_t *const moves = chain.data();
    const std::size_t length = Trace(
        view, region, capacity, [moves](std::size_t i, std::uint8_t move) { moves[i] = move; }, [](int, int) {});
    chain[length] = 0;
    return length;
}

void RegionOutline(const BitImageView &view, Region &region) {
    const int height = std::max(region.Height(), 0);
    const int width = std::max(region.Width(), 0);
    region.rowLeft.assign(static_cast<std::size_t>(height), kNoOutline);
    region.rowRight.assign(static_cast<std::size_t>(height), 0);
    region.colTop.assign(static_cast<std::size_t>(width), kNoOutline);
    region.colBottom.assign(static_cast<std::size_t>(width), 0);
    std::int32_t *const rowLeft = region.rowLeft.data();
    std::int32_t *const rowRight = region.rowRight.data();
    std::int32_t *const colTop = region.colTop.data();
    std::int32_t *const colBottom = region.colBottom.data();
    const int x0 = region.box.x0;
    const int y0 = region.box.y0;
    // Widens the row and column extents by a pixel of the outline inside the
    // box; a trace leaving the box through the rectangle's edge passes outside.
    const auto extend = [=](int x, int y) {
        const auto row = static_cast<unsigned>(y - y0);
        const auto column = static_cast<unsigned>(x - x0);
        if (row >= static_cast<unsigned>(height) || column >= static_cast<unsigned>(width)) return;
        rowLeft[row] = std::min(rowLeft[row], x);
        rowRight[row] = std::max(rowRight[row], x);
        colTop[column] = std::min(colTop[column], y);
        colBottom[column] = std::max(colBottom[column], y);
    };
    // The extents take the start pixel and every pixel the trace goes on from:
    // the pixel the last move reaches is the start again, or ends a cut trace.
    extend(region.start.x, region.start.y);
    Trace(view, region, TraceCapacity(region), [](std::size_t, std::uint8_t) {}, extend);
}

void EnsureOutline(const BitImageView &view, Region &region) {
    if (!region.HasOutline() && region.Height() > 0 && region.Width() > 0) RegionOutline(view, region);
}

}  // namespace zr::regions
