// The PDF417 second look: symbols whose first look fails read by default,
// added after the first look's results, and no reads from noise.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "scan_util.hpp"

namespace zr::test {
namespace {

constexpr std::uint8_t kFirstLookOnly = 15 | ZR_PDF417_FIRST_LOOK_ONLY;

Raster Symbol(const std::string &data, int moduleSize, int quietModules) {
    Pdf417Options o;
    o.data = data;
    o.columns = 3;
    o.level = 2;
    o.moduleSize = moduleSize;
    o.quietZone = quietModules;
    return RenderPdf417(o).picture;
}

// Symbols drawn with the quiet zone ISO/IEC 15438 sets (2 modules) and a
// little more, up to the picture's edge: the first look drops the rows that
// begin on more than two pixels of background.
TEST(Pdf417SecondLook, StandardQuietZonesAtThePicturesEdge) {
    const std::string data = "Hello PDF417 world 12345";
    for (int scale = 1; scale <= 3; ++scale) {
        for (int quiet = 2; quiet <= 4; ++quiet) {
            const Raster picture = Symbol(data, scale, quiet);
            const Pdf417Scan scan = ScanPdf417(picture);
            EXPECT_EQ(scan.status, 0);
            ASSERT_EQ(scan.results.size(), 1u) << "scale " << scale << " quiet zone " << quiet;
            EXPECT_EQ(TextOf(scan.results[0]), data);
            EXPECT_EQ(scan.results[0].confidence, 100);
            // Margins of three pixels up to about three modules are beyond the first look.
            const bool firstLookReads = scale * quiet < 3 || scale * quiet > 3 * scale;
            EXPECT_EQ(ScanPdf417(picture, kFirstLookOnly).results.size(), firstLookReads ? 1u : 0u)
                << "scale " << scale << " quiet zone " << quiet;
        }
    }
    // Turned a quarter: the vertical pass, read from either end.
    const Raster turned = RotateQuarter(Symbol(data, 2, 2), 1);
    EXPECT_TRUE(ScanPdf417(turned, kFirstLookOnly).results.empty());
    const Pdf417Scan scan = ScanPdf417(turned);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(TextOf(scan.results[0]), data);
}

// One symbol the first look reads, one at the picture's edge only the second
// look reads: the first look's result comes first, and a full list says so.
TEST(Pdf417SecondLook, ResultsComeAfterTheFirstLooksWithinTheList) {
    const Raster edge = Symbol("At the edge", 2, 2);
    const Raster inside = Symbol("Wide quiet zone", 2, 10);
    Raster canvas = Canvas(edge.width + inside.width, std::max(edge.height, inside.height), 255);
    Paste(canvas, edge, 0, 0);
    Paste(canvas, inside, edge.width, 0);
    const Pdf417Scan first = ScanPdf417(canvas, kFirstLookOnly);
    ASSERT_EQ(first.results.size(), 1u);
    EXPECT_EQ(TextOf(first.results[0]), "Wide quiet zone");
    const Pdf417Scan both = ScanPdf417(canvas);
    EXPECT_EQ(both.status, 0);
    ASSERT_EQ(both.results.size(), 2u);
    EXPECT_EQ(TextOf(both.results[0]), "Wide quiet zone");
    EXPECT_EQ(TextOf(both.results[1]), "At the edge");
    const Pdf417Scan one = ScanPdf417(canvas, 15, 3, 1);
    EXPECT_EQ(one.status, ZR_ERR_LIST_FULL);
    ASSERT_EQ(one.results.size(), 1u);
    EXPECT_EQ(TextOf(one.results[0]), "Wide quiet zone");
}

// Dark blocks a few modules beside the start and stop patterns: the first
// look takes them for the quiet zones and the symbol for light bars; the
// second look tries dark bars too and measures the symbol between its
// patterns, so its corners leave the blocks out.
TEST(Pdf417SecondLook, DarkPrintCloserThanTheFirstLooksQuietZone) {
    const std::string data = "Hello PDF417 world 12345";
    constexpr int kScale = 2, kBlock = 30, kBelow = 20;
    const Raster symbol = Symbol(data, kScale, 0);
    for (const int gapModules : {2, 4, 8}) {
        const int gap = gapModules * kScale;
        Raster canvas = Canvas(symbol.width + 2 * (gap + kBlock), symbol.height + 2 * kBelow, 255);
        Paste(canvas, symbol, kBlock + gap, kBelow);
        for (int y = 0; y < canvas.height; ++y) {
            for (int x = 0; x < kBlock; ++x) canvas.at(x, y) = canvas.at(canvas.width - 1 - x, y) = 0;
        }
        EXPECT_TRUE(ScanPdf417(canvas, kFirstLookOnly).results.empty()) << gapModules;
        const Pdf417Scan scan = ScanPdf417(canvas);
        ASSERT_EQ(scan.results.size(), 1u) << gapModules;
        EXPECT_EQ(TextOf(scan.results[0]), data);
        const std::int32_t *c = scan.results[0].corners;
        EXPECT_EQ(c[0], kBlock + gap) << gapModules;                 // start side
        EXPECT_EQ(c[2], kBlock + gap + symbol.width) << gapModules;  // stop side, just past the last bar
    }
}

// Symbol rows blanked out (module 2, row height 4, quiet zone 10).
Raster WithRowsBlanked(const Raster &picture, int first, int end) {
    Raster out = picture;
    constexpr int kMargin = 20, kRowPixels = 8;
    for (int y = kMargin + first * kRowPixels; y < kMargin + end * kRowPixels; ++y) {
        for (int x = 0; x < out.width; ++x) out.at(x, y) = 255;
    }
    return out;
}

// Level 2 has 8 check words: 3 errors, or 7 erasures. Two rows of three data
// codewords lost at the bottom are 6 errors for the first look and 6 erasures
// for the second. (Rows lost in the middle end the corner trace there; rows
// lost at the top are not yet read this way.)
TEST(Pdf417SecondLook, RowsLostAreErasures) {
    const std::string data = "Rows lost at the bottom of the symbol";
    Pdf417Options o;
    o.data = data;
    o.columns = 3;
    o.level = 2;
    o.rowHeight = 4;
    const Pdf417Symbol s = RenderPdf417(o);
    ASSERT_GE(s.rows, 10);
    const Raster picture = WithRowsBlanked(s.picture, s.rows - 2, s.rows);
    EXPECT_TRUE(ScanPdf417(picture, kFirstLookOnly).results.empty());
    const Pdf417Scan scan = ScanPdf417(picture);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(TextOf(scan.results[0]), data);
    EXPECT_LT(scan.results[0].confidence, 100);
    // Three rows are nine erasures: beyond the correction, nothing is reported.
    EXPECT_TRUE(ScanPdf417(WithRowsBlanked(s.picture, s.rows - 3, s.rows)).results.empty());
}

// Noise and stripes up to the picture's edge give the second look candidates
// but never a read.
TEST(Pdf417SecondLook, NothingFromNoiseOrStripesAtTheEdge) {
    std::mt19937 random(7);
    for (int k = 0; k < 6; ++k) {
        Raster noise = Canvas(400, 300, 255);
        for (auto &p : noise.pixels) p = random() % (k % 2 == 0 ? 2 : 5) == 0 ? 0 : 255;
        EXPECT_TRUE(ScanPdf417(noise).results.empty()) << k;
    }
    Raster stripes = Canvas(400, 300, 255);
    for (int y = 0; y < stripes.height; ++y) {
        for (int x = 4; x < stripes.width; ++x) stripes.at(x, y) = (x / (1 + x % 7)) % 2 == 0 ? 0 : 255;
    }
    EXPECT_TRUE(ScanPdf417(stripes).results.empty());
}

}  // namespace
}  // namespace zr::test
