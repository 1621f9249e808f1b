// The sample walks of the grid (stepped lines, border samples) against
// plain statements of them, pixel by pixel with the picture test, on noise
// pictures and on walks inside, along and across the picture's edges.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/grey.hpp"
#include "core/image.hpp"
#include "core/lines/bit_cursor.hpp"
#include "dm/grid.hpp"
#include "reader_test_util.hpp"

namespace zr::dm {
namespace {

using test::Raster;

struct NoisePicture {
    std::vector<std::uint8_t> dib;
    ZrImage image{};
    NoisePicture(int width, int height, std::mt19937 &random) {
        Raster r = zr::test::Canvas(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (random() % 2 == 0) r.at(x, y) = 0;
        dib = zr::test::ToDib(r, 8);
        EXPECT_EQ(ImageFromDib(&image, dib.data()), 0);
        EXPECT_EQ(ImageToMono(&image), 0);
    }
    ~NoisePicture() { ImageDestroy(&image); }
    NoisePicture(const NoisePicture &) = delete;
    NoisePicture &operator=(const NoisePicture &) = delete;
    BitImageView View() const { return BitImageView(image); }
};

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
    NoisePicture picture(93, 57, random);
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

}  // namespace
}  // namespace zr::dm
