// Exported calls of the QR Code reader.
#include "core/call_frame.hpp"
#include "core/grey.hpp"
#include "qr/scan_pass.hpp"
#include "zr/ZrQR.h"

namespace {

constexpr std::uint32_t kQRVersion = 0x1000A;  // 1.10
constexpr std::uint8_t kBothPolarities = ZR_QR_DARK_ON_LIGHT | ZR_QR_LIGHT_ON_DARK;
constexpr std::uint8_t kFoundAsGiven = 1;
constexpr std::uint8_t kFoundInverted = 2;

std::uint16_t PrepareQRImage(const void *dib, ZrImage *work) {
    return zr::LoadBiLevel(dib, work);
}

void MarkPolarity(ZrQRScanner &scanner, int from, std::uint8_t colour) {
    for (int i = from; i < scanner.resultCount; ++i) scanner.results[i].barsColour = colour;
}

}  // namespace

extern "C" {

ZR_EXPORT uint32_t ZrQRGetVersion(void) {
    return kQRVersion;
}

ZR_EXPORT uint16_t ZrInitQRScanner(ZrQRScanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != ZR_OK) return status;
    scanner->scanFlags = kBothPolarities;
    return ZR_OK;
}

ZR_EXPORT uint16_t ZrScanQR(ZrQRScanner *scanner) {
    return zr::RunScanFrame<zr::RectangleRule::Corners>(scanner, PrepareQRImage, [scanner](ZrImage &work) {
        if ((scanner->scanFlags & kBothPolarities) == 0) scanner->scanFlags = kBothPolarities;
        const zr::SearchCorners corners = zr::SearchCornersOf(scanner, work.width, work.height);
        zr::ImageDespeckle(&work);
        std::uint16_t status = ZR_OK;
        if (scanner->scanFlags & ZR_QR_DARK_ON_LIGHT) {
            status = zr::qr::ScanPass(work, corners, *scanner);
            MarkPolarity(*scanner, 0, kFoundAsGiven);
        }
        // Out of memory ends the scan: a pass that could not search must not
        // be hidden behind the status of the next.
        if ((scanner->scanFlags & ZR_QR_LIGHT_ON_DARK) && status != ZR_ERR_NO_MEMORY) {
            const int first = scanner->resultCount;
            zr::ImageInvert(&work);
            status = zr::qr::ScanPass(work, corners, *scanner);
            MarkPolarity(*scanner, first, kFoundInverted);
        }
        return status;
    });
}

ZR_EXPORT uint16_t GetQRAt(ZrQRScanner *scanner, int index, QRResult *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreeQRScanner(ZrQRScanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
