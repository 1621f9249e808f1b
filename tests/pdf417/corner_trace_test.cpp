// The corner trace against the same trace walked one step at a time with a
// table walker, as it is described: on random pictures (noise, stripes,
// blocks), rows at any angle, bar colour and mean width, and areas that cut
// the walks, the corners must be the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/image.hpp"
#include "pdf417/stages.hpp"
#include "pdf417/walk.hpp"

namespace zr::pdf417 {
namespace {

int Pick(std::mt19937 &random, int n) {
    return static_cast<int>(random() % static_cast<unsigned>(n));
}

// The trace of one side, pixel by pixel.
class PlainTrace {
  public:
    PlainTrace(const ZrImage &image, const Rect &area, const MeasuredRow &row)
        : area_(area),
          steps_(row.direction.steps),
          walker_(image, steps_[kAlong], area, row.metrics.barColor == kDarkBars),
          m_(std::max(1, static_cast<int>(std::max(row.metrics.meanDark, row.metrics.meanLight)))) {}

    PointI Part(PointI p, Heading heading) {
        const StepTable &table = steps_[heading];
        int index = 0, gap = 0;
        PointI firstAbsent = p;
        for (int guard = 0; guard < 20000; ++guard) {
            if (PatternAt(p)) {
                gap = 0;
            } else {
                if (gap == 0) firstAbsent = p;
                if (++gap > 3) return firstAbsent;
            }
            const PointI next = p + lines::StepVector(table[index]);
            index = (index + 1) % lines::kStepTableSize;
            if (!area_.Contains(next)) return gap > 0 ? firstAbsent : p;
            p = Align(next);
        }
        return p;
    }

  private:
    bool PatternAt(PointI p) {
        walker_.Use(steps_[kAlong]);
        walker_.MoveTo(p);
        int bars = 0, background = 0;
        for (;;) {
            (walker_.Bar() ? bars : background) += 1;
            if (bars > m_ && background > m_) return true;
            if (background > 3 * m_) return false;
            if (!walker_.Step()) return true;
        }
    }
    PointI Align(PointI p) {
        walker_.MoveTo(p);
        const bool onBar = walker_.Bar();
        walker_.Use(steps_[onBar ? kBack : kAlong]);
        walker_.MoveTo(p);
        for (int k = 0; k <= 3; ++k) {
            const bool nextBar = walker_.NextIsBar();
            if (onBar ? !nextBar : nextBar) {
                if (!onBar) walker_.Step();
                return walker_.At();
            }
            if (!walker_.Step()) return p;
        }
        return p;
    }

    const Rect &area_;
    const StepTables &steps_;
    TableWalker walker_;
    int m_;
};

// A random 1-bit picture: noise of some density, stripes along some angle
// of some width, or blocks, so that walks meet short and long runs.
class Picture {
  public:
    explicit Picture(std::mt19937 &random) {
        image_.width = static_cast<std::uint32_t>(8 + Pick(random, 180));
        image_.height = static_cast<std::uint32_t>(8 + Pick(random, 180));
        image_.bitsPerPixel = 1;
        image_.polarity = static_cast<std::uint16_t>(Pick(random, 2));
        EXPECT_EQ(ImageCreate(&image_), ZR_OK);
        const int kind = Pick(random, 3), period = 2 + Pick(random, 14), density = 1 + Pick(random, 99);
        const int slope = Pick(random, 7) - 3;
        BitImageView view(image_);
        for (int y = 0; y < static_cast<int>(image_.height); ++y) {
            std::uint8_t *row = view.MutableRow(y);
            for (int x = 0; x < static_cast<int>(image_.width); ++x) {
                bool set = Pick(random, 100) < density;
                if (kind == 1) set = ((x + slope * y / 2 + 1000) / period) % 2 == 0 || Pick(random, 50) == 0;
                if (kind == 2) set = ((x / period + y / period) % 3 == 0) != (Pick(random, 40) == 0);
                const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
                row[x >> 3] = static_cast<std::uint8_t>(set ? row[x >> 3] | mask : row[x >> 3] & ~mask);
            }
        }
    }
    ~Picture() { ImageDestroy(&image_); }
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;
    const ZrImage &image() const { return image_; }

  private:
    ZrImage image_{};
};

TEST(CornerTrace, CornersMatchTheStepByStepTrace) {
    std::mt19937 random(2027);
    for (int picture = 0; picture < 150; ++picture) {
        const Picture p(random);
        const int w = static_cast<int>(p.image().width), h = static_cast<int>(p.image().height);
        for (int trial = 0; trial < 8; ++trial) {
            ScanSettings settings;
            const int x0 = Pick(random, w / 4 + 1), y0 = Pick(random, h / 4 + 1);
            settings.area = {x0, y0, w - Pick(random, w / 4 + 1), h - Pick(random, h / 4 + 1)};
            settings.vertical = Pick(random, 2) != 0;
            MeasuredRow row;
            row.direction = DirectionAt(Pick(random, 36000) / 100.0);
            row.metrics.barColor = Pick(random, 2) ? kDarkBars : kLightBars;
            row.metrics.meanDark = 0.5 + Pick(random, 80) / 10.0;
            row.metrics.meanLight = 0.5 + Pick(random, 80) / 10.0;
            row.reversed = Pick(random, 2) != 0;
            const Rect &a = settings.area;
            const auto inside = [&] {
                return PointI{a.x0 + Pick(random, a.Width()), a.y0 + Pick(random, a.Height())};
            };
            row.edges = {inside(), inside(), inside(), inside()};
            const MeasuredSymbol symbol = TraceCorners(p.image(), settings, row);
            PlainTrace plain(p.image(), settings.area, row);
            const PatternEdges &e = row.edges;
            const PointI stopWidth = e.rowEnd - e.stopFirst;
            const std::array<PointI, 4> expected = {
                plain.Part(e.startOuter, kUp), plain.Part(e.stopFirst, kUp) + stopWidth,
                plain.Part(e.stopFirst, kDown) + stopWidth, plain.Part(e.startOuter, kDown)};
            for (int k = 0; k < 4; ++k) {
                ASSERT_EQ(symbol.corners[static_cast<std::size_t>(k)], expected[static_cast<std::size_t>(k)])
                    << "picture " << picture << " trial " << trial << " corner " << k;
            }
        }
    }
}

}  // namespace
}  // namespace zr::pdf417
