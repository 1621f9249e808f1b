// Reed-Solomon correction over GF(929): the check words agree with libzint's,
// errors up to the capacity are corrected, beyond it the symbol is refused.
#include <gtest/gtest.h>

#include <random>

#include "pdf417/correction.hpp"
#include "support/render_pdf417.hpp"

namespace zr::pdf417 {
namespace {

// A codeword sequence of `dataCount` data codewords and 2^(level+1) check words.
std::vector<int> Sequence(int dataCount, int level, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<int> data(dataCount);
    data[0] = dataCount;
    for (int i = 1; i < dataCount; ++i) data[i] = static_cast<int>(random() % 929);
    const std::vector<int> check = CheckWordsFor(data, 2 << level);
    data.insert(data.end(), check.begin(), check.end());
    return data;
}

TEST(Pdf417Correction, CheckWordsAgreeWithLibzint) {
    for (int level = 0; level <= 8; level += 2) {
        test::Pdf417Options o;
        o.data = "Check words of level " + std::to_string(level);
        o.level = level;
        const test::Pdf417Symbol s = test::RenderPdf417(o, true);
        const int k = 2 << level;
        ASSERT_GT(static_cast<int>(s.codewords.size()), k);
        const std::vector<int> data(s.codewords.begin(), s.codewords.end() - k);
        const std::vector<int> expected(s.codewords.end() - k, s.codewords.end());
        EXPECT_EQ(CheckWordsFor(data, k), expected) << "level " << level;
    }
}

TEST(Pdf417Correction, UndamagedSequenceNeedsNoCorrection) {
    for (int level = 0; level <= 8; ++level) {
        std::vector<int> c = Sequence(40, level, 1u + level);
        const std::vector<int> original = c;
        EXPECT_EQ(CorrectCodewords(c, 2 << level), 0) << "level " << level;
        EXPECT_EQ(c, original);
    }
    EXPECT_EQ(ConfidenceOf(50, 0), 100);
}

TEST(Pdf417Correction, CorrectsUpToCapacityAtEveryLevel) {
    std::mt19937 random(7);
    for (int level = 1; level <= 8; ++level) {
        const int k = 2 << level;
        const int capacity = (k - 1) / 2;
        std::vector<int> c = Sequence(60, level, 100u + level);
        const std::vector<int> original = c;
        std::vector<int> positions(c.size());
        for (std::size_t i = 0; i < positions.size(); ++i) positions[i] = static_cast<int>(i);
        std::shuffle(positions.begin(), positions.end(), random);
        for (int e = 0; e < capacity; ++e) c[positions[e]] = (c[positions[e]] + 1 + e) % 929;
        EXPECT_EQ(CorrectCodewords(c, k), capacity) << "level " << level;
        EXPECT_EQ(c, original) << "level " << level;
        EXPECT_EQ(ConfidenceOf(static_cast<int>(c.size()), capacity),
                  (static_cast<int>(c.size()) - capacity) * 100 / static_cast<int>(c.size()));
    }
}

TEST(Pdf417Correction, LevelEightBeyondCapacityIsRefused) {
    std::vector<int> c = Sequence(400, 8, 77);
    std::mt19937 random(78);
    for (int e = 0; e < 300; ++e) c[random() % c.size()] = static_cast<int>(random() % 929);
    EXPECT_EQ(CorrectCodewords(c, 512), kCorrectionFailed);
}

TEST(Pdf417Correction, ErrorInLengthDescriptorIsCorrected) {
    std::vector<int> c = Sequence(20, 2, 3);
    const std::vector<int> original = c;
    c[0] = 500;  // position N - 1
    EXPECT_EQ(CorrectCodewords(c, 8), 1);
    EXPECT_EQ(c, original);
}

TEST(Pdf417Correction, LevelTwoRefusesFourErrors) {
    std::vector<int> c = Sequence(20, 2, 4);
    std::vector<int> three = c;
    for (int i : {2, 7, 11}) three[i] = (three[i] + 100) % 929;
    EXPECT_EQ(CorrectCodewords(three, 8), 3);
    EXPECT_EQ(three, c);
    for (int i : {2, 7, 11, 15}) c[i] = (c[i] + 100) % 929;
    EXPECT_EQ(CorrectCodewords(c, 8), kCorrectionFailed);
}

TEST(Pdf417Correction, LevelZeroOnlyChecks) {
    std::vector<int> c = Sequence(10, 0, 5);
    std::vector<int> good = c;
    EXPECT_EQ(CorrectCodewords(good, 2), 0);
    c[3] = (c[3] + 1) % 929;
    EXPECT_EQ(CorrectCodewords(c, 2), kCorrectionFailed);
}

TEST(Pdf417Correction, ErasuresCountHalfAnError) {
    // Level 2: 2e + f <= 7.
    const std::vector<int> original = Sequence(20, 2, 8);
    std::vector<int> c = original;
    for (int i : {1, 4, 9, 12, 26}) c[i] = (c[i] + 50) % 929;
    EXPECT_EQ(CorrectCodewords(c, 8), kCorrectionFailed);
    std::vector<int> erased = c;
    // Five erasures (one of them on a right codeword, one listed twice) and one error.
    EXPECT_EQ(CorrectCodewords(erased, 8, {1, 4, 9, 12, 17, 4}), 5);
    EXPECT_EQ(erased, original);
    erased = c;
    erased[26] = original[26];
    for (int i : {0, 2, 3}) erased[i] = (erased[i] + 1) % 929;
    EXPECT_EQ(CorrectCodewords(erased, 8, {0, 1, 2, 3, 4, 9, 12}), 7);  // seven erasures, every one wrong
    EXPECT_EQ(erased, original);
    erased = c;
    EXPECT_EQ(CorrectCodewords(erased, 8, {0, 1, 2, 3, 4, 9, 12, 26}), kCorrectionFailed);
    EXPECT_EQ(erased, c);
    EXPECT_EQ(CorrectCodewords(erased, 8, {1, 28}), kCorrectionFailed);  // not an index of the sequence
    EXPECT_EQ(CorrectCodewords(erased, 8, {-1}), kCorrectionFailed);
}

TEST(Pdf417Correction, RefusesImpossibleInput) {
    std::vector<int> c = Sequence(10, 1, 6);
    std::vector<int> bad = c;
    bad[4] = 929;  // not a codeword value
    EXPECT_EQ(CorrectCodewords(bad, 4), kCorrectionFailed);
    bad = c;
    bad[4] = -1;
    EXPECT_EQ(CorrectCodewords(bad, 4), kCorrectionFailed);
    std::vector<int> shortSequence(c.begin(), c.begin() + 3);
    EXPECT_EQ(CorrectCodewords(shortSequence, 4), kCorrectionFailed);  // more check words than codewords
    EXPECT_EQ(CorrectCodewords(c, 1024), kCorrectionFailed);
    std::vector<int> empty;
    EXPECT_EQ(CorrectCodewords(empty, 2), kCorrectionFailed);
}

}  // namespace
}  // namespace zr::pdf417
