// Outline of a labelled region: a clockwise chain of neighbour moves from its
// start pixel, and the outline's extent on every row and column of the box.
#include <algorithm>
#include <array>
#include <cstring>

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

// Neighbourhood of any pixel, every pixel outside the picture light.
Neighbourhood EdgeAround(const BitImageView &view, geom::PointI at) {
    Neighbourhood around = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            around = around << 1 | (view.DarkOrOutside(at.x + dx, at.y + dy) ? 1u : 0u);
    return around;
}

// True when StoredAround may read the neighbourhood of pixel (x, y): its
// three rows and columns lie in the picture.
bool StoredAroundReadable(const BitImageView &view, int x, int y) {
    return x >= 1 && x < view.Width() - 1 && y >= 1 && y < view.Height() - 1 && view.Pitch() >= 4;
}

// Pixels x - 1, x, x + 1 of the stored row below `row`, of `row` and of the
// row above (one pitch on each), as a neighbourhood: each row's four bytes
// from the one holding x - 1, read as one big-endian word, or the row's last
// four bytes when those would run past its end (the three pixels lie within
// them then, as x + 1 is in the row). Needs StoredAroundReadable(x, y).
template <bool kSetIsDark>
inline Neighbourhood StoredAround(const std::uint8_t *row, std::ptrdiff_t pitch, int x) {
    const int left = x - 1;
    const int first = std::min(left >> 3, static_cast<int>(pitch) - 4);
    const std::uint8_t *const below = row - pitch + first;
    const unsigned shift = 29u - static_cast<unsigned>(left - 8 * first);
    const auto triple = [shift](const std::uint8_t *bytes) {
        std::uint32_t word;
        std::memcpy(&word, bytes, sizeof word);
        return (__builtin_bswap32(word) >> shift) & 7u;
    };
    // The three fields do not overlap: sums scaled by 8 (one address computation each).
    const Neighbourhood set = (triple(below + 2 * pitch) * 8 + triple(below + pitch)) * 8 + triple(below);
    return kSetIsDark ? set : set ^ 0x1FFu;
}

// Change of x, y and the stored-row offset for each move; stored rows run
// bottom-up, so a step up is one pitch on.
struct Step {
    int dx, dy;
    std::ptrdiff_t rowOffset;
};
std::array<Step, 9> Steps(std::ptrdiff_t pitch) {
    std::array<Step, 9> steps{};
    for (std::size_t d = 1; d <= 8; ++d)
        steps[d] = {kDirectionSteps[d].x, kDirectionSteps[d].y, -kDirectionSteps[d].y * pitch};
    return steps;
}

// True when StoredAround may read the neighbourhood of every pixel of `box`:
// the readable pixels form a rectangle, so its two far corners decide.
bool AroundReadable(const BitImageView &view, const geom::Rect &box) {
    return box.x1 > box.x0 && box.y1 > box.y0 && StoredAroundReadable(view, box.x0, box.y0) &&
           StoredAroundReadable(view, box.x1 - 1, box.y1 - 1);
}

// Where a trace stands: the pixel reached by `move`, the `made`-th move.
struct TraceAt {
    int x, y;
    std::uint8_t move;
    std::size_t made;
};

// Finishes a trace from `at` with every read checked: neighbourhoods of pixels
// near the picture's edge pixel by pixel, all others from the stored rows.
// Each further move goes to `onMove(move)`, and every pixel reached that the
// trace goes on from to `onPixel(x, y, column, row, inBox)` (column and row
// counted from the box's corner). Returns the number of moves.
template <bool kSetIsDark, typename OnMove, typename OnPixel>
std::size_t FinishChecked(const BitImageView &view, const geom::Rect &box, geom::PointI start, std::uint8_t first,
                          TraceAt at, std::size_t capacity, OnMove &&onMove, OnPixel &&onPixel) {
    const auto boxWidth = static_cast<unsigned>(std::max(box.Width(), 0));
    const auto boxHeight = static_cast<unsigned>(std::max(box.Height(), 0));
    const std::ptrdiff_t pitch = view.Pitch();
    int x = at.x;
    int y = at.y;
    std::uint8_t move = at.move;
    std::size_t made = at.made;
    while (true) {
        const Neighbourhood around = StoredAroundReadable(view, x, y) ? StoredAround<kSetIsDark>(view.Row(y), pitch, x)
                                                               : EdgeAround(view, {x, y});
        const std::uint8_t next = kNextMove[move][around];
        if (made >= capacity || next == 0) break;
        if (x == start.x && y == start.y && next == first) break;
        const int column = x - box.x0;
        const int row = y - box.y0;
        onPixel(x, y, column, row, static_cast<unsigned>(column) < boxWidth && static_cast<unsigned>(row) < boxHeight);
        move = next;
        onMove(move);
        ++made;
        x += kDirectionSteps[move].x;
        y += kDirectionSteps[move].y;
    }
    return made;
}

