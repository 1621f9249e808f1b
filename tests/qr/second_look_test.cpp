// The QR second look: symbols at a slant, on a curved surface or blurred,
// which the first look leaves unread, read by the default scan; nothing
// read from noise or the false-positive samples; first-look results kept
// as they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

#include "qr/alignment_mesh.hpp"
#include "qr/finder_stones.hpp"
#include "qr/info_words.hpp"
#include "qr/qr_test_util.hpp"
#include "qr/scan_pass.hpp"
#include "qr/second_look.hpp"
#include "support/warp.hpp"

namespace zr::qr::test {
namespace {

constexpr std::uint8_t kBothPasses = 3;
constexpr std::uint8_t kFirstLookOnly = kBothPasses | ZR_QR_FIRST_LOOK_ONLY;

using zr::test::Cylinder;
using zr::test::Slant;

// The raster as the 1-bit working picture the readers' stages take.
bool LoadBits(const Raster &picture, WorkingImage &image) {
    const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 1);
    return ImageFromDib(&image.image, dib.data()) == ZR_OK;
}

QrSymbol Symbol(const std::string &data, int version, int moduleSize = 5) {
    QrSymbol s;
    s.data = data;
    s.version = version;
    s.level = kM;
    s.moduleSize = moduleSize;
    return s;
}

void ExpectSecondLookOnly(const Raster &picture, const std::string &text) {
    const Scan first(picture, 8, kFirstLookOnly);
    EXPECT_EQ(first.results.size(), 0u) << "the first look reads it: " << first.Text();
    const Scan both(picture, 8, kBothPasses);
    ASSERT_EQ(both.results.size(), 1u);
    EXPECT_EQ(both.Text(), text);
    EXPECT_EQ(both.results[0].barsColour, 1);
    EXPECT_EQ(both.status, first.status);
}

}  // namespace

Raster TwoSymbols(const Raster &left, const Raster &right) {
    Raster canvas = zr::test::Canvas(left.width + right.width, std::max(left.height, right.height));
    zr::test::Paste(canvas, left, 0, 0);
    zr::test::Paste(canvas, right, left.width, 0);
    return canvas;
}

TEST(QRSecondLook, ReadsSymbolsUnderPerspectiveThatTheFirstLookMisses) {
    for (int version : {1, 2, 4, 7, 10}) {
        const std::string text = "SLANTED " + std::to_string(version);
        const Raster flat = QrPicture(Symbol(text, version));
        for (double k : {0.05, 0.2}) {
            SCOPED_TRACE("version " + std::to_string(version) + " shift " + std::to_string(k));
            // The top-right corner pulled in and down, then the bottom edge narrowed.
            ExpectSecondLookOnly(Slant(flat, {k, 0, -k, k / 2, 0, 0, 0, 0}), text);
            ExpectSecondLookOnly(Slant(flat, {k, k, 0, 0, -k / 2, 0, k / 2, -k}), text);
        }
    }
}

TEST(QRSecondLook, ReadsACurvedSymbol) {
    const std::string text = "ON A BOTTLE";
    ExpectSecondLookOnly(Cylinder(QrPicture(Symbol(text, 10)), 1.2), text);
}

TEST(QRSecondLook, ReadsABlurredSlantedSymbol) {
    const std::string text = "BLURRED";
    const Raster slanted = Slant(QrPicture(Symbol(text, 4)), {0.04, 0, -0.04, 0.02, 0, 0, 0, 0});
    ExpectSecondLookOnly(zr::test::Blur(slanted, 1.5), text);
}

// A finder whose outer ring runs into other print is no region of its own:
// its centre stone stands in for it.
TEST(QRSecondLook, ReadsASymbolWhoseFinderTouchesOtherPrint) {
    const std::string text = "A SHADOW ON THE FINDER";
    const int module = 5;
    Raster picture = QrPicture(Symbol(text, 3, module));
    // A dark band from the left edge over the quiet zone, touching the lower-left finder's ring.
    const int quiet = (picture.width - 29 * module) / 2;
    for (int y = picture.height - quiet - 7 * module; y < picture.height; ++y)
        for (int x = 0; x < quiet; ++x) picture.at(x, y) = 0;
    ExpectSecondLookOnly(picture, text);
}

