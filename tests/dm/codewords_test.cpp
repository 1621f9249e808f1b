// Module placement, Reed-Solomon correction and the encodation schemes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dm/codewords.hpp"
#include "dm_test_util.hpp"

namespace zr::dm {
namespace {

std::string Decode(std::vector<std::int32_t> codewords) {
    std::vector<char> text(kTextCapacity, 'x');
    DecodeDMData(codewords.data(), static_cast<int>(codewords.size()), text.data(), kTextCapacity);
    return std::string(text.data());  // up to the first zero byte
}

// The raw bytes written, including zero bytes, up to the terminator position.
std::string DecodeBytes(std::vector<std::int32_t> codewords, std::size_t count) {
    std::vector<char> text(kTextCapacity, 0);
    DecodeDMData(codewords.data(), static_cast<int>(codewords.size()), text.data(), kTextCapacity);
    return std::string(text.data(), count);
}

TEST(Placement, TheKnownSmallSymbol) {
    // "123456" in 10 x 10: three digit pairs and five error-correction codewords.
    const DMSize &size = *test::FindSize(10, 10);
    const test::Raster modules = test::DmModules("123456", size);
    ASSERT_FALSE(modules.empty());
    EXPECT_EQ(test::CodewordsOf(modules, size),
              (std::vector<std::int32_t>{142, 164, 186, 114, 25, 5, 88, 102}));
}

TEST(Placement, EveryModuleOfEverySizeIsPlacedOnce) {
    for (const DMSize &size : kDMSizeTable) {
        const int modules = size.mappingRows * size.mappingColumns;
        std::vector<std::int32_t> table(static_cast<std::size_t>(modules), -7);
        PlaceModules(table.data(), size.mappingRows, size.mappingColumns);
        std::vector<int> seen(static_cast<std::size_t>(size.codewords) * 8, 0);
        int fixed = 0, unassigned = 0;
        for (std::int32_t e : table) {
            if (e == 1 || e == 0) {
                ++(e == 1 ? fixed : unassigned);
                continue;
            }
            ASSERT_GE(e, 11) << size.rows << "x" << size.columns;
            const int codeword = e / 10, bit = e % 10;
            ASSERT_TRUE(codeword <= size.codewords && bit >= 1 && bit <= 8);
            ++seen[static_cast<std::size_t>((codeword - 1) * 8 + bit - 1)];
        }
        for (int n : seen) ASSERT_EQ(n, 1) << size.rows << "x" << size.columns;
        // Four modules left over: two fixed dark, two left light.
        EXPECT_EQ(fixed + unassigned, modules - 8 * size.codewords);
        EXPECT_TRUE((fixed == 0 && unassigned == 0) || (fixed == 2 && unassigned == 2));
    }
}

// The scan places the modules once per matrix size and reads many matrices
// through that table: the same codewords as the whole extraction, also after
// a table laid for a different size has been laid again.
TEST(Placement, ReadingThroughAPlacedTableMatchesTheWholeExtraction) {
    std::mt19937 random(11);
    std::vector<std::int32_t> table(kMaxMappingModules), placed(kMaxMappingModules);
    std::vector<std::int32_t> whole(kMaxMappingModules / 8 + 1), read(kMaxMappingModules / 8 + 1, -1);
    std::vector<std::uint8_t> matrix(kMaxMappingModules);
    for (const DMSize &size : kDMSizeTable) {
        PlaceModules(placed.data(), size.mappingRows, size.mappingColumns);
        for (int trial = 0; trial < 3; ++trial) {
            for (std::uint8_t &module : matrix) module = static_cast<std::uint8_t>(random() & 1u);
            ExtractCodewords(matrix.data(), table.data(), whole.data(), size.mappingColumns,
                             size.mappingRows);
            ReadPlacedCodewords(matrix.data(), placed.data(), read.data(), size.mappingColumns,
                                size.mappingRows);
            const auto count = static_cast<std::ptrdiff_t>(size.codewords) + 1;
            ASSERT_TRUE(std::equal(whole.begin(), whole.begin() + count, read.begin()))
                << size.rows << "x" << size.columns;
        }
    }
}

TEST(Correction, BlocksWithoutErrorsAreLeftAlone) {
    std::vector<std::int32_t> block = {142, 164, 186, 114, 25, 5, 88, 102};
    EXPECT_EQ(DMCorrectBlock(block.data(), 8, 5), 0);
    EXPECT_EQ(block, (std::vector<std::int32_t>{142, 164, 186, 114, 25, 5, 88, 102}));
}

TEST(Correction, TenByTenCorrectsEveryPairOfDamagedCodewords) {
    const std::vector<std::int32_t> good = {142, 164, 186, 114, 25, 5, 88, 102};
    for (int i = 0; i < 8; ++i) {
        for (int j = i + 1; j < 8; ++j) {
            std::vector<std::int32_t> block = good;
            block[static_cast<std::size_t>(i)] ^= 0x5A;
            block[static_cast<std::size_t>(j)] = 0;
            ASSERT_EQ(DMCorrectBlock(block.data(), 8, 5), 2) << i << "," << j;
            ASSERT_EQ(block, good);
        }
    }
}

TEST(Correction, BeyondTheCapacityFailsOrNeverClaimsTheWrongCount) {
    const std::vector<std::int32_t> good = {142, 164, 186, 114, 25, 5, 88, 102};
    int failed = 0;
    for (int i = 0; i < 8; ++i) {
        std::vector<std::int32_t> block = good;
        for (int k = 0; k < 3; ++k) block[static_cast<std::size_t>((i + 3 * k) % 8)] ^= 0x33 + k;
        const int result = DMCorrectBlock(block.data(), 8, 5);
        if (result < 0) {
            ++failed;
        } else {
            EXPECT_NE(block, good);  // a miscorrection to another codeword is possible, never the original
        }
    }
    EXPECT_GT(failed, 4);
}

TEST(Correction, BadBlocksAreRefused) {
    std::vector<std::int32_t> block = {142, 164, 300, 114, 25, 5, 88, 102};
    EXPECT_EQ(DMCorrectBlock(block.data(), 8, 5), -1);
    EXPECT_EQ(DMCorrectBlock(nullptr, 8, 5), -1);
    EXPECT_EQ(DMCorrectBlock(block.data(), 8, 8), -1);
    EXPECT_EQ(DMCorrectBlock(block.data(), 300, 5), -1);
}

TEST(Correction, TheLargestSymbolsUnequalBlocks) {
    // 144 x 144: ten interleaved blocks, the last two one data codeword short.
    const DMSize &size = kDMSizeTable[0];
    std::string data(1500, 'A');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('A' + (i * 7) % 26);
    const test::Raster modules = test::DmModules(data, size);
    ASSERT_FALSE(modules.empty());
    const std::vector<std::int32_t> good = test::CodewordsOf(modules, size);
    DMSymbol symbol;
    std::copy(good.begin(), good.end(), symbol.codewords.begin());
    // Damage 31 codewords of block 8 and 31 of block 9, data and error correction,
    // including the positions 1558 and 1559 that hold their first correction codewords.
    for (int k = 0; k < 31; ++k) {
        symbol.codewords[static_cast<std::size_t>(1558 - 10 * k)] ^= 0xFF;
        symbol.codewords[static_cast<std::size_t>(1559 + 10 * k)] ^= 0x0F;
    }
    ASSERT_TRUE(CorrectSymbol(symbol, size));
    for (int p = 0; p < size.dataCodewords; ++p)
        ASSERT_EQ(symbol.codewords[static_cast<std::size_t>(p)], good[static_cast<std::size_t>(p)]) << p;
    EXPECT_EQ(symbol.codewords[1558], 0);  // the end mark replaces a correction codeword
    EXPECT_EQ(Decode(std::vector<std::int32_t>(symbol.codewords.begin(), symbol.codewords.begin() + 1558)),
              data);

    // One more error in block 9 is beyond it.
    std::copy(good.begin(), good.end(), symbol.codewords.begin());
    for (int k = 0; k < 32; ++k) symbol.codewords[static_cast<std::size_t>(9 + 10 * k)] ^= 0x01;
    EXPECT_FALSE(CorrectSymbol(symbol, size));
}

TEST(Data, AsciiDigitPairsAndUpperShift) {
    EXPECT_EQ(DecodeBytes({66, 67, 68, 129, 70}, 4), std::string("ABC\0", 4));
    EXPECT_EQ(Decode({142}), "12");
    EXPECT_EQ(Decode({130}), "00");
    EXPECT_EQ(Decode({229}), "99");
    EXPECT_EQ(Decode({235, 66}), "\xC1");
    EXPECT_EQ(Decode({128}), "\x7F");
    EXPECT_EQ(Decode({66, 250, 67}), "AB");  // an unused codeword appends nothing
    // Function codewords allowed only first end the text elsewhere.
    for (int stop : {233, 234, 236, 237}) EXPECT_EQ(Decode({66, stop, 67}), "A");
}

TEST(Data, FunctionCodewords) {
    // FNC1 first is the GS1 marker, later a group separator.
    EXPECT_EQ(Decode({232, 131, 66, 232, 67}),
              "01A\x1D"
              "B");
    // The 05 and 06 macros wrap the data in their header and trailer.
    EXPECT_EQ(Decode({236, 66, 129}),
              "[)>\x1E"
              "05\x1D"
              "A\x1E\x04");
    EXPECT_EQ(Decode({237, 66}),
              "[)>\x1E"
              "06\x1D"
              "A\x1E\x04");
    // ECI numbers of one, two and three codewords are skipped.
    EXPECT_EQ(Decode({241, 27, 66}), "A");
    EXPECT_EQ(Decode({241, 130, 5, 66}), "A");
    EXPECT_EQ(Decode({241, 200, 5, 6, 66}), "A");
    EXPECT_EQ(Decode({66, 241, 200}), "A");  // an ECI number cut short by the end
    // Structured append and reader programming headers.
    EXPECT_EQ(Decode({233, 40, 7, 9, 66}), "A");
    EXPECT_EQ(Decode({233, 40}), "");
    EXPECT_EQ(Decode({234, 37, 74}), "$I");
    // FNC1 and upper shift in C40 (shift 2, values 27 and 30).
    const int u = 1 * 1600 + 27 * 40 + 14 + 1, v = 1 * 1600 + 30 * 40 + 14 + 1;
    EXPECT_EQ(Decode({230, u / 256, u % 256, v / 256, v % 256}),
              "\x1D"
              "A\xC1");
}

TEST(Data, C40AndText) {
    EXPECT_EQ(Decode({230, 27, 64}), "0AB");
    EXPECT_EQ(Decode({239, 27, 64}), "0ab");
    // Values 14, 14, 1 then 5, 14, 14: a shift left by the last value of a
    // pair applies to the first value of the next pair.
    const int u1 = 14 * 1600 + 14 * 40 + 1 + 1, u2 = 5 * 1600 + 14 * 40 + 14 + 1;
    EXPECT_EQ(Decode({230, u1 / 256, u1 % 256, u2 / 256, u2 % 256}), "AA&AA");
    // Shift 1 and shift 3 in C40; shift 3 in Text.
    const int u4 = 0 * 1600 + 9 * 40 + 2 + 1, u5 = 14 * 1600 + 14 * 40 + 14 + 1;
    EXPECT_EQ(DecodeBytes({230, u4 / 256, u4 % 256, u5 / 256, u5 % 256}, 4), std::string("\x09nAA", 4));
    EXPECT_EQ(Decode({239, u4 / 256, u4 % 256, u5 / 256, u5 % 256}), "\x09Naa");
    // Text: upper shift (shift 2, value 30) then "a".
    const int u3 = 1 * 1600 + 30 * 40 + 14 + 1;
    EXPECT_EQ(Decode({239, u3 / 256, u3 % 256}), "\xE1");
    // Unlatch, and a lone codeword at the end read as ASCII.
    EXPECT_EQ(Decode({230, 27, 64, 254, 66}), "0ABA");
    EXPECT_EQ(Decode({230, 27, 64, 66}), "0ABA");
    EXPECT_EQ(Decode({238, 27, 64, 66}), "0ABA");
}

TEST(Data, X12) {
    const int u = 1 * 1600 + 2 * 40 + 0 + 1;  // "*", ">", CR
    EXPECT_EQ(Decode({238, u / 256, u % 256}), "*>\r");
    // CR, CR, "0": the pair's first codeword is 0, which is data.
    const int w = 0 * 1600 + 0 * 40 + 4 + 1;
    EXPECT_EQ(Decode({238, w / 256, w % 256, 254, 66}), "\r\r0A");
}

TEST(Data, Edifact) {
    // "ABCD" then the unlatch value 31 at the start of the next group.
    auto pack = [](int a, int b, int c, int d) {
        const int bits = (a << 18) | (b << 12) | (c << 6) | d;
        return std::vector<std::int32_t>{bits >> 16, (bits >> 8) & 255, bits & 255};
    };
    std::vector<std::int32_t> cw = {240};
    for (int v : pack(1, 2, 3, 4)) cw.push_back(v);
    cw.push_back(31 << 2);  // unlatch in w1: ASCII resumes with the next codeword
    cw.push_back(67);
    cw.push_back(68);
    EXPECT_EQ(Decode(cw), "ABCDBC");
    // Unlatch in w3: the rest of the group's last codeword is ignored.
    cw = {240};
    for (int v : pack(1, 50, 31, 7)) cw.push_back(v);
    cw.push_back(68);
    EXPECT_EQ(Decode(cw), "A2C");
    // Fewer than three codewords left: ASCII.
    EXPECT_EQ(Decode({240, 66, 67}), "AB");
}

TEST(Data, Base256) {
    auto randomise = [](int byte, int position) { return (byte + (149 * position) % 255 + 1) % 256; };
    // Latch at position 1, length 3 at position 2, bytes at 3 .. 5, then ASCII.
    std::vector<std::int32_t> cw = {
        231, randomise(3, 2), randomise(0xC4, 3), randomise(0, 4), randomise(0x41, 5), 67};
    EXPECT_EQ(DecodeBytes(cw, 4), std::string("\xC4\0AB", 4));
    // Length 0 runs to the end of the data.
    cw = {231, randomise(0, 2), randomise('x', 3), randomise('y', 4)};
    EXPECT_EQ(Decode(cw), "xy");
    // A length past the end of the data stops there.
    cw = {231, randomise(200, 2), randomise('x', 3)};
    EXPECT_EQ(Decode(cw), "x");
    // A two-byte length with nothing after its first byte.
    cw = {231, randomise(251, 2)};
    EXPECT_EQ(Decode(cw), "");
    for (int p = 1; p < 600; p += 37)
        for (int b = 0; b < 256; b += 51) EXPECT_EQ(Unrandomize255(randomise(b, p), p), b);
}

TEST(Data, EveryStreamEndsInsideTheTextBuffer) {
    // Digit pairs only: two bytes per codeword fill the largest symbol's text.
    std::vector<std::int32_t> cw(1558, 229);
    EXPECT_EQ(Decode(cw).size(), 3116u);
    // Small buffers are never overrun.
    char small[5];
    std::memset(small, 'x', sizeof small);
    DecodeDMData(cw.data(), static_cast<int>(cw.size()), small, 4);
    EXPECT_EQ(std::string(small), "999");
    EXPECT_EQ(small[4], 'x');
}

TEST(Data, RandomStreamsStayInsideTheirBuffers) {
    // Every scheme latched and cut off anywhere: pairs, EDIFACT groups and
    // Base 256 lengths that run past the data.
    std::mt19937 random(11);
    std::uniform_int_distribution<int> codeword(1, 255), latch(0, 5), length(0, 40);
    const int latches[] = {230, 231, 238, 239, 240, 235};
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::int32_t> cw;
        const int n = length(random);
        for (int i = 0; i < n; ++i) cw.push_back(i % 7 == 0 ? latches[latch(random)] : codeword(random));
        for (int capacity : {1, 6, kTextCapacity}) {
            std::vector<char> text(static_cast<std::size_t>(capacity) + 8, 'x');
            DecodeDMData(cw.data(), static_cast<int>(cw.size()), text.data(), capacity);
            ASSERT_LT(std::strlen(text.data()), static_cast<std::size_t>(capacity));
            for (std::size_t k = static_cast<std::size_t>(capacity); k < text.size(); ++k)
                ASSERT_EQ(text[k], 'x');
        }
    }
    char one = 'x';
    DecodeDMData(nullptr, 5, &one, 1);
    EXPECT_EQ(one, '\0');
}

TEST(Correction, GarbageInEverySizeFailsOrCorrects) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const DMSize &size : kDMSizeTable) {
        DMSymbol symbol;
        for (int i = 0; i < size.codewords; ++i) symbol.codewords[static_cast<std::size_t>(i)] = byte(random);
        if (CorrectSymbol(symbol, size)) {
            EXPECT_EQ(symbol.codewords[static_cast<std::size_t>(size.dataCodewords)], 0);
        }
    }
}

}  // namespace
}  // namespace zr::dm
