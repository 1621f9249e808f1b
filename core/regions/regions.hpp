// Connected dark regions of a bi-level image: row-run labelling with
// 8-connectivity, size and fill limits, and outline extents per row and column.
// Built into the QR, DataMatrix and Micro QR readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/geom/geom.hpp"
#include "core/image_view.hpp"
#include "zr/ZrImage.h"

namespace zr::regions {

// rowLeft and colTop hold this where the outline does not touch the row or
// column (larger than any coordinate); rowRight and colBottom hold 0 there.
constexpr std::int32_t kNoOutline = std::numeric_limits<std::int32_t>::max();

// Region records are taken from a pool that grows this many at a time, after
// first blocks of kFirstPoolBlock and then doubling: a small picture opens a
// few dozen regions and should not pay for a thousand records.
constexpr int kPoolBlock = 1000;
constexpr int kFirstPoolBlock = 64;

struct Region {
    // Bounding box (half-open: its last column is box.x1 - 1), y counted from
    // the top of the picture.
    geom::Rect box;
    // Start pixel of the outline trace: the first pixel of the region's topmost run.
    geom::PointI start;
    // Outline extents, empty unless traced: rowLeft[y - box.y0], rowRight[y - box.y0],
    // colTop[x - box.x0], colBottom[x - box.x0].
    std::vector<std::int32_t> rowLeft, colTop, rowRight, colBottom;
    // Open: number of dark pixels. Closed: dark pixels / bounding-box area.
    double fill = 0;

    std::int32_t Width() const { return box.Width(); }
    std::int32_t Height() const { return box.Height(); }
    bool HasOutline() const { return !rowLeft.empty(); }
};

using RegionList = std::vector<Region>;

// Request and answer of one labelling.
struct RegionSearch {
    RegionSearch() = default;
    // A search within the readers' search corners.
    explicit RegionSearch(const geom::SearchBounds &searchBounds) : bounds(searchBounds) {}

    RegionList regions;  // answer: kept regions, the most recently closed first
    geom::SearchBounds bounds;  // rectangle, both corners inclusive
    std::uint16_t minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;  // 0: no limit
    double minDensity = 0, maxDensity = 0;                                   // 0: no limit
    bool traceOutlines = false;

    std::size_t Count() const { return regions.size(); }
};

// One dark run of a row, inclusive ends; `region` indexes the labelling's pool (-1: none).
struct RowRun {
    std::int32_t start = 0, end = 0;
    std::int32_t region = -1;
};

// Labels the dark regions of `search`'s rectangle of a 1-bit image. The
// image's one-pixel frame is painted light first. The last row of the
// rectangle closes every open region and belongs to none. Running out of
// memory throws std::bad_alloc and leaves the answer incomplete.
void LabelRegions(ZrImage &image, RegionSearch &search);

// Dark runs of row y between columns left and right (inclusive), followed by
// the sentinel run at right + 2. Uniform stretches of 64 pixels cost a few
// operations each.
void ExtractRowRuns(const BitImageView &view, int y, int left, int right, std::vector<RowRun> &runs);

// Traces the region's outline and fills its four extent arrays.
void RegionOutline(const BitImageView &view, Region &region);
// Traces the outline of a region labelled without one, so that a reader can
// test every region cheaply first and trace only those that pass.
void EnsureOutline(const BitImageView &view, Region &region);

// Direction codes of the chain: 1 up, 2 up-right, 3 right, 4 down-right,
// 5 down, 6 down-left, 7 left, 8 up-left (clockwise on the picture).
// Writes the clockwise outline chain from the start pixel, zero-terminated,
// and returns its length; the chain holds at most 2 x width x height moves.
std::size_t TraceOutline(const BitImageView &view, const Region &region, std::vector<std::uint8_t> &chain);


// List helpers. RegionPoolGrow appends n zeroed regions; false, with nothing
// appended, for n <= 0.
bool RegionPoolGrow(RegionList &list, int n);
// Removes the region at `index` if there is one, keeping the order of the rest.
void RegionUnlink(RegionList &list, std::size_t index);
// Frees the four extent arrays.
void RegionFreeBuffers(Region &region);
// Frees every region with its arrays; the list is left empty.
void RegionListFree(RegionList &list);

}  // namespace zr::regions