// Cropped to the symbol's edge at 1 pixel a module, the finders lose their
// outer light ring to the first look; the second look searches inside a light
// frame, though the picture changes as often as speckle.
TEST(QRSecondLook, ReadsSymbolsCroppedToTheirEdge) {
    for (const int version : {20, 40}) {
        SCOPED_TRACE("version " + std::to_string(version));
        const std::string text = "NO QUIET ZONE " + std::to_string(version);
        QrSymbol symbol = Symbol(text, version, 1);
        symbol.quietZone = 0;
        ExpectSecondLookOnly(QrPicture(symbol), text);
    }
}

TEST(QRSecondLook, TellsFinderStonesFromSolidSquares) {
    const int module = 6;
    Raster picture = zr::test::Canvas(200, 100);
    const auto square = [&](int x0, int y0, int side, std::uint8_t grey) {
        for (int y = y0; y < y0 + side; ++y)
            for (int x = x0; x < x0 + side; ++x) picture.at(x, y) = grey;
    };
    // A finder at (10, 10) whose ring is joined to a bar above it, and a lone solid square.
    square(10, 10, 7 * module, 0);
    square(10 + module, 10 + module, 5 * module, 255);
    square(10 + 2 * module, 10 + 2 * module, 3 * module, 0);
    for (int x = 0; x < 200; ++x) picture.at(x, 10) = 0;
    square(120, 30, 3 * module, 0);
    const Raster turned = Slant(picture, {0.02, 0.03, -0.02, 0.01, 0, 0, 0, 0});
    for (const Raster *r : {static_cast<const Raster *>(&picture), &turned}) {
        WorkingImage image;
        ASSERT_TRUE(LoadBits(*r, image));
        regions::RegionSearch search({0, 0, image.image.width - 1, image.image.height - 1});
        search.traceOutlines = true;
        regions::LabelRegions(image.image, search);
        const BitImageView view(image.image);
        int stones = 0, solid = 0;
        for (const regions::Region &region : search.regions) {
            const bool stone = IsFinderStone(view, region);
            if (region.box.x0 > 100)
                solid += stone ? 1 : 0;
            else
                stones += stone ? 1 : 0;
        }
        EXPECT_EQ(stones, 1);
        EXPECT_EQ(solid, 0);
    }
}

// The picture moved by sine waves across both axes: a page that is not flat.
Raster Wavy(const Raster &flat, double amplitude, double period) {
    Raster wavy = zr::test::Canvas(flat.width, flat.height);
    for (int y = 0; y < wavy.height; ++y)
        for (int x = 0; x < wavy.width; ++x) {
            const double sx = x + amplitude * std::sin(2 * M_PI * y / (period * flat.height));
            const double sy = y + amplitude * std::sin(2 * M_PI * x / (period * flat.width));
            const int ix = static_cast<int>(std::lround(sx)), iy = static_cast<int>(std::lround(sy));
            if (ix >= 0 && iy >= 0 && ix < flat.width && iy < flat.height) wavy.at(x, y) = flat.at(ix, iy);
        }
    return Slant(wavy, {0.1, 0, -0.1, 0.05, 0, 0, 0, 0});
}

// A wavy page moves the modules up to half a module off any one projective
// grid. A small symbol reads through the grid shifted by a third of a
// module; a large one through one map per cell between its alignment patterns.
TEST(QRSecondLook, ReadsSymbolsOnAWavyPage) {
    struct Wave {
        int version;
        double amplitude;  // pixels, at 4 pixels a module
        double period;     // share of the picture's side
    };
    for (const Wave wave : {Wave{4, 2.0, 1.5}, Wave{7, 1.0, 0.7}, Wave{16, 2.0, 0.8}, Wave{22, 3.0, 1.2}}) {
        const std::string text = "WAVY PAGE " + std::to_string(wave.version);
        SCOPED_TRACE(text);
        ExpectSecondLookOnly(Wavy(QrPicture(Symbol(text, wave.version, 4)), wave.amplitude, wave.period),
                             text);
    }
}

