// Every symbology's class-string and width-run decoders on symbols drawn by
// libzint (or painted from the published patterns where zint has none),
// through the decoder tables with every symbology enabled.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bar/classes.hpp"
#include "bar/decoder_tables.hpp"
#include "decode_test_util.hpp"
#include "support/paint_bar.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {
namespace {

using test::ScaleModules;
using test::ZintModules;
using zr::test::WeightedCheckDigit;

// Module widths of a pattern in PatternModules' notation.
Widths PatternWidths(const std::string &elements) {
    Widths widths;
    for (const char c : elements) widths.push_back(static_cast<std::uint16_t>(c - '0'));
    return widths;
}

// Pixel widths: every module `module` pixels.
Widths Multiply(const Widths &modules, int module) {
    Widths widths;
    for (const std::uint16_t m : modules) widths.push_back(static_cast<std::uint16_t>(m * module));
    return widths;
}

struct Outcome {
    DecodeOutcome status = DecodeOutcome::NoDecoderMatched;
    DecodeState state;
    std::string text() const { return state.text; }
};

// Code 93 texts end with the two check characters C and K.
std::string WithoutChecks(const Outcome &o) {
    const std::string t = o.text();
    return o.state.type == ZR_BAR_CODE93 && t.size() >= 2 ? t.substr(0, t.size() - 2) : t;
}

DecodeState AllEnabled(std::uint8_t direction) {
    DecodeState state;
    state.symbologies = ZR_BAR_ALL;
    state.direction = direction;
    state.barColor = 1;
    return state;
}

Outcome ReadClasses(const Widths &pixels, std::uint8_t direction = kLeftToRight | kRightToLeft) {
    Outcome o;
    o.state = AllEnabled(direction);
    o.status = DecodeStringTables(ElementsToClasses(pixels, 1), o.state);
    return o;
}

Outcome ReadRuns(const Widths &pixels, std::uint8_t direction = kLeftToRight | kRightToLeft) {
    Outcome o;
    o.state = AllEnabled(direction);
    o.status = DecodeRunTables(pixels, o.state);
    return o;
}

Widths Reversed(Widths widths) {
    std::reverse(widths.begin(), widths.end());
    return widths;
}

// The UPC-A digits a UPC-E symbol stands for, for its check digit.
std::string UpcEToUpcA(const std::string &e) {
    const std::string d = e.substr(1, 6);
    const char last = d[5];
    std::string body;
    if (last <= '2') {
        body = d.substr(0, 2) + last + "0000" + d.substr(2, 3);
    } else if (last == '3') {
        body = d.substr(0, 3) + "00000" + d.substr(3, 2);
    } else if (last == '4') {
        body = d.substr(0, 4) + "00000" + d.substr(4, 1);
    } else {
        body = d.substr(0, 5) + "0000" + last;
    }
    return e.substr(0, 1) + body;
}

struct ZintCase {
    const char *name;
    int symbology;
    std::string data;
    int option2;
    int inputMode;
    std::uint32_t type;
    std::string text;
    int checksum;     // 1 verified, 0 not
    bool twoWidths;   // narrow and wide only: scaled 3 and 7 pixels, 3 and 6 for the width runs
    bool runDecoder;  // the symbology has a width-run row
};

std::vector<ZintCase> ZintCases() {
    const std::string industrial = "31415926";
    const std::string iata = "2718281";
    const std::string matrix = "1234567";
    const std::string interleaved = "12345678";
    const std::string ean13 = "5901234123457";
    const std::string upcE0 = "0123456", upcE1 = "1654321";
    const std::string upcA0 = "01234567890";  // zint appends the check digit 5
    auto check = [](const std::string &d, int a, int b) {
        return d.back() == WeightedCheckDigit(d.substr(0, d.size() - 1), a, b) ? 1 : 0;
    };
    auto upcE = [](const std::string &e) { return e + WeightedCheckDigit(UpcEToUpcA(e), 3, 1); };
    std::vector<ZintCase> cases = {
        {"Industrial", BARCODE_C25IND, industrial, 0, DATA_MODE, ZR_BAR_INDUSTRIAL_2OF5, industrial,
         check(industrial, 1, 3), true, true},
        {"Industrial 1238", BARCODE_C25IND, "1238", 0, DATA_MODE, ZR_BAR_INDUSTRIAL_2OF5, "1238", 0, true,
         true},
        {"Industrial 1230", BARCODE_C25IND, "1230", 0, DATA_MODE, ZR_BAR_INDUSTRIAL_2OF5, "1230", 1, true,
         true},
        {"IATA", BARCODE_C25IATA, iata, 0, DATA_MODE, ZR_BAR_IATA_2OF5, iata, check(iata, 3, 1), true, false},
        {"Matrix", BARCODE_C25STANDARD, matrix, 0, DATA_MODE, ZR_BAR_MATRIX_2OF5, matrix, check(matrix, 3, 1),
         true, true},
        {"Matrix check", BARCODE_C25STANDARD, "123", 0, DATA_MODE, ZR_BAR_MATRIX_2OF5, "123", 0, true, true},
        {"Interleaved", BARCODE_C25INTER, interleaved, 0, DATA_MODE, ZR_BAR_INTERLEAVED_2OF5, interleaved,
         check(interleaved, 4, 9), true, true},
        // An odd count of digits is drawn with a leading zero.
        {"Interleaved odd", BARCODE_C25INTER, "123", 0, DATA_MODE, ZR_BAR_INTERLEAVED_2OF5, "0123",
         check("0123", 4, 9), true, true},
        {"Datalogic", BARCODE_C25LOGIC, matrix, 0, DATA_MODE, ZR_BAR_DATALOGIC_2OF5, matrix, 1, true, false},
        {"Codabar", BARCODE_CODABAR, "A123B", 0, DATA_MODE, ZR_BAR_CODABAR, "A123B", 1, true, true},
        {"Codabar all", BARCODE_CODABAR, "C0123456789-$:/.+D", 0, DATA_MODE, ZR_BAR_CODABAR,
         "C0123456789-$:/.+D", 1, true, true},
        {"Code 128 B", BARCODE_CODE128, "Hello, 128!", 0, DATA_MODE, ZR_BAR_CODE128, "Hello, 128!", 1, false,
         true},
        {"Code 128 C", BARCODE_CODE128, "12345678", 0, DATA_MODE, ZR_BAR_CODE128, "12345678", 1, false, true},
        // Control characters of code set A read as spaces.
        {"Code 128 A", BARCODE_CODE128, std::string("AB\tC\x1f"), 0, DATA_MODE, ZR_BAR_CODE128, "AB C ", 1,
         false, true},
        // Set changes and a shift: B to C for the digits, a shifted control character.
        {"Code 128 mixed", BARCODE_CODE128,
         std::string("ab123456cd\x01"
                     "ef"),
         0, DATA_MODE, ZR_BAR_CODE128, "ab123456cd ef", 1, false, true},
        {"EAN 128", BARCODE_GS1_128, "[01]12345678901231[10]ABC", 0, GS1_MODE, ZR_BAR_EAN128,
         "0112345678901231"
         "10ABC",
         1, false, true},
        {"EAN 13", BARCODE_EANX, ean13, 0, DATA_MODE, ZR_BAR_EAN13, ean13, 1, false, true},
        // A leading 0 makes an EAN 13 symbol a UPC-A one, whatever digit follows.
        {"EAN 13 leading 0", BARCODE_EANX, "0712345678911", 0, DATA_MODE, ZR_BAR_UPCA, "712345678911", 1,
         false, true},
        {"UPC-A 00", BARCODE_UPCA, upcA0, 0, DATA_MODE, ZR_BAR_UPCA, "012345678905", 1, false, true},
        {"EAN 8", BARCODE_EANX, "1234567", 0, DATA_MODE, ZR_BAR_EAN8, "12345670", 1, false, true},
        {"UPC-E 0", BARCODE_UPCE, upcE0, 0, DATA_MODE, ZR_BAR_UPCE, upcE(upcE0), 1, false, true},
        {"UPC-E 1", BARCODE_UPCE, upcE1, 0, DATA_MODE, ZR_BAR_UPCE, upcE(upcE1), 1, false, true},
        {"UPC-E 0 ending 4", BARCODE_UPCE, "0654324", 0, DATA_MODE, ZR_BAR_UPCE, upcE("0654324"), 1, false,
         true},
        {"Add-on 5", BARCODE_EANX, "90000", 0, DATA_MODE, ZR_BAR_ADDON5, "90000", 1, false, false},
        {"Add-on 2", BARCODE_EANX, "47", 0, DATA_MODE, ZR_BAR_ADDON2, "47", 1, false, false},
        {"UPC-A 1", BARCODE_UPCA, "12345678901", 0, DATA_MODE, ZR_BAR_UPCA, "123456789012", 1, false, true},
        // Code 93 with every character and the four shifts (as spaces), C and K after the text.
        {"Code 93", BARCODE_CODE93, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%", 0, DATA_MODE,
         ZR_BAR_CODE93, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%", 1, false, true},
        {"Code 93 shifts", BARCODE_CODE93, std::string("a\x01!z"), 0, DATA_MODE, ZR_BAR_CODE93, " A A A Z", 1,
         false, true},
        // Code 128 values 0 to 95 in code sets A, B and C.
        {"Code 128 set B", BARCODE_CODE128, " !\"#$%&'()*+,-./0a1b2c3d4e5f6g7h8i9:;<=>?@", 0, DATA_MODE,
         ZR_BAR_CODE128, " !\"#$%&'()*+,-./0a1b2c3d4e5f6g7h8i9:;<=>?@", 1, false, true},
        {"Code 128 set B upper", BARCODE_CODE128, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0, DATA_MODE, ZR_BAR_CODE128,
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 1, false, true},
        {"Code 128 set B high", BARCODE_CODE128, "[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~\x7f", 0, DATA_MODE,
         ZR_BAR_CODE128, "[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~", 1, false, true},
        {"Code 128 set A", BARCODE_CODE128,
         std::string("\0\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14"
                     "\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f"
                     "AB",
                     34),
         0, DATA_MODE, ZR_BAR_CODE128, std::string(32, ' ') + "AB", 1, false, true},
    };
    // Every digit pair of code set C.
    for (int first = 0; first < 100; first += 25) {
        std::string pairs;
        for (int v = first; v < first + 25; ++v) pairs += std::to_string(v / 10) + std::to_string(v % 10);
        cases.push_back(
            {"Code 128 set C", BARCODE_CODE128, pairs, 0, DATA_MODE, ZR_BAR_CODE128, pairs, 1, false, true});
    }
    // Every leading digit of EAN 13, so every digit in both left parities.
    for (char lead = '1'; lead <= '9'; ++lead) {
        const std::string digits = std::string(1, lead) + "01234567890";
        const std::string text = digits + WeightedCheckDigit(digits, 1, 3);
        cases.push_back(
            {"EAN 13 lead", BARCODE_EANX, digits, 0, DATA_MODE, ZR_BAR_EAN13, text, 1, false, true});
    }
    cases.push_back({"EAN 13 right half", BARCODE_EANX, "598765432109", 0, DATA_MODE, ZR_BAR_EAN13,
                     std::string("598765432109") + WeightedCheckDigit("598765432109", 1, 3), 1, false, true});
    return cases;
}

// Pixel widths of a case, narrow 3 and wide `wide` pixels for two-width
// symbologies, 3 pixels a module for the others.
Widths CasePixels(const ZintCase &c, int wide) {
    const Widths modules = ZintModules(c.symbology, c.data, c.option2, c.inputMode);
    return c.twoWidths ? ScaleModules(modules, 3, wide) : Multiply(modules, 3);
}

TEST(Symbologies, ClassStringsOfEveryZintSymbolReadBothWays) {
    for (const ZintCase &c : ZintCases()) {
        SCOPED_TRACE(c.name);
        const Widths pixels = CasePixels(c, 7);
        ASSERT_FALSE(pixels.empty());
        Outcome forward = ReadClasses(pixels);
        ASSERT_TRUE(Decoded(forward.status)) << ElementsToClasses(pixels, 1);
        EXPECT_EQ(forward.state.type, c.type);
        EXPECT_EQ(WithoutChecks(forward), c.text);
        EXPECT_EQ(forward.state.checksumOk, c.checksum);
        EXPECT_EQ(forward.state.reversed, 0);

        const Outcome backward = ReadClasses(Reversed(pixels));
        ASSERT_TRUE(Decoded(backward.status));
        EXPECT_EQ(backward.state.type, c.type);
        EXPECT_EQ(WithoutChecks(backward), c.text);
        EXPECT_EQ(backward.state.reversed, 1);
        // Read one way only, the reversed line finds nothing.
        EXPECT_EQ(ReadClasses(Reversed(pixels), kLeftToRight).status, DecodeOutcome::NoDecoderMatched);
    }
}

TEST(Symbologies, WidthRunsReadQuarterPixelsExactlyAsPixels) {
    for (const ZintCase &c : ZintCases()) {
        if (!c.runDecoder) continue;
        SCOPED_TRACE(c.name);
        Widths pixels = CasePixels(c, 6);
        const Outcome exact = ReadRuns(pixels);
        ASSERT_TRUE(Decoded(exact.status));
        EXPECT_EQ(exact.state.type, c.type);
        EXPECT_EQ(WithoutChecks(exact), c.text);
        EXPECT_EQ(exact.state.checksumOk, c.checksum);
        EXPECT_EQ(WithoutChecks(ReadRuns(Reversed(pixels))), c.text);

        // A pixel more on every fifth element, in pixels and in quarter pixels.
        for (std::size_t i = 0; i < pixels.size(); i += 5) ++pixels[i];
        const Outcome noisy = ReadRuns(pixels);
        const Outcome quarter = ReadRuns(Multiply(pixels, 4));
        EXPECT_EQ(quarter.status, noisy.status);
        EXPECT_EQ(quarter.text(), noisy.text());
        EXPECT_EQ(quarter.state.type, noisy.state.type);
    }
}

// The element-count gate in front of the tables keeps every symbol's own
// symbology (in both tables' terms) and refuses it a few elements off, where
// the symbology's checker would refuse any widths.
TEST(Symbologies, LengthGateKeepsEverySymbolAndRefusesCountsNoRowTakes) {
    for (const ZintCase &c : ZintCases()) {
        SCOPED_TRACE(c.name);
        const std::size_t n = CasePixels(c, 7).size();
        EXPECT_NE(SymbologiesFittingLength(n, ZR_BAR_ALL) & c.type, 0U);
        EXPECT_EQ(SymbologiesFittingLength(n, ZR_BAR_ALL & ~c.type) & c.type, 0U);
        for (const std::size_t other : {n - 2, n - 1, n + 1, n + 2}) {
            EXPECT_EQ(SymbologiesFittingLength(other, c.type), 0U) << other << " elements";
        }
    }
    // Fewer elements than any start and stop: nothing fits.
    for (std::size_t n = 0; n < 9; ++n) EXPECT_EQ(SymbologiesFittingLength(n, ZR_BAR_ALL), 0U) << n;
}

// Rows sharing a checker (Code 128 and EAN 128, UPC-A and EAN 13) take its
// outcome from the first of them: every symbol reads alike with all rows
// enabled, with its own alone, and with every other row but its own.
TEST(Symbologies, SharedCheckersGiveEachRowItsOwnOutcome) {
    for (const ZintCase &c : ZintCases()) {
        if (!c.runDecoder) continue;
        SCOPED_TRACE(c.name);
        const Widths pixels = CasePixels(c, 6);
        const Outcome all = ReadRuns(pixels);
        DecodeState alone = AllEnabled(kLeftToRight | kRightToLeft);
        alone.symbologies = c.type;
        ASSERT_EQ(DecodeRunTables(pixels, alone), all.status);
        EXPECT_EQ(alone.type, all.state.type);
        EXPECT_EQ(std::string(alone.text), all.text());
        DecodeState others = AllEnabled(kLeftToRight | kRightToLeft);
        others.symbologies = ZR_BAR_ALL & ~c.type;
        const DecodeOutcome status = DecodeRunTables(pixels, others);
        EXPECT_TRUE(status == DecodeOutcome::NoDecoderMatched || others.type != c.type);
    }
    // Code 128 and EAN 128 run one checker and tell their symbols apart in
    // their decoders: each symbol is read by its own row only, whichever of
    // the two rows runs the checker first.
    const Widths ean128 = Multiply(ZintModules(BARCODE_GS1_128, "[01]09501101530003", 0, GS1_MODE), 3);
    const Widths code128 = Multiply(ZintModules(BARCODE_CODE128, "Shared checker", 0, DATA_MODE), 3);
    for (const std::uint32_t enabled : {ZR_BAR_CODE128 | ZR_BAR_EAN128, ZR_BAR_CODE128, ZR_BAR_EAN128}) {
        for (const bool isEan : {false, true}) {
            SCOPED_TRACE(std::to_string(enabled) + (isEan ? " EAN 128" : " Code 128"));
            DecodeState state = AllEnabled(kLeftToRight | kRightToLeft);
            state.symbologies = enabled;
            const std::uint32_t own = isEan ? ZR_BAR_EAN128 : ZR_BAR_CODE128;
            const DecodeOutcome status = DecodeRunTables(isEan ? ean128 : code128, state);
            if ((enabled & own) == 0) {
                EXPECT_EQ(status, DecodeOutcome::NoDecoderMatched);
            } else {
                ASSERT_EQ(status, DecodeOutcome::Ok);
                EXPECT_EQ(state.type, own);
            }
        }
    }
}

TEST(Symbologies, PaintedInvertedTwoOfFiveAndBcdMatrix) {
    struct Painted {
        std::string elements;
        std::uint32_t type;
        std::string text;
        int checksum;
    };
    const std::string digits = "8675309";
    const std::string inverted = digits + WeightedCheckDigit(digits, 3, 1);
    const std::string bcd = digits + WeightedCheckDigit(digits, 1, 3);
    const Painted cases[] = {
        {zr::test::Inverted2of5Elements(inverted), ZR_BAR_INVERTED_2OF5, inverted, 1},
        {zr::test::Inverted2of5Elements(digits), ZR_BAR_INVERTED_2OF5, digits, 0},
        {zr::test::BcdMatrixElements(bcd), ZR_BAR_BCD_MATRIX, bcd, 1},
        {zr::test::BcdMatrixElements("0123456789"), ZR_BAR_BCD_MATRIX, "0123456789", 0},
    };
    for (const Painted &p : cases) {
        SCOPED_TRACE(p.text);
        const Widths modules = PatternWidths(p.elements);
        for (const bool runs : {false, true}) {
            const Widths pixels = Multiply(modules, 3);
            const Outcome forward = runs ? ReadRuns(pixels) : ReadClasses(pixels);
            EXPECT_EQ(forward.state.type, p.type);
            EXPECT_EQ(forward.text(), p.text);
            EXPECT_EQ(forward.state.checksumOk, p.checksum);
            const Outcome backward = runs ? ReadRuns(Reversed(pixels)) : ReadClasses(Reversed(pixels));
            EXPECT_EQ(backward.text(), p.text);
            EXPECT_EQ(backward.state.reversed, 1);
        }
    }
}

// A UPC-A symbol (EAN 13 with the leading digit 0) is UPC-A whenever that
// bit is enabled, whatever its second digit, and EAN 13 with thirteen digits
// only when EAN 13 alone is; both tables, both reading senses.
TEST(Symbologies, LeadingZeroIsUpcAUnlessOnlyEan13IsEnabled) {
    for (const std::string data : {"72527273070", "03600029145", "90000000001", "12345678901"}) {
        const std::string upcA = data + WeightedCheckDigit(data, 3, 1);
        const Widths pixels = Multiply(ZintModules(BARCODE_UPCA, data, 0, DATA_MODE), 3);
        struct Expected {
            std::uint32_t enabled;
            std::uint32_t type;
            std::string text;
        };
        const Expected expected[] = {
            {ZR_BAR_ALL, ZR_BAR_UPCA, upcA},
            {ZR_BAR_UPCA | ZR_BAR_EAN13, ZR_BAR_UPCA, upcA},
            {ZR_BAR_UPCA, ZR_BAR_UPCA, upcA},
            {ZR_BAR_EAN13, ZR_BAR_EAN13, "0" + upcA},
            {ZR_BAR_ALL & ~ZR_BAR_UPCA, ZR_BAR_EAN13, "0" + upcA},
        };
        for (const Expected &e : expected) {
            for (const bool reversed : {false, true}) {
                for (const bool runs : {false, true}) {
                    SCOPED_TRACE(upcA + " enabled " + std::to_string(e.enabled) +
                                 (reversed ? " reversed" : "") + (runs ? " runs" : " classes"));
                    DecodeState state = AllEnabled(kLeftToRight | kRightToLeft);
                    state.symbologies = e.enabled;
                    const Widths line = reversed ? Reversed(pixels) : pixels;
                    const DecodeOutcome status = runs ? DecodeRunTables(line, state)
                                                      : DecodeStringTables(ElementsToClasses(line, 1), state);
                    EXPECT_EQ(status, DecodeOutcome::Ok);
                    EXPECT_EQ(state.type, e.type);
                    EXPECT_EQ(std::string(state.text), e.text);
                    EXPECT_EQ(state.reversed, reversed ? 1 : 0);
                }
            }
        }
    }
    // A leading digit other than 0 stays EAN 13 with UPC-A enabled.
    DecodeState state = AllEnabled(kLeftToRight);
    ASSERT_EQ(DecodeStringTables(
                  ElementsToClasses(Multiply(ZintModules(BARCODE_EANX, "590123412345", 0, DATA_MODE), 3), 1),
                  state),
              DecodeOutcome::Ok);
    EXPECT_EQ(state.type, ZR_BAR_EAN13);
    EXPECT_STREQ(state.text, "5901234123457");
}

}  // namespace
}  // namespace zr::bar