// Follows the outline clockwise from the region's start pixel, at most
// `capacity` moves; callbacks as FinishChecked's. While the trace stays in a
// box whose neighbourhoods are all readable, a move costs three four-byte reads,
// one lookup and no bounds check but the box's; the position is kept as x,
// the row within the box and a stored-row pointer. A trace leaving the box (a
// region cut by the labelled rectangle) is finished with checked reads.
template <bool kSetIsDark, typename OnMove, typename OnPixel>
std::size_t TraceRegion(const BitImageView &view, const Region &region, std::size_t capacity, OnMove &&onMove,
                        OnPixel &&onPixel) {
    const geom::Rect &box = region.box;
    const geom::PointI start = region.start;
    if (!AroundReadable(view, box) || !box.Contains(start)) {
        const std::uint8_t first = kNextMove[kFirstSearch][EdgeAround(view, start)];
        if (first == 0 || capacity == 0) return 0;
        onMove(first);
        const TraceAt at = {start.x + kDirectionSteps[first].x, start.y + kDirectionSteps[first].y, first, 1};
        return FinishChecked<kSetIsDark>(view, box, start, first, at, capacity, onMove, onPixel);
    }
    const std::ptrdiff_t pitch = view.Pitch();
    const std::array<Step, 9> steps = Steps(pitch);
    const int x0 = box.x0;
    const int y0 = box.y0;
    const auto boxWidth = static_cast<unsigned>(box.Width());
    const auto boxHeight = static_cast<unsigned>(box.Height());
    int x = start.x;
    int boxRow = start.y - y0;  // y less the box's top: y itself is not needed in the loop
    const int startRow = boxRow;
    const std::uint8_t *row = view.Row(start.y);
    const std::uint8_t first = kNextMove[kFirstSearch][StoredAround<kSetIsDark>(row, pitch, x)];
    if (first == 0 || capacity == 0) return 0;
    std::size_t remaining = capacity;
    std::uint8_t move = first;
    while (true) {
        onMove(move);
        --remaining;
        const Step &step = steps[move];
        x += step.dx;
        boxRow += step.dy;
        const int column = x - x0;
        if (static_cast<unsigned>(column) >= boxWidth || static_cast<unsigned>(boxRow) >= boxHeight) {
            const TraceAt at = {x, boxRow + y0, move, capacity - remaining};
            return FinishChecked<kSetIsDark>(view, box, start, first, at, capacity, onMove, onPixel);
        }
        row += step.rowOffset;
        const std::uint8_t next = kNextMove[move][StoredAround<kSetIsDark>(row, pitch, x)];
        if (remaining == 0 || next == 0) break;
        if (x == start.x) {
            if (boxRow == startRow && next == first) break;
        }
        onPixel(x, boxRow + y0, column, boxRow, true);
        move = next;
    }
    return capacity - remaining;
}

template <typename OnMove, typename OnPixel>
std::size_t Trace(const BitImageView &view, const Region &region, std::size_t capacity, OnMove &&onMove,
                  OnPixel &&onPixel) {
    return view.SetBitIsDark() ? TraceRegion<true>(view, region, capacity, onMove, onPixel)
                               : TraceRegion<false>(view, region, capacity, onMove, onPixel);
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
    std::size_t i = 0;
    const std::size_t length = Trace(
        view, region, capacity, [moves, &i](std::uint8_t move) { moves[i++] = move; }, [](int, int, int, int, bool) {});
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
    // Widens the row and column extents by a pixel of the outline in the box;
    // a trace leaving the box through the rectangle's edge passes others.
    const auto extend = [=](int x, int y, int column, int row, bool inBox) {
        if (!inBox) return;
        const auto r = static_cast<unsigned>(row);
        const auto c = static_cast<unsigned>(column);
        rowLeft[r] = std::min(rowLeft[r], x);
        rowRight[r] = std::max(rowRight[r], x);
        colTop[c] = std::min(colTop[c], y);
        colBottom[c] = std::max(colBottom[c], y);
    };
    // The extents take the start pixel and every pixel the trace goes on from:
    // the pixel the last move reaches is the start again, or ends a cut trace.
    const geom::PointI start = region.start;
    const int startColumn = start.x - region.box.x0;
    const int startRow = start.y - region.box.y0;
    extend(start.x, start.y, startColumn, startRow,
           static_cast<unsigned>(startColumn) < static_cast<unsigned>(width) &&
               static_cast<unsigned>(startRow) < static_cast<unsigned>(height));
    Trace(view, region, TraceCapacity(region), [](std::uint8_t) {}, extend);
}

void EnsureOutline(const BitImageView &view, Region &region) {
    if (!region.HasOutline() && region.Height() > 0 && region.Width() > 0) RegionOutline(view, region);
}

}  // namespace zr::regions
