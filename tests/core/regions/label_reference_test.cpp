// The labelling against a plain row-by-row reference that relabels runs on
// every merge: the same regions, in the same order, with the same boxes,
// start pixels and fills, on random pictures and rectangles of both
// polarities.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/image.hpp"
#include "core/regions/regions.hpp"
#include "support/render.hpp"

namespace zr::regions {
namespace {

struct Picture {
    ZrImage image{};
    Picture(const test::Raster &r, bool darkIsZero) {
        const std::vector<std::uint8_t> dib = test::ToDib(r, 1, 0, darkIsZero);
        EXPECT_EQ(ImageFromDib(&image, dib.data()), 0);
    }
    ~Picture() { ImageDestroy(&image); }
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;
};

struct ReferenceRegion {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0, startX = 0;
    long long pixels = 0;
};

// Rows top to bottom - 1 of the rectangle; a run of a row joins every run of
// the row above that it touches (8-connected), from left to right. When two
// regions meet, the left one is joined to the right one, which keeps its
// start unless the left one starts on a higher row. A region closes on the
// first row that does not continue it, at its last run of the row above, and
// the answer lists regions in the order they close.
std::vector<ReferenceRegion> ReferenceLabel(const BitImageView &view, int left, int top, int right,
                                            int bottom) {
    struct Run {
        int start, end, region;  // inclusive ends
    };
    std::vector<ReferenceRegion> regions;
    std::vector<ReferenceRegion> closed;
    std::vector<Run> previous;
    for (int y = top; y <= bottom; ++y) {
        std::vector<Run> current;
        for (int x = left; y < bottom && x <= right; ++x) {
            if (!view.Dark(x, y)) continue;
            const int start = x;
            while (x < right && view.Dark(x + 1, y)) ++x;
            current.push_back({start, x, -1});
        }
        for (Run &run : current) {
            int region = -1;
            for (const Run &above : previous) {
                if (above.end + 1 < run.start || above.start > run.end + 1) continue;
                const int into = above.region;
                if (region >= 0 && region != into) {
                    ReferenceRegion &from = regions[static_cast<std::size_t>(region)];
                    ReferenceRegion &joined = regions[static_cast<std::size_t>(into)];
                    if (from.y0 < joined.y0) joined.startX = from.startX;
                    joined.y0 = std::min(joined.y0, from.y0);
                    joined.x0 = std::min(joined.x0, from.x0);
                    joined.x1 = std::max(joined.x1, from.x1);
                    joined.pixels += from.pixels;
                    for (std::vector<Run> *row : {&previous, &current})
                        for (Run &other : *row)
                            if (other.region == region) other.region = into;
                }
                region = into;
            }
            if (region < 0) {
                region = static_cast<int>(regions.size());
                regions.push_back({run.start, y, run.start, 0, run.start, 0});
            }
            ReferenceRegion &r = regions[static_cast<std::size_t>(region)];
            r.x0 = std::min(r.x0, run.start);
            r.x1 = std::max(r.x1, run.end + 1);
            r.pixels += run.end - run.start + 1;
            run.region = region;
        }
        for (std::size_t i = 0; i < previous.size(); ++i) {
            const int region = previous[i].region;
            const auto named = [region](const Run &run) { return run.region == region; };
            if (std::any_of(current.begin(), current.end(), named)) continue;
            if (std::any_of(previous.begin() + static_cast<std::ptrdiff_t>(i) + 1, previous.end(), named))
                continue;
            ReferenceRegion r = regions[static_cast<std::size_t>(region)];
            r.y1 = y;
            closed.push_back(r);
        }
        previous = std::move(current);
    }
    return closed;
}

// Random dots of the given density over a few solid blocks and rings (rings and
// U shapes make regions meet from both sides), in pictures whose widths put
// runs across 64-column words and up to the picture's frame.
test::Raster RandomPicture(std::mt19937 &gen, int width, int height, int darkPercent) {
    test::Raster r = test::Canvas(width, height);
    for (auto &px : r.pixels) px = static_cast<int>(gen() % 100) < darkPercent ? 0 : 255;
    for (int shape = 0; shape < 6; ++shape) {
        const int x0 = static_cast<int>(gen() % static_cast<unsigned>(width));
        const int y0 = static_cast<int>(gen() % static_cast<unsigned>(height));
        const int x1 = std::min(width, x0 + 3 + static_cast<int>(gen() % 40));
        const int y1 = std::min(height, y0 + 3 + static_cast<int>(gen() % 30));
        const bool ring = gen() % 2 == 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (!ring || y == y0 || y == y1 - 1 || x == x0 || x == x1 - 1) r.at(x, y) = 0;
    }
    return r;
}

bool ReferenceWithinLimits(const ReferenceRegion &r, const RegionSearch &s, double fill) {
    const int width = r.x1 - r.x0, height = r.y1 - r.y0;
    return (s.minWidth == 0 || width >= s.minWidth) && (s.maxWidth == 0 || width <= s.maxWidth) &&
           (s.minHeight == 0 || height >= s.minHeight) && (s.maxHeight == 0 || height <= s.maxHeight) &&
           (s.minDensity == 0 || fill >= s.minDensity) && (s.maxDensity == 0 || fill <= s.maxDensity);
}

// Labels `search`'s rectangle and compares the answer, region for region,
// with the reference filtered by the search's limits. Returns the number of
// regions compared.
int ExpectSameAsReference(Picture &p, RegionSearch &search, const std::string &what) {
    LabelRegions(p.image, search);  // clears the frame first, as the reference then sees it
    const int left = static_cast<int>(search.bounds.x0), top = static_cast<int>(search.bounds.y0);
    const int right = std::min(static_cast<int>(search.bounds.x1), static_cast<int>(p.image.width) - 1);
    const int bottom = std::min(static_cast<int>(search.bounds.y1), static_cast<int>(p.image.height) - 1);
    std::vector<ReferenceRegion> expected = ReferenceLabel(BitImageView(p.image), left, top, right, bottom);
    std::reverse(expected.begin(), expected.end());  // the last closed first
    std::vector<Region> kept;
    for (const ReferenceRegion &r : expected) {
        Region region;
        region.box = {r.x0, r.y0, r.x1, r.y1};
        region.start = {r.startX, r.y0};
        region.fill = static_cast<double>(r.pixels) /
                      (static_cast<double>(region.Height()) * static_cast<double>(region.Width()));
        if (ReferenceWithinLimits(r, search, region.fill)) kept.push_back(region);
    }
    EXPECT_EQ(search.Count(), kept.size()) << what;
    for (std::size_t i = 0; i < std::min(kept.size(), search.Count()); ++i) {
        const Region &got = search.regions[i];
        EXPECT_EQ(std::tie(got.box.x0, got.box.y0, got.box.x1, got.box.y1),
                  std::tie(kept[i].box.x0, kept[i].box.y0, kept[i].box.x1, kept[i].box.y1))
            << what << ", region " << i;
        EXPECT_EQ(got.start, kept[i].start) << what << ", region " << i;
        EXPECT_EQ(got.fill, kept[i].fill) << what << ", region " << i;
    }
    return static_cast<int>(kept.size());
}

TEST(LabelRegions, MatchesTheRelabellingReferenceRegionForRegionInOrder) {
    std::mt19937 gen(23);
    int compared = 0;
    for (const int width : {61, 64, 129, 200})
        for (const int darkPercent : {3, 25, 45, 55, 70})
            for (const bool darkIsZero : {true, false}) {
                const int height = 40 + static_cast<int>(gen() % 30);
                const test::Raster raster = RandomPicture(gen, width, height, darkPercent);
                Picture p(raster, darkIsZero);
                for (int trial = 0; trial < 3; ++trial) {
                    int left = 0, top = 0, right = width - 1, bottom = height - 1;
                    if (trial > 0) {  // a random rectangle, sometimes one column or row wide
                        left = static_cast<int>(gen() % static_cast<unsigned>(width));
                        right = left + static_cast<int>(gen() % static_cast<unsigned>(width - left));
                        top = static_cast<int>(gen() % static_cast<unsigned>(height));
                        bottom = top + static_cast<int>(gen() % static_cast<unsigned>(height - top));
                    }
                    RegionSearch search({static_cast<std::uint32_t>(left), static_cast<std::uint32_t>(top),
                                         static_cast<std::uint32_t>(right),
                                         static_cast<std::uint32_t>(bottom)});
                    if (trial == 2) {
                        search.minWidth = static_cast<std::uint16_t>(gen() % 4);
                        search.minHeight = static_cast<std::uint16_t>(gen() % 4);
                        search.maxWidth = static_cast<std::uint16_t>(gen() % 2 ? 0 : 20);
                        search.minDensity = 0.3;
                        search.maxDensity = 0.9;
                    }
                    compared += ExpectSameAsReference(
                        p, search,
                        std::to_string(width) + " wide, " + std::to_string(darkPercent) + "% dark");
                }
            }
    EXPECT_GT(compared, 1000);
}

// Runs reaching the rectangle's left and right columns, where those are the
// first or last column of a 64-column word of the row (a run ending on a
// word's last column has no change after it within the word), runs crossing
// from one word to the next, and one-column rectangles.
TEST(LabelRegions, RunsAtTheRectanglesEdgesAndAcrossWordsMatchTheReference) {
    test::Raster r = test::Canvas(200, 24);
    for (int y = 2; y < 22; ++y) {
        for (int x = 56; x < 136; ++x)
            if ((y % 4 == 0 && x % 3 != 0) || x % 8 == 7 || x % 8 == 0) r.at(x, y) = 0;  // crossing words
        for (const int x : {63, 64, 127, 128, 191}) r.at(x, y) = y % 3 == 0 ? 255 : 0;
    }
    for (const bool darkIsZero : {true, false}) {
        Picture p(r, darkIsZero);
        for (auto [left, right] :
             {std::pair{0, 199}, std::pair{0, 63}, std::pair{0, 127}, std::pair{64, 127}, std::pair{64, 191},
              std::pair{63, 64}, std::pair{127, 127}, std::pair{120, 135}, std::pair{57, 136}}) {
            RegionSearch search({static_cast<std::uint32_t>(left), 0, static_cast<std::uint32_t>(right), 23});
            EXPECT_GT(ExpectSameAsReference(p, search,
                                            "columns " + std::to_string(left) + ".." + std::to_string(right)),
                      0);
        }
    }
}

// A region whose runs of the row above are split by another region's runs
// (a U around a dot) closes at its last run there, after the dot that
// closes on the same row, and the dot that ends a row higher comes first.
TEST(LabelRegions, RegionsClosingOnOneRowComeInTheOrderOfTheirLastRuns) {
    test::Raster r = test::Canvas(40, 12);
    for (int y = 2; y <= 6; ++y) {
        r.at(3, y) = 0;
        r.at(11, y) = 0;
    }
    for (int x = 3; x <= 11; ++x) r.at(x, 2) = 0;  // an upside-down U: its two legs end on row 6
    for (int y = 4; y <= 6; ++y) r.at(7, y) = 0;   // a bar between the legs, ending on row 6 too
    r.at(20, 4) = 0;                               // a dot ending on row 4
    Picture p(r, true);
    RegionSearch search({0, 0, 39, 11});
    LabelRegions(p.image, search);
    ASSERT_EQ(search.Count(), 3u);
    // Closed in order: the dot (row 5), the bar (row 7, column 7), the U (row 7, column 11).
    EXPECT_EQ(search.regions[2].box.x0, 20);
    EXPECT_EQ(search.regions[1].box.x0, 7);
    EXPECT_EQ(search.regions[0].box.x0, 3);
    EXPECT_EQ(search.regions[0].start, (geom::PointI{3, 2}));
}

}  // namespace
}  // namespace zr::regions
