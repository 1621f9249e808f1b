// The QR reader end to end: symbols rendered with libzint, read through the
// exported calls.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "qr/blocks.hpp"
#include "qr/module_map.hpp"
#include "qr_test_util.hpp"

namespace zr::qr::test {
namespace {

using zr::test::Canvas;
using zr::test::Paste;

std::string AllBytes() {
    std::string s;
    for (int i = 0; i < 256; ++i) s.push_back(static_cast<char>(i));
    return s;
}

// The symbol's corner points for an upright symbol drawn at the given module size.
void ExpectUprightCorners(const QRResult &r, int quiet, int module, int size) {
    const int lo = quiet * module, hi = (quiet + size) * module;
    const int expected[8] = {lo, lo, hi, lo, hi, hi, lo, hi};
    for (int k = 0; k < 8; ++k) EXPECT_NEAR(r.corners[k], expected[k], 1) << "coordinate " << k;
}

TEST(QRRoundTrip, VersionsAndLevels) {
    for (int version : {1, 2, 6, 7, 10, 14, 20, 27, 40}) {
        for (int level : {kL, kM, kQ, kH}) {
            QrSymbol s;
            s.data = "Version " + std::to_string(version) + " level " + std::to_string(level);
            s.version = version;
            s.level = level;
            s.moduleSize = version >= 20 ? 2 : 3;
            if (version <= 2) s.data = "v" + std::to_string(version) + "/" + std::to_string(level);
            const Raster picture = QrPicture(s);
            Scan scan(picture);
            ASSERT_EQ(scan.results.size(), 1u) << version << "/" << level << " status " << scan.status;
            EXPECT_EQ(scan.Text(), s.data);
            EXPECT_EQ(scan.results[0].version, version);
            EXPECT_EQ(scan.results[0].confidence, 100);
            EXPECT_EQ(scan.results[0].barsColour, 1);
            ExpectUprightCorners(scan.results[0], s.quietZone, s.moduleSize, 4 * version + 17);
        }
    }
}

TEST(QRRoundTrip, EveryVersionAtLevelQ) {
    // The capacity and alignment tables of every version, with blocks of two lengths where they exist.
    for (int version = 1; version <= 40; ++version) {
        QrSymbol s;
        s.data = std::string(static_cast<std::size_t>(version) * 7, 'x');
        s.version = version;
        s.level = kQ;
        s.moduleSize = 2;
        Scan scan(QrPicture(s), 1);
        ASSERT_EQ(scan.results.size(), 1u) << version;
        EXPECT_EQ(scan.Text(), s.data) << version;
    }
}

TEST(QRRoundTrip, EveryMask) {
    for (int mask = 0; mask < 8; ++mask) {
        QrSymbol s;
        s.data = "mask " + std::to_string(mask);
        s.version = 3;
        s.mask = mask;
        Scan scan(QrPicture(s));
        EXPECT_EQ(scan.Text(), s.data) << mask;
    }
}

TEST(QRRoundTrip, NumericAlphanumericByteAndKanjiData) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"01234567890123456789012345678901234567", DATA_MODE},
        {"HTTP://EXAMPLE.ORG/A-B $%*+./:", DATA_MODE},
        {std::string("zero\0byte", 9), DATA_MODE},
        {AllBytes(), DATA_MODE},
        {"\xe6\xbc\xa2\xe5\xad\x97\xe3\x81\x82", UNICODE_MODE},  // Kanji characters as UTF-8
    };
    for (const auto &[data, mode] : cases) {
        QrSymbol s;
        s.data = data;
        s.inputMode = mode;
        s.moduleSize = 3;
        Scan scan(QrPicture(s));
        ASSERT_EQ(scan.results.size(), 1u) << scan.status;
        if (mode == DATA_MODE) {
            EXPECT_EQ(scan.Text(), data);
            EXPECT_EQ(scan.results[0].length, data.size());
        } else {
            // Shift JIS of U+6F22 U+5B57 U+3042.
            EXPECT_EQ(scan.Text(), "\x8a\xbf\x8e\x9a\x82\xa0");
        }
    }
}

