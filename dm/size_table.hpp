// The 30 ECC 200 symbol sizes in the order the reader tries them: largest
// square first, then the rectangles. Codeword counts are those of the ECC 200
// symbol attribute table. Beside them the 18 rectangular extension sizes of
// ISO/IEC 21471 (DMRE), which only the second look tries.
#pragma once

#include <array>
#include <cstdint>

namespace zr::dm {

// How the data regions of a size are laid out, which picks its border test
// and decoder.
enum class RegionLayout : std::uint8_t {
    k1x1,  // one region (and the rectangles 8 x 18 and 12 x 26)
    k1x2,  // two regions side by side (8 x 32, 12 x 36, 16 x 36, 16 x 48)
    k1x4,  // four or six regions side by side (rectangular extension sizes)
    k1x6,
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

constexpr int kDmreSizeCount = 18;

// ISO/IEC 21471 sizes, each one band of regions and one Reed-Solomon block,
// in the order of their size numbers 31 .. 48 (zint's --vers).
constexpr std::array<DMSize, kDmreSizeCount> kDmreSizeTable = {{
    {8, 48, RegionLayout::k1x2, 8, 24, 6, 44, 33, 1, 15, 18},
    {8, 64, RegionLayout::k1x4, 8, 16, 6, 56, 42, 1, 18, 24},
    {8, 80, RegionLayout::k1x4, 8, 20, 6, 72, 54, 1, 22, 32},
    {8, 96, RegionLayout::k1x4, 8, 24, 6, 88, 66, 1, 28, 38},
    {8, 120, RegionLayout::k1x6, 8, 20, 6, 108, 81, 1, 32, 49},
    {8, 144, RegionLayout::k1x6, 8, 24, 6, 132, 99, 1, 36, 63},
    {12, 64, RegionLayout::k1x4, 12, 16, 10, 56, 70, 1, 27, 43},
    {12, 88, RegionLayout::k1x4, 12, 22, 10, 80, 100, 1, 36, 64},
    {16, 64, RegionLayout::k1x4, 16, 16, 14, 56, 98, 1, 36, 62},
    {20, 36, RegionLayout::k1x2, 20, 18, 18, 32, 72, 1, 28, 44},
    {20, 44, RegionLayout::k1x2, 20, 22, 18, 40, 90, 1, 34, 56},
    {20, 64, RegionLayout::k1x4, 20, 16, 18, 56, 126, 1, 42, 84},
    {22, 48, RegionLayout::k1x2, 22, 24, 20, 44, 110, 1, 38, 72},
    {24, 48, RegionLayout::k1x2, 24, 24, 22, 44, 121, 1, 41, 80},
    {24, 64, RegionLayout::k1x4, 24, 16, 22, 56, 154, 1, 46, 108},
    {26, 40, RegionLayout::k1x2, 26, 20, 24, 36, 108, 1, 38, 70},
    {26, 48, RegionLayout::k1x2, 26, 24, 24, 44, 132, 1, 42, 90},
    {26, 64, RegionLayout::k1x4, 26, 16, 24, 56, 168, 1, 50, 118},
}};

// Largest mapping matrix (144 x 144) and codeword count.
constexpr int kMaxMappingModules = 132 * 132;
constexpr int kMaxSymbolCodewords = 2178;
constexpr int kMaxEcPerBlock = 68;

// Every entry is consistent: the mapping matrix holds exactly the symbol's
// codewords, the regions tile the symbol, and the blocks share the codewords.
template <std::size_t N>
constexpr bool SizeTableConsistent(const std::array<DMSize, N> &table) {
    // Regions of each layout, in the order of RegionLayout.
    constexpr int kLayoutRegions[] = {1, 2, 4, 6, 2 * 2, 4 * 4, 6 * 6};
    for (const DMSize &s : table) {
        if (s.mappingRows * s.mappingColumns / 8 != s.codewords) return false;
        const int down = s.rows / s.regionRows, across = s.columns / s.regionColumns;
        if (down * s.regionRows != s.rows || across * s.regionColumns != s.columns) return false;
        if (down * (s.regionRows - 2) != s.mappingRows || across * (s.regionColumns - 2) != s.mappingColumns)
            return false;
        if (s.codewords != s.dataCodewords + s.blocks * s.ecPerBlock) return false;
        if (s.codewords > kMaxSymbolCodewords || s.ecPerBlock > kMaxEcPerBlock) return false;
        if (down * across != kLayoutRegions[static_cast<std::size_t>(s.layout)]) return false;
    }
    return true;
}
static_assert(SizeTableConsistent(kDMSizeTable), "DataMatrix size table");
static_assert(SizeTableConsistent(kDmreSizeTable), "DataMatrix rectangular extension size table");

}  // namespace zr::dm
