// The Micro QR second look over the local-threshold picture, and how its
// results join the list.
#include "microqr/second_look.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/grey.hpp"
#include "core/local_threshold.hpp"
#include "core/status.hpp"
#include "microqr/candidate.hpp"

namespace zr::microqr {
namespace {

constexpr int kCorners = 4;
constexpr int kMaxSideResults = 255;

geom::PointF Centroid(const MicroQRResult &r) {
    geom::PointF c{0, 0};
    for (int k = 0; k < kCorners; ++k) {
        c.x += r.corners[2 * k] / double(kCorners);
        c.y += r.corners[2 * k + 1] / double(kCorners);
    }
    return c;
}

double LongestSide(const MicroQRResult &r) {
    double longest = 0;
    for (int k = 0; k < kCorners; ++k) {
        const int next = (k + 1) % kCorners;
        const double dx = double(r.corners[2 * next]) - r.corners[2 * k];
        const double dy = double(r.corners[2 * next + 1]) - r.corners[2 * k + 1];
        longest = std::max(longest, std::hypot(dx, dy));
    }
    return longest;
}

// One polarity of the second look: the picture searched into `found`, each
// result marked with the pass's colour.
void SearchPolarity(ZrImage &picture, const SearchCorners &corners, std::uint8_t colour,
                    std::vector<MicroQRResult> &found) {
    std::uint8_t count = 0;
    ResultList list{found.data(), static_cast<int>(found.size()), count};
    ScanPass(picture, corners, list);
    for (int i = 0; i < count; ++i) found[static_cast<std::size_t>(i)].barsColour = colour;
    found.resize(count);
}

}  // namespace

bool SameSymbol(const MicroQRResult &p, const MicroQRResult &q) {
    const std::size_t length = std::min<std::size_t>(p.length, sizeof p.text);
    if (length != std::min<std::size_t>(q.length, sizeof q.text) || std::memcmp(p.text, q.text, length) != 0)
        return false;
    const geom::PointF a = Centroid(p), b = Centroid(q);
    const double reach = std::max(LongestSide(p), LongestSide(q));
    return std::hypot(a.x - b.x, a.y - b.y) < reach;
}

SecondLookStore AddSecondLookResult(ZrMicroQRScanner &scanner, const MicroQRResult &found) {
    for (int i = 0; i < scanner.resultCount; ++i)
        if (SameSymbol(scanner.results[i], found)) return SecondLookStore::kDuplicate;
    if (scanner.resultCount >= scanner.maxResults) return SecondLookStore::kListFull;
    scanner.results[scanner.resultCount++] = found;
    return SecondLookStore::kAdded;
}

std::uint16_t RunSecondLook(ZrMicroQRScanner &scanner, const PolarityScheme &passes,
                            std::uint16_t firstLookStatus) {
    if (!SecondLookWanted(scanner.scanFlags) || scanner.resultCount > 0) return firstLookStatus;
    WorkingImage local;
    if (DibToLocalBiLevel(&local.image, scanner.image) != status::kOk) return firstLookStatus;
    ImageDespeckle(&local.image);
    const SearchCorners corners = SearchCornersOf(&scanner, local.image.width, local.image.height);
    std::uint16_t result = firstLookStatus;
    std::vector<MicroQRResult> found;
    const auto look = [&](std::uint8_t colour) {
        // One place more than the list has left, so that a symbol read
        // beyond it shows (a stored count stays within one byte).
        const int room = std::min(scanner.maxResults - scanner.resultCount + 1, kMaxSideResults);
        found.assign(static_cast<std::size_t>(std::max(room, 1)), MicroQRResult{});
        SearchPolarity(local.image, corners, colour, found);
        for (const MicroQRResult &r : found)
            if (AddSecondLookResult(scanner, r) == SecondLookStore::kListFull) result = status::kListFull;
    };
    if (scanner.scanFlags & passes.asGivenBit) look(passes.asGivenColour);
    if (scanner.scanFlags & passes.invertedBit) {
        ImageInvert(&local.image);
        look(passes.invertedColour);
    }
    return result;
}

}  // namespace zr::microqr
