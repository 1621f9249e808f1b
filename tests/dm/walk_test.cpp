// The sample walks of the grid (stepped lines, border samples) against
// plain statements of them, pixel by pixel with the picture test, on noise
// pictures and on walks inside, along and across the picture's edges.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "core/grey.hpp"
#include "core/image.hpp"
#include "core/lines/bit_cursor.hpp"
#include "dm/grid.hpp"
#include "dm_test_util.hpp"
#include "reader_test_util.hpp"

namespace zr::dm {
namespace {

using test::Raster;

struct TestPicture {
    std::vector<std::uint8_t> dib;
    ZrImage image{};
    explicit TestPicture(const Raster &r) : dib(zr::test::ToDib(r, 8)) {
        EXPECT_EQ(ImageFromDib(&image, dib.data()), 0);
        EXPECT_EQ(ImageToMono(&image), 0);
    }
    ~TestPicture() { ImageDestroy(&image); }
    TestPicture(const TestPicture &) = delete;
    TestPicture &operator=(const TestPicture &) = delete;
    BitImageView View() const { return BitImageView(image); }
};

Raster Noise(int width, int height, std::mt19937 &random) {
    Raster r = zr::test::Canvas(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (random() % 2 == 0) r.at(x, y) = 0;
    return r;
}

int PlainTransitions(const BitImageView &image, const Steps &steps, PointF from, PointF to) {
    const int n = static_cast<int>(std::trunc(geom::Distance(from, to) + 0.5));
    geom::PointI p = geom::RoundHalfUp(from);
    bool previous = image.DarkOrOutside(p.x, p.y);
    int transitions = 0;
    for (int k = 1; k < n; ++k) {
        p += lines::StepVector(steps[static_cast<std::size_t>((k - 1) % lines::kStepTableSize)]);
        const bool current = image.DarkOrOutside(p.x, p.y);
        transitions += current != previous ? 1 : 0;
        previous = current;
    }
    return transitions;
}

PointF Anywhere(std::mt19937 &random, int width, int height) {
    const auto coordinate = [&random](int size) {
        return static_cast<double>(random() % static_cast<unsigned>(4 * size * 100)) / 100.0 - 1.5 * size;
    };
    return {coordinate(width), coordinate(height)};
}

TEST(Walks, TransitionsAsAlongThePlainWalk) {
    std::mt19937 random(21);
    TestPicture picture(Noise(93, 57, random));
    Steps steps{};
    int inside = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        StepPattern(static_cast<double>(random() % 36000) / 100.0, steps);
        PointF from = Anywhere(random, 93, 57), to = Anywhere(random, 93, 57);
        if (trial % 2 == 0) {  // mostly inside the picture
            from = {from.x / 4 + 46, from.y / 4 + 28};
            to = {to.x / 4 + 46, to.y / 4 + 28};
            inside += 1;
        }
        ASSERT_EQ(CountTransitions(picture.View(), steps, from, to),
                  PlainTransitions(picture.View(), steps, from, to))
            << trial;
    }
    EXPECT_GT(inside, 1000);
}

// The border test of one region against the counts of its four sides, taken
// sample by sample with the picture test: whether it passes and, when it
// does, the samples that missed. Corners near the true ones (borders that
// pass and borders that just fail), corners anywhere (noise), and symbols
// cut by the picture's edge.
TEST(Walks, RegionBorderAsThePlainCounts) {
    std::mt19937 random(22);
    int passed = 0, failed = 0;
    for (const auto &[rows, columns] :
         {std::pair{10, 10}, std::pair{16, 16}, std::pair{8, 18}, std::pair{12, 26}}) {
        const DMSize &size = *test::FindSize(rows, columns);
        const int m = 3, quiet = 5;
        const Raster symbol = test::RenderDm(test::FillerFor(size), size, m, quiet);
        TestPicture picture(symbol);
        TestPicture noise(Noise(symbol.width, symbol.height, random));
        const double x0 = quiet * m, y0 = quiet * m;
        const double right = x0 + columns * m - 1, bottom = y0 + rows * m - 1;
        for (int trial = 0; trial < 600; ++trial) {
            const double jitter = random() % 3 == 0 ? 5 : 1;
            const auto wobble = [&random, jitter] {
                return static_cast<double>(random() % 1000) / 1000.0 * 2 * jitter - jitter;
            };
            // One trial in four moves the symbol's corners half the symbol
            // over the picture's edge: left, right or down.
            const int edge = static_cast<int>(random() % 8);
            const double half = columns * m / 2.0;
            const double shift = edge == 0 ? -x0 - half : edge == 1 ? x0 + half : 0;
            const double down = edge == 2 ? y0 + rows * m / 2.0 : 0;
            QuadF p{{x0 + wobble() + shift, y0 + wobble() + down},
                    {right + 1 + wobble() + shift, y0 - 1 + wobble() + down},
                    {right + wobble() + shift, bottom + wobble() + down},
                    {x0 + wobble() + shift, bottom + wobble() + down}};
            const TestPicture &on = trial % 5 == 4 ? noise : picture;
            const QuadF q = ModuleCentres(p, columns, rows);
            const int agree = CountAlternatingAlong(on.View(), q.topLeft, q.topRight, columns) +
                              CountAlternatingAlong(on.View(), q.bottomRight, q.topRight, rows) +
                              CountDarkAlong(on.View(), q.topLeft, q.bottomLeft, rows) +
                              CountDarkAlong(on.View(), q.bottomLeft, q.bottomRight, columns);
            const int samples = 2 * (columns + rows);
            const int needed = static_cast<int>(std::trunc(samples * 0.8 + 0.5));
            int missed = 0;
            const bool passes = CheckRegionBorder(on.View(), p, columns, rows, &missed);
            ASSERT_EQ(passes, agree > needed) << rows << "x" << columns << " trial " << trial;
            if (passes) {
                ASSERT_EQ(missed, samples - agree) << rows << "x" << columns << " trial " << trial;
                ++passed;
            } else {
                ++failed;
            }
        }
    }
    EXPECT_GT(passed, 300);
    EXPECT_GT(failed, 300);
}

// Region sampling against the plain reading of every module centre, each
// interpolated from the nearer corners, with the picture test, on noise and
// on regions inside, across and outside the picture.
TEST(Walks, RegionSamplesAsThePlainReading) {
    std::mt19937 random(23);
    TestPicture picture(Noise(80, 64, random));
    const BitImageView view = picture.View();
    for (int trial = 0; trial < 3000; ++trial) {
        const int columns = 3 + static_cast<int>(random() % 24), rows = 3 + static_cast<int>(random() % 24);
        QuadF q{Anywhere(random, 80, 64), Anywhere(random, 80, 64), Anywhere(random, 80, 64),
                Anywhere(random, 80, 64)};
        if (trial % 2 == 0)  // mostly inside the picture
            for (int c = 0; c < QuadF::kCorners; ++c) q[c] = {q[c].x / 4 + 40, q[c].y / 4 + 32};
        std::vector<std::uint8_t> sampled(static_cast<std::size_t>(rows * columns), 9);
        const bool balanced = SampleRegion(view, q, columns, rows, sampled.data(), columns);
        int dark = 0;
        for (int i = 1; i <= rows - 2; ++i) {
            const double h = rows - 1, w = columns - 1;
            const PointF left = i < rows / 2
                                    ? q.topLeft + (i / h) * (q.bottomLeft - q.topLeft)
                                    : q.bottomLeft + ((rows - 1 - i) / h) * (q.topLeft - q.bottomLeft);
            const PointF right = i < rows / 2
                                     ? q.topRight + (i / h) * (q.bottomRight - q.topRight)
                                     : q.bottomRight + ((rows - 1 - i) / h) * (q.topRight - q.bottomRight);
            for (int j = 1; j <= columns - 2; ++j) {
                const PointF s = j < columns / 2 ? left + (j / w) * (right - left)
                                                 : right + ((columns - 1 - j) / w) * (left - right);
                const bool isDark = view.DarkOrOutside(s);
                dark += isDark ? 1 : 0;
                ASSERT_EQ(sampled[static_cast<std::size_t>((i - 1) * columns + j - 1)], isDark ? 1 : 0)
                    << "trial " << trial << " module " << i << ", " << j;
            }
        }
        const int n = (rows - 2) * (columns - 2);
        EXPECT_EQ(balanced, dark >= n / 7 && n - dark >= n / 7) << trial;
    }
}

}  // namespace
}  // namespace zr::dm
