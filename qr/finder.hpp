// Finder-pattern candidates of the QR family: labelled dark regions that are
// nearly square and show the 1:1:3:1:1 profile across and down their middle.
#pragma once

#include <cstdint>
#include <vector>

#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "core/lines/run_scan.hpp"
#include "core/regions/regions.hpp"

namespace zr::qr {

struct FinderCandidate {
    const regions::Region *region = nullptr;
    geom::PointF centre;  // middle of the region's bounding box
    bool used = false;    // belongs to a decoded symbol
    double regionScale =
        1;  // the finder's side over its region's (above 1 when the region is its centre stone)
};

// True for a finder profile.
using FinderRatioTest = bool (*)(const lines::RunScan &scan);

// Five runs a:b:c:d:e near 1:1:3:1:1 of their mean module; at most one run
// may lie outside its band.
bool CheckFinderRatio(const lines::RunScan &scan);

// Runs along row startY from startX to stopX (exclusive), or down column
// startX from startY to stopY; false, with no runs, when the line leaves the
// picture before its stop. A line longer than the run buffer fills it and stops.
bool ProfileRow(lines::RunScan &scan, const BitImageView &view);
bool ProfileColumn(lines::RunScan &scan, const BitImageView &view);

// The finder profile across the region's middle row (then the rows above and
// below), or down its middle column: true when one of the three passes.
bool CheckFinderRow(lines::RunScan &scan, const BitImageView &view, const regions::Region &region,
                    FinderRatioTest test = CheckFinderRatio);
bool CheckFinderColumn(lines::RunScan &scan, const BitImageView &view, const regions::Region &region,
                       FinderRatioTest test = CheckFinderRatio);

// Changes of colour a finder row holds: five runs, dark to dark.
constexpr int kFinderRowChanges = 4;

// False when none of the rows the row test reads can hold five runs: the
// outline's extent on a row lies inside the box, so a box row with fewer
// than four changes of colour cannot. A cheap test before the outline trace.
bool MayHoldFinderRow(const BitImageView &view, const regions::Region &region);

// False when neither the row nor the column test can pass, told from the
// box alone, before the outline is traced. When the region is a whole
// connected shape of the picture (every pixel around its box was labelled
// in `labelled`, or lies on the picture's outermost rows and columns, which
// labelling paints light), a pixel beside its leftmost (rightmost, topmost,
// bottommost) pixel on a line is light, or it would belong to the region; so
// the outline's extent on a row or column of the box starts and ends with
// whole dark runs of that line of the box, and the test reads five
// neighbouring runs of it. Here some window of five runs, dark to dark, of
// one of the three tested rows and one of the three tested columns has to
// pass `test`. Any other region may pass. `window` is scratch for five runs.
bool BoxMayPassFinderTests(lines::RunScan &scan, lines::RunScan &window, const BitImageView &view,
                           const regions::Region &region, const geom::SearchBounds &labelled,
                           FinderRatioTest test = CheckFinderRatio);

// Appends a candidate for every region that is square within 0.8 and passes
// the row and then the column test, in list order. Regions labelled without
// outlines get them traced once they pass the squareness test and may hold a
// finder row. Both ratio tests take five runs exactly. Given the rectangle
// the regions were labelled in, a region is traced only when
// BoxMayPassFinderTests lets it pass.
void CollectFinderCandidates(const BitImageView &view, regions::RegionList &regionList,
                             std::vector<FinderCandidate> &candidates,
                             FinderRatioTest test = CheckFinderRatio,
                             const geom::SearchBounds *labelled = nullptr);

}  // namespace zr::qr
