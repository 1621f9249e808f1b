// Confirmation of weakly checked reads: the outline a read must have, and
// add-ons kept only beside an EAN or UPC symbol.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "bar/stages.hpp"

namespace zr::bar {
namespace {

// A length x height rectangle turned by `degrees` about (500, 500), its top
// corners moved `shear` pixels along and its right side stretched across by
// `stretch`.
QuadI Outline(double length, double height, double degrees, double shear = 0, double stretch = 1) {
    const double a = degrees * 3.14159265358979323846 / 180;
    const double c = std::cos(a), s = std::sin(a);
    const auto at = [&](double u, double v) {
        return Point{static_cast<int>(std::lround(500 + u * c - v * s)),
                     static_cast<int>(std::lround(500 + u * s + v * c))};
    };
    return {at(shear, 0), at(length + shear, 0), at(length, height * stretch), at(0, height)};
}

TEST(OutlineFitsReading, RectanglesAsLongAsTheReadingAtAnyAngle) {
    for (const double degrees : {0.0, 7.0, 30.0, 45.0, 90.0, 118.0, 200.0, 313.0}) {
        SCOPED_TRACE(degrees);
        const QuadI outline = Outline(200, 60, degrees);
        // The reading counts pixel steps: the outline's longer axis.
        const double rad = degrees * 3.14159265358979323846 / 180;
        const double steps = 200 * std::max(std::abs(std::cos(rad)), std::abs(std::sin(rad)));
        EXPECT_TRUE(OutlineFitsReading(outline, steps));
        EXPECT_TRUE(OutlineFitsReading(outline, steps * 0.85));
        EXPECT_TRUE(OutlineFitsReading(outline, steps * 1.2));
        // A reading much shorter or longer than its outline is something else.
        EXPECT_FALSE(OutlineFitsReading(outline, steps * 0.7));
        EXPECT_FALSE(OutlineFitsReading(outline, steps * 1.4));
    }
}

TEST(OutlineFitsReading, SkewedOrUnevenOutlinesAreRefused) {
    // A perspective's few degrees pass; a parallelogram leaning 30 degrees does not.
    EXPECT_TRUE(OutlineFitsReading(Outline(200, 60, 0, 6), 201));
    EXPECT_FALSE(OutlineFitsReading(Outline(200, 60, 0, 35), 201));
    // One end much taller than the other.
    EXPECT_TRUE(OutlineFitsReading(Outline(200, 60, 10, 0, 0.8), 198));
    EXPECT_FALSE(OutlineFitsReading(Outline(200, 60, 10, 0, 0.3), 198));
    // Every corner in one point, and a reading of nothing.
    EXPECT_FALSE(OutlineFitsReading(Outline(0, 0, 0), 1));
    EXPECT_FALSE(OutlineFitsReading(Outline(200, 60, 0), 0));
    // The outline of the noise read that led to this rule.
    const QuadI noise = {{277, 616}, {477, 579}, {583, 1241}, {319, 873}};
    EXPECT_FALSE(OutlineFitsReading(noise, 60));
}

ZrBarResult Result(std::uint32_t type, const char *text, const QuadI &q) {
    ZrBarResult r;
    std::memset(&r, 0, sizeof r);
    r.type = type;
    std::strcpy(r.text, text);
    for (int i = 0; i < QuadI::kCorners; ++i) {
        r.corners[2 * i] = q[i].x;
        r.corners[2 * i + 1] = q[i].y;
    }
    return r;
}

// Corners of an upright symbol `length` long starting at x.
QuadI At(int x, int y, int length, int height) {
    return {{x, y}, {x + length, y}, {x + length, y + height}, {x, y + height}};
}

// Corners turned half a turn, as a symbol read in reverse is stored.
QuadI Reversed(const QuadI &q) {
    return {q.bottomRight, q.bottomLeft, q.topLeft, q.topRight};
}

TEST(DropLoneAddOns, KeepsAddOnsBesideAMainSymbolInOrder) {
    std::vector<ZrBarResult> results = {
        Result(ZR_BAR_ADDON2, "12", At(900, 600, 40, 80)),              // alone, far away
        Result(ZR_BAR_EAN13, "9780201379624", At(100, 100, 190, 120)),  // main
        Result(ZR_BAR_ADDON5, "54495", At(310, 110, 94, 110)),          // beside it, to the right
        Result(ZR_BAR_CODE39, "ABC", At(100, 400, 200, 40)),
        Result(ZR_BAR_ADDON2, "07", At(300, 420, 40, 40)),  // beside Code 39 only
        Result(ZR_BAR_UPCE, "04252614", Reversed(At(500, 100, 102, 100))),
        Result(ZR_BAR_ADDON2, "34", At(420, 110, 40, 90)),      // left of the reversed UPC-E
        Result(ZR_BAR_ADDON5, "90000", At(310, 300, 94, 110)),  // below the main symbol
    };
    ZrBarScanner scanner;
    std::memset(&scanner, 0, sizeof scanner);
    scanner.results = results.data();
    scanner.resultCount = static_cast<std::uint8_t>(results.size());
    DropLoneAddOns(scanner);
    ASSERT_EQ(scanner.resultCount, 5);
    const char *kept[] = {"9780201379624", "54495", "ABC", "04252614", "34"};
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(results[static_cast<std::size_t>(i)].text, kept[i]);
    // The records past the count are cleared.
    for (std::size_t i = 5; i < results.size(); ++i) {
        EXPECT_EQ(results[i].type, 0u);
        EXPECT_STREQ(results[i].text, "");
    }

    // Nothing to drop, and an empty list.
    DropLoneAddOns(scanner);
    EXPECT_EQ(scanner.resultCount, 5);
    scanner.resultCount = 0;
    DropLoneAddOns(scanner);
    EXPECT_EQ(scanner.resultCount, 0);
}

}  // namespace
}  // namespace zr::bar
