// The listed colour changes of a line (LineChanges) against the collection
// from the line itself: a collection it answers must fill its capacity in
// AxisLine::Collect with the same widths, and one it declines must not fill.
#include <gtest/gtest.h>

#include <random>

#include "core/lines/axis_line.hpp"
#include "core/lines/line_changes.hpp"
#include "core/lines/run_scan.hpp"
#include "line_test_pictures.hpp"

namespace zr::lines {
namespace {

using namespace test_lines;

// Compares every answer of `changes` for collections from the given points
// with the line's own collection; the points may go back along the line.
::testing::AssertionResult SameAsCollect(const AxisLine &line, LineChanges &changes, RunScan &scan,
                                         int from) {
    std::uint16_t widths[64];
    const bool full = changes.FullWidths(from, scan.capacity, scan.pixelLimit, widths);
    const RunEnd end = line.Collect(scan, from);
    const bool filled = end == RunEnd::Plausible || end == RunEnd::Implausible;
    if (full != filled) {
        return ::testing::AssertionFailure()
               << "from " << from << ": listed " << full << ", collected " << static_cast<int>(end)
               << " after " << scan.elements << " runs";
    }
    for (int i = 0; full && i < scan.capacity; ++i) {
        if (widths[i] != scan.widths[static_cast<std::size_t>(i)])
            return ::testing::AssertionFailure() << "from " << from << " run " << i << ": " << widths[i]
                                                 << " listed, " << scan.widths[static_cast<std::size_t>(i)];
    }
    return ::testing::AssertionSuccess();
}

TEST(LineChanges, FullCollectionsMatchTheLinesOwn) {
    std::mt19937 random(417);
    AxisLine line;
    LineChanges changes;  // one list for every line, as a search keeps it
    int answered = 0, declined = 0;
    for (int picture = 0; picture < 300; ++picture) {
        const RandomPicture p(random);
        const BitImageView view = p.View();
        for (int trial = 0; trial < 10; ++trial) {
            const bool vertical = Pick(random, 2) != 0;
            RunScan scan;
            scan.area = p.RandomArea(random);
            scan.capacity = static_cast<std::uint16_t>(1 + Pick(random, 12));
            RunBufferInit(scan, vertical ? kTopToBottom : kLeftToRight);
            if (Pick(random, 2)) scan.pixelLimit = static_cast<std::uint16_t>(Pick(random, 60));
            const PointI through = RandomPoint(random, scan.area);
            line.Read(view, scan.area,
                      vertical ? PointI{through.x, scan.area.y0} : PointI{scan.area.x0, through.y}, vertical);
            changes.Read(line);
            // Forward in small steps, as the search probes, then a few points at random.
            for (int from = 0; from < line.Count(); from += 1 + static_cast<int>(Pick(random, 5))) {
                ASSERT_TRUE(SameAsCollect(line, changes, scan, from))
                    << "picture " << picture << " trial " << trial;
                ++(scan.elements == scan.capacity ? answered : declined);
            }
            for (int k = 0; k < 5; ++k) {
                const int from = static_cast<int>(Pick(random, static_cast<unsigned>(line.Count() + 2))) - 1;
                ASSERT_TRUE(SameAsCollect(line, changes, scan, from))
                    << "picture " << picture << " trial " << trial;
            }
        }
    }
    // Both answers were met often enough to mean something.
    EXPECT_GT(answered, 10000);
    EXPECT_GT(declined, 10000);
}

TEST(LineChanges, RunsEndOnlyInsideTheLine) {
    // One dark row of 128 pixels (whole words, the last pixel dark), then a
    // row of alternating pixels: no change is seen at the line's end.
    ZrImage image{};
    image.width = 128;
    image.height = 2;
    image.bitsPerPixel = 1;
    ASSERT_EQ(ImageCreate(&image), ZR_OK);
    BitImageView view(image);
    const auto paint = [&view](int x, int y, bool dark) {
        std::uint8_t &byte = view.MutableRow(y)[x >> 3];
        const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
        byte = static_cast<std::uint8_t>(dark == view.SetBitIsDark() ? byte | mask : byte & ~mask);
    };
    for (int x = 0; x < 128; ++x) {
        paint(x, 0, true);
        paint(x, 1, x % 2 == 0);
    }
    const Rect area{0, 0, 128, 2};
    AxisLine line;
    LineChanges changes;
    std::uint16_t widths[8];
    line.Read(view, area, {0, 0}, false);
    changes.Read(line);
    EXPECT_FALSE(changes.FullWidths(0, 1, kPixelLimit, widths));
    EXPECT_FALSE(changes.FullWidths(127, 1, kPixelLimit, widths));
    line.Read(view, area, {0, 1}, false);
    changes.Read(line);
    EXPECT_TRUE(changes.FullWidths(119, 8, kPixelLimit, widths));
    EXPECT_EQ(widths[0], 1);
    // The last pixel's run reaches the line's end and never closes.
    EXPECT_FALSE(changes.FullWidths(120, 8, kPixelLimit, widths));
    EXPECT_TRUE(changes.FullWidths(120, 7, kPixelLimit, widths));
    // A limit of 6 walks 7 pixels, which close 6 runs.
    EXPECT_TRUE(changes.FullWidths(3, 6, 6, widths));
    EXPECT_FALSE(changes.FullWidths(3, 7, 6, widths));
    ImageDestroy(&image);
}

}  // namespace
}  // namespace zr::lines
