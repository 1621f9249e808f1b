// The start-pattern search, the corner trace and the row reading, each fed
// from libzint symbols on their own: found or not, corners against where the
// symbol truly lies (upright, turned and skewed), rows and codewords against
// what libzint encoded, and pictures that are no symbol.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/call_frame.hpp"
#include "pdf417/codeword.hpp"
#include "pdf417/stages.hpp"
#include "support/render.hpp"
#include "support/render_pdf417.hpp"

namespace zr::pdf417 {
namespace {

constexpr int kModule = 3;
constexpr int kQuietModules = 10;
constexpr int kMargin = kModule * kQuietModules;

test::Pdf417Symbol Render(const std::string &data, int columns, int level = 2, int rowHeight = 3,
                          bool withCodewords = false) {
    test::Pdf417Options o;
    o.data = data;
    o.columns = columns;
    o.level = level;
    o.moduleSize = kModule;
    o.rowHeight = rowHeight;
    o.quietZone = kQuietModules;
    return test::RenderPdf417(o, withCodewords);
}

// A picture as the stages see it: bi-level, with the settings of one pass,
// and the symbol's true corners in reading order (corner 1 at the start
// pattern's end of the first row).
struct Staged {
    WorkingImage work;
    ScanSettings settings;
    std::array<PointF, 4> truth{};
    const ZrImage &image() const { return work.image; }
};

// The symbol's picture turned counter-clockwise by `degrees` (as test::Rotate
// turns it), read in the pass along its rows.
std::unique_ptr<Staged> Stage(const test::Raster &upright, double degrees = 0, bool invert = false) {
    test::Raster picture = degrees == 0 ? upright : test::Rotate(upright, degrees, true);
    if (invert) picture = test::Invert(picture);
    auto staged = std::make_unique<Staged>();
    const std::vector<std::uint8_t> dib = test::ToDib(picture, 8);
    EXPECT_EQ(LoadBiLevel(dib.data(), &staged->work.image), ZR_OK);
    staged->settings.area = {0, 0, picture.width, picture.height};
    const double turn = std::fmod(std::fabs(degrees) + 45, 180);
    staged->settings.vertical = turn >= 90;
    // The rotation maps an offset (dx, dy) from the source centre to (dx c + dy s, -dx s + dy c).
    const double a = degrees * std::acos(-1.0) / 180, c = std::cos(a), s = std::sin(a);
    const double w = upright.width, h = upright.height;
    const PointF source[4] = {
        {kMargin, kMargin}, {w - kMargin, kMargin}, {w - kMargin, h - kMargin}, {kMargin, h - kMargin}};
    for (int i = 0; i < 4; ++i) {
        const PointF d = source[i] - PointF{w / 2, h / 2};
        const PointF turned{d.x * c + d.y * s + picture.width / 2.0,
                            -d.x * s + d.y * c + picture.height / 2.0};
        // Rounded to a millionth of a pixel, so that quarter turns give whole numbers.
        staged->truth[i] = PointF{std::round(turned.x * 1e6) / 1e6, std::round(turned.y * 1e6) / 1e6};
    }
    return staged;
}

// Every start candidate of the pass, in the order the search meets them.
std::vector<StartCandidate> AllStarts(const Staged &staged) {
    StartSearch search(staged.image(), staged.settings);
    std::vector<StartCandidate> found;
    while (const auto candidate = NextStart(search)) found.push_back(*candidate);
    return found;
}

// The first candidate of the pass that measures as a symbol, its corners traced.
std::optional<MeasuredSymbol> FirstSymbol(const Staged &staged, RowWork &work) {
    StartSearch search(staged.image(), staged.settings);
    while (const auto candidate = NextStart(search)) {
        if (const auto row = MeasureSymbol(staged.image(), staged.settings, *candidate, work))
            return TraceCorners(staged.image(), staged.settings, *row);
    }
    return std::nullopt;
}

double AngleBetween(double a, double b) {
    const double d = std::fabs(std::fmod(a - b + 720, 360));
    return std::min(d, 360 - d);
}

void ExpectCornersNear(const MeasuredSymbol &symbol, const Staged &staged, double tolerance,
                       const std::string &what) {
    for (int i = 0; i < 4; ++i) {
        const PointF found = geom::ToPointF(symbol.corners[i]);
        EXPECT_LE(geom::Distance(found, staged.truth[i]), tolerance)
            << what << ": corner " << i + 1 << " at " << found.x << "," << found.y << ", truly "
            << staged.truth[i].x << "," << staged.truth[i].y;
    }
}

// ---- Search ----

TEST(Pdf417Search, FindsTheStartPatternOfAnUprightSymbol) {
    const test::Pdf417Symbol s = Render("Start pattern", 3);
    const auto staged = Stage(s.picture);
    const std::vector<StartCandidate> starts = AllStarts(*staged);
    ASSERT_FALSE(starts.empty());
    const StartCandidate &first = starts.front();
    // The probe begins at the wide bar's outer edge, inside the symbol's rows.
    EXPECT_EQ(first.start.x, kMargin);
    EXPECT_GE(first.start.y, kMargin);
    EXPECT_LT(first.start.y, s.picture.height - kMargin);
    EXPECT_NEAR(first.angle, 0, 1.0);
    // Start pattern 8 1 1 1 1 1 1 3: bars 8, 1, 1, 1 and spaces 1, 1, 1, 3 modules.
    EXPECT_DOUBLE_EQ(first.meanDark, 11.0 * kModule / 4);
    EXPECT_DOUBLE_EQ(first.meanLight, 6.0 * kModule / 4);
    // The search goes on down the picture line by line: each candidate lies below the last or
    // further along its line.
    for (std::size_t i = 1; i < starts.size(); ++i) {
        const PointI a = starts[i - 1].start, b = starts[i].start;
        EXPECT_TRUE(b.y > a.y || (b.y == a.y && b.x > a.x)) << i;
    }
}

TEST(Pdf417Search, OnlyThePassAlongTheRowsFindsASymbol) {
    const test::Pdf417Symbol s = Render("Passes", 3);
    for (int turn = 0; turn < 4; ++turn) {
        const auto staged = Stage(s.picture, 90.0 * turn);
        RowWork work;
        EXPECT_TRUE(FirstSymbol(*staged, work)) << "turn " << turn;
        staged->settings.vertical = !staged->settings.vertical;
        EXPECT_FALSE(FirstSymbol(*staged, work)) << "turn " << turn << " across the rows";
    }
}

// The search holds the scan line's pixels between calls; once the caller
// changes the picture (a symbol blanked) and says so, the line is read again:
// a second symbol on the same rows, its part of the line erased, is then met
// only on a later line.
TEST(Pdf417Search, ReadsTheScanLineAgainAfterThePictureChanged) {
    const test::Pdf417Symbol s = Render("Two on one line", 3);
    test::Raster picture = test::Canvas(2 * s.picture.width, s.picture.height);
    test::Paste(picture, s.picture, 0, 0);
    test::Paste(picture, s.picture, s.picture.width, 0);
    const auto staged = Stage(picture);
    StartSearch search(staged->image(), staged->settings);
    const std::optional<StartCandidate> first = NextStart(search);
    ASSERT_TRUE(first.has_value());
    ASSERT_LT(first->start.x, s.picture.width);
    const int line = first->start.y - 5;  // the candidate lies on the confirmation line
    // The second symbol's part of the scan line turned light.
    const BitImageView view(staged->image());
    std::uint8_t *row = view.MutableRow(line);
    for (int x = s.picture.width; x < picture.width; ++x) {
        const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
        row[x >> 3] =
            static_cast<std::uint8_t>(view.SetBitIsDark() ? row[x >> 3] & ~mask : row[x >> 3] | mask);
    }
    search.ImageChanged();
    std::optional<StartCandidate> next = NextStart(search);
    while (next && next->start.x < s.picture.width) next = NextStart(search);
    ASSERT_TRUE(next.has_value());
    EXPECT_GT(next->start.y - 5, line);
}

TEST(Pdf417Search, KeepsToTheSearchArea) {
    const test::Pdf417Symbol s = Render("Area", 3);
    const auto staged = Stage(s.picture);
    RowWork work;
    // Everything but the start pattern's columns: no start pattern can be met.
    staged->settings.area.x0 = kMargin + 17 * kModule;
    EXPECT_FALSE(FirstSymbol(*staged, work));
    // Only the quiet zone above the symbol.
    staged->settings.area = {0, 0, s.picture.width, kMargin};
    EXPECT_TRUE(AllStarts(*staged).empty());
}

// Random bars and spaces of one to twelve pixels, in rows of random height.
test::Raster RandomBars(std::uint32_t seed) {
    std::mt19937 random(seed);
    test::Raster bars = test::Canvas(400, 300, 255);
    for (int y0 = 0; y0 < bars.height;) {
        const int height = 3 + static_cast<int>(random() % 10);
        bool dark = false;
        for (int x0 = 0; x0 < bars.width;) {
            const int width = 1 + static_cast<int>(random() % 12);
            for (int y = y0; y < std::min(bars.height, y0 + height); ++y)
                for (int x = x0; x < std::min(bars.width, x0 + width); ++x) bars.at(x, y) = dark ? 0 : 255;
            x0 += width;
            dark = !dark;
        }
        y0 += height;
    }
    return bars;
}

TEST(Pdf417Search, BlankAndNoisyPicturesGiveNoSymbol) {
    RowWork work;
    EXPECT_TRUE(AllStarts(*Stage(test::Canvas(300, 200, 255))).empty());
    // Bar patterns that pass for start patterns in the search, none of them a symbol's.
    test::SymbolOptions code128;
    code128.symbology = BARCODE_CODE128;
    code128.data = "Not a PDF417 symbol 0123456789";
    for (const test::Raster &picture : {RandomBars(7), RandomBars(8), test::RenderSymbol(code128)}) {
        const auto staged = Stage(picture);
        EXPECT_FALSE(AllStarts(*staged).empty());
        EXPECT_FALSE(FirstSymbol(*staged, work));
        staged->settings.vertical = true;
        EXPECT_FALSE(FirstSymbol(*staged, work));
    }
}

// ---- Corners ----

TEST(Pdf417Corners, UprightSymbolCornersAndMetrics) {
    const test::Pdf417Symbol s = Render("Corners of an upright symbol", 4, 2, 4);
    const auto staged = Stage(s.picture);
    RowWork work;
    const auto symbol = FirstSymbol(*staged, work);
    ASSERT_TRUE(symbol);
    EXPECT_EQ(symbol->metrics.columns, s.columns + 2);
    EXPECT_EQ(symbol->metrics.codewordWidth, 17 * kModule);
    EXPECT_EQ(symbol->metrics.barColor, kDarkBars);
    EXPECT_NEAR(symbol->direction.angle, 0, 0.5);
    ExpectCornersNear(*symbol, *staged, 1.0, "upright");
}

// Corners within half a module of the truth (the top corners lie on the
// line just above the first row).
TEST(Pdf417Corners, QuarterTurns) {
    const test::Pdf417Symbol s = Render("Turned symbol", 3, 2, 3);
    for (int turn = 0; turn < 4; ++turn) {
        const std::string what = "turn " + std::to_string(turn);
        const auto staged = Stage(s.picture, 90.0 * turn);
        RowWork work;
        const auto symbol = FirstSymbol(*staged, work);
        ASSERT_TRUE(symbol) << what;
        EXPECT_EQ(symbol->metrics.columns, s.columns + 2) << what;
        EXPECT_LT(AngleBetween(symbol->direction.angle, 90.0 * turn), 0.5) << what;
        ExpectCornersNear(*symbol, *staged, 0.5 * kModule, what);
    }
}

TEST(Pdf417Corners, LightBarsOnADarkGround) {
    const test::Pdf417Symbol s = Render("Light bars", 3, 2, 3);
    for (const int turn : {0, 3}) {  // start pattern met first
        const auto staged = Stage(s.picture, 90.0 * turn, true);
        RowWork work;
        const auto symbol = FirstSymbol(*staged, work);
        ASSERT_TRUE(symbol) << turn;
        EXPECT_EQ(symbol->metrics.barColor, kLightBars);
        ExpectCornersNear(*symbol, *staged, kModule, "light bars, turn " + std::to_string(turn));
        // A scan for dark bars only does not take the light ground for bars.
        staged->settings.barColors = kDarkBars;
        EXPECT_FALSE(FirstSymbol(*staged, work)) << turn;
    }
}

// Turned pictures are resampled, so their edges are a little soft: within two modules.
TEST(Pdf417Corners, SkewedSymbols) {
    const test::Pdf417Symbol s = Render("Skewed symbol corners", 4, 2, 4);
    for (const double degrees : {7.0, -12.0, 25.0, 160.0, 200.0, 100.0, 290.0}) {
        const auto staged = Stage(s.picture, degrees);
        RowWork work;
        const auto symbol = FirstSymbol(*staged, work);
        ASSERT_TRUE(symbol) << degrees;
        EXPECT_LT(AngleBetween(symbol->direction.angle, degrees), 1.0) << degrees;
        ExpectCornersNear(*symbol, *staged, 2.0 * kModule, std::to_string(degrees) + " degrees");
    }
}

// ---- Rows ----

struct RowsRead {
    SymbolOutcome outcome = SymbolOutcome::kUnreadable;
    SymbolRows rows;
};

RowsRead ReadStaged(const Staged &staged) {
    RowsRead read;
    RowWork work;
    const auto symbol = FirstSymbol(staged, work);
    EXPECT_TRUE(symbol);
    if (symbol) read.outcome = ReadRows(staged.image(), staged.settings, *symbol, work, read.rows);
    return read;
}

TEST(Pdf417Rows, RowsAndCodewordsAsEncoded) {
    struct Case {
        int columns, level, rowHeight;
        double degrees;
    };
    const Case cases[] = {{1, 0, 3, 0},  {3, 2, 2, 0},   {5, 4, 5, 0},
                          {3, 2, 3, 90}, {4, 3, 4, 180}, {2, 1, 3, 15}};
    for (const Case &c : cases) {
        const std::string what = std::to_string(c.columns) + " columns level " + std::to_string(c.level) +
                                 " turned " + std::to_string(c.degrees);
        const test::Pdf417Symbol s = Render("Rows read: " + what, c.columns, c.level, c.rowHeight, true);
        ASSERT_FALSE(s.codewords.empty()) << what;
        const RowsRead read = ReadStaged(*Stage(s.picture, c.degrees));
        ASSERT_EQ(read.outcome, SymbolOutcome::kRead) << what;
        EXPECT_EQ(read.rows.rows, s.rows) << what;
        EXPECT_EQ(read.rows.level, c.level) << what;
        EXPECT_EQ(read.rows.checkWords, 2 << c.level) << what;
        EXPECT_EQ(read.rows.codewords, s.codewords) << what;
    }
}

TEST(Pdf417Rows, RowsMissingAtTheEndAreCountedFromTheIndicators) {
    const test::Pdf417Symbol s = Render("Bottom rows wiped off the symbol", 3, 2, 3, true);
    ASSERT_GE(s.rows, 6);
    // The last two rows painted over with the background.
    test::Raster wiped = s.picture;
    const int rowPixels = 3 * kModule, firstWiped = kMargin + (s.rows - 2) * rowPixels;
    for (int y = firstWiped; y < kMargin + s.rows * rowPixels; ++y)
        for (int x = 0; x < wiped.width; ++x) wiped.at(x, y) = 255;
    const RowsRead read = ReadStaged(*Stage(wiped));
    ASSERT_EQ(read.outcome, SymbolOutcome::kRead);
    EXPECT_EQ(read.rows.rows, s.rows);
    const int dataColumns = s.columns;
    ASSERT_EQ(read.rows.codewords.size(), s.codewords.size());
    for (int i = 0; i < (s.rows - 2) * dataColumns; ++i)
        EXPECT_EQ(read.rows.codewords[i], s.codewords[i]) << i;
    for (int i = (s.rows - 2) * dataColumns; i < s.rows * dataColumns; ++i)
        EXPECT_EQ(read.rows.codewords[i], kEmptyCodeword) << i;
}

TEST(Pdf417Rows, MeasurementsThatCannotBeReadAreRefused) {
    const test::Pdf417Symbol s = Render("Refused", 3);
    const auto staged = Stage(s.picture);
    RowWork work;
    const auto measured = FirstSymbol(*staged, work);
    ASSERT_TRUE(measured);
    SymbolRows rows;
    MeasuredSymbol symbol = *measured;
    symbol.metrics.columns = kMaxColumns + 1;
    EXPECT_EQ(ReadRows(staged->image(), staged->settings, symbol, work, rows), SymbolOutcome::kUnreadable);
    symbol.metrics.columns = measured->metrics.columns;
    symbol.metrics.codewordWidth = 0;
    EXPECT_EQ(ReadRows(staged->image(), staged->settings, symbol, work, rows), SymbolOutcome::kUnreadable);
    // The same measurement over a blank picture finds no row.
    const auto blank = Stage(test::Canvas(s.picture.width, s.picture.height, 255));
    EXPECT_EQ(ReadRows(blank->image(), blank->settings, *measured, work, rows), SymbolOutcome::kUnreadable);
}

}  // namespace
}  // namespace zr::pdf417
