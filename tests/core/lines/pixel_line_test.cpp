// The word-at-a-time line walk against a pixel-by-pixel walk, on random
// pictures with runs along rows, columns and both diagonals, random areas,
// start points and both polarities; the dark map before and after boxes are
// written.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/image.hpp"
#include "core/lines/bit_cursor.hpp"
#include "core/lines/dark_map.hpp"
#include "core/lines/pixel_line.hpp"
#include "core/lines/run_scan.hpp"
#include "core/lines/table_bits.hpp"
#include "line_test_pictures.hpp"

namespace zr::lines {
namespace {

using namespace test_lines;

TEST(PixelLine, CountsAndChangesAsAPixelByPixelWalk) {
    std::mt19937 random(2024);
    for (int picture = 0; picture < 300; ++picture) {
        const RandomPicture p(random);
        const BitImageView view = p.View();
        for (int trial = 0; trial < 40; ++trial) {
            const Rect area = p.RandomArea(random);
            const PointI start = RandomPoint(random, area);
            const std::uint8_t step = kLineSteps[Pick(random, 4)];
            const PixelLine line(view, start, step, area);

            // The plain walk: every pixel until a step leaves the area.
            std::vector<bool> dark;
            BitCursor cursor(view);
            cursor.MoveTo(start);
            do {
                ASSERT_EQ(line.At(static_cast<int>(dark.size())), cursor.At());
                dark.push_back(cursor.Dark());
            } while (cursor.StepInside(step, area));
            ASSERT_EQ(line.Count(), static_cast<int>(dark.size()));

            for (int probe = 0; probe < 10; ++probe) {
                const int end = static_cast<int>(Pick(random, static_cast<unsigned>(dark.size() + 1)));
                const int from =
                    end == 0 ? 0 : static_cast<int>(Pick(random, static_cast<unsigned>(end + 1)));
                const bool colour = Pick(random, 2) != 0;
                int expected = from;
                while (expected < end && dark[static_cast<std::size_t>(expected)] == colour) ++expected;
                ASSERT_EQ(line.NextChange(from, colour, end), expected)
                    << "step " << int{step} << " from " << from << " end " << end;
                if (from < end) {
                    ASSERT_EQ(line.Dark(from), dark[static_cast<std::size_t>(from)]);
                }
            }
        }
    }
}

// Both gathers: pixel by pixel along the table, and a run at a time along
// rows or columns; changes looked for by colour, and run ends one after the
// other. Exact axis and diagonal angles give tables without side steps or
// with nothing but side steps.
TEST(TableBits, RunsAndPositionsMatchAPixelByPixelTableWalk) {
    std::mt19937 random(99);
    constexpr double kExactAngles[] = {0, 45, 90, 135, 180, 225, 270, 315};
    for (int picture = 0; picture < 200; ++picture) {
        const RandomPicture p(random);
        const BitImageView view = p.View();
        for (int trial = 0; trial < 20; ++trial) {
            const Rect area = p.RandomArea(random);
            const PointI start = RandomPoint(random, area);
            StepTable table;
            const double angle = trial < 4 ? kExactAngles[Pick(random, 8)] : Pick(random, 36000) / 100.0;
            DirectionSteps(angle, kStepTableSize, table);

            // The plain walk: every pixel and position until a step leaves the area.
            std::vector<bool> dark;
            std::vector<PointI> at;
            BitCursor cursor(view);
            cursor.MoveTo(start);
            std::size_t index = 0;
            do {
                dark.push_back(cursor.Dark());
                at.push_back(cursor.At());
            } while (cursor.StepInside(table[index++ % kStepTableSize], area));

            // Within 45 degrees of the horizontal along rows; within 7 of the
            // vertical along columns.
            const AxisWalk axis(table);
            const double cosine = std::abs(std::cos(angle * geom::kPi / 180));
            if (cosine > std::cos(44.5 * geom::kPi / 180)) {
                EXPECT_TRUE(axis.AlongRows()) << angle;
            } else if (cosine < std::sin(7.0 * geom::kPi / 180)) {
                EXPECT_TRUE(axis.Usable() && !axis.AlongRows()) << angle;
            }
            for (const bool useAxis : {false, true}) {
                SCOPED_TRACE(testing::Message() << "angle " << angle << (useAxis ? " along the axis" : ""));
                TableBits bits =
                    useAxis ? TableBits(view, area, start, table, axis) : TableBits(view, area, start, table);
                const int count = static_cast<int>(dark.size());
                for (int from = 0; from < count;) {
                    const bool colour = dark[static_cast<std::size_t>(from)] == (Pick(random, 4) != 0);
                    int expected = from;
                    while (expected < count && dark[static_cast<std::size_t>(expected)] == colour) ++expected;
                    const int change = bits.NextChange(from, colour);
                    ASSERT_EQ(change, expected) << "from " << from;
                    ASSERT_EQ(bits.Ended() && change == bits.Walked(), expected == count);
                    if (expected < count) {
                        ASSERT_EQ(bits.At(expected), at[static_cast<std::size_t>(expected)]);
                    }
                    from = expected + static_cast<int>(Pick(random, 3));
                }
                ASSERT_EQ(bits.At(count - 1), at.back());

                // The run ends one after the other, as a symbol line takes them.
                TableBits runs =
                    useAxis ? TableBits(view, area, start, table, axis) : TableBits(view, area, start, table);
                for (int from = 0;;) {
                    int expected = from + 1;
                    while (expected < count &&
                           dark[static_cast<std::size_t>(expected)] == dark[static_cast<std::size_t>(from)])
                        ++expected;
                    const int end = runs.NextRunEnd();
                    ASSERT_EQ(end, expected) << "run from " << from;
                    if (expected == count) {
                        ASSERT_TRUE(runs.Ended() && end == runs.Walked());
                        break;
                    }
                    from = end;
                }
            }
        }
    }
}

// Mostly light pictures with dark specks, so that the map lets whole blocks
// be skipped; then boxes are written, dark as an erased light-bar symbol
// leaves them or light, and the map refreshed over each box or its rows.
TEST(PixelLine, DarkPixelsThroughTheMapBeforeAndAfterBoxesAreWritten) {
    std::mt19937 random(31);
    for (int trial = 0; trial < 300; ++trial) {
        ZrImage image{};
        image.width = 1 + Pick(random, 200);
        image.height = 1 + Pick(random, 120);
        image.bitsPerPixel = 1;
        image.polarity = static_cast<std::uint16_t>(Pick(random, 2));
        ASSERT_EQ(ImageCreate(&image), ZR_OK);  // all light
        const BitImageView view(image);
        const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
        const bool setIsDark = view.SetBitIsDark();
        auto paint = [&](int x, int y, bool dark) {
            std::uint8_t &byte = view.MutableRow(y)[x >> 3];
            const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
            byte = static_cast<std::uint8_t>(dark == setIsDark ? byte | mask : byte & ~mask);
        };
        const unsigned specks = Pick(random, 30);
        for (unsigned k = 0; k < specks; ++k)
            paint(static_cast<int>(Pick(random, static_cast<unsigned>(w))),
                  static_cast<int>(Pick(random, static_cast<unsigned>(h))), true);
        DarkMap map(view);
        auto check = [&]() {
            for (int line = 0; line < 30; ++line) {
                const Rect area{0, 0, w, h};
                const PointI start = RandomPoint(random, area);
                const PixelLine pixels(view, start, kLineSteps[Pick(random, 4)], area);
                const int end = pixels.Count();
                for (int i = 0; i < end;) {
                    int expected = i;
                    while (expected < end && !pixels.Dark(expected)) ++expected;
                    ASSERT_EQ(pixels.NextDark(i, end, map), expected);
                    i = expected + 1;
                }
            }
        };
        check();
        // After a refresh over the box written, the map is the one built
        // afresh for the picture in every byte column of the picture.
        auto same = [&]() {
            const DarkMap fresh(view);
            for (int y = 0; y < h; y += 8)
                for (int b = 0; 8 * b < w; ++b)
                    ASSERT_EQ(map.At(y, b), fresh.At(y, b)) << "y " << y << " byte " << b;
        };
        for (int box = 0; box < 6; ++box) {
            // Boxes as outlines give them: corners may lie outside the picture.
            const int x0 = static_cast<int>(Pick(random, static_cast<unsigned>(w + 10))) - 5;
            const int y0 = static_cast<int>(Pick(random, static_cast<unsigned>(h + 10))) - 5;
            const int x1 = x0 + 1 + static_cast<int>(Pick(random, 20));
            const int y1 = y0 + 1 + static_cast<int>(Pick(random, 20));
            const bool dark = box < 3 || Pick(random, 2) != 0;  // light boxes clear map bits again
            for (int y = std::max(y0, 0); y < std::min(y1, h); ++y)
                for (int x = std::max(x0, 0); x < std::min(x1, w); ++x) paint(x, y, dark);
            if (Pick(random, 4) == 0) {
                map.Refresh(y0, y1 - 1);
            } else {
                map.Refresh(PointI{x0, y0}, PointI{x1 - 1, y1 - 1});
            }
            same();
            check();
        }
        ImageDestroy(&image);
    }
}

}  // namespace
}  // namespace zr::lines
