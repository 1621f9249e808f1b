// Scanning test pictures with ZrPDF417.
#pragma once

#include <string>
#include <vector>

#include "support/render.hpp"
#include "support/render_pdf417.hpp"
#include "zr/ZrPDF417.h"

namespace zr::test {

struct Pdf417Scan {
    std::uint16_t status = 0;
    std::vector<ZrPDF417Result> results;
};

inline Pdf417Scan ScanPdf417(const Raster &picture, std::uint8_t directions = 15, std::uint8_t barColors = 3,
                             std::uint8_t maxResults = 20, int bitsPerPixel = 8) {
    const std::vector<std::uint8_t> dib = ToDib(picture, bitsPerPixel);
    ZrPDF417Scanner scanner;
    ZrInitPDF417Scanner(&scanner);
    scanner.image = dib.data();
    scanner.directions = directions;
    scanner.barColors = barColors;
    scanner.maxResults = maxResults;
    Pdf417Scan scan;
    scan.status = ZrScanPDF417(&scanner);
    for (int i = 0; i < scanner.resultCount; ++i) {
        ZrPDF417Result r;
        if (GetPDF417At(&scanner, i, &r) == ZR_OK) scan.results.push_back(r);
    }
    ZrFreePDF417Scanner(&scanner);
    return scan;
}

inline std::string TextOf(const ZrPDF417Result &r) {
    return std::string(r.text);
}

}  // namespace zr::test
