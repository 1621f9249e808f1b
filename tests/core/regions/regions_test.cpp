// Region labelling on crafted shapes: merging, start pixels, limits, the lost
// last row, whole-byte run extraction and the outline extents.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <tuple>
#include <string>
#include <vector>

#include "core/image.hpp"
#include "core/regions/regions.hpp"
#include "support/render.hpp"

namespace zr::regions {
namespace {

// A 1-bit working image drawn from text rows ('#' dark) placed at (ox, oy) on a
// light canvas of the given size.
struct Picture {
    ZrImage image{};
    Picture(const std::vector<std::string> &rows, int width, int height, int ox = 2, int oy = 2,
            bool darkIsZero = true) {
        test::Raster r = test::Canvas(width, height);
        for (std::size_t y = 0; y < rows.size(); ++y)
            for (std::size_t x = 0; x < rows[y].size(); ++x)
                if (rows[y][x] == '#') r.at(ox + static_cast<int>(x), oy + static_cast<int>(y)) = 0;
        Load(r, darkIsZero);
    }
    Picture(const test::Raster &r, bool darkIsZero) { Load(r, darkIsZero); }
    ~Picture() { ImageDestroy(&image); }
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;

  private:
    void Load(const test::Raster &r, bool darkIsZero) {
        const std::vector<std::uint8_t> dib = test::ToDib(r, 1, 0, darkIsZero);
        EXPECT_EQ(ImageFromDib(&image, dib.data()), 0);
    }
};

RegionSearch WholePicture(const ZrImage &image, bool trace = true) {
    RegionSearch s({0, 0, image.width, image.height});
    s.traceOutlines = trace;
    return s;
}

TEST(LabelRegions, UShapeMergesAndKeepsTheHigherArmsStart) {
    Picture p({"......#",  // right arm starts one row higher
               "#.....#", "#.....#", "#######"},
              20, 12);
    RegionSearch s = WholePicture(p.image);
    LabelRegions(p.image, s);
    ASSERT_EQ(s.Count(), 1u);
    const Region &r = s.regions[0];
    // Columns 2..8 and rows 2..5: the box is half-open.
    EXPECT_EQ(r.box.x0, 2);
    EXPECT_EQ(r.box.x1, 9);
    EXPECT_EQ(r.box.y0, 2);
    EXPECT_EQ(r.box.y1, 6);
    EXPECT_EQ(r.Width(), 7);
    EXPECT_EQ(r.Height(), 4);
    EXPECT_EQ(r.start, (geom::PointI{8, 2}));
    EXPECT_DOUBLE_EQ(r.fill, 12.0 / 28.0);

    Picture q({"#.....#", "#.....#", "#######"}, 20, 12);
    RegionSearch t = WholePicture(q.image);
    LabelRegions(q.image, t);
    ASSERT_EQ(t.Count(), 1u);
    // Arms starting on the same row: the right arm's region keeps its own start.
    EXPECT_EQ(t.regions[0].start, (geom::PointI{8, 2}));
}

TEST(LabelRegions, DiagonalContactJoinsAndSeparateShapesStaySeparate) {
    Picture p({"##....##", "##....##", "..#..#..", "...##...", "........", "#......#"}, 20, 12);
    RegionSearch s = WholePicture(p.image, false);
    LabelRegions(p.image, s);
    ASSERT_EQ(s.Count(), 3u);
    // The V closes two rows before the dots, so it comes last in the answer.
    EXPECT_EQ(s.regions[2].box.x0, 2);
    EXPECT_EQ(s.regions[2].box.x1, 10);
    EXPECT_EQ(s.regions[2].box.y1, 6);
    EXPECT_EQ(s.regions[0].Width(), 1);
}

TEST(LabelRegions, RingFillAndSolidSquareAgainstTheDensityLimits) {
    const std::vector<std::string> ring = {"#######", "#.....#", "#.....#", "#.....#",
                                           "#.....#", "#.....#", "#######"};
    Picture p(ring, 20, 20);
    RegionSearch s = WholePicture(p.image);
    s.minWidth = s.minHeight = 7;
    s.minDensity = 0.2;
    s.maxDensity = 0.8;
    LabelRegions(p.image, s);
    ASSERT_EQ(s.Count(), 1u);
    EXPECT_NEAR(s.regions[0].fill, 24.0 / 49.0, 1e-12);

    Picture solid(std::vector<std::string>(7, "#######"), 20, 20);
    RegionSearch t = WholePicture(solid.image);
    t.maxDensity = 0.8;
    LabelRegions(solid.image, t);
    EXPECT_EQ(t.Count(), 0u);
    t.maxDensity = 0;
    LabelRegions(solid.image, t);
    ASSERT_EQ(t.Count(), 1u);
    EXPECT_DOUBLE_EQ(t.regions[0].fill, 1.0);
    t.minWidth = 8;
    LabelRegions(solid.image, t);
    EXPECT_EQ(t.Count(), 0u);
}

TEST(LabelRegions, TheRectanglesLastRowBelongsToNoRegion) {
    Picture p(std::vector<std::string>(6, "####"), 20, 12, 4, 4);
    RegionSearch s = WholePicture(p.image, false);
    s.bounds.y1 = 7;  // rows 4..7 of the square lie inside, row 7 is the last
    LabelRegions(p.image, s);
    ASSERT_EQ(s.Count(), 1u);
    EXPECT_EQ(s.regions[0].box.y0, 4);
    EXPECT_EQ(s.regions[0].box.y1, 7);  // rows 4..6
}

TEST(LabelRegions, FrameIsClearedAndOutOfRangeRectanglesAreClamped) {
    // A square touching all four picture edges loses its outer ring.
    test::Raster r = test::Canvas(16, 16, 0);
    Picture p(r, false);
    RegionSearch s = WholePicture(p.image);
    s.bounds.x1 = 5000;
    s.bounds.y1 = 5000;
    LabelRegions(p.image, s);
    ASSERT_EQ(s.Count(), 1u);
    EXPECT_EQ(s.regions[0].box.x0, 1);
    EXPECT_EQ(s.regions[0].box.x1, 15);
    EXPECT_EQ(s.regions[0].box.y0, 1);
    EXPECT_EQ(s.regions[0].box.y1, 15);  // row 15, the cleared frame, is the last row

    RegionSearch empty = WholePicture(p.image);
    empty.bounds.x0 = 10;
    empty.bounds.x1 = 4;
    LabelRegions(p.image, empty);
    EXPECT_EQ(empty.Count(), 0u);

    Picture light({}, 40, 9);
    RegionSearch none = WholePicture(light.image);
    LabelRegions(light.image, none);
    EXPECT_EQ(none.Count(), 0u);
}

TEST(LabelRegions, ManyOpenRegionsGrowThePoolAndAnEarlierAnswerIsReplaced) {
    // 1201 vertical strokes open at once: more than one block of pool records.
    test::Raster r = test::Canvas(2405, 9);
    for (int x = 2; x <= 2402; x += 2)
        for (int y = 2; y <= 6; ++y) r.at(x, y) = 0;
    Picture p(r, true);
    RegionSearch s = WholePicture(p.image, false);
    LabelRegions(p.image, s);
    ASSERT_EQ(s.Count(), 1201u);
    EXPECT_EQ(s.regions[0].box.x0, 2402);  // closed last, listed first
    EXPECT_EQ(s.regions[1200].Height(), 5);
    s.minHeight = 6;
    LabelRegions(p.image, s);
    EXPECT_EQ(s.Count(), 0u);
}

TEST(LabelRegions, BothPolaritiesLabelTheSame) {
    test::Raster r = test::Canvas(61, 47);
    std::mt19937 gen(7);
    for (auto &px : r.pixels) px = (gen() % 3 == 0) ? 0 : 255;
    Picture a(r, true), b(r, false);
    RegionSearch s = WholePicture(a.image), t = WholePicture(b.image);
    LabelRegions(a.image, s);
    LabelRegions(b.image, t);
    ASSERT_EQ(s.Count(), t.Count());
    for (std::size_t i = 0; i < s.Count(); ++i) {
        EXPECT_EQ(s.regions[i].box.x0, t.regions[i].box.x0);
        EXPECT_EQ(s.regions[i].box.y1, t.regions[i].box.y1);
        EXPECT_EQ(s.regions[i].colBottom, t.regions[i].colBottom);
    }
}

// What a flood fill finds: every 8-connected dark region of the rectangle
// (its last row left out, as the labelling leaves it) with its box, dark
// pixel count and top row.
struct FloodRegion {
    geom::Rect box;
    long long pixels = 0;
    bool operator<(const FloodRegion &o) const {
        return std::tie(box.y1, box.x0, box.y0, box.x1, pixels) < std::tie(o.box.y1, o.box.x0, o.box.y0, o.box.x1, o.pixels);
    }
};

std::vector<FloodRegion> FloodFill(const BitImageView &view, int left, int top, int right, int bottom) {
    const int w = right - left + 1, h = bottom - top;  // the last row belongs to no region
    std::vector<char> seen(static_cast<std::size_t>(std::max(w * h, 0)), 0);
    const auto dark = [&](int x, int y) { return x >= left && x <= right && y >= top && y < bottom && view.Dark(x, y); };
    std::vector<FloodRegion> found;
    std::vector<geom::PointI> stack;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x <= right; ++x) {
            if (!dark(x, y) || seen[static_cast<std::size_t>((y - top) * w + x - left)]) continue;
            FloodRegion region{{x, y, x + 1, y + 1}, 0};
            stack.push_back({x, y});
            seen[static_cast<std::size_t>((y - top) * w + x - left)] = 1;
            while (!stack.empty()) {
                const geom::PointI p = stack.back();
                stack.pop_back();
                ++region.pixels;
                region.box.x0 = std::min(region.box.x0, p.x);
                region.box.x1 = std::max(region.box.x1, p.x + 1);
                region.box.y1 = std::max(region.box.y1, p.y + 1);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = p.x + dx, ny = p.y + dy;
                        if (!dark(nx, ny)) continue;
                        char &mark = seen[static_cast<std::size_t>((ny - top) * w + nx - left)];
                        if (mark) continue;
                        mark = 1;
                        stack.push_back({nx, ny});
                    }
            }
            found.push_back(region);
        }
    std::sort(found.begin(), found.end());
    return found;
}

