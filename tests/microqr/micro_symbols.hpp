// Micro QR symbols with chosen codewords: the function patterns of a libzint
// render of the same version, level and mask, with the data modules painted
// from the codewords (check codewords computed here), so that tests can hold
// damaged codewords, undefined modes or empty data.
#pragma once

#include <cstdint>
#include <vector>

#include "core/rs/reed_solomon.hpp"
#include "micro_render.hpp"
#include "microqr/candidate.hpp"

namespace zr::test {

// Appends the Reed-Solomon check codewords of the data codewords (generator
// roots alpha^0 .. alpha^(ecCount - 1)).
inline void AppendCheckCodewords(microqr::Codewords &codewords, int dataCount, int ecCount) {
    using Field = rs::Gf256Qr;
    const std::vector<Field::Element> data(codewords.begin(), codewords.begin() + dataCount);
    std::vector<Field::Element> check(static_cast<std::size_t>(ecCount));
    rs::ComputeCheckSymbols<Field>(data.data(), dataCount, ecCount, 0, check.data());
    for (int j = 0; j < ecCount; ++j)
        codewords[static_cast<std::size_t>(dataCount + j)] =
            static_cast<std::uint8_t>(check[static_cast<std::size_t>(j)]);
}

// One pixel per module: the symbol holding exactly these codewords (check
// codewords included), masked with `mask`.
inline Raster PaintCodewords(const microqr::Codewords &codewords, int version, int level, int mask) {
    Raster modules = EncodeModules(MicroOptions({"1", version, level, mask}));
    if (modules.empty()) return modules;
    microqr::ModuleMap map;
    const int size = microqr::SymbolSize(version);
    microqr::PlaceMicroCodewordBits(map, size, microqr::MicroDataBits(version, level));
    for (int column = 0; column < size; ++column)
        for (int row = 0; row < size; ++row) {
            const int code = map.At(column, row);
            if (code < 1) continue;
            const bool bit = (codewords[static_cast<std::size_t>(code / 10 - 1)] >> (code % 10)) & 1;
            modules.at(column, row) = bit != microqr::MicroMaskBit(mask, column, row) ? 0 : 255;
        }
    return modules;
}

// Codewords of a version and level from data codewords written by hand.
inline microqr::Codewords WithChecks(std::vector<std::uint8_t> data, int version, int level) {
    const microqr::Capacity c = microqr::MicroCapacity(version, level);
    microqr::Codewords codewords{};
    for (std::size_t i = 0; i < data.size() && i < codewords.size(); ++i) codewords[i] = data[i];
    AppendCheckCodewords(codewords, c.DataCodewords(), c.ecCodewords);
    return codewords;
}

// The picture seen at a slant: its top edge kept, its bottom edge narrowed
// to `bottomWidth` of the width about the middle (nearest-neighbour).
inline Raster Keystone(const Raster &r, double bottomWidth) {
    const double w = r.width, h = r.height, inset = w * (1 - bottomWidth) / 2;
    // Each picture pixel of the slanted quad, back in the unit square.
    const geom::Perspective back =
        *geom::Perspective::QuadToSquare({{0, 0}, {w, 0}, {w - inset, h}, {inset, h}});
    Raster out = Canvas(r.width, r.height, 255);
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            const geom::PointF unit = back.Map({double(x), double(y)});
            const double sx = unit.x * w, sy = unit.y * h;
            if (sx >= 0 && sy >= 0 && sx < w && sy < h) out.at(x, y) = r.at(int(sx), int(sy));
        }
    return out;
}

}  // namespace zr::test
