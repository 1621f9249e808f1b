// Exported calls of the QR Code reader.
#include "core/call_frame.hpp"
#include "core/grey.hpp"
#include "core/polarity_passes.hpp"
#include "qr/scan_pass.hpp"
#include "qr/second_look.hpp"
#include "zr/ZrQR.h"

namespace {

constexpr std::uint32_t kQRVersion = 0x1000A;  // 1.10
// barsColour of a result: the pass that found it.
constexpr std::uint8_t kFoundAsGiven = 1;
constexpr std::uint8_t kFoundInverted = 2;
constexpr zr::PolarityScheme kPasses{ZR_QR_DARK_ON_LIGHT, ZR_QR_LIGHT_ON_DARK, kFoundAsGiven, kFoundInverted,
                                     zr::PolarityScheme::Default::kNeitherPassBit};

}  // namespace

extern "C" {

ZR_EXPORT uint32_t ZrQRGetVersion(void) {
    return kQRVersion;
}

ZR_EXPORT uint16_t ZrInitQRScanner(ZrQRScanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != ZR_OK) return status;
    scanner->scanFlags = kPasses.BothPasses();
    return ZR_OK;
}

ZR_EXPORT uint16_t ZrScanQR(ZrQRScanner *scanner) {
    return zr::RunScanFrame<zr::RectangleRule::Corners>(scanner, zr::LoadBiLevel, [scanner](ZrImage &work) {
        zr::ImageDespeckle(&work);
        // The scan answers with the last triple of its last pass.
        zr::qr::Outcome last = zr::qr::Outcome::kNothingTried;
        std::size_t finders = 0;
        zr::RunPolarityPasses(*scanner, work, kPasses,
                              [&](ZrImage &picture, const zr::SearchCorners &corners) {
                                  last = zr::qr::ScanPass(picture, corners, *scanner, &finders);
                              });
        // The second look keeps the first look's status unless it found the list full.
        if (zr::qr::SecondLookDue(*scanner, finders) && zr::qr::RunSecondLook(*scanner, kPasses))
            return static_cast<std::uint16_t>(ZR_ERR_LIST_FULL);
        return zr::qr::PublicStatus(last);
    });
}

ZR_EXPORT uint16_t GetQRAt(ZrQRScanner *scanner, int index, QRResult *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreeQRScanner(ZrQRScanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