// Random pictures from sparse dots to speckle that joins into one region
// spanning the picture (which merges regions on nearly every run), in
// whole pictures and rectangles: the labelling finds what a flood fill does,
// each start pixel the first of a run on the region's top row, and the
// answer ordered from the last closed.
TEST(LabelRegions, MatchesAFloodFillOnRandomPictures) {
    std::mt19937 gen(11);
    for (const int darkPercent : {5, 30, 50, 60, 80}) {
        test::Raster r = test::Canvas(97, 71);
        for (auto &px : r.pixels) px = static_cast<int>(gen() % 100) < darkPercent ? 0 : 255;
        for (auto [left, top, right, bottom] : {std::array{0, 0, 96, 70}, std::array{9, 4, 60, 50}, std::array{1, 1, 8, 69}}) {
            Picture p(r, darkPercent % 2 == 0);
            RegionSearch search({static_cast<std::uint32_t>(left), static_cast<std::uint32_t>(top),
                                 static_cast<std::uint32_t>(right), static_cast<std::uint32_t>(bottom)});
            LabelRegions(p.image, search);  // also clears the picture's frame, as the fill then sees it
            const BitImageView view(p.image);
            const std::vector<FloodRegion> expected = FloodFill(view, left, top, right, bottom);
            std::vector<FloodRegion> got;
            for (std::size_t i = 0; i < search.Count(); ++i) {
                const Region &region = search.regions[i];
                got.push_back({region.box, std::llround(region.fill * region.Width() * region.Height())});
                EXPECT_EQ(region.start.y, region.box.y0);
                EXPECT_TRUE(view.Dark(region.start.x, region.start.y));
                EXPECT_TRUE(region.start.x == left || !view.Dark(region.start.x - 1, region.start.y));
                if (i > 0) {
                    EXPECT_LE(region.box.y1, search.regions[i - 1].box.y1);
                }
            }
            std::sort(got.begin(), got.end());
            ASSERT_EQ(got.size(), expected.size()) << darkPercent << "% dark, left " << left;
            for (std::size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(std::tie(got[i].box.x0, got[i].box.y0, got[i].box.x1, got[i].box.y1),
                          std::tie(expected[i].box.x0, expected[i].box.y0, expected[i].box.x1, expected[i].box.y1))
                    << darkPercent << "% dark, region " << i;
                EXPECT_EQ(got[i].pixels, expected[i].pixels) << darkPercent << "% dark, region " << i;
            }
        }
    }
}

