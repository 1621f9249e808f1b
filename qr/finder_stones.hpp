// Finders found by their centre stone. A finder whose outer ring touches
// other print (a shadow, a table edge, the picture's border) is no region of
// its own, but its 3 x 3 centre stone still is: the light ring keeps it
// apart. The second look takes such stones as finders, seven thirds their
// size.
#pragma once

#include <vector>

#include "core/image_view.hpp"
#include "core/regions/regions.hpp"
#include "qr/finder.hpp"

namespace zr::qr {

// A finder's side over its centre stone's.
constexpr double kFinderPerStone = 7.0 / 3.0;

// True when the region is a finder's centre stone: from its centre, in each
// of the four directions along the rows and columns, dark to the stone's
// edge, then a light ring about two thirds as wide, then dark again (the
// outer ring, which may run on into other print). Along any line through
// the centre of concentric squares the widths keep their ratio, so the test
// holds at every turn.
bool IsFinderStone(const BitImageView &view, const regions::Region &region);

// Appends a candidate, with its region scale set, for every region of the
// list that is a finder stone and lies inside none of the finders already
// in `candidates` (whose rings were found whole); the stones' outlines are
// traced if they were not.
void CollectFinderStones(const BitImageView &view, regions::RegionList &regionList,
                         std::vector<FinderCandidate> &candidates);

}  // namespace zr::qr
