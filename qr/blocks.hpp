// Codeword blocks of a QR Code symbol: the lookup of the capacity table, the
// block boundaries in the de-interleaved codeword array, the interleaving
// order of the symbol, and the confidence figure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zr::qr {

// Blocks of one version and level. Data codewords are split as evenly as
// possible, the last (data mod blocks) blocks holding one more; every block
// has the same number of error-correction codewords.
struct BlockLayout {
    int blocks = 0;
    int data = 0;  // data codewords of all blocks
    int ec = 0;    // error-correction codewords of all blocks

    int Total() const { return data + ec; }
    int ShortData() const { return data / blocks; }
    int LongBlocks() const { return data % blocks; }
    int EcPerBlock() const { return ec / blocks; }
    // Start of block j's data in the de-interleaved array; j = blocks gives the end.
    int DataStart(int j) const;
    int DataCount(int j) const { return DataStart(j + 1) - DataStart(j); }
    int EcStart(int j) const { return data + j * EcPerBlock(); }
    // Position in the symbol's codeword sequence of de-interleaved codeword
    // `codeword` (0-based): InterleaveOrder's inverse.
    int SymbolIndex(int codeword) const;
};

// False for a version outside 1..40 or a level code above 3.
bool LookUpBlocks(int version, int level, BlockLayout &layout);

// Codeword numbers (counted from 1, de-interleaved order) in the order in
// which they stand in the symbol, followed by -1.
void InterleaveOrder(std::vector<int> &order, const BlockLayout &layout);

// Share of codewords that correction left unchanged, 0..100, rounded.
std::uint16_t Confidence(int corrected, int total);

}  // namespace zr::qr
