// Exported calls of the PDF417 reader; the scan itself, and where its outcome
// becomes its public status, is in scan.cpp beside.
#include "core/call_frame.hpp"
#include "pdf417/stages.hpp"
#include "zr/ZrPDF417.h"

namespace zr::pdf417 {

namespace {

constexpr std::uint32_t kVersion = 0x2002C;  // 2.44

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
    return zr::pdf417::Scan(scanner, nullptr);
}

ZR_EXPORT uint16_t GetPDF417At(ZrPDF417Scanner *scanner, int index, ZrPDF417Result *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreePDF417Scanner(ZrPDF417Scanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
