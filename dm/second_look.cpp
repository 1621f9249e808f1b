// The DataMatrix second look over one polarity of the working image.
#include "dm/second_look.hpp"

#include <algorithm>
#include <memory>
#include <vector>

#include "core/second_look.hpp"
#include "dm/far_corner.hpp"
#include "dm/scan_pass.hpp"

namespace zr::dm {
namespace {

constexpr int kCornerCount = 4;

geom::Rect CornerBox(const DMResult &result) {
    geom::Rect box{result.corners[0], result.corners[1], result.corners[0], result.corners[1]};
    for (int i = 1; i < kCornerCount; ++i) {
        box.x0 = std::min(box.x0, result.corners[2 * i]);
        box.y0 = std::min(box.y0, result.corners[2 * i + 1]);
        box.x1 = std::max(box.x1, result.corners[2 * i]);
        box.y1 = std::max(box.y1, result.corners[2 * i + 1]);
    }
    ++box.x1;  // half-open, as region boxes are
    ++box.y1;
    return box;
}

// A region whose centre lies in the box of a stored symbol is part of it (or
// its quiet zone seen inverted): nothing new can come from it.
bool InsideStoredSymbol(const regions::Region &region, const ZrDMScanner &scanner) {
    const geom::PointI centre{(region.box.x0 + region.box.x1) / 2, (region.box.y0 + region.box.y1) / 2};
    for (int i = 0; i < scanner.resultCount; ++i)
        if (CornerBox(scanner.results[i]).Contains(centre)) return true;
    return false;
}

// The first hypothesis and size that decode: the ECC 200 sizes when the first
// look has not tried them on this region, then the extension sizes; then
// every size with the far corner moved.
bool DecodeRegionAgain(const BitImageView &view, const regions::Region &region, bool ecc200Tried,
                       ScanWork &work) {
    if (!FitRegionSides(region, work.sides, work.fit)) return false;
    for (int h = 0; h < kHypothesisCount; ++h) {
        work.symbol = DMSymbol{};
        if (!LocateSymbol(work.sides, h, work.symbol)) continue;
        geom::ClampCorners(work.symbol.corners, view.Width(), view.Height());
        if (!ecc200Tried && TrySizes(view, work)) return true;
        if (TrySizes(view, work, kDmreSizeTable.data(), kDmreSizeTable.data() + kDmreSizeTable.size()))
            return true;
        if (TrySizesMovingFarCorner(view, work)) return true;
    }
    return false;
}


// Every region not inside a stored symbol, until the list is full.
void LookAtRegions(const BitImageView &view, const regions::RegionList &regions, bool firstLookRan,
                   ZrDMScanner &scanner, ScanWork &work, std::vector<ResultDetails> *details) {
    const auto candidate = std::make_unique<DMResult>();  // one record of some 3 kB, not on the stack
    for (const regions::Region &region : regions) {
        if (scanner.resultCount >= scanner.maxResults) break;
        if (InsideStoredSymbol(region, scanner)) continue;
        if (!DecodeRegionAgain(view, region, firstLookRan && FirstLookTriedRegion(region), work)) continue;
        *candidate = DMResult{};
        StoreResult(work.symbol, *candidate);
        // A symbol seen twice is stored once.
        if (AddSecondLookResult(scanner, *candidate) == SecondLookStore::kAdded && details)
            StoreDetails(work.symbol, scanner.resultCount - 1, *details);
    }
}

}  // namespace

void SecondLookPass(const BitImageView &view, const regions::RegionList &regions, ZrDMScanner &scanner,
                    ScanWork &work, std::vector<ResultDetails> *details) {
    LookAtRegions(view, regions, true, scanner, work, details);
}

void LocalThresholdPass(ZrImage &image, const SearchCorners &bounds, ZrDMScanner &scanner, ScanWork &work,
                        std::vector<ResultDetails> *details) {
    if (scanner.resultCount >= scanner.maxResults) return;
    regions::RegionSearch search(bounds);
    search.minWidth = kSecondLookMinRegionSide;
    search.minHeight = kSecondLookMinRegionSide;
    search.minDensity = kSecondLookMinRegionFill;
    search.maxDensity = kMaxRegionFill;
    search.traceOutlines = true;
    regions::LabelRegions(image, search);
    LookAtRegions(BitImageView(image), search.regions, false, scanner, work, details);
}

}  // namespace zr::dm
