// Exported calls of the DataMatrix reader.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "core/call_frame.hpp"
#include "core/grey.hpp"
#include "core/image_view.hpp"
#include "core/local_threshold.hpp"
#include "core/polarity_passes.hpp"
#include "core/second_look.hpp"
#include "core/status.hpp"
#include "dm/scan_pass.hpp"
#include "dm/second_look.hpp"
#include "zr/ZrDM.h"

namespace {

constexpr std::uint32_t kDMVersion = 0x10018;  // 1.24
// barsColour tells the pass by its scanFlags bit.
constexpr zr::PolarityScheme kPasses{ZR_DM_DARK_ON_LIGHT, ZR_DM_LIGHT_ON_DARK, ZR_DM_DARK_ON_LIGHT,
                                     ZR_DM_LIGHT_ON_DARK, zr::PolarityScheme::Default::kZeroOrAboveBothBits};
static_assert(kPasses.BothPasses() == ZR_DM_BOTH, "the default runs both passes");

// The second look over the regions each first-look pass kept, in the same
// order, with the picture turned back to the polarity of that pass (the first
// look leaves it inverted when its second pass ran) and its frame light again
// as the labelling left it. Returns whether the picture is left inverted.
bool SecondLook(ZrDMScanner &scanner, ZrImage &picture, zr::dm::ScanWork &work, bool pictureInverted) {
    const bool ran[] = {(scanner.scanFlags & kPasses.asGivenBit) != 0,
                        (scanner.scanFlags & kPasses.invertedBit) != 0};
    const std::uint8_t colours[] = {kPasses.asGivenColour, kPasses.invertedColour};
    for (std::size_t pass = 0; pass < work.passRegions.size(); ++pass) {
        if (!ran[pass]) continue;
        const bool inverted = pass == 1;
        if (inverted != pictureInverted) {
            zr::ImageInvert(&picture);
            zr::ImageClearBorder(&picture);
            pictureInverted = inverted;
        }
        const zr::PassColourMark<ZrDMScanner> mark(scanner, colours[pass]);
        zr::dm::SecondLookPass(zr::BitImageView(picture), work.passRegions[pass], scanner, work);
    }
    return pictureInverted;
}

bool SameBits(const ZrImage &a, const ZrImage &b) {
    return a.width == b.width && a.height == b.height && a.pitch == b.pitch && a.size == b.size &&
           a.polarity == b.polarity && std::memcmp(a.bits, b.bits, a.size) == 0;
}

// Share of the unread area's larger side added around it, for symbols whose
// outline the global threshold cut short.
constexpr int kUnreadMarginDivisor = 4;

// The search corners narrowed to the area of the regions the first look
// could not decode, with a margin: the local-threshold look labels only
// there, so that a busy picture is not labelled twice over.
zr::SearchCorners AroundUnread(const zr::SearchCorners &bounds, const zr::geom::Rect &area) {
    const int margin = std::max(area.Width(), area.Height()) / kUnreadMarginDivisor;
    const auto clamp = [](int value, std::uint32_t low, std::uint32_t high) {
        return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, low, high));
    };
    zr::SearchCorners c = bounds;
    c.x0 = clamp(area.x0 - margin, bounds.x0, bounds.x1);
    c.y0 = clamp(area.y0 - margin, bounds.y0, bounds.y1);
    c.x1 = clamp(area.x1 - 1 + margin, bounds.x0, bounds.x1);
    c.y1 = clamp(area.y1 - 1 + margin, bounds.y0, bounds.y1);
    return c;
}