// Per-pixel reference for the run extraction.
std::vector<RowRun> ReferenceRuns(const BitImageView &view, int y, int left, int right) {
    std::vector<RowRun> runs;
    for (int x = left; x <= right; ++x) {
        if (!view.Dark(x, y)) continue;
        const int start = x;
        while (x < right && view.Dark(x + 1, y)) ++x;
        runs.push_back({start, x, -1});
    }
    runs.push_back({right + 2, right + 2, -1});
    return runs;
}

TEST(ExtractRowRuns, WholeByteSkippingMatchesPixelByPixel) {
    test::Raster r = test::Canvas(203, 8);
    std::mt19937 gen(3);
    for (int y = 0; y < 8; ++y) {
        int x = 0;
        while (x < 203) {
            const int len = 1 + static_cast<int>(gen() % (y < 4 ? 30 : 5));
            const std::uint8_t grey = gen() % 2 ? 0 : 255;
            for (int k = 0; k < len && x < 203; ++k, ++x) r.at(x, y) = grey;
        }
    }
    for (bool darkIsZero : {true, false}) {
        Picture p(r, darkIsZero);
        const BitImageView view(p.image);
        std::vector<RowRun> runs;
        for (int y = 0; y < 8; ++y) {
            for (auto [left, right] :
                 {std::pair{0, 202}, std::pair{5, 100}, std::pair{16, 23}, std::pair{9, 9}, std::pair{63, 64},
                  std::pair{57, 136}, std::pair{64, 191}, std::pair{130, 202}}) {
                ExtractRowRuns(view, y, left, right, runs);
                const std::vector<RowRun> expected = ReferenceRuns(view, y, left, right);
                ASSERT_EQ(runs.size(), expected.size()) << y << " " << left;
                for (std::size_t i = 0; i < runs.size(); ++i) {
                    EXPECT_EQ(runs[i].start, expected[i].start);
                    EXPECT_EQ(runs[i].end, expected[i].end);
                }
            }
        }
    }
}

