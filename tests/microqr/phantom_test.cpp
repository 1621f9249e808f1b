// Micro QR must not read symbols that are not there: the correction reach of
// each version and level (M1's check codewords only detect errors, the other
// versions keep their misdecode protection codewords), checked on codewords
// and on pictures of QR symbols and of finder-like marks in random modules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "micro_symbols.hpp"
#include "support/scan_with.hpp"
#include "zr/ZrMicroQR.h"

namespace {

using zr::microqr::Codewords;
using zr::test::Raster;

// Version, level, check codewords and the codewords each may correct
// (ISO/IEC 18004: (check codewords - misdecode protection codewords) / 2).
struct Reach {
    int version, level, correctable;
};
constexpr Reach kReaches[] = {{1, 0, 0}, {2, 0, 1}, {2, 1, 2}, {3, 0, 2},
                              {3, 1, 4}, {4, 0, 3}, {4, 1, 5}, {4, 2, 7}};

// A codeword of the version and level from random data codewords (M1's and
// M3-L's half codeword keeps its low nibble clear).
Codewords RandomCodeword(const Reach &r, std::mt19937 &random) {
    const zr::microqr::Capacity c = zr::microqr::MicroCapacity(r.version, r.level);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(c.DataCodewords()));
    for (auto &d : data) d = static_cast<std::uint8_t>(random());
    if (c.dataBits % 8 != 0) data.back() &= 0xF0;
    return zr::test::WithChecks(data, r.version, r.level);
}

// Changes `count` distinct codewords among the first `total`.
void Damage(Codewords &codewords, int total, int count, std::mt19937 &random) {
    std::vector<int> order(static_cast<std::size_t>(total));
    for (int i = 0; i < total; ++i) order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), random);
    for (int k = 0; k < count; ++k)
        codewords[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])] ^=
            static_cast<std::uint8_t>(1 + random() % 255);
}

TEST(MicroQRCorrection, ReachFollowsTheMisdecodeProtection) {
    std::mt19937 random(7);
    for (const Reach &r : kReaches) {
        EXPECT_EQ(zr::microqr::CorrectableCodewords(r.version, r.level), r.correctable)
            << "M" << r.version << " level " << r.level;
        const int total = zr::microqr::MicroCapacity(r.version, r.level).totalCodewords;
        for (int trial = 0; trial < 20; ++trial) {
            const Codewords clean = RandomCodeword(r, random);
            Codewords within = clean;
            Damage(within, total, r.correctable, random);
            ASSERT_EQ(zr::microqr::CorrectMicroCodewords(within, r.version, r.level), r.correctable)
                << "M" << r.version << " level " << r.level;
            EXPECT_EQ(within, clean);
            // One more wrong codeword: refused, the codewords left as read.
            Codewords beyond = clean;
            Damage(beyond, total, r.correctable + 1, random);
            const Codewords read = beyond;
            const int result = zr::microqr::CorrectMicroCodewords(beyond, r.version, r.level);
            if (result < 0) EXPECT_EQ(beyond, read);
            else EXPECT_NE(beyond, clean) << "a damaged codeword corrected beyond reach";
        }
    }
    Codewords any{};
    EXPECT_EQ(zr::microqr::CorrectMicroCodewords(any, 1, 1), -1);  // no M1-M
    EXPECT_EQ(zr::microqr::CorrectMicroCodewords(any, 5, 0), -1);
    EXPECT_EQ(zr::microqr::CorrectableCodewords(0, 0), 0);
}

TEST(MicroQRCorrection, M1ReadsOnlyWithEverySyndromeZero) {
    // Every single wrong codeword of an M1 block is refused.
    const Codewords clean = zr::test::WithChecks({0xA3, 0xDA, 0xD0}, 1, 0);
    for (int i = 0; i < 5; ++i)
        for (const int flip : {0x01, 0x80, 0xFF}) {
            Codewords one = clean;
            one[static_cast<std::size_t>(i)] ^= static_cast<std::uint8_t>(flip);
            EXPECT_EQ(zr::microqr::CorrectMicroCodewords(one, 1, 0), -1) << i << " " << flip;
        }
    Codewords same = clean;
    EXPECT_EQ(zr::microqr::CorrectMicroCodewords(same, 1, 0), 0);
}

