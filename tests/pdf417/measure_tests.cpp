// Measuring a symbol row from a start point: patterns in both orders, the
// column count, the bar colour, and rows that are no symbol.
#include <gtest/gtest.h>

#include <string>

#include "core/call_frame.hpp"
#include "pdf417/reader_state.hpp"
#include "support/render.hpp"

namespace zr::pdf417 {
namespace {

constexpr int kModule = 3;
constexpr int kMargin = 10 * kModule;

// Three codeword patterns of cluster 0 between the start and stop patterns:
// columns 3.
const std::string kStart = "81111113", kStop = "711311121";
const std::string kCodewords = "111115161111161511112326";

struct Measured {
    std::uint16_t status = kNoSymbol;
    ReaderState state;
};

// Measures the row of `elements` (modules, bar first) from its first bar, reading rightwards.
Measured Measure(const std::string &elements, bool invert = false, std::uint8_t barColors = 3) {
    test::Raster picture = test::ExpandModules(test::PatternModules(elements, 20), kModule, 0, 10);
    if (invert) picture = test::Invert(picture);
    const std::vector<std::uint8_t> dib = test::ToDib(picture, 8);
    WorkingImage work;
    Measured m;
    EXPECT_EQ(LoadBiLevel(dib.data(), &work.image), 0);
    ReaderState &state = m.state;
    state.area = {0, 0, picture.width, picture.height};
    state.barColors = barColors;
    state.start = {kMargin, picture.height / 2};
    state.meanDark = state.meanLight = 2.0 * kModule;
    state.BuildSteps(0);
    m.status = MeasureSymbol(work.image, state);
    return m;
}

TEST(Pdf417Measure, StartAndStopPatternsGiveTheColumns) {
    const Measured m = Measure(kStart + kCodewords + kStop);
    ASSERT_EQ(m.status, kFound);
    EXPECT_EQ(m.state.columns, 3);
    EXPECT_NEAR(m.state.codewordWidth, 17 * kModule, 1);
    EXPECT_FALSE(m.state.reversed);
    EXPECT_EQ(m.state.barColor, kDarkBars);
    EXPECT_NEAR(m.state.angle, 0, 0.5);
    EXPECT_EQ(m.state.corners[0].x, kMargin);
}

TEST(Pdf417Measure, ReversedRowExchangesTheDirections) {
    // The row of a symbol turned half round: stop pattern first, every element in reverse order.
    const std::string row = kStart + kCodewords + kStop;
    const Measured m = Measure(std::string(row.rbegin(), row.rend()));
    ASSERT_EQ(m.status, kFound);
    EXPECT_TRUE(m.state.reversed);
    EXPECT_EQ(m.state.columns, 3);
    EXPECT_NEAR(m.state.angle, 180, 0.5);
    // Corner 1 is on the start pattern's side, now at the right.
    EXPECT_GT(m.state.corners[0].x, m.state.corners[1].x);
}

TEST(Pdf417Measure, BarColourFromTheQuietZone) {
    const Measured light = Measure(kStart + kCodewords + kStop, true);
    ASSERT_EQ(light.status, kFound);
    EXPECT_EQ(light.state.barColor, kLightBars);
    EXPECT_EQ(Measure(kStart + kCodewords + kStop, true, kDarkBars).status, kNoSymbol);
    EXPECT_EQ(Measure(kStart + kCodewords + kStop, false, kLightBars).status, kNoSymbol);
}

TEST(Pdf417Measure, RowsThatAreNoSymbol) {
    // A start bar under six times the module measured over the first seven runs is no start pattern.
    EXPECT_EQ(Measure("31111113" + kCodewords + kStop).status, kNoSymbol);
    // 15 runs between the quiet zones.
    EXPECT_EQ(Measure("811111131111113").status, kNoSymbol);
    // No stop pattern.
    EXPECT_EQ(Measure(kStart + kCodewords + "11111516").status, kNoSymbol);
}

}  // namespace
}  // namespace zr::pdf417
