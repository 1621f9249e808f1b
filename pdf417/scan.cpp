// The PDF417 reader's scan: the call frame, the option defaults, and the one
// place where the scan's outcome becomes its public status.
#include "core/call_frame.hpp"
#include "core/second_look.hpp"
#include "pdf417/stages.hpp"

namespace zr::pdf417 {
namespace {

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

std::uint16_t Scan(ZrPDF417Scanner *scanner, std::vector<DecodedData> *details) {
    if (details) details->clear();
    // A colour picture's grey levels, kept from the first look for the grey look.
    std::vector<std::uint8_t> grey;
    const auto load = [&grey, scanner](const void *dib, ZrImage *work) {
        return LoadBiLevelKeepingGrey(dib, work, SecondLookWanted(scanner->directions) ? &grey : nullptr);
    };
    return RunScanFrame<RectangleRule::ClampInPlace>(scanner, load, [scanner, details, &grey](ZrImage &work) {
        ApplyDefaults(*scanner);
        return PublicStatus(ScanSymbols(work, *scanner, details, &grey));
    });
}

}  // namespace zr::pdf417
