// The word-at-a-time line walk and run collection against pixel-by-pixel
// versions, on random pictures with runs along rows, columns and both
// diagonals, random areas, start points, limits and both polarities.
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

namespace zr::lines {
namespace {

constexpr std::uint8_t kLineSteps[] = {kStepRight, kStepDown, kStepUpRight, kStepDownRight};
constexpr std::uint8_t kCollectors[] = {kLeftToRight, kRightToLeft, kTopToBottom,
                                        kBottomToTop, kDiagonalUp,  kDiagonalDown};

unsigned Pick(std::mt19937 &random, unsigned n) {
    return static_cast<unsigned>(random() % n);
}

// A random 1-bit picture whose runs follow one of the line directions (or
// none), with sparse specks and random padding bits.
class RandomPicture {
  public:
    explicit RandomPicture(std::mt19937 &random) {
        image_.width = 1 + Pick(random, 260);
        image_.height = 1 + Pick(random, 140);
        image_.bitsPerPixel = 1;
        image_.polarity = static_cast<std::uint16_t>(Pick(random, 2));
        EXPECT_EQ(ImageCreate(&image_), ZR_OK);
        const int w = static_cast<int>(image_.width), h = static_cast<int>(image_.height);
        // Runs of random lengths, short or long, along a sequence of w + h values.
        std::vector<std::uint8_t> sequence(static_cast<std::size_t>(w + h));
        const unsigned meanRun = 1 + Pick(random, Pick(random, 2) ? 4u : 120u);
        std::uint8_t bit = 0;
        for (std::size_t k = 0; k < sequence.size(); ++k) {
            if (Pick(random, meanRun) == 0) bit ^= 1;
            sequence[k] = bit;
        }
        const unsigned pattern = Pick(random, 5);
        const unsigned specks = Pick(random, 4) == 0 ? 0 : 1 + Pick(random, 50);
        auto *bits = static_cast<std::uint8_t *>(image_.bits);
        for (std::size_t i = 0; i < image_.size; ++i) bits[i] = static_cast<std::uint8_t>(random());
        BitImageView view(image_);
        for (int y = 0; y < h; ++y) {
            std::uint8_t *row = view.MutableRow(y);
            for (int x = 0; x < w; ++x) {
                unsigned value = pattern == 0   ? sequence[static_cast<std::size_t>(x)]
                                 : pattern == 1 ? sequence[static_cast<std::size_t>(y)]
                                 : pattern == 2 ? sequence[static_cast<std::size_t>(x + y)]
                                 : pattern == 3 ? sequence[static_cast<std::size_t>(x - y + h - 1)]
                                                : Pick(random, 2);
                if (specks != 0 && Pick(random, 1000) < specks) value ^= 1;
                const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
                row[x >> 3] = static_cast<std::uint8_t>(value ? row[x >> 3] | mask : row[x >> 3] & ~mask);
            }
        }
    }
    ~RandomPicture() { ImageDestroy(&image_); }
    RandomPicture(const RandomPicture &) = delete;
    RandomPicture &operator=(const RandomPicture &) = delete;

    BitImageView View() const { return BitImageView(image_); }
    Rect RandomArea(std::mt19937 &random) const {
        const int w = static_cast<int>(image_.width), h = static_cast<int>(image_.height);
        if (Pick(random, 3) == 0) return {0, 0, w, h};
        const int x0 = static_cast<int>(Pick(random, static_cast<unsigned>(w)));
        const int y0 = static_cast<int>(Pick(random, static_cast<unsigned>(h)));
        return {x0, y0, x0 + 1 + static_cast<int>(Pick(random, static_cast<unsigned>(w - x0))),
                y0 + 1 + static_cast<int>(Pick(random, static_cast<unsigned>(h - y0)))};
    }

