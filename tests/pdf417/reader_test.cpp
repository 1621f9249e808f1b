// ZrPDF417 end to end on symbols drawn by libzint: data kinds, sizes, levels,
// turns, skews, colours, several symbols, damage and the documented options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "scan_util.hpp"

namespace zr::test {
namespace {

Pdf417Symbol Render(const std::string &data, int columns = 0, int level = -1, int moduleSize = 2,
                    int rowHeight = 3) {
    Pdf417Options o;
    o.data = data;
    o.columns = columns;
    o.level = level;
    o.moduleSize = moduleSize;
    o.rowHeight = rowHeight;
    return RenderPdf417(o);
}

// Reads the picture and expects exactly one symbol with this text.
void ExpectReads(const Raster &picture, const std::string &text, const std::string &what) {
    const Pdf417Scan scan = ScanPdf417(picture);
    EXPECT_EQ(scan.status, 0) << what;
    ASSERT_EQ(scan.results.size(), 1u) << what;
    EXPECT_EQ(TextOf(scan.results[0]), text) << what;
}

std::string RandomText(std::uint32_t seed, int length) {
    std::mt19937 random(seed);
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,;:-/+!?()";
    std::string s;
    for (int i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
    return s;
}

TEST(Pdf417Reader, ReadsTextBytesNumbersAndMixedData) {
    const std::string samples[] = {
        "Hello PDF417 reader",
        "12345678901234567890123456789012345678901234567890",
        std::string("\x01\x80\xff\xfe binary \x7f\x90", 14),
        "Mixed: ABC abc 123456789012345 #$%& and then some lower case text",
        "a",
    };
    for (const std::string &data : samples) {
        const Pdf417Symbol s = Render(data, 4);
        ASSERT_FALSE(s.picture.empty());
        const Pdf417Scan scan = ScanPdf417(s.picture);
        ASSERT_EQ(scan.results.size(), 1u) << data;
        // The text field ends at the first NUL; these samples have none.
        EXPECT_EQ(TextOf(scan.results[0]), data);
        EXPECT_EQ(scan.results[0].columns, 6);
        EXPECT_EQ(scan.results[0].rows, s.rows);
        EXPECT_EQ(scan.results[0].confidence, 100);
        EXPECT_EQ(scan.results[0].barColor, ZR_PDF417_DARK_BARS);
    }
}

TEST(Pdf417Reader, ReadsEveryColumnCountAndLevel) {
    for (int columns = 1; columns <= 30; columns += (columns < 5 ? 1 : 5)) {
        for (int level = 0; level <= 8; ++level) {
            if (level > 5 && columns < 5) continue;  // too many check words for so few columns
            const std::string data =
                RandomText(static_cast<std::uint32_t>(columns * 10 + level), 20 + 3 * columns);
            const Pdf417Symbol s = Render(data, columns, level);
            if (s.picture.empty()) continue;  // the encoder refused the size
            const Pdf417Scan scan = ScanPdf417(s.picture);
            const std::string what = "columns " + std::to_string(columns) + " level " + std::to_string(level);
            ASSERT_EQ(scan.results.size(), 1u) << what;
            EXPECT_EQ(TextOf(scan.results[0]), data) << what;
            EXPECT_EQ(scan.results[0].ecLevel, level) << what;
            EXPECT_EQ(scan.results[0].columns, s.columns + 2) << what;
        }
    }
}

TEST(Pdf417Reader, RowCountsUpToNinety) {
    for (int rows : {10, 33, 60, 90}) {
        Pdf417Options o;
        o.data = "Rows " + std::to_string(rows);
        o.columns = 2;
        o.rows = rows;
        o.rowHeight = 2;
        const Pdf417Symbol s = RenderPdf417(o);
        ASSERT_EQ(s.rows, rows);
        const Pdf417Scan scan = ScanPdf417(s.picture);
        ASSERT_EQ(scan.results.size(), 1u) << rows;
        EXPECT_EQ(TextOf(scan.results[0]), o.data);
        EXPECT_EQ(scan.results[0].rows, rows);
    }
}

TEST(Pdf417Reader, ModuleWidthsAndRowHeights) {
    const std::string data = "Module and row sizes 0123456789";
    for (int module = 1; module <= 4; ++module) {
        for (int rowHeight = 2; rowHeight <= 6; ++rowHeight) {
            const Pdf417Symbol s = Render(data, 3, 2, module, rowHeight);
            ExpectReads(s.picture, data,
                        "module " + std::to_string(module) + " row height " + std::to_string(rowHeight));
        }
    }
}

TEST(Pdf417Reader, FourQuarterTurnsBothPasses) {
    const std::string data = "Quarter turns";
    const Pdf417Symbol s = Render(data, 3);
    const double expected[4] = {0, 90, 180, 270};
    for (int turn = 0; turn < 4; ++turn) {
        const Pdf417Scan scan = ScanPdf417(RotateQuarter(s.picture, turn));
        ASSERT_EQ(scan.results.size(), 1u) << "turn " << turn;
        EXPECT_EQ(TextOf(scan.results[0]), data);
        EXPECT_NEAR(scan.results[0].angle, expected[turn], 1.0) << "turn " << turn;
        // Only the pass along the symbol's rows finds it.
        const std::uint8_t other = turn % 2 == 0 ? ZR_PDF417_VERTICAL : ZR_PDF417_HORIZONTAL;
        EXPECT_TRUE(ScanPdf417(RotateQuarter(s.picture, turn), other).results.empty()) << "turn " << turn;
    }
}

TEST(Pdf417Reader, CornersBoundTheSymbol) {
    const Pdf417Symbol s = Render("Corners", 2, 1, 2, 4);
    const Pdf417Scan scan = ScanPdf417(s.picture);
    ASSERT_EQ(scan.results.size(), 1u);
    const int margin = 20;  // quiet zone of 10 modules of 2 pixels
    const int right = s.picture.width - margin, bottom = s.picture.height - margin;
    const std::int32_t *c = scan.results[0].corners;
    const int expected[8] = {margin, margin, right, margin, right, bottom, margin, bottom};
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(c[i], expected[i], 3) << "coordinate " << i;
}

TEST(Pdf417Reader, SkewedSymbols) {
    const std::string data = "Skewed symbol reading";
    const Pdf417Symbol s = Render(data, 4, 2, 3, 4);
    for (double degrees : {3.0, -4.0, 20.0, -20.0}) {
        const Pdf417Scan scan = ScanPdf417(Rotate(s.picture, degrees, true));
        ASSERT_EQ(scan.results.size(), 1u) << degrees;
        EXPECT_EQ(TextOf(scan.results[0]), data) << degrees;
        const double angle = degrees < 0 ? 360 + degrees : degrees;
        EXPECT_NEAR(scan.results[0].angle, angle, 1.5) << degrees;
    }
    // A vertical symbol skewed by 20 degrees.
    const Pdf417Scan scan = ScanPdf417(Rotate(RotateQuarter(s.picture, 1), 20, true));
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_NEAR(scan.results[0].angle, 110, 1.5);
}

TEST(Pdf417Reader, EveryRotationInStepsOfFifteenDegrees) {
    const std::string data = "Turned all the way round";
    const Pdf417Symbol s = Render(data, 4, 3, 3, 4);
    for (int degrees = 0; degrees < 360; degrees += 15) {
        const Pdf417Scan scan = ScanPdf417(Rotate(s.picture, degrees, true));
        ASSERT_EQ(scan.results.size(), 1u) << degrees;
        EXPECT_EQ(TextOf(scan.results[0]), data) << degrees;
        const double error = std::fabs(scan.results[0].angle - degrees);
        EXPECT_LT(std::min(error, 360 - error), 2.0) << degrees;
    }
}

TEST(Pdf417Reader, LightBarsOnDarkGround) {
    const std::string data = "Light on dark";
    const Pdf417Symbol s = Render(data, 3);
    const Raster inverted = Invert(s.picture);
    const Pdf417Scan scan = ScanPdf417(inverted);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(TextOf(scan.results[0]), data);
    EXPECT_EQ(scan.results[0].barColor, ZR_PDF417_LIGHT_BARS);
    EXPECT_TRUE(ScanPdf417(inverted, 15, ZR_PDF417_DARK_BARS).results.empty());
    EXPECT_TRUE(ScanPdf417(s.picture, 15, ZR_PDF417_LIGHT_BARS).results.empty());
}

TEST(Pdf417Reader, SeveralSymbolsAndAFullList) {
    Raster canvas = Canvas(900, 700, 255);
    const std::string texts[3] = {"First symbol", "Second symbol", "Third symbol"};
    for (int i = 0; i < 3; ++i) Paste(canvas, Render(texts[i], 3).picture, 20 + i * 10, 20 + i * 220);
    const Pdf417Scan all = ScanPdf417(canvas);
    EXPECT_EQ(all.status, 0);
    ASSERT_EQ(all.results.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(TextOf(all.results[i]), texts[i]);
    const Pdf417Scan two = ScanPdf417(canvas, 15, 3, 2);
    EXPECT_EQ(two.status, ZR_ERR_LIST_FULL);
    EXPECT_EQ(two.results.size(), 2u);
}

// Overwrites codeword column `to` of symbol row `row` with column `from` of the same row: a
// valid pattern of the row's cluster but the wrong value. Module 2, row height 4, quiet zone 10.
void CopyCodeword(Raster &picture, int row, int from, int to) {
    const int margin = 20, codeword = 34, rowPixels = 8;
    for (int y = margin + row * rowPixels; y < margin + (row + 1) * rowPixels; ++y) {
        for (int x = 0; x < codeword; ++x)
            picture.at(margin + to * codeword + x, y) = picture.at(margin + from * codeword + x, y);
    }
}

TEST(Pdf417Reader, DamageWithinAndBeyondCapacity) {
    const std::string data = RandomText(42, 60);
    const Pdf417Symbol s = Render(data, 5, 4, 2, 4);  // 32 check words: 15 errors are corrected
    Raster damaged = s.picture;
    for (int row = 0; row < 12 && row < s.rows; ++row) CopyCodeword(damaged, row, 2 + row % 3, 3 + row % 3);
    const Pdf417Scan scan = ScanPdf417(damaged);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(TextOf(scan.results[0]), data);
    EXPECT_LT(scan.results[0].confidence, 100);
    EXPECT_GE(scan.results[0].confidence, 100 - 12 * 100 / (5 * s.rows) - 1);

    // Level 1 corrects one error: three are refused, never read as another text.
    const Pdf417Symbol weak = Render(data, 5, 1, 2, 4);
    Raster ruined = weak.picture;
    for (int row = 0; row < 3; ++row) CopyCodeword(ruined, row, 2, 4);
    EXPECT_TRUE(ScanPdf417(ruined).results.empty());
    Raster one = weak.picture;
    CopyCodeword(one, 1, 2, 4);
    const Pdf417Scan corrected = ScanPdf417(one);
    ASSERT_EQ(corrected.results.size(), 1u);
    EXPECT_EQ(TextOf(corrected.results[0]), data);
}

// A symbol seen at an angle: towards the right edge modules narrow and rows
// shorten linearly, the right edge `factor` shorter than the left.
Raster Keystone(const Raster &r, double factor) {
    Raster out = Canvas(r.width, r.height, 255);
    const double w = r.width, cy = r.height / 2.0;
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const double root = 1 - 2 * factor * x / w;
            if (root < 0) continue;
            const double xs = (1 - std::sqrt(root)) * w / factor;
            const double ys = cy + (y - cy) / (1 - factor * xs / w);
            const int sx = static_cast<int>(xs), sy = static_cast<int>(ys);
            if (sx >= 0 && sy >= 0 && sx < r.width && sy < r.height) out.at(x, y) = r.at(sx, sy);
        }
    }
    return out;
}

TEST(Pdf417Reader, SymbolSeenAtAnAngle) {
    const std::string data = "Perspective: narrower modules and shorter rows on the right";
    const Pdf417Symbol s = Render(data, 4, 3, 3, 4);
    for (double factor : {0.15, 0.3})
        ExpectReads(Keystone(s.picture, factor), data, "keystone " + std::to_string(factor));
}

TEST(Pdf417Reader, NoQuietZoneAndBlankLinesBetweenRows) {
    const std::string data = "Edge to edge";
    Pdf417Options o;
    o.data = data;
    o.columns = 3;
    o.quietZone = 0;
    ExpectReads(RenderPdf417(o).picture, data, "no quiet zone");
    // Printers that leave a blank line under every row.
    o.quietZone = 10;
    o.rowHeight = 4;
    Raster gaps = RenderPdf417(o).picture;
    for (int y = 20 + 7; y < gaps.height - 20; y += 8) {
        for (int x = 0; x < gaps.width; ++x) gaps.at(x, y) = 255;
    }
    ExpectReads(gaps, data, "blank lines");
}

TEST(Pdf417Reader, BlotAcrossColumns) {
    const std::string data = RandomText(9, 90);
    const Pdf417Symbol s = Render(data, 6, 5, 2, 4);
    Raster blot = s.picture;
    const int cx = blot.width / 2, cy = blot.height / 2, radius = 22;
    for (int y = cy - radius; y <= cy + radius; ++y) {
        for (int x = cx - radius; x <= cx + radius; ++x) {
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) blot.at(x, y) = 0;
        }
    }
    const Pdf417Scan scan = ScanPdf417(blot);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(TextOf(scan.results[0]), data);
    EXPECT_LT(scan.results[0].confidence, 100);
}

TEST(Pdf417Reader, RowIndicatorsVotingForAnotherLevel) {
    // Same size, levels 2 and 3: eight more check words, eight fewer data codewords.
    const std::string data2(40, 'A'), data3(24, 'A');
    const Pdf417Symbol level2 = Render(data2, 4, 2, 2, 4);
    const Pdf417Symbol level3 = Render(data3, 4, 3, 2, 4);
    ASSERT_EQ(level2.rows, level3.rows);
    ASSERT_EQ(level2.picture.width, level3.picture.width);
    // Every indicator that carries the level now says 3 while the check words are those of level 2.
    Raster lying = level2.picture;
    const int margin = 20, codeword = 34, rowPixels = 8, lastColumn = 4 + 2;
    for (int row = 0; row < level2.rows; ++row) {
        const int column = row % 3 == 1 ? 1 : row % 3 == 2 ? lastColumn : -1;
        if (column < 0) continue;
        for (int y = margin + row * rowPixels; y < margin + (row + 1) * rowPixels; ++y) {
            for (int x = 0; x < codeword; ++x) {
                const int at = margin + column * codeword + x;
                lying.at(at, y) = level3.picture.at(at, y);
            }
        }
    }
    for (const auto &r : ScanPdf417(lying).results) EXPECT_EQ(TextOf(r), data2);
}

TEST(Pdf417Reader, ColumnCountsOutsideTheSymbology) {
    // Start and stop patterns with no codeword between them, and with 33 columns.
    const std::string start = "81111113", stop = "711311121", codeword = "31111136";
    std::string wide = start;
    for (int i = 0; i < 33; ++i) wide += codeword;
    for (const std::string &row : {start + stop, wide + stop}) {
        const Raster picture = ExpandModules(PatternModules(row, 30), 2, 0, 10);
        ASSERT_FALSE(picture.empty());
        const Pdf417Scan scan = ScanPdf417(picture);
        EXPECT_EQ(scan.status, 0);
        EXPECT_TRUE(scan.results.empty());
    }
}

// The picture without symbol rows [0, first) and [last, rows): white in their place.
Raster WithoutRows(const Pdf417Symbol &s, int first, int last) {
    Raster out = s.picture;
    const int margin = 20, rowPixels = 8;  // module 2, row height 4, quiet zone 10
    for (int row = 0; row < s.rows; ++row) {
        if (row >= first && row < last) continue;
        for (int y = margin + row * rowPixels; y < margin + (row + 1) * rowPixels; ++y) {
            for (int x = 0; x < out.width; ++x) out.at(x, y) = 255;
        }
    }
    return out;
}

TEST(Pdf417Reader, RowsMissingAtTheTopOrBottom) {
    const std::string data = RandomText(11, 70);
    const Pdf417Symbol s = Render(data, 4, 4, 2, 4);  // 32 check words: 15 errors are corrected
    ASSERT_GE(s.rows, 12);
    for (int cut = 1; cut <= 2; ++cut) {
        ExpectReads(WithoutRows(s, cut, s.rows), data, "top rows missing " + std::to_string(cut));
        ExpectReads(WithoutRows(s, 0, s.rows - cut), data, "bottom rows missing " + std::to_string(cut));
    }
}

TEST(Pdf417Reader, LongDataIsCutToTheTextField) {
    std::string data;
    for (int i = 0; i < 1500; ++i) data += static_cast<char>('a' + (i * 7) % 26);
    const Pdf417Symbol s = Render(data, 30, 3, 1, 3);
    ASSERT_FALSE(s.picture.empty());
    const Pdf417Scan scan = ScanPdf417(s.picture);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(TextOf(scan.results[0]), data.substr(0, 1023));
}

TEST(Pdf417Reader, PictureFormats) {
    const std::string data = "Bit depths";
    const Pdf417Symbol s = Render(data, 2);
    for (int bits : {1, 8, 24}) {
        const Pdf417Scan scan = ScanPdf417(s.picture, 15, 3, 20, bits);
        ASSERT_EQ(scan.results.size(), 1u) << bits;
        EXPECT_EQ(TextOf(scan.results[0]), data);
    }
}

TEST(Pdf417Reader, NothingInNoiseOrBlankPictures) {
    std::mt19937 random(3);
    for (int k = 0; k < 4; ++k) {
        Raster noise = Canvas(400, 300, 255);
        for (auto &p : noise.pixels) p = random() % 2 ? 0 : 255;
        if (k % 2) noise = Scale(Scale(noise, 0.25, 0.5, false), 4, 2, false);  // blocky noise
        EXPECT_TRUE(ScanPdf417(noise).results.empty());
    }
    EXPECT_TRUE(ScanPdf417(Canvas(300, 200, 255)).results.empty());
    EXPECT_TRUE(ScanPdf417(Canvas(300, 200, 0)).results.empty());
    EXPECT_TRUE(ScanPdf417(Canvas(1, 1, 0)).results.empty());
}

TEST(Pdf417Entry, InitVersionAndBadCalls) {
    EXPECT_EQ(ZrPDF417GetVersion(), 0x2002Cu);
    EXPECT_EQ(ZrInitPDF417Scanner(nullptr), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(ZrScanPDF417(nullptr), ZR_ERR_BAD_ARGUMENT);
    ZrPDF417Scanner scanner;
    std::memset(&scanner, 0x5A, sizeof scanner);
    EXPECT_EQ(ZrInitPDF417Scanner(&scanner), 0);
    EXPECT_EQ(scanner.image, nullptr);
    EXPECT_EQ(scanner.results, nullptr);
    EXPECT_EQ(scanner.maxResults, 20);
    EXPECT_EQ(scanner.barColors, 3);
    EXPECT_EQ(scanner.directions, 15);
    EXPECT_EQ(ZrScanPDF417(&scanner), ZR_ERR_NULL_DIB);
    EXPECT_EQ(scanner.runTime, 0);
    ZrPDF417Result r;
    std::memset(&r, 0x33, sizeof r);
    EXPECT_EQ(GetPDF417At(&scanner, 0, &r), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(static_cast<unsigned char>(r.text[0]), 0x33);
    EXPECT_EQ(ZrFreePDF417Scanner(&scanner), 0);
    EXPECT_EQ(ZrFreePDF417Scanner(&scanner), 0);
    std::vector<std::uint8_t> broken(40, 0);  // a header with no valid size
    scanner.image = broken.data();
    EXPECT_NE(ZrScanPDF417(&scanner), 0);
    EXPECT_EQ(ZrFreePDF417Scanner(&scanner), 0);
}

TEST(Pdf417Entry, RectangleAndOptionsArePutBack) {
    const Pdf417Symbol s = Render("Rectangle", 2);
    const std::vector<std::uint8_t> dib = ToDib(s.picture, 8);
    ZrPDF417Scanner scanner;
    ZrInitPDF417Scanner(&scanner);
    scanner.image = dib.data();
    scanner.left = 5000;
    scanner.top = 0;
    scanner.rectWidth = 0;
    scanner.rectHeight = 0;
    scanner.maxResults = 0;
    EXPECT_EQ(ZrScanPDF417(&scanner), 0);
    EXPECT_EQ(scanner.left, 5000u);
    EXPECT_EQ(scanner.rectWidth, 0u);
    ASSERT_EQ(scanner.resultCount, 1);
    ZrPDF417Result r;
    EXPECT_EQ(GetPDF417At(&scanner, 0, &r), 0);
    EXPECT_EQ(GetPDF417At(&scanner, 1, &r), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(GetPDF417At(&scanner, -1, &r), ZR_ERR_BAD_ARGUMENT);
    EXPECT_GE(scanner.runTime, 0);
    // A rectangle beside the symbol finds nothing; scanning again replaces the list.
    scanner.left = 0;
    scanner.rectWidth = 15;
    EXPECT_EQ(ZrScanPDF417(&scanner), 0);
    EXPECT_EQ(scanner.resultCount, 0);
    EXPECT_EQ(scanner.rectWidth, 15u);
    ZrFreePDF417Scanner(&scanner);
}

}  // namespace
}  // namespace zr::test
