// The reader's pipeline for one labelled region: fit its sides, locate the
// corners under a finder hypothesis, then walk the sizes until one decodes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/edges/edges.hpp"
#include "core/image_view.hpp"
#include "core/regions/regions.hpp"
#include "dm/symbol.hpp"

namespace zr::dm {

// Finder hypotheses: which outline sides are the solid finder.
enum Hypothesis : int { kLeftTop = 0, kLeftBottom = 1, kRightTop = 2, kRightBottom = 3 };
constexpr int kHypothesisCount = 4;

// The straight-line fits of a region's four outline sides, in picture
// coordinates.
struct RegionSides {
    edges::EdgeLine left, right;  // over rowLeft and rowRight: across the rows
    edges::EdgeLine top, bottom;  // over colTop and colBottom: across the columns
};

// The fitted sides of a region the first look tried, kept so that the
// second look does not fit its outline again: `index` into the pass's
// region list, `fitted` false when the region has no sides to fit.
struct FittedRegion {
    std::size_t index = 0;
    bool fitted = false;
    RegionSides sides;
};

// What a first-look pass leaves for the second look: every region it
// labelled and, in list order, the sides of those it tried.
struct KeptPass {
    regions::RegionList regions;
    std::vector<FittedRegion> fits;
};

// A size whose border passed under a finder hypothesis, with the border
// samples it missed and the order it was met in (the tie-break).
struct PassingSize {
    int misses = 0;
    int order = 0;
    int hypothesis = 0;
    const DMSize *size = nullptr;
};
// Room for every size of both tables under every hypothesis.
constexpr std::size_t kMostPassingSizes = 4 * 48;

// Work areas of one scan, allocated once and reused for every region,
// hypothesis and size.
struct ScanWork {
    DMSymbol symbol;
    edges::FitWork fit;
    RegionSides sides;
    // Mapping matrix of the size being decoded, and the placement table of
    // the matrix size below: both grow to the largest size tried, so that a
    // small picture does not clear room for 132 x 132 modules.
    std::vector<std::uint8_t> matrix;
    std::vector<std::int32_t> placement;
    int placedRows = 0, placedColumns = 0;  // mapping size the placement holds (0: none yet)
    bool regionLeftUnread = false;          // the first look met a region it could not decode
    geom::Rect unreadArea;                  // bounding box of all such regions
    int farCornerSearches = 0;              // hypotheses the second look moved the far corner for
    std::array<PassingSize, kMostPassingSizes> passing{};  // the second look's sizes of one region
    // What each first-look pass (as given, inverted) kept for the second look.
    std::array<KeptPass, 2> passRegions;

    // The matrix with room for the size's mapping modules.
    std::uint8_t *MatrixFor(const DMSize &size);
};

// Fits the four sides of a region with outline extents; false for a region
// without them.
bool FitRegionSides(const regions::Region &region, RegionSides &sides, edges::FitWork &work);

// Builds the corners under hypothesis h from the fitted sides: fills hEdge,
// vEdge, the finder corner, orientation and corners; false when the chosen
// sides do not form a corner.
bool LocateSymbol(const RegionSides &sides, int hypothesis, DMSymbol &symbol);

// Walks the size table from its first entry: module-size gate, border test,
// then sampling, correction and data decoding. True for the first size that
// decodes (rows, columns, codewords and text set), false when none does.
bool TrySizes(const BitImageView &image, ScanWork &work);
// The same walk over the sizes [first, last) of any table.
bool TrySizes(const BitImageView &image, ScanWork &work, const DMSize *first, const DMSize *last);
// The same sizes, those whose border passes decoded in order of fewest
// border misses (table order among equals): the true size misses fewest, so
// the wrong sizes whose border passes only just are not sampled and
// corrected before it. The first decoding size may differ from TrySizes'
// only where two sizes decode.
bool TrySizesFewestMissesFirst(const BitImageView &image, ScanWork &work, const DMSize *first,
                               const DMSize *last);
// Appends to work.passing, from `count` on, the sizes of [first, last)
// whose border passes where work.symbol is located now, marked with
// `hypothesis`; returns the new count (never past kMostPassingSizes).
std::size_t CollectPassingSizes(const BitImageView &image, ScanWork &work, const DMSize *first,
                                const DMSize *last, int hypothesis, std::size_t count);
// Samples and decodes one size where work.symbol is located: the refined
// lattice, then for symbols of several regions the plain one.
bool DecodeEitherLattice(const BitImageView &image, ScanWork &work, const DMSize &size);
// Codewords from the sampled mapping matrix in work.matrix, corrected and
// decoded for `size`: true with rows, columns, codewords and text set.
bool DecodeSampledMatrix(ScanWork &work, const DMSize &size);

}  // namespace zr::dm
