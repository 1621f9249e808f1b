// The QR Code reader's scan: the call frame, despeckling and both polarity passes.
#include "core/grey.hpp"
#include "qr/scan_pass.hpp"

namespace zr::qr {

std::uint16_t Scan(ZrQRScanner *scanner, std::vector<EciMarks> *eciMarks) {
    if (eciMarks) eciMarks->clear();
    return RunScanFrame<RectangleRule::Corners>(scanner, LoadBiLevel, [scanner, eciMarks](ZrImage &work) {
        ImageDespeckle(&work);
        // The scan answers with the last triple of its last pass.
        Outcome last = Outcome::kNothingTried;
        RunPolarityPasses(*scanner, work, kPasses, [&](ZrImage &picture, const SearchCorners &corners) {
            last = ScanPass(picture, corners, *scanner, eciMarks);
        });
        return PublicStatus(last);
    });
}

}  // namespace zr::qr
