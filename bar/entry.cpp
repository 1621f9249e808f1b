// Exported calls of the linear reader.
#include "bar/stages.hpp"
#include "core/call_frame.hpp"
#include "zr/ZrBar.h"

namespace {

constexpr std::uint32_t kBarVersion = 0x20046;  // 2.70
constexpr std::uint8_t kDefaultBarColors = zr::bar::kBothColours;
constexpr std::uint8_t kDefaultDirections = zr::bar::kAllDirections;

// The caller's DIB as a bi-level working image.
std::uint16_t PrepareBarImage(const void *dib, ZrImage *work) {
    return zr::LoadBiLevel(dib, work);
}

// Option defaults for fields that hold none of their meaningful bits.
void ValidateBarOptions(ZrBarScanner &scanner) {
    if (scanner.symbologies == 0) scanner.symbologies = ZR_BAR_ALL;
    if ((scanner.directions & zr::bar::kAllDirections) == 0) scanner.directions = kDefaultDirections;
    if ((scanner.barColors & zr::bar::kBothColours) == 0) scanner.barColors = kDefaultBarColors;
}

}  // namespace

extern "C" {

ZR_EXPORT uint32_t ZrBarGetVersion(void) {
    return kBarVersion;
}

ZR_EXPORT uint16_t ZrInitBarScanner(ZrBarScanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != ZR_OK) return status;
    scanner->barColors = kDefaultBarColors;
    scanner->directions = kDefaultDirections;
    scanner->extraFlags = 0;
    scanner->symbologies = ZR_BAR_ALL;
    scanner->runTime = 0;
    return ZR_OK;
}

ZR_EXPORT uint16_t ZrScanBar(ZrBarScanner *scanner) {
    return zr::RunScanFrame<zr::RectangleRule::ClampInPlace>(
        scanner, PrepareBarImage, [scanner](ZrImage &work) {
            ValidateBarOptions(*scanner);
            std::uint16_t status = zr::bar::ScanPass(work, *scanner);
            if ((scanner->extraFlags & ZR_BAR_THOROUGH) && status != ZR_ERR_NO_MEMORY) {
                zr::bar::BarPrefilter(work);
                status = zr::bar::ScanPass(work, *scanner);
            }
            return status;
        });
}

ZR_EXPORT uint16_t GetBarcodeAt(ZrBarScanner *scanner, int index, ZrBarResult *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreeBarScanner(ZrBarScanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