TEST(RegionOutline, RingExtentsFollowItsOuterBoundary) {
    Picture p({"..###..", ".#...#.", "#.....#", "#.....#", ".#...#.", "..###.."}, 20, 14, 3, 3);
    RegionSearch s = WholePicture(p.image);
    LabelRegions(p.image, s);
    ASSERT_EQ(s.Count(), 1u);
    const Region &r = s.regions[0];
    EXPECT_EQ(r.start, (geom::PointI{5, 3}));
    ASSERT_TRUE(r.HasOutline());
    EXPECT_EQ(r.rowLeft, (std::vector<std::int32_t>{5, 4, 3, 3, 4, 5}));
    EXPECT_EQ(r.rowRight, (std::vector<std::int32_t>{7, 8, 9, 9, 8, 7}));
    EXPECT_EQ(r.colTop, (std::vector<std::int32_t>{5, 4, 3, 3, 3, 4, 5}));
    EXPECT_EQ(r.colBottom, (std::vector<std::int32_t>{6, 7, 8, 8, 8, 7, 6}));

    std::vector<std::uint8_t> chain;
    const std::size_t n = TraceOutline(BitImageView(p.image), r, chain);
    EXPECT_EQ(n, 14u);  // the 14 ring pixels once round, clockwise
    EXPECT_EQ(chain[0], 3);
    EXPECT_EQ(chain[n], 0);
}

// Chain of the clockwise outline trace, one neighbour tested at a time.
std::vector<std::uint8_t> ReferenceChain(const BitImageView &view, const Region &region) {
    static constexpr int kStepX[9] = {0, 0, 1, 1, 1, 0, -1, -1, -1};
    static constexpr int kStepY[9] = {0, -1, -1, 0, 1, 1, 1, 0, -1};
    const auto firstDark = [&](geom::PointI at, int from) {
        for (int k = 0; k < 8; ++k) {
            const int d = (from - 1 + k) % 8 + 1;
            if (view.DarkOrOutside(at.x + kStepX[d], at.y + kStepY[d])) return d;
        }
        return 0;
    };
    const std::size_t capacity = 2 * static_cast<std::size_t>(region.Width()) * static_cast<std::size_t>(region.Height());
    std::vector<std::uint8_t> chain;
    const int first = firstDark(region.start, 1);
    geom::PointI at = region.start;
    for (int move = first; move != 0 && chain.size() < capacity;) {
        chain.push_back(static_cast<std::uint8_t>(move));
        at = {at.x + kStepX[move], at.y + kStepY[move]};
        const int next = firstDark(at, (move + 4) % 8 + 1);
        if (next == 0 || (at == region.start && next == first)) break;
        move = next;
    }
    return chain;
}

