// Measuring a symbol row from a start point: patterns in both orders, the
// column count, the bar colour, and rows that are no symbol.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/call_frame.hpp"
#include "core/lines/axis_walk.hpp"
#include "core/lines/run_scan.hpp"
#include "core/lines/table_bits.hpp"
#include "pdf417/row_runs.hpp"
#include "pdf417/stages.hpp"
#include "pdf417/walk.hpp"
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
        std::string startFirst = lead, stopFirst = lead;
        startFirst += kStart;
        startFirst += kCodewords;
        stopFirst += reversedStop;
        stopFirst += kCodewords;
        EXPECT_TRUE(NearEndHoldsPattern(Runs(startFirst))) << lead;
        EXPECT_TRUE(NearEndHoldsPattern(Runs(stopFirst))) << lead;
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

// NarrowRunPrefix pixel by pixel: the runs from pixel 0, each passed while it
// is no wider than kNeverQuietWidth and ends (the next pixel differs) inside
// the word and not after `maxEnd`.
NarrowRuns NarrowRunsOneByOne(std::uint64_t bits, int count, int maxEnd) {
    const auto pixel = [bits](int k) { return ((bits >> (63 - k)) & 1u) != 0; };
    NarrowRuns passed;
    int first = 0;
    for (;;) {
        int end = first + 1;
        while (end < count && pixel(end) == pixel(first)) ++end;
        if (end >= count || end - first > kNeverQuietWidth || end > maxEnd) return passed;
        passed.runs += 1;
        passed.dark += pixel(first) ? end - first : 0;
        passed.end = end;
        first = end;
    }
}

TEST(Pdf417Measure, NarrowRunsPassedAWordAtATimeAsOneByOne) {
    std::mt19937_64 random(5);
    for (int trial = 0; trial < 20000; ++trial) {
        // Runs of 1 to 8 pixels, now and then wider, and words cut short or limited.
        std::uint64_t bits = 0;
        bool dark = (random() & 1u) != 0;
        for (int filled = 0; filled < 64; dark = !dark) {
            const int width = 1 + static_cast<int>(random() % (trial % 3 == 0 ? 8 : 5));
            for (int k = 0; k < width && filled < 64; ++k, ++filled)
                bits |= static_cast<std::uint64_t>(dark) << (63 - filled);
        }
        const int count = trial % 4 == 0 ? 1 + static_cast<int>(random() % 64) : 64;
        if (count < 64) bits &= ~(~std::uint64_t{0} >> count);
        const int maxEnd = trial % 5 == 0 ? static_cast<int>(random() % 70) - 4 : 4000;
        const NarrowRuns fast = NarrowRunPrefix(bits, count, maxEnd);
        const NarrowRuns slow = NarrowRunsOneByOne(bits, count, maxEnd);
        ASSERT_EQ(fast.end, slow.end) << std::hex << bits << std::dec << " " << count << " " << maxEnd;
        ASSERT_EQ(fast.runs, slow.runs);
        ASSERT_EQ(fast.dark, slow.dark);
    }
    // A word of one colour, and runs of six pixels, pass nothing.
    EXPECT_EQ(NarrowRunPrefix(~std::uint64_t{0}, 64, 4000).end, 0);
    EXPECT_EQ(NarrowRunPrefix(0xFC0FC0FC0FC0FC0Fu, 64, 4000).end, 0);
    // Runs of 1, 2 and 3 pixels, dark first, then a light run of six.
    const NarrowRuns three = NarrowRunPrefix(0x9C0FFFFFFFFFFFFFu, 64, 4000);
    EXPECT_EQ(three.end, 6);
    EXPECT_EQ(three.runs, 3);
    EXPECT_EQ(three.dark, 4);
    // The limit ends the passing at a run's end.
    EXPECT_EQ(NarrowRunPrefix(0x9C0FFFFFFFFFFFFFu, 64, 5).end, 3);
}

