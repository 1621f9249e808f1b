// Exported calls of the DataMatrix reader.
#include "core/status.hpp"
#include "dm/scan_pass.hpp"
#include "zr/ZrDM.h"

namespace {

constexpr std::uint32_t kDMVersion = 0x10018;  // 1.24

}  // namespace

extern "C" {

ZR_EXPORT uint32_t ZrDMGetVersion(void) {
    return kDMVersion;
}

ZR_EXPORT uint16_t ZrInitDMScanner(ZrDMScanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != zr::status::kOk) return status;
    // Set here too, so that a record on the stack never scans by leftover bits.
    scanner->scanFlags = zr::dm::kPasses.BothPasses();
    scanner->runTime = 0;
    return zr::status::kOk;
}

ZR_EXPORT uint16_t ZrScanDM(ZrDMScanner *scanner) {
    return zr::dm::Scan(scanner, nullptr);
}

ZR_EXPORT uint16_t GetDMAt(ZrDMScanner *scanner, int index, DMResult *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreeDMScanner(ZrDMScanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
