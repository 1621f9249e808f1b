// core/rs on its own: the field tables, published codewords, errors and
// erasures up to the limit 2e + f <= checks and one past it, binary BCH words,
// and the shapes it must refuse.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "core/rs/reed_solomon.hpp"
#include "microqr/symbol_tables.hpp"

namespace zr::rs {
namespace {

template <class Field>
void ExpectFieldLaws() {
    EXPECT_EQ(Field::Exp(0), 1);
    EXPECT_EQ(Field::Exp(Field::kPeriod), 1);  // the doubled half
    EXPECT_EQ(Field::Power(-1), Field::Inverse(Field::Exp(1)));
    for (unsigned a = 1; a < Field::kOrder; ++a) {
        const auto x = static_cast<typename Field::Element>(a);
        ASSERT_EQ(Field::Exp(Field::Log(x)), x);
        ASSERT_EQ(Field::Multiply(x, Field::Inverse(x)), 1);
        ASSERT_EQ(Field::Add(x, Field::Negate(x)), 0);
        const auto y = static_cast<typename Field::Element>((a * 7 + 3) % Field::kOrder);
        const auto z = static_cast<typename Field::Element>((a * 13 + 5) % Field::kOrder);
        ASSERT_EQ(Field::Multiply(x, Field::Add(y, z)),
                  Field::Add(Field::Multiply(x, y), Field::Multiply(x, z)));
        ASSERT_EQ(Field::Multiply(Field::Divide(y, x), x), y);
    }
}

TEST(GaloisField, TablesFollowTheirPolynomialsAndRoots) {
    ExpectFieldLaws<Gf16>();
    ExpectFieldLaws<Gf256Qr>();
    ExpectFieldLaws<Gf256Dm>();
    ExpectFieldLaws<Gf929>();
    EXPECT_EQ(Gf16::Exp(4), 0x3);
    EXPECT_EQ(Gf256Qr::Exp(8), 0x1D);
    EXPECT_EQ(Gf256Dm::Exp(8), 0x2D);
    EXPECT_EQ(Gf929::Exp(2), 9);
    EXPECT_EQ(Gf929::Subtract(3, 5), 927);
    EXPECT_EQ(Gf929::FromInteger(930), 1);
    EXPECT_EQ(Gf256Qr::FromInteger(6), 0);
}

template <class Field>
std::vector<typename Field::Element> Encode(std::vector<typename Field::Element> data, int check,
                                            int firstRoot) {
    const int dataCount = static_cast<int>(data.size());
    data.resize(data.size() + static_cast<std::size_t>(check));
    EXPECT_TRUE(
        ComputeCheckSymbols<Field>(data.data(), dataCount, check, firstRoot, data.data() + dataCount));
    return data;
}

TEST(ReedSolomon, PublishedCodewords) {
    // QR Code 1-M "01234567" (ISO/IEC 18004 annex example).
    const std::vector<std::uint16_t> qr = Encode<Gf256Qr>(
        {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11}, 10,
        0);
    EXPECT_EQ(std::vector<std::uint16_t>(qr.begin() + 16, qr.end()),
              (std::vector<std::uint16_t>{0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55}));
    // DataMatrix 10 x 10 "123456" (ISO/IEC 16022 example).
    const std::vector<std::uint16_t> dm = Encode<Gf256Dm>({142, 164, 186}, 5, 1);
    EXPECT_EQ(dm, (std::vector<std::uint16_t>{142, 164, 186, 114, 25, 5, 88, 102}));
}

template <class Field>
std::vector<typename Field::Element> RandomCodeword(int dataCount, int check, int firstRoot,
                                                    std::mt19937 &random) {
    std::vector<typename Field::Element> data(static_cast<std::size_t>(dataCount));
    for (auto &v : data) v = static_cast<typename Field::Element>(random() % Field::kOrder);
    return Encode<Field>(data, check, firstRoot);
}

template <class Field>
typename Field::Element OtherValue(typename Field::Element v, std::mt19937 &random) {
    return static_cast<typename Field::Element>((v + 1 + random() % (Field::kOrder - 1)) % Field::kOrder);
}

// A damaged codeword of `length` symbols: e errors and f erasures (f1 of them
// on symbols that kept their value); decodes it and checks the outcome.
template <class Field>
void ExpectErrorsAndErasures(int length, int check, int firstRoot, int spare, std::mt19937 &random) {
    const int budget = check - spare;
    for (int f = 0; f <= budget; ++f)
        for (int e = 0; 2 * e + f <= budget + 2 && e + f <= length; ++e) {
            const auto clean = RandomCodeword<Field>(length - check, check, firstRoot, random);
            std::vector<int> order(static_cast<std::size_t>(length));
            std::iota(order.begin(), order.end(), 0);
            std::shuffle(order.begin(), order.end(), random);
            auto block = clean;
            std::vector<int> erasures(order.begin(), order.begin() + f);
            const int kept = f / 3;  // erased symbols still right
            for (int i = kept; i < f + e; ++i) {
                auto &v = block[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])];
                v = OtherValue<Field>(v, random);
            }
            const auto damaged = block;
            const Outcome out = Decode<Field>(block.data(), CodeShape{length, check, firstRoot, spare, false},
                                              erasures.data(), f);
            if (2 * e + f <= budget) {
                ASSERT_TRUE(out.Ok()) << length << "/" << check << " e " << e << " f " << f;
                EXPECT_EQ(block, clean);
                EXPECT_EQ(out.corrected, f + e - kept);
                EXPECT_EQ(out.verdict, f + e - kept == 0 ? Verdict::kClean : Verdict::kCorrected);
            } else if (!out.Ok()) {
                EXPECT_EQ(block, damaged);  // a refused block is left as it was
            } else {
                // Past the limit another codeword may be reached, never a non-codeword.
                EXPECT_EQ(Decode<Field>(block.data(), CodeShape{length, check, firstRoot, 0, false}).verdict,
                          Verdict::kClean);
            }
        }
}