// CollectRow pixel by pixel: the lead passed over, then each run closed
// where the colour changes, the quiet bound checked at every pixel.
bool CollectRowPixelByPixel(TableWalker &walker, bool nearQuiet, std::uint8_t barColor, RunMeans &means,
                            RowLead lead, RowWork &work) {
    auto &runs = work.runs;
    auto &starts = work.runStarts;
    runs.clear();
    starts.clear();
    if (nearQuiet && !walker.Step()) return false;
    for (int k = 0; (lead != RowLead::kShortSkip || k < kShortLead) && !walker.Bar(); ++k) {
        if (!walker.Step()) return false;
    }
    if (!walker.Bar()) {
        work.quietZoneInDoubt = true;
        return false;
    }
    const bool barLight = barColor == kLightBars;
    bool light = barLight;
    int width = 1;
    starts.push_back(walker.At());
    for (;;) {
        const double quietAbove =
            light != barLight ? 5.0 * means.Mean(light) : std::numeric_limits<double>::infinity();
        if (width > quietAbove) break;
        if (!walker.Step()) {
            if (light == barLight) {
                runs.push_back(static_cast<std::uint16_t>(width));
                starts.push_back(walker.At());
            }
            break;
        }
        if (!walker.Dark() == light) {
            ++width;
            continue;
        }
        runs.push_back(static_cast<std::uint16_t>(width));
        if (static_cast<int>(runs.size()) >= kMaxRowRuns) return false;
        if (static_cast<int>(runs.size()) == kNearEndRuns && lead != RowLead::kStartSide &&
            !NearEndHoldsPattern(runs))
            return false;
        means.Add(light, width);
        light = !light;
        width = 1;
        starts.push_back(walker.At());
    }
    int maxBar = 0, minBar = 1 << 30, maxSpace = 0;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        if (k % 2 == 0) {
            maxBar = std::max<int>(maxBar, runs[k]);
            minBar = std::min<int>(minBar, runs[k]);
        } else {
            maxSpace = std::max<int>(maxSpace, runs[k]);
        }
    }
    return maxBar <= 200 && maxSpace <= 200 && maxBar >= 5 * minBar;
}

// Rows of bars at any angle, cut by random areas, from random points: some
// start on a pattern (the rows pass the near-end test and run to their
// quiet zone or the area's edge), others on random bars; every lead, bar
// colour, near-end step and seed of means.
TEST(Pdf417Measure, RowRunsAWordAtATimeAsPixelByPixel) {
    std::mt19937 random(417);
    const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    int measured = 0;
    for (int picture = 0; picture < 40; ++picture) {
        // Vertical bars: a start pattern, random codeword-like runs, wide gaps.
        std::string elements = kStart;
        for (int k = 0; k < 40 + pick(40); ++k)
            elements += static_cast<char>('1' + pick(k % 13 == 12 ? 9 : 4));
        if (elements.size() % 2 == 1) elements += '1';
        elements += kStop;
        test::Raster raster =
            test::ExpandModules(test::PatternModules(elements, 80), 1 + pick(3), 0, 5 + pick(10));
        if (pick(2) != 0) raster = test::Rotate(raster, pick(360), false);
        for (int flip = 0; flip < raster.width * raster.height / 50; ++flip)
            raster.at(pick(raster.width), pick(raster.height)) ^= 0xFF;  // specks
        const std::vector<std::uint8_t> dib = test::ToDib(raster, 8);
        WorkingImage image;
        ASSERT_EQ(LoadBiLevel(dib.data(), &image.image), 0);
        for (int trial = 0; trial < 50; ++trial) {
            const int x0 = pick(raster.width / 2), y0 = pick(raster.height / 2);
            const Rect area{x0, y0, x0 + 1 + pick(raster.width - x0), y0 + 1 + pick(raster.height - y0)};
            const PointI start{area.x0 + pick(area.x1 - area.x0), area.y0 + pick(area.y1 - area.y0)};
            lines::StepTable table;
            lines::DirectionSteps(trial % 4 == 0 ? 90.0 * pick(4) : pick(36000) / 100.0,
                                  lines::kStepTableSize, table);
            const lines::AxisWalk axis(table);
            const std::uint8_t barColor = pick(2) != 0 ? kDarkBars : kLightBars;
            const bool nearQuiet = pick(2) != 0;
            const RowLead lead = static_cast<RowLead>(pick(3));
            RunMeans seed;
            seed.sum[0] = 4.0 * (1 + pick(4));
            seed.sum[1] = 4.0 * (1 + pick(4)) + (pick(2) != 0 ? 0.5 : 0.0);
            seed.count[0] = seed.count[1] = 4;

            RowWork expectedWork, work;
            RunMeans expectedMeans = seed, means = seed;
            TableWalker walker(image.image, table, area, barColor == kDarkBars);
            walker.MoveTo(start);
            const bool expected =
                CollectRowPixelByPixel(walker, nearQuiet, barColor, expectedMeans, lead, expectedWork);
            lines::TableBits pixels(BitImageView(image.image), area, start, table, axis);
            const bool got = CollectRow(pixels, nearQuiet, barColor, means, lead, work);
            SCOPED_TRACE(testing::Message() << "picture " << picture << " trial " << trial);
            ASSERT_EQ(got, expected);
            ASSERT_EQ(work.quietZoneInDoubt, expectedWork.quietZoneInDoubt);
            ASSERT_EQ(work.runs, expectedWork.runs);
            ASSERT_EQ(work.runStarts, expectedWork.runStarts);
            for (int c = 0; c < 2; ++c) {
                ASSERT_EQ(means.sum[c], expectedMeans.sum[c]);
                ASSERT_EQ(means.count[c], expectedMeans.count[c]);
            }
            measured += expected && work.runs.size() > kNearEndRuns ? 1 : 0;
        }
    }
    EXPECT_GT(measured, 20);  // enough rows walked past their near end
}

}  // namespace
}  // namespace zr::pdf417
