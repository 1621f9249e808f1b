// The QR Code reader's scan: the call frame, despeckling, both polarity passes
// (the first look) and the second look.
#include "core/grey.hpp"
#include "core/second_look.hpp"
#include "qr/scan_pass.hpp"
#include "qr/second_look.hpp"

namespace zr::qr {

std::uint16_t Scan(ZrQRScanner *scanner, std::vector<TextDetails> *textDetails) {
    if (textDetails) textDetails->clear();
    // A colour picture's grey levels, kept from the first look for the second.
    std::vector<std::uint8_t> grey;
    const auto load = [&grey, scanner](const void *dib, ZrImage *work) {
        return LoadBiLevelKeepingGrey(dib, work, SecondLookWanted(scanner->scanFlags) ? &grey : nullptr);
    };
    return RunScanFrame<RectangleRule::Corners>(scanner, load, [scanner, textDetails, &grey](ZrImage &work) {
        ImageDespeckle(&work);
        FirstLookClues clues;
        clues.darkAtEdge = DarkTouchesEdge(work);  // before the passes clear the frame
        // The scan answers with the last triple of its last pass.
        Outcome last = Outcome::kNothingTried;
        int pass = 0;
        RunPolarityPasses(*scanner, work, kPasses, [&](ZrImage &picture, const SearchCorners &corners) {
            const bool inverted = IsInvertedPass(pass++, scanner->scanFlags, kPasses);
            last = ScanPass(picture, corners, *scanner, textDetails,
                            inverted ? &clues.findersInverted : &clues.findersAsGiven);
        });
        // The second look keeps the first look's status unless it found the list full.
        const std::uint8_t passes = SecondLookPasses(*scanner, kPasses, clues);
        if (passes != 0 && RunSecondLook(*scanner, kPasses, passes, textDetails, grey))
            return static_cast<std::uint16_t>(ZR_ERR_LIST_FULL);
        return PublicStatus(last);
    });
}

}  // namespace zr::qr
