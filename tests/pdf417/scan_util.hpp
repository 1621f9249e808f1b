// Scanning test pictures with ZrPDF417.
#pragma once

#include <string>
#include <vector>

#include "support/render.hpp"
#include "support/render_pdf417.hpp"
#include "support/scan_with.hpp"
#include "zr/ZrPDF417.h"

namespace zr::test {

using Pdf417Scan = ScanOutcome<PDF417Reader>;

inline Pdf417Scan ScanPdf417(const Raster &picture, std::uint8_t directions = 15, std::uint8_t barColors = 3,
                             std::uint8_t maxResults = 20, int bitsPerPixel = 8) {
    return ScanWith<PDF417Reader>(picture, bitsPerPixel, [&](ZrPDF417Scanner &scanner) {
        scanner.directions = directions;
        scanner.barColors = barColors;
        scanner.maxResults = maxResults;
    });
}

inline std::string TextOf(const ZrPDF417Result &r) {
    return std::string(r.text);
}

}  // namespace zr::test
