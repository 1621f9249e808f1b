// Inputs the fuzz targets in fuzz/readers found faults with, kept as
// ordinary tests: each case holds the failing input or rebuilds its scenario.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "dm/codewords.hpp"
#include "dm/symbol.hpp"

namespace {

std::string DecodeDm(const std::vector<std::int32_t> &codewords, std::size_t bytes) {
    std::vector<char> text(zr::dm::kTextCapacity, 'x');
    zr::dm::DecodeDMData(codewords.data(), static_cast<int>(codewords.size()), text.data(),
                         zr::dm::kTextCapacity);
    return std::string(text.data(), bytes);
}

// A C40, Text or X12 pair of two zero codewords (value -1) holds no character:
// X12 read its table one entry before the start, C40 wrote a zero byte that
// cut the text short.
TEST(FuzzFindings, DataMatrixZeroPairHoldsNoCharacter) {
    for (std::int32_t latch : {230, 238, 239}) {
        EXPECT_EQ(DecodeDm({latch, 0, 0, 254, 'B' + 1}, 2), std::string("B\0", 2)) << latch;
    }
    // The fuzzer's input: capacity bytes, then the codewords.
    const std::vector<std::uint8_t> input = {0x06, 0x00, 0x1a, 0xa4, 0xf4, 0x01, 0x00, 0xbe,
                                             0x5b, 0x0b, 0xfe, 0xee, 0xdb, 0x00, 0x00, 0x00};
    const std::vector<std::int32_t> codewords(input.begin() + 2, input.end());
    std::vector<char> text(7, 'x');
    zr::dm::DecodeDMData(codewords.data(), static_cast<int>(codewords.size()), text.data(), 7);
    EXPECT_NE(std::find(text.begin(), text.end(), '\0'), text.end());
}

}  // namespace
