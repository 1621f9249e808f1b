// The symbol line collected run by run from gathered pixels against the
// plain walk that takes the step table one pixel at a time, on noise and
// stripe pictures at random angles, base points, widths and both colours;
// also whether the area's edge cut the line short of a quiet zone.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "bar/stages.hpp"
#include "core/image.hpp"
#include "walk_test_pictures.hpp"

namespace zr::bar {
namespace {

constexpr double kQuietZone = 3.5;
constexpr std::size_t kMinElements = 10;

bool PlainSymbolLine(const Picture &picture, const StepTables &steps, const WidthStats &stats, Point base,
                     std::uint8_t barColor, SymbolLine &line) {
    const Rect &area = picture.area;
    if (!area.Contains(base)) return false;
    const bool barIsDark = barColor == kDarkBars;
    BitCursor cursor(picture.image);
    cursor.MoveTo(base);
    const double searchLimit = 4 * std::max(stats.DarkMean(), stats.LightMean());
    TableWalk along{&steps[kAlong]};
    int walked = 0;
    while (cursor.Dark() != barIsDark) {
        if (++walked > searchLimit || !cursor.StepInside(along.Next(), area)) return false;
    }
    TableWalk back{&steps[kBack]};
    for (;;) {
        BitCursor probe = cursor;
        if (!probe.StepInside(back.Next(), area) || probe.Dark() != barIsDark) break;
        cursor = probe;
    }
    line.first = cursor.At();
    const double groundLimit = kQuietZone * stats.GroundMean(barColor);
    // Open-ended: the area's edge, or before the first bar another bar, comes
    // before a quiet zone.
    line.openEnded = false;
    BitCursor ground = cursor;
    TableWalk before{&steps[kBack]};
    for (int quiet = 0; quiet <= groundLimit; ++quiet) {
        if (!ground.StepInside(before.Next(), area)) {
            line.openEnded = true;
            break;
        }
        if (ground.Dark() == barIsDark) {
            line.openEnded = true;
            break;
        }
    }
    line.widths.clear();
    along = TableWalk{&steps[kAlong]};
    Point lastBarPixel = line.first;
    bool onBar = true;
    int width = 1;
    for (;;) {
        const Point here = cursor.At();
        const bool inside = cursor.StepInside(along.Next(), area);
        const bool isBar = inside && cursor.Dark() == barIsDark;
        if (inside && isBar == onBar) {
            ++width;
            if (!onBar && width > groundLimit) break;
            continue;
        }
        if (onBar) {
            lastBarPixel = here;
            line.widths.push_back(static_cast<std::uint16_t>(std::min(width, 0xFFFF)));
        } else if (inside) {
            line.widths.push_back(static_cast<std::uint16_t>(std::min(width, 0xFFFF)));
        }
        if (!inside) line.openEnded = true;
        if (!inside || line.widths.size() >= kMaxElements) break;
        onBar = isBar;
        width = 1;
    }
    if (!line.widths.empty() && line.widths.size() % 2 == 0) line.widths.pop_back();
    line.last = lastBarPixel;
    return line.widths.size() >= kMinElements;
}

double Wrap(double a) {
    return a < 0 ? a + 360 : a >= 360 ? a - 360 : a;
}

TEST(SymbolLine, RunByRunCollectionMatchesThePlainWalk) {
    std::mt19937 random(17);
    auto pick = [&](unsigned n) { return static_cast<int>(random() % n); };
    for (int picture = 0; picture < 24; ++picture) {
        ZrImage image = test::NoiseOrStripes(picture, random);
        const BitImageView view(image);
        for (int trial = 0; trial < 200; ++trial) {
            Picture p{view, view.Bounds()};
            if (trial % 3 == 0)
                p.area = {pick(20), pick(20), view.Width() - pick(20), view.Height() - pick(20)};
            const double angle = pick(36000) / 100.0;
            StepTables steps;
            DirectionSteps(angle, kStepTableSize, steps[kAlong]);
            DirectionSteps(Wrap(angle - 180), kStepTableSize, steps[kBack]);
            WidthStats stats;
            stats.Add(true, 1 + pick(6));
            stats.Add(false, 1 + pick(6));
            const Point base{pick(static_cast<unsigned>(view.Width())),
                             pick(static_cast<unsigned>(view.Height()))};
            const std::uint8_t colour = trial % 2 == 0 ? kDarkBars : kLightBars;
            SymbolLine fast, plain;
            const bool fastFound = CollectSymbolLine(p, steps, stats, base, colour, fast);
            const bool plainFound = PlainSymbolLine(p, steps, stats, base, colour, plain);
            ASSERT_EQ(fastFound, plainFound) << "picture " << picture << " trial " << trial;
            if (!plainFound && plain.widths.empty()) continue;
            ASSERT_EQ(fast.first, plain.first);
            ASSERT_EQ(fast.last, plain.last);
            ASSERT_EQ(fast.widths, plain.widths);
            ASSERT_EQ(fast.openEnded, plain.openEnded);
        }
        ImageDestroy(&image);
    }
}

}  // namespace
}  // namespace zr::bar
