// The width decoder's segment filter: segments inside symbols stored
// already, and every segment of an add-on sweep, are decoded only where an
// add-on may stand beside them. What it leaves out must be exactly what
// could give nothing new: an add-on is still read in either reading sense.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bar/grey_look.hpp"
#include "reader_test_util.hpp"

namespace zr::bar::test {
namespace {

// The readings of the middle row of the symbol, drawn at two pixels a module
// (turned half a turn with `reversed`), through the filter.
std::vector<LineReading> ReadRow(const char *data, bool reversed, const SegmentFilter &filter,
                                 std::vector<edges::GreyEdge> *edgesOut = nullptr) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_EANX;
    options.data = data;
    options.moduleSize = 2;
    options.barHeight = 20;
    Raster r = OnCanvas(zr::test::RenderSymbol(options), 20);
    EXPECT_FALSE(r.empty());
    if (reversed) r = zr::test::RotateQuarter(r, 2);
    const std::uint8_t *row = r.pixels.data() + static_cast<std::size_t>(r.height / 2) * r.width;
    edges::GreyEdgeFinder finder;
    const std::vector<edges::GreyEdge> &found = finder.Find(row, r.width);
    if (edgesOut != nullptr) *edgesOut = found;
    std::vector<LineReading> out;
    LineDecoder decoder;
    decoder.Read(row, r.width, found, kMainEanUpc | kAddOns, kHorizontal, kDarkBars, out, filter);
    return out;
}

std::string ReadingTexts(const std::vector<LineReading> &readings) {
    std::string s;
    for (const LineReading &r : readings) s += std::string(r.text) + " ";
    return s;
}

TEST(SegmentFilter, AnAddOnSweepStillReadsTheAddOnInEitherSense) {
    for (const bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "reversed" : "forwards");
        for (const bool addOnsOnly : {false, true}) {
            const std::vector<LineReading> got =
                ReadRow("400638133393+54495", reversed, {nullptr, addOnsOnly});
            ASSERT_EQ(got.size(), 2u) << ReadingTexts(got);
            EXPECT_STREQ(got[0].text, "4006381333931");
            EXPECT_EQ(got[0].reversed, reversed);
            EXPECT_EQ(got[1].type, static_cast<std::uint32_t>(ZR_BAR_ADDON5));
            EXPECT_STREQ(got[1].text, "54495");
        }
    }
}

TEST(SegmentFilter, SymbolsWithoutRoomForAnAddOnAreLeftOnlyWhereFiltered) {
    std::vector<edges::GreyEdge> edges;
    const std::vector<LineReading> plain = ReadRow("400638133393", false, {}, &edges);
    ASSERT_EQ(plain.size(), 1u) << ReadingTexts(plain);
    // An add-on sweep has nothing to read beside a lone symbol.
    EXPECT_TRUE(ReadRow("400638133393", false, {nullptr, true}).empty());
    // A known span over the symbol's middle leaves it; one beside it does not.
    const double middle = 0.5 * (plain[0].first + plain[0].last);
    const std::vector<LineSpan> over{{middle - 1, middle + 1}};
    EXPECT_TRUE(ReadRow("400638133393", false, {&over, false}).empty());
    const std::vector<LineSpan> beside{{0, plain[0].first - 1}, {plain[0].last + 1, plain[0].last + 50}};
    EXPECT_EQ(ReadRow("400638133393", false, {&beside, false}).size(), 1u);
    // A known span over a symbol with an add-on keeps the add-on.
    const std::vector<LineReading> withAddOn = ReadRow("400638133393+12", false, {});
    ASSERT_EQ(withAddOn.size(), 2u) << ReadingTexts(withAddOn);
    const double mainMiddle = 0.5 * (withAddOn[0].first + withAddOn[0].last);
    const std::vector<LineSpan> overMain{{mainMiddle - 1, mainMiddle + 1}};
    const std::vector<LineReading> kept = ReadRow("400638133393+12", false, {&overMain, false});
    ASSERT_EQ(kept.size(), 2u) << ReadingTexts(kept);
    EXPECT_STREQ(kept[1].text, "12");
}

}  // namespace
}  // namespace zr::bar::test
