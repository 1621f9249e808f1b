// The second look on grey levels: symbols too small, soft or turned for the
// bi-level runs are measured on the picture's grey levels with sub-pixel
// edges (core/edges GreyEdgeFinder).
//   FindGreySides (grey_sides.cpp): start patterns on scan lines of four
//     families, grouped into the start sides of symbols;
//   ReadGreyRows (grey_rows.cpp): the stop side and the column count from
//     probes across the symbol, then lines along the rows cut into
//     codewords of eight edge-to-edge widths, decoded by width ratios and
//     voted into rows by the row indicators.
// The scan (scan_pass.cpp) corrects and decodes what ReadGreyRows returns.
#pragma once

#include <cstdint>
#include <vector>

#include "core/edges/grey_edges.hpp"
#include "core/grey_plane.hpp"
#include "pdf417/stages.hpp"

namespace zr::pdf417 {

// Widths of grey elements in fixed point (1/8 sample) so that the bi-level
// pattern tests (StartAt, StopAt) measure them.
constexpr double kGreyRunScale = 8.0;

// The start side of a symbol seen on several scan lines.
struct GreySide {
    PointF first, last;  // ends of the start pattern's outer edge, in scan order
    PointF along;        // unit vector across the rows, from the start pattern into the symbol
    double module = 0;   // pixels
    std::uint8_t barColor = kDarkBars;
    int hits = 0;  // scan lines that crossed the start pattern
};

// Buffers the grey look reuses from line to line and symbol to symbol.
struct GreyWork {
    edges::GreyEdgeFinder finder;
    std::vector<std::uint8_t> profile;
    std::vector<std::uint16_t> runs;  // element widths of a line, kGreyRunScale per sample
    struct Vote {
        int value = -1;
        int exact = 0;   // lines that matched the pattern exactly
        int nearby = 0;  // lines whose nearest pattern it was
    };
    static constexpr int kVotesPerCell = 3;
    std::vector<Vote> votes;  // kMaxRows x kMaxColumns cells of kVotesPerCell
    // Blocks of kContrastBlock pixels square where a start pattern may lie:
    // the levels of the block and its neighbours span the contrast it needs
    // (MapContrast). Lines that cross none are not looked at.
    static constexpr int kContrastBlock = 16;
    int blockColumns = 0, blockRows = 0;
    std::vector<std::uint8_t> contrast;  // empty until MapContrast
    bool anyContrast = false;
    bool HasContrast(double x, double y) const {
        const int bx = static_cast<int>(x) / kContrastBlock, by = static_cast<int>(y) / kContrastBlock;
        return bx >= 0 && by >= 0 && bx < blockColumns && by < blockRows &&
               contrast[static_cast<std::size_t>(by * blockColumns + bx)] != 0;
    }
};

// Marks the blocks of the plane whose levels, with their neighbours', span `minChange` or more.
void MapContrast(const GreyPlane &plane, int minChange, GreyWork &work);

// The start sides of the symbols in the search area, most hits first (after MapContrast).
void FindGreySides(const GreyPlane &plane, const ScanSettings &settings, std::uint8_t directions,
                   GreyWork &work, std::vector<GreySide> &sides);

// Measures the symbol of a start side and reads its rows into `out`:
// codewords that no line read have guessed 2, those only near a pattern
// guessed 1. kRead, or kUnreadable.
SymbolOutcome ReadGreyRows(const GreyPlane &plane, const Rect &area, const GreySide &side, GreyWork &work,
                           MeasuredSymbol &symbol, SymbolRows &out);

// The element widths between consecutive edges of one profile, in
// kGreyRunScale units: `runs[i]` lies between edges i and i + 1.
void GreyRuns(const std::vector<edges::GreyEdge> &edges, std::vector<std::uint16_t> &runs);

// Whether the element after edge i is a bar of `barColor`.
inline bool BarAfter(const std::vector<edges::GreyEdge> &edges, int i, std::uint8_t barColor) {
    return (edges[static_cast<std::size_t>(i)].change < 0) == (barColor == kDarkBars);
}

}  // namespace zr::pdf417
