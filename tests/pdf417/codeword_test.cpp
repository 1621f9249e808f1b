// The symbol-character table and the decoding of one codeword from widths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <string>

#include "pdf417/codeword.hpp"

namespace zr::pdf417 {
namespace {

void WidthsOf(const PatternEntry &e, double scale, double out[kElementsPerCodeword]) {
    for (int i = 0; i < kElementsPerCodeword; ++i) out[i] = (e.widths[i] - '0') * scale;
}

TEST(Pdf417Table, SectionsAreSortedPermutationsOfTheirCluster) {
    EXPECT_STREQ(Pdf417PatternTable[0][0].widths, "11111516");
    EXPECT_EQ(Pdf417PatternTable[0][0].value, 9);
    EXPECT_STREQ(Pdf417PatternTable[1][0].widths, "11114216");
    EXPECT_EQ(Pdf417PatternTable[1][0].value, 44);
    EXPECT_STREQ(Pdf417PatternTable[2][0].widths, "11111246");
    EXPECT_EQ(Pdf417PatternTable[2][0].value, 2);
    for (int section = 0; section < kClusterCount; ++section) {
        std::set<int> values;
        for (int k = 0; k < kCodewordValues; ++k) {
            const PatternEntry &e = Pdf417PatternTable[section][k];
            ASSERT_EQ(std::strlen(e.widths), 8u);
            int sum = 0;
            for (int i = 0; i < 8; ++i) sum += e.widths[i] - '0';
            EXPECT_EQ(sum, kModulesPerCodeword);
            EXPECT_EQ(
                SectionOfBars(e.widths[0] - '0', e.widths[2] - '0', e.widths[4] - '0', e.widths[6] - '0'),
                section);
            if (k > 0) {
                EXPECT_LT(std::memcmp(Pdf417PatternTable[section][k - 1].widths, e.widths, 8), 0);
            }
            values.insert(e.value);
            EXPECT_EQ(FindPattern(section, e.widths), e.value);
        }
        EXPECT_EQ(values.size(), static_cast<std::size_t>(kCodewordValues));
        EXPECT_EQ(*values.rbegin(), 928);
    }
}

// Every eight-digit pattern of 17 modules, in every section, against a
// scan of the whole section: found exactly where the section holds it,
// including strings before its first entry and after its last.
TEST(Pdf417Table, LookupAgreesWithAScanForEveryPattern) {
    int found = 0, missing = 0;
    char digits[8];
    const auto visit = [&](const auto &self, int position, int left) -> void {
        if (position == 8) {
            if (left != 0) return;
            for (int section = 0; section < kClusterCount; ++section) {
                int expected = kNoCodeword;
                for (const PatternEntry &e : Pdf417PatternTable[section])
                    if (std::memcmp(e.widths, digits, 8) == 0) expected = e.value;
                ASSERT_EQ(FindPattern(section, digits), expected) << std::string(digits, 8) << " " << section;
                ++(expected == kNoCodeword ? missing : found);
            }
            return;
        }
        for (int d = 1; d <= 9 && d <= left; ++d) {
            digits[position] = static_cast<char>('0' + d);
            self(self, position + 1, left - d);
        }
    };
    visit(visit, 0, kModulesPerCodeword);
    EXPECT_EQ(found, kClusterCount * kCodewordValues);
    EXPECT_GT(missing, 0);
}

TEST(Pdf417Codeword, ExactAtEveryScaleAndWithJitter) {
    for (int section = 0; section < kClusterCount; ++section) {
        for (int k = 0; k < kCodewordValues; ++k) {
            const PatternEntry &e = Pdf417PatternTable[section][k];
            double w[8];
            WidthsOf(e, 3.0, w);
            // One pixel moved from a bar to the following space keeps the pattern.
            w[2] += 1;
            w[3] -= 1;
            ASSERT_EQ(DecodeExact(section, w), e.value) << e.widths;
            WidthsOf(e, 1.0, w);
            ASSERT_EQ(DecodeExact(section, w), e.value) << e.widths;
        }
    }
}

TEST(Pdf417Codeword, StartPatternAndEmptyWidthsAreNoCodeword) {
    const double start[8] = {8, 1, 1, 1, 1, 1, 1, 3};
    for (int section = 0; section < kClusterCount; ++section)
        EXPECT_EQ(DecodeExact(section, start), kNoCodeword);
    const double zero[8] = {};
    EXPECT_EQ(DecodeExact(0, zero), kNoCodeword);
    EXPECT_EQ(DecodeNearest(0, zero).value, kEmptyCodeword);
    double w[8];
    WidthsOf(Pdf417PatternTable[1][100], 2.0, w);
    EXPECT_EQ(DecodeExact(0, w), kNoCodeword);  // another cluster's pattern
    EXPECT_EQ(DecodeExact(-1, w), kNoCodeword);
    EXPECT_EQ(DecodeExact(3, w), kNoCodeword);
}

TEST(Pdf417Codeword, NearestPatternForDistortedWidths) {
    const PatternEntry &e = Pdf417PatternTable[2][400];
    double w[8];
    WidthsOf(e, 4.0, w);
    const NearestCodeword exact = DecodeNearest(2, w);
    EXPECT_EQ(exact.value, e.value);
    EXPECT_EQ(exact.distance, 0);
    // Spread one module's worth of error over the elements: no exact match, but the nearest is right.
    w[0] += 1.9;
    w[1] -= 1.9;
    w[4] += 1.9;
    w[5] -= 1.9;
    const NearestCodeword near = DecodeNearest(2, w);
    EXPECT_EQ(near.value, e.value);
    EXPECT_LT(near.distance, kNearestLimit);
    // Nothing near: the section's first entry.
    const double far[8] = {40, 1, 1, 1, 1, 1, 1, 1};
    const NearestCodeword none = DecodeNearest(1, far);
    EXPECT_EQ(none.value, Pdf417PatternTable[1][0].value);
    EXPECT_GE(none.distance, kNearestLimit);
}

// The nearest pattern by summing every entry's whole distance, the way the
// search defines it: the search's shortcuts must not change its answer.
NearestCodeword NearestByFullSums(int section, const double widths[kElementsPerCodeword]) {
    double total = 0;
    for (int i = 0; i < kElementsPerCodeword; ++i) total += widths[i];
    double d[kElementsPerCodeword];
    for (int i = 0; i < kElementsPerCodeword; ++i) d[i] = std::max(1.0, widths[i] / (total / kModulesPerCodeword));
    auto element = [&d](int i, char digit) {
        double diff = std::fabs(d[i] - (digit - '0'));
        if (diff > 1) diff *= 2;
        return diff * diff;
    };
    const PatternEntry *entries = Pdf417PatternTable[section];
    int best = -1;
    double bestDistance = 0;
    for (int k = 0; k < kCodewordValues; ++k) {
        double distance = 0;
        for (int i = 0; i < kElementsPerCodeword; ++i) distance += element(i, entries[k].widths[i]);
        if (distance >= kNearestLimit || (best >= 0 && distance > bestDistance)) continue;
        if (best >= 0 && distance == bestDistance) {
            int first = 0;
            while (first < kElementsPerCodeword && entries[k].widths[first] == entries[best].widths[first]) ++first;
            double later = 0, earlier = 0;
            for (int i = first; i < kElementsPerCodeword; ++i) {
                later += element(i, entries[k].widths[i]);
                earlier += element(i, entries[best].widths[i]);
            }
            if (later > earlier) continue;
        }
        best = k;
        bestDistance = distance;
    }
    if (best < 0) return {entries[0].value, kNearestLimit};
    return {entries[best].value, bestDistance};
}

TEST(Pdf417Codeword, NearestMatchesTheFullSearchOnDistortedAndRandomWidths) {
    std::mt19937 generator(17);
    std::uniform_int_distribution<int> pick(0, kCodewordValues - 1), pixels(1, 30), jitter(-3, 3);
    for (int trial = 0; trial < 3000; ++trial) {
        const int section = trial % kClusterCount;
        double w[kElementsPerCodeword];
        if (trial % 2 == 0) {
            for (double &x : w) x = pixels(generator);  // widths of noise
        } else {
            WidthsOf(Pdf417PatternTable[section][pick(generator)], 3.0, w);  // a pattern, pixels moved
            for (double &x : w) x = std::max(1.0, x + jitter(generator));
        }
        const NearestCodeword expected = NearestByFullSums(section, w);
        const NearestCodeword got = DecodeNearest(section, w);
        if (got.distance == 0) continue;  // an exact match by rounding, before any search
        ASSERT_EQ(got.value, expected.value) << "trial " << trial;
        ASSERT_EQ(got.distance, expected.distance) << "trial " << trial;
    }
}

TEST(Pdf417Codeword, NearestDistanceFloorAndBoundedSearchKeepTheDistance) {
    std::mt19937 generator(29);
    std::uniform_int_distribution<int> pick(0, kCodewordValues - 1), pixels(1, 40), jitter(-2, 2);
    int positive = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        double w[kElementsPerCodeword];
        if (trial % 3 == 0) {
            for (double &x : w) x = pixels(generator);
        } else {
            WidthsOf(Pdf417PatternTable[trial % kClusterCount][pick(generator)], 3.0, w);
            for (double &x : w) x = std::max(1.0, x + jitter(generator));
        }
        const double floor = NearestDistanceFloor(w);
        for (int section = 0; section < kClusterCount; ++section) {
            const double distance = DecodeNearest(section, w).distance;
            ASSERT_LE(floor, distance) << "trial " << trial << " section " << section;
            // A search bounded at `within` finds the same distance when it
            // lies within, else reports one above.
            for (const double within : {0.0, 0.5, 1.5, distance, 4.0}) {
                const double bounded = DecodeNearest(section, w, within).distance;
                if (distance <= within) {
                    ASSERT_EQ(bounded, distance) << "trial " << trial << " within " << within;
                } else {
                    ASSERT_GT(bounded, within) << "trial " << trial << " within " << within;
                }
            }
        }
        positive += floor > 0 ? 1 : 0;
    }
    // A floor of 0 everywhere would hold too, but prove nothing.
    EXPECT_GT(positive, 1500);
    // Widths that read exactly in their own section only.
    double w[kElementsPerCodeword];
    WidthsOf(Pdf417PatternTable[1][300], 2.0, w);
    EXPECT_EQ(NearestDistanceFloor(w), 0);
    const double zero[kElementsPerCodeword] = {};
    EXPECT_EQ(NearestDistanceFloor(zero), DecodeNearest(0, zero).distance);
}

}  // namespace
}  // namespace zr::pdf417
