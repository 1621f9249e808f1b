// The soft EAN/UPC decoder of the grey look: small symbols blurred until
// their narrow elements merge, which neither the first look nor the width
// decoder reads, read from their modules' levels; a symbol with one digit
// changed and lines of junk between guards read nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "bar/ean_upc.hpp"
#include "bar/grey_look.hpp"
#include "reader_test_util.hpp"

namespace zr::bar::test {
namespace {

using edges::GreyEdgeFinder;

struct SoftCase {
    const char *name;
    int symbology;
    const char *data;
    std::uint32_t type;
    const char *text;
    int rightHalf;  // first module of the right digits (UPC-E: of the left ones)
};

const SoftCase kCases[] = {
    {"EAN 13", BARCODE_EANX, "400638133393", ZR_BAR_EAN13, "4006381333931", 50},
    {"UPC-A", BARCODE_UPCA, "01234567890", ZR_BAR_UPCA, "012345678905", 50},
    {"EAN 8", BARCODE_EANX, "9638507", ZR_BAR_EAN8, "96385074", 36},
    {"UPC-E", BARCODE_UPCE, "0425261", ZR_BAR_UPCE, "04252614", 3},
};

// The symbol at one pixel a module, its start guard at x = 0, 20 modules high.
Raster Modules(const SoftCase &c) {
    zr::test::SymbolOptions options;
    options.symbology = c.symbology;
    options.data = c.data;
    options.barHeight = 20;
    Raster r = zr::test::EncodeModules(options);
    EXPECT_FALSE(r.empty());
    return r;
}

// Drawn at ten pixels a module with ten modules of quiet zone, blurred by
// `blurModules` and a pixel's own integration, sampled down to
// `pixelsPerModule`, on a light canvas with a little noise.
Raster Picture(const Raster &modules, double pixelsPerModule, double blurModules) {
    constexpr int kFine = 10;
    constexpr double kPixelBlur = 0.4;
    Raster r = zr::test::ExpandModules(modules, kFine);
    r = zr::test::Blur(r, std::hypot(blurModules, kPixelBlur / pixelsPerModule) * kFine);
    r = zr::test::Scale(r, pixelsPerModule / kFine, pixelsPerModule / kFine, true);
    return zr::test::AddNoise(OnCanvas(r, 16), 3, 11);
}

// What the width decoder and the soft decoder read on the picture's middle row.
struct RowReadings {
    std::vector<LineReading> width, soft;
};
RowReadings ReadMiddleRow(const Raster &picture, std::uint8_t direction = kHorizontal) {
    GreyEdgeFinder finder;
    finder.SetNoiseFloor(edges::NoiseFloor(picture.pixels.data(), picture.width, picture.height));
    const std::uint8_t *row = picture.pixels.data() + static_cast<std::size_t>(picture.height / 2) * picture.width;
    const std::vector<edges::GreyEdge> &found = finder.Find(row, picture.width);
    RowReadings out;
    LineDecoder width;
    width.Read(row, picture.width, found, kMainEanUpc, direction, kDarkBars, out.width);
    SoftEanDecoder soft;
    soft.Read(row, picture.width, found, kMainEanUpc, direction, kDarkBars, {}, out.soft);
    return out;
}

void FirstLookOnly(ZrBarScanner &scanner) {
    scanner.extraFlags |= ZR_BAR_FIRST_LOOK_ONLY;
}

bool Holds(const Scan &scan, const SoftCase &c) {
    return std::any_of(scan.results.begin(), scan.results.end(), [&](const ZrBarResult &r) {
        return r.type == c.type && std::string(r.text) == c.text;
    });
}

// Sizes and blurs at which the width decoder loses the narrow elements.
struct Blurred {
    double pixelsPerModule, blurModules;
};
constexpr Blurred kBlurred[] = {{1.3, 0.6}, {1.5, 0.65}, {1.7, 0.6}};

TEST(SoftEan, ReadsBlurredSmallSymbolsThatTheWidthDecoderLoses) {
    for (const SoftCase &c : kCases)
        for (const Blurred &b : kBlurred) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(b.pixelsPerModule) + " px a module, blur " +
                         std::to_string(b.blurModules));
            const Raster picture = Picture(Modules(c), b.pixelsPerModule, b.blurModules);
            const RowReadings row = ReadMiddleRow(picture);
            EXPECT_TRUE(row.width.empty()) << row.width.front().text;
            ASSERT_EQ(row.soft.size(), 1u);
            EXPECT_EQ(row.soft[0].type, c.type);
            EXPECT_STREQ(row.soft[0].text, c.text);
            EXPECT_EQ(row.soft[0].checksumOk, 1);
            EXPECT_FALSE(row.soft[0].reversed);
            // The reading spans the symbol: 95, 67 or 51 modules from the 16-pixel margin and 10 quiet modules.
            const double start = 16 + 10 * b.pixelsPerModule;
            EXPECT_NEAR(row.soft[0].first, start, 1.5 * b.pixelsPerModule);
            // The whole reader: the first look misses the symbol, the second reads it once.
            EXPECT_FALSE(Holds(Read(picture, 8, FirstLookOnly), c));
            const Scan both = Read(picture);
            EXPECT_EQ(both.results.size(), 1u) << Texts(both);
            EXPECT_TRUE(Holds(both, c)) << Texts(both);
        }
}

