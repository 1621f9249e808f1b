// The linear reader's second look on grey levels: the edge finder against a
// plain version of its rule, and symbols the first look cannot read (small,
// blurred, low, shaded, curved) read end to end through the exported calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <cmath>
#include <cstring>
#include <random>

#include "bar/grey_look.hpp"
#include "core/edges/grey_edges.hpp"
#include <map>
#include <set>
#include "reader_test_util.hpp"
#include "support/warp.hpp"

namespace zr::bar::test {
namespace {

using edges::GreyEdge;
using edges::GreyEdgeFinder;
using edges::GreyEdgeSettings;

// ---- The edge finder ----

// The rule step by step over whole arrays: differences, slopes, local
// thresholds by direct search, centroids, then merging.
std::vector<GreyEdge> ReferenceEdges(const std::vector<std::uint8_t> &p, int floor, GreyEdgeSettings s = {}) {
    const int n = static_cast<int>(p.size());
    std::vector<int> d(static_cast<std::size_t>(std::max(0, n - 1)));
    for (int i = 0; i + 1 < n; ++i) d[i] = p[i + 1] - p[i];
    const auto threshold = [&](int i) {
        const int b = i / GreyEdgeSettings::kBlock;
        const int from = std::max(0, (b - GreyEdgeSettings::kReach) * GreyEdgeSettings::kBlock);
        const int to = std::min(n, (b + GreyEdgeSettings::kReach + 1) * GreyEdgeSettings::kBlock);
        const auto [low, high] = std::minmax_element(p.begin() + from, p.begin() + to);
        return std::max({s.minContrast, floor, static_cast<int>(std::ceil(s.rangeShare * (*high - *low)))});
    };
    std::vector<GreyEdge> raw;
    int i = 0;
    while (i < n - 1) {
        if (d[i] == 0) {
            ++i;
            continue;
        }
        const int sense = d[i] > 0 ? 1 : -1;
        int end = i;
        while (end < n - 1 && d[end] * sense >= 0) ++end;
        int peakAt = i, change = 0;
        for (int k = i; k < end; ++k) {
            change += d[k] * sense;
            if (d[k] * sense > d[peakAt] * sense) peakAt = k;
        }
        double weighted = 0, weights = 0;
        for (int k = std::max(i, peakAt - 1); k <= std::min(end - 1, peakAt + 1); ++k) {
            weighted += (k + 0.5) * d[k] * sense;
            weights += d[k] * sense;
        }
        i = end;
        if (change < threshold(peakAt)) continue;
        raw.push_back({weighted / weights, change * sense});
    }
    std::vector<GreyEdge> merged;
    for (const GreyEdge &e : raw) {
        if (!merged.empty() && (merged.back().change > 0) == (e.change > 0)) {
            GreyEdge &m = merged.back();
            const double wa = std::abs(m.change), wb = std::abs(e.change);
            m.position = (m.position * wa + e.position * wb) / (wa + wb);
            m.change += e.change;
        } else {
            merged.push_back(e);
        }
    }
    return merged;
}

// A profile of bars of random widths, blurred, shaded and noisy, or pure noise.
std::vector<std::uint8_t> RandomProfile(std::mt19937 &rng, bool bars) {
    std::uniform_int_distribution<int> length(1, 400), level(0, 255), noise(-12, 12);
    std::uniform_real_distribution<double> width(0.8, 8.0), blur(0.0, 2.0);
    const int n = length(rng);
    std::vector<double> ideal(static_cast<std::size_t>(n));
    if (bars) {
        const double dark = level(rng) / 3.0, light = 255 - level(rng) / 3.0;
        double next = width(rng) * 4;
        bool isDark = false;
        for (int i = 0; i < n; ++i) {
            if (i >= next) {
                isDark = !isDark;
                next += width(rng);
            }
            ideal[i] = (isDark ? dark : light) * (0.6 + 0.4 * i / n);
        }
        const double sigma = blur(rng);
        std::vector<double> smooth = ideal;
        if (sigma > 0.2) {
            for (int i = 0; i < n; ++i) {
                double sum = 0, weight = 0;
                for (int k = -6; k <= 6; ++k) {
                    const int j = std::clamp(i + k, 0, n - 1);
                    const double w = std::exp(-k * k / (2 * sigma * sigma));
                    sum += w * ideal[j];
                    weight += w;
                }
                smooth[i] = sum / weight;
            }
        }
        ideal = smooth;
    }
    std::vector<std::uint8_t> p(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        p[i] = static_cast<std::uint8_t>(std::clamp(bars ? ideal[i] + noise(rng) : level(rng), 0.0, 255.0));
    return p;
}

TEST(GreyEdges, MatchesThePlainRuleOnRandomProfiles) {
    std::mt19937 rng(22);
    GreyEdgeFinder finder;  // one finder for all: its reused buffers must not leak between profiles
    for (int trial = 0; trial < 3000; ++trial) {
        const std::vector<std::uint8_t> p = RandomProfile(rng, trial % 3 != 0);
        const int floor = trial % 4 == 0 ? 40 : 0;
        finder.SetNoiseFloor(floor);
        const std::vector<GreyEdge> &found = finder.Find(p.data(), static_cast<int>(p.size()));
        const std::vector<GreyEdge> expected = ReferenceEdges(p, floor);
        ASSERT_EQ(found.size(), expected.size()) << "trial " << trial;
        for (std::size_t i = 0; i < found.size(); ++i) {
            ASSERT_NEAR(found[i].position, expected[i].position, 1e-9) << "trial " << trial << " edge " << i;
            ASSERT_EQ(found[i].change, expected[i].change) << "trial " << trial << " edge " << i;
        }
        for (std::size_t i = 1; i < found.size(); ++i)
            ASSERT_NE(found[i].change > 0, found[i - 1].change > 0) << "edges alternate";
    }
}

TEST(GreyEdges, PlaceSharpEdgesExactlyAndBlurredOnesWithinAFifthOfTheBlur) {
    // Light ground, one dark bar from 20.3 to 27.8 (area sampling), blurred.
    for (const auto &[sigma, tolerance] : {std::pair{0.0, 0.02}, {0.7, 0.15}, {1.5, 0.3}}) {
        std::vector<double> ideal(60);
        for (int i = 0; i < 60; ++i) {
            const double covered = std::clamp(std::min(i + 0.5, 27.8) - std::max(i - 0.5, 20.3), 0.0, 1.0);
            ideal[i] = 230 - 200 * covered;
        }
        std::vector<std::uint8_t> p(60);
        for (int i = 0; i < 60; ++i) {
            double sum = 0, weight = 0;
            for (int k = -6; k <= 6; ++k) {
                const double w = sigma > 0 ? std::exp(-k * k / (2 * sigma * sigma)) : (k == 0 ? 1 : 0);
                sum += w * ideal[std::clamp(i + k, 0, 59)];
                weight += w;
            }
            p[i] = static_cast<std::uint8_t>(std::lround(sum / weight));
        }
        GreyEdgeFinder finder;
        const std::vector<GreyEdge> &e = finder.Find(p.data(), 60);
        SCOPED_TRACE("sigma " + std::to_string(sigma));
        ASSERT_EQ(e.size(), 2u);
        EXPECT_LT(e[0].change, 0);
        EXPECT_GT(e[1].change, 0);
        // Sample i covers i - 0.5 .. i + 0.5: the bar's edges lie at 20.3 and 27.8.
        EXPECT_NEAR(e[0].position, 20.3, tolerance);
        EXPECT_NEAR(e[1].position, 27.8, tolerance);
    }
}

// Light ground (230) with dark bars (30) over the given half-open sample ranges.
std::vector<std::uint8_t> SharpBars(int n, std::initializer_list<std::pair<int, int>> bars) {
    std::vector<std::uint8_t> p(static_cast<std::size_t>(n), 230);
    for (const auto &[from, to] : bars)
        for (int i = from; i < to; ++i) p[static_cast<std::size_t>(i)] = 30;
    return p;
}

TEST(GreyEdges, OutsideSkippedStretchesTheEdgesAreThoseOfTheWholeProfile) {
    // Bars either side of a block of bars (60..140) that the stretch skips.
    const std::vector<std::uint8_t> p = SharpBars(
        200, {{20, 25}, {35, 40}, {60, 64}, {72, 76}, {84, 88}, {96, 100}, {108, 112}, {120, 140}, {160, 165}, {180, 185}});
    GreyEdgeFinder finder;
    std::vector<GreyEdge> expected;
    for (const GreyEdge &e : finder.Find(p.data(), 200))
        if (e.position < 55 || e.position > 145) expected.push_back(e);
    ASSERT_EQ(expected.size(), 8u);
    // One stretch, two overlapping ones, and one reaching past both ends of the profile.
    for (const std::vector<edges::SkippedStretch> &skipped :
         {std::vector<edges::SkippedStretch>{{55, 145}}, {{55, 100}, {90, 145}}, {{55, 145}, {198.5, 260}}}) {
        const std::vector<GreyEdge> &found = finder.FindOutside(p.data(), 200, skipped);
        ASSERT_EQ(found.size(), expected.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_NEAR(found[i].position, expected[i].position, 1e-9) << "edge " << i;
            EXPECT_EQ(found[i].change, expected[i].change) << "edge " << i;
        }
    }
    // No stretch: every edge.
    EXPECT_EQ(finder.FindOutside(p.data(), 200, {}).size(), finder.Find(p.data(), 200).size());
}

TEST(GreyEdges, EdgesAroundASkippedStretchStillAlternate) {
    // A wide bar 20..60 whose rising edge lies in the stretch, then a bar at
    // 100..110: the falling edge at 100 follows the falling one at 20 and is left out.
    const std::vector<std::uint8_t> p = SharpBars(150, {{20, 60}, {100, 110}});
    GreyEdgeFinder finder;
    const std::vector<GreyEdge> &found = finder.FindOutside(p.data(), 150, {{40, 80}});
    ASSERT_EQ(found.size(), 2u);
    EXPECT_LT(found[0].change, 0);
    EXPECT_NEAR(found[0].position, 20, 0.5);
    EXPECT_GT(found[1].change, 0);
    EXPECT_NEAR(found[1].position, 110, 0.5);
    // Random profiles and stretches: nothing inside a stretch, edges in order and alternating.
    std::mt19937 rng(5);
    for (int trial = 0; trial < 500; ++trial) {
        const std::vector<std::uint8_t> q = RandomProfile(rng, true);
        const int n = static_cast<int>(q.size());
        std::uniform_real_distribution<double> place(-20, n + 20);
        std::vector<edges::SkippedStretch> skipped;
        for (int k = 0; k < 1 + trial % 2; ++k) {
            const double a = place(rng), b = place(rng);
            skipped.push_back({std::min(a, b), std::max(a, b)});
        }
        std::sort(skipped.begin(), skipped.end(), [](auto &a, auto &b) { return a.from < b.from; });
        const std::vector<GreyEdge> &e = finder.FindOutside(q.data(), n, skipped);
        for (std::size_t i = 0; i < e.size(); ++i) {
            ASSERT_TRUE(e[i].position >= 0 && e[i].position < n) << "trial " << trial;
            for (const edges::SkippedStretch &s : skipped)
                ASSERT_FALSE(e[i].position >= std::floor(s.from) && e[i].position <= std::ceil(s.to) + 1)
                    << "trial " << trial << " edge " << i;
            if (i == 0) continue;
            ASSERT_GT(e[i].position, e[i - 1].position) << "trial " << trial;
            ASSERT_NE(e[i].change > 0, e[i - 1].change > 0) << "trial " << trial;
        }
    }
}

TEST(GreyEdges, FlatGroundGivesNoEdgesAndNoiseFewAboveItsFloor) {
    GreyEdgeFinder finder;
    const std::vector<std::uint8_t> flat(100, 128);
    EXPECT_TRUE(finder.Find(flat.data(), 100).empty());
    EXPECT_TRUE(finder.Find(flat.data(), 1).empty());
    EXPECT_TRUE(finder.Find(flat.data(), 0).empty());
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> noise(100, 140);
    std::vector<std::uint8_t> plane(500 * 16);
    for (std::uint8_t &v : plane) v = static_cast<std::uint8_t>(noise(rng));
    finder.SetNoiseFloor(edges::NoiseFloor(plane.data(), 500, 16));
    // Only the rare run of the noise that climbs through its whole range passes.
    std::size_t found = 0;
    for (int row = 0; row < 16; ++row) found += finder.Find(plane.data() + row * 500, 500).size();
    EXPECT_LT(found, 16u * 500 / 20);
    finder.SetNoiseFloor(0);
    std::size_t unfloored = 0;
    for (int row = 0; row < 16; ++row) unfloored += finder.Find(plane.data() + row * 500, 500).size();
    EXPECT_GT(unfloored, 5 * found);
    // A bar of the same amplitude as the noise still stands out of flat ground.
    std::vector<std::uint8_t> bar(100, 140);
    std::fill(bar.begin() + 40, bar.begin() + 50, 100);
    finder.SetNoiseFloor(edges::NoiseFloor(bar.data(), 100, 1));
    EXPECT_EQ(finder.Find(bar.data(), 100).size(), 2u);
}

// ---- Symbols read end to end ----

struct Family {
    const char *name;
    int symbology;
    const char *data;
    std::uint32_t type;
    const char *text;
};

// Families of strong and of weak checks; UPC-A with a number system 0 and a
// first digit 0, which both the EAN 13 and UPC-A rows give as UPC-A.
const Family kFamilies[] = {
    {"EAN 13", BARCODE_EANX, "400638133393", ZR_BAR_EAN13, "4006381333931"},
    {"UPC-A", BARCODE_UPCA, "01234567890", ZR_BAR_UPCA, "012345678905"},
    {"EAN 8", BARCODE_EANX, "9638507", ZR_BAR_EAN8, "96385074"},
    {"UPC-E", BARCODE_UPCE, "0425261", ZR_BAR_UPCE, "04252614"},
    {"Code 128", BARCODE_CODE128, "Zr-128 abc", ZR_BAR_CODE128, "Zr-128 abc"},
    {"Code 93", BARCODE_CODE93, "ZR-93", ZR_BAR_CODE93, "ZR-93-+"},  // both check characters kept
    {"Code 39", BARCODE_CODE39, "CODE-39", ZR_BAR_CODE39, "CODE-39"},
    {"Interleaved", BARCODE_C25INTER, "00123456", ZR_BAR_INTERLEAVED_2OF5, "00123456"},
};

// What a picture does to a symbol drawn at one pixel per module.
struct Condition {
    const char *name;
    double pixelsPerModule = 1.3;
    int heightPixels = 10;
    double blurModules = 0;  // Gaussian sigma in modules
    bool gradient = false;   // light falling to a third across the picture
    double cylinderArc = 0;  // radians of a cylinder the label is wrapped round
};

// Drawn at ten pixels per module, blurred there (at least as much as a
// camera's pixels integrate) and sampled down to the size asked for.
Raster Draw(const Family &f, const Condition &c) {
    constexpr int kFine = 10;
    constexpr double kPixelBlur = 0.4;  // sigma of a pixel's own integration, in pixels
    zr::test::SymbolOptions options;
    options.symbology = f.symbology;
    options.data = f.data;
    options.moduleSize = kFine;
    options.barHeight = std::max(1, static_cast<int>(std::lround(c.heightPixels / c.pixelsPerModule)));
    Raster r = zr::test::RenderSymbol(options);
    EXPECT_FALSE(r.empty());
    if (c.cylinderArc > 0) r = zr::test::Cylinder(r, c.cylinderArc);
    const double sigma = std::hypot(c.blurModules, kPixelBlur / c.pixelsPerModule) * kFine;
    r = zr::test::Blur(r, sigma);
    r = zr::test::Scale(r, c.pixelsPerModule / kFine, c.pixelsPerModule / kFine, true);
    Raster canvas = OnCanvas(r, 24);
    if (c.gradient) {
        for (int y = 0; y < canvas.height; ++y)
            for (int x = 0; x < canvas.width; ++x)
                canvas.at(x, y) =
                    static_cast<std::uint8_t>(canvas.at(x, y) * (1.0 - 0.65 * x / canvas.width));
    }
    return zr::test::AddNoise(canvas, 4, 7);
}

void FirstLookOnly(ZrBarScanner &scanner) {
    scanner.extraFlags |= ZR_BAR_FIRST_LOOK_ONLY;
}

bool Holds(const Scan &scan, const Family &f) {
    return std::any_of(scan.results.begin(), scan.results.end(), [&](const ZrBarResult &r) {
        return r.type == f.type && std::string(r.text) == f.text;
    });
}

TEST(ZrBarGreyLook, ReadsSmallBlurredShadedAndCurvedSymbolsTheFirstLookCannot) {
    const Condition conditions[] = {
        {"1.3 px per module, 10 px high"},
        {"blurred 0.45 module", 1.5, 10, 0.45},
        {"blurred half a module, 2 px per module", 2.0, 12, 0.5},
        {"lighting gradient", 1.3, 10, 0.3, true},
        {"cylinder", 2.0, 12, 0.3, false, 2.0},
    };
    for (const Condition &c : conditions) {
        for (const Family &f : kFamilies) {
            SCOPED_TRACE(std::string(f.name) + ", " + c.name);
            const Raster picture = Draw(f, c);
            const Scan first = Read(picture, 8, FirstLookOnly);
            const Scan both = Read(picture);
            EXPECT_FALSE(Holds(first, f)) << Texts(first);
            EXPECT_EQ(both.results.size(), 1u) << Texts(both);
            if (both.results.empty()) continue;
            EXPECT_TRUE(Holds(both, f)) << Texts(both);
            EXPECT_EQ(both.results[0].checksum,
                      f.type == ZR_BAR_CODE39 || f.type == ZR_BAR_INTERLEAVED_2OF5 ? 0 : 1);
        }
    }
}

TEST(ZrBarGreyLook, TheFirstLookOnlyBitGivesExactlyTheFirstLooksResults) {
    // One symbol each look reads (a large EAN 13, after which the second look
    // seeks add-ons) and one only the second reads (a small Code 128).
    zr::test::SymbolOptions large;
    large.symbology = BARCODE_EANX;
    large.data = "978020137962";
    large.barHeight = 40;
    Raster picture = zr::test::Canvas(700, 260);
    zr::test::Paste(picture, zr::test::RenderSymbol(large), 20, 10);
    const Family &code128 = kFamilies[4];
    Raster small = Draw(code128, {"small"});
    zr::test::Paste(picture, small, 20, 200);
    const Scan first = Read(picture, 8, FirstLookOnly);
    const Scan both = Read(picture);
    ASSERT_EQ(first.results.size(), 1u) << Texts(first);
    ASSERT_EQ(both.results.size(), 2u) << Texts(both);
    const ZrBarResult &kept = both.results[0], &firstOnly = first.results[0];
    EXPECT_TRUE(std::equal(std::begin(kept.corners), std::end(kept.corners), std::begin(firstOnly.corners)));
    EXPECT_EQ(kept.type, firstOnly.type);
    EXPECT_EQ(kept.angle, firstOnly.angle);
    EXPECT_EQ(kept.barColor, firstOnly.barColor);
    EXPECT_EQ(kept.checksum, firstOnly.checksum);
    EXPECT_STREQ(kept.text, firstOnly.text);
    EXPECT_STREQ(both.results[0].text, "9780201379624");
    EXPECT_STREQ(both.results[1].text, code128.text);
    EXPECT_EQ(first.after.extraFlags, ZR_BAR_FIRST_LOOK_ONLY);  // the bit stays as given
    // The second look's result lies where the small symbol was pasted, read left to right.
    const ZrBarResult &r = both.results[1];
    for (int k = 0; k < 4; ++k) {
        EXPECT_GE(r.corners[2 * k], 20);
        EXPECT_LE(r.corners[2 * k], 20 + small.width);
        EXPECT_GE(r.corners[2 * k + 1], 200 - 3);
        EXPECT_LE(r.corners[2 * k + 1], 200 + small.height + 3);
    }
    EXPECT_LT(r.corners[0], r.corners[4]);
    EXPECT_EQ(r.angle, 0.0);
}

TEST(ZrBarGreyLook, ReadsTurnedSymbolsOnColumnsAndDiagonalsWithTheirReadingAngle) {
    const Raster symbol = Draw(kFamilies[4], {"small"});  // Code 128
    for (const int quarter : {1, 2, 3}) {
        SCOPED_TRACE("quarter turns " + std::to_string(quarter));
        const Scan scan = Read(zr::test::RotateQuarter(symbol, quarter));
        ASSERT_EQ(scan.results.size(), 1u) << Texts(scan);
        EXPECT_STREQ(scan.results[0].text, kFamilies[4].text);
        EXPECT_EQ(scan.results[0].angle, 90.0 * quarter);
    }
    const Scan diagonal = Read(zr::test::Rotate(Draw(kFamilies[4], {"small", 1.6, 14}), 45, true));
    ASSERT_EQ(diagonal.results.size(), 1u) << Texts(diagonal);
    EXPECT_STREQ(diagonal.results[0].text, kFamilies[4].text);
    EXPECT_EQ(diagonal.results[0].angle, 45.0);
}

TEST(ZrBarGreyLook, ReadsAddOnsBesideTheMainSymbol) {
    struct AddOn {
        int symbology;
        const char *data;
        const char *main;
        std::uint32_t type;
        const char *text;
    };
    const AddOn cases[] = {
        {BARCODE_EANX, "400638133393+12", "4006381333931", ZR_BAR_ADDON2, "12"},
        {BARCODE_EANX, "400638133393+54495", "4006381333931", ZR_BAR_ADDON5, "54495"},
        {BARCODE_UPCA, "01234567890+07", "012345678905", ZR_BAR_ADDON2, "07"},
    };
    for (const AddOn &c : cases) {
        SCOPED_TRACE(c.data);
        const Family f{"with add-on", c.symbology, c.data, 0, ""};
        const Scan scan = Read(Draw(f, {"small", 1.5, 12}));
        const bool main = std::any_of(scan.results.begin(), scan.results.end(),
                                      [&](const ZrBarResult &r) { return std::string(r.text) == c.main; });
        const bool addOn = std::any_of(scan.results.begin(), scan.results.end(), [&](const ZrBarResult &r) {
            return r.type == c.type && std::string(r.text) == c.text;
        });
        EXPECT_TRUE(main) << Texts(scan);
        EXPECT_TRUE(addOn) << Texts(scan);
        EXPECT_EQ(scan.results.size(), 2u) << Texts(scan);
    }
    // An add-on alone is no symbol.
    const Family alone{"add-on alone", BARCODE_EANX, "12", 0, ""};
    EXPECT_TRUE(Read(Draw(alone, {"small", 1.5, 12})).results.empty());
}

// Pictures of noise of several kinds, where nothing may be read.
// EAN 13 and UPC-A print their outer digits inside the quiet zones, and
// EAN 8 symbols are often cropped close; where print stands closer to the
// guards than the common rule allows (two modules here), the guards and the
// check digit still let the symbol read.
TEST(ZrBarGreyLook, ReadsTheAddOnAfterATurnedMainSymbol) {
    // The add-on is sought only after the main symbol in its reading sense:
    // upright it lies to the right of the main symbol, turned a quarter above it.
    const Family f{"with add-on", BARCODE_EANX, "400638133393+54495", 0, ""};
    const Raster upright = Draw(f, {"small", 1.5, 12});
    for (const int quarter : {0, 1}) {
        SCOPED_TRACE("quarter turns " + std::to_string(quarter));
        const Scan scan = Read(quarter == 0 ? upright : zr::test::RotateQuarter(upright, quarter));
        const bool main = std::any_of(scan.results.begin(), scan.results.end(),
                                      [](const ZrBarResult &r) { return std::string(r.text) == "4006381333931"; });
        const bool addOn = std::any_of(scan.results.begin(), scan.results.end(), [](const ZrBarResult &r) {
            return r.type == ZR_BAR_ADDON5 && std::string(r.text) == "54495";
        });
        EXPECT_TRUE(main) << Texts(scan);
        EXPECT_TRUE(addOn) << Texts(scan);
    }
}

TEST(ZrBarGreyLook, ReadsEanAndUpcWithPrintCloseToTheGuards) {
    constexpr int kFine = 10;  // pixels per module while drawing
    for (const Family *f : {&kFamilies[0], &kFamilies[1], &kFamilies[2]}) {
        SCOPED_TRACE(f->name);
        zr::test::SymbolOptions options;
        options.symbology = f->symbology;
        options.data = f->data;
        options.moduleSize = kFine;
        options.quietZone = 0;
        options.barHeight = 12;
        const Raster symbol = zr::test::RenderSymbol(options);
        ASSERT_FALSE(symbol.empty());
        const int margin = 20 * kFine;
        Raster picture = zr::test::Canvas(symbol.width + 2 * margin, symbol.height + 2 * kFine);
        zr::test::Paste(picture, symbol, margin, kFine);
        // Digit-like print two modules before the start guard and two after the end guard.
        for (int y = kFine; y < kFine + symbol.height; ++y)
            for (int x = 0; x < 4 * kFine; ++x) {
                picture.at(margin - 2 * kFine - 1 - x, y) = 0;
                picture.at(margin + symbol.width + 2 * kFine + x, y) = 0;
            }
        const double pixelsPerModule = 2.5;
        picture = zr::test::Blur(picture, 0.3 * kFine);
        picture = zr::test::Scale(picture, pixelsPerModule / kFine, pixelsPerModule / kFine, true);
        EXPECT_FALSE(Holds(Read(picture, 8, FirstLookOnly), *f));
        EXPECT_TRUE(Holds(Read(picture), *f));
    }
}

TEST(ZrBarGreyLook, NoiseGivesNothing) {
    constexpr int kWidth = 640, kHeight = 480;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> level(0, 255);
    for (int seed = 0; seed < 3; ++seed) {
        Raster uniform = zr::test::Canvas(kWidth, kHeight), binary = uniform, blocky = uniform;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uniform.at(x, y) = static_cast<std::uint8_t>(level(rng));
                binary.at(x, y) = level(rng) < 128 ? 0 : 255;
            }
        for (int y = 0; y < kHeight; y += 4)
            for (int x = 0; x < kWidth; x += 4) {
                const auto v = static_cast<std::uint8_t>(level(rng));
                for (int k = 0; k < 16; ++k) blocky.at(x + k % 4, y + k / 4) = v;
            }
        const Raster kinds[] = {uniform,
                                binary,
                                blocky,
                                zr::test::Blur(uniform, 1.0),
                                zr::test::Blur(binary, 2.0),
                                zr::test::AddNoise(zr::test::Canvas(kWidth, kHeight, 200), 30, seed)};
        for (const Raster &picture : kinds) {
            const Scan scan = Read(picture);
            EXPECT_TRUE(scan.results.empty()) << "seed " << seed << ": " << Texts(scan);
        }
    }
}



// Where the first look read a symbol and left a candidate undecoded far
// from it, the second look reads the candidate's symbol about it.
TEST(ZrBarGreyLook, ReadsAboutTheCandidatesTheFirstLookLeftBesideARead) {
    zr::test::SymbolOptions large;
    large.symbology = BARCODE_CODE39;
    large.data = "LARGE";
    large.barHeight = 40;
    const Family &code128 = kFamilies[4];
    for (const Condition &c : {Condition{"blurred half a module", 1.5, 40, 0.5},
                               Condition{"blurred 0.45 module", 1.3, 30, 0.45}}) {
        SCOPED_TRACE(c.name);
        Raster picture = zr::test::Canvas(1200, 600);
        zr::test::Paste(picture, zr::test::RenderSymbol(large), 20, 10);
        zr::test::Paste(picture, Draw(code128, c), 800, 450);
        const Scan first = Read(picture, 8, FirstLookOnly);
        const Scan both = Read(picture);
        ASSERT_EQ(first.results.size(), 1u) << Texts(first);
        EXPECT_STREQ(first.results[0].text, "LARGE");
        EXPECT_EQ(both.results.size(), 2u) << Texts(both);
        EXPECT_TRUE(Holds(both, code128)) << Texts(both);
    }
}

// The sweeps from sparse to dense hand out every line of the whole plan
// once between them; each sweep's lines lie its `every` spacings apart but
// for those an earlier one took; a family mask keeps its families only.
TEST(ZrBarGreyLines, SparseToDenseSweepsPartTheLinesOfTheWholePlan) {
    using zr::bar::GreyFamily;
    using zr::bar::GreyLine;
    using zr::bar::LinePlan;
    using zr::bar::LineSubset;
    const zr::bar::Rect area{3, 5, 403, 305};
    const auto lines = [&](LineSubset subset, std::uint8_t families) {
        std::set<std::pair<int, int>> placed;  // (family, across)
        LinePlan plan(area, area, 0xFF, subset, families);
        GreyLine line;
        while (plan.Next(line)) EXPECT_TRUE(placed.insert({static_cast<int>(line.family), line.across}).second);
        return placed;
    };
    const auto all = lines(zr::bar::kEveryLine, zr::bar::kEveryFamily);
    const LinePlan plan(area, area, 0xFF);
    std::set<std::pair<int, int>> swept;
    for (const LineSubset &subset : zr::bar::kSparseToDense) {
        const auto part = lines(subset, zr::bar::kEveryFamily);
        EXPECT_FALSE(part.empty());
        for (const auto &p : part) EXPECT_TRUE(swept.insert(p).second) << "line handed out by two sweeps";
        if (subset.skip != 0) continue;
        // A sweep that skips none lies `every` spacings apart in each family.
        std::map<int, std::vector<int>> places;
        for (const auto &p : part) places[p.first].push_back(p.second);
        EXPECT_EQ(places.size(), 4u);
        for (const auto &[family, across] : places)
            for (std::size_t i = 1; i < across.size(); ++i)
                EXPECT_EQ(across[i] - across[i - 1], subset.every * plan.Spacing(static_cast<GreyFamily>(family)));
    }
    EXPECT_EQ(swept, all);
    const auto rows = lines(zr::bar::kEveryLine, zr::bar::FamilyBit(GreyFamily::Rows));
    ASSERT_FALSE(rows.empty());
    for (const auto &p : rows) EXPECT_EQ(p.first, static_cast<int>(GreyFamily::Rows));
}

// A symbol too low for the sparse lines to cross is read on the lines
// between them: the sparse sweep reading nothing, the whole plan follows.
TEST(ZrBarGreyLook, ReadsASymbolOnlyTheLinesBetweenTheSparseOnesCross) {
    const Raster symbol = Draw(kFamilies[4], {"small"});  // Code 128
    Raster strip = zr::test::Canvas(symbol.width, 7);
    for (int y = 0; y < strip.height; ++y)
        for (int x = 0; x < symbol.width; ++x) strip.at(x, y) = symbol.at(x, symbol.height / 2);
    // Rows from the centre of a 200 high picture: the sparse ones at 100 +- 12 k; the strip lies between.
    Raster picture = zr::test::Canvas(symbol.width + 40, 200);
    zr::test::Paste(picture, strip, 20, 103);
    const Scan scan = Read(picture);
    ASSERT_EQ(scan.results.size(), 1u) << Texts(scan);
    EXPECT_STREQ(scan.results[0].text, kFamilies[4].text);
}

}  // namespace
}  // namespace zr::bar::test
