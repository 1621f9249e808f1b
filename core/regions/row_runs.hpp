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
// The same bounds one change at a time, the version for processors without
// tzcnt and popcnt (and the plain one that tests compare against).
int RowRunBoundsOneAtATime(const BitImageView &view, int y, int left, int right, std::int32_t *bounds);
// True where RowRunBounds writes four bounds a step with tzcnt and popcnt.
bool HasCountInstructions();

// Room for the bounds of one row: at most one change per column plus the one
// after `right`, the sentinel pair, and the values a step writes past the last
// bound.
std::size_t RowBoundsCapacity(int left, int right);

}  // namespace zr::regions
