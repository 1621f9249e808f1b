#include <gtest/gtest.h>

#include "logic/view_math.hpp"
#include "test_image.hpp"

namespace zr::demo {
namespace {

using test::TestImage;

TEST(PixelReadout, RoundsHalfUpAtTheZoom) {
    TestImage picture(60, 40, 24, 0);
    uint8_t *pixel = picture.Row(25) + 51 * 3;
    pixel[0] = 30;  // blue
    pixel[1] = 20;  // green
    pixel[2] = 10;  // red
    // Zoom 2: mouse (101, 50) is pixel (50.5 -> 51, 25).
    EXPECT_EQ(PixelReadout(picture.image, 101, 50, 0, 0, 2.0), "x: 51 y: 25 RGB(10, 20, 30)");
    EXPECT_EQ(PixelReadout(picture.image, 91, 40, 10, 10, 2.0), "x: 51 y: 25 RGB(10, 20, 30)");
    EXPECT_EQ(PixelReadout(picture.image, 0, 0, 0, 0, 1.0), "x: 0 y: 0 RGB(0, 0, 0)");
    // 59.5 rounds to 60, outside a 60-pixel row; negative positions are outside too.
    EXPECT_FALSE(PixelReadout(picture.image, 119, 0, 0, 0, 2.0));
    EXPECT_FALSE(PixelReadout(picture.image, -2, 0, 0, 0, 1.0));
    EXPECT_FALSE(PixelReadout(picture.image, 0, 0, 0, 0, 0.0));
    EXPECT_FALSE(PixelReadout(ZrImage{}, 0, 0, 0, 0, 1.0));
}

TEST(PixelReadout, GreyAndBilevelColours) {
    TestImage grey(10, 10, 8, 0);
    grey.Row(3)[4] = 77;
    const auto level = PixelColor(grey.image, 4, 3);
    ASSERT_TRUE(level);
    EXPECT_EQ(level->red, 77);
    EXPECT_EQ(level->green, 77);
    EXPECT_EQ(level->blue, 77);

    TestImage mono(20, 4, 1, 0);
    mono.Row(1)[1] = 0x20;    // pixel x = 10 set
    mono.image.polarity = 0;  // set bit black
    EXPECT_EQ(PixelColor(mono.image, 10, 1)->red, 0);
    EXPECT_EQ(PixelColor(mono.image, 9, 1)->red, 255);
    EXPECT_EQ(PixelColor(mono.image, 10, 2)->red, 255);
    mono.image.polarity = 1;  // set bit white
    EXPECT_EQ(PixelColor(mono.image, 10, 1)->red, 255);
    EXPECT_EQ(PixelColor(mono.image, 9, 1)->red, 0);

    // Records that do not hold their pixels are refused instead of read past their end.
    mono.image.pitch = 2;
    EXPECT_FALSE(PixelColor(mono.image, 0, 0));
    mono.image.pitch = 4;
    mono.image.size = 8;
    EXPECT_FALSE(PixelColor(mono.image, 0, 0));
    mono.image.size = 16;
    mono.image.bitsPerPixel = 4;
    EXPECT_FALSE(PixelColor(mono.image, 0, 0));
}

TEST(ViewGeometry, ZoomScrollAndSampling) {
    TestImage picture(400, 200, 8);
    EXPECT_DOUBLE_EQ(ZoomToFit(200, 200, picture.image, 1.0), 0.5);
    EXPECT_DOUBLE_EQ(ZoomToFit(800, 300, picture.image, 1.0), 1.5);
    EXPECT_DOUBLE_EQ(ZoomToFit(0, 300, picture.image, 2.0), 2.0);
    EXPECT_DOUBLE_EQ(ZoomToFit(800, 300, ZrImage{}, 3.0), 3.0);

    const ViewSize scaled = ScrollSize(picture.image, 1.0 / 3.0);
    EXPECT_EQ(scaled.width, 133);
    EXPECT_EQ(scaled.height, 66);
    const ViewSize empty = ScrollSize(ZrImage{}, 4.0);
    EXPECT_EQ(empty.width, 100);
    EXPECT_EQ(empty.height, 100);

    // Zoom 2: destination pixels 0 and 1 both sample source 0, 2 and 3 source 1.
    EXPECT_EQ(SourceIndex(0, 0, 400, 800), 0u);
    EXPECT_EQ(SourceIndex(1, 0, 400, 800), 0u);
    EXPECT_EQ(SourceIndex(2, 0, 400, 800), 1u);
    EXPECT_EQ(SourceIndex(5, 10, 400, 800), 7u);
    // Zoom 0.5: every other source pixel, the one nearer the centre.
    EXPECT_EQ(SourceIndex(0, 0, 400, 200), 1u);
    EXPECT_EQ(SourceIndex(199, 0, 400, 200), 399u);
    EXPECT_EQ(SourceIndex(500, 0, 400, 200), 399u);
    EXPECT_EQ(SourceIndex(0, 0, 0, 200), 0u);
}

TEST(ViewGeometry, OutlineBoxes) {
    const int32_t corners[8] = {30, 10, 30, 50, -4, 50, 11, 9};
    const OutlineBox selected = OutlineFor(corners, 1.5, true);
    EXPECT_EQ(selected.left, 0);
    EXPECT_EQ(selected.top, 13);  // 9 x 1.5 = 13.5
    EXPECT_EQ(selected.right, 45);
    EXPECT_EQ(selected.bottom, 75);
    EXPECT_EQ(selected.colour.red, 255);
    EXPECT_EQ(selected.colour.blue, 0);
    const OutlineBox other = OutlineFor(corners, 1.0, false);
    EXPECT_EQ(other.colour.red, 0);
    EXPECT_EQ(other.colour.blue, 255);
}

// Labels go outside their outline where the view has room, so that they hide no symbol.
TEST(OutlineLabel, AboveElseBelowElseInside) {
    OutlineBox box;
    box.left = 50;
    box.top = 40;
    box.right = 150;
    box.bottom = 140;
    LabelPlace place = LabelPlaceFor(box, 80, 15, 400, 300);
    EXPECT_EQ(place.left, 50);
    EXPECT_EQ(place.top, 25);  // above
    box.top = 10;
    EXPECT_EQ(LabelPlaceFor(box, 80, 15, 400, 300).top, 140);  // no room above: below
    EXPECT_EQ(LabelPlaceFor(box, 80, 15, 400, 150).top, 10);   // room neither side: inside
    box.left = 380;
    EXPECT_EQ(LabelPlaceFor(box, 80, 15, 400, 300).left, 320);  // kept in the view
    EXPECT_EQ(LabelPlaceFor(box, 500, 15, 400, 300).left, 0);
}

TEST(SearchArea, FrameKeptOnThePictureAndScaled) {
    ZrImage image{};
    uint8_t dib = 0;
    image.dib = &dib;
    image.width = 200;
    image.height = 100;
    PixelRect rect{20, 10, 0, 30};  // width 0: to the right edge
    std::optional<OutlineBox> box = SearchAreaBox(rect, image, 2.0);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->left, 40);
    EXPECT_EQ(box->top, 20);
    EXPECT_EQ(box->right, 400);
    EXPECT_EQ(box->bottom, 80);
    rect = {150, 90, 4000000000u, 4000000000u};  // past the edges, without wrapping
    box = SearchAreaBox(rect, image, 1.0);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->right, 200);
    EXPECT_EQ(box->bottom, 100);
    EXPECT_FALSE(SearchAreaBox({300, 0, 10, 10}, image, 1.0));  // wholly outside
    image.dib = nullptr;
    EXPECT_FALSE(SearchAreaBox({0, 0, 10, 10}, image, 1.0));
}

}  // namespace
}  // namespace zr::demo
