// Exported calls of the DataMatrix reader.
#include <memory>

#include "core/call_frame.hpp"
#include "core/polarity_passes.hpp"
#include "core/status.hpp"
#include "dm/scan_pass.hpp"
#include "zr/ZrDM.h"

namespace {

constexpr std::uint32_t kDMVersion = 0x10018;  // 1.24
// barsColour tells the pass by its scanFlags bit.
constexpr zr::PolarityScheme kPasses{ZR_DM_DARK_ON_LIGHT, ZR_DM_LIGHT_ON_DARK, ZR_DM_DARK_ON_LIGHT,
                                     ZR_DM_LIGHT_ON_DARK, zr::PolarityScheme::Default::kZeroOrAboveBothBits};
static_assert(kPasses.BothPasses() == ZR_DM_BOTH, "the default runs both passes");

// Every pass stores what it decodes; only running out of memory ends a scan
// early, as an exception. DataMatrix has no outcome of its own to report.
std::uint16_t SearchDM(ZrDMScanner &scanner, ZrImage &image) {
    std::unique_ptr<zr::dm::ScanWork> work;  // made by the first pass, reused by the second
    zr::RunPolarityPasses(scanner, image, kPasses, [&](ZrImage &picture, const zr::SearchCorners &bounds) {
        if (!work) work = std::make_unique<zr::dm::ScanWork>();
        zr::dm::ScanPass(picture, bounds, scanner, *work);
    });
    return zr::status::kOk;
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
    scanner->scanFlags = kPasses.BothPasses();
    scanner->runTime = 0;
    return zr::status::kOk;
}

ZR_EXPORT uint16_t ZrScanDM(ZrDMScanner *scanner) {
    return zr::RunScanFrame<zr::RectangleRule::Corners>(
        scanner, zr::LoadBiLevel, [scanner](ZrImage &work) { return SearchDM(*scanner, work); });
}

ZR_EXPORT uint16_t GetDMAt(ZrDMScanner *scanner, int index, DMResult *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreeDMScanner(ZrDMScanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
