// The grey look: symbols of 1.5 pixels a module that are blurred, noisy,
// JPEG-compressed, faint or turned, which the bi-level looks miss, read by
// default and not by the first look alone; its stages on their own (the
// start side's direction and module, the rows, columns and level read); and
// nothing from noise or from a symbol damaged past correction.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "pdf417/grey_look.hpp"
#include "scan_util.hpp"
#include "support/jpeg_round_trip.hpp"

namespace zr::test {
namespace {

constexpr std::uint8_t kFirstLookOnly = 15 | ZR_PDF417_FIRST_LOOK_ONLY;
const std::string kData = "Grey look 0123456789";

// A 3-column symbol at 1.5 pixels a module: drawn at 3 and halved bilinearly.
Raster SmallSymbol(int level = 2, int quietModules = 6) {
    Pdf417Options o;
    o.data = kData;
    o.columns = 3;
    o.level = level;
    o.moduleSize = 3;
    o.quietZone = quietModules;
    return Scale(RenderPdf417(o).picture, 0.5, 0.5, true);
}

struct Condition {
    const char *name;
    std::function<Raster(const Raster &)> apply;
};

const std::vector<Condition> &Conditions() {
    static const std::vector<Condition> conditions = {
        {"sharp", [](const Raster &r) { return r; }},
        {"blurred", [](const Raster &r) { return Blur(r, 0.7); }},
        {"blurred and noisy", [](const Raster &r) { return AddNoise(Blur(r, 0.6), 20, 3); }},
        {"JPEG 70", [](const Raster &r) { return JpegRoundTrip(r, 70); }},
        {"faint", [](const Raster &r) { return Remap(r, 100, 160); }},
        {"blurred and JPEG", [](const Raster &r) { return JpegRoundTrip(Blur(r, 0.7), 70); }},
        {"turned 30", [](const Raster &r) { return Rotate(r, 30, true); }},
        {"turned 30, blurred", [](const Raster &r) { return Blur(Rotate(r, 30, true), 0.7); }},
        {"turned 150", [](const Raster &r) { return Rotate(r, 150, true); }},
        {"light bars", [](const Raster &r) { return Invert(Blur(r, 0.7)); }},
    };
    return conditions;
}

TEST(Pdf417GreyLook, SmallSoftAndTurnedSymbolsReadOnlyBeyondTheFirstLook) {
    const Raster symbol = SmallSymbol();
    for (const Condition &c : Conditions()) {
        const Raster picture = c.apply(symbol);
        ASSERT_FALSE(picture.empty()) << c.name;
        EXPECT_TRUE(ScanPdf417(picture, kFirstLookOnly).results.empty()) << c.name;
        const Pdf417Scan scan = ScanPdf417(picture);
        EXPECT_EQ(scan.status, 0) << c.name;
        ASSERT_EQ(scan.results.size(), 1u) << c.name;
        EXPECT_EQ(TextOf(scan.results[0]), kData) << c.name;
        EXPECT_EQ(scan.results[0].columns, 5) << c.name;
        EXPECT_EQ(scan.results[0].ecLevel, 2) << c.name;
    }
}

// Twelve and sixteen data columns at 1.35 pixels a module, blurred: codewords
// inside the symbol that look like a stop pattern on some probes must not
// cut it short.
TEST(Pdf417GreyLook, WideSymbolsAreMeasuredToTheirOwnStopPattern) {
    for (const int columns : {12, 16}) {
        Pdf417Options o;
        o.data = "Wide symbols at one and a half pixels a module: " + std::to_string(columns);
        o.columns = columns;
        o.level = 3;
        o.moduleSize = 3;
        o.quietZone = 6;
        const Raster picture = Blur(Scale(RenderPdf417(o).picture, 0.45, 0.45, true), 0.6);
        EXPECT_TRUE(ScanPdf417(picture, kFirstLookOnly).results.empty()) << columns;
        const Pdf417Scan scan = ScanPdf417(picture);
        ASSERT_EQ(scan.results.size(), 1u) << columns;
        EXPECT_EQ(TextOf(scan.results[0]), o.data);
        EXPECT_EQ(scan.results[0].columns, columns + 2);
    }
}

// At 24 bits the grey levels come from the first look's preparation.
TEST(Pdf417GreyLook, ColourPicturesUseTheGreyTheFirstLookKept) {
    const Raster picture = Blur(SmallSymbol(), 0.7);
    const Pdf417Scan scan = ScanPdf417(picture, 15, 3, 20, 24);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(TextOf(scan.results[0]), kData);
}

// The result's corners and angle: a symbol turned 30 degrees reads at 30
// degrees, its outline round the symbol's middle.
TEST(Pdf417GreyLook, TurnedSymbolsReportTheirAngleAndOutline) {
    const Raster upright = SmallSymbol();
    const Raster turned = Rotate(upright, 30, true);
    const Pdf417Scan scan = ScanPdf417(turned);
    ASSERT_EQ(scan.results.size(), 1u);
    const ZrPDF417Result &r = scan.results[0];
    EXPECT_NEAR(r.angle, 30, 2);
    double cx = 0, cy = 0;
    for (int k = 0; k < 4; ++k) cx += r.corners[2 * k] / 4.0, cy += r.corners[2 * k + 1] / 4.0;
    EXPECT_NEAR(cx, turned.width / 2.0, 4);
    EXPECT_NEAR(cy, turned.height / 2.0, 4);
}

// Noise of every amplitude, flat ground and a symbol whose middle rows are
// painted over beyond what its check words correct: nothing is reported.
TEST(Pdf417GreyLook, NoReadsFromNoiseOrUncorrectableSymbols) {
    for (const double amplitude : {10.0, 40.0, 127.0}) {
        const Raster noise = AddNoise(Canvas(400, 300, 128), amplitude, 11);
        EXPECT_TRUE(ScanPdf417(noise).results.empty()) << amplitude;
    }
    EXPECT_TRUE(ScanPdf417(AddNoise(Canvas(400, 300, 225), 6, 2)).results.empty());
    Raster damaged = Blur(SmallSymbol(1), 0.7);
    const int third = damaged.height / 3;
    for (int y = third; y < 2 * third; ++y)
        for (int x = damaged.width / 3; x < damaged.width; ++x)
            damaged.at(x, y) = static_cast<std::uint8_t>((x / 2 + y) % 2 ? 255 : 0);
    EXPECT_TRUE(ScanPdf417(damaged).results.empty());
}

}  // namespace
}  // namespace zr::test

