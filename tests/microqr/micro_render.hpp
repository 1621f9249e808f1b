// Micro QR symbols drawn with libzint for the reader's tests.
#pragma once

#include <string>

#include "support/render.hpp"

namespace zr::test {

struct MicroSymbol {
    std::string data;
    int version = 0;  // 1..4 for M1..M4; 0 lets libzint choose
    int level = 0;    // 0 L, 1 M, 2 Q (M1 has only error detection)
    int mask = -1;    // 0..3; -1 lets libzint choose
    int module = 3;   // pixels per module
    int quietZone = 2;
    int inputMode = DATA_MODE;
};

inline SymbolOptions MicroOptions(const MicroSymbol &m) {
    SymbolOptions options;
    options.symbology = BARCODE_MICROQR;
    options.data = m.data;
    options.option1 = m.level + 1;
    options.option2 = m.version;
    // libzint takes a chosen mask as (mask + 1) << 8.
    options.option3 = m.mask >= 0 ? (m.mask + 1) << 8 : 0;
    options.inputMode = m.inputMode;
    options.moduleSize = m.module;
    options.quietZone = m.quietZone;
    return options;
}

inline Raster RenderMicro(const MicroSymbol &m, std::string *error = nullptr) {
    return RenderSymbol(MicroOptions(m), error);
}

// Widens every dark area by `pixels` on each side, as a threshold set too
// light or ink spread does.
inline Raster Dilate(const Raster &r, int pixels) {
    Raster out = r;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            if (!r.isDark(x, y)) continue;
            for (int dy = -pixels; dy <= pixels; ++dy)
                for (int dx = -pixels; dx <= pixels; ++dx) {
                    const int px = x + dx, py = y + dy;
                    if (px >= 0 && py >= 0 && px < r.width && py < r.height) out.at(px, py) = 0;
                }
        }
    return out;
}

}  // namespace zr::test
