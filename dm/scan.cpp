// The DataMatrix reader's scan: the call frame and both polarity passes.
#include <memory>

#include "core/status.hpp"
#include "dm/scan_pass.hpp"

namespace zr::dm {

// Every pass stores what it decodes; only running out of memory ends a scan
// early, as an exception. DataMatrix has no outcome of its own to report.
std::uint16_t Scan(ZrDMScanner *scanner, std::vector<ResultDetails> *details) {
    if (details) details->clear();
    return RunScanFrame<RectangleRule::Corners>(scanner, LoadBiLevel, [scanner, details](ZrImage &image) {
        std::unique_ptr<ScanWork> work;  // made by the first pass, reused by the second
        RunPolarityPasses(*scanner, image, kPasses, [&](ZrImage &picture, const SearchCorners &bounds) {
            if (!work) work = std::make_unique<ScanWork>();
            ScanPass(picture, bounds, *scanner, *work, details);
        });
        return status::kOk;
    });
}

}  // namespace zr::dm