TEST(QRRoundTrip, ModuleSizesFromTwoToEightPixels) {
    for (int module = 2; module <= 8; ++module) {
        QrSymbol s;
        s.data = "module " + std::to_string(module);
        s.version = 4;
        s.moduleSize = module;
        Scan scan(QrPicture(s));
        EXPECT_EQ(scan.Text(), s.data) << module;
    }
}

TEST(QRRoundTrip, QuarterTurnsKeepTheCornerOrderOfTheSymbol) {
    QrSymbol s;
    s.data = "turned";
    s.version = 2;
    s.moduleSize = 4;
    const Raster upright = QrPicture(s);
    for (int turns = 0; turns < 4; ++turns) {
        Scan scan(zr::test::RotateQuarter(upright, turns));
        ASSERT_EQ(scan.results.size(), 1u) << turns;
        EXPECT_EQ(scan.Text(), s.data);
        // Corner 0 is the corner finder's outer corner wherever it lies: rotate it back.
        const double c = (upright.width - 1) / 2.0;
        double x = scan.results[0].corners[0] - c, y = scan.results[0].corners[1] - c;
        for (int t = 0; t < turns; ++t) {
            const double nx = -y, ny = x;  // a quarter turn clockwise on the picture
            x = nx;
            y = ny;
        }
        EXPECT_NEAR(x + c, 16, 2) << turns;
        EXPECT_NEAR(y + c, 16, 2) << turns;
    }
}

TEST(QRRoundTrip, ArbitraryRotations) {
    QrSymbol s;
    s.data = "rotated symbol";
    s.version = 3;
    s.moduleSize = 6;
    const Raster upright = QrPicture(s);
    for (double degrees : {5.0, 20.0, 45.0, 160.0, 300.0}) {
        Scan scan(zr::test::Rotate(upright, degrees, false));
        EXPECT_EQ(scan.Text(), s.data) << degrees << " status " << scan.status;
    }
}

TEST(QRRoundTrip, LightOnDarkFollowsScanFlags) {
    QrSymbol s;
    s.data = "inverse";
    s.moduleSize = 4;
    const Raster dark = QrPicture(s);
    const Raster light = zr::test::Invert(dark);
    Scan asGiven(light, 8, 1);
    EXPECT_TRUE(asGiven.results.empty());
    Scan inverted(light, 8, 2);
    ASSERT_EQ(inverted.results.size(), 1u);
    EXPECT_EQ(inverted.results[0].barsColour, 2);
    Scan both(light, 8, 3);
    ASSERT_EQ(both.results.size(), 1u);
    EXPECT_EQ(both.Text(), s.data);
    EXPECT_EQ(both.results[0].barsColour, 2);
    Scan darkOnly(dark, 8, 2);
    EXPECT_TRUE(darkOnly.results.empty());
}

TEST(QRRoundTrip, OneEightAndTwentyFourBitPictures) {
    QrSymbol s;
    s.data = "depth";
    s.moduleSize = 3;
    const Raster picture = QrPicture(s);
    for (int bits : {1, 8, 24}) {
        Scan scan(picture, bits);
        EXPECT_EQ(scan.Text(), s.data) << bits;
    }
}

TEST(QRRoundTrip, ThreeSymbolsWithRoomForTwo) {
    Raster canvas = Canvas(700, 300);
    for (int i = 0; i < 3; ++i) {
        QrSymbol s;
        s.data = "symbol " + std::to_string(i);
        s.moduleSize = 4;
        Paste(canvas, QrPicture(s), 20 + 230 * i, 40);
    }
    Scan all(canvas);
    EXPECT_EQ(all.results.size(), 3u);
    Scan two(canvas, 8, 3, 2);
    ASSERT_EQ(two.results.size(), 2u);
    EXPECT_NE(two.Text(0), two.Text(1));
}

