// The chunked run collection against the pixel-by-pixel walk: random
// pictures, chunk and byte edges, limits and capacities that end a
// collection exactly there, long runs of both colours with and without the
// dark map, and pictures written between collections.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/image.hpp"
#include "core/lines/dark_map.hpp"
#include "core/lines/run_scan.hpp"
#include "line_test_pictures.hpp"

namespace zr::lines {
namespace {

using namespace test_lines;

TEST(RunCollect, MatchesThePlainWalk) {
    std::mt19937 random(77);
    for (int picture = 0; picture < 300; ++picture) {
        const RandomPicture p(random);
        const BitImageView view = p.View();
        const DarkMap map(view);
        for (int trial = 0; trial < 40; ++trial) {
            RunScan fast;
            fast.area = p.RandomArea(random);
            fast.capacity = static_cast<std::uint16_t>(Pick(random, 3) == 0 ? 1 + Pick(random, 1000)
                                                                            : 1 + Pick(random, 12));
            RunBufferInit(fast, kCollectors[Pick(random, 6)]);
            if (Pick(random, 2)) fast.pixelLimit = static_cast<std::uint16_t>(Pick(random, 300));
            const PointI start =
                Pick(random, 20) == 0 ? PointI{fast.area.x1, fast.area.y0} : RandomPoint(random, fast.area);
            fast.startX = start.x;
            fast.startY = start.y;
            RunScan plain = fast;

            const RunEnd fastEnd = RunCollect(fast, view, Pick(random, 2) != 0 ? &map : nullptr);
            const RunEnd plainEnd = PlainRunCollect(plain, view);
            ASSERT_TRUE(SameCollection(fast, fastEnd, plain, plainEnd))
                << "picture " << picture << " trial " << trial;
        }
    }
}

// Line lengths, limits and element ends around the edges of bytes and of
// the 16- and 64-pixel chunks.
constexpr int kEdges[] = {1,  2,  7,  8,  9,  15, 16, 17, 23, 24,  25,  31,  32, 33,
                          48, 56, 57, 63, 64, 65, 71, 72, 73, 127, 128, 129, 130};

int PickEdge(std::mt19937 &random) {
    return kEdges[Pick(random, static_cast<unsigned>(std::size(kEdges)))];
}

// An area inside the picture in which the line from `start` has exactly
// `length` pixels, where the picture allows.
Rect AreaForLength(const BitImageView &view, std::uint8_t collector, PointI start, int length) {
    Rect area = view.Bounds();
    if (collector & (kHorizontal | kDiagonalUp | kDiagonalDown))
        area.x1 = std::min(area.x1, start.x + length);
    if (collector & (kVertical | kDiagonalDown)) area.y1 = std::min(area.y1, start.y + length);
    if (collector == kDiagonalUp) area.y0 = std::max(0, start.y - length + 1);
    return area;
}

TEST(RunCollect, EndsExactlyAtChunkAndByteEdges) {
    std::mt19937 random(5);
    for (int picture = 0; picture < 200; ++picture) {
        const RandomPicture p(random);
        const BitImageView view = p.View();
        const DarkMap map(view);
        for (int trial = 0; trial < 60; ++trial) {
            const std::uint8_t collector = kCollectors[trial % 6];
            const PointI start = RandomPoint(random, view.Bounds());
            RunScan fast;
            fast.capacity = 1000;
            RunBufferInit(fast, collector);
            fast.area =
                Pick(random, 2) ? AreaForLength(view, collector, start, PickEdge(random)) : view.Bounds();
            if (Pick(random, 2)) fast.pixelLimit = static_cast<std::uint16_t>(PickEdge(random) - 1);
            fast.startX = start.x;
            fast.startY = start.y;
            if (Pick(random, 2)) {
                // Capacity reached at an element that ends on an edge, when one does.
                RunScan all = fast;
                PlainRunCollect(all, view);
                int end = 0;
                for (int e = 0; e < all.elements; ++e) {
                    end += all.widths[static_cast<std::size_t>(e)];
                    const int x = collector & kVertical ? start.y + end : start.x + end;
                    if (x % 8 == 0 ||
                        std::find(std::begin(kEdges), std::end(kEdges), end) != std::end(kEdges)) {
                        fast.capacity = static_cast<std::uint16_t>(e + 1);
                        if (Pick(random, 3) == 0) break;
                    }
                }
            } else {
                fast.capacity = static_cast<std::uint16_t>(1 + Pick(random, 40));
            }
            RunScan plain = fast;
            const RunEnd fastEnd = RunCollect(fast, view, Pick(random, 2) != 0 ? &map : nullptr);
            const RunEnd plainEnd = PlainRunCollect(plain, view);
            ASSERT_TRUE(SameCollection(fast, fastEnd, plain, plainEnd))
                << "picture " << picture << " trial " << trial << " collector " << int{collector};
        }
    }
}

// Mostly light pictures with specks, then dark and light boxes written and
// the map refreshed over each box: long light runs pass through the map,
// long dark ones through whole blocks, and every collection sees the
// pixels as they are when it is called.
TEST(RunCollect, LongRunsThroughTheMapAsBoxesAreWritten) {
    std::mt19937 random(8);
    for (int trial = 0; trial < 150; ++trial) {
        ZrImage image{};
        image.width = 1 + Pick(random, 300);
        image.height = 1 + Pick(random, 200);
        image.bitsPerPixel = 1;
        image.polarity = static_cast<std::uint16_t>(Pick(random, 2));
        ASSERT_EQ(ImageCreate(&image), ZR_OK);  // all light
        const BitImageView view(image);
        const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
        auto paint = [&](int x, int y, bool dark) {
            std::uint8_t &byte = view.MutableRow(y)[x >> 3];
            const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
            byte = static_cast<std::uint8_t>(dark == view.SetBitIsDark() ? byte | mask : byte & ~mask);
        };
        const unsigned specks = Pick(random, 40);
        for (unsigned k = 0; k < specks; ++k)
            paint(static_cast<int>(Pick(random, static_cast<unsigned>(w))),
                  static_cast<int>(Pick(random, static_cast<unsigned>(h))), true);
        DarkMap map(view);
        for (int box = 0; box < 6; ++box) {
            for (int line = 0; line < 40; ++line) {
                RunScan fast;
                fast.capacity = static_cast<std::uint16_t>(1 + Pick(random, 30));
                RunBufferInit(fast, kCollectors[Pick(random, 6)]);
                fast.area = view.Bounds();
                const PointI start = RandomPoint(random, fast.area);
                fast.startX = start.x;
                fast.startY = start.y;
                RunScan plain = fast;
                const RunEnd fastEnd = RunCollect(fast, view, &map);
                const RunEnd plainEnd = PlainRunCollect(plain, view);
                ASSERT_TRUE(SameCollection(fast, fastEnd, plain, plainEnd))
                    << "trial " << trial << " box " << box << " line " << line;
            }
            const int x0 = static_cast<int>(Pick(random, static_cast<unsigned>(w)));
            const int y0 = static_cast<int>(Pick(random, static_cast<unsigned>(h)));
            const int x1 = std::min(w, x0 + 1 + static_cast<int>(Pick(random, 90)));
            const int y1 = std::min(h, y0 + 1 + static_cast<int>(Pick(random, 90)));
            const bool dark = Pick(random, 3) != 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) paint(x, y, dark);
            map.Refresh(PointI{x0, y0}, PointI{x1 - 1, y1 - 1});
        }
        ImageDestroy(&image);
    }
}

}  // namespace
}  // namespace zr::lines
