// The labelling's run extraction: a row's dark runs as a flat array of
// bounds, written without a branch per run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/image_view.hpp"

namespace zr::regions {

// Writes the bounds of row y's dark runs between columns left and right
// (inclusive) as pairs: a run's first column and the column after its last,
// then the sentinel pair (right + 2, right + 3). `bounds` holds
// RowBoundsCapacity(left, right) values. Returns the number of runs.
int RowRunBounds(const BitImageView &view, int y, int left, int right, std::int32_t *bounds);

// Room for the bounds of one row: at most one change per column plus the one
// after `right`, and the sentinel pair.
std::size_t RowBoundsCapacity(int left, int right);

}  // namespace zr::regions
