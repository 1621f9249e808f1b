// The grey look on symbols printed without their stop pattern and with a
// start pattern shorter than the rows: the columns come from the left row
// indicators, the lines past the start pattern's ends are placed by them,
// and the start side is fitted again from the lines read. Nothing from a
// start pattern followed by print that is no symbol's.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "pdf417/grey_look.hpp"
#include "scan_util.hpp"

namespace zr::test {
namespace {

constexpr std::uint8_t kFirstLookOnly = 15 | ZR_PDF417_FIRST_LOOK_ONLY;
constexpr int kQuiet = 8;  // modules

struct Damage {
    bool stopPattern = false;         // the stop pattern painted over
    double keepFrom = 0, keepTo = 1;  // the part of the start pattern's height left
};

// A symbol of `columns` data columns at `moduleSize` pixels a module, with the damage done.
Pdf417Symbol DamagedSymbol(const std::string &data, int columns, int level, int moduleSize, const Damage &d) {
    Pdf417Options o;
    o.data = data;
    o.columns = columns;
    o.level = level;
    o.moduleSize = moduleSize;
    o.quietZone = kQuiet;
    Pdf417Symbol symbol = RenderPdf417(o, true);
    Raster &p = symbol.picture;
    if (p.empty()) return symbol;
    const int left = kQuiet * moduleSize, top = kQuiet * moduleSize;
    const int height = symbol.rows * o.rowHeight * moduleSize;
    const int stop = left + 17 * (columns + 3) * moduleSize;
    for (int y = top; y < top + height; ++y) {
        const double at = static_cast<double>(y - top) / height;
        if (at < d.keepFrom || at >= d.keepTo)
            for (int x = left; x < left + 17 * moduleSize; ++x) p.at(x, y) = 255;
        if (d.stopPattern)
            for (int x = stop; x < p.width; ++x) p.at(x, y) = 255;
    }
    return symbol;
}

// Without a stop pattern and with the start pattern on the middle third of
// the rows (as printed by some labellers), upright and turned: read with
// the columns and rows drawn; the first look reads none of them.
TEST(Pdf417GreyShortStart, NoStopPatternAndAShortStartPattern) {
    for (const int columns : {2, 4}) {
        const std::string data = "No stop pattern, " + std::to_string(columns) + " columns";
        const Pdf417Symbol symbol = DamagedSymbol(data, columns, 3, 2, {true, 1.0 / 3, 2.0 / 3});
        ASSERT_FALSE(symbol.picture.empty());
        for (const double angle : {0.0, 12.0, -30.0, 180.0}) {
            const Raster picture = Rotate(symbol.picture, angle, true);
            EXPECT_TRUE(ScanPdf417(picture, kFirstLookOnly).results.empty()) << columns << " at " << angle;
            const Pdf417Scan scan = ScanPdf417(picture);
            ASSERT_EQ(scan.results.size(), 1u) << columns << " at " << angle;
            EXPECT_EQ(TextOf(scan.results[0]), data);
            EXPECT_EQ(scan.results[0].columns, columns + 2);
            EXPECT_EQ(scan.results[0].rows, symbol.rows);
            EXPECT_EQ(scan.results[0].ecLevel, 3);
        }
    }
}

// The stop pattern kept, the start pattern on a quarter of the rows near
// the top, at 2 and 3 pixels a module: the stop side is found along the
// refitted start side.
TEST(Pdf417GreyShortStart, ShortStartPatternWithItsStopPattern) {
    const std::string data = "Short start pattern 0123456789";
    for (const int moduleSize : {2, 3}) {
        const Pdf417Symbol symbol = DamagedSymbol(data, 3, 3, moduleSize, {false, 0.2, 0.45});
        ASSERT_FALSE(symbol.picture.empty());
        for (const double angle : {0.0, -30.0}) {
            const Pdf417Scan scan = ScanPdf417(Rotate(symbol.picture, angle, true));
            ASSERT_EQ(scan.results.size(), 1u) << moduleSize << " at " << angle;
            EXPECT_EQ(TextOf(scan.results[0]), data);
            EXPECT_EQ(scan.results[0].columns, 5);
        }
    }
}

// Start patterns at 2 pixels a module on rows of 6 pixels, each followed by
// bars and spaces of random widths: print that only begins like a symbol.
Raster StartPatternThenPrint() {
    std::mt19937 random(5);
    Raster print = Canvas(300, 120);
    const auto paint = [&print](int x, int y, int width) {
        for (int k = 0; k < width && x + k < print.width; ++k)
            for (int r = 0; r < 6; ++r) print.at(x + k, y + r) = 0;
    };
    for (int y = 20; y < 100; y += 6) {
        int x = 20;
        bool bar = true;
        for (const int w : {8, 1, 1, 1, 1, 1, 1, 3}) {  // the start pattern, 2 pixels a module
            if (bar) paint(x, y, 2 * w);
            x += 2 * w, bar = !bar;
        }
        for (bar = true; x < 250; bar = !bar) {
            const int w = 2 * static_cast<int>(1 + random() % 6);
            if (bar) paint(x, y, std::min(w, 250 - x));
            x += w;
        }
    }
    return print;
}

// A start pattern followed by print that only looks like codewords, and a
// symbol without its stop pattern whose data columns are painted over in
// most rows: nothing is reported.
TEST(Pdf417GreyShortStart, NoReadsFromPrintAfterAStartPatternOrDamagedSymbols) {
    const Raster print = StartPatternThenPrint();
    EXPECT_TRUE(ScanPdf417(print).results.empty());
    EXPECT_TRUE(ScanPdf417(Rotate(print, 20, true)).results.empty());

    Pdf417Symbol damaged = DamagedSymbol("Damaged past correction", 3, 2, 2, {true, 0.3, 0.7});
    ASSERT_FALSE(damaged.picture.empty());
    ASSERT_EQ(ScanPdf417(damaged.picture).results.size(), 1u);
    Raster &p = damaged.picture;
    const int from = (kQuiet + 34) * 2, to = (kQuiet + 17 * 5) * 2;
    for (int y = kQuiet * 2 + 6; y < p.height - kQuiet * 2; ++y)
        for (int x = from; x < to; ++x) p.at(x, y) = (x / 2 + y / 6) % 3 == 0 ? 0 : 255;
    EXPECT_TRUE(ScanPdf417(p).results.empty());
}

}  // namespace
}  // namespace zr::test

