// The 30 ECC 200 symbol sizes in the order the reader tries them: largest
// square first, then the rectangles. Codeword counts are those of the ECC 200
// symbol attribute table.
#pragma once

#include <array>
#include <cstdint>

namespace zr::dm {

// How the data regions of a size are laid out, which picks its border test
// and decoder.
enum class RegionLayout : std::uint8_t {
    k1x1,  // one region (and the rectangles 8 x 18 and 12 x 26)
    k1x2,  // two regions side by side (8 x 32, 12 x 36, 16 x 36, 16 x 48)
    k2x2,
    k4x4,
    k6x6,
};

struct DMSize {
    std::int16_t rows;  // modules, finder and timing included
    std::int16_t columns;
    RegionLayout layout;
    std::int16_t regionRows;  // one region, its own finder and timing included
    std::int16_t regionColumns;
    std::int16_t mappingRows;  // data modules only, regions joined
    std::int16_t mappingColumns;
    std::int16_t codewords;  // data and error correction
    std::int16_t blocks;     // Reed-Solomon blocks, interleaved
    std::int16_t ecPerBlock;
    std::int16_t dataCodewords;

    constexpr bool Square() const { return rows == columns; }
};

constexpr int kSizeCount = 30;

constexpr std::array<DMSize, kSizeCount> kDMSizeTable = {{
    {144, 144, RegionLayout::k6x6, 24, 24, 132, 132, 2178, 10, 62, 1558},
    {132, 132, RegionLayout::k6x6, 22, 22, 120, 120, 1800, 8, 62, 1304},
    {120, 120, RegionLayout::k6x6, 20, 20, 108, 108, 1458, 6, 68, 1050},
    {104, 104, RegionLayout::k4x4, 26, 26, 96, 96, 1152, 6, 56, 816},
    {96, 96, RegionLayout::k4x4, 24, 24, 88, 88, 968, 4, 68, 696},
    {88, 88, RegionLayout::k4x4, 22, 22, 80, 80, 800, 4, 56, 576},
    {80, 80, RegionLayout::k4x4, 20, 20, 72, 72, 648, 4, 48, 456},
    {72, 72, RegionLayout::k4x4, 18, 18, 64, 64, 512, 4, 36, 368},
    {64, 64, RegionLayout::k4x4, 16, 16, 56, 56, 392, 2, 56, 280},
    {52, 52, RegionLayout::k2x2, 26, 26, 48, 48, 288, 2, 42, 204},
    {48, 48, RegionLayout::k2x2, 24, 24, 44, 44, 242, 1, 68, 174},
    {44, 44, RegionLayout::k2x2, 22, 22, 40, 40, 200, 1, 56, 144},
    {40, 40, RegionLayout::k2x2, 20, 20, 36, 36, 162, 1, 48, 114},
    {36, 36, RegionLayout::k2x2, 18, 18, 32, 32, 128, 1, 42, 86},
    {32, 32, RegionLayout::k2x2, 16, 16, 28, 28, 98, 1, 36, 62},
    {26, 26, RegionLayout::k1x1, 26, 26, 24, 24, 72, 1, 28, 44},
    {24, 24, RegionLayout::k1x1, 24, 24, 22, 22, 60, 1, 24, 36},
    {22, 22, RegionLayout::k1x1, 22, 22, 20, 20, 50, 1, 20, 30},
    {20, 20, RegionLayout::k1x1, 20, 20, 18, 18, 40, 1, 18, 22},
    {18, 18, RegionLayout::k1x1, 18, 18, 16, 16, 32, 1, 14, 18},
    {16, 16, RegionLayout::k1x1, 16, 16, 14, 14, 24, 1, 12, 12},
    {14, 14, RegionLayout::k1x1, 14, 14, 12, 12, 18, 1, 10, 8},
    {12, 12, RegionLayout::k1x1, 12, 12, 10, 10, 12, 1, 7, 5},
    {10, 10, RegionLayout::k1x1, 10, 10, 8, 8, 8, 1, 5, 3},
    {8, 18, RegionLayout::k1x1, 8, 18, 6, 16, 12, 1, 7, 5},
    {8, 32, RegionLayout::k1x2, 8, 16, 6, 28, 21, 1, 11, 10},
    {12, 26, RegionLayout::k1x1, 12, 26, 10, 24, 30, 1, 14, 16},
    {12, 36, RegionLayout::k1x2, 12, 18, 10, 32, 40, 1, 18, 22},
    {16, 36, RegionLayout::k1x2, 16, 18, 14, 32, 56, 1, 24, 32},
    {16, 48, RegionLayout::k1x2, 16, 24, 14, 44, 77, 1, 28, 49},
}};

// Largest mapping matrix (144 x 144) and codeword count.
constexpr int kMaxMappingModules = 132 * 132;
constexpr int kMaxSymbolCodewords = 2178;
constexpr int kMaxEcPerBlock = 68;

// Every entry is consistent: the mapping matrix holds exactly the symbol's
// codewords, the regions tile the symbol, and the blocks share the codewords.
constexpr bool SizeTableConsistent() {
    for (const DMSize &s : kDMSizeTable) {
        if (s.mappingRows * s.mappingColumns / 8 != s.codewords) return false;
        const int down = s.rows / s.regionRows, across = s.columns / s.regionColumns;
        if (down * s.regionRows != s.rows || across * s.regionColumns != s.columns) return false;
        if (down * (s.regionRows - 2) != s.mappingRows || across * (s.regionColumns - 2) != s.mappingColumns)
            return false;
        if (s.codewords != s.dataCodewords + s.blocks * s.ecPerBlock) return false;
        if (s.codewords > kMaxSymbolCodewords || s.ecPerBlock > kMaxEcPerBlock) return false;
    }
    return true;
}
static_assert(SizeTableConsistent(), "DataMatrix size table");

}  // namespace zr::dm