  private:
    ZrImage image_{};
};

PointI RandomPoint(std::mt19937 &random, const Rect &area) {
    return {area.x0 + static_cast<int>(Pick(random, static_cast<unsigned>(area.Width()))),
            area.y0 + static_cast<int>(Pick(random, static_cast<unsigned>(area.Height())))};
}

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

// The run collection one pixel at a time, as it is described: widen or close
// the open element, count the pixel against the limit, step on.
bool PlainPlausible(const RunScan &s, bool rightward) {
    if (s.maxLight * 10 < s.maxDark || s.maxDark * 5 < s.maxLight) return false;
    if (s.minDark * 10 < s.maxDark || s.minLight * 6 < s.maxLight) return false;
    if (s.maxDark > 200 || s.maxLight > 200) return false;
    const int small = rightward ? 3 : 4;
    return !(s.maxDark < small && s.maxLight < small);
}

std::uint16_t PlainRunCollect(RunScan &scan, const BitImageView &image) {
    const bool rightward = (scan.direction & kHorizontal) != 0;
    const std::uint8_t step = rightward                       ? kStepRight
                              : (scan.direction & kVertical)  ? kStepDown
                              : scan.direction == kDiagonalUp ? kStepUpRight
                                                              : kStepDownRight;
    scan.elements = 0;
    scan.pixels = 0;
    scan.minLight = scan.minDark = 0xFFFF;
    scan.maxLight = scan.maxDark = 0;
    scan.widths.assign(scan.capacity + 1u, 0);
    if (!scan.area.Contains(scan.startX, scan.startY)) {
        scan.stopX = scan.startX;
        scan.stopY = scan.startY;
        return kRunLeftArea;
    }
    BitCursor cursor(image);
    cursor.MoveTo(scan.startX, scan.startY);
    bool light = !cursor.Dark();
    scan.startsLight = light ? 1 : 0;
    int width = 0;
    std::uint16_t status = kRunOk;
    bool full = false;
    for (;;) {
        const bool pixelLight = !cursor.Dark();
        if (pixelLight == light) {
            ++width;
        } else {
            const auto w = static_cast<std::uint16_t>(width);
            std::uint16_t &low = light ? scan.minLight : scan.minDark;
            std::uint16_t &high = light ? scan.maxLight : scan.maxDark;
            low = std::min(low, w);
            high = std::max(high, w);
            scan.widths[static_cast<std::size_t>(scan.elements++)] = w;
            if (scan.elements >= scan.capacity) {
                full = true;
                break;
            }
            const bool closedLight = light;
            light = pixelLight;
            width = 1;
            if (closedLight && scan.maxDark > 0 && scan.maxLight > 8u * scan.maxDark) {
                status = kRunGap;
                break;
            }
        }
        if (++scan.pixels > scan.pixelLimit) {
            status = kRunGap;
            break;
        }
        if (!cursor.StepInside(step, scan.area)) {
            status = kRunLeftArea;
            break;
        }
    }
    scan.stopX = cursor.x();
    scan.stopY = cursor.y();
    if (full) return PlainPlausible(scan, rightward) ? kRunOk : kRunImplausible;
    return status;
}

TEST(PixelLine, RunCollectionMatchesThePlainWalk) {
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
            ASSERT_EQ(RunBufferInit(fast, kCollectors[Pick(random, 6)]), kRunOk);
            if (Pick(random, 2)) fast.pixelLimit = static_cast<std::uint16_t>(Pick(random, 300));
            const PointI start =
                Pick(random, 20) == 0 ? PointI{fast.area.x1, fast.area.y0} : RandomPoint(random, fast.area);
            fast.startX = start.x;
            fast.startY = start.y;
            RunScan plain = fast;

            const std::uint16_t fastStatus = RunCollect(fast, view, Pick(random, 2) != 0 ? &map : nullptr);
            const std::uint16_t plainStatus = PlainRunCollect(plain, view);
            ASSERT_EQ(fastStatus, plainStatus) << "picture " << picture << " trial " << trial;
            ASSERT_EQ(fast.elements, plain.elements);
            ASSERT_EQ(fast.pixels, plain.pixels);
            ASSERT_EQ(fast.stopX, plain.stopX);
            ASSERT_EQ(fast.stopY, plain.stopY);
            ASSERT_EQ(fast.startsLight, plain.startsLight);
            ASSERT_EQ(fast.minLight, plain.minLight);
            ASSERT_EQ(fast.maxLight, plain.maxLight);
            ASSERT_EQ(fast.minDark, plain.minDark);
            ASSERT_EQ(fast.maxDark, plain.maxDark);
            for (int e = 0; e < fast.elements; ++e)
                ASSERT_EQ(fast.widths[static_cast<std::size_t>(e)],
                          plain.widths[static_cast<std::size_t>(e)]);
        }
    }
}

// Both gathers: pixel by pixel along the table, and a run at a time along
// rows or columns. Exact axis and diagonal angles give tables without side
// steps or with nothing but side steps.
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
                TableBits bits = useAxis ? TableBits(view, area, start, table, axis)
                                         : TableBits(view, area, start, table);
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
            }
        }
    }
}

// Mostly light pictures with dark specks, so that the map lets whole blocks
// be skipped; then dark boxes are written, as an erased light-bar symbol
// leaves them, and the map refreshed over their rows.
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
        auto paint = [&](int x, int y) {
            std::uint8_t &byte = view.MutableRow(y)[x >> 3];
            const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
            byte = static_cast<std::uint8_t>(setIsDark ? byte | mask : byte & ~mask);
        };
        const unsigned specks = Pick(random, 30);
        for (unsigned k = 0; k < specks; ++k)
            paint(static_cast<int>(Pick(random, static_cast<unsigned>(w))),
                  static_cast<int>(Pick(random, static_cast<unsigned>(h))));
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
        for (int box = 0; box < 3; ++box) {
            const int x0 = static_cast<int>(Pick(random, static_cast<unsigned>(w)));
            const int y0 = static_cast<int>(Pick(random, static_cast<unsigned>(h)));
            const int x1 = std::min(w, x0 + 1 + static_cast<int>(Pick(random, 20)));
            const int y1 = std::min(h, y0 + 1 + static_cast<int>(Pick(random, 20)));
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) paint(x, y);
            map.Refresh(y0, y1 - 1);
            check();
        }
        ImageDestroy(&image);
    }
}

}  // namespace
}  // namespace zr::lines
