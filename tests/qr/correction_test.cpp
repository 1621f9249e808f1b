// Reed-Solomon decoding over GF(256), the capacity tables, the block layout
// and the interleaving order.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/rs/reed_solomon.hpp"
#include "qr/blocks.hpp"
#include "qr/capacity_table.hpp"
#include "qr/reed_solomon.hpp"

namespace zr::qr {
namespace {

// Systematic encoding: data followed by the check codewords of the
// generator (x - a^0)(x - a^1)...(x - a^(ec-1)).
std::vector<std::uint8_t> Encode(const std::vector<std::uint8_t> &data, int ec) {
    using Field = rs::Gf256Qr;
    const std::vector<Field::Element> symbols(data.begin(), data.end());
    std::vector<Field::Element> check(static_cast<std::size_t>(ec));
    rs::ComputeCheckSymbols<Field>(symbols.data(), static_cast<int>(symbols.size()), ec, 0, check.data());
    std::vector<std::uint8_t> block = data;
    for (const Field::Element c : check) block.push_back(static_cast<std::uint8_t>(c));
    return block;
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, std::mt19937 &gen) {
    std::vector<std::uint8_t> v(n);
    for (auto &b : v) b = static_cast<std::uint8_t>(gen() & 0xFF);
    return v;
}

TEST(RSDecode, CorrectsUpToHalfTheCheckCodewordsAndRefusesMore) {
    std::mt19937 gen(11);
    for (int ec : {7, 10, 18, 30}) {
        const std::vector<std::uint8_t> clean = Encode(RandomBytes(60, gen), ec);
        const int n = static_cast<int>(clean.size());
        std::vector<std::uint8_t> block = clean;
        EXPECT_EQ(RSDecode(block.data(), n, ec), 0);
        for (int errors = 1; errors <= ec / 2 + 1; ++errors) {
            for (int trial = 0; trial < 20; ++trial) {
                block = clean;
                std::vector<int> positions(static_cast<std::size_t>(n));
                for (int i = 0; i < n; ++i) positions[static_cast<std::size_t>(i)] = i;
                std::shuffle(positions.begin(), positions.end(), gen);
                for (int e = 0; e < errors; ++e)
                    block[static_cast<std::size_t>(positions[static_cast<std::size_t>(e)])] ^=
                        static_cast<std::uint8_t>(1 + gen() % 255);
                const std::vector<std::uint8_t> damaged = block;
                const int result = RSDecode(block.data(), n, ec);
                if (errors <= ec / 2) {
                    EXPECT_EQ(result, errors) << ec << "/" << errors;
                    EXPECT_EQ(block, clean);
                } else if (result < 0) {
                    EXPECT_EQ(block, damaged);  // a refused block is left as it was
                } else {
                    // Beyond the capacity a block may land on another codeword, never on a non-codeword.
                    EXPECT_EQ(RSDecode(block.data(), n, ec), 0);
                }
            }
        }
    }
}

TEST(RSDecode, RefusesImpossibleShapes) {
    std::vector<std::uint8_t> block(300, 1);
    EXPECT_LT(RSDecode(block.data(), 256, 10), 0);
    EXPECT_LT(RSDecode(block.data(), 5, 10), 0);
    EXPECT_LT(RSDecode(nullptr, 20, 10), 0);
    EXPECT_LT(RSDecode(block.data(), 20, 0), 0);
}

TEST(RSCorrectBlock, WritesCorrectionsBackToTheirPlaces) {
    std::mt19937 gen(5);
    const std::vector<std::uint8_t> data = RandomBytes(16, gen);
    const std::vector<std::uint8_t> block = Encode(data, 10);
    // Data at [4, 20), check codewords at [30, 40) of a larger array.
    std::vector<std::uint8_t> array(45, 0xAA);
    std::copy(block.begin(), block.begin() + 16, array.begin() + 4);
    std::copy(block.begin() + 16, block.end(), array.begin() + 30);
    array[7] ^= 0x55;
    array[33] ^= 0x01;
    EXPECT_EQ(RSCorrectBlock(array.data(), 4, 16, 30, 10), 2);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), array.begin() + 4));
    EXPECT_EQ(array[33], block[19]);
    EXPECT_EQ(array[20], 0xAA);
}

