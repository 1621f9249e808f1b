// Finder tests, triple location, format decoding and the module map, on
// crafted pictures and bit patterns.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/call_frame.hpp"
#include "core/image.hpp"
#include "core/regions/regions.hpp"
#include "qr/blocks.hpp"
#include "qr/candidate.hpp"
#include "qr/capacity_table.hpp"
#include "qr/finder.hpp"
#include "qr/format.hpp"
#include "qr/module_map.hpp"
#include "qr/qr_status.hpp"
#include "support/render.hpp"

namespace zr::qr {
namespace {

using zr::test::Raster;

lines::RunScan Runs(const std::vector<std::uint16_t> &widths) {
    lines::RunScan scan;
    scan.elements = static_cast<std::int16_t>(widths.size());
    scan.widths = widths;
    return scan;
}

TEST(CheckFinderRatio, AtMostOneRunOutsideItsBand) {
    EXPECT_TRUE(CheckFinderRatio(Runs({1, 1, 3, 1, 1})));
    EXPECT_TRUE(CheckFinderRatio(Runs({5, 4, 16, 5, 5})));
    EXPECT_TRUE(CheckFinderRatio(Runs({1, 1, 3, 1, 3})));  // unit 9/7: only the last run is out
    EXPECT_FALSE(CheckFinderRatio(Runs({1, 3, 3, 1, 3})));
    EXPECT_FALSE(CheckFinderRatio(Runs({1, 1, 3, 1})));
    EXPECT_FALSE(CheckFinderRatio(Runs({1, 1, 3, 1, 1, 1})));
}

// A finder pattern of 7 x 7 modules: each module moduleW x moduleH pixels,
// its top-left pixel at (x, y).
// A 160 x 120 picture of square blocks of `block` pixels, each dark with
// chance 1 / `oneIn`.
Raster RandomBlocks(std::mt19937 &random, int block, int oneIn) {
    Raster r = zr::test::Canvas(160, 120);
    for (int y = 0; y + block <= r.height; y += block)
        for (int x = 0; x + block <= r.width; x += block)
            if (random() % static_cast<unsigned>(oneIn) == 0)
                for (int v = y; v < y + block; ++v)
                    for (int u = x; u < x + block; ++u) r.at(u, v) = 0;
    return r;
}

void DrawFinder(Raster &r, int x, int y, int moduleW, int moduleH) {
    for (int j = 0; j < 7; ++j)
        for (int i = 0; i < 7; ++i) {
            const bool dark = i == 0 || i == 6 || j == 0 || j == 6 || (i >= 2 && i <= 4 && j >= 2 && j <= 4);
            if (!dark) continue;
            for (int dy = 0; dy < moduleH; ++dy)
                for (int dx = 0; dx < moduleW; ++dx) r.at(x + j * moduleW + dx, y + i * moduleH + dy) = 0;
        }
}

// Labels a picture as the QR search does and collects its finder candidates.
struct Labelled {
    ZrImage image{};
    regions::RegionSearch search;
    std::vector<FinderCandidate> candidates;

    explicit Labelled(const Raster &r) {
        const std::vector<std::uint8_t> dib = zr::test::ToDib(r, 1);
        EXPECT_EQ(ImageFromDib(&image, dib.data()), 0);
        search.bounds = {0, 0, std::uint32_t(r.width), std::uint32_t(r.height)};
        search.minWidth = search.minHeight = 7;
        search.minDensity = 0.2;
        search.maxDensity = 0.8;
        search.traceOutlines = true;
        regions::LabelRegions(image, search);
        CollectFinderCandidates(BitImageView(image), search.regions, candidates);
    }
    ~Labelled() { ImageDestroy(&image); }
    Labelled(const Labelled &) = delete;
    Labelled &operator=(const Labelled &) = delete;

