// One pass: every labelled region is tried under the four finder hypotheses;
// a region yields at most one symbol.
#include <algorithm>
#include <cstring>
#include <utility>

#include "dm/scan_pass.hpp"

namespace zr::dm {

void StoreDetails(const DMSymbol &symbol, int index, std::vector<ResultDetails> &details) {
    details.resize(static_cast<std::size_t>(index) + 1u);
    details.back() = ResultDetails{std::string(symbol.text.data(), static_cast<std::size_t>(symbol.details.length)),
                                   symbol.details};
}

void StoreResult(const DMSymbol &symbol, DMResult &result) {
    geom::StoreCorners(symbol.corners, result.corners);
    result.rows = symbol.rows;
    result.columns = symbol.columns;
    const std::size_t length = strnlen(symbol.text.data(), sizeof result.text - 1);
    std::memcpy(result.text, symbol.text.data(), length);
    result.text[length] = '\0';
}

namespace {

geom::Rect Union(const geom::Rect &a, const geom::Rect &b) {
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

// The first hypothesis whose corners on the fitted sides give a decodable
// size; false if none.
bool DecodeSides(const BitImageView &view, ScanWork &work) {
    for (int h = 0; h < kHypothesisCount; ++h) {
        work.symbol.ClearLocation();
        if (!LocateSymbol(work.sides, h, work.symbol)) continue;
        geom::ClampCorners(work.symbol.corners, view.Width(), view.Height());
        if (TrySizes(view, work)) return true;
    }
    return false;
}

}  // namespace

bool FirstLookTriedRegion(const regions::Region &region) {
    return region.Width() >= kMinRegionSide && region.Height() >= kMinRegionSide &&
           region.fill >= kMinRegionFill && region.fill <= kMaxRegionFill;
}

void ScanPass(ZrImage &image, const SearchCorners &bounds, ZrDMScanner &scanner, ScanWork &work,
              KeptPass *keep, std::vector<ResultDetails> *details) {
    if (scanner.resultCount >= scanner.maxResults) return;
    regions::RegionSearch search(bounds);
    search.minWidth = keep ? kSecondLookMinRegionSide : kMinRegionSide;
    search.minHeight = search.minWidth;
    search.minDensity = keep ? kSecondLookMinRegionFill : kMinRegionFill;
    search.maxDensity = kMaxRegionFill;
    // With the second look's looser limits, only the regions within the
    // first look's get their outlines here; the second look traces the others
    // when it comes to them, on the picture as it is now (the same outline
    // the labelling would have traced), and most never need one.
    search.traceOutlines = keep == nullptr;
    regions::LabelRegions(image, search);

    const BitImageView view(image);
    if (keep) keep->fits.clear();
    for (std::size_t index = 0; index < search.regions.size(); ++index) {
        regions::Region &region = search.regions[index];
        if (keep && !FirstLookTriedRegion(region)) continue;
        if (keep) regions::EnsureOutline(view, region);
        const bool fitted = FitRegionSides(region, work.sides, work.fit);
        if (keep) keep->fits.push_back({index, fitted, work.sides});
        if (!fitted || !DecodeSides(view, work)) {
            work.unreadArea = work.regionLeftUnread ? Union(work.unreadArea, region.box) : region.box;
            work.regionLeftUnread = true;
            continue;
        }
        StoreResult(work.symbol, scanner.results[scanner.resultCount]);
        if (details) StoreDetails(work.symbol, scanner.resultCount, *details);
        if (++scanner.resultCount >= scanner.maxResults) break;
    }
    if (keep) keep->regions = std::move(search.regions);
}

}  // namespace zr::dm
