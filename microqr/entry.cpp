// Exported calls of the Micro QR reader and its two scan passes: the picture
// as given, then inverted.
#include "core/call_frame.hpp"
#include "microqr/candidate.hpp"
#include "zr/ZrMicroQR.h"

namespace {

constexpr std::uint32_t kMicroQRVersion = 0x10001;  // 1.1
constexpr std::uint8_t kDefaultScanFlags = ZR_MICROQR_DARK_ON_LIGHT | ZR_MICROQR_LIGHT_ON_DARK;

// Region limits of the finder search: at least 7 x 7 pixels, fill 0.2 to 0.8.
constexpr std::uint16_t kMinRegionSide = 7;
constexpr double kMinFill = 0.2;
constexpr double kMaxFill = 0.8;

// Labels the dark regions inside the search corners and tries every finder among them.
std::uint16_t ScanPass(ZrImage &work, const zr::SearchCorners &corners, zr::microqr::ResultList &results) {
    zr::regions::RegionSearch search(corners);
    search.minWidth = search.minHeight = kMinRegionSide;
    search.minDensity = kMinFill;
    search.maxDensity = kMaxFill;
    search.traceOutlines = true;
    const std::uint16_t status = zr::regions::LabelRegions(work, search);
    if (status != ZR_OK) return status;
    return zr::microqr::SearchMicroQRCandidates(work, search.regions, results);
}

void MarkPass(zr::microqr::ResultList &results, int first, std::uint8_t colour) {
    for (int i = first; i < results.count; ++i) results.records[i].barsColour = colour;
}

}  // namespace

extern "C" {

ZR_EXPORT uint32_t ZrMicroQRGetVersion(void) {
    return kMicroQRVersion;
}

ZR_EXPORT uint16_t ZrInitMicroQRScanner(ZrMicroQRScanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != ZR_OK) return status;
    scanner->scanFlags = kDefaultScanFlags;
    return ZR_OK;
}

ZR_EXPORT uint16_t ZrScanMicroQR(ZrMicroQRScanner *scanner) {
    return zr::RunScanFrame<zr::RectangleRule::Corners>(
        scanner, zr::LoadBiLevel, [scanner](ZrImage &work) -> std::uint16_t {
            if ((scanner->scanFlags & kDefaultScanFlags) == 0) scanner->scanFlags = kDefaultScanFlags;
            const zr::SearchCorners corners = zr::SearchCornersOf(scanner, work.width, work.height);
            zr::microqr::ResultList results{scanner->results, scanner->maxResults, scanner->resultCount};
            zr::ImageDespeckle(&work);
            std::uint16_t status = ZR_OK;
            if (scanner->scanFlags & ZR_MICROQR_DARK_ON_LIGHT) {
                status = ScanPass(work, corners, results);
                MarkPass(results, 0, ZR_MICROQR_FOUND_AS_GIVEN);
            }
            // Memory running out ends the scan.
            if ((scanner->scanFlags & ZR_MICROQR_LIGHT_ON_DARK) && status != ZR_ERR_NO_MEMORY) {
                const int first = results.count;
                zr::ImageInvert(&work);
                status = ScanPass(work, corners, results);
                MarkPass(results, first, ZR_MICROQR_FOUND_INVERTED);
            }
            return status;
        });
}

ZR_EXPORT uint16_t GetMicroQRAt(ZrMicroQRScanner *scanner, int index, MicroQRResult *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreeMicroQRScanner(ZrMicroQRScanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
