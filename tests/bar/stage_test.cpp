// The linear reader's search stages one at a time, each fed the values the
// stage before it hands over: NextCandidate, AnalyseCandidate, LocateSymbol
// and DecodeAcross on Code 39 symbols drawn at known places.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "bar/stages.hpp"
#include "core/call_frame.hpp"
#include "reader_test_util.hpp"

namespace zr::bar::test {
namespace {

constexpr int kMargin = 40;
constexpr int kModule = 3;

// A picture loaded as the reader loads it, with the whole picture as the search rectangle.
struct Loaded {
    zr::test::Raster raster;
    std::vector<std::uint8_t> dib;
    WorkingImage work;

    explicit Loaded(const zr::test::Raster &r) : raster(r), dib(zr::test::ToDib(r, 8)) {
        EXPECT_EQ(LoadBiLevel(dib.data(), &work.image), 0);
    }
    Picture Whole() const { return {BitImageView(work.image), BitImageView(work.image).Bounds()}; }
};

// An upright Code 39 symbol: its bars span [x0, x1] x [y0, y1] on the canvas.
struct Placed {
    zr::test::Raster picture;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
Placed UprightSymbol(const std::string &text) {
    Code39 c;
    c.text = text;
    c.module = kModule;
    Placed p;
    const zr::test::Raster symbol = RenderCode39(c);
    p.picture = OnCanvas(symbol, kMargin);
    const int quiet = 10 * kModule;
    p.x0 = kMargin + quiet;
    p.y0 = kMargin + quiet;
    p.x1 = kMargin + symbol.width - quiet - 1;
    p.y1 = kMargin + symbol.height - quiet - 1;
    return p;
}

// The first candidate of a whole search, or nothing when the search ends first.
std::optional<Candidate> FirstCandidate(const Picture &picture, std::uint8_t directions = kAllDirections) {
    LineSearch search(picture, directions);
    while (!search.Done()) {
        if (std::optional<Candidate> cand = NextCandidate(search)) return cand;
    }
    return std::nullopt;
}

// A symbol taken through NextCandidate and AnalyseCandidate.
struct Analysed {
    Placed placed;
    Loaded loaded;
    Picture picture;
    std::optional<Candidate> cand;
    std::optional<Extent> extent;

