// The scan pass around the decoders: the across-profile of thorough mode in
// every orientation, a full result list always reported, and the lines of a
// candidate kept to its own symbol.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "support/render.hpp"
#include "zr/ZrBar.h"

namespace {

using zr::test::Raster;

struct Scan {
    std::uint16_t status = 0;
    std::vector<ZrBarResult> results;
};

Scan Read(const Raster &picture, const std::function<void(ZrBarScanner &)> &configure) {
    const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 8);
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = dib.data();
    configure(scanner);
    Scan scan;
    scan.status = ZrScanBar(&scanner);
    scan.results.resize(static_cast<std::size_t>(scanner.resultCount));
    for (int i = 0; i < scanner.resultCount; ++i)
        GetBarcodeAt(&scanner, i, &scan.results[static_cast<std::size_t>(i)]);
    ZrFreeBarScanner(&scanner);
    return scan;
}

std::string Texts(const Scan &scan) {
    std::string all;
    for (const ZrBarResult &r : scan.results) all += std::string("[") + r.text + "]";
    return all;
}

Raster Code39(const std::string &text, int module, double ratio, int height, int quietZone = 10) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_CODE39;
    options.data = text;
    options.moduleSize = module;
    options.wideRatio = ratio;
    options.barHeight = height;
    options.quietZone = quietZone;
    return zr::test::RenderSymbol(options);
}

// A Code 39 symbol whose right half has five one-pixel light specks in its
// bars on every row: every scan line through it gains elements, so only the
// projection across the whole symbol reads it. The prefilter of thorough mode
// clears dark specks only, so these stay.
Raster Specked(const std::string &text, std::uint32_t seed) {
    Raster r = Code39(text, 3, 2.5, 40);
    std::mt19937 random(seed);
    const int quiet = 30;
    for (int y = quiet; y < r.height - quiet; ++y) {
        for (int speck = 0; speck < 5; ++speck) {
            for (int tries = 0; tries < 100; ++tries) {
                const int x = r.width / 2 +
                              static_cast<int>(random() % static_cast<std::uint32_t>(r.width / 2 - quiet));
                if (r.at(x - 1, y) < 128 && r.at(x, y) < 128 && r.at(x + 1, y) < 128) {
                    r.at(x, y) = 255;
                    break;
                }
            }
        }
    }
    return r;
}

Raster OnCanvas(const Raster &symbol, int margin = 30) {
    Raster canvas = zr::test::Canvas(symbol.width + 2 * margin, symbol.height + 2 * margin);
    zr::test::Paste(canvas, symbol, margin, margin);
    return canvas;
}

TEST(ThoroughMode, AcrossProfileReadsHorizontalAndVerticalSymbols) {
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(seed);
        const Raster picture = OnCanvas(Specked("ACROSS-1", seed));
        // Line by line nothing reads.
        EXPECT_EQ(Read(picture, [](ZrBarScanner &) {}).results.size(), 0u);
        const auto thorough = [](std::uint8_t directions) {
            return [directions](ZrBarScanner &s) {
                s.extraFlags = ZR_BAR_THOROUGH;
                s.directions = directions;
            };
        };
        for (const int turns : {0, 2}) {
            const Scan scan = Read(zr::test::RotateQuarter(picture, turns), thorough(3));
            ASSERT_EQ(scan.results.size(), 1u) << turns;
            EXPECT_STREQ(scan.results[0].text, "ACROSS-1");
        }
        // Vertical lines only, reading down and up.
        for (const int turns : {1, 3}) {
            const Scan scan = Read(zr::test::RotateQuarter(picture, turns), thorough(12));
            ASSERT_EQ(scan.results.size(), 1u) << turns;
            EXPECT_STREQ(scan.results[0].text, "ACROSS-1");
        }
    }
}

TEST(ThoroughMode, SymbolDroppedForAFullListIsReported) {
    // Above, a symbol read line by line; below, one only the across-profile
    // reads. With room for one result, the second is dropped in both passes.
    const Raster first = Code39("FIRST", 3, 2.5, 20);
    const Raster specked = Specked("SECOND", 4);
    Raster picture = zr::test::Canvas(specked.width + 60, first.height + specked.height + 60);
    zr::test::Paste(picture, first, 30, 30);
    zr::test::Paste(picture, specked, 30, 30 + first.height);
    const auto thoroughWithRoomFor = [](std::uint8_t results) {
        return [results](ZrBarScanner &s) {
            s.extraFlags = ZR_BAR_THOROUGH;
            s.maxResults = results;
        };
    };
    Scan scan = Read(picture, thoroughWithRoomFor(1));
    EXPECT_EQ(scan.status, ZR_ERR_LIST_FULL);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_STREQ(scan.results[0].text, "FIRST");
    scan = Read(picture, thoroughWithRoomFor(2));
    EXPECT_EQ(scan.status, 0);
    EXPECT_EQ(scan.results.size(), 2u) << Texts(scan);

    // A list filled in the first pass by a symbol whose one-pixel bars the
    // prefilter removes: the second pass finds nothing, the list was cut.
    const Raster thin = Code39("THIN", 1, 3, 60);
    picture = zr::test::Canvas(first.width + 60, first.height + thin.height + 60);
    zr::test::Paste(picture, first, 30, 30);
    zr::test::Paste(picture, thin, 30, 30 + first.height);
    scan = Read(picture, thoroughWithRoomFor(1));
    EXPECT_EQ(scan.status, ZR_ERR_LIST_FULL);
    EXPECT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(Read(picture, thoroughWithRoomFor(2)).results.size(), 2u);
}

TEST(CandidateLines, StopAtTheCandidatesOwnSymbol) {
    // An upper symbol cut by the picture's edge, unreadable, and close below
    // it a readable one: the upper candidate's lines must not read the lower
    // symbol and report it with the upper outline.
    const Raster upper = Code39("HELLO-42", 3, 2.5, 20);
    const Raster lower = Code39("Z", 3, 2.5, 20);
    for (const int gap : {0, -30}) {
        Raster picture = zr::test::Canvas(upper.width - 100, upper.height + gap + lower.height);
        zr::test::Paste(picture, upper, 0, 0);
        zr::test::Paste(picture, lower, 0, upper.height + gap);
        const int lowerTop = upper.height + gap + 30, lowerBottom = lowerTop + 60;
        for (const int turns : {0, 1, 2, 3}) {
            SCOPED_TRACE("gap " + std::to_string(gap) + " turns " + std::to_string(turns));
            const Raster turned = zr::test::RotateQuarter(picture, turns);
            const Scan scan = Read(turned, [](ZrBarScanner &) {});
            ASSERT_EQ(scan.results.size(), 1u) << Texts(scan);
            EXPECT_STREQ(scan.results[0].text, "Z");
            // The outline lies on the lower symbol: its extent across the bars,
            // turned back into the unturned picture's rows.
            for (int i = 0; i < 4; ++i) {
                const int x = scan.results[0].corners[2 * i], y = scan.results[0].corners[2 * i + 1];
                const int row = turns == 0   ? y
                                : turns == 1 ? x
                                : turns == 2 ? picture.height - 1 - y
                                             : picture.height - 1 - x;
                EXPECT_GE(row, lowerTop - 3);
                EXPECT_LE(row, lowerBottom + 3);
            }
        }
    }
}

}  // namespace
