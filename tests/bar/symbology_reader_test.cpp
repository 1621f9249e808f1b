// Every symbology read end to end through the exported calls: symbols drawn
// by libzint (or painted from their patterns), in both reading directions,
// turned a quarter, skewed, in both bar colours, from 2-pixel modules.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/paint_bar.hpp"
#include "support/render.hpp"
#include "zr/ZrBar.h"

namespace {

using zr::test::Raster;

struct Symbol {
    const char *name;
    int symbology;  // zint symbology, or 0 for a painted pattern
    std::string data;
    int inputMode;
    std::uint32_t type;
    std::string text;  // expected text (Code 93: without C and K)
    int checksum;
    bool twoWidths;  // drawn with wide elements of 2.5 modules
};

std::vector<Symbol> Symbols() {
    const std::string inverted = "1234567" + std::string(1, zr::test::WeightedCheckDigit("1234567", 3, 1));
    const std::string bcd = "7654321" + std::string(1, zr::test::WeightedCheckDigit("7654321", 1, 3));
    return {
        {"Industrial", BARCODE_C25IND, "12345670", DATA_MODE, ZR_BAR_INDUSTRIAL_2OF5, "12345670", 0, true},
        {"Inverted", 0, zr::test::Inverted2of5Elements(inverted), DATA_MODE, ZR_BAR_INVERTED_2OF5, inverted,
         1, true},
        {"Interleaved", BARCODE_C25INTER, "00123456", DATA_MODE, ZR_BAR_INTERLEAVED_2OF5, "00123456", 0,
         true},
        {"IATA", BARCODE_C25IATA, "0123456", DATA_MODE, ZR_BAR_IATA_2OF5, "0123456", 0, true},
        {"Matrix", BARCODE_C25STANDARD, "98765430", DATA_MODE, ZR_BAR_MATRIX_2OF5, "98765430", 1, true},
        {"Code 39", BARCODE_CODE39, "CODE-39", DATA_MODE, ZR_BAR_CODE39, "CODE-39", 0, true},
        {"Codabar", BARCODE_CODABAR, "A40156B", DATA_MODE, ZR_BAR_CODABAR, "A40156B", 1, true},
        {"BCD Matrix", 0, zr::test::BcdMatrixElements(bcd), DATA_MODE, ZR_BAR_BCD_MATRIX, bcd, 1, true},
        {"Datalogic", BARCODE_C25LOGIC, "2468013", DATA_MODE, ZR_BAR_DATALOGIC_2OF5, "2468013", 1, true},
        {"Code 128", BARCODE_CODE128, "Zr-128 abc", DATA_MODE, ZR_BAR_CODE128, "Zr-128 abc", 1, false},
        {"Code 128 C", BARCODE_CODE128, "20261208", DATA_MODE, ZR_BAR_CODE128, "20261208", 1, false},
        {"EAN 128", BARCODE_GS1_128, "[01]09501101530003", GS1_MODE, ZR_BAR_EAN128, "0109501101530003", 1,
         false},
        {"Code 93", BARCODE_CODE93, "ZR-93", DATA_MODE, ZR_BAR_CODE93, "ZR-93", 1, false},
        {"EAN 13", BARCODE_EANX, "4006381333931", DATA_MODE, ZR_BAR_EAN13, "4006381333931", 1, false},
        {"UPC-A", BARCODE_UPCA, "03600029145", DATA_MODE, ZR_BAR_UPCA, "036000291452", 1, false},
        {"UPC-A 7", BARCODE_UPCA, "72527273070", DATA_MODE, ZR_BAR_UPCA, "725272730706", 1, false},
        {"EAN 8", BARCODE_EANX, "9638507", DATA_MODE, ZR_BAR_EAN8, "96385074", 1, false},
        {"UPC-E", BARCODE_UPCE, "0425261", DATA_MODE, ZR_BAR_UPCE, "04252614", 1, false},
        {"UPC-E 1", BARCODE_UPCE, "1425261", DATA_MODE, ZR_BAR_UPCE, "14252611", 1, false},
    };
}

// Add-ons drawn on their own: no main symbol beside them.
std::vector<Symbol> LoneAddOns() {
    return {
        {"Add-on 5", BARCODE_EANX, "54495", DATA_MODE, ZR_BAR_ADDON5, "54495", 1, false},
        {"Add-on 2", BARCODE_EANX, "12", DATA_MODE, ZR_BAR_ADDON2, "12", 1, false},
    };
}

// The symbol at `module` pixels per module with a 10-module quiet zone.
Raster Draw(const Symbol &s, int module) {
    if (s.symbology == 0) {
        return zr::test::ExpandModules(zr::test::PatternModules(s.data, 40), module, 2.5);
    }
    zr::test::SymbolOptions options;
    options.symbology = s.symbology;
    options.data = s.data;
    options.inputMode = s.inputMode;
    options.moduleSize = module;
    options.wideRatio = s.twoWidths ? 2.5 : 0;
    options.barHeight = 40;
    return zr::test::RenderSymbol(options);
}

Raster OnCanvas(const Raster &symbol, int margin = 30) {
    Raster canvas = zr::test::Canvas(symbol.width + 2 * margin, symbol.height + 2 * margin);
    zr::test::Paste(canvas, symbol, margin, margin);
    return canvas;
}

std::vector<ZrBarResult> Scan(const Raster &picture,
                              const std::function<void(ZrBarScanner &)> &configure = {},
                              std::uint16_t *status = nullptr) {
    const std::vector<std::uint8_t> dib = zr::test::ToDib(picture, 8);
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = dib.data();
    if (configure) configure(scanner);
    const std::uint16_t s = ZrScanBar(&scanner);
    if (status != nullptr) *status = s;
    std::vector<ZrBarResult> results(static_cast<std::size_t>(scanner.resultCount));
    for (int i = 0; i < scanner.resultCount; ++i)
        GetBarcodeAt(&scanner, i, &results[static_cast<std::size_t>(i)]);
    ZrFreeBarScanner(&scanner);
    return results;
}

std::string Texts(const std::vector<ZrBarResult> &results) {
    std::string all;
    for (const ZrBarResult &r : results) all += std::string("[") + r.text + "]";
    return all;
}

// Code 93 texts end with their two check characters.
std::string Text(const ZrBarResult &r) {
    const std::string text = r.text;
    return r.type == ZR_BAR_CODE93 && text.size() > 2 ? text.substr(0, text.size() - 2) : text;
}

void ExpectRead(const std::vector<ZrBarResult> &results, const Symbol &s, int barColor) {
    ASSERT_EQ(results.size(), 1u) << Texts(results);
    const ZrBarResult &r = results[0];
    EXPECT_EQ(r.type, s.type);
    EXPECT_EQ(Text(r), s.text);
    EXPECT_EQ(r.checksum, s.checksum);
    EXPECT_EQ(r.barColor, barColor);
}

TEST(ZrBarSymbologies, ReadInBothDirectionsAndAQuarterTurn) {
    for (const Symbol &s : Symbols()) {
        for (const int module : {2, 3}) {
            const Raster symbol = Draw(s, module);
            ASSERT_FALSE(symbol.empty()) << s.name;
            for (const int turns : {0, 1, 2, 3}) {
                SCOPED_TRACE(std::string(s.name) + " module " + std::to_string(module) + " turns " +
                             std::to_string(turns));
                ExpectRead(Scan(OnCanvas(zr::test::RotateQuarter(symbol, turns))), s, 1);
            }
        }
    }
}

TEST(ZrBarSymbologies, ReadSkewedAndWithLightBars) {
    for (const Symbol &s : Symbols()) {
        const Raster symbol = Draw(s, 3);
        for (const double degrees : {7.0, -11.0, 30.0}) {
            SCOPED_TRACE(std::string(s.name) + " skewed " + std::to_string(degrees));
            ExpectRead(Scan(OnCanvas(zr::test::Rotate(symbol, degrees, true))), s, 1);
        }
        SCOPED_TRACE(std::string(s.name) + " light bars");
        ExpectRead(Scan(zr::test::Invert(OnCanvas(symbol))), s, 2);
    }
}

TEST(ZrBarSymbologies, OnlyTheEnabledSymbologyIsRead) {
    for (const Symbol &s : Symbols()) {
        SCOPED_TRACE(s.name);
        const Raster picture = OnCanvas(Draw(s, 3));
        ExpectRead(Scan(picture, [&](ZrBarScanner &scanner) { scanner.symbologies = s.type; }), s, 1);
        const std::vector<ZrBarResult> others =
            Scan(picture, [&](ZrBarScanner &scanner) { scanner.symbologies = ZR_BAR_ALL & ~s.type; });
        if (s.type != ZR_BAR_UPCA) {
            EXPECT_EQ(others.size(), 0u) << Texts(others);
            continue;
        }
        // Without the UPC-A bit, EAN 13 reads a UPC-A symbol with its leading 0.
        ASSERT_EQ(others.size(), 1u) << Texts(others);
        EXPECT_EQ(others[0].type, ZR_BAR_EAN13);
        EXPECT_EQ(std::string(others[0].text), "0" + s.text);
    }
}

TEST(ZrBarSymbologies, SymbolsCutByTheRectangleGiveNoWrongText) {
    for (const Symbol &s : Symbols()) {
        const Raster picture = OnCanvas(Draw(s, 3));
        for (const int turns : {0, 1}) {
            const Raster turned = zr::test::RotateQuarter(picture, turns);
            const int length = turns == 0 ? turned.width : turned.height;
            // Rectangles ending, or starting, at every tenth of the symbol's length.
            for (int tenth = 1; tenth < 10; ++tenth) {
                for (const bool keepStart : {true, false}) {
                    SCOPED_TRACE(std::string(s.name) + " turns " + std::to_string(turns) + " tenth " +
                                 std::to_string(tenth) + (keepStart ? " start" : " end"));
                    const int cut = length * tenth / 10;
                    std::uint16_t status = 0;
                    const std::vector<ZrBarResult> results = Scan(
                        turned,
                        [&](ZrBarScanner &scanner) {
                            const int from = keepStart ? 0 : cut, size = keepStart ? cut : length - cut;
                            if (turns == 0) {
                                scanner.left = from;
                                scanner.rectWidth = size;
                            } else {
                                scanner.top = from;
                                scanner.rectHeight = size;
                            }
                        },
                        &status);
                    EXPECT_EQ(status, 0);
                    for (const ZrBarResult &r : results) {
                        EXPECT_EQ(r.type, s.type) << Texts(results);
                        EXPECT_EQ(Text(r), s.text);
                    }
                }
            }
        }
    }
}

// An add-on alone is no symbol: its start and digits are too plain to tell
// it from a piece of print, and it is reported only beside an EAN or UPC
// symbol.
TEST(ZrBarSymbologies, AddOnsAloneAreNotReported) {
    for (const Symbol &s : LoneAddOns()) {
        const Raster symbol = Draw(s, 3);
        for (const int turns : {0, 1, 2, 3}) {
            SCOPED_TRACE(std::string(s.name) + " turns " + std::to_string(turns));
            for (const unsigned flags : {0u, ZR_BAR_THOROUGH}) {
                const std::vector<ZrBarResult> results = Scan(
                    OnCanvas(zr::test::RotateQuarter(symbol, turns)),
                    [&](ZrBarScanner &scanner) { scanner.extraFlags = static_cast<std::uint8_t>(flags); });
                EXPECT_TRUE(results.empty()) << Texts(results);
            }
        }
        const std::vector<ZrBarResult> only =
            Scan(OnCanvas(symbol), [&](ZrBarScanner &scanner) { scanner.symbologies = s.type; });
        EXPECT_TRUE(only.empty()) << Texts(only);
    }
}

TEST(ZrBarSymbologies, AddOnsAreSymbolsOfTheirOwn) {
    struct Combined {
        int symbology;
        std::string data;
        std::uint32_t mainType;
        std::string mainText;
        std::uint32_t addOnType;
        std::string addOnText;
    };
    const Combined cases[] = {
        {BARCODE_EANX, "9780201379624+12", ZR_BAR_EAN13, "9780201379624", ZR_BAR_ADDON2, "12"},
        {BARCODE_EANX, "9780201379624+54495", ZR_BAR_EAN13, "9780201379624", ZR_BAR_ADDON5, "54495"},
        {BARCODE_UPCA, "03600029145+07", ZR_BAR_UPCA, "036000291452", ZR_BAR_ADDON2, "07"},
        {BARCODE_UPCA, "03600029145+90000", ZR_BAR_UPCA, "036000291452", ZR_BAR_ADDON5, "90000"},
    };
    for (const Combined &c : cases) {
        SCOPED_TRACE(c.data);
        zr::test::SymbolOptions options;
        options.symbology = c.symbology;
        options.data = c.data;
        options.barHeight = 40;
        const Raster symbol = zr::test::RenderSymbol(options);
        std::vector<Raster> pictures;
        for (const int turns : {0, 1, 2, 3})
            pictures.push_back(OnCanvas(zr::test::RotateQuarter(symbol, turns)));
        pictures.push_back(OnCanvas(zr::test::Rotate(symbol, 7.0, true)));
        // The line search probes nine elements from the first dark pixel, on a
        // dark ground the ground itself: the probe fails and the search walks on
        // from its end, so a light-bar add-on of 13 elements is never probed
        // from its start.
        if (c.addOnType != ZR_BAR_ADDON2) pictures.push_back(zr::test::Invert(OnCanvas(symbol)));
        for (std::size_t p = 0; p < pictures.size(); ++p) {
            SCOPED_TRACE(p);
            const std::vector<ZrBarResult> results = Scan(pictures[p]);
            ASSERT_EQ(results.size(), 2u) << Texts(results);
            const auto find = [&](std::uint32_t type) {
                return std::find_if(results.begin(), results.end(),
                                    [&](const ZrBarResult &r) { return r.type == type; });
            };
            ASSERT_NE(find(c.mainType), results.end()) << Texts(results);
            EXPECT_EQ(std::string(find(c.mainType)->text), c.mainText);
            ASSERT_NE(find(c.addOnType), results.end()) << Texts(results);
            EXPECT_EQ(std::string(find(c.addOnType)->text), c.addOnText);
        }
    }
}

// Weakly checked symbols cut by the picture's edge have no quiet zone on
// that side: two lines that read the same confirm them.
TEST(ZrBarSymbologies, WeakSymbolsAtThePictureEdgeReadOnAgreeingLines) {
    for (const Symbol &s : Symbols()) {
        // (Interleaved 2 of 5 is read only between quiet zones.)
        if (s.symbology == 0 ||
            (s.type & (ZR_BAR_CODABAR | ZR_BAR_MATRIX_2OF5 | ZR_BAR_EAN8 | ZR_BAR_UPCE)) == 0)
            continue;
        zr::test::SymbolOptions options;
        options.symbology = s.symbology;
        options.data = s.data;
        options.moduleSize = 3;
        options.wideRatio = s.twoWidths ? 2.5 : 0;
        options.barHeight = 40;
        options.quietZone = 0;
        const Raster symbol = zr::test::RenderSymbol(options);
        for (const int turns : {0, 2}) {
            SCOPED_TRACE(std::string(s.name) + " turns " + std::to_string(turns));
            // The symbol's first bar in the picture's first column (turns 0)
            // or its last bar in the last column (turns 2).
            Raster canvas = zr::test::Canvas(symbol.width + 40, symbol.height + 40);
            zr::test::Paste(canvas, symbol, turns == 0 ? 0 : 40, 20);
            ExpectRead(Scan(zr::test::RotateQuarter(canvas, turns)), s, 1);
        }
    }
}

// Code 128 and EAN 128 texts are built in each decode's own buffer: scans on
// four threads give exactly the single-threaded results.
TEST(ZrBarSymbologies, Code128ScansOnSeveralThreadsAgree) {
    std::vector<Raster> pictures;
    for (const Symbol &s : Symbols()) {
        if (s.type != ZR_BAR_CODE128 && s.type != ZR_BAR_EAN128 && s.type != ZR_BAR_CODE93) continue;
        for (const int turns : {0, 1, 2})
            pictures.push_back(OnCanvas(zr::test::RotateQuarter(Draw(s, 2), turns)));
    }
    const auto readAll = [&](int rounds) {
        std::string seen;
        for (int round = 0; round < rounds; ++round) {
            for (const Raster &picture : pictures) seen += Texts(Scan(picture)) + ";";
        }
        return seen;
    };
    const std::string expected = readAll(1);
    ASSERT_EQ(std::count(expected.begin(), expected.end(), '['), static_cast<long>(pictures.size()));
    std::vector<std::string> seen(4);
    std::vector<std::thread> threads;
    for (std::string &s : seen) threads.emplace_back([&s, &readAll] { s = readAll(5); });
    for (std::thread &t : threads) t.join();
    std::string fiveTimes;
    for (int i = 0; i < 5; ++i) fiveTimes += expected;
    for (const std::string &s : seen) EXPECT_EQ(s, fiveTimes);
}

}  // namespace