// On a flat symbol the mesh finds every alignment pattern off the finders
// and maps each module where the symbol's own grid does.
TEST(QRAlignmentMesh, FindsEveryPatternOfAFlatSymbol) {
    for (const int version : {7, 14, 28}) {
        QrSymbol symbol = Symbol("MESH", version, 3);
        symbol.quietZone = 4;
        const Raster picture = QrPicture(symbol);
        WorkingImage image;
        ASSERT_TRUE(LoadBits(picture, image));
        const double m = symbol.moduleSize, margin = symbol.quietZone * m;
        const geom::Perspective grid(geom::Perspective::Matrix{{{m, 0, 0}, {0, m, 0}, {margin, margin, 1}}});
        AlignmentMesh mesh;
        ASSERT_TRUE(mesh.Build(BitImageView(image.image), grid, version)) << version;
        const int perSide = version < 14 ? 3 : version < 28 ? 4 : 6;
        EXPECT_EQ(mesh.Found(), perSide * perSide - 3) << version;
        const double size = 4 * version + 17;
        for (const geom::PointF module :
             {geom::PointF{0.5, 0.5}, geom::PointF{size / 2, 10.5}, geom::PointF{size - 0.5, size - 0.5}}) {
            EXPECT_NEAR(mesh.Map(module).x, grid.Map(module).x, 0.5 * m) << version;
            EXPECT_NEAR(mesh.Map(module).y, grid.Map(module).y, 0.5 * m) << version;
        }
    }
    const WorkingImage none;
    AlignmentMesh small;
    EXPECT_FALSE(small.Build(BitImageView(none.image), geom::Perspective(), 6));  // no mesh below version 7
}

// The alignment search finds the pattern from a prediction up to three and
// a half modules off in any direction (its reach is four), and nothing in a
// blank picture or where the prediction is far off. Module centres are the
// pattern's: the answer lies within half a module of the true centre.
TEST(QRAlignmentSearch, FindsThePatternAroundAPredictionOffInAnyDirection) {
    QrSymbol symbol = Symbol("ALIGN", 7, 4);
    symbol.quietZone = 4;
    const Raster picture = QrPicture(symbol);
    WorkingImage image;
    ASSERT_TRUE(LoadBits(picture, image));
    const BitImageView view(image.image);
    const double m = symbol.moduleSize, margin = symbol.quietZone * m;
    const geom::Perspective grid(geom::Perspective::Matrix{{{m, 0, 0}, {0, m, 0}, {margin, margin, 1}}});
    const int size = 4 * 7 + 17;
    const geom::PointF truth = grid.Map({size - 6.5, size - 6.5});
    const auto found = FindAlignment(view, grid, size);
    ASSERT_TRUE(found.has_value());
    EXPECT_NEAR(found->x, truth.x, 0.5 * m);
    EXPECT_NEAR(found->y, truth.y, 0.5 * m);
    // The middle pattern (22, 22), from predictions moved across the reach.
    const geom::PointF middle{22.5, 22.5};
    for (const double dx : {-3.5, -2.0, -0.4, 0.0, 1.0, 2.7, 3.5})
        for (const double dy : {-3.5, -1.3, 0.0, 2.0, 3.5}) {
            const auto near = FindAlignmentNear(view, grid, middle, geom::PointF{dx * m, dy * m});
            ASSERT_TRUE(near.has_value()) << dx << " " << dy;
            EXPECT_NEAR(near->x, grid.Map(middle).x, 0.5 * m) << dx << " " << dy;
            EXPECT_NEAR(near->y, grid.Map(middle).y, 0.5 * m) << dx << " " << dy;
        }
    // Predicted eight modules off: among the data modules, no pattern.
    EXPECT_FALSE(FindAlignmentNear(view, grid, middle, geom::PointF{8 * m, 0}).has_value());
    const Raster blank = zr::test::Canvas(picture.width, picture.height);
    WorkingImage empty;
    ASSERT_TRUE(LoadBits(blank, empty));
    EXPECT_FALSE(FindAlignment(BitImageView(empty.image), grid, size).has_value());
}