TEST(ReedSolomon, ErrorsAndErasuresUpToTheLimitAndOnePast) {
    std::mt19937 random(9);
    ExpectErrorsAndErasures<Gf256Qr>(26, 10, 0, 0, random);
    ExpectErrorsAndErasures<Gf256Qr>(255, 30, 0, 0, random);
    ExpectErrorsAndErasures<Gf256Dm>(8, 5, 1, 0, random);
    ExpectErrorsAndErasures<Gf256Dm>(218, 24, 1, 0, random);
    ExpectErrorsAndErasures<Gf929>(40, 16, 1, 1, random);
    ExpectErrorsAndErasures<Gf929>(928, 24, 1, 1, random);
    ExpectErrorsAndErasures<Gf16>(15, 6, 1, 0, random);
}

TEST(ReedSolomon, ErasuresAloneUpToEveryCheckSymbol) {
    std::mt19937 random(4);
    const auto clean = RandomCodeword<Gf929>(500, 256, 1, random);
    auto block = clean;
    std::vector<int> erasures(256);
    std::iota(erasures.begin(), erasures.end(), 300);  // data and check symbols
    for (int at : erasures) block[static_cast<std::size_t>(at)] = 0;
    const Outcome out = Decode<Gf929>(block.data(), CodeShape{756, 256, 1, 0, false}, erasures.data(), 256);
    EXPECT_EQ(out.verdict, Verdict::kCorrected);
    EXPECT_EQ(block, clean);
    // One erasure more than the check symbols is no shape at all.
    erasures.push_back(299);
    EXPECT_EQ(Decode<Gf929>(block.data(), CodeShape{756, 256, 1, 0, false}, erasures.data(), 257).verdict,
              Verdict::kBadShape);
}

// QR/Micro QR format words are binary BCH(15,5) words over GF(16) with roots alpha^1 .. alpha^6.
std::vector<std::uint16_t> FormatBlock(std::uint16_t word) {
    std::vector<std::uint16_t> block(15);
    for (int k = 0; k < 15; ++k) block[static_cast<std::size_t>(14 - k)] = (word >> k) & 1;
    return block;
}