TEST(Capacity, PublishedEntries) {
    EXPECT_EQ(kCapacity[0].totalCodewords, 26);
    EXPECT_EQ(kCapacity[9].totalCodewords, 346);
    EXPECT_EQ(kCapacity[39].totalCodewords, 3706);
    const VersionCapacity &v5 = kCapacity[4];
    EXPECT_EQ(v5.levels[kLevelM].blocks, 2);
    EXPECT_EQ(v5.levels[kLevelL].blocks, 1);
    EXPECT_EQ(v5.levels[kLevelH].blocks, 4);
    EXPECT_EQ(v5.levels[kLevelQ].blocks, 4);
    EXPECT_EQ(v5.levels[kLevelM].ecCodewords, 48);
    EXPECT_EQ(v5.levels[kLevelL].ecCodewords, 26);
    EXPECT_EQ(v5.levels[kLevelH].ecCodewords, 88);
    EXPECT_EQ(v5.levels[kLevelQ].ecCodewords, 72);
    const VersionCapacity &v40 = kCapacity[39];
    EXPECT_EQ(v40.levels[kLevelM].blocks, 49);
    EXPECT_EQ(v40.levels[kLevelL].blocks, 25);
    EXPECT_EQ(v40.levels[kLevelH].blocks, 81);
    EXPECT_EQ(v40.levels[kLevelQ].blocks, 68);
    EXPECT_EQ(v40.levels[kLevelM].ecCodewords, 1372);
    EXPECT_EQ(v40.levels[kLevelQ].ecCodewords, 2040);
    // Every entry splits evenly into blocks of at most 255 codewords.
    for (const VersionCapacity &v : kCapacity)
        for (const LevelCapacity &l : v.levels) {
            EXPECT_EQ(l.ecCodewords % l.blocks, 0);
            EXPECT_LE((v.totalCodewords + l.blocks - 1) / l.blocks, 255);
        }
}

TEST(BlockLayout, FiveQAndTwentyEightH) {
    BlockLayout q5;
    ASSERT_TRUE(LookUpBlocks(5, kLevelQ, q5));
    EXPECT_EQ(q5.data, 62);
    EXPECT_EQ(q5.EcPerBlock(), 18);
    EXPECT_EQ(q5.DataCount(0), 15);
    EXPECT_EQ(q5.DataCount(1), 15);
    EXPECT_EQ(q5.DataCount(2), 16);
    EXPECT_EQ(q5.DataCount(3), 16);
    EXPECT_EQ(q5.DataStart(3), 46);
    EXPECT_EQ(q5.EcStart(1), 80);

    BlockLayout h28;
    ASSERT_TRUE(LookUpBlocks(28, kLevelH, h28));
    EXPECT_EQ(h28.blocks, 42);
    EXPECT_EQ(h28.EcPerBlock(), 30);
    EXPECT_EQ(h28.data, 661);
    EXPECT_EQ(h28.DataCount(10), 15);
    EXPECT_EQ(h28.DataCount(11), 16);
    EXPECT_EQ(h28.DataStart(42), 661);

    EXPECT_FALSE(LookUpBlocks(0, kLevelM, h28));
    EXPECT_FALSE(LookUpBlocks(41, kLevelM, h28));
    EXPECT_FALSE(LookUpBlocks(1, 4, h28));
}

TEST(InterleaveOrder, FiveQ) {
    BlockLayout q5;
    ASSERT_TRUE(LookUpBlocks(5, kLevelQ, q5));
    std::vector<int> order;
    InterleaveOrder(order, q5);
    ASSERT_EQ(order.size(), 135u);
    EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 5), (std::vector<int>{1, 16, 31, 47, 2}));
    // The long blocks' last data codewords, then the first check codewords of each block.
    EXPECT_EQ(order[60], 46);
    EXPECT_EQ(order[61], 62);
    EXPECT_EQ(std::vector<int>(order.begin() + 62, order.begin() + 66), (std::vector<int>{63, 81, 99, 117}));
    EXPECT_EQ(order[133], 134);
    EXPECT_EQ(order.back(), -1);
    // Every codeword exactly once.
    std::vector<int> sorted(order.begin(), order.end() - 1);
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < 134; ++i) EXPECT_EQ(sorted[static_cast<std::size_t>(i)], i + 1);
}

TEST(Confidence, RoundsTheUnchangedShare) {
    EXPECT_EQ(Confidence(0, 26), 100);
    EXPECT_EQ(Confidence(5, 26), 81);
    EXPECT_EQ(Confidence(26, 26), 0);
    EXPECT_EQ(Confidence(1, 0), 0);
}

}  // namespace
}  // namespace zr::qr
