// The second look's grid through one perspective map. Under strong
// perspective the bilinear lattice of the first look drifts off the modules
// towards the middle, most of all across the alignment lines of 2 x 2 and
// larger layouts. Here the symbol's four outer corners are fitted to its
// finder and timing patterns (every region's, alignment lines included) and
// each module centre is mapped through the one projective map; a symbol whose
// regions still miss (a curved label, modules grown unevenly) has each region
// fitted again on its own border.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/geom/perspective.hpp"
#include "core/image_view.hpp"
#include "dm/size_table.hpp"
#include "dm/stages.hpp"

namespace zr::dm {

// Whether a side of `modules` modules fits the `transitions` counted along
// its timing pattern (one fewer than its modules), within a share of them.
bool ModuleCountFits(int modules, int transitions);

// Share of a size's border modules (finder, timing and alignment lines of
// every region) that are as they must be at the corners `outer`, in [0, 1];
// 0 when the corners have no perspective map.
double BorderAgreement(const BitImageView &view, const geom::QuadF &outer, const DMSize &size);

// Moves the outer corners in shrinking steps (steps [firstStep, lastStep) of
// a module, a half, a quarter) while the size's border fits better: the
// whole-module steps move the far corner alone, scored on the dotted sides,
// the finer ones every corner, scored on the whole border. Returns the final
// border agreement.
double FitCornersToBorder(const BitImageView &view, geom::QuadF &outer, const DMSize &size, std::size_t firstStep,
                          std::size_t lastStep);

// How the grid of a fitted symbol is laid before its data are sampled.
enum class GridRefinement : std::uint8_t {
    kNone,       // every module through the one map
    kPerRegion,  // each region's corners fitted to its own border, and its own map
    kTiming,     // the module boundaries moved onto the top and right timing patterns
};

// Samples the size's mapping matrix (regions' data modules joined) through
// the perspective map of `outer`, refined as asked. False when the map is
// degenerate or the data modules are nearly all one colour.
bool SampleProjective(const BitImageView &view, const geom::QuadF &outer, const DMSize &size,
                      GridRefinement refinement, std::uint8_t *matrix);

// For the located symbol in work.symbol: each size of both tables whose
// module counts the dotted sides' transitions allow, its corners fitted to
// its border, decoded through the perspective map, the best-fitting sizes
// first. True when one decodes (work.symbol then holds it).
bool TrySizesProjective(const BitImageView &view, ScanWork &work, int topTransitions, int rightTransitions);

}  // namespace zr::dm