TEST(ReedSolomon, BinaryBchWordsCorrectThreeBitsAndStayBinary) {
    const CodeShape shape{15, 6, 1, 0, true};
    for (std::uint16_t masked : microqr::kFormatWords) {
        const auto clean = FormatBlock(static_cast<std::uint16_t>(masked ^ microqr::kFormatXorMask));
        auto block = clean;
        ASSERT_EQ(Decode<Gf16>(block.data(), shape).verdict, Verdict::kClean);
        for (int a = 0; a < 15; ++a)
            for (int b = a + 1; b < 15; ++b) {
                block = clean;
                const int c = (a + b) % 15;
                block[static_cast<std::size_t>(a)] ^= 1;
                block[static_cast<std::size_t>(b)] ^= 1;
                if (c != a && c != b) block[static_cast<std::size_t>(c)] ^= 1;
                const Outcome out = Decode<Gf16>(block.data(), shape);
                ASSERT_EQ(out.verdict, Verdict::kCorrected);
                EXPECT_EQ(out.corrected, c != a && c != b ? 3 : 2);
                EXPECT_EQ(block, clean);
            }
    }
    // A symbol that is no bit: syndromes of a single error of value 2 give no binary word.
    auto block = FormatBlock(0);
    block[4] = 2;
    EXPECT_EQ(Decode<Gf16>(block.data(), shape).verdict, Verdict::kNotACodeword);
    EXPECT_EQ(block[4], 2);
    EXPECT_EQ(Decode<Gf16>(block.data(), CodeShape{15, 6, 1, 0, false}).verdict, Verdict::kCorrected);
    EXPECT_EQ(block[4], 0);
}

TEST(ReedSolomon, HeldBackChecksOnlyDetect) {
    // Eight checks with one held back correct three errors; four are refused
    // (with all eight, four would be corrected).
    std::mt19937 random(6);
    const auto clean = RandomCodeword<Gf929>(30, 8, 1, random);
    auto block = clean;
    for (int at : {1, 5, 20, 33})
        block[static_cast<std::size_t>(at)] = OtherValue<Gf929>(block[static_cast<std::size_t>(at)], random);
    auto copy = block;
    const Outcome held = Decode<Gf929>(block.data(), CodeShape{38, 8, 1, 1, false});
    EXPECT_EQ(held.verdict, Verdict::kTooManyErrors);
    EXPECT_EQ(held.locatorDegree, 4);
    EXPECT_EQ(Decode<Gf929>(copy.data(), CodeShape{38, 8, 1, 0, false}).corrected, 4);
    EXPECT_EQ(copy, clean);
}

TEST(ReedSolomon, RefusesShapesAndSymbolsOutOfRange) {
    std::vector<std::uint16_t> block(300, 1);
    const std::vector<std::uint16_t> before = block;
    const int erasure[2] = {3, 3};
    const int outside[1] = {20};
    EXPECT_EQ(Decode<Gf256Qr>(block.data(), CodeShape{256, 10, 0, 0, false}).verdict, Verdict::kBadShape);
    EXPECT_EQ(Decode<Gf256Qr>(block.data(), CodeShape{5, 10, 0, 0, false}).verdict, Verdict::kBadShape);
    EXPECT_EQ(Decode<Gf256Qr>(block.data(), CodeShape{20, 0, 0, 0, false}).verdict, Verdict::kBadShape);
    EXPECT_EQ(Decode<Gf256Qr>(nullptr, CodeShape{20, 10, 0, 0, false}).verdict, Verdict::kBadShape);
    EXPECT_EQ(Decode<Gf929>(block.data(), CodeShape{20, 10, 1, 0, false}, erasure, 2).verdict,
              Verdict::kBadShape);
    EXPECT_EQ(Decode<Gf929>(block.data(), CodeShape{20, 10, 1, 0, false}, outside, 1).verdict,
              Verdict::kBadShape);
    EXPECT_EQ(Decode<Gf929>(block.data(), CodeShape{20, 10, 1, 0, false}, nullptr, 1).verdict,
              Verdict::kBadShape);
    EXPECT_EQ(block, before);
    block[2] = 256;
    EXPECT_EQ(Decode<Gf256Dm>(block.data(), CodeShape{20, 10, 1, 0, false}).verdict, Verdict::kBadShape);
    EXPECT_FALSE(ComputeCheckSymbols<Gf929>(block.data(), 10, 0, 1, block.data() + 10));
    EXPECT_FALSE(ComputeCheckSymbols<Gf929>(block.data(), 10, 513, 1, block.data() + 10));
}

}  // namespace
}  // namespace zr::rs
