// Block boundaries and interleaving of QR Code codewords.
#include "qr/blocks.hpp"

#include <cmath>

#include "qr/capacity_table.hpp"

namespace zr::qr {

int BlockLayout::DataStart(int j) const {
    const int shortBlocks = blocks - LongBlocks();
    return j * ShortData() + (j > shortBlocks ? j - shortBlocks : 0);
}

int BlockLayout::SymbolIndex(int codeword) const {
    if (codeword >= data) {
        const int e = codeword - data;
        return data + (e % EcPerBlock()) * blocks + e / EcPerBlock();
    }
    const int k = ShortData();
    int j = codeword / (k + 1);
    while (DataStart(j + 1) <= codeword) ++j;
    const int p = codeword - DataStart(j);
    return p < k ? p * blocks + j : k * blocks + (j - (blocks - LongBlocks()));
}

bool LookUpBlocks(int version, int level, BlockLayout &layout) {
    if (version < kMinVersion || version > kMaxVersion || level < 0 || level > 3) return false;
    const VersionCapacity &v = kCapacity[static_cast<std::size_t>(version - 1)];
    const LevelCapacity &l = v.levels[static_cast<std::size_t>(level)];
    layout.blocks = l.blocks;
    layout.ec = l.ecCodewords;
    layout.data = v.totalCodewords - l.ecCodewords;
    return true;
}

void InterleaveOrder(std::vector<int> &order, const BlockLayout &layout) {
    order.clear();
    order.reserve(static_cast<std::size_t>(layout.Total()) + 1);
    const int k = layout.ShortData();
    for (int p = 0; p < k; ++p)
        for (int j = 0; j < layout.blocks; ++j) order.push_back(1 + layout.DataStart(j) + p);
    for (int j = layout.blocks - layout.LongBlocks(); j < layout.blocks; ++j)
        order.push_back(1 + layout.DataStart(j) + k);
    const int kEc = layout.EcPerBlock();
    for (int p = 0; p < kEc; ++p)
        for (int j = 0; j < layout.blocks; ++j) order.push_back(1 + layout.EcStart(j) + p);
    order.push_back(-1);
}

std::uint16_t Confidence(int corrected, int total) {
    if (total <= 0) return 0;
    return static_cast<std::uint16_t>(std::trunc(100.0 * (total - corrected) / total + 0.5));
}

}  // namespace zr::qr
