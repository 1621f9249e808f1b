// ZrDM end to end: symbols drawn by libzint in every size, module size,
// rotation, colour and encodation scheme, and damaged symbols.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "reader_test_util.hpp"

namespace zr::dm {
namespace {

using test::Raster;

std::string SizeName(const DMSize &size) {
    return std::to_string(size.rows) + "x" + std::to_string(size.columns);
}

// Regions smaller than 33 pixels either way are not looked at: small
// symbols need larger modules.
int SmallestModule(const DMSize &size, int atLeast) {
    return std::max(atLeast, (33 + std::min(size.rows, size.columns)) / std::min(size.rows, size.columns));
}

void ExpectRead(const Raster &picture, const std::string &data, const DMSize &size, const std::string &what) {
    ASSERT_FALSE(picture.empty()) << what;
    const test::ScanOutcome outcome = test::Scan(picture);
    EXPECT_EQ(outcome.status, 0) << what;
    ASSERT_EQ(outcome.results.size(), 1u) << what;
    EXPECT_EQ(outcome.FirstText(), data) << what;
    EXPECT_EQ(outcome.results[0].rows, size.rows) << what;
    EXPECT_EQ(outcome.results[0].columns, size.columns) << what;
}

TEST(ReaderSizes, EverySizeInEveryQuarterTurn) {
    for (const DMSize &size : kDMSizeTable) {
        const std::string data = test::FillerFor(size);
        const Raster upright = test::RenderDm(data, size, SmallestModule(size, 3));
        for (int turns = 0; turns < 4; ++turns)
            ExpectRead(zr::test::RotateQuarter(upright, turns), data, size,
                       SizeName(size) + " turns " + std::to_string(turns));
    }
}

TEST(ReaderSizes, ModulesOfTwoToSixPixels) {
    for (int rows : {18, 26, 40, 64, 104, 144}) {
        const DMSize &size = *test::FindSize(rows, rows);
        const std::string data = test::FillerFor(size);
        for (int m = 2; m <= 6; ++m) {
            const Raster upright = test::RenderDm(data, size, m);
            for (int turns = 0; turns < 4; turns += 3)
                ExpectRead(zr::test::RotateQuarter(upright, turns), data, size,
                           SizeName(size) + " m " + std::to_string(m) + " turns " + std::to_string(turns));
        }
    }
    for (const DMSize &size : kDMSizeTable) {
        if (size.Square()) continue;
        const std::string data = test::FillerFor(size);
        for (int m = SmallestModule(size, 2); m <= 6; ++m)
            ExpectRead(test::RenderDm(data, size, m), data, size, SizeName(size) + " m " + std::to_string(m));
    }
}

TEST(ReaderSizes, ArbitraryRotations) {
    for (int rows : {12, 20, 32, 48, 72, 144}) {
        const DMSize &size = *test::FindSize(rows, rows);
        const std::string data = test::FillerFor(size);
        const Raster upright = test::RenderDm(data, size, 5);
        for (double angle : {3.0, 17.0, 62.0, 135.0, 208.0, 291.0, 352.0})
            ExpectRead(zr::test::Rotate(upright, angle, true), data, size,
                       SizeName(size) + " angle " + std::to_string(angle));
    }
    for (int rows : {8, 12, 16}) {
        for (const DMSize &size : kDMSizeTable) {
            if (size.rows != rows || size.Square()) continue;
            const std::string data = test::FillerFor(size);
            const Raster upright = test::RenderDm(data, size, 6);
            for (double angle : {11.0, 100.0, 250.0})
                ExpectRead(zr::test::Rotate(upright, angle, true), data, size,
                           SizeName(size) + " angle " + std::to_string(angle));
        }
    }
}

TEST(ReaderSizes, GreyPaperBlurAndNoise) {
    const DMSize &size = *test::FindSize(32, 32);
    const std::string data = test::FillerFor(size);
    Raster picture = test::RenderDm(data, size, 5);
    picture = zr::test::AddNoise(zr::test::Blur(zr::test::Remap(picture, 60, 190), 0.8), 25, 7);
    ExpectRead(picture, data, size, "grey, blurred and noisy");
    for (int bits : {1, 24}) {
        const test::ScanOutcome outcome = test::Scan(test::RenderDm(data, size, 4), 0, 0, bits);
        EXPECT_EQ(outcome.FirstText(), data) << bits;
    }
}

// The codewords' first latch (0 when the data starts in ASCII) proves the scheme zint chose.
int FirstLatch(const std::string &data, const DMSize &size) {
    const Raster modules = test::DmModules(data, size);
    if (modules.empty()) return -2;  // zint refused the data for this size
    const std::vector<std::int32_t> cw = test::CodewordsOf(modules, size);
    for (int i = 0; i < size.dataCodewords; ++i)
        if (cw[static_cast<std::size_t>(i)] == 230 || cw[static_cast<std::size_t>(i)] >= 238 ||
            cw[static_cast<std::size_t>(i)] == 231)
            return cw[static_cast<std::size_t>(i)] <= 240 ? cw[static_cast<std::size_t>(i)] : 0;
    return 0;
}

TEST(ReaderSchemes, EveryEncodationSchemeRoundTrips) {
    std::string bytes;
    for (int i = 0; i < 40; ++i) bytes.push_back(static_cast<char>(128 + (i * 37) % 128));
    const struct {
        std::string data;
        int latch;
    } cases[] = {
        {"12345678901234567890", 0},                                     // ASCII digit pairs
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", 230},                         // C40
        {"abcdefghijklmnopqrstuvwxyz0123", 239},                         // Text
        {"ABC*DEF>GHI\rJKL*MNO>PQR*STU", 238},                           // X12
        {".A.B.C.D.E.F.G.H.I.J.K.L.M.N.O", 240},                         // EDIFACT
        {bytes, 231},                                                    // Base 256
        {"Mixed: ABCDEFGH 12345678 abcdefgh !@#$%^&*() \xE9t\xE9", -1},  // several
    };
    for (const auto &c : cases) {
        for (int rows : {26, 40, 52}) {
            const DMSize &size = *test::FindSize(rows, rows);
            if (c.latch >= 0) {
                ASSERT_EQ(FirstLatch(c.data, size), c.latch) << c.data;
            }
            ExpectRead(test::RenderDm(c.data, size, 4), c.data, size, c.data);
        }
    }
}

TEST(ReaderSchemes, ALongBase256FieldInALargeSymbol) {
    std::string bytes;
    for (int i = 0; i < 700; ++i) bytes.push_back(static_cast<char>(128 + (i * 53) % 128));
    const DMSize &size = *test::FindSize(104, 104);
    ASSERT_EQ(FirstLatch(bytes, size), 231);
    ExpectRead(test::RenderDm(bytes, size, 3), bytes, size, "700 bytes of Base 256");
    // The largest symbol nearly full of digits, the longest text there is.
    const DMSize &largest = kDMSizeTable[0];
    std::string digits;
    for (int i = 0; i < 3000; ++i) digits.push_back(static_cast<char>('0' + (i * 7) % 10));
    ExpectRead(test::RenderDm(digits, largest, 2), digits, largest, "3000 digits");
}

// A symbol's module raster with the modules of the given codewords (1-based) inverted.
Raster Damaged(const Raster &modules, const DMSize &size, const std::vector<int> &codewords) {
    std::vector<std::int32_t> table(static_cast<std::size_t>(size.mappingRows) * size.mappingColumns);
    PlaceModules(table.data(), size.mappingRows, size.mappingColumns);
    Raster out = modules;
    const int dataRows = size.regionRows - 2, dataColumns = size.regionColumns - 2;
    for (int r = 0; r < size.mappingRows; ++r) {
        for (int c = 0; c < size.mappingColumns; ++c) {
            const int e = table[static_cast<std::size_t>(r) * size.mappingColumns + c];
            if (std::find(codewords.begin(), codewords.end(), e / 10) == codewords.end()) continue;
            const int y = (r / dataRows) * size.regionRows + 1 + r % dataRows;
            const int x = (c / dataColumns) * size.regionColumns + 1 + c % dataColumns;
            out.at(x, y) = static_cast<std::uint8_t>(255 - out.at(x, y));
        }
    }
    return out;
}

TEST(ReaderDamage, UpToTheCorrectionCapacityAndBeyond) {
    const DMSize &small = *test::FindSize(10, 10);
    const Raster modules = test::DmModules("123456", small);
    for (const std::vector<int> &hit : {std::vector<int>{1, 8}, {2, 3}, {4, 6}}) {
        const Raster damaged = Damaged(modules, small, hit);
        ExpectRead(zr::test::ExpandModules(damaged, 5, 0, 4), "123456", small, "two damaged codewords");
    }
    // Three damaged codewords are beyond a 10 x 10 symbol: nothing, and never a wrong text.
    const test::ScanOutcome outcome =
        test::Scan(zr::test::ExpandModules(Damaged(modules, small, {1, 2, 3}), 5, 0, 4));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_TRUE(outcome.results.empty());

    // 144 x 144: 31 damaged codewords in every block are corrected, 33 in one block are not.
    const DMSize &large = kDMSizeTable[0];
    const std::string data = test::FillerFor(large);
    const Raster big = test::DmModules(data, large);
    std::vector<int> hit;
    for (int k = 0; k < 310; ++k) hit.push_back(1 + 7 * k);  // 7k mod 10 covers every block 31 times
    ExpectRead(zr::test::ExpandModules(Damaged(big, large, hit), 2, 0, 4), data, large,
               "310 damaged codewords");
    hit.clear();
    for (int k = 0; k < 33; ++k) hit.push_back(10 + 10 * k);  // block 9 only
    EXPECT_TRUE(test::Scan(zr::test::ExpandModules(Damaged(big, large, hit), 2, 0, 4)).results.empty());
}

TEST(ReaderColours, LightOnDarkAndTheScanFlags) {
    const DMSize &size = *test::FindSize(20, 20);
    const std::string data = "LIGHT ON DARK";
    const Raster dark = test::RenderDm(data, size, 4);
    const Raster light = zr::test::Invert(dark);
    EXPECT_TRUE(test::Scan(light, 1).results.empty());
    for (std::uint8_t flags : {std::uint8_t{2}, std::uint8_t{3}}) {
        const test::ScanOutcome outcome = test::Scan(light, flags);
        ASSERT_EQ(outcome.results.size(), 1u) << int{flags};
        EXPECT_EQ(outcome.FirstText(), data);
        EXPECT_EQ(outcome.results[0].barsColour, 2);
    }
    const test::ScanOutcome outcome = test::Scan(dark, 3);
    ASSERT_EQ(outcome.results.size(), 1u);
    EXPECT_EQ(outcome.results[0].barsColour, 1);
    EXPECT_TRUE(test::Scan(dark, 2).results.empty());
}

TEST(ReaderColours, BothColoursInOnePicture) {
    const DMSize &size = *test::FindSize(14, 14);
    Raster picture = zr::test::Canvas(300, 150);
    Paste(picture, test::RenderDm("DARK", size, 5), 0, 0);
    Paste(picture, zr::test::Invert(test::RenderDm("LIGHT", size, 5)), 150, 0);
    const test::ScanOutcome outcome = test::Scan(picture);
    ASSERT_EQ(outcome.results.size(), 2u);
    EXPECT_STREQ(outcome.results[0].text, "DARK");
    EXPECT_EQ(outcome.results[0].barsColour, 1);
    EXPECT_STREQ(outcome.results[1].text, "LIGHT");
    EXPECT_EQ(outcome.results[1].barsColour, 2);
}

TEST(ReaderLists, SeveralSymbolsAndASmallList) {
    const DMSize &size = *test::FindSize(16, 16);
    Raster picture = zr::test::Canvas(500, 200);
    const char *texts[] = {"FIRST", "SECOND", "THIRD"};
    for (int i = 0; i < 3; ++i) Paste(picture, test::RenderDm(texts[i], size, 5), 10 + 160 * i, 20);
    test::ScanOutcome outcome = test::Scan(picture);
    ASSERT_EQ(outcome.results.size(), 3u);
    outcome = test::Scan(picture, 0, 2);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.results.size(), 2u);
    outcome = test::Scan(picture, 0, 1);
    EXPECT_EQ(outcome.results.size(), 1u);
}

TEST(ReaderCorners, CornersInTheReadingFrame) {
    const DMSize &size = *test::FindSize(12, 12);
    const Raster upright = test::RenderDm("CORN", size, 5, 4);  // symbol at 20 .. 79
    const test::ScanOutcome outcome = test::Scan(upright);
    ASSERT_EQ(outcome.results.size(), 1u);
    const std::int32_t *c = outcome.results[0].corners;
    EXPECT_NEAR(c[0], 20, 1);  // P0 top-left
    EXPECT_NEAR(c[1], 20, 1);
    EXPECT_NEAR(c[2], 80, 1);  // P1 top-right, one pixel out
    EXPECT_NEAR(c[3], 19, 1);
    EXPECT_NEAR(c[4], 79, 1);  // P2 bottom-right
    EXPECT_NEAR(c[5], 79, 1);
    EXPECT_NEAR(c[6], 20, 1);  // P3 the finder corner
    EXPECT_NEAR(c[7], 79, 1);
    // Half a turn: the finder corner is now top-right.
    const test::ScanOutcome turned = test::Scan(zr::test::RotateQuarter(upright, 2));
    ASSERT_EQ(turned.results.size(), 1u);
    EXPECT_NEAR(turned.results[0].corners[6], 79, 1);
    EXPECT_NEAR(turned.results[0].corners[7], 20, 1);
}

}  // namespace
}  // namespace zr::dm