// The region with the extents of the chain's pixels inside its box: the start
// and the pixel before every move (the one the last move reaches aside).
Region ReferenceExtents(const Region &region, const std::vector<std::uint8_t> &chain) {
    static constexpr int kStepX[9] = {0, 0, 1, 1, 1, 0, -1, -1, -1};
    static constexpr int kStepY[9] = {0, -1, -1, 0, 1, 1, 1, 0, -1};
    Region walked = region;
    walked.rowLeft.assign(static_cast<std::size_t>(region.Height()), kNoOutline);
    walked.rowRight.assign(static_cast<std::size_t>(region.Height()), 0);
    walked.colTop.assign(static_cast<std::size_t>(region.Width()), kNoOutline);
    walked.colBottom.assign(static_cast<std::size_t>(region.Width()), 0);
    geom::PointI at = region.start;
    for (std::size_t i = 0; i <= chain.size(); ++i) {
        if (region.box.Contains(at)) {
            const auto row = static_cast<std::size_t>(at.y - region.box.y0);
            const auto column = static_cast<std::size_t>(at.x - region.box.x0);
            walked.rowLeft[row] = std::min(walked.rowLeft[row], at.x);
            walked.rowRight[row] = std::max(walked.rowRight[row], at.x);
            walked.colTop[column] = std::min(walked.colTop[column], at.y);
            walked.colBottom[column] = std::max(walked.colBottom[column], at.y);
        }
        if (i + 1 >= chain.size()) break;
        at = {at.x + kStepX[chain[i]], at.y + kStepY[chain[i]]};
    }
    return walked;
}

// Random blobs in both polarities, across byte boundaries and up to the
// picture's frame: the table-driven trace makes the reference's moves, and
// the extents are those of the pixels it passes.
TEST(RegionOutline, TraceMatchesANeighbourByNeighbourReference) {
    std::mt19937 gen(5);
    test::Raster r = test::Canvas(203, 61);
    for (auto &px : r.pixels) px = gen() % 100 < 45 ? 0 : 255;
    for (const bool darkIsZero : {true, false}) {
        Picture p(r, darkIsZero);
        RegionSearch s = WholePicture(p.image);
        LabelRegions(p.image, s);
        ASSERT_GT(s.Count(), 20u);
        const BitImageView view(p.image);
        std::vector<std::uint8_t> chain;
        for (const Region &region : s.regions) {
            const std::size_t n = TraceOutline(view, region, chain);
            const std::vector<std::uint8_t> expected = ReferenceChain(view, region);
            EXPECT_EQ(std::vector<std::uint8_t>(chain.begin(), chain.begin() + static_cast<std::ptrdiff_t>(n)), expected);
            // The extents hold the chain's pixels inside the box (the one the last move reaches aside).
            const Region walked = ReferenceExtents(region, expected);
            EXPECT_EQ(region.rowLeft, walked.rowLeft);
            EXPECT_EQ(region.rowRight, walked.rowRight);
            EXPECT_EQ(region.colTop, walked.colTop);
            EXPECT_EQ(region.colBottom, walked.colBottom);
        }
    }
}

