// The linear reader's options: symbologies, directions, bar colours, the
// unread report, the thorough mode and the size of the result list.
#include <gtest/gtest.h>

#include "reader_test_util.hpp"

namespace zr::bar::test {
namespace {

TEST(ZrBarOptions, SymbologyMaskSelectsTheDecoders) {
    Code39 c;
    c.text = "MASK";
    const Raster picture = OnCanvas(RenderCode39(c));
    EXPECT_EQ(Read(picture, 8, [](ZrBarScanner &s) { s.symbologies = ZR_BAR_CODE39; }).results.size(), 1u);
    EXPECT_EQ(Read(picture, 8, [](ZrBarScanner &s) { s.symbologies = ZR_BAR_CODE128; }).results.size(), 0u);
    // 0 means every symbology.
    EXPECT_EQ(Read(picture, 8, [](ZrBarScanner &s) { s.symbologies = 0; }).results.size(), 1u);
}

TEST(ZrBarOptions, DirectionsLimitTheReadingSense) {
    Code39 c;
    c.text = "UP";
    const Raster upright = OnCanvas(RenderCode39(c));
    const Raster upsideDown = zr::test::RotateQuarter(upright, 2);
    const Raster downward = zr::test::RotateQuarter(upright, 3);  // reads top to bottom
    auto directions = [](std::uint8_t d) { return [d](ZrBarScanner &s) { s.directions = d; }; };
    EXPECT_EQ(Read(upright, 8, directions(1)).results.size(), 1u);
    EXPECT_EQ(Read(upsideDown, 8, directions(1)).results.size(), 0u);
    const Scan both = Read(upsideDown, 8, directions(3));
    ASSERT_EQ(both.results.size(), 1u);
    EXPECT_DOUBLE_EQ(both.results[0].angle, 180.0);
    EXPECT_EQ(Read(downward, 8, directions(3)).results.size(), 0u);
    EXPECT_EQ(Read(downward, 8, directions(4)).results.size(), 1u);
    EXPECT_EQ(Read(downward, 8, directions(8)).results.size(), 0u);
    // No direction bit at all means every direction.
    EXPECT_EQ(Read(downward, 8, directions(0x30)).results.size(), 1u);
}

TEST(ZrBarOptions, BarColoursLimitTheColoursReported) {
    Code39 c;
    c.text = "LIGHT";
    const Raster light = zr::test::Invert(OnCanvas(RenderCode39(c)));
    EXPECT_EQ(Read(light, 8, [](ZrBarScanner &s) { s.barColors = 1; }).results.size(), 0u);
    const Scan scan = Read(light, 8, [](ZrBarScanner &s) { s.barColors = 2; });
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(scan.results[0].barColor, 2);
}

// A Code 39 symbol whose stop character is painted over.
Raster DamagedSymbol() {
    Code39 c;
    c.text = "DAMAGED";
    Raster symbol = RenderCode39(c);
    const int quiet = 10 * c.module;
    const int stopStart = symbol.width - quiet - static_cast<int>(std::lround(c.module * (6 + 3 * c.ratio)));
    for (int y = 0; y < symbol.height; ++y)
        for (int x = stopStart; x < symbol.width - quiet; ++x) symbol.at(x, y) = 255;
    return OnCanvas(symbol);
}

TEST(ZrBarOptions, ReportUnreadListsADamagedSymbolOnce) {
    const Raster damaged = DamagedSymbol();
    EXPECT_EQ(Read(damaged).results.size(), 0u);
    const Scan scan = Read(damaged, 8, [](ZrBarScanner &s) { s.extraFlags = ZR_BAR_REPORT_UNREAD; });
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_STREQ(scan.results[0].text, "???");
}

TEST(ZrBarOptions, ThoroughModeReadsWhatTheNormalModeReads) {
    Code39 c;
    c.text = "THOROUGH";
    const Raster picture = zr::test::AddNoise(OnCanvas(RenderCode39(c)), 30, 3);
    const Scan scan = Read(picture, 8, [](ZrBarScanner &s) { s.extraFlags = ZR_BAR_THOROUGH; });
    ASSERT_GE(scan.results.size(), 1u);
    EXPECT_STREQ(scan.results[0].text, "THOROUGH");
    const Scan damaged = Read(DamagedSymbol(), 8, [](ZrBarScanner &s) { s.extraFlags = ZR_BAR_THOROUGH; });
    EXPECT_EQ(damaged.status, 0);
}

TEST(ZrBarOptions, AFullResultListStopsWithStatus16) {
    const Scan scan = Read(TwoSymbols(), 8, [](ZrBarScanner &s) { s.maxResults = 1; });
    EXPECT_EQ(scan.status, ZR_ERR_LIST_FULL);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_STREQ(scan.results[0].text, "LEFT");
    EXPECT_EQ(Read(TwoSymbols()).results.size(), 2u);
}

}  // namespace
}  // namespace zr::bar::test
