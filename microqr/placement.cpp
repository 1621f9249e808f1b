// Module map of a Micro QR symbol: function modules, the placement of the
// codeword bits in two-column strips, and the four data masks.
#include "microqr/candidate.hpp"

namespace zr::microqr {
namespace {

// Finder, separator and format area in the corner at the finder.
constexpr int kCornerArea = 9;
constexpr int kFirstBit = 7;

constexpr std::int32_t FirstBitOfNext(std::int32_t code) {
    return (code / 10) * 10 + 10 + kFirstBit;
}

}  // namespace

void MarkMicroFunctionModules(ModuleMap &map, int size) {
    map.size = size;
    for (int column = 0; column < kCornerArea && column < size; ++column)
        for (int row = 0; row < kCornerArea && row < size; ++row) map.At(column, row) = kFunctionModule;
    // Timing patterns along row 0 and column 0.
    for (int i = kCornerArea; i < size; ++i) {
        map.At(i, 0) = kFunctionModule;
        map.At(0, i) = kFunctionModule;
    }
}

void PlaceMicroCodewordBits(ModuleMap &map, int size, int dataBits) {
    if (size < 0 || size > kMaxSymbolSize) size = 0;
    map.codes.fill(0);
    MarkMicroFunctionModules(map, size);
    std::int32_t code = 10 + kFirstBit;
    int placed = 0;
    // Strips with right columns size - 1, size - 3, ..., 2; column 0 holds the
    // timing pattern. The first strip runs upward, the next downward, and so on.
    bool upward = true;
    for (int right = size - 1; right >= 2; right -= 2, upward = !upward) {
        for (int step = 0; step < size; ++step) {
            const int row = upward ? size - 1 - step : step;
            for (int column = right; column >= right - 1; --column) {
                std::int32_t &module = map.At(column, row);
                if (module == kFunctionModule) continue;
                module = code;
                ++placed;
                // The 4-bit last data codeword of M1 and M3 ends early: the
                // error-correction codewords follow right after the data bits.
                if (placed == dataBits || code % 10 == 0) {
                    code = FirstBitOfNext(code);
                } else {
                    --code;
                }
            }
        }
    }
}

bool MicroMaskBit(int mask, int column, int row) {
    const int j = column, i = row;
    switch (mask) {
        case 0:
            return i % 2 == 0;
        case 1:
            return (i / 2 + j / 3) % 2 == 0;
        case 2:
            return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
        case 3:
            return ((i + j) % 2 + (i * j) % 3) % 2 == 0;
        default:
            return false;
    }
}

}  // namespace zr::microqr
