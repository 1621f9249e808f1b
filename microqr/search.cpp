// The Micro QR search: the dark regions of one pass are labelled, every
// finder candidate among them is tried alone, in the four rotations a symbol
// can extend from it, and each rotation that decodes is stored.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "microqr/candidate.hpp"
#include "qr/finder.hpp"

namespace zr::microqr {

void ResultList::Store(const MicroQRCandidate &c) {
    if (Full()) return;
    MicroQRResult &r = records[count];
    r = MicroQRResult{};
    geom::StoreCorners(c.corners, r.corners);
    r.version = c.version;
    r.confidence = c.confidence;
    // A symbol holds at most 35 bytes; the record always ends in a zero byte.
    const std::size_t length = std::min(c.decoded.length, sizeof r.text - 1);
    r.length = static_cast<std::uint16_t>(length);
    std::memcpy(r.text, c.decoded.bytes.data(), length);
    ++count;
}

namespace {

// A threshold that widens dark modules by this many pixels or more on each
// side makes the finder's outline overstate the module size enough to drift
// the grid over a symbol's width.
constexpr double kNotableBloat = 0.5;
// Finders of modules under 2 pixels get no second look: their outline is too
// coarse for a better grid. A pass looks twice at this many finders at most,
// so that a picture crowded with finder-like shapes stays quick.
constexpr int kMinRetrySide = 14;
constexpr int kMaxRetries = 400;
// Region limits of the finder search: at least 7 x 7 pixels, fill 0.2 to 0.8.
constexpr std::uint16_t kMinRegionSide = 7;
constexpr double kMinFill = 0.2;
constexpr double kMaxFill = 0.8;

// Tries the four rotations of one located finder; stores the first that
// decodes while there is room. Returns the outcome of the last attempt.
// With `refine` each grid is first fitted to the timing patterns.
Outcome TryRotations(const BitImageView &view, MicroQRCandidate &candidate, ResultList &results, bool refine,
                     bool &decoded) {
    Outcome outcome = Outcome::kNothingTried;
    decoded = false;
    for (int rotation = 1; rotation <= kRotationCount; ++rotation) {
        outcome = ReadMicroFormat(view, candidate, rotation);
        if (outcome != Outcome::kDecoded) continue;
        SetMicroGrid(view, candidate, rotation);
        if (refine) RefineGridByTiming(view, candidate);
        outcome = DecodeMicroQRSymbol(view, candidate);
        if (outcome != Outcome::kDecoded) continue;
        decoded = true;
        if (!results.Full()) {
            results.Store(candidate);
            break;
        }
    }
    return outcome;
}

// Work space of the finder stages, kept for a whole pass.
struct FinderWork {
    edges::FitWork fit;
    lines::RunScan profile;
    std::vector<std::int32_t> extent;
    int retries = 0;
};

// One finder candidate: its corners and the four rotations. When none
// decodes, the rotations again with the finder's corners moved back by the
// threshold's widening (or narrowing) of dark modules when that is notable,
// and each grid fitted to the timing patterns: small modules, a turned
// symbol or a blurred print leave the finder's outline a pixel or so off.
Outcome TryFinder(const BitImageView &view, const regions::Region &region, MicroQRCandidate &candidate,
                  ResultList &results, FinderWork &work) {
    candidate = MicroQRCandidate{};
    bool decoded = false;
    Outcome outcome = Outcome::kNoCorners;
    if (LocateFinderCorners(region, candidate, work.fit)) {
        outcome = TryRotations(view, candidate, results, false, decoded);
        if (decoded) return outcome;
    }
    if (std::max(region.Width(), region.Height()) < kMinRetrySide || work.retries >= kMaxRetries)
        return outcome;
    ++work.retries;
    const double bloat = MeasureFinderBloat(view, region, work.profile);
    const auto retry = [&] {
        if (std::fabs(bloat) >= kNotableBloat) ShrinkFinder(candidate, bloat);
        outcome = TryRotations(view, candidate, results, true, decoded);
    };
    if (LocateFinderCorners(region, candidate, work.fit, true)) {
        retry();
        if (decoded) return outcome;
        // A symbol seen at a slant: the grid through the projective map that
        // the finder's four corners fix.
        candidate.projective = true;
        outcome = TryRotations(view, candidate, results, false, decoded);
        candidate.projective = false;
        if (decoded) return outcome;
    }
    // When the sides' fits meet in the wrong places or not at all (near 45
    // degrees, or along a ragged outline), the outline's extreme points of a
    // turned finder, or the median sides of an upright one, are its corners.
    if (DiamondFinderCorners(region, candidate) || BoxFinderCorners(region, candidate, work.extent)) retry();
    return outcome;
}

}  // namespace

Outcome SearchMicroQRCandidates(const ZrImage &image, regions::RegionList &regionList,
                                ResultList &results) {
    const BitImageView view(image);
    std::vector<qr::FinderCandidate> finders;
    finders.reserve(regionList.size());
    qr::CollectFinderCandidates(view, regionList, finders, CheckFinderRatioStrict);

    Outcome outcome = Outcome::kNothingTried;
    MicroQRCandidate candidate;
    FinderWork work;
    lines::RunBufferInit(work.profile, lines::kLeftToRight);
    for (const qr::FinderCandidate &finder : finders)
        outcome = TryFinder(view, *finder.region, candidate, results, work);
    return outcome;
}

Outcome ScanPass(ZrImage &image, const geom::SearchBounds &corners, ResultList &results) {
    regions::RegionSearch search(corners);
    search.minWidth = search.minHeight = kMinRegionSide;
    search.minDensity = kMinFill;
    search.maxDensity = kMaxFill;
    regions::LabelRegions(image, search);
    return SearchMicroQRCandidates(image, search.regions, results);
}

}  // namespace zr::microqr
