// PDF417 test symbols: libzint's module matrix drawn with a chosen row
// height, and the codewords libzint put into the symbol.
#ifndef ZR_TESTS_SUPPORT_RENDER_PDF417_HPP
#define ZR_TESTS_SUPPORT_RENDER_PDF417_HPP

#include <string>
#include <vector>

#include "render.hpp"

namespace zr::test {

struct Pdf417Options {
    std::string data;    // input bytes
    int columns = 0;     // data columns 1 to 30; 0 lets zint choose
    int level = -1;      // error-correction level 0 to 8; -1 lets zint choose
    int rows = 0;        // symbol rows 3 to 90; 0 lets zint choose (it may add rows)
    int moduleSize = 2;  // pixels per module
    int rowHeight = 3;   // modules per row
    int quietZone = 10;  // modules of margin on every side
    bool compact = false;  // compact (truncated) PDF417: no right row indicator, one-module stop
    int eci = 0;           // ECI designator zint puts in front; 0 none
    int appendIndex = 0;   // structured append: 1-based position among appendCount symbols
    int appendCount = 0;   // 0: no Macro PDF417 control block
    std::string appendId;  // structured append file ID (digits); empty lets zint choose
};

struct Pdf417Symbol {
    Raster picture;              // empty when zint failed
    int rows = 0;                // symbol rows
    int columns = 0;             // data columns
    std::vector<int> codewords;  // every codeword, row after row (data, padding, check words)
};

// Renders the symbol; with `withCodewords` the codewords are taken from
// zint's debug listing.
Pdf417Symbol RenderPdf417(const Pdf417Options &options, bool withCodewords = false);

}  // namespace zr::test

#endif  // ZR_TESTS_SUPPORT_RENDER_PDF417_HPP
