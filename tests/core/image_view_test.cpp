// The bi-level image view: rows top-down over bottom-up storage, the dark
// test in both polarities, and the bit cursor built on it.
#include <gtest/gtest.h>

#include "core/image.hpp"
#include "core/image_view.hpp"
#include "core/lines/bit_cursor.hpp"
#include "test_dib.hpp"

using namespace zr;
using zr_test::Blank;
using zr_test::SetBit;

namespace {

TEST(BitImageView, RowsCountFromTheTopAndDarkFollowsThePolarity) {
    for (const std::uint16_t polarity : {std::uint16_t{0}, std::uint16_t{1}}) {
        SCOPED_TRACE(polarity);
        ZrImage image = Blank(13, 5, 1, polarity);
        // Stored row 0 is the bottom picture row: set pixel (9, 4) dark there.
        SetBit(image, 0, 9, polarity == 0);
        const BitImageView view(image);
        EXPECT_EQ(view.Width(), 13);
        EXPECT_EQ(view.Height(), 5);
        EXPECT_EQ(view.Pitch(), 4);
        EXPECT_EQ(view.SetBitIsDark(), polarity == 0);
        EXPECT_EQ(view.Row(4), static_cast<const std::uint8_t *>(image.bits));
        EXPECT_EQ(view.Row(0), static_cast<const std::uint8_t *>(image.bits) + 4 * 4);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) {
                const bool expected = x == 9 && y == 4;
                EXPECT_EQ(view.Dark(x, y), expected) << x << "," << y;
                EXPECT_EQ(ImageIsDark(&image, x, y), expected) << x << "," << y;
            }
        EXPECT_TRUE(view.DarkOrOutside(9, 4));
        EXPECT_FALSE(view.DarkOrOutside(-1, 4));
        EXPECT_FALSE(view.DarkOrOutside(13, 4));
        EXPECT_FALSE(view.DarkOrOutside(9, 5));
        const geom::Rect bounds = view.Bounds();
        EXPECT_EQ(bounds.x0, 0);
        EXPECT_EQ(bounds.y0, 0);
        EXPECT_EQ(bounds.x1, 13);
        EXPECT_EQ(bounds.y1, 5);
        ImageDestroy(&image);
    }
}

TEST(BitCursor, StepsAgreeWithTheViewAcrossByteBoundaries) {
    ZrImage image = Blank(20, 6, 1, 1);
    const BitImageView view(image);
    // A diagonal of dark pixels from (5, 0) to (10, 5) and a dark column at x = 8.
    for (int i = 0; i < 6; ++i)
        SetBit(image, static_cast<std::uint32_t>(5 - i), static_cast<std::uint32_t>(5 + i), false);
    for (std::uint32_t r = 0; r < 6; ++r) SetBit(image, r, 8, false);
    lines::BitCursor cursor(view);
    const geom::Rect area = view.Bounds();
    for (std::uint8_t code = 0; code < 8; ++code) {
        SCOPED_TRACE(int{code});
        cursor.MoveTo(7, 3);
        geom::PointI p{7, 3};
        while (cursor.StepInside(code, area)) {
            p += lines::StepVector(code);
            ASSERT_EQ(cursor.At(), p);
            ASSERT_EQ(cursor.Dark(), view.Dark(p));
        }
        EXPECT_FALSE(area.Contains(p + lines::StepVector(code)));
    }
    ImageDestroy(&image);
}

}  // namespace
