// One pass: every labelled region is tried under the four finder hypotheses;
// a region yields at most one symbol.
#include <algorithm>
#include <cstring>
#include <new>

#include "core/status.hpp"
#include "dm/scan_pass.hpp"

namespace zr::dm {
namespace {

void StoreResult(const DMSymbol &symbol, DMResult &result) {
    for (int i = 0; i < geom::QuadF::kCorners; ++i) {
        const geom::PointI p = geom::RoundHalfUp(symbol.corners[i]);
        const auto x = 2 * static_cast<std::size_t>(i);
        result.corners[x] = p.x;
        result.corners[x + 1] = p.y;
    }
    result.rows = symbol.rows;
    result.columns = symbol.columns;
    const std::size_t length = strnlen(symbol.text.data(), sizeof result.text - 1);
    std::memcpy(result.text, symbol.text.data(), length);
    result.text[length] = '\0';
}

// The first hypothesis whose corners give a decodable size; false if none.
// True when the region decoded; running out of memory ends the scan with 10
// rather than passing over the region.
bool DecodeRegion(const BitImageView &view, const regions::Region &region, ScanWork &work) {
    const std::uint16_t fitted = FitRegionSides(region, work.sides, work.fit);
    if (fitted == status::kNoMemory) throw std::bad_alloc();
    if (fitted != status::kOk) return false;
    for (int h = 0; h < kHypothesisCount; ++h) {
        work.symbol = DMSymbol{};
        if (LocateSymbol(work.sides, h, work.symbol) != 0) continue;
        geom::ClampCorners(work.symbol.corners, view.Width(), view.Height());
        if (TrySizes(view, work) == 0) return true;
    }
    return false;
}

}  // namespace

std::uint16_t ScanPass(ZrImage &image, const SearchCorners &bounds, ZrDMScanner &scanner, ScanWork &work) {
    if (scanner.resultCount >= scanner.maxResults) return status::kOk;
    regions::RegionSearch search(bounds);
    search.minWidth = kMinRegionSide;
    search.minHeight = kMinRegionSide;
    search.minDensity = kMinRegionFill;
    search.maxDensity = kMaxRegionFill;
    search.traceOutlines = true;
    const std::uint16_t labelled = regions::LabelRegions(image, search);
    if (labelled != status::kOk) return labelled;

    const BitImageView view(image);
    for (const regions::Region &region : search.regions) {
        if (!DecodeRegion(view, region, work)) continue;
        StoreResult(work.symbol, scanner.results[scanner.resultCount]);
        if (++scanner.resultCount >= scanner.maxResults) break;
    }
    return status::kOk;
}

}  // namespace zr::dm
