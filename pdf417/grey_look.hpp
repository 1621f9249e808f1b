// The second look on grey levels: symbols too small, soft or turned for the
// bi-level runs are measured on the picture's grey levels with sub-pixel
// edges (core/edges GreyEdgeFinder).
//   FindGreySides (grey_sides.cpp): start patterns on scan lines of four
//     families, grouped into the start sides of symbols;
//   ReadGreyRows (grey_rows.cpp): the stop side and the column count from
//     probes across the symbol, then lines along the rows cut into
//     codewords of eight edge-to-edge widths, decoded by width ratios and
//     voted into rows by the row indicators; without a stop side, the
//     columns from the left row indicators (grey_refit.cpp fits the side
//     again through the lines read past a short start pattern).
// The scan (scan_pass.cpp) corrects and decodes what ReadGreyRows returns.
#pragma once

#include <cstdint>
#include <vector>

#include "core/edges/grey_edges.hpp"
#include "core/grey_plane.hpp"
#include "pdf417/pattern_table.hpp"
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

// One codeword cell of a line: its eight widths when the cell holds eight
// elements, and the pattern they match exactly, if any.
struct GreyReading {
    bool measured = false;
    double widths[kElementsPerCodeword] = {};
    int section = -1;  // cluster section of the rounded modules, -1 none
    int value = -1;    // codeword of an exact match, -1 none
};

// One line along the rows with its cluster decided.
struct GreyLine {
    int n = 0;              // place across the rows, in line steps from the side's first end
    int cluster = 0;        // section 0, 1 or 2
    int indicated = -1;     // the row its exactly read indicators give, -1 none
    PointF start, stop;     // where it meets the start and stop sides
    PointF origin;          // its codeword grid's origin: the start pattern's outer edge
    std::size_t first = 0;  // its first reading in GreyWork::readings
    int cells = 0;          // readings it holds there
};

// Buffers the grey look reuses from line to line and symbol to symbol.
struct GreyWork {
    edges::GreyEdgeFinder finder;
    std::vector<std::uint8_t> profile;
    std::vector<std::uint16_t> runs;    // element widths of a line, kGreyRunScale per sample
    std::vector<GreyLine> lines;        // the lines of the symbol measured
    std::vector<GreyReading> readings;  // their codeword cells, columns a line
    std::vector<double> slopes;         // of the row fit
    struct Vote {
        int value = -1;
        int lines = 0;  // lines that matched its pattern exactly
    };
    static constexpr int kVotesPerCell = 3;
    std::vector<Vote> votes;        // kMaxRows x kMaxColumns cells of kVotesPerCell
    std::vector<double> widthSums;  // per cell, the eight widths in modules of the lines not read exactly
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

// A start side refitted through the grid origins of the lines read (the
// start pattern's outer edge, or where the left row indicator puts it):
// a start pattern much shorter than the rows gives their direction only
// roughly, and lines far from it drift across the rows. The fit is the
// median of pairwise slopes and the median offset over the lines' places;
// false when the lines reach no farther than the side itself by a quarter.
// `work.lines` are the lines read along `side`, `step` pixels apart.
bool RefitSide(const GreySide &side, double step, GreyWork &work, GreySide &refitted);

// The rows of the measured lines (`work.lines`, `columns` codeword cells a
// line): each line is placed in the row a straight fit of the indicated rows
// over the lines gives for it, of its own cluster; exact codewords vote for
// their cells, and a cell without any is the nearest pattern to its row's
// summed widths. The symbol's size and level come from the indicators, and
// with `columns` 0 (no stop side) the column count from the left one.
SymbolOutcome AssembleGreyRows(const GreySide &side, int columns, GreyWork &work, MeasuredSymbol &symbol,
                               SymbolRows &out);

// The element widths between consecutive edges of one profile, in
// kGreyRunScale units: `runs[i]` lies between edges i and i + 1.
void GreyRuns(const std::vector<edges::GreyEdge> &edges, std::vector<std::uint16_t> &runs);

// The unit vector along d; (1, 0) for a zero vector.
inline PointF Unit(PointF d) {
    const double l = geom::Length(d);
    return l > 0 ? (1.0 / l) * d : PointF{1, 0};
}

// Whether the element after edge i is a bar of `barColor`.
inline bool BarAfter(const std::vector<edges::GreyEdge> &edges, int i, std::uint8_t barColor) {
    return (edges[static_cast<std::size_t>(i)].change < 0) == (barColor == kDarkBars);
}

}  // namespace zr::pdf417
