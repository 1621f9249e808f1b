// Counting the border modules of a size that are not as they must be at a
// given set of outer corners, for the second look's corner fit.
#pragma once

#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "dm/size_table.hpp"

namespace zr::dm {

// Finder, timing and alignment modules of a size: each region's border.
int BorderModuleCount(const DMSize &size);

// Whether the border module at (row, column) of a region of regionRows x
// regionColumns is dark (in `dark`); false for the data modules inside.
bool BorderModule(int row, int column, int regionRows, int regionColumns, bool &dark);

// Border modules that are not as they must be at the corners `outer`, each
// sampled at its centre through the corners' perspective map, counted until
// there are more than `budget` (the result is then budget + 1, whatever the
// order the modules are visited in). Every module counts when the corners have
// no map. With `dottedOnly`, only the symbol's top row and right column.
int BorderMisses(const BitImageView &view, const geom::QuadF &outer, const DMSize &size, int budget,
                 bool dottedOnly);

}  // namespace zr::dm