// A pattern cut by the picture's edge: the part outside reads light, so the
// dark outer ring is missing there and the pattern is not taken.
TEST(QRAlignmentSearch, ReadsOutsideThePictureAsLight) {
    QrSymbol symbol = Symbol("EDGE", 2, 4);
    symbol.quietZone = 0;
    const Raster picture = QrPicture(symbol);
    WorkingImage image;
    ASSERT_TRUE(LoadBits(picture, image));
    const double m = symbol.moduleSize;
    const int size = 4 * 2 + 17;
    const geom::Perspective grid(geom::Perspective::Matrix{{{m, 0, 0}, {0, m, 0}, {0, 0, 1}}});
    ASSERT_TRUE(FindAlignment(BitImageView(image.image), grid, size).has_value());
    // The same symbol moved so that the pattern's outer ring crosses the right and bottom edges.
    const geom::Perspective shifted(geom::Perspective::Matrix{{{m, 0, 0}, {0, m, 0}, {5 * m, 5 * m, 1}}});
    Raster cut = zr::test::Canvas(picture.width, picture.height);
    zr::test::Paste(cut, picture, static_cast<int>(5 * m), static_cast<int>(5 * m));
    WorkingImage cutImage;
    ASSERT_TRUE(LoadBits(cut, cutImage));
    EXPECT_FALSE(FindAlignment(BitImageView(cutImage.image), shifted, size).has_value());
}

TEST(QRSecondLook, MarksSymbolsFoundInTheInvertedPicture) {
    const Raster picture =
        zr::test::Invert(Slant(QrPicture(Symbol("LIGHT ON DARK", 3)), {0.1, 0, -0.1, 0.05, 0, 0, 0, 0}));
    EXPECT_TRUE(Scan(picture, 8, kFirstLookOnly).results.empty());
    const Scan scan(picture, 8, kBothPasses);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(scan.Text(), "LIGHT ON DARK");
    EXPECT_EQ(scan.results[0].barsColour, 2);
    // Only the pass over the picture as given: nothing.
    EXPECT_TRUE(Scan(picture, 8, ZR_QR_DARK_ON_LIGHT).results.empty());
}

TEST(QRSecondLook, SearchesAgainThePolaritiesWhereTheFirstLookMetFinders) {
    ZrQRScanner scanner{};
    scanner.scanFlags = kBothPasses;
    const auto passes = [&scanner](std::size_t asGiven, std::size_t inverted, bool darkAtEdge) {
        FirstLookClues clues;
        clues.findersAsGiven = asGiven;
        clues.findersInverted = inverted;
        clues.darkAtEdge = darkAtEdge;
        return SecondLookPasses(scanner, kPasses, clues);
    };
    EXPECT_EQ(passes(0, 0, false), 0);
    EXPECT_EQ(passes(2, 0, false), ZR_QR_DARK_ON_LIGHT);
    EXPECT_EQ(passes(0, 0, true), ZR_QR_DARK_ON_LIGHT);
    EXPECT_EQ(passes(0, 1, false), ZR_QR_LIGHT_ON_DARK);
    EXPECT_EQ(passes(1, 1, true), kBothPasses);
    // Never a polarity the caller did not ask for, nothing after a first-look read
    // or with the first look alone asked for.
    scanner.scanFlags = ZR_QR_LIGHT_ON_DARK;
    EXPECT_EQ(passes(3, 0, true), 0);
    scanner.scanFlags = kBothPasses;
    scanner.resultCount = 1;
    EXPECT_EQ(passes(1, 1, true), 0);
    scanner.resultCount = 0;
    scanner.scanFlags = kFirstLookOnly;
    EXPECT_EQ(passes(1, 1, true), 0);
}

