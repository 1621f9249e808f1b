// The DataMatrix second look over one polarity of the working image.
#include "dm/second_look.hpp"

#include <algorithm>
#include <cstddef>
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

// The first size that decodes of those whose border passes under any
// hypothesis: the ECC 200 sizes when the first look has not tried them on
// this region, and the extension sizes, all decoded fewest border misses
// first (hypothesis, then table order among equals), so that the sizes a
// wrong hypothesis only just passes are not sampled and corrected before
// the true one. Only then, hypothesis by hypothesis, every size with the far
// corner moved, which costs many times more. `fitted` holds the sides when
// the first look fitted them.
bool DecodeRegionAgain(const BitImageView &view, regions::Region &region, const FittedRegion *fitted,
                       bool ecc200Tried, ScanWork &work) {
    if (fitted) {
        if (!fitted->fitted) return false;
        work.sides = fitted->sides;
    } else {
        // Outlines are traced when a region is first looked at (see ScanPass).
        regions::EnsureOutline(view, region);
        if (!FitRegionSides(region, work.sides, work.fit)) return false;
    }
    const auto locate = [&](int h) {
        work.symbol.ClearLocation();
        if (!LocateSymbol(work.sides, h, work.symbol)) return false;
        geom::ClampCorners(work.symbol.corners, view.Width(), view.Height());
        return true;
    };
    // Sizes without a miss come first in the order they are met: they are
    // decoded as soon as their hypothesis is collected, which decodes the same
    // sizes in the same order and spares the other hypotheses' borders when one reads.
    std::size_t count = 0;
    for (int h = 0; h < kHypothesisCount; ++h) {
        if (!locate(h)) continue;
        const std::size_t before = count;
        if (!ecc200Tried)
            count = CollectPassingSizes(view, work, kDMSizeTable.data(), kDMSizeTable.data() + kDMSizeTable.size(),
                                        h, count);
        count = CollectPassingSizes(view, work, kDmreSizeTable.data(),
                                    kDmreSizeTable.data() + kDmreSizeTable.size(), h, count);
        for (std::size_t k = before; k < count; ++k)
            if (work.passing[k].misses == 0 && DecodeEitherLattice(view, work, *work.passing[k].size)) return true;
    }
    const auto begin = work.passing.begin();
    const auto end = begin + static_cast<std::ptrdiff_t>(count);
    std::sort(begin, end, [](const PassingSize &a, const PassingSize &b) {
        return a.misses != b.misses ? a.misses < b.misses : a.order < b.order;
    });
    int located = -1;
    for (auto passing = begin; passing != end; ++passing) {
        if (passing->misses == 0) continue;  // tried above
        if (passing->hypothesis != located) {
            locate(passing->hypothesis);  // succeeded when its sizes were collected
            located = passing->hypothesis;
        }
        if (DecodeEitherLattice(view, work, *passing->size)) return true;
    }
    for (int h = 0; h < kHypothesisCount; ++h)
        if (locate(h) && TrySizesMovingFarCorner(view, work)) return true;
    return false;
}


// Every region not inside a stored symbol, until the list is full. `fits`
// (in list order) are the sides the first look fitted, if it ran.
void LookAtRegions(const BitImageView &view, regions::RegionList &regions,
                   const std::vector<FittedRegion> *fits, ZrDMScanner &scanner, ScanWork &work,
                   std::vector<ResultDetails> *details) {
    const auto candidate = std::make_unique<DMResult>();  // one record of some 3 kB, not on the stack
    std::size_t nextFit = 0;
    for (std::size_t index = 0; index < regions.size(); ++index) {
        if (scanner.resultCount >= scanner.maxResults) break;
        regions::Region &region = regions[index];
        const FittedRegion *fitted = nullptr;
        if (fits) {
            while (nextFit < fits->size() && (*fits)[nextFit].index < index) ++nextFit;
            if (nextFit < fits->size() && (*fits)[nextFit].index == index) fitted = &(*fits)[nextFit];
        }
        if (InsideStoredSymbol(region, scanner)) continue;
        if (!DecodeRegionAgain(view, region, fitted, fits && FirstLookTriedRegion(region), work)) continue;
        *candidate = DMResult{};
        StoreResult(work.symbol, *candidate);
        // A symbol seen twice is stored once.
        if (AddSecondLookResult(scanner, *candidate) == SecondLookStore::kAdded && details)
            StoreDetails(work.symbol, scanner.resultCount - 1, *details);
    }
}

}  // namespace

void SecondLookPass(const BitImageView &view, KeptPass &pass, ZrDMScanner &scanner, ScanWork &work,
                    std::vector<ResultDetails> *details) {
    LookAtRegions(view, pass.regions, &pass.fits, scanner, work, details);
}

void LocalThresholdPass(ZrImage &image, const SearchCorners &bounds, ZrDMScanner &scanner, ScanWork &work,
                        std::vector<ResultDetails> *details) {
    if (scanner.resultCount >= scanner.maxResults) return;
    regions::RegionSearch search(bounds);
    search.minWidth = kSecondLookMinRegionSide;
    search.minHeight = kSecondLookMinRegionSide;
    search.minDensity = kSecondLookMinRegionFill;
    search.maxDensity = kMaxRegionFill;
    search.traceOutlines = false;  // traced as the regions are looked at
    regions::LabelRegions(image, search);
    LookAtRegions(BitImageView(image), search.regions, nullptr, scanner, work, details);
}

}  // namespace zr::dm