TEST(SoftEan, ReadsTurnedSymbolsReversedAndOnlyInTheSensesAllowed) {
    const SoftCase &c = kCases[0];
    const Raster turned = zr::test::RotateQuarter(Picture(Modules(c), 1.5, 0.6), 2);
    const RowReadings row = ReadMiddleRow(turned);
    ASSERT_EQ(row.soft.size(), 1u);
    EXPECT_TRUE(row.soft[0].reversed);
    EXPECT_STREQ(row.soft[0].text, c.text);
    EXPECT_TRUE(ReadMiddleRow(turned, kLeftToRight).soft.empty());
    EXPECT_EQ(ReadMiddleRow(turned, kRightToLeft).soft.size(), 1u);
    const Scan scan = Read(turned);
    ASSERT_EQ(scan.results.size(), 1u) << Texts(scan);
    EXPECT_STREQ(scan.results[0].text, c.text);
    EXPECT_EQ(scan.results[0].angle, 180.0);
}

// The seven modules of a digit from `first`, as a set's classes draw them.
void PaintDigit(Raster &modules, int first, std::string_view classes, bool barFirst) {
    int x = first;
    bool bar = barFirst;
    for (const char c : classes) {
        for (int k = 0; k <= c - '0'; ++k, ++x)
            for (int y = 0; y < modules.height; ++y) modules.at(x, y) = bar ? 0 : 255;
        bar = !bar;
    }
}

TEST(SoftEan, RefusesASymbolWithOneDigitChanged) {
    for (const SoftCase &c : kCases) {
        SCOPED_TRACE(c.name);
        Raster modules = Modules(c);
        if (c.type == ZR_BAR_UPCE) {
            // The third digit (2, in G parity) drawn in L: the parities no longer give a check digit.
            PaintDigit(modules, c.rightHalf + 2 * 7, kEanLPatterns[2], false);
        } else {
            // The second right digit replaced by another: the check digit fails.
            const std::size_t digit = c.type == ZR_BAR_EAN8 ? 5 : c.type == ZR_BAR_UPCA ? 7 : 8;
            const int other = (c.text[digit] - '0' + 5) % 10;
            PaintDigit(modules, c.rightHalf + 7, kEanLPatterns[static_cast<std::size_t>(other)], true);
        }
        const Raster picture = Picture(modules, 1.5, 0.6);
        EXPECT_TRUE(ReadMiddleRow(picture).soft.empty());
        const Scan scan = Read(picture);
        EXPECT_TRUE(scan.results.empty()) << Texts(scan);
        // Unchanged, the same symbol reads.
        EXPECT_EQ(ReadMiddleRow(Picture(Modules(c), 1.5, 0.6)).soft.size(), 1u);
    }
}

// Profiles with all the soft decoder looks for but digits: a quiet zone, a
// start guard, random modules, an end guard and a quiet zone, blurred.
TEST(SoftEan, ReadsNothingBetweenGuardsOfRandomModules) {
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> module(1.2, 2.5), blur(0.0, 0.9);
    std::bernoulli_distribution dark(0.5);
    std::uniform_int_distribution<int> noise(-4, 4);
    constexpr int kModules[] = {95, 67, 51};
    int read = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const int n = kModules[trial % 3];
        std::vector<bool> bars(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) bars[i] = i < 3 || i >= n - 3 ? i % 2 == 0 : dark(rng);
        const double m = module(rng), sigma = blur(rng) * m;
        const int length = static_cast<int>((n + 24) * m);
        std::vector<std::uint8_t> profile(static_cast<std::size_t>(length));
        for (int x = 0; x < length; ++x) {
            double sum = 0, weight = 0;
            for (double s = -3; s <= 3; s += 0.25) {
                const double at = (x + s * std::max(sigma, 0.3)) / m - 12;
                const bool isBar = at >= 0 && at < n && bars[static_cast<std::size_t>(at)];
                const double w = std::exp(-s * s / 2);
                sum += w * (isBar ? 30 : 220);
                weight += w;
            }
            profile[x] = static_cast<std::uint8_t>(std::clamp(sum / weight + noise(rng), 0.0, 255.0));
        }
        GreyEdgeFinder finder;
        const std::vector<edges::GreyEdge> &found = finder.Find(profile.data(), length);
        std::vector<LineReading> out;
        SoftEanDecoder().Read(profile.data(), length, found, kMainEanUpc, kHorizontal, kBothColours, {}, out);
        read += static_cast<int>(out.size());
    }
    EXPECT_EQ(read, 0);
}

}  // namespace
}  // namespace zr::bar::test