namespace zr::pdf417 {
namespace {

GreyPlane PlaneOf(const test::Raster &r) {
    GreyPlane plane;
    plane.width = r.width;
    plane.height = r.height;
    plane.levels = r.pixels;
    return plane;
}

ScanSettings WholePicture(const GreyPlane &plane) {
    ScanSettings s;
    s.area = {0, 0, plane.width, plane.height};
    return s;
}

// The start side of a symbol turned by several angles: the rows' direction
// the turn gives, a module of 1.5 pixels; then its rows, columns and level
// as drawn, the codewords read but for one or two.
TEST(Pdf417GreyStages, StartSideAndRowsOfTurnedSymbols) {
    test::Pdf417Options o;
    o.data = "Stages of the grey look";
    o.columns = 4;
    o.level = 3;
    o.moduleSize = 3;
    o.quietZone = 6;
    const test::Pdf417Symbol drawn = test::RenderPdf417(o, true);
    ASSERT_FALSE(drawn.picture.empty());
    const test::Raster small = test::Scale(drawn.picture, 0.5, 0.5, true);
    for (const double angle : {0.0, 30.0, 45.0, 200.0}) {
        const GreyPlane plane = PlaneOf(test::Blur(test::Rotate(small, angle, true), 0.6));
        GreyWork work;
        MapContrast(plane, 20, work);
        std::vector<GreySide> sides;
        FindGreySides(plane, WholePicture(plane), ZR_PDF417_ALL_DIRECTIONS, work, sides);
        ASSERT_FALSE(sides.empty()) << angle;
        const GreySide &side = sides.front();
        const double radians = angle * 3.14159265358979323846 / 180;
        // Counter-clockwise as seen: y runs down the picture.
        EXPECT_NEAR(side.along.x, std::cos(radians), 0.03) << angle;
        EXPECT_NEAR(side.along.y, -std::sin(radians), 0.03) << angle;
        EXPECT_NEAR(side.module, 1.5, 0.1) << angle;
        EXPECT_EQ(side.barColor, kDarkBars);

        MeasuredSymbol symbol;
        SymbolRows rows;
        ASSERT_EQ(ReadGreyRows(plane, WholePicture(plane).area, side, work, symbol, rows),
                  SymbolOutcome::kRead)
            << angle;
        EXPECT_EQ(rows.rows, drawn.rows) << angle;
        EXPECT_EQ(rows.dataColumns, drawn.columns) << angle;
        EXPECT_EQ(rows.level, 3) << angle;
        EXPECT_EQ(symbol.metrics.columns, drawn.columns + 2) << angle;
        EXPECT_NEAR(symbol.direction.angle, angle, 1.5) << angle;
        ASSERT_EQ(rows.codewords.size(), drawn.codewords.size()) << angle;
        int wrong = 0, unread = 0;
        for (std::size_t i = 0; i < rows.codewords.size(); ++i) {
            unread += rows.guessed[i] == 2;
            wrong += rows.guessed[i] != 2 && rows.codewords[i] != drawn.codewords[i];
        }
        // A codeword a line misread now and then: well within what the check words correct.
        EXPECT_LE(unread, 1) << angle;
        EXPECT_LE(wrong, 1) << angle;
    }
}

// Element widths in eighths of a sample between consecutive edges; a flat
// profile has neither edges nor start sides.
TEST(Pdf417GreyStages, RunsBetweenEdgesAndFlatPictures) {
    const std::vector<edges::GreyEdge> edges = {{2.0, -50}, {3.5, 50}, {10.25, -50}};
    std::vector<std::uint16_t> runs;
    GreyRuns(edges, runs);
    EXPECT_EQ(runs, (std::vector<std::uint16_t>{12, 54}));
    EXPECT_TRUE(BarAfter(edges, 0, kDarkBars));
    EXPECT_FALSE(BarAfter(edges, 1, kDarkBars));
    EXPECT_TRUE(BarAfter(edges, 1, kLightBars));

    const GreyPlane flat = PlaneOf(test::AddNoise(test::Canvas(300, 200, 200), 5, 1));
    GreyWork work;
    MapContrast(flat, 20, work);
    EXPECT_FALSE(work.anyContrast);
    std::vector<GreySide> sides(1);
    FindGreySides(flat, WholePicture(flat), ZR_PDF417_ALL_DIRECTIONS, work, sides);
    EXPECT_TRUE(sides.empty());
}

}  // namespace
}  // namespace zr::pdf417
