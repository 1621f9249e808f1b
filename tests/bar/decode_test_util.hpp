// Element widths of symbols drawn by libzint, for the decoder tests.
#pragma once

#include <cstdint>
#include <string>

#include "bar/decode_state.hpp"
#include "support/render.hpp"

namespace zr::bar::test {

// Element widths in modules across the middle row of a symbol drawn by
// libzint, bar first; empty when zint refuses the options.
inline Widths ZintModules(const zr::test::SymbolOptions &options) {
    const zr::test::Raster r = zr::test::EncodeModules(options);
    Widths widths;
    if (r.empty()) return widths;
    const int y = r.height / 2;
    bool dark = true;
    std::uint16_t run = 0;
    for (int x = 0; x < r.width; ++x) {
        if (r.isDark(x, y) == dark) {
            ++run;
        } else {
            widths.push_back(run);
            run = 1;
            dark = !dark;
        }
    }
    // A symbol ends with a bar; zint draws Codabar with a trailing gap.
    if (dark) widths.push_back(run);
    return widths;
}

inline Widths ZintModules(int symbology, const std::string &data, int option2 = 0,
                          int inputMode = DATA_MODE) {
    zr::test::SymbolOptions options;
    options.symbology = symbology;
    options.data = data;
    options.option2 = option2;
    options.inputMode = inputMode;
    return ZintModules(options);
}

// Module widths (1 narrow, 2 wide) of a Code 39 symbol, bar first; empty when
// zint refuses the text. withCheck appends zint's mod-43 check character.
inline Widths Code39Modules(const std::string &text, bool withCheck = false) {
    return ZintModules(BARCODE_CODE39, text, withCheck ? 1 : 0);
}

// Scales module widths: narrow elements become `narrow`, wide ones `wide`,
// each moved by `noise(i)` (-1, 0 or +1 as the caller decides).
template <typename Noise>
Widths ScaleModules(const Widths &modules, int narrow, int wide, Noise noise) {
    Widths widths;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        widths.push_back(static_cast<std::uint16_t>((modules[i] == 1 ? narrow : wide) + noise(i)));
    }
    return widths;
}
inline Widths ScaleModules(const Widths &modules, int narrow, int wide) {
    return ScaleModules(modules, narrow, wide, [](std::size_t) { return 0; });
}

inline DecodeState Code39State(std::uint8_t direction = kLeftToRight) {
    DecodeState state;
    state.symbologies = 0x20;
    state.direction = direction;
    return state;
}

}  // namespace zr::bar::test
