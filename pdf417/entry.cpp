// Exported calls of the PDF417 reader, and the one place where the scan's
// outcome becomes its public status.
#include "core/call_frame.hpp"
#include "core/second_look.hpp"
#include "pdf417/stages.hpp"
#include "zr/ZrPDF417.h"

namespace zr::pdf417 {

namespace {

constexpr std::uint32_t kVersion = 0x2002C;  // 2.44
constexpr std::uint8_t kDefaultBarColors = kBothBarColors;
constexpr std::uint8_t kDefaultDirections = ZR_PDF417_ALL_DIRECTIONS;

void ApplyDefaults(ZrPDF417Scanner &scanner) {
    if ((scanner.directions & ZR_PDF417_ALL_DIRECTIONS) == 0)
        scanner.directions = static_cast<std::uint8_t>(kDefaultDirections | (scanner.directions & kFirstLookOnly));
    if ((scanner.barColors & kBothBarColors) == 0) scanner.barColors = kDefaultBarColors;
}

std::uint16_t PublicStatus(ScanOutcome outcome) {
    switch (outcome) {
        case ScanOutcome::kScanned:
            return ZR_OK;
        case ScanOutcome::kListFull:
            return ZR_ERR_LIST_FULL;
    }
    return ZR_OK;
}

}  // namespace

}  // namespace zr::pdf417

extern "C" {

ZR_EXPORT uint32_t ZrPDF417GetVersion(void) {
    return zr::pdf417::kVersion;
}

ZR_EXPORT uint16_t ZrInitPDF417Scanner(ZrPDF417Scanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != ZR_OK) return status;
    scanner->barColors = zr::pdf417::kDefaultBarColors;
    scanner->directions = zr::pdf417::kDefaultDirections;
    scanner->runTime = 0;
    return ZR_OK;
}

ZR_EXPORT uint16_t ZrScanPDF417(ZrPDF417Scanner *scanner) {
    return zr::RunScanFrame<zr::RectangleRule::ClampInPlace>(
        scanner, zr::LoadBiLevel, [scanner](ZrImage &work) {
            zr::pdf417::ApplyDefaults(*scanner);
            return zr::pdf417::PublicStatus(zr::pdf417::ScanSymbols(work, *scanner));
        });
}

ZR_EXPORT uint16_t GetPDF417At(ZrPDF417Scanner *scanner, int index, ZrPDF417Result *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreePDF417Scanner(ZrPDF417Scanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