TEST(QRSecondLook, ReportsAFullListAndStoresWithinIt) {
    const Raster one = Slant(QrPicture(Symbol("FIRST", 2)), {0.1, 0, -0.1, 0.05, 0, 0, 0, 0});
    const Raster two = Slant(QrPicture(Symbol("SECOND", 2)), {0.1, 0, -0.1, 0.05, 0, 0, 0, 0});
    const Raster picture = TwoSymbols(one, two);
    const Scan all(picture, 8, kBothPasses);
    EXPECT_EQ(all.results.size(), 2u);
    EXPECT_EQ(all.status, ZR_OK);
    const Scan limited(picture, 8, kBothPasses, 1);
    ASSERT_EQ(limited.results.size(), 1u);
    EXPECT_EQ(limited.status, ZR_ERR_LIST_FULL);
}

TEST(QRSecondLook, LeavesFirstLookResultsAsTheyAre) {
    // The first look reads the flat symbol; the slanted one beside it is left
    // to a second look that does not run, so both scans agree record for record.
    const Raster picture = TwoSymbols(QrPicture(Symbol("FLAT", 2)), Slant(QrPicture(Symbol("SLANTED", 2)),
                                                                          {0.1, 0, -0.1, 0.05, 0, 0, 0, 0}));
    const Scan first(picture, 8, kFirstLookOnly), both(picture, 8, kBothPasses);
    ASSERT_EQ(first.results.size(), 1u);
    ASSERT_EQ(both.results.size(), first.results.size());
    EXPECT_EQ(std::memcmp(&both.results[0], &first.results[0], sizeof(QRResult)), 0);
    EXPECT_EQ(both.status, first.status);
}

TEST(QRSecondLook, ReadsNothingFromNoise) {
    std::mt19937 random(20261208);
    for (int picture = 0; picture < 12; ++picture) {
        Raster noise = zr::test::Canvas(320, 240);
        // Blocks of 3 to 8 pixels: finder-like shapes turn up now and then.
        const int block = 3 + picture % 6;
        for (int y = 0; y < noise.height; y += block)
            for (int x = 0; x < noise.width; x += block) {
                const std::uint8_t grey = (random() & 1) ? 0 : 255;
                for (int v = y; v < std::min(y + block, noise.height); ++v)
                    for (int u = x; u < std::min(x + block, noise.width); ++u) noise.at(u, v) = grey;
            }
        EXPECT_TRUE(Scan(noise, 8, kBothPasses).results.empty()) << "picture " << picture;
    }
}

TEST(QRInfoWords, NearestCodewordsWithinThreeWrongBits) {
    // ISO/IEC 18004: level M (00) with mask 0 is the format mask itself; version 7's word.
    EXPECT_EQ(FormatWord(0, 0), 0x5412u);
    EXPECT_EQ(VersionWord(7), 0x07C94u);
    for (int level = 0; level < 4; ++level)
        for (int mask = 0; mask < 8; ++mask) {
            const FormatMatch m = NearestFormat(FormatWord(level, mask) ^ 0x4101u);  // three bits wrong
            EXPECT_EQ(m.level, level);
            EXPECT_EQ(m.mask, mask);
            EXPECT_EQ(m.distance, 3);
        }
    for (int version = 7; version <= 40; ++version) {
        const VersionMatch m = NearestVersion(VersionWord(version) ^ 0x20401u);
        EXPECT_EQ(m.version, version);
        EXPECT_EQ(m.distance, 3);
    }
}

TEST(QRSecondLook, SlantedTripleOrdersTheFinders) {
    regions::Region region;
    region.box = {0, 0, 14, 14};
    FinderCandidate a{&region, {100, 100}}, b{&region, {200, 110}}, d{&region, {95, 190}};
    FinderTriple triple;
    double score = 0;
    // Any order of the three gives A at the corner, B along the row, D down the column.
    ASSERT_TRUE(SlantedTriple(d, b, a, triple, score));
    EXPECT_EQ(triple.ca, a.centre);
    EXPECT_EQ(triple.cb, b.centre);
    EXPECT_EQ(triple.cd, d.centre);
    // A straight line of finders, or one leg more than twice the other, is no triple.
    FinderCandidate inLine{&region, {300, 120}}, far{&region, {100, 330}};
    EXPECT_FALSE(SlantedTriple(a, b, inLine, triple, score));
    EXPECT_FALSE(SlantedTriple(a, b, far, triple, score));
}

}  // namespace zr::qr::test
