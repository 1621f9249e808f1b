// The readers' error correction through core/rs against the decoders it
// replaced (old_decoders.hpp): damaged blocks of every shape the readers use,
// 0 to t+3 errors, the same verdict, count and corrected codewords; the
// format word decoder on all 2^15 words. Prints the figures of each field.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "core/rs/reed_solomon.hpp"
#include "dm/codewords.hpp"
#include "dm/size_table.hpp"
#include "microqr/symbol_tables.hpp"
#include "old_decoders.hpp"
#include "pdf417/correction.hpp"
#include "qr/blocks.hpp"
#include "qr/capacity_table.hpp"
#include "qr/format.hpp"
#include "qr/reed_solomon.hpp"

namespace zr::test {
namespace {

struct Figures {
    long blocks = 0, clean = 0, corrected = 0, failed = 0, disagreements = 0;
    long oldNonCodewords = 0;  // old "corrections" to a word that is no codeword

    void Count(int result) {
        ++blocks;
        if (result == 0)
            ++clean;
        else if (result > 0)
            ++corrected;
        else
            ++failed;
    }
    void Print(const char *name) const {
        std::cout << "[figures] " << name << ": " << blocks << " blocks, " << clean << " clean, " << corrected
                  << " corrected, " << failed << " failed, " << disagreements << " disagreements";
        if (oldNonCodewords > 0) std::cout << ", " << oldNonCodewords << " old non-codeword results";
        std::cout << "\n";
    }
};

// Error counts tried for a block correcting t: all of 0 .. t+3 while few,
// else the ends and the middle.
std::vector<int> ErrorCounts(int t, int length) {
    std::vector<int> counts;
    if (t <= 12) {
        for (int e = 0; e <= t + 3; ++e) counts.push_back(e);
    } else {
        counts = {0, 1, 2, t / 2, t - 2, t - 1, t, t + 1, t + 2, t + 3};
    }
    counts.erase(std::remove_if(counts.begin(), counts.end(), [&](int e) { return e > length; }),
                 counts.end());
    return counts;
}

// `errors` distinct random positions of a block of `length`.
std::vector<int> Positions(int length, int errors, std::mt19937 &random) {
    std::vector<int> all(static_cast<std::size_t>(length));
    std::iota(all.begin(), all.end(), 0);
    std::shuffle(all.begin(), all.end(), random);
    all.resize(static_cast<std::size_t>(errors));
    return all;
}

template <class Field>
std::vector<int> Codeword(int length, int check, int firstRoot, std::mt19937 &random) {
    std::vector<typename Field::Element> symbols(static_cast<std::size_t>(length));
    for (int i = 0; i < length - check; ++i)
        symbols[static_cast<std::size_t>(i)] = static_cast<typename Field::Element>(random() % Field::kOrder);
    rs::ComputeCheckSymbols<Field>(symbols.data(), length - check, check, firstRoot,
                                   symbols.data() + (length - check));
    return std::vector<int>(symbols.begin(), symbols.end());
}

// Replaces the symbols at `errors` random positions by other values.
void Damage(std::vector<int> &block, int errors, int order, std::mt19937 &random) {
    for (int at : Positions(static_cast<int>(block.size()), errors, random)) {
        int &v = block[static_cast<std::size_t>(at)];
        v = (v + 1 + static_cast<int>(random() % static_cast<unsigned>(order - 1))) % order;
    }
}

constexpr int kTrials = 4;

// Damaged codewords of every (n, ecCount) shape through the old decoder and
// the new one: both take the block as Symbol * and return the count corrected
// or a negative failure, and leave a refused block as it was.
template <class Field, class Symbol, class Old, class New>
Figures CompareBlocks(const std::set<std::pair<int, int>> &shapes, int firstRoot, std::uint32_t seed, Old old,
                      New now) {
    std::mt19937 random(seed);
    Figures figures;
    for (const auto &[n, ec] : shapes)
        for (int errors : ErrorCounts(ec / 2, n))
            for (int trial = 0; trial < kTrials; ++trial) {
                std::vector<int> block = Codeword<Field>(n, ec, firstRoot, random);
                Damage(block, errors, static_cast<int>(Field::kOrder), random);
                std::vector<Symbol> before(block.size()), after;
                std::transform(block.begin(), block.end(), before.begin(),
                               [](int v) { return static_cast<Symbol>(v); });
                after = before;
                const int oldResult = old(before.data(), n, ec);
                const int newResult = now(after.data(), n, ec);
                figures.Count(newResult);
                if (oldResult != newResult || before != after) {
                    ++figures.disagreements;
                    ADD_FAILURE() << "n " << n << " ec " << ec << " errors " << errors << ": " << oldResult
                                  << " " << newResult;
                }
            }
    return figures;
}

TEST(RsEquivalence, QrAndMicroQrBlocks) {
    std::set<std::pair<int, int>> shapes;  // (n, ecCount)
    for (int version = qr::kMinVersion; version <= qr::kMaxVersion; ++version)
        for (int level = 0; level < 4; ++level) {
            qr::BlockLayout layout;
            ASSERT_TRUE(qr::LookUpBlocks(version, level, layout));
            for (int j = 0; j < layout.blocks; ++j)
                shapes.emplace(layout.DataCount(j) + layout.EcPerBlock(), layout.EcPerBlock());
        }
    for (const auto &version : microqr::kCapacities)
        for (const microqr::Capacity &c : version)
            if (c.totalCodewords > 0) shapes.emplace(c.totalCodewords, c.ecCodewords);
    const Figures figures =
        CompareBlocks<rs::Gf256Qr, std::uint8_t>(shapes, 0, 1, old::OldQrDecode, qr::RSDecode);
    figures.Print("QR/Micro QR GF(256) 0x11D");
    EXPECT_EQ(figures.disagreements, 0);
}

TEST(RsEquivalence, FormatWordsExhaustively) {
    Figures figures;
    std::map<int, long> failedResults;  // what an uncorrectable word returns
    for (int word = 0; word < (1 << 15); ++word) {
        qr::FormatBits before{};
        for (std::size_t k = 0; k < before.size(); ++k)
            before[k] = static_cast<std::uint8_t>((word >> k) & 1);
        qr::FormatBits after = before;
        const int old = old::OldFormatDecode(before);
        const int now = qr::DecodeFormatBits(after);
        std::array<rs::Gf16::Element, 15> block{};
        for (int k = 0; k < 15; ++k) block[static_cast<std::size_t>(14 - k)] = (word >> k) & 1;
        const rs::Outcome outcome = rs::Decode<rs::Gf16>(block.data(), rs::CodeShape{15, 6, 1, 0, true});
        ++figures.blocks;
        if (outcome.verdict == rs::Verdict::kClean)
            ++figures.clean;
        else if (outcome.Corrected())
            ++figures.corrected;
        else
            ++figures.failed, ++failedResults[now];
        if (after != before || old != now) ++figures.disagreements;
        ASSERT_NE(now, -1) << word;  // a fourth root never turns up
    }
    figures.Print("QR format BCH(15,5) GF(16), all words");
    std::cout << "[figures] uncorrectable format words return";
    for (const auto &[result, words] : failedResults) std::cout << " " << result << ": " << words;
    std::cout << "\n";
    EXPECT_EQ(figures.clean, 32);
    EXPECT_EQ(figures.corrected, 32 * (15 + 105 + 455));
    EXPECT_EQ(figures.disagreements, 0);
}

// Block lengths of a DataMatrix size as CorrectSymbol splits its codewords.
std::set<int> DmBlockLengths(const dm::DMSize &size) {
    std::set<int> lengths;
    for (int b = 0; b < size.blocks; ++b)
        lengths.insert((size.codewords - b + size.blocks - 1) / size.blocks);
    return lengths;
}

TEST(RsEquivalence, DataMatrixBlocks) {
    std::set<std::pair<int, int>> shapes;
    for (const dm::DMSize &size : dm::kDMSizeTable)
        for (int length : DmBlockLengths(size)) shapes.emplace(length, size.ecPerBlock);
    const Figures figures =
        CompareBlocks<rs::Gf256Dm, std::int32_t>(shapes, 1, 2, old::OldDmCorrectBlock, dm::DMCorrectBlock);
    figures.Print("DataMatrix GF(256) 0x12D");
    EXPECT_EQ(figures.disagreements, 0);
}

// The old decoder checked the last syndrome only, so beyond its capacity it
// could hand on a word that is no codeword; core/rs refuses those. Anything
// else must agree: verdict, count and, on success, the codewords.
TEST(RsEquivalence, Pdf417Sequences) {
    std::mt19937 random(3);
    Figures figures;
    for (int level = 0; level <= 8; ++level) {
        const int k = 2 << level;
        // The old decoder solves t x t systems: few trials where t is large.
        const int trials = level >= 6 ? 1 : kTrials;
        for (int count : {k + 3, std::max(k + 40, 200), 928, 1000}) {
            if (level >= 6 && count != k + 3 && count != 928) continue;
            for (int errors : ErrorCounts((k - 1) / 2, count))
                for (int trial = 0; trial < trials; ++trial) {
                    // Longer than 928: the repeated powers make the folded sequence the codeword.
                    std::vector<int> clean = Codeword<rs::Gf929>(std::min(count, 928), k, 1, random);
                    clean.insert(clean.begin(), static_cast<std::size_t>(count - std::min(count, 928)), 0);
                    std::vector<int> before = clean;
                    Damage(before, errors, 929, random);
                    std::vector<int> after = before;
                    const int old = old::OldPdf417Correct(before, k);
                    const int now = pdf417::CorrectCodewords(after, k);
                    figures.Count(now);
                    if (old >= 0 && now < 0) {
                        std::vector<int> check = before;
                        if (pdf417::CorrectCodewords(check, k) != 0) {
                            ++figures.oldNonCodewords;
                            continue;
                        }
                    }
                    if (old != now || (now >= 0 && before != after)) {
                        ++figures.disagreements;
                        ADD_FAILURE() << "level " << level << " count " << count << " errors " << errors
                                      << ": " << old << " " << now;
                    }
                }
        }
    }
    figures.Print("PDF417 GF(929)");
    EXPECT_EQ(figures.disagreements, 0);
}

// The difference above on purpose: at level 0 the old decoder checked only
// S2, so two errors with Y1 X1^2 + Y2 X2^2 = 0 passed as a clean sequence.
// Random damage past the capacity of levels 0 and 1 meets such words about
// once in 929 tries.
TEST(RsEquivalence, Pdf417OldNonCodewordsAreRefused) {
    std::mt19937 random(4);
    std::vector<int> clean = Codeword<rs::Gf929>(20, 2, 1, random);
    std::vector<int> damaged = clean;
    // Positions at powers 0 and 1: Y1 + 9 Y2 = 0.
    damaged[19] = (damaged[19] + 9) % 929;
    damaged[18] = (damaged[18] + 928) % 929;
    std::vector<int> old = damaged, now = damaged;
    EXPECT_EQ(old::OldPdf417Correct(old, 2), 0);
    EXPECT_EQ(pdf417::CorrectCodewords(now, 2), pdf417::kCorrectionFailed);
    EXPECT_EQ(now, damaged);

    Figures figures;
    for (int trial = 0; trial < 20000; ++trial) {
        const int k = trial % 2 == 0 ? 2 : 4;
        std::vector<int> before = Codeword<rs::Gf929>(30, k, 1, random);
        Damage(before, k, 929, random);
        std::vector<int> after = before;
        const int oldResult = old::OldPdf417Correct(before, k);
        const int nowResult = pdf417::CorrectCodewords(after, k);
        figures.Count(nowResult);
        std::vector<int> recheck = before;
        if (oldResult >= 0 && nowResult < 0 && pdf417::CorrectCodewords(recheck, k) != 0)
            ++figures.oldNonCodewords;
        else if (oldResult != nowResult || (nowResult >= 0 && before != after))
            ++figures.disagreements;
    }
    figures.Print("PDF417 levels 0 and 1 past the capacity");
    EXPECT_EQ(figures.disagreements, 0);
    EXPECT_LT(figures.oldNonCodewords, 100);
}

}  // namespace
}  // namespace zr::test
