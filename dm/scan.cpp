// The DataMatrix reader's scan: the call frame, both polarity passes (the
// first look) and the second look.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "core/grey.hpp"
#include "core/image_view.hpp"
#include "core/local_threshold.hpp"
#include "core/second_look.hpp"
#include "core/status.hpp"
#include "dm/scan_pass.hpp"
#include "dm/second_look.hpp"

namespace zr::dm {

namespace {

// The second look over the regions each first-look pass kept, in the same
// order, with the picture turned back to the polarity of that pass (the first
// look leaves it inverted when its second pass ran) and its frame light again
// as the labelling left it. Returns whether the picture is left inverted.
bool SecondLook(ZrDMScanner &scanner, ZrImage &picture, ScanWork &work, bool pictureInverted,
                std::vector<ResultDetails> *details) {
    const bool ran[] = {(scanner.scanFlags & kPasses.asGivenBit) != 0,
                        (scanner.scanFlags & kPasses.invertedBit) != 0};
    const std::uint8_t colours[] = {kPasses.asGivenColour, kPasses.invertedColour};
    for (std::size_t pass = 0; pass < work.passRegions.size(); ++pass) {
        if (!ran[pass]) continue;
        const bool inverted = pass == 1;
        if (inverted != pictureInverted) {
            ImageInvert(&picture);
            ImageClearBorder(&picture);
            pictureInverted = inverted;
        }
        const PassColourMark<ZrDMScanner> mark(scanner, colours[pass]);
        SecondLookPass(BitImageView(picture), work.passRegions[pass], scanner, work, details);
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
SearchCorners AroundUnread(const SearchCorners &bounds, const geom::Rect &area) {
    const int margin = std::max(area.Width(), area.Height()) / kUnreadMarginDivisor;
    const auto clamp = [](int value, std::uint32_t low, std::uint32_t high) {
        return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, low, high));
    };
    SearchCorners c = bounds;
    c.x0 = clamp(area.x0 - margin, bounds.x0, bounds.x1);
    c.y0 = clamp(area.y0 - margin, bounds.y0, bounds.y1);
    c.x1 = clamp(area.x1 - 1 + margin, bounds.x0, bounds.x1);
    c.y1 = clamp(area.y1 - 1 + margin, bounds.y0, bounds.y1);
    return c;
}

// The second look on the local-threshold picture, where it differs from the
// global one (the picture the first look saw, turned back as given): every
// size on every region of looser limits around the unread area, both passes
// as the flags ask. A picture the local thresholds turn into speckle (noise)
// is left: labelling it costs much and finds nothing. One the global
// threshold already turned into speckle is left before the local thresholds
// are worked out: they give speckle there too.
void LocalThresholdLook(ZrDMScanner &scanner, ZrImage &global, bool globalInverted, ScanWork &work,
                        const std::vector<std::uint8_t> &storedGrey, std::vector<ResultDetails> *details) {
    if (scanner.resultCount >= scanner.maxResults || LooksLikeSpeckle(global)) return;
    WorkingImage local;
    const std::uint16_t loaded = DibToLocalBiLevel(&local.image, scanner.image, storedGrey);
    // Out of memory takes the scan's one path for it: the exception that
    // ends the scan with the results stored so far.
    if (loaded == status::kNoMemory) throw std::bad_alloc();
    if (loaded != status::kOk || LooksLikeSpeckle(local.image)) return;
    if (globalInverted) ImageInvert(&global);
    ImageClearBorder(&global);
    ImageClearBorder(&local.image);
    if (SameBits(global, local.image)) return;
    RunPolarityPasses(
        scanner, local.image, kPasses, [&](ZrImage &picture, const SearchCorners &bounds) {
            LocalThresholdPass(picture, AroundUnread(bounds, work.unreadArea), scanner, work, details);
        });
}

}  // namespace

// Every pass stores what it decodes; only running out of memory ends a scan
// early, as an exception. The second look runs when the first decoded
// nothing or met a region it could not decode; the status is the first
// look's (DataMatrix has no outcome of its own to report), except a full
// list when the second look filled it.
std::uint16_t Scan(ZrDMScanner *scanner, std::vector<ResultDetails> *details) {
    if (details) details->clear();
    // A colour picture's grey levels, kept from the first look for the local thresholds.
    std::vector<std::uint8_t> grey;
    const auto load = [&grey, scanner](const void *dib, ZrImage *work) {
        return LoadBiLevelKeepingGrey(dib, work, SecondLookWanted(scanner->scanFlags) ? &grey : nullptr);
    };
    return RunScanFrame<RectangleRule::Corners>(scanner, load, [scanner, details, &grey](ZrImage &image) {
        std::unique_ptr<ScanWork> work;  // made by the first pass, reused by the second
        const bool secondLook = SecondLookWanted(scanner->scanFlags);
        int passes = 0;
        bool pictureInverted = false;
        RunPolarityPasses(*scanner, image, kPasses, [&](ZrImage &picture, const SearchCorners &bounds) {
            if (!work) work = std::make_unique<ScanWork>();
            // The as-given pass comes first when it runs at all.
            pictureInverted = passes++ > 0 || (scanner->scanFlags & kPasses.asGivenBit) == 0;
            KeptPass *keep = secondLook ? &work->passRegions[pictureInverted ? 1 : 0] : nullptr;
            ScanPass(picture, bounds, *scanner, *work, keep, details);
        });
        if (!work || !secondLook) return status::kOk;
        const int firstLookCount = scanner->resultCount;
        if (firstLookCount >= scanner->maxResults || (firstLookCount > 0 && !work->regionLeftUnread))
            return status::kOk;
        pictureInverted = SecondLook(*scanner, image, *work, pictureInverted, details);
        // Thresholded again only while nothing reads and the first look met a
        // candidate it could not decode: a blank page or a picture that already
        // gave a symbol is not worth a second labelling.
        if (scanner->resultCount == 0 && work->regionLeftUnread)
            LocalThresholdLook(*scanner, image, pictureInverted, *work, grey, details);
        const bool filled = scanner->resultCount > firstLookCount && scanner->resultCount >= scanner->maxResults;
        return filled ? status::kListFull : status::kOk;
    });
}

}  // namespace zr::dm