namespace zr::pdf417 {
namespace {

// The stages on a symbol without its stop pattern turned 30 degrees, its
// start pattern on a third of its rows: the rows' direction from the
// refitted side, the columns from the left row indicators, and the
// codewords read but for one or two.
TEST(Pdf417GreyShortStartStages, ColumnsFromTheLeftIndicatorsAndTheRefittedSide) {
    const test::Pdf417Symbol drawn =
        test::DamagedSymbol("Stages without a stop pattern", 4, 3, 3, {true, 1.0 / 3, 2.0 / 3});
    ASSERT_FALSE(drawn.picture.empty());
    const test::Raster turned = test::Rotate(drawn.picture, -30, true);
    GreyPlane plane;
    plane.width = turned.width;
    plane.height = turned.height;
    plane.levels = turned.pixels;
    const Rect whole{0, 0, plane.width, plane.height};
    GreyWork work;
    MapContrast(plane, 20, work);
    std::vector<GreySide> sides;
    FindGreySides(plane, ScanSettings{whole, kBothBarColors, false}, ZR_PDF417_ALL_DIRECTIONS, work, sides);
    ASSERT_FALSE(sides.empty());
    MeasuredSymbol symbol;
    SymbolRows rows;
    ASSERT_EQ(ReadGreyRows(plane, whole, sides.front(), work, symbol, rows), SymbolOutcome::kRead);
    EXPECT_NEAR(symbol.direction.angle, 330, 0.5);
    EXPECT_EQ(symbol.metrics.columns, drawn.columns + 2);
    EXPECT_EQ(rows.rows, drawn.rows);
    EXPECT_EQ(rows.level, 3);
    ASSERT_EQ(rows.codewords.size(), drawn.codewords.size());
    int wrong = 0;
    for (std::size_t i = 0; i < rows.codewords.size(); ++i) wrong += rows.codewords[i] != drawn.codewords[i];
    EXPECT_LE(wrong, 2);

    // Print after start patterns: a start side, but no rows.
    const test::Raster print = test::StartPatternThenPrint();
    GreyPlane printPlane;
    printPlane.width = print.width;
    printPlane.height = print.height;
    printPlane.levels = print.pixels;
    const Rect printArea{0, 0, print.width, print.height};
    MapContrast(printPlane, 20, work);
    FindGreySides(printPlane, ScanSettings{printArea, kBothBarColors, false}, ZR_PDF417_ALL_DIRECTIONS, work,
                  sides);
    ASSERT_FALSE(sides.empty());
    for (const GreySide &side : sides)
        EXPECT_EQ(ReadGreyRows(printPlane, printArea, side, work, symbol, rows), SymbolOutcome::kUnreadable);
}

}  // namespace
}  // namespace zr::pdf417
