// Reed-Solomon correction of the interleaved blocks over GF(256) with the
// field polynomial 0x12D, check roots alpha^1 .. alpha^ecCount, by core/rs.
#include <algorithm>
#include <array>

#include "core/rs/reed_solomon.hpp"
#include "dm/codewords.hpp"

namespace zr::dm {
namespace {

using Field = rs::Gf256Dm;
constexpr int kMaxBlockLength = Field::kPeriod;
constexpr int kFirstRoot = 1;
constexpr int kBlockFailed = -1;  // DMCorrectBlock's failure

}  // namespace

int DMCorrectBlock(std::int32_t *block, int blockLength, int ecCount) {
    if (block == nullptr || blockLength < 1 || blockLength > kMaxBlockLength || ecCount < 1 ||
        ecCount > kMaxEcPerBlock || ecCount >= blockLength)
        return kBlockFailed;
    std::array<Field::Element, kMaxBlockLength> work{};
    for (int k = 0; k < blockLength; ++k) {
        if (block[k] < 0 || block[k] >= static_cast<std::int32_t>(Field::kOrder)) return kBlockFailed;
        work[static_cast<std::size_t>(k)] = static_cast<Field::Element>(block[k]);
    }
    const rs::Outcome outcome =
        rs::Decode<Field>(work.data(), rs::CodeShape{blockLength, ecCount, kFirstRoot, 0, false});
    if (!outcome.Ok()) return kBlockFailed;
    std::copy_n(work.begin(), blockLength, block);
    return outcome.corrected;
}

bool CorrectSymbol(DMSymbol &symbol, const DMSize &size) {
    std::int32_t *codewords = symbol.codewords.data();
    const int total = size.codewords, blocks = size.blocks;
    if (blocks == 1) {
        if (DMCorrectBlock(codewords, total, size.ecPerBlock) < 0) return false;
    } else {
        // Codeword p of the symbol is element p / blocks of block p % blocks.
        std::array<std::int32_t, kMaxBlockLength> block{};
        for (int b = 0; b < blocks; ++b) {
            int length = 0;
            for (int p = b; p < total && length < kMaxBlockLength; p += blocks)
                block[length++] = codewords[p];
            if (DMCorrectBlock(block.data(), length, size.ecPerBlock) < 0) return false;
            length = 0;
            for (int p = b; p < total && length < kMaxBlockLength; p += blocks)
                codewords[p] = block[length++];
        }
    }
    codewords[size.dataCodewords] = 0;
    return true;
}

}  // namespace zr::dm
