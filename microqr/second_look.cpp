// The Micro QR second look over the local-threshold picture.
#include "microqr/second_look.hpp"

#include <algorithm>
#include <new>
#include <cstring>
#include <vector>

#include "core/grey.hpp"
#include "core/local_threshold.hpp"
#include "core/prepare.hpp"
#include "core/second_look.hpp"
#include "core/status.hpp"
#include "microqr/candidate.hpp"

namespace zr::microqr {
namespace {

// A side list holds at most this many (its count is one byte).
constexpr int kMaxSideResults = 255;
// True when the local thresholds gave the very picture the first look
// searched (despeckled, as given): the same search would find nothing new.
bool SameAsFirstLook(const ZrImage &local, const void *dib) {
    WorkingImage global;
    const std::uint16_t loaded = DibToBiLevel(&global.image, dib);
    if (loaded == status::kNoMemory) throw std::bad_alloc();
    if (loaded != status::kOk) return false;
    ImageDespeckle(&global.image);
    return global.image.size == local.size && global.image.polarity == local.polarity &&
           std::memcmp(global.image.bits, local.bits, local.size) == 0;
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

std::uint16_t RunSecondLook(ZrMicroQRScanner &scanner, const PolarityScheme &passes,
                            std::uint16_t firstLookStatus, const std::vector<std::uint8_t> &storedGrey) {
    if (!SecondLookWanted(scanner.scanFlags) || scanner.resultCount > 0) return firstLookStatus;
    WorkingImage local;
    // Out of memory ends the scan as the frame rules, with the first look's results kept.
    const std::uint16_t loaded = DibToLocalBiLevel(&local.image, scanner.image, storedGrey);
    if (loaded == status::kNoMemory) throw std::bad_alloc();
    if (loaded != status::kOk) return firstLookStatus;
    ImageDespeckle(&local.image);
    if (LooksLikeSpeckle(local.image) || SameAsFirstLook(local.image, scanner.image))
        return firstLookStatus;
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
