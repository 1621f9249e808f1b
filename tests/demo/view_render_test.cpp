// Drawing the visible part of the picture, keyboard scrolling, the shapes drawn over a read, and
// the version report.
#include <gtest/gtest.h>

#include <vector>

#include "logic/read.hpp"
#include "logic/shapes.hpp"
#include "logic/version_report.hpp"
#include "logic/view_render.hpp"
#include "logic/view_scroll.hpp"
#include "test_image.hpp"

namespace zr::demo {
namespace {

using test::TestImage;

struct Rgb3 {
    uint8_t r, g, b;
    bool operator==(const Rgb3 &o) const { return r == o.r && g == o.g && b == o.b; }
};

// Renders the area into a buffer of its own, rows of `width` pixels.
std::vector<Rgb3> Render(const ZrImage &image, const RenderArea &area, bool *ok = nullptr) {
    std::vector<Rgb3> out(static_cast<size_t>(area.width) * area.height, Rgb3{1, 2, 3});
    const bool drawn = RenderScaled(image, area, reinterpret_cast<uint8_t *>(out.data()), area.width * 3);
    if (ok) *ok = drawn;
    return out;
}

RenderArea Whole(uint32_t scaledWidth, uint32_t scaledHeight) {
    return VisibleArea(scaledWidth, scaledHeight, 0, 0, 1 << 20, 1 << 20);
}

TEST(RenderScaled, ColourPicturesKeepTheirColoursAtZoomOne) {
    TestImage picture(3, 2, 24, 0);
    uint8_t *pixel = picture.Row(1) + 2 * 3;
    pixel[0] = 30;  // stored blue, green, red
    pixel[1] = 20;
    pixel[2] = 10;
    const std::vector<Rgb3> out = Render(picture.image, Whole(3, 2));
    EXPECT_EQ(out[1 * 3 + 2], (Rgb3{10, 20, 30}));  // row 1 from the top, column 2
    EXPECT_EQ(out[0], (Rgb3{0, 0, 0}));
}

TEST(RenderScaled, PaletteColoursForGreyAndBilevelPictures) {
    TestImage grey(4, 1, 8, 0);
    grey.Row(0)[1] = 5;
    // Entry 5 of the palette (blue, green, red, reserved) gives the colour, not the index.
    uint8_t *palette = static_cast<uint8_t *>(grey.image.dib) + 40;
    palette[4 * 5 + 0] = 30;
    palette[4 * 5 + 1] = 20;
    palette[4 * 5 + 2] = 10;
    EXPECT_EQ(Render(grey.image, Whole(4, 1))[1], (Rgb3{10, 20, 30}));

    TestImage mono(16, 1, 1, 0x0F);  // pixels 4..7 and 12..15 set
    const std::vector<Rgb3> bits = Render(mono.image, Whole(16, 1));
    const uint8_t *entries = static_cast<uint8_t *>(mono.image.dib) + 40;
    const Rgb3 clear{entries[2], entries[1], entries[0]};
    const Rgb3 set{entries[6], entries[5], entries[4]};
    EXPECT_FALSE(clear == set);
    EXPECT_EQ(bits[0], clear);
    EXPECT_EQ(bits[4], set);
    EXPECT_EQ(bits[11], clear);
    EXPECT_EQ(bits[15], set);
}

TEST(RenderScaled, NearestSourcePixelWhenScaled) {
    TestImage picture(4, 4, 8, 0);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x) picture.Row(y)[x] = static_cast<uint8_t>(10 * y + x);
    // Zoom 2: every source pixel covers 2 x 2.
    const std::vector<Rgb3> doubled = Render(picture.image, Whole(8, 8));
    EXPECT_EQ(doubled[0].r, 0);
    EXPECT_EQ(doubled[1].r, 0);
    EXPECT_EQ(doubled[2].r, 1);
    EXPECT_EQ(doubled[7 * 8 + 7].r, 33);
    // Zoom 0.5: destination pixel i takes source 2i + 1, the one nearest its centre.
    const std::vector<Rgb3> halved = Render(picture.image, Whole(2, 2));
    EXPECT_EQ(halved[0].r, 11);
    EXPECT_EQ(halved[3].r, 33);
    // A scrolled part of the doubled picture: starts at scaled (3, 5), source (1, 2).
    const RenderArea part = VisibleArea(8, 8, 3, 5, 2, 2);
    EXPECT_EQ(part.width, 2u);
    const std::vector<Rgb3> scrolled = Render(picture.image, part);
    EXPECT_EQ(scrolled[0].r, 21);
    EXPECT_EQ(scrolled[1].r, 22);
}

TEST(RenderScaled, RefusesWhatItCannotDraw) {
    TestImage picture(4, 4, 8);
    bool ok = true;
    RenderArea outside = Whole(8, 8);
    outside.left = 4;  // 4 + 8 columns past the scaled width
    Render(picture.image, outside, &ok);
    EXPECT_FALSE(ok);
    Render(ZrImage{}, Whole(4, 4), &ok);
    EXPECT_FALSE(ok);
    std::vector<uint8_t> row(12);
    EXPECT_FALSE(RenderScaled(picture.image, Whole(4, 1), row.data(), 11));  // stride shorter than a row
    ZrImage odd = picture.image;
    odd.pitch = 2;  // rows that would leave the block
    Render(odd, Whole(4, 4), &ok);
    EXPECT_FALSE(ok);
}

TEST(VisibleArea, ClipsToTheScaledPicture) {
    const RenderArea area = VisibleArea(100, 50, 80, -5, 40, 400);
    EXPECT_EQ(area.left, 80u);
    EXPECT_EQ(area.top, 0u);
    EXPECT_EQ(area.width, 20u);
    EXPECT_EQ(area.height, 50u);
    EXPECT_EQ(VisibleArea(100, 50, 500, 0, 40, 40).width, 0u);
}

TEST(ScrollAfterKey, StepsAndLimits) {
    const ScrollPosition start{200, 200};
    auto after = [&](ScrollKey key) { return ScrollAfterKey(key, start, 1000, 800, 400, 300); };
    EXPECT_EQ(after(ScrollKey::PageUp).y, 100);
    EXPECT_EQ(after(ScrollKey::PageDown).y, 300);
    EXPECT_EQ(after(ScrollKey::Home).x, 100);
    EXPECT_EQ(after(ScrollKey::End).x, 300);
    EXPECT_EQ(after(ScrollKey::Left).x, 180);
    EXPECT_EQ(after(ScrollKey::Right).x, 220);
    EXPECT_EQ(after(ScrollKey::Up).y, 180);
    EXPECT_EQ(after(ScrollKey::Down).y, 220);
    EXPECT_EQ(after(ScrollKey::Down).x, 200);
    // Not before 0 nor past the last position that still shows picture (1000 - 400).
    EXPECT_EQ(ScrollAfterKey(ScrollKey::Left, {10, 0}, 1000, 800, 400, 300).x, 0);
    EXPECT_EQ(ScrollAfterKey(ScrollKey::End, {550, 0}, 1000, 800, 400, 300).x, 600);
    // A picture smaller than the client area does not scroll.
    EXPECT_EQ(ScrollAfterKey(ScrollKey::PageDown, {0, 0}, 100, 100, 400, 300).y, 0);
}

TEST(ResultShapes, FollowTheLastOperation) {
    Document document;
    ZrBarResult result{};
    for (int i = 0; i < 8; ++i) result.corners[i] = 10 * i;
    std::memset(result.text, 'A', sizeof result.text);  // no NUL: the text stops at the field's end
    document.linearResults.push_back(result);
    document.state.lastOperation = Operation::ReadLinear;
    const std::vector<SymbolShape> shapes = ResultShapes(document);
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0].corners[7], 70);
    EXPECT_EQ(shapes[0].text.size(), sizeof result.text);
    // After a file operation nothing is outlined, though the copies stay.
    document.state.lastOperation = Operation::SaveFile;
    EXPECT_TRUE(ResultShapes(document).empty());
}

TEST(VersionReport, HighAndLowHalves) {
    EXPECT_EQ(VersionLine("ZrPDF417", 131116), "ZrPDF417 version: 2.44\n");
    const std::vector<std::string> lines = VersionReport();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], VersionLine("ZrImg", ZrGetImgVersion()));
    EXPECT_EQ(lines[1], VersionLine("ZrBar", ZrBarGetVersion()));
}

}  // namespace
}  // namespace zr::demo
