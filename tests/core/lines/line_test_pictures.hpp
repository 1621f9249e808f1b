// Random 1-bit test pictures for the line walks, and the run collection
// done one pixel at a time, as it is described, to compare against.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/image.hpp"
#include "core/lines/bit_cursor.hpp"
#include "core/lines/run_scan.hpp"

namespace zr::lines::test_lines {

inline constexpr std::uint8_t kLineSteps[] = {kStepRight, kStepDown, kStepUpRight, kStepDownRight};
inline constexpr std::uint8_t kCollectors[] = {kLeftToRight, kRightToLeft, kTopToBottom,
                                               kBottomToTop, kDiagonalUp,  kDiagonalDown};

inline unsigned Pick(std::mt19937 &random, unsigned n) {
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

inline PointI RandomPoint(std::mt19937 &random, const Rect &area) {
    return {area.x0 + static_cast<int>(Pick(random, static_cast<unsigned>(area.Width()))),
            area.y0 + static_cast<int>(Pick(random, static_cast<unsigned>(area.Height())))};
}

// The run collection one pixel at a time, as it is described: widen or close
// the open element, count the pixel against the limit, step on.
inline bool PlainPlausible(const RunScan &s, bool rightward) {
    if (s.maxLight * 10 < s.maxDark || s.maxDark * 5 < s.maxLight) return false;
    if (s.minDark * 10 < s.maxDark || s.minLight * 6 < s.maxLight) return false;
    if (s.maxDark > 200 || s.maxLight > 200) return false;
    const int small = rightward ? 3 : 4;
    return !(s.maxDark < small && s.maxLight < small);
}

inline RunEnd PlainRunCollect(RunScan &scan, const BitImageView &image) {
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
        return RunEnd::LeftArea;
    }
    BitCursor cursor(image);
    cursor.MoveTo(scan.startX, scan.startY);
    bool light = !cursor.Dark();
    scan.startsLight = light ? 1 : 0;
    int width = 0;
    RunEnd ended = RunEnd::Plausible;
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
                ended = RunEnd::Gap;
                break;
            }
        }
        if (++scan.pixels > scan.pixelLimit) {
            ended = RunEnd::Gap;
            break;
        }
        if (!cursor.StepInside(step, scan.area)) {
            ended = RunEnd::LeftArea;
            break;
        }
    }
    scan.stopX = cursor.x();
    scan.stopY = cursor.y();
    if (full) return PlainPlausible(scan, rightward) ? RunEnd::Plausible : RunEnd::Implausible;
    return ended;
}

// Whether two collections agree in status and every result field.
inline ::testing::AssertionResult SameCollection(const RunScan &fast, RunEnd fastEnd, const RunScan &plain,
                                                 RunEnd plainEnd) {
    auto differ = [](const char *what, long a, long b) {
        return ::testing::AssertionFailure() << what << " " << a << " != " << b;
    };
    if (fastEnd != plainEnd) return differ("end", static_cast<long>(fastEnd), static_cast<long>(plainEnd));
    if (fast.elements != plain.elements) return differ("elements", fast.elements, plain.elements);
    if (fast.pixels != plain.pixels) return differ("pixels", fast.pixels, plain.pixels);
    if (fast.stopX != plain.stopX || fast.stopY != plain.stopY)
        return differ("stop x", fast.stopX, plain.stopX);
    if (fast.startsLight != plain.startsLight)
        return differ("startsLight", fast.startsLight, plain.startsLight);
    if (fast.minLight != plain.minLight) return differ("minLight", fast.minLight, plain.minLight);
    if (fast.maxLight != plain.maxLight) return differ("maxLight", fast.maxLight, plain.maxLight);
    if (fast.minDark != plain.minDark) return differ("minDark", fast.minDark, plain.minDark);
    if (fast.maxDark != plain.maxDark) return differ("maxDark", fast.maxDark, plain.maxDark);
    for (int e = 0; e < fast.elements; ++e)
        if (fast.widths[static_cast<std::size_t>(e)] != plain.widths[static_cast<std::size_t>(e)])
            return differ("width", e, fast.widths[static_cast<std::size_t>(e)]);
    return ::testing::AssertionSuccess();
}

}  // namespace zr::lines::test_lines
