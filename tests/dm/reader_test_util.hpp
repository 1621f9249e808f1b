// Scanning test pictures with ZrDM.
#pragma once

#include <string>
#include <vector>

#include "dm_test_util.hpp"
#include "support/scan_with.hpp"
#include "zr/ZrDM.h"

namespace zr::dm::test {

struct ScanOutcome : zr::test::ScanOutcome<zr::test::DMReader> {
    std::string FirstText() const { return Text(0); }
};

inline ScanOutcome Scan(const Raster &picture, std::uint8_t scanFlags = 0, std::uint8_t maxResults = 0,
                        int bitsPerPixel = 8) {
    return {zr::test::ScanWith<zr::test::DMReader>(picture, bitsPerPixel, [&](ZrDMScanner &scanner) {
        scanner.scanFlags = scanFlags;
        scanner.maxResults = maxResults;
    })};
}

// A symbol of the given size drawn at `moduleSize` pixels, with a quiet zone.
inline Raster RenderDm(const std::string &data, const DMSize &size, int moduleSize, int quietZone = 4) {
    const Raster modules = DmModules(data, size);
    if (modules.empty()) return {};
    return zr::test::ExpandModules(modules, moduleSize, 0, quietZone);
}

// Data that fills most of a size in ASCII.
inline std::string FillerFor(const DMSize &size) {
    std::string data;
    for (int i = 0; i < size.dataCodewords * 3 / 4; ++i)
        data.push_back(static_cast<char>('a' + (i * 5) % 26));
    return data;
}

}  // namespace zr::dm::test