// The second look on the local-threshold picture, where it differs from the
// global one (the picture the first look saw, turned back as given): every
// size on every region of looser limits around the unread area, both passes
// as the flags ask.
void LocalThresholdLook(ZrDMScanner &scanner, ZrImage &global, bool globalInverted, zr::dm::ScanWork &work) {
    if (scanner.resultCount >= scanner.maxResults) return;
    zr::WorkingImage local;
    const std::uint16_t loaded = zr::DibToLocalBiLevel(&local.image, scanner.image);
    // Out of memory takes the scan's one path for it: the exception that
    // ends the scan with the results stored so far.
    if (loaded == zr::status::kNoMemory) throw std::bad_alloc();
    if (loaded != zr::status::kOk) return;
    if (globalInverted) zr::ImageInvert(&global);
    zr::ImageClearBorder(&global);
    zr::ImageClearBorder(&local.image);
    if (SameBits(global, local.image)) return;
    zr::RunPolarityPasses(
        scanner, local.image, kPasses, [&](ZrImage &picture, const zr::SearchCorners &bounds) {
            zr::dm::LocalThresholdPass(picture, AroundUnread(bounds, work.unreadArea), scanner, work);
        });
}

// Every pass stores what it decodes; only running out of memory ends a scan
// early, as an exception. The second look runs when the first decoded
// nothing or met a region it could not decode; the status is the first
// look's, except a full list when the second look filled it.
std::uint16_t SearchDM(ZrDMScanner &scanner, ZrImage &image) {
    std::unique_ptr<zr::dm::ScanWork> work;  // made by the first pass, reused by the second
    const bool secondLook = zr::SecondLookWanted(scanner.scanFlags);
    int passes = 0;
    bool pictureInverted = false;
    zr::RunPolarityPasses(scanner, image, kPasses, [&](ZrImage &picture, const zr::SearchCorners &bounds) {
        if (!work) work = std::make_unique<zr::dm::ScanWork>();
        // The as-given pass comes first when it runs at all.
        pictureInverted = passes++ > 0 || (scanner.scanFlags & kPasses.asGivenBit) == 0;
        zr::regions::RegionList *keep = secondLook ? &work->passRegions[pictureInverted ? 1 : 0] : nullptr;
        zr::dm::ScanPass(picture, bounds, scanner, *work, keep);
    });
    if (!work || !secondLook) return zr::status::kOk;
    const int firstLookCount = scanner.resultCount;
    if (firstLookCount >= scanner.maxResults || (firstLookCount > 0 && !work->regionLeftUnread))
        return zr::status::kOk;
    pictureInverted = SecondLook(scanner, image, *work, pictureInverted);
    // Thresholded again only while nothing reads and the first look met a
    // candidate it could not decode: a blank page or a picture that already
    // gave a symbol is not worth a second labelling.
    if (scanner.resultCount == 0 && work->regionLeftUnread)
        LocalThresholdLook(scanner, image, pictureInverted, *work);
    const bool filled = scanner.resultCount > firstLookCount && scanner.resultCount >= scanner.maxResults;
    return filled ? zr::status::kListFull : zr::status::kOk;
}

}  // namespace

extern "C" {

ZR_EXPORT uint32_t ZrDMGetVersion(void) {
    return kDMVersion;
}

ZR_EXPORT uint16_t ZrInitDMScanner(ZrDMScanner *scanner) {
    const std::uint16_t status = zr::InitScannerHead(scanner);
    if (status != zr::status::kOk) return status;
    // Set here too, so that a record on the stack never scans by leftover bits.
    scanner->scanFlags = kPasses.BothPasses();
    scanner->runTime = 0;
    return zr::status::kOk;
}

ZR_EXPORT uint16_t ZrScanDM(ZrDMScanner *scanner) {
    return zr::RunScanFrame<zr::RectangleRule::Corners>(
        scanner, zr::LoadBiLevel, [scanner](ZrImage &work) { return SearchDM(*scanner, work); });
}

ZR_EXPORT uint16_t GetDMAt(ZrDMScanner *scanner, int index, DMResult *result) {
    return zr::GetResultAt(scanner, index, result);
}

ZR_EXPORT uint16_t ZrFreeDMScanner(ZrDMScanner *scanner) {
    return zr::FreeResults(scanner);
}

}  // extern "C"
