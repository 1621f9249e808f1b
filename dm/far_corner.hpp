// The second look's search for the corner opposite the finder's. The first
// look completes the finder's two sides to a parallelogram; under
// perspective the symbol is none, and the far corner lies some modules off.
// The dotted sides' transitions tell how many modules the symbol has, and
// its timing pattern where the corner lies.
#pragma once

#include "core/image_view.hpp"
#include "dm/stages.hpp"

namespace zr::dm {

// Hypotheses per scan whose far corner is searched: the search tries many
// corners for each size, so a busy picture gets it for its first few only.
// The cheap sizes of every hypothesis and region come before it, so the
// symbols that need it are met within the first handful of searches.
constexpr int kMaxFarCornerSearches = 12;

// For the located symbol in work.symbol (its finder's sides solid, seen on
// lines just inside the fitted sides), every size of both tables whose
// module counts the dotted sides' transitions allow, with the far corner
// moved in half-module steps around the parallelogram's, nearest first, until
// the border matches and the size decodes; then, with the transitions counted
// as the far end of each dotted side swings towards the true corner, the
// sizes fitted and sampled through one perspective map (projective_grid).
// The corner the first look places is not tried again.
bool TrySizesMovingFarCorner(const BitImageView &view, ScanWork &work);

// Colour changes along the segment, sampled every half pixel.
int TransitionsAlong(const BitImageView &view, geom::PointF from, geom::PointF to);

}  // namespace zr::dm