    explicit Analysed(const std::string &text, bool inverted = false)
        : placed(UprightSymbol(text)),
          loaded(inverted ? zr::test::Invert(placed.picture) : placed.picture),
          picture(loaded.Whole()),
          cand(FirstCandidate(picture)) {
        if (cand) extent = AnalyseCandidate(picture, *cand, kBothColours);
    }
};

TEST(NextCandidate, FindsAnUprightSymbolOnHorizontalLinesWithAngleZero) {
    const Placed placed = UprightSymbol("STAGE");
    const Loaded loaded(placed.picture);
    const std::optional<Candidate> cand = FirstCandidate(loaded.Whole());
    ASSERT_TRUE(cand.has_value());
    EXPECT_EQ(cand->direction, kHorizontal);
    EXPECT_DOUBLE_EQ(cand->angle, 0.0);
    // The candidate starts on the first bar, inside the bars' height.
    EXPECT_EQ(cand->start.x, placed.x0);
    EXPECT_GE(cand->start.y, placed.y0);
    EXPECT_LE(cand->start.y, placed.y1);
    // Step tables: along is straight right, across up is straight up.
    for (int i = 0; i < kStepTableSize; ++i) {
        ASSERT_EQ(cand->steps[kAlong][static_cast<std::size_t>(i)], lines::kStepRight);
        ASSERT_EQ(cand->steps[kAcrossUp][static_cast<std::size_t>(i)], lines::kStepUp);
    }
    // The statistics hold the nine matched elements: five bars, four spaces.
    EXPECT_EQ(cand->stats.darkCount, 5);
    EXPECT_EQ(cand->stats.lightCount, 4);
}

TEST(NextCandidate, TurnedSymbolIsFoundOnVerticalLinesOnlyWhenTheyAreEnabled) {
    const Placed placed = UprightSymbol("TURN");
    const Loaded loaded(zr::test::RotateQuarter(placed.picture, 3));  // reads top to bottom
    const std::optional<Candidate> cand = FirstCandidate(loaded.Whole());
    ASSERT_TRUE(cand.has_value());
    EXPECT_EQ(cand->direction, kVertical);
    EXPECT_DOUBLE_EQ(cand->angle, 270.0);
    EXPECT_FALSE(FirstCandidate(loaded.Whole(), kHorizontal).has_value());
}

TEST(NextCandidate, ABlankPictureEndsTheSearchWithoutACandidate) {
    const Loaded loaded(zr::test::Canvas(200, 150));
    LineSearch search(loaded.Whole(), kAllDirections);
    int calls = 0;
    while (!search.Done() && calls < 1000) {
        EXPECT_FALSE(NextCandidate(search).has_value());
        ++calls;
    }
    EXPECT_TRUE(search.Done());
    EXPECT_EQ(calls, 1);  // every family is walked within one call
}

TEST(AnalyseCandidate, FindsBothEndsOfTheBarsAndTheDarkBarColour) {
    const Analysed a("ENDS");
    ASSERT_TRUE(a.extent.has_value());
    const Placed &placed = a.placed;
    const Candidate &cand = *a.cand;
    const Extent &extent = *a.extent;
    EXPECT_EQ(extent.colours, kDarkBars);
    EXPECT_EQ(extent.start.x, placed.x0);
    EXPECT_EQ(extent.end.x, placed.x1);
    EXPECT_EQ(extent.start.y, extent.end.y);
    // More elements than the candidate's nine have been measured.
    EXPECT_GT(extent.stats.Elements(), cand.stats.Elements());
    // The rough outline lies within a few modules of the bars.
    const QuadI &o = extent.outline;
    EXPECT_NEAR(o.topLeft.x, placed.x0, 1);
    EXPECT_NEAR(o.topRight.x, placed.x1, 1);
    EXPECT_LE(o.topLeft.y, placed.y0 + 3 * kModule);
    EXPECT_GE(o.bottomLeft.y, placed.y1 - 3 * kModule);

    // Dark bars on light ground are refused when only light bars are wanted.
    EXPECT_FALSE(AnalyseCandidate(a.picture, cand, kLightBars).has_value());
}

TEST(AnalyseCandidate, LightBarsOnADarkGroundAreRecognised) {
    const Analysed a("LIGHT", true);
    ASSERT_TRUE(a.extent.has_value());
    EXPECT_EQ(a.extent->colours, kLightBars);
}

TEST(LocateSymbol, OutlinesTheBarsCornerByCornerAndRefusesATinySearchArea) {
    const Analysed a("CORNER");
    ASSERT_TRUE(a.extent.has_value());
    const Placed &placed = a.placed;
    const std::optional<QuadI> outline = LocateSymbol(a.picture, *a.cand, *a.extent, kDarkBars);
    ASSERT_TRUE(outline.has_value());
    const geom::PointI expected[4] = {
        {placed.x0, placed.y0}, {placed.x1, placed.y0}, {placed.x1, placed.y1}, {placed.x0, placed.y1}};
    for (int i = 0; i < QuadI::kCorners; ++i) {
        EXPECT_NEAR((*outline)[i].x, expected[i].x, 2) << "corner " << i;
        EXPECT_NEAR((*outline)[i].y, expected[i].y, 2) << "corner " << i;
    }

    // Confined to a band 15 rows high, the symbol is too small to be located.
    Picture band = a.picture;
    band.area = {0, a.extent->start.y - 7, band.area.x1, a.extent->start.y + 8};
    EXPECT_FALSE(LocateSymbol(band, *a.cand, *a.extent, kDarkBars).has_value());
}

DecodeState Code39Trial(const Candidate &cand, std::uint8_t barColor) {
    DecodeState state;
    state.symbologies = ZR_BAR_CODE39;
    state.direction = cand.direction;
    state.barColor = barColor;
    return state;
}

TEST(DecodeAcross, ReadsTheProfileOfBothBarColoursAndKeepsTheColour) {
    DecodeWork work;  // shared by both colours, as a pass shares it
    for (const bool inverted : {false, true}) {
        SCOPED_TRACE(inverted);
        const Analysed a("PROFILE", inverted);
        ASSERT_TRUE(a.extent.has_value());
        const std::uint8_t colour = inverted ? kLightBars : kDarkBars;
        DecodeState state = Code39Trial(*a.cand, colour);
        EXPECT_TRUE(Decoded(DecodeAcross(a.picture, *a.cand, a.extent->outline, state, work)));
        EXPECT_STREQ(state.text, "PROFILE");
        EXPECT_EQ(state.type, ZR_BAR_CODE39);
        EXPECT_EQ(state.barColor, colour);
    }
}

TEST(DecodeAcross, AnOutlineReachingOutOfTheSearchAreaIsNotDecodedAndLeavesTheStateAlone) {
    const Analysed a("OUTSIDE");
    ASSERT_TRUE(a.extent.has_value());
    QuadI outline = a.extent->outline;
    outline.bottomLeft.y = a.picture.area.y1;  // one row below the picture
    DecodeState state = Code39Trial(*a.cand, kDarkBars);
    DecodeWork work;
    EXPECT_EQ(DecodeAcross(a.picture, *a.cand, outline, state, work), DecodeOutcome::NotDecodable);
    EXPECT_STREQ(state.text, "");
    EXPECT_EQ(state.type, 0u);
    // Nothing but Code 128 enabled: no level of the profile decodes.
    state.symbologies = ZR_BAR_CODE128;
    EXPECT_FALSE(Decoded(DecodeAcross(a.picture, *a.cand, a.extent->outline, state, work)));
    EXPECT_EQ(state.type, 0u);
}

}  // namespace
}  // namespace zr::bar::test
