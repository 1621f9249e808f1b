// Measuring a symbol row from a start point: patterns in both orders, the
// column count, the bar colour, and rows that are no symbol.
#include <gtest/gtest.h>

#include <string>

#include "core/call_frame.hpp"
#include "pdf417/row_runs.hpp"
#include "pdf417/stages.hpp"
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
    std::optional<MeasuredRow> row;
    MeasuredSymbol symbol;  // traced when the row was measured
};

// Measures the row of `elements` (modules, bar first) from its first bar, reading rightwards.
Measured Measure(const std::string &elements, bool invert = false, std::uint8_t barColors = 3) {
    test::Raster picture = test::ExpandModules(test::PatternModules(elements, 20), kModule, 0, 10);
    if (invert) picture = test::Invert(picture);
    const std::vector<std::uint8_t> dib = test::ToDib(picture, 8);
    WorkingImage work;
    Measured m;
    EXPECT_EQ(LoadBiLevel(dib.data(), &work.image), 0);
    ScanSettings settings;
    settings.area = {0, 0, picture.width, picture.height};
    settings.barColors = barColors;
    StartCandidate candidate;
    candidate.start = {kMargin, picture.height / 2};
    candidate.meanDark = candidate.meanLight = 2.0 * kModule;
    RowWork rowWork;
    m.row = MeasureSymbol(work.image, settings, candidate, rowWork);
    if (m.row) m.symbol = TraceCorners(work.image, settings, *m.row);
    return m;
}

TEST(Pdf417Measure, StartAndStopPatternsGiveTheColumns) {
    const Measured m = Measure(kStart + kCodewords + kStop);
    ASSERT_TRUE(m.row);
    EXPECT_EQ(m.row->metrics.columns, 3);
    EXPECT_NEAR(m.row->metrics.codewordWidth, 17 * kModule, 1);
    EXPECT_FALSE(m.row->reversed);
    EXPECT_EQ(m.row->metrics.barColor, kDarkBars);
    EXPECT_NEAR(m.symbol.direction.angle, 0, 0.5);
    EXPECT_EQ(m.symbol.corners.topLeft.x, kMargin);
}

TEST(Pdf417Measure, ReversedRowExchangesTheDirections) {
    // The row of a symbol turned half round: stop pattern first, every element in reverse order.
    const std::string row = kStart + kCodewords + kStop;
    const Measured m = Measure(std::string(row.rbegin(), row.rend()));
    ASSERT_TRUE(m.row);
    EXPECT_TRUE(m.row->reversed);
    EXPECT_EQ(m.row->metrics.columns, 3);
    EXPECT_NEAR(m.row->direction.angle, 180, 0.5);
    EXPECT_NEAR(m.symbol.direction.angle, 180, 0.5);
    // Corner 1 is on the start pattern's side, now at the right.
    EXPECT_GT(m.symbol.corners.topLeft.x, m.symbol.corners.topRight.x);
}

TEST(Pdf417Measure, BarColourFromTheQuietZone) {
    const Measured light = Measure(kStart + kCodewords + kStop, true);
    ASSERT_TRUE(light.row);
    EXPECT_EQ(light.row->metrics.barColor, kLightBars);
    EXPECT_FALSE(Measure(kStart + kCodewords + kStop, true, kDarkBars).row);
    EXPECT_FALSE(Measure(kStart + kCodewords + kStop, false, kLightBars).row);
}

TEST(Pdf417Measure, RowsThatAreNoSymbol) {
    // A start bar under six times the module measured over the first seven runs is no start pattern.
    EXPECT_FALSE(Measure("31111113" + kCodewords + kStop).row);
    // 15 runs between the quiet zones.
    EXPECT_FALSE(Measure("811111131111113").row);
    // No stop pattern.
    EXPECT_FALSE(Measure(kStart + kCodewords + "11111516").row);
}

// Runs of `elements` (modules) at `module` pixels each.
std::vector<std::uint16_t> Runs(const std::string &elements, int module = kModule) {
    std::vector<std::uint16_t> runs;
    for (const char c : elements) runs.push_back(static_cast<std::uint16_t>((c - '0') * module));
    return runs;
}

TEST(Pdf417Measure, NearEndKeepsRowsBeginningWithAPattern) {
    // Start first, or stop first (a row read from its stop side), with up to
    // six runs of print or blur before the pattern.
    const std::string reversedStop(kStop.rbegin(), kStop.rend());
    for (const std::string &lead :
         {std::string(), std::string("11"), std::string("1212"), std::string("111111")}) {
        EXPECT_TRUE(NearEndHoldsPattern(Runs(lead + kStart + kCodewords))) << lead;
        EXPECT_TRUE(NearEndHoldsPattern(Runs(lead + reversedStop + kCodewords))) << lead;
    }
    // At one pixel a module.
    EXPECT_TRUE(NearEndHoldsPattern(Runs(kStart + kCodewords, 1)));
}

TEST(Pdf417Measure, NearEndLetsGoRowsWithoutOne) {
    // The pattern beyond the slack, a stop pattern read forwards, a reversed
    // start pattern, a row of narrow runs like noise's, and too few runs.
    EXPECT_FALSE(NearEndHoldsPattern(Runs("11111111" + kStart + kCodewords)));
    EXPECT_FALSE(NearEndHoldsPattern(Runs(kStop + kCodewords)));
    EXPECT_FALSE(NearEndHoldsPattern(Runs(std::string(kStart.rbegin(), kStart.rend()) + kCodewords)));
    EXPECT_FALSE(NearEndHoldsPattern(Runs("12211231221131221212", 1)));
    EXPECT_FALSE(NearEndHoldsPattern(Runs(kStart + "111111")));
}

}  // namespace
}  // namespace zr::pdf417