// ---- Pictures that hold no Micro QR symbol ----

using Scan = zr::test::ScanOutcome<zr::test::MicroQRReader>;

std::string RandomText(std::mt19937 &random) {
    static constexpr char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:abcdefghijklmnop";
    std::string text(1 + random() % 24, ' ');
    const std::size_t kind = random() % 3;  // digits, upper case, anything
    const std::size_t span = kind == 0 ? 10 : kind == 1 ? 45 : sizeof kAlphabet - 1;
    for (char &c : text) c = kAlphabet[random() % span];
    return text;
}

// A QR symbol of random data, version 1 to 10, level, module size and quarter turn.
Raster RandomQrSymbol(std::mt19937 &random) {
    zr::test::SymbolOptions qr;
    qr.symbology = BARCODE_QRCODE;
    qr.data = RandomText(random);
    qr.option1 = 1 + static_cast<int>(random() % 4);
    qr.option2 = 1 + static_cast<int>(random() % 10);
    qr.moduleSize = 2 + static_cast<int>(random() % 3);
    qr.quietZone = 4;
    Raster r = zr::test::RenderSymbol(qr);
    if (r.empty()) {  // too much data for the version: libzint's choice
        qr.option2 = 0;
        r = zr::test::RenderSymbol(qr);
    }
    return zr::test::RotateQuarter(r, static_cast<int>(random() % 4));
}

// A finder pattern with its light separator at a random place in a field of
// random modules, 11 to 21 modules square.
Raster RandomFinderMark(std::mt19937 &random) {
    const int size = 11 + static_cast<int>(random() % 11);
    Raster modules = zr::test::Canvas(size, size);
    for (auto &m : modules.pixels) m = random() % 2 ? 0 : 255;
    const int x0 = static_cast<int>(random() % static_cast<unsigned>(size - 6));
    const int y0 = static_cast<int>(random() % static_cast<unsigned>(size - 6));
    for (int y = -1; y <= 7; ++y)
        for (int x = -1; x <= 7; ++x) {
            const int mx = x0 + x, my = y0 + y;
            if (mx < 0 || my < 0 || mx >= size || my >= size) continue;
            const int ring = std::max(std::abs(2 * x - 6), std::abs(2 * y - 6)) / 2;  // 0 centre .. 4 separator
            modules.at(mx, my) = ring == 2 || ring == 4 ? 255 : 0;
        }
    return zr::test::ExpandModules(modules, 2 + static_cast<int>(random() % 3), 0, 4);
}

// The reader finds nothing in any of `count` pictures from `make`, with and
// without its second look.
template <class Make>
void ExpectNothingIn(const char *what, int count, std::uint32_t seed, Make make) {
    std::mt19937 random(seed);
    int found = 0;
    for (int i = 0; i < count; ++i) {
        const Raster picture = make(random);
        ASSERT_FALSE(picture.empty()) << what << " " << i;
        for (const std::uint8_t flags : {std::uint8_t{3}, std::uint8_t{3 | ZR_MICROQR_FIRST_LOOK_ONLY}}) {
            const Scan scan = zr::test::ScanWith<zr::test::MicroQRReader>(
                picture, 8, [flags](ZrMicroQRScanner &s) { s.scanFlags = flags; });
            for (std::size_t k = 0; k < scan.results.size(); ++k, ++found)
                ADD_FAILURE() << what << " " << i << " flags " << int(flags) << ": \"" << scan.Text(k)
                              << "\" version " << int(scan.results[k].version) << " confidence "
                              << scan.results[k].confidence;
        }
    }
    EXPECT_EQ(found, 0);
}

TEST(MicroQRPhantoms, QrSymbolsGiveNoMicroQRResult) {
    ExpectNothingIn("QR symbol", 600, 20261208, RandomQrSymbol);
}

TEST(MicroQRPhantoms, FinderMarksInRandomModulesGiveNothing) {
    ExpectNothingIn("finder mark", 1500, 5120, RandomFinderMark);
}

}  // namespace
