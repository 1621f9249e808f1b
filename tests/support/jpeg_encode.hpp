// JPEG files written in memory with libjpeg, for the tests that need a
// camera's compression or a file of a particular make.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zr::test {

enum class JpegColours { Grey, Rgb, Cmyk };

struct JpegSettings {
    int quality = 75;  // 1 to 100
    bool progressive = false;
    bool arithmetic = false;
    bool optimize = false;
    bool scanPerBit = false;  // one scan for each bit of each coefficient (a hostile file)
    // JFIF density: unit 0 (aspect only), 1 (per inch) or 2 (per centimetre).
    int densityUnit = 0;
    int density = 1;
    std::optional<bool> adobeMarker;  // empty: as libjpeg chooses for the colours
};

// A JPEG file of `pixels` (rows top first, `components` bytes a pixel: 1 grey,
// 3 RGB, 4 CMYK inks), every component at full resolution; empty when the
// sizes or the settings do not fit.
std::vector<std::uint8_t> EncodeJpeg(const std::uint8_t *pixels, int width, int height, JpegColours colours,
                                     const JpegSettings &settings);

}  // namespace zr::test
