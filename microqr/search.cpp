// The Micro QR search over the labelled regions: every finder candidate is
// tried alone, in the four rotations a symbol can extend from it, and each
// rotation that decodes is stored.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/status.hpp"
#include "microqr/candidate.hpp"
#include "qr/finder.hpp"

namespace zr::microqr {

void ResultList::Store(const MicroQRCandidate &c) {
    if (Full()) return;
    MicroQRResult &r = records[count];
    r = MicroQRResult{};
    for (int i = 0; i < geom::QuadF::kCorners; ++i) {
        const geom::PointI p = geom::RoundHalfUp(c.corners[i]);
        r.corners[2 * i] = p.x;
        r.corners[2 * i + 1] = p.y;
    }
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

// Tries the four rotations of one located finder; stores the first that
// decodes while there is room. Returns the status of the last attempt.
// With `refine` each grid is first fitted to the timing patterns.
std::uint16_t TryRotations(const BitImageView &view, MicroQRCandidate &candidate, ResultList &results,
                           bool refine, bool &decoded) {
    std::uint16_t status = 0;
    decoded = false;
    for (int rotation = 1; rotation <= kRotationCount; ++rotation) {
        status = ReadMicroFormat(view, candidate, rotation);
        if (status != 0) continue;
        SetMicroGrid(view, candidate, rotation);
        if (refine) RefineGridByTiming(view, candidate);
        status = DecodeMicroQRSymbol(view, candidate);
        if (status != 0) continue;
        decoded = true;
        if (!results.Full()) {
            results.Store(candidate);
            break;
        }
    }
    return status;
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
std::uint16_t TryFinder(const BitImageView &view, const regions::Region &region, MicroQRCandidate &candidate,
                        ResultList &results, FinderWork &work) {
    candidate = MicroQRCandidate{};
    bool decoded = false;
    std::uint16_t status = LocateFinderCorners(region, candidate, work.fit);
    if (status == zr::status::kNoMemory) return status;
    if (status == 0) {
        status = TryRotations(view, candidate, results, false, decoded);
        if (decoded) return status;
    }
    if (std::max(region.Width(), region.Height()) < kMinRetrySide || work.retries >= kMaxRetries)
        return status;
    ++work.retries;
    const double bloat = MeasureFinderBloat(view, region, work.profile);
    const auto retry = [&] {
        if (std::fabs(bloat) >= kNotableBloat) ShrinkFinder(candidate, bloat);
        status = TryRotations(view, candidate, results, true, decoded);
    };
    const std::uint16_t located = LocateFinderCorners(region, candidate, work.fit, true);
    if (located == zr::status::kNoMemory) return located;
    if (located == 0) {
        retry();
        if (decoded) return status;
        // A symbol seen at a slant: the grid through the projective map that
        // the finder's four corners fix.
        candidate.projective = true;
        status = TryRotations(view, candidate, results, false, decoded);
        candidate.projective = false;
        if (decoded) return status;
    }
    // When the sides' fits meet in the wrong places or not at all (near 45
    // degrees, or along a ragged outline), the outline's extreme points of a
    // turned finder, or the median sides of an upright one, are its corners.
    if (DiamondFinderCorners(region, candidate) || BoxFinderCorners(region, candidate, work.extent)) retry();
    return status;
}

}  // namespace

std::uint16_t SearchMicroQRCandidates(const ZrImage &image, const regions::RegionList &regionList,
                                      ResultList &results) {
    const BitImageView view(image);
    std::vector<qr::FinderCandidate> finders;
    finders.reserve(regionList.size());
    const std::uint16_t collected =
        qr::CollectFinderCandidates(view, regionList, finders, CheckFinderRatioStrict);
    if (collected != 0) return collected;

    std::uint16_t status = 0;
    MicroQRCandidate candidate;
    FinderWork work;
    if (lines::RunBufferInit(work.profile, lines::kLeftToRight) != 0) return zr::status::kNoMemory;
    for (const qr::FinderCandidate &finder : finders) {
        status = TryFinder(view, *finder.region, candidate, results, work);
        if (status == zr::status::kNoMemory) break;
    }
    return status;
}

}  // namespace zr::microqr
