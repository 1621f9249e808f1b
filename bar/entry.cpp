// Exported calls of the linear reader.
#include "bar/grey_look.hpp"
#include "bar/stages.hpp"
#include "core/call_frame.hpp"
#include "core/second_look.hpp"
#include "zr/ZrBar.h"

namespace {

constexpr std::uint32_t kBarVersion = 0x20046;  // 2.70
constexpr std::uint8_t kDefaultBarColors = zr::bar::kBothColours;
constexpr std::uint8_t kDefaultDirections = zr::bar::kAllDirections;

// Option defaults for fields that hold none of their meaningful bits.
void ValidateBarOptions(ZrBarScanner &scanner) {
    if (scanner.symbologies == 0) scanner.symbologies = ZR_BAR_ALL;
    if ((scanner.directions & zr::bar::kAllDirections) == 0) scanner.directions = kDefaultDirections;
    if ((scanner.barColors & zr::bar::kBothColours) == 0) scanner.barColors = kDefaultBarColors;
}

// The one place a scan's outcome becomes the public status of ZrScanBar.
// A picture that cannot be loaded and a failed allocation get theirs from
// the scan frame.
std::uint16_t PublicStatus(zr::bar::PassEnd end) {
    switch (end) {
        case zr::bar::PassEnd::Searched:
            return ZR_OK;
        case zr::bar::PassEnd::ListFull:
            return ZR_ERR_LIST_FULL;
    }
    return ZR_OK;
}

}  // namespace

extern "C" {

ZR_EXPORT uint32_t ZrBarGetVersion(void) {
    return kBarVersion;
}

ZR_EXPORT uint16_t ZrInitBarScanner(ZrBarScanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != ZR_OK) return status;
    scanner->barColors = kDefaultBarColors;
    scanner->directions = kDefaultDirections;
    scanner->extraFlags = 0;
    scanner->symbologies = ZR_BAR_ALL;
    scanner->runTime = 0;
    return ZR_OK;
}

ZR_EXPORT uint16_t ZrScanBar(ZrBarScanner *scanner) {
    // A colour picture's grey levels, kept from the first look for the grey look.
    std::vector<std::uint8_t> grey;
    const auto load = [&grey, scanner](const void *dib, ZrImage *work) {
        return zr::LoadBiLevelKeepingGrey(dib, work, zr::SecondLookWanted(scanner->extraFlags) ? &grey : nullptr);
    };
    return zr::RunScanFrame<zr::RectangleRule::ClampInPlace>(
        scanner, load, [scanner, &grey](ZrImage &work) {
            using zr::bar::PassEnd;
            ValidateBarOptions(*scanner);
            int unread = 0;  // candidates the first look could not decode, and where they lie
            std::vector<zr::bar::Rect> unreadAreas;
            PassEnd end = zr::bar::ScanPass(work, *scanner, &unread, &unreadAreas);
            if (scanner->extraFlags & ZR_BAR_THOROUGH) {
                zr::bar::BarPrefilter(work);
                // A list cut short in the first pass stays reported whatever the second finds.
                if (zr::bar::ScanPass(work, *scanner, &unread, &unreadAreas) == PassEnd::ListFull)
                    end = PassEnd::ListFull;
            }
            zr::bar::DropLoneAddOns(*scanner);
            end = zr::bar::RunGreyLook(*scanner, end, unread, grey, unreadAreas);
            return PublicStatus(end);
        });
}

ZR_EXPORT uint16_t GetBarcodeAt(ZrBarScanner *scanner, int index, ZrBarResult *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreeBarScanner(ZrBarScanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
