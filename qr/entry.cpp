// Exported calls of the QR Code reader.
#include "qr/scan_pass.hpp"
#include "zr/ZrQR.h"

namespace {

constexpr std::uint32_t kQRVersion = 0x1000A;  // 1.10

}  // namespace

extern "C" {

ZR_EXPORT uint32_t ZrQRGetVersion(void) {
    return kQRVersion;
}

ZR_EXPORT uint16_t ZrInitQRScanner(ZrQRScanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != ZR_OK) return status;
    scanner->scanFlags = zr::qr::kPasses.BothPasses();
    return ZR_OK;
}

ZR_EXPORT uint16_t ZrScanQR(ZrQRScanner *scanner) {
    return zr::qr::Scan(scanner, nullptr);
}

ZR_EXPORT uint16_t GetQRAt(ZrQRScanner *scanner, int index, QRResult *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreeQRScanner(ZrQRScanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
