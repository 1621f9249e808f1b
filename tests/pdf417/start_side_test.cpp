// Symbols without a stop pattern, which only the second look reads from the
// start pattern: compact symbols (one-module stop, no right row indicator) and
// symbols cut on their stop side by the picture's edge; nothing from print
// that only begins like a symbol.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "scan_util.hpp"

namespace zr::test {
namespace {

constexpr std::uint8_t kFirstLookOnly = 15 | ZR_PDF417_FIRST_LOOK_ONLY;

// The left `keep` pixels of every row.
Raster LeftPart(const Raster &picture, int keep) {
    Raster part = Canvas(keep, picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < keep; ++x) part.at(x, y) = picture.at(x, y);
    }
    return part;
}

TEST(Pdf417StartSide, CompactSymbolsOfOneToFourColumns) {
    for (int columns = 1; columns <= 4; ++columns) {
        const std::string data = "Compact " + std::to_string(columns) + " columns";
        Pdf417Options o;
        o.data = data;
        o.columns = columns;
        o.level = 2;
        o.compact = true;
        const Pdf417Symbol symbol = RenderPdf417(o);
        ASSERT_FALSE(symbol.picture.empty());
        EXPECT_TRUE(ScanPdf417(symbol.picture, kFirstLookOnly).results.empty()) << columns;
        // Along both passes: rows across the picture and down it.
        for (const int turns : {0, 3}) {
            const Pdf417Scan scan = ScanPdf417(RotateQuarter(symbol.picture, turns));
            EXPECT_EQ(scan.status, 0);
            EXPECT_EQ(scan.results.size(), 1u) << columns << " columns, " << turns << " quarter turns";
            if (scan.results.size() != 1) continue;
            EXPECT_EQ(TextOf(scan.results[0]), data);
            EXPECT_EQ(scan.results[0].confidence, 100);
            EXPECT_EQ(scan.results[0].columns, columns + 2);
            EXPECT_EQ(scan.results[0].rows, symbol.rows);
        }
    }
}

// A symbol of four data columns cut by the picture's edge one and two
// columns in (with its right row indicator and stop pattern), and halfway
// through a column: the codewords it does not show are erasures.
TEST(Pdf417StartSide, SymbolsCutByThePicturesEdge) {
    const std::string data = "Cut by the edge of the picture";
    Pdf417Options o;
    o.data = data;
    o.columns = 4;
    o.level = 5;
    o.quietZone = 4;
    o.moduleSize = 2;
    const Pdf417Symbol symbol = RenderPdf417(o);
    ASSERT_FALSE(symbol.picture.empty());
    const int module = o.moduleSize;
    const int stopSide = (18 + 17) * module + o.quietZone * module;
    for (const int lost : {1, 2}) {
        for (const int extra : {0, 8}) {  // modules of the next column still shown
            const int keep = symbol.picture.width - stopSide - 17 * module * lost + extra * module;
            const Raster cut = LeftPart(symbol.picture, keep);
            EXPECT_TRUE(ScanPdf417(cut, kFirstLookOnly).results.empty()) << lost;
            const Pdf417Scan scan = ScanPdf417(cut);
            ASSERT_EQ(scan.results.size(), 1u) << lost << " columns cut, " << extra << " modules more";
            EXPECT_EQ(TextOf(scan.results[0]), data);
            EXPECT_EQ(scan.results[0].columns, 6);  // as the row indicators give it
            EXPECT_LT(scan.results[0].confidence, 100);
            // Cut at the bottom: the vertical pass.
            const Pdf417Scan turned = ScanPdf417(RotateQuarter(cut, 3));
            ASSERT_EQ(turned.results.size(), 1u) << lost;
            EXPECT_EQ(TextOf(turned.results[0]), data);
        }
    }
    // Three columns cut leave more erasures than the check words can take.
    const Raster tooMuch = LeftPart(symbol.picture, symbol.picture.width - stopSide - 17 * module * 3);
    EXPECT_TRUE(ScanPdf417(tooMuch).results.empty());
}

// A start pattern followed by random bars and by the rows of another symbol
// shuffled: the second look measures them and finds nothing to report.
TEST(Pdf417StartSide, NothingFromPrintAfterAStartPattern) {
    Pdf417Options o;
    o.data = "Rows shuffled";
    o.columns = 3;
    o.level = 2;
    o.compact = true;
    const Pdf417Symbol symbol = RenderPdf417(o);
    ASSERT_FALSE(symbol.picture.empty());
    const int module = o.moduleSize;
    const int firstColumn = (o.quietZone + 17) * module;
    const int rowPixels = o.rowHeight * module;
    const int end = symbol.picture.width - o.quietZone * module;
    std::mt19937 random(7);
    for (int trial = 0; trial < 6; ++trial) {
        Raster picture = symbol.picture;
        for (int y = o.quietZone * module; y + rowPixels <= picture.height - o.quietZone * module;
             y += rowPixels) {
            // Random modules after the start pattern, or another row's codewords shifted off their places.
            const int other = o.quietZone * module + rowPixels * static_cast<int>(random() % symbol.rows);
            const int shift = module * static_cast<int>(1 + random() % 16);
            for (int x = firstColumn; x < end; x += module) {
                const int from = firstColumn + (x - firstColumn + shift) % (end - firstColumn);
                const std::uint8_t noise = random() % 2 ? 255 : 0;
                const std::uint8_t grey = trial % 2 == 0 ? noise : symbol.picture.at(from, other);
                for (int dy = 0; dy < rowPixels; ++dy) {
                    for (int dx = 0; dx < module; ++dx) picture.at(x + dx, y + dy) = grey;
                }
            }
        }
        EXPECT_TRUE(ScanPdf417(picture).results.empty()) << trial;
    }
}

}  // namespace
}  // namespace zr::test