// Hand-made regions on pictures whose frame is not cleared: starts on every
// kind of pixel (on the frame, in the corners, light ones, isolated dots,
// pixels joined only diagonally, rims of holes) and boxes smaller than the
// outline, on widths that end mid-byte. Chains and extents match the
// reference whatever the start, including traces cut short by their capacity.
TEST(RegionOutline, TracesFromAnyStartUpToTheFrameMatchTheReference) {
    std::mt19937 gen(11);
    for (const int width : {1, 2, 3, 9, 17, 40}) {
        for (const int height : {1, 2, 3, 7, 12}) {
            test::Raster r = test::Canvas(width, height);
            // Sparse pictures leave dots and diagonal-only joins, dense ones holes.
            const auto darkShare = static_cast<unsigned>(20 + gen() % 60);
            for (auto &px : r.pixels) px = gen() % 100 < darkShare ? 0 : 255;
            for (const bool darkIsZero : {true, false}) {
                Picture p(r, darkIsZero);
                const BitImageView view(p.image);
                std::vector<std::uint8_t> chain;
                for (int y = 0; y < height; ++y) {
                    for (int x = 0; x < width; ++x) {
                        Region region;
                        region.start = {x, y};
                        // Boxes from one pixel to the whole picture, the start inside.
                        const int x0 = static_cast<int>(gen() % static_cast<unsigned>(x + 1));
                        const int y0 = static_cast<int>(gen() % static_cast<unsigned>(y + 1));
                        region.box = {x0, y0, x + 1 + static_cast<int>(gen() % static_cast<unsigned>(width - x)),
                                      y + 1 + static_cast<int>(gen() % static_cast<unsigned>(height - y))};
                        const std::size_t n = TraceOutline(view, region, chain);
                        const std::vector<std::uint8_t> expected = ReferenceChain(view, region);
                        ASSERT_EQ(std::vector<std::uint8_t>(chain.begin(), chain.begin() + static_cast<std::ptrdiff_t>(n)),
                                  expected)
                            << width << "x" << height << " at " << x << "," << y << " " << darkIsZero;
                        ASSERT_EQ(chain[n], 0);
                        RegionOutline(view, region);
                        const Region walked = ReferenceExtents(region, expected);
                        ASSERT_EQ(region.rowLeft, walked.rowLeft) << x << "," << y;
                        ASSERT_EQ(region.rowRight, walked.rowRight) << x << "," << y;
                        ASSERT_EQ(region.colTop, walked.colTop) << x << "," << y;
                        ASSERT_EQ(region.colBottom, walked.colBottom) << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(RegionOutline, ASinglePixelAndARegionCutByTheRectangle) {
    // A single pixel alone: empty chain, only the start pixel recorded.
    Picture dot({"#"}, 10, 10, 4, 4);
    RegionSearch s = WholePicture(dot.image);
    LabelRegions(dot.image, s);
    ASSERT_EQ(s.Count(), 1u);
    EXPECT_EQ(s.regions[0].rowLeft[0], 4);
    EXPECT_EQ(s.regions[0].colBottom[0], 4);

    // A region cut by the rectangle's right edge: the trace leaves the box and
    // positions outside it are ignored.
    Picture bar({"##########"}, 20, 10, 4, 4);
    RegionSearch t = WholePicture(bar.image);
    t.bounds.x1 = 8;
    LabelRegions(bar.image, t);
    ASSERT_EQ(t.Count(), 1u);
    EXPECT_EQ(t.regions[0].box.x1, 9);  // last column 8
    EXPECT_EQ(t.regions[0].rowRight[0], 8);
    EXPECT_EQ(t.regions[0].colTop[4], 4);
}

// A comb of one-pixel teeth: its outline runs to tens of thousands of moves,
// far past the chain's first size, and every dark pixel lies on it.
TEST(RegionOutline, ALongOutlineIsTracedToItsEnd) {
    constexpr int kWidth = 301, kHeight = 200;
    test::Raster r = test::Canvas(kWidth + 8, kHeight + 8);
    for (int x = 0; x < kWidth; ++x) r.at(4 + x, 4) = 0;
    for (int x = 0; x < kWidth; x += 2)
        for (int y = 1; y < kHeight; ++y) r.at(4 + x, 4 + y) = 0;
    Picture p(r, true);
    RegionSearch s = WholePicture(p.image);
    LabelRegions(p.image, s);
    ASSERT_EQ(s.Count(), 1u);
    const Region &comb = s.regions[0];
    for (int y = 0; y < kHeight; ++y) {
        EXPECT_EQ(comb.rowLeft[static_cast<std::size_t>(y)], 4) << y;
        EXPECT_EQ(comb.rowRight[static_cast<std::size_t>(y)], 4 + kWidth - 1) << y;
    }
    for (int x = 0; x < kWidth; ++x) {
        EXPECT_EQ(comb.colTop[static_cast<std::size_t>(x)], 4) << x;
        EXPECT_EQ(comb.colBottom[static_cast<std::size_t>(x)], x % 2 == 0 ? 4 + kHeight - 1 : 4) << x;
    }
}

TEST(RegionListHelpers, GrowUnlinkAndFree) {
    RegionList list;
    EXPECT_FALSE(RegionPoolGrow(list, 0));
    EXPECT_TRUE(RegionPoolGrow(list, 3));
    ASSERT_EQ(list.size(), 3u);
    list[1].box.x0 = 7;
    list[2].rowLeft.assign(4, 1);
    RegionUnlink(list, 0);
    RegionUnlink(list, 9);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].box.x0, 7);
    RegionFreeBuffers(list[1]);
    EXPECT_FALSE(list[1].HasOutline());
    RegionListFree(list);
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace zr::regions
