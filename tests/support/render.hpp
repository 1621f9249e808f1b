// Test pictures for the readers: barcode symbols drawn with libzint at exact module sizes,
// simple picture operations, and conversion to the packed DIB the readers take.
//
// Everything is deterministic: the same arguments give the same pixels on every run.
//
// Widths libzint 2.11 draws for two-width symbologies (in modules, narrow = 1):
//   Code 39 and Codabar: wide elements 2 (ratio 2:1), inter-character gap 1;
//   2 of 5 family (Industrial, Interleaved, IATA, Matrix, Datalogic): wide elements 3;
//   the Matrix 2 of 5 start and stop begin with a 4-module bar.
// `wideRatio` redraws every run longer than one module with one wide width, so with it the
// Matrix 2 of 5 start bar has the same width as the other wide elements.
#ifndef ZR_TESTS_SUPPORT_RENDER_HPP
#define ZR_TESTS_SUPPORT_RENDER_HPP

#include <zint.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zr::test {

// A grey picture, 0 black .. 255 white, row-major, top row first.
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
    std::uint8_t &at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    bool isDark(int x, int y) const { return at(x, y) < 128; }
};

struct SymbolOptions {
    int symbology = BARCODE_CODE39;  // any libzint BARCODE_* value
    std::string data;                // input bytes (may hold NULs)
    int option1 = -1;                // libzint option_1, option_2, option_3: check digits,
    int option2 = 0;                 // version / size, error-correction level ... (see the zint
    int option3 = 0;                 // manual for each symbology)
    int inputMode = DATA_MODE;       // libzint input_mode (DATA_MODE, UNICODE_MODE, GS1_MODE ...)
    int moduleSize = 3;              // pixels per module (narrow element), >= 1
    double wideRatio = 0;            // > 0: every run longer than one module is redrawn
                                     // round(wideRatio * moduleSize) pixels wide; 0: as zint draws
    int quietZone = 10;              // modules of light margin on all four sides
    int barHeight = 0;               // bar height in modules for single-row symbols; 0 means 50.
                                     // Ignored for stacked and matrix symbols (zint's row heights)
};

// The symbol at one pixel per module, no margin, no human-readable text. EAN and UPC guard bars
// descend 5 modules below the others, as zint draws them. On failure (zint error, bad option,
// a symbology not drawn in square modules such as MaxiCode) returns an empty raster and, when
// `error` is given, stores zint's message there.
Raster EncodeModules(const SymbolOptions &options, std::string *error = nullptr);

// A single-row pattern at one pixel per module, `barHeight` rows high: `elements` holds element
// widths in modules, '1' to '9', alternately bar and space, starting with a bar (the notation of
// zint's tables; e.g. for symbologies zint does not draw). Empty raster for any other character.
Raster PatternModules(const std::string &elements, int barHeight = 50);

// Scales a one-pixel-per-module raster: each module becomes moduleSize x moduleSize pixels
// (wideRatio > 0: runs of more than one module in a row become round(wideRatio * moduleSize)
// pixels wide; rows that come out shorter are padded light on the right), then adds quietZone
// modules of white margin on every side. The symbol starts at x = y = quietZone * moduleSize.
// Empty raster for an empty input, moduleSize < 1, wideRatio < 0 or quietZone < 0.
Raster ExpandModules(const Raster &modules, int moduleSize, double wideRatio = 0, int quietZone = 10);

// EncodeModules followed by ExpandModules with the moduleSize, wideRatio and quietZone asked for.
Raster RenderSymbol(const SymbolOptions &options, std::string *error = nullptr);

// A uniform picture; empty raster for a non-positive size.
Raster Canvas(int width, int height, std::uint8_t grey = 255);
// Copies `picture` onto `canvas` with its top-left corner at (x, y); parts outside are clipped.
void Paste(Raster &canvas, const Raster &picture, int x, int y);

// Angles are counter-clockwise as the picture is seen (y down the screen), the readers'
// convention: after a turn of 90 degrees a symbol that read left to right reads bottom to top.
Raster RotateQuarter(const Raster &r, int quarterTurns);  // exact; any integer, negative = clockwise
// Rotation about the centre into a canvas just large enough to hold the whole picture; pixels
// that come from outside the source get `fill`. Nearest-neighbour or bilinear sampling.
Raster Rotate(const Raster &r, double degrees, bool bilinear, std::uint8_t fill = 255);
// Resizes to round(width * sx) x round(height * sy) pixels, e.g. for fractional module sizes.
Raster Scale(const Raster &r, double sx, double sy, bool bilinear);

Raster Invert(const Raster &r);  // light symbol on a dark ground
// Maps 0 to `black` and 255 to `white` linearly: low contrast, or dark grey paper.
Raster Remap(const Raster &r, std::uint8_t black, std::uint8_t white);
// Gaussian blur, kernel radius ceil(3 sigma), edges repeated; sigma <= 0 copies.
Raster Blur(const Raster &r, double sigma);
// Adds uniform noise in [-amplitude, amplitude] to every pixel (clamped), from a generator
// seeded with `seed`: the same seed gives the same picture.
Raster AddNoise(const Raster &r, double amplitude, std::uint32_t seed);

// A packed DIB of 1, 8 or 24 bits per pixel: 40-byte BITMAPINFOHEADER, palette, bottom-up rows
// padded to 4 bytes, biSizeImage = height x pitch, resolution from `dpi` (0: none).
//   8 bits: grey-ramp palette, pixel = grey level;  24 bits: B = G = R = grey;
//   1 bit: grey < 128 is dark; darkIsZero: palette entry 0 black, entry 1 white and bit 0 dark,
//   otherwise entry 0 white, entry 1 black and bit 1 dark. Pixels most significant bit first.
// Empty vector for an empty raster or another bit depth.
std::vector<std::uint8_t> ToDib(const Raster &r, int bitsPerPixel, int dpi = 0, bool darkIsZero = true);

// Writes a binary PGM for looking at a picture while debugging; false when the file fails.
bool SaveRasterPgm(const Raster &r, const std::string &path);

}  // namespace zr::test

#endif  // ZR_TESTS_SUPPORT_RENDER_HPP
