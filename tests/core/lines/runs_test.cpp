// Run collection stop rules, step tables and the angle fit.
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <vector>

#include "alloc/alloc_injector.hpp"
#include "core/image.hpp"
#include "core/lines/run_scan.hpp"
#include "support/render.hpp"

namespace zr::lines {
namespace {

using test::Raster;

// A one-row-high picture (plus margin rows) of the given element widths, bar first.
struct ElementPicture {
    std::vector<std::uint8_t> dib;
    ZrImage image{};
    explicit ElementPicture(const std::vector<int> &widths, bool vertical = false, int lead = 4) {
        int length = lead;
        for (int w : widths) length += w;
        length += 20;
        Raster r = test::Canvas(vertical ? 5 : length, vertical ? length : 5);
        int pos = lead;
        for (std::size_t i = 0; i < widths.size(); ++i) {
            for (int k = 0; k < widths[i]; ++k, ++pos)
                for (int j = 0; j < 5; ++j)
                    if (i % 2 == 0) (vertical ? r.at(j, pos) : r.at(pos, j)) = 0;
        }
        dib = test::ToDib(r, 1);
        EXPECT_EQ(ImageFromDib(&image, dib.data()), 0);
    }
    ~ElementPicture() { ImageDestroy(&image); }
};

RunScan ScanOver(const ZrImage &image, std::uint8_t direction, int startX, int startY,
                 std::uint16_t capacity) {
    RunScan scan;
    scan.area = {0, 0, static_cast<int>(image.width), static_cast<int>(image.height)};
    scan.capacity = capacity;
    RunBufferInit(scan, direction);
    scan.startX = startX;
    scan.startY = startY;
    return scan;
}

TEST(RunCollect, CollectsNineElementsOfAPlausiblePattern) {
    ElementPicture p({3, 3, 6, 3, 3, 6, 3, 3, 6, 3});
    RunScan scan = ScanOver(p.image, 1, 4, 2, 9);
    EXPECT_EQ(RunCollect(scan, p.image), RunEnd::Plausible);
    ASSERT_EQ(scan.elements, 9);
    EXPECT_EQ(scan.startsLight, 0);
    EXPECT_EQ(scan.widths[0], 3);
    EXPECT_EQ(scan.widths[2], 6);
    EXPECT_EQ(scan.minDark, 3);
    EXPECT_EQ(scan.maxLight, 6);
    EXPECT_EQ(scan.stopX, 4 + 3 + 3 + 6 + 3 + 3 + 6 + 3 + 3 + 6);  // first pixel of the tenth element
}

TEST(RunCollect, StopsAtASpaceWiderThanEightTimesTheWidestBar) {
    ElementPicture p({2, 2, 2, 17, 2, 2, 2, 2, 2, 2});
    RunScan scan = ScanOver(p.image, 1, 4, 2, 9);
    EXPECT_EQ(RunCollect(scan, p.image), RunEnd::Gap);
    EXPECT_EQ(scan.elements, 4);
    EXPECT_EQ(scan.stopX, 4 + 2 + 2 + 2 + 17);
}

TEST(RunCollect, ThinElementsAreImplausibleHorizontallyBelowThreeAndElsewhereAtThree) {
    {
        ElementPicture p(std::vector<int>(10, 2));
        RunScan scan = ScanOver(p.image, 1, 4, 2, 9);
        EXPECT_EQ(RunCollect(scan, p.image), RunEnd::Implausible);
    }
    {
        ElementPicture p(std::vector<int>(10, 3));
        RunScan scan = ScanOver(p.image, 1, 4, 2, 9);
        EXPECT_EQ(RunCollect(scan, p.image), RunEnd::Plausible);
    }
    {
        ElementPicture p(std::vector<int>(10, 3), true);
        RunScan scan = ScanOver(p.image, 4, 2, 4, 9);
        EXPECT_EQ(RunCollect(scan, p.image), RunEnd::Implausible);
    }
}

TEST(RunCollect, RejectsABarWiderThan200Pixels) {
    ElementPicture p({201, 100, 150, 100, 150, 100, 150, 100, 150, 100});
    RunScan scan = ScanOver(p.image, 1, 4, 2, 9);
    scan.pixelLimit = 4000;
    EXPECT_EQ(RunCollect(scan, p.image), RunEnd::Implausible);
}

TEST(RunCollect, LeavingTheAreaAndThePixelLimit) {
    ElementPicture p({3, 3, 3, 3});
    RunScan scan = ScanOver(p.image, 1, 4, 2, 9);
    EXPECT_EQ(RunCollect(scan, p.image), RunEnd::LeftArea);
    EXPECT_EQ(scan.stopX, static_cast<int>(p.image.width) - 1);

    RunScan limited = ScanOver(p.image, 1, 4, 2, 9);
    limited.pixelLimit = 5;
    EXPECT_EQ(RunCollect(limited, p.image), RunEnd::Gap);
    EXPECT_EQ(limited.pixels, 6);

    RunScan outside = ScanOver(p.image, 1, -1, 2, 9);
    EXPECT_EQ(RunCollect(outside, p.image), RunEnd::LeftArea);
}

// A width buffer that cannot be allocated is reported by std::bad_alloc, for
// the scan frame to turn into "no memory"; the scan can be readied again.
TEST(RunBufferInit, AFailedAllocationIsThrownAndLeavesTheScanReusable) {
    using test::injector;
    ElementPicture p({3, 3, 6, 3, 3, 6, 3, 3, 6, 3});
    RunScan scan;
    scan.area = {0, 0, static_cast<int>(p.image.width), static_cast<int>(p.image.height)};
    scan.capacity = 9;
    injector = test::Injector{};
    injector.failAt = 1;
    injector.armed = true;
    EXPECT_THROW(RunBufferInit(scan, kLeftToRight), std::bad_alloc);
    // A collection on a scan that was never readied allocates its buffer too.
    injector.count = 0;
    EXPECT_THROW(RunCollect(scan, p.image), std::bad_alloc);
    injector.armed = false;
    EXPECT_TRUE(injector.failed);

    RunBufferInit(scan, kLeftToRight);
    scan.startX = 4;
    scan.startY = 2;
    EXPECT_EQ(RunCollect(scan, p.image), RunEnd::Plausible);
    EXPECT_EQ(scan.elements, 9);
}

TEST(DirectionSteps, AxisAndDiagonalAngles) {
    StepTable table;
    EXPECT_EQ(DirectionSteps(0, 200, table), 0);
    for (auto code : table) EXPECT_EQ(code, 0);
    DirectionSteps(45, 200, table);
    for (auto code : table) EXPECT_EQ(code, 7);
    DirectionSteps(270, 200, table);
    for (auto code : table) EXPECT_EQ(code, 2);
    DirectionSteps(180, 200, table);
    for (auto code : table) EXPECT_EQ(code, 4);
}

TEST(DirectionSteps, SideStepsAreSpreadInProportionToTheSlope) {
    StepTable table;
    const int side = DirectionSteps(10, 200, table);
    EXPECT_EQ(side, 35);  // tan 10 degrees x 200, rounded
    int counted = 0, longestRun = 0, run = 0;
    for (auto code : table) {
        ASSERT_TRUE(code == 0 || code == 7);
        if (code == 7) {
            ++counted;
            run = 0;
        } else {
            longestRun = std::max(longestRun, ++run);
        }
    }
    EXPECT_EQ(counted, side);
    EXPECT_LE(longestRun, 6);  // evenly spread: about one side step in 5.7
    // Steeper than 45 degrees the main step is vertical.
    DirectionSteps(100, 200, table);
    for (auto code : table) ASSERT_TRUE(code == 6 || code == 5);
}

TEST(LineFitAngle, VerticalEdgesGiveZeroAfterTheQuarterTurn) {
    std::vector<EdgePoint> points = {{0, 0}, {0, 5}, {0, 10}, {0, 15}};
    const std::optional<double> angle = LineFitAngle(points.data(), 4, 12);
    ASSERT_TRUE(angle);
    EXPECT_DOUBLE_EQ(*angle, 270.0);  // -90 wrapped; the line search adds 90
}

TEST(LineFitAngle, SlopesInBothModes) {
    // x grows by 1 for every 10 rows down: edges lean right.
    std::vector<EdgePoint> leaning = {{0, 0}, {1, 10}, {2, 20}, {3, 30}};
    const std::optional<double> lean = LineFitAngle(leaning.data(), 4, 12);
    ASSERT_TRUE(lean);
    EXPECT_NEAR(*lean, 5.7106 + 270.0, 1e-3);
    // Near-horizontal edges: y as a function of x; rising to the right in the picture.
    std::vector<EdgePoint> rising = {{0, 0}, {10, -1}, {20, -2}};
    const std::optional<double> rise = LineFitAngle(rising.data(), 3, 3);
    ASSERT_TRUE(rise);
    EXPECT_NEAR(*rise, 5.7106, 1e-3);
}

TEST(LineFitAngle, DegenerateSetsAreRefused) {
    std::vector<EdgePoint> sameRow = {{0, 4}, {3, 4}, {7, 4}};
    EXPECT_FALSE(LineFitAngle(sameRow.data(), 3, 12));
    std::vector<EdgePoint> sameColumn = {{2, 0}, {2, 3}};
    EXPECT_FALSE(LineFitAngle(sameColumn.data(), 2, 3));
    EXPECT_FALSE(LineFitAngle(nullptr, 0, 3));
}

}  // namespace
}  // namespace zr::lines
