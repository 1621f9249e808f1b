// Exported calls of the DataMatrix reader.
#include <memory>

#include "core/call_frame.hpp"
#include "core/status.hpp"
#include "dm/scan_pass.hpp"
#include "zr/ZrDM.h"

namespace {

constexpr std::uint32_t kDMVersion = 0x10018;  // 1.24
constexpr std::uint8_t kAsGiven = 1;
constexpr std::uint8_t kInverted = 2;
constexpr std::uint8_t kBothPasses = 3;

std::uint16_t PrepareDMImage(const void *dib, ZrImage *work) {
    return zr::LoadBiLevel(dib, work);
}

// Marks the records stored from `first` on with the pass that found them.
void MarkPass(ZrDMScanner &scanner, int first, std::uint8_t colour) {
    for (int i = first; i < scanner.resultCount; ++i) scanner.results[i].barsColour = colour;
}

std::uint16_t SearchDM(ZrDMScanner &scanner, ZrImage &image) {
    if (scanner.scanFlags == 0 || scanner.scanFlags > kBothPasses) scanner.scanFlags = kBothPasses;
    const zr::SearchCorners bounds = zr::SearchCornersOf(&scanner, image.width, image.height);
    auto work = std::make_unique<zr::dm::ScanWork>();
    std::uint16_t status = zr::status::kOk;
    if (scanner.scanFlags & kAsGiven) {
        status = zr::dm::ScanPass(image, bounds, scanner, *work);
        MarkPass(scanner, 0, kAsGiven);
        if (status != zr::status::kOk) return status;
    }
    if (scanner.scanFlags & kInverted) {
        const int first = scanner.resultCount;
        zr::ImageInvert(&image);
        status = zr::dm::ScanPass(image, bounds, scanner, *work);
        MarkPass(scanner, first, kInverted);
    }
    return status;
}

}  // namespace

extern "C" {

ZR_EXPORT uint32_t ZrDMGetVersion(void) {
    return kDMVersion;
}

ZR_EXPORT uint16_t ZrInitDMScanner(ZrDMScanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != zr::status::kOk) return status;
    // Set here too, so that a record on the stack never scans by leftover bits.
    scanner->scanFlags = kBothPasses;
    scanner->runTime = 0;
    return zr::status::kOk;
}

ZR_EXPORT uint16_t ZrScanDM(ZrDMScanner *scanner) {
    return zr::RunScanFrame<zr::RectangleRule::Corners>(
        scanner, PrepareDMImage, [scanner](ZrImage &work) { return SearchDM(*scanner, work); });
}

ZR_EXPORT uint16_t GetDMAt(ZrDMScanner *scanner, int index, DMResult *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreeDMScanner(ZrDMScanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
