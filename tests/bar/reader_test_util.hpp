// Shared pieces of the linear reader's end-to-end tests: Code 39 symbols
// rendered with libzint, placed on a canvas and read through the exported calls.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/render.hpp"
#include "support/scan_with.hpp"
#include "zr/ZrBar.h"

namespace zr::bar::test {

using zr::test::Raster;

constexpr char kCode39Alphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

inline int Code39Value(char c) {
    return static_cast<int>(std::strchr(kCode39Alphabet, c) - kCode39Alphabet);
}

inline char Code39CheckCharacter(const std::string &text) {
    int sum = 0;
    for (char c : text) sum += Code39Value(c);
    return kCode39Alphabet[sum % 43];
}

struct Code39 {
    std::string text = "CODE39";
    int module = 3;
    double ratio = 2.5;
    bool check = false;
    int height = 40;  // bar height in modules
};

inline Raster RenderCode39(const Code39 &c) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_CODE39;
    options.data = c.text;
    options.option2 = c.check ? 1 : 0;
    options.moduleSize = c.module;
    options.wideRatio = c.ratio;
    options.barHeight = c.height;
    std::string error;
    Raster r = zr::test::RenderSymbol(options, &error);
    EXPECT_FALSE(r.empty()) << error;
    return r;
}

// A symbol on a white canvas with a margin on every side.
inline Raster OnCanvas(const Raster &symbol, int margin = 40) {
    Raster canvas = zr::test::Canvas(symbol.width + 2 * margin, symbol.height + 2 * margin);
    zr::test::Paste(canvas, symbol, margin, margin);
    return canvas;
}

using Scan = zr::test::ScanOutcome<zr::test::BarReader>;

inline Scan Read(const std::vector<std::uint8_t> &dib,
                 const std::function<void(ZrBarScanner &)> &configure = {}) {
    return zr::test::ScanWith<zr::test::BarReader>(dib, configure);
}

inline Scan Read(const Raster &picture, int bits = 8,
                 const std::function<void(ZrBarScanner &)> &configure = {}) {
    return Read(zr::test::ToDib(picture, bits), configure);
}

// Texts of the results, for readable failure messages.
inline std::string Texts(const Scan &scan) {
    std::string all;
    for (const auto &r : scan.results) all += std::string("[") + r.text + "]";
    return all;
}

inline double AngleDistance(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

// Two upright symbols side by side: "LEFT" and "RIGHT" (from x = 460).
inline Raster TwoSymbols() {
    Raster canvas = zr::test::Canvas(900, 300);
    Code39 c;
    c.text = "LEFT";
    zr::test::Paste(canvas, RenderCode39(c), 10, 40);
    c.text = "RIGHT";
    zr::test::Paste(canvas, RenderCode39(c), 460, 40);
    return canvas;
}

}  // namespace zr::bar::test
