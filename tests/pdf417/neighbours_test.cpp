// ZrPDF417 on pictures with several symbols close together: a decoded symbol
// is blanked by its own outline, so that a neighbour inside its bounding box
// but outside its outline is still read.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "pdf417/stages.hpp"
#include "scan_util.hpp"

namespace zr::test {
namespace {

Pdf417Symbol Render(const std::string &data, int columns, int moduleSize, int quietZone) {
    Pdf417Options o;
    o.data = data;
    o.columns = columns;
    o.moduleSize = moduleSize;
    o.quietZone = quietZone;
    return RenderPdf417(o);
}

TEST(Pdf417Neighbours, SmallSymbolBelowATurnedOne) {
    const std::string bigText = "A symbol turned thirty degrees";
    const std::string smallText = "Small one";
    const Raster turned = Rotate(Render(bigText, 4, 3, 10).picture, 30, true);
    const Raster small = Render(smallText, 3, 2, 4).picture;
    // The turned symbol alone: its outline decides where the small one goes.
    const Pdf417Scan alone = ScanPdf417(turned);
    ASSERT_EQ(alone.results.size(), 1u);
    const std::int32_t *c = alone.results[0].corners;
    // Read up and to the right: the lower side runs from corner 4 (left) up to corner 3.
    const geom::PointI lowLeft{c[6], c[7]}, lowRight{c[4], c[5]};
    ASSERT_LT(lowLeft.x, lowRight.x);
    ASSERT_GT(lowLeft.y, lowRight.y);
    // The small symbol's picture goes into the bounding box's empty lower right
    // corner, its top left 25 pixels below the lower side.
    const int x = lowRight.x - small.width;
    const double sideY = lowLeft.y + static_cast<double>(x - lowLeft.x) * (lowRight.y - lowLeft.y) /
                                         (lowRight.x - lowLeft.x);
    const int y = static_cast<int>(sideY) + 25;
    ASSERT_LT(y, lowLeft.y) << "the small symbol lies inside the turned one's bounding box";
    Raster canvas = Canvas(turned.width, std::max(turned.height, y + small.height), 255);
    Paste(canvas, turned, 0, 0);
    Paste(canvas, small, x, y);

    const Pdf417Scan both = ScanPdf417(canvas, 15 | ZR_PDF417_FIRST_LOOK_ONLY);
    ASSERT_EQ(both.results.size(), 2u);
    EXPECT_EQ(TextOf(both.results[0]), bigText);
    EXPECT_EQ(TextOf(both.results[1]), smallText);
}

TEST(Pdf417Neighbours, GrownOutlineMovesEverySideOut) {
    const geom::QuadI square{{10, 10}, {30, 10}, {30, 30}, {10, 30}};
    const geom::QuadF grown = pdf417::GrownOutline(square, 3);
    EXPECT_DOUBLE_EQ(grown.topLeft.x, 7);
    EXPECT_DOUBLE_EQ(grown.topLeft.y, 7);
    EXPECT_DOUBLE_EQ(grown.bottomRight.x, 33);
    EXPECT_DOUBLE_EQ(grown.bottomRight.y, 33);
    // A degenerate outline (all corners in one point) stays where it is.
    const geom::QuadF point = pdf417::GrownOutline({{5, 5}, {5, 5}, {5, 5}, {5, 5}}, 3);
    EXPECT_DOUBLE_EQ(point.topRight.x, 5);
}

}  // namespace
}  // namespace zr::test
