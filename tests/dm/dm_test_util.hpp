// DataMatrix symbols drawn by libzint for the reader's tests: the module
// raster, its mapping matrix and codewords, and pictures with known corners.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dm/codewords.hpp"
#include "dm/size_table.hpp"
#include "support/render.hpp"

namespace zr::dm::test {

using zr::test::Raster;

// zint's size number ("--vers") of a table entry: 1 .. 24 the squares from
// 10 x 10 up, 25 .. 30 the rectangles in table order.
inline int ZintVersion(const DMSize &size) {
    // The table lists the squares largest first, then the rectangles in zint's order.
    int index = 0;
    while (index < kSizeCount &&
           (kDMSizeTable[index].rows != size.rows || kDMSizeTable[index].columns != size.columns))
        ++index;
    if (index == kSizeCount) return 0;
    return size.Square() ? 24 - index : index + 1;
}

inline const DMSize *FindSize(int rows, int columns) {
    for (const DMSize &s : kDMSizeTable)
        if (s.rows == rows && s.columns == columns) return &s;
    return nullptr;
}

// The symbol at one pixel per module; empty when zint refuses the data.
inline Raster DmModules(const std::string &data, const DMSize &size) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_DATAMATRIX;
    options.data = data;
    options.option2 = ZintVersion(size);
    std::string error;
    Raster r = zr::test::EncodeModules(options, &error);
    if (!r.empty() && (r.width != size.columns || r.height != size.rows)) return {};
    return r;
}

// The data modules of every region joined (1 = dark).
inline std::vector<std::uint8_t> MappingMatrixOf(const Raster &modules, const DMSize &size) {
    std::vector<std::uint8_t> m(static_cast<std::size_t>(size.mappingRows) * size.mappingColumns);
    const int dataRows = size.regionRows - 2, dataColumns = size.regionColumns - 2;
    for (int r = 0; r < size.mappingRows; ++r) {
        for (int c = 0; c < size.mappingColumns; ++c) {
            const int y = (r / dataRows) * size.regionRows + 1 + r % dataRows;
            const int x = (c / dataColumns) * size.regionColumns + 1 + c % dataColumns;
            m[static_cast<std::size_t>(r) * size.mappingColumns + c] = modules.isDark(x, y) ? 1 : 0;
        }
    }
    return m;
}

// The symbol's codewords as placed in the picture.
inline std::vector<std::int32_t> CodewordsOf(const Raster &modules, const DMSize &size) {
    const std::vector<std::uint8_t> matrix = MappingMatrixOf(modules, size);
    std::vector<std::int32_t> table(matrix.size());
    std::vector<std::int32_t> codewords(static_cast<std::size_t>(size.codewords) + 1);
    ExtractCodewords(matrix.data(), table.data(), codewords.data(), size.mappingColumns, size.mappingRows);
    codewords.pop_back();
    return codewords;
}

}  // namespace zr::dm::test
