// Exported calls of the Micro QR reader.
#include "core/call_frame.hpp"
#include "core/polarity_passes.hpp"
#include "core/second_look.hpp"
#include "microqr/candidate.hpp"
#include "microqr/second_look.hpp"
#include "zr/ZrMicroQR.h"

namespace {

constexpr std::uint32_t kMicroQRVersion = 0x10001;  // 1.1
constexpr zr::PolarityScheme kPasses{ZR_MICROQR_DARK_ON_LIGHT, ZR_MICROQR_LIGHT_ON_DARK,
                                     ZR_MICROQR_FOUND_AS_GIVEN, ZR_MICROQR_FOUND_INVERTED,
                                     zr::PolarityScheme::Default::kNeitherPassBit};

}  // namespace

extern "C" {

ZR_EXPORT uint32_t ZrMicroQRGetVersion(void) {
    return kMicroQRVersion;
}

ZR_EXPORT uint16_t ZrInitMicroQRScanner(ZrMicroQRScanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != ZR_OK) return status;
    scanner->scanFlags = kPasses.BothPasses();
    return ZR_OK;
}

ZR_EXPORT uint16_t ZrScanMicroQR(ZrMicroQRScanner *scanner) {
    // A colour picture's grey levels, kept from the first look for the second.
    std::vector<std::uint8_t> grey;
    const auto load = [&grey, scanner](const void *dib, ZrImage *work) {
        return zr::LoadBiLevelKeepingGrey(dib, work, zr::SecondLookWanted(scanner->scanFlags) ? &grey : nullptr);
    };
    return zr::RunScanFrame<zr::RectangleRule::Corners>(
        scanner, load, [scanner, &grey](ZrImage &work) -> std::uint16_t {
            zr::microqr::ResultList results{scanner->results, scanner->maxResults, scanner->resultCount};
            zr::ImageDespeckle(&work);
            // The scan answers with the last attempt of its last pass.
            zr::microqr::Outcome last = zr::microqr::Outcome::kNothingTried;
            zr::RunPolarityPasses(*scanner, work, kPasses,
                                  [&](ZrImage &picture, const zr::SearchCorners &corners) {
                                      last = zr::microqr::ScanPass(picture, corners, results);
                                  });
            // Nothing read: the second look, when the flags want it.
            return zr::microqr::RunSecondLook(*scanner, kPasses, zr::microqr::PublicStatus(last), grey);
        });
}

ZR_EXPORT uint16_t GetMicroQRAt(ZrMicroQRScanner *scanner, int index, MicroQRResult *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreeMicroQRScanner(ZrMicroQRScanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