// Flips every bit of the given codewords (de-interleaved numbers from 1) in a module raster.
void DamageCodewords(Raster &modules, int version, int level, const std::vector<int> &codewords) {
    BlockLayout layout;
    ASSERT_TRUE(LookUpBlocks(version, level, layout));
    std::vector<int> order;
    InterleaveOrder(order, layout);
    ModuleMap map;
    PlaceCodewordBits(order, version, map);
    for (int j = 0; j < map.Size(); ++j)
        for (int i = 0; i < map.Size(); ++i) {
            const int code = map.At(j, i);
            if (code < 1) continue;
            for (int c : codewords)
                if (code / 10 == c) modules.at(j, i) = static_cast<std::uint8_t>(255 - modules.at(j, i));
        }
}

TEST(QRCorrection, DamageUpToTheCapacityAndOneBeyond) {
    QrSymbol s;
    s.data = "damaged";
    s.version = 1;
    s.level = kM;  // one block of 26 codewords, 10 for correction
    const Raster clean = QrModules(s);
    for (int damaged = 0; damaged <= 6; ++damaged) {
        std::vector<int> codewords;
        for (int c = 0; c < damaged; ++c) codewords.push_back(3 + 4 * c);
        Raster modules = clean;
        DamageCodewords(modules, 1, 0, codewords);
        Scan scan(zr::test::ExpandModules(modules, 4, 0, 4), 8, 1);
        if (damaged <= 5) {
            ASSERT_EQ(scan.results.size(), 1u) << damaged;
            EXPECT_EQ(scan.Text(), s.data);
            EXPECT_EQ(scan.results[0].confidence,
                      static_cast<int>(std::trunc(100.0 * (26 - damaged) / 26 + 0.5)));
        } else {
            EXPECT_TRUE(scan.results.empty());
            EXPECT_EQ(scan.status, ZR_QR_CORRECTION_FAILED);
        }
    }
}

TEST(QRCorrection, SeveralBlocksEachAtItsCapacity) {
    QrSymbol s;
    s.data = "Version 5-Q has four blocks of 18 check codewords";
    s.version = 5;
    s.level = kQ;
    Raster modules = QrModules(s);
    BlockLayout layout;
    ASSERT_TRUE(LookUpBlocks(5, 3, layout));
    std::vector<int> codewords;
    for (int j = 0; j < layout.blocks; ++j)
        for (int e = 0; e < 9; ++e) codewords.push_back(1 + layout.DataStart(j) + e);
    DamageCodewords(modules, 5, 3, codewords);
    Scan scan(zr::test::ExpandModules(modules, 3, 0, 4));
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(scan.Text(), s.data);
    EXPECT_EQ(scan.results[0].confidence, static_cast<int>(std::trunc(100.0 * (134 - 36) / 134 + 0.5)));
}

TEST(QRFormat, ThreeFlippedBitsInBothCopies) {
    QrSymbol s;
    s.data = "format";
    s.version = 2;
    s.mask = 5;
    Raster modules = QrModules(s);
    const int n = modules.width;
    for (auto [j, i] : {std::pair{8, 0}, std::pair{8, 7}, std::pair{2, 8}, std::pair{n - 1, 8},
                        std::pair{n - 5, 8}, std::pair{8, n - 2}})
        modules.at(j, i) = static_cast<std::uint8_t>(255 - modules.at(j, i));
    Scan scan(zr::test::ExpandModules(modules, 4, 0, 4));
    EXPECT_EQ(scan.Text(), s.data);
}

TEST(QRFormat, ABrokenPrimaryCopyFallsBackToTheSecondary) {
    QrSymbol s;
    s.data = "secondary";
    s.version = 2;
    s.mask = 3;
    Raster modules = QrModules(s);
    for (int k = 0; k <= 5; ++k) modules.at(8, k) = static_cast<std::uint8_t>(255 - modules.at(8, k));
    Scan scan(zr::test::ExpandModules(modules, 4, 0, 4));
    EXPECT_EQ(scan.Text(), s.data);
}

}  // namespace
}  // namespace zr::qr::test