    // The candidate nearest to (x, y).
    const FinderCandidate &At(double x, double y) const {
        const FinderCandidate *best = &candidates.front();
        for (const FinderCandidate &c : candidates)
            if (geom::Distance(c.centre, {x, y}) < geom::Distance(best->centre, {x, y})) best = &c;
        return *best;
    }
};

TEST(CollectFinderCandidates, SquareWithinFourFifths) {
    Raster r = zr::test::Canvas(200, 100);
    DrawFinder(r, 20, 20, 2, 2);  // 14 x 14
    // 10 wide, 13 high: runs 2:1:4:1:2 across, 2:2:5:2:2 down, both finder profiles.
    for (int x = 60; x < 70; ++x)
        for (int y = 20; y < 33; ++y) {
            const int cx = x - 60, cy = y - 20;
            const bool ring = cx < 2 || cx >= 8 || cy < 2 || cy >= 11;
            const bool core = cx >= 3 && cx < 7 && cy >= 4 && cy < 9;
            if (ring || core) r.at(x, y) = 0;
        }
    Labelled l(r);
    ASSERT_EQ(l.candidates.size(), 1u);
    EXPECT_EQ(l.candidates[0].centre, (geom::PointF{27, 27}));
}

TEST(CollectFinderCandidates, RowPretestNeverDropsARegionTheRowTestPasses) {
    // Random blocks and finders at odd offsets: the box-row test before the
    // trace must keep every region whose traced rows hold a finder profile.
    std::mt19937 random(9);
    int passing = 0, skipped = 0;
    for (int picture = 0; picture < 20; ++picture) {
        Raster r = RandomBlocks(random, 1 + picture % 4, 3);
        DrawFinder(r, 3 + picture % 9, 5 + picture % 7, 1 + picture % 3, 1 + picture % 2);
        Labelled l(r);  // outlines traced for every region
        const BitImageView view(l.image);
        lines::RunScan scan;
        scan.area = view.Bounds();
        lines::RunBufferInit(scan, lines::kLeftToRight);
        for (const regions::Region &region : l.search.regions) {
            const bool may = MayHoldFinderRow(view, region);
            skipped += may ? 0 : 1;
            if (!CheckFinderRow(scan, view, region)) continue;
            ++passing;
            EXPECT_TRUE(may) << "picture " << picture << " region at " << region.box.x0 << ","
                             << region.box.y0;
        }
    }
    EXPECT_GT(passing, 20);
    EXPECT_GT(skipped, 20);
}

TEST(CollectFinderCandidates, BoxPretestNeverDropsARegionTheTestsPass) {
    // Random blocks joined into large shapes, finders at odd offsets and
    // scales, some touching the picture's edge, labelled over the whole
    // picture and over a rectangle that cuts shapes: every region whose
    // traced rows and columns pass both tests passes the box pretest too.
    std::mt19937 random(11);
    int passing = 0, rejected = 0;
    for (int picture = 0; picture < 40; ++picture) {
        Raster r = RandomBlocks(random, 1 + picture % 4, 2 + picture % 3);
        DrawFinder(r, picture % 2 == 0 ? 0 : 3 + picture % 9, 5 + picture % 7, 1 + picture % 3,
                   1 + picture % 2);
        DrawFinder(r, 90 + picture % 5, 40 + picture % 11, 2 + picture % 2, 2);
        const std::vector<std::uint8_t> dib = zr::test::ToDib(r, 1);
        WorkingImage image;
        ASSERT_EQ(ImageFromDib(&image.image, dib.data()), 0);
        const BitImageView view(image.image);
        for (const geom::SearchBounds bounds :
             {geom::SearchBounds{0, 0, 159, 119}, geom::SearchBounds{20, 10, 130, 100}}) {
            regions::RegionSearch search(bounds);
            search.minWidth = search.minHeight = 7;
            search.traceOutlines = true;
            regions::LabelRegions(image.image, search);
            lines::RunScan scan, window;
            scan.area = view.Bounds();
            lines::RunBufferInit(scan, lines::kLeftToRight);
            for (const regions::Region &region : search.regions) {
                const bool may = BoxMayPassFinderTests(scan, window, view, region, bounds);
                rejected += may ? 0 : 1;
                if (!CheckFinderRow(scan, view, region) || !CheckFinderColumn(scan, view, region)) continue;
                ++passing;
                EXPECT_TRUE(may) << "picture " << picture << " region at " << region.box.x0 << ","
                                 << region.box.y0 << " size " << region.Width() << "x" << region.Height();
            }
        }
    }
    EXPECT_GT(passing, 20);
    EXPECT_GT(rejected, 40);
}

TEST(LocateQRSymbol, LegTestDependsOnWhichLegIsAX) {
    // Centres (100,100), (200,100), (100,211): legs 100 and 111 at a right angle.
    Raster r = zr::test::Canvas(320, 320);
    DrawFinder(r, 79, 79, 6, 6);
    DrawFinder(r, 179, 79, 6, 6);
    DrawFinder(r, 79, 190, 6, 6);
    Labelled l(r);
    ASSERT_EQ(l.candidates.size(), 3u);
    const FinderCandidate &a = l.At(100, 100), &x = l.At(200, 100), &y = l.At(100, 211);
    EXPECT_DOUBLE_EQ(a.centre.x, 100);
    QRCandidate c;
    EXPECT_FALSE(LocateQRSymbol(a, x, y, c));
    EXPECT_TRUE(LocateQRSymbol(a, y, x, c));
    EXPECT_EQ(c.b, (geom::PointF{200, 100}));
    EXPECT_EQ(c.d, (geom::PointF{100, 211}));
}

TEST(LocateQRSymbol, LegsTooUnequalOrNotAtARightAngle) {
    Raster r = zr::test::Canvas(360, 360);
    DrawFinder(r, 79, 79, 6, 6);
    DrawFinder(r, 179, 79, 6, 6);
    DrawFinder(r, 79, 204, 6, 6);  // legs 100 and 125
    DrawFinder(r, 250, 250, 6, 6);
    Labelled l(r);
    ASSERT_EQ(l.candidates.size(), 4u);
    const FinderCandidate &a = l.At(100, 100), &x = l.At(200, 100), &y = l.At(100, 225),
                          &far = l.At(271, 271);
    QRCandidate c;
    EXPECT_FALSE(LocateQRSymbol(a, x, y, c));
    EXPECT_FALSE(LocateQRSymbol(a, y, x, c));
    EXPECT_FALSE(LocateQRSymbol(x, a, far, c));  // a fourth finder far away
}

TEST(LocateQRSymbol, GridCornersAndVersionFromTheFinderSpacing) {
    // 7-pixel modules, centres 172 pixels apart: version trunc(2 x 14.57 x 0.125 + 0.5) = 4.
    Raster r = zr::test::Canvas(360, 360);
    DrawFinder(r, 76, 76, 7, 7);
    DrawFinder(r, 248, 76, 7, 7);
    DrawFinder(r, 76, 248, 7, 7);
    Labelled l(r);
    ASSERT_EQ(l.candidates.size(), 3u);
    QRCandidate c;
    const FinderCandidate &a = l.At(100, 100), &b = l.At(272, 100), &d = l.At(100, 272);
    ASSERT_TRUE(LocateQRSymbol(a, d, b, c));
    EXPECT_EQ(c.version, 4);
    EXPECT_EQ(c.size, 33);
    EXPECT_NEAR(c.moduleAB, 7, 1e-9);
    EXPECT_NEAR(c.moduleAD, 7, 1e-9);
    EXPECT_EQ(c.b, (geom::PointF{272.5, 100.5}));
    EXPECT_NEAR(c.corners.topLeft.x, 76, 1e-9);
    EXPECT_NEAR(c.corners.topLeft.y, 76, 1e-9);
    EXPECT_NEAR(c.corners.bottomRight.x, 297, 1e-9);
    // The grid steps span the corners in 33 modules.
    EXPECT_NEAR(c.u.x, 221.0 / 33, 1e-9);
    EXPECT_NEAR(c.v.y, 221.0 / 33, 1e-9);
    EXPECT_NEAR(c.u.y, 0, 1e-9);
}

TEST(LocateQRSymbol, VersionEstimatesOfZeroOrAboveFortyAreRejected) {
    Raster close = zr::test::Canvas(260, 260);
    DrawFinder(close, 76, 76, 7, 7);
    DrawFinder(close, 136, 76, 7, 7);  // 60 pixels: fewer than 10 modules between centres
    DrawFinder(close, 76, 136, 7, 7);
    Labelled near(close);
    ASSERT_EQ(near.candidates.size(), 3u);
    QRCandidate c;
    EXPECT_FALSE(LocateQRSymbol(near.At(100, 100), near.At(160, 100), near.At(100, 160), c));

    Raster wide = zr::test::Canvas(420, 420);
    DrawFinder(wide, 20, 20, 2, 2);
    DrawFinder(wide, 20 + 2 * 178, 20, 2, 2);  // 178 modules apart: version 42
    DrawFinder(wide, 20, 20 + 2 * 178, 2, 2);
    Labelled far(wide);
    ASSERT_EQ(far.candidates.size(), 3u);
    EXPECT_FALSE(LocateQRSymbol(far.At(27, 27), far.At(383, 27), far.At(27, 383), c));
}

// The 15-bit format word of a 5-bit value (level and mask), BCH(15,5) with generator 0x537.
std::uint32_t FormatWord(std::uint32_t value) {
    std::uint32_t remainder = value << 10;
    for (int bit = 14; bit >= 10; --bit)
        if (remainder & (1u << bit)) remainder ^= 0x537u << (bit - 10);
    return (value << 10) | remainder;
}

FormatBits ToBits(std::uint32_t word) {
    FormatBits bits{};
    for (int k = 0; k < 15; ++k) bits[static_cast<std::size_t>(k)] = (word >> k) & 1;
    return bits;
}

TEST(DecodeFormatBits, EveryWordWithUpToThreeFlippedBits) {
    for (std::uint32_t value = 0; value < 32; ++value) {
        const FormatBits clean = ToBits(FormatWord(value));
        for (std::uint32_t errors = 0; errors < (1u << 15); ++errors) {
            const int flipped = __builtin_popcount(errors);
            if (flipped > 3) continue;
            FormatBits bits = ToBits(FormatWord(value) ^ errors);
            ASSERT_EQ(DecodeFormatBits(bits), flipped) << value << " " << errors;
            ASSERT_EQ(bits, clean);
        }
    }
}

// Data and remainder modules of every version: the alignment table against the codeword counts.
TEST(ModuleMap, DataModulesOfEveryVersion) {
    constexpr int kRemainderBits[41] = {0, 0, 7, 7, 7, 7, 7, 0, 0, 0, 0, 0, 0, 0, 3, 3, 3, 3, 3, 3, 3,
                                        4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0};
    for (int version = 1; version <= 40; ++version) {
        BlockLayout layout;
        ASSERT_TRUE(LookUpBlocks(version, kLevelM, layout));
        std::vector<int> order;
        InterleaveOrder(order, layout);
        ModuleMap map;
        PlaceCodewordBits(order, version, map);
        int data = 0, remainder = 0;
        std::vector<int> bitsOf(static_cast<std::size_t>(layout.Total()) + 1, 0);
        for (int j = 0; j < map.Size(); ++j)
            for (int i = 0; i < map.Size(); ++i) {
                const int code = map.At(j, i);
                if (code >= 10) {
                    ++data;
                    ++bitsOf[static_cast<std::size_t>(code / 10)];
                } else if (code < kFunctionModule) {
                    ++remainder;
                } else {
                    ASSERT_EQ(code, kFunctionModule);
                }
            }
        EXPECT_EQ(data, layout.Total() * 8) << version;
        EXPECT_EQ(remainder, kRemainderBits[version]) << version;
        for (int k = 1; k <= layout.Total(); ++k) EXPECT_EQ(bitsOf[static_cast<std::size_t>(k)], 8);
        if (version >= 7) {
            const int n = map.Size();
            for (int i = 0; i < 6; ++i)
                for (int j = n - 11; j < n - 8; ++j) {
                    EXPECT_EQ(map.At(j, i), kFunctionModule);
                    EXPECT_EQ(map.At(i, j), kFunctionModule);
                }
        }
    }
}

TEST(ModuleMap, FirstCodewordStartsUpTheRightEdge) {
    BlockLayout layout;
    ASSERT_TRUE(LookUpBlocks(1, kLevelM, layout));
    std::vector<int> order;
    InterleaveOrder(order, layout);
    ModuleMap map;
    PlaceCodewordBits(order, 1, map);
    EXPECT_EQ(map.At(20, 20), 17);  // codeword 1, bit 7
    EXPECT_EQ(map.At(19, 20), 16);
    EXPECT_EQ(map.At(20, 19), 15);
    EXPECT_EQ(map.At(19, 17), 10);
    EXPECT_EQ(map.At(20, 16), 27);  // codeword 2 follows upward
}

}  // namespace
}  // namespace zr::qr
