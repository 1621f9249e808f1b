// The QR Code reader's scan: the call frame, despeckling, both polarity passes
// (the first look) and the second look.
#include "core/grey.hpp"
#include "qr/scan_pass.hpp"
#include "qr/second_look.hpp"

namespace zr::qr {

std::uint16_t Scan(ZrQRScanner *scanner, std::vector<TextDetails> *textDetails) {
    if (textDetails) textDetails->clear();
    return RunScanFrame<RectangleRule::Corners>(scanner, LoadBiLevel, [scanner, textDetails](ZrImage &work) {
        ImageDespeckle(&work);
        // The scan answers with the last triple of its last pass.
        Outcome last = Outcome::kNothingTried;
        std::size_t finders = 0;
        RunPolarityPasses(*scanner, work, kPasses, [&](ZrImage &picture, const SearchCorners &corners) {
            last = ScanPass(picture, corners, *scanner, textDetails, &finders);
        });
        // The second look keeps the first look's status unless it found the list full.
        if (SecondLookDue(*scanner, finders) && RunSecondLook(*scanner, kPasses, textDetails))
            return static_cast<std::uint16_t>(ZR_ERR_LIST_FULL);
        return PublicStatus(last);
    });
}

}  // namespace zr::qr
