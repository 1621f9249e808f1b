// The documented corner cases of the symbology decoders and their answers
// to malformed input: any class string, any widths, texts at the limit of the
// decoder buffer.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bar/bcd_matrix.hpp"
#include "bar/codabar.hpp"
#include "bar/code128.hpp"
#include "bar/code39.hpp"
#include "bar/code93.hpp"
#include "bar/decoder_tables.hpp"
#include "bar/ean_upc.hpp"
#include "bar/two_of_five.hpp"
#include "decode_test_util.hpp"
#include "zr/ZrBar.h"

namespace zr::bar {
namespace {

using test::ZintModules;

// Class string of a zint symbol straight from its module widths: the module
// count - 1, or for two-width symbologies "1" for every wide element.
std::string ZintClasses(int symbology, const std::string &data, bool twoWidths, int option2 = 0,
                        int inputMode = DATA_MODE) {
    std::string classes;
    for (const std::uint16_t m : ZintModules(symbology, data, option2, inputMode)) {
        classes += twoWidths ? (m > 1 ? '1' : '0') : static_cast<char>('0' + m - 1);
    }
    return classes;
}

struct Read {
    DecodeOutcome status;
    DecodeState state;
};

Read Decode(const std::string &classes, std::uint32_t symbologies = ZR_BAR_ALL) {
    Read r{DecodeOutcome::NoDecoderMatched, {}};
    r.state.symbologies = symbologies;
    r.state.direction = kLeftToRight | kRightToLeft;
    r.status = DecodeStringTables(classes, r.state);
    return r;
}

TEST(TwoOfFive, MatrixStartMustBeginWithAWideBar) {
    const std::string classes = ZintClasses(BARCODE_C25STANDARD, "1234", true);
    ASSERT_TRUE(MatrixCheck(classes));
    std::string narrowStart = classes;
    narrowStart[0] = '0';
    EXPECT_FALSE(MatrixCheck(narrowStart));
    // The start bar may fall in any class above "0".
    std::string widest = classes;
    widest[0] = widest[classes.size() - 5] = '3';
    EXPECT_TRUE(MatrixCheck(widest));
    EXPECT_EQ(Decode(widest).state.type, ZR_BAR_MATRIX_2OF5);
}

TEST(TwoOfFive, DatalogicAlwaysVerifiesAndInterleavedHasEvenDigits) {
    for (const char *digits : {"1", "9876543", "0000000", "1234567890123"}) {
        const Read r = Decode(ZintClasses(BARCODE_C25LOGIC, digits, true));
        EXPECT_EQ(r.status, DecodeOutcome::Ok) << digits;
        EXPECT_EQ(r.state.type, ZR_BAR_DATALOGIC_2OF5);
        EXPECT_EQ(r.state.checksumOk, 1);
    }
    char text[kTextSize];
    for (const char *digits : {"7", "12345", "123456789"}) {
        ASSERT_TRUE(Decoded(InterleavedDecode(ZintClasses(BARCODE_C25INTER, digits, true), text)));
        EXPECT_EQ(std::string(text).size() % 2, 0u) << text;
    }
}

TEST(Codabar, StartAndStopMustBeLetters) {
    // "A123B" with its start replaced by the digit 1: no row reads it.
    const std::string classes = ZintClasses(BARCODE_CODABAR, "A123B", true);
    const std::string digitStart = classes.substr(8, 7) + classes.substr(7);
    EXPECT_EQ(Decode(digitStart).status, DecodeOutcome::NoDecoderMatched);
    EXPECT_EQ(Decode(classes).status, DecodeOutcome::Ok);
}

TEST(Code128, ValuesChecksumAndSets) {
    // Code set C values 12 and 34; the check is (105 + 1 * 12 + 2 * 34) mod 103 = 82.
    std::string classes = ZintClasses(BARCODE_CODE128, "1234", false);
    ASSERT_EQ(classes.substr(0, 6), "100121");
    ASSERT_EQ(classes.size(), 6u * 4 + 7);
    Read r = Decode(classes);
    EXPECT_EQ(r.status, DecodeOutcome::Ok);
    EXPECT_STREQ(r.state.text, "1234");
    EXPECT_EQ(r.state.type, ZR_BAR_CODE128);

    // Another check character: decoded, but not verified.
    std::string wrongCheck = classes;
    wrongCheck.replace(18, 6, classes.substr(6, 6));
    r = Decode(wrongCheck);
    EXPECT_EQ(r.status, DecodeOutcome::CheckFailed);
    EXPECT_STREQ(r.state.text, "1234");
    EXPECT_EQ(r.state.checksumOk, 0);
}

TEST(Code128, LeadingFnc1MakesEan128) {
    const std::string classes = ZintClasses(BARCODE_GS1_128, "[01]09501101530003", false, 0, GS1_MODE);
    char text[kTextSize];
    EXPECT_EQ(Code128Decode(classes, text), DecodeOutcome::NoMatch);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(Ean128Decode(classes, text), DecodeOutcome::Ok);
    EXPECT_STREQ(text, "0109501101530003");
    EXPECT_EQ(Decode(classes, ZR_BAR_CODE128).status, DecodeOutcome::NoDecoderMatched);
    EXPECT_EQ(Decode(classes).state.type, ZR_BAR_EAN128);
    // A plain Code 128 symbol is no EAN 128.
    EXPECT_EQ(Ean128Decode(ZintClasses(BARCODE_CODE128, "0109", false), text), DecodeOutcome::NoMatch);
}

TEST(Code93, DamagedCheckCharacterRejectsTheSymbol) {
    const std::string classes = ZintClasses(BARCODE_CODE93, "TEST93", false);
    char text[kTextSize];
    ASSERT_EQ(Code93Decode(classes, text), DecodeOutcome::Ok);
    const std::size_t k = classes.size() - 7 - 6;  // position of K
    for (const std::size_t at : {k, k - 6, std::size_t{6}}) {
        std::string damaged = classes;
        // Another valid character: the one after the start.
        damaged.replace(at, 6, classes.substr(at == 6 ? 12 : 6, 6));
        EXPECT_EQ(Code93Decode(damaged, text), DecodeOutcome::NoMatch) << at;
        EXPECT_STREQ(text, "");
        EXPECT_NE(Decode(damaged).state.type, ZR_BAR_CODE93);
    }
    // Start and stop may each have one class wrong.
    std::string worn = classes;
    worn[4] = '1';
    worn[worn.size() - 1] = '1';
    EXPECT_TRUE(Code93Check(worn));
    worn[0] = '1';
    EXPECT_FALSE(Code93Check(worn));
}

TEST(EanUpc, LengthsParitiesAndNumberSystems) {
    const std::string ean13 = ZintClasses(BARCODE_EANX, "5901234123457", false);
    ASSERT_EQ(ean13.size(), 59u);
    // One element short: never offered to the decoder.
    EXPECT_FALSE(Ean13Check(ean13.substr(0, 58)));
    EXPECT_NE(Decode(ean13.substr(0, 58)).state.type, ZR_BAR_EAN13);

    // The first left digit in G parity (9 is "3112" in L, "2113" in G).
    std::string gFirst = ean13;
    ASSERT_EQ(gFirst.substr(3, 4), "2001");
    gFirst.replace(3, 4, "1002");
    char text[kTextSize];
    EXPECT_EQ(Ean13Decode(gFirst, text), DecodeOutcome::NoMatch);

    // Leading 0 and first digit 0: UPC Version A with twelve digits when it
    // is enabled; the EAN 13 decoder itself reads all thirteen.
    const std::string upc = ZintClasses(BARCODE_UPCA, "00123456789", false);
    EXPECT_EQ(Ean13Decode(upc, text), DecodeOutcome::Ok);
    EXPECT_STREQ(text, "0001234567895");
    const Read r = Decode(upc);
    EXPECT_EQ(r.state.type, ZR_BAR_UPCA);
    EXPECT_STREQ(r.state.text, "001234567895");
    const Read ean = Decode(upc, ZR_BAR_EAN13);
    EXPECT_EQ(ean.state.type, ZR_BAR_EAN13);
    EXPECT_STREQ(ean.state.text, "0001234567895");

    // UPC-E: number system 1 has every parity inverted; the check digit
    // follows from the parities.
    EXPECT_EQ(UpcEDecode(ZintClasses(BARCODE_UPCE, "1123456", false), text), DecodeOutcome::Ok);
    EXPECT_STREQ(text, "11234562");
    EXPECT_EQ(UpcEDecode(ZintClasses(BARCODE_UPCE, "0123456", false), text), DecodeOutcome::Ok);
    EXPECT_STREQ(text, "01234565");
}

TEST(EanUpc, AddOnParitiesEncodeValueOrCheck) {
    char text[kTextSize];
    const std::string two = ZintClasses(BARCODE_EANX, "05", false);
    ASSERT_TRUE(AddOn2Check(two));
    EXPECT_EQ(AddOn2Decode(two, text), DecodeOutcome::Ok);
    EXPECT_STREQ(text, "05");
    EXPECT_FALSE(AddOn5Check(two));
    // 5 mod 4 = 1: L then G. The first digit in G is no add-on of that value.
    std::string wrongParity = two;
    ASSERT_EQ(wrongParity.substr(3, 4), "2100");
    wrongParity.replace(3, 4, "0012");
    EXPECT_EQ(AddOn2Decode(wrongParity, text), DecodeOutcome::NoMatch);
    EXPECT_STREQ(text, "");
    const std::string five = ZintClasses(BARCODE_EANX, "52495", false);
    EXPECT_EQ(AddOn5Decode(five, text), DecodeOutcome::Ok);
    EXPECT_STREQ(text, "52495");
    // The parities encode the check digit (3 x 14 + 9 x 11) mod 10 = 1: G L G L L.
    std::string wrongCheck = five;
    ASSERT_EQ(wrongCheck.substr(3, 4), "0210");  // 5 in G
    wrongCheck.replace(3, 4, "0120");            // 5 in L
    EXPECT_EQ(AddOn5Decode(wrongCheck, text), DecodeOutcome::NoMatch);
    std::string bad = five;
    bad.replace(3, 4, "3333");
    EXPECT_EQ(AddOn5Decode(bad, text), DecodeOutcome::NoMatch);
    EXPECT_STREQ(text, "");
}

// A class string of `count` equal characters: a zint symbol of two of them
// with its character group repeated (libzint limits some lengths below ours).
std::string Repeated(int symbology, const std::string &two, std::size_t prefix, std::size_t group,
                     std::size_t count) {
    const std::string classes = ZintClasses(symbology, two, true);
    std::string out = classes.substr(0, prefix);
    for (std::size_t i = 0; i < count; ++i) out += classes.substr(prefix, group);
    return out + classes.substr(prefix + 2 * group);
}

// The longest texts fit the 80-byte buffer; one character more is refused.
TEST(DecoderText, LongestTextsFitAndLongerOnesAreRefused) {
    struct Long {
        std::string fits;     // gives a 79-character text
        std::string tooLong;  // gives an 80-character text
    };
    const Long cases[] = {
        {ZintClasses(BARCODE_CODE128, std::string(79, '7'), false),
         ZintClasses(BARCODE_CODE128, std::string(80, '7'), false)},
        {ZintClasses(BARCODE_CODE128, "x" + std::string(78, '7'), false),
         ZintClasses(BARCODE_CODE128, "x" + std::string(79, '7'), false)},
        // C and K make 79 and 80 characters.
        {ZintClasses(BARCODE_CODE93, std::string(77, 'Q'), false),
         ZintClasses(BARCODE_CODE93, std::string(78, 'Q'), false)},
        // Start and stop letters and 77 or 78 digits.
        {Repeated(BARCODE_CODABAR, "A55B", 8, 8, 77), Repeated(BARCODE_CODABAR, "A55B", 8, 8, 78)},
        {Repeated(BARCODE_C25IND, "11", 6, 10, 79), Repeated(BARCODE_C25IND, "11", 6, 10, 80)},
        {Repeated(BARCODE_C25LOGIC, "22", 4, 6, 79), Repeated(BARCODE_C25LOGIC, "22", 4, 6, 80)},
        {Repeated(BARCODE_C25STANDARD, "22", 6, 6, 79), Repeated(BARCODE_C25STANDARD, "22", 6, 6, 80)},
    };
    for (const Long &c : cases) {
        ASSERT_GT(c.fits.size(), 100u);
        const Read r = Decode(c.fits);
        SCOPED_TRACE(r.state.type);
        EXPECT_TRUE(Decoded(r.status));
        EXPECT_EQ(std::string(r.state.text).size(), kTextSize - 1);
        const Read refused = Decode(c.tooLong);
        EXPECT_EQ(refused.status, DecodeOutcome::NoDecoderMatched);
        EXPECT_STREQ(refused.state.text, "");
    }
    // Interleaved digits come in pairs: 78 fit, 80 do not.
    EXPECT_EQ(
        std::string(Decode(ZintClasses(BARCODE_C25INTER, std::string(78, '3'), true)).state.text).size(),
        78u);
    EXPECT_EQ(Decode(ZintClasses(BARCODE_C25INTER, std::string(80, '3'), true)).status,
              DecodeOutcome::NoDecoderMatched);
}

// A reading without both quiet zones (cut by the search rectangle) is not
// offered to the symbologies whose start and stop many pieces of a symbol
// share; the others still read it.
TEST(DecoderTables, OpenEndedReadingsSkipSymbologiesWithPlainEnds) {
    struct Case {
        std::string classes;
        std::uint32_t type;
        bool needsQuietZones;
    };
    const Case cases[] = {
        {ZintClasses(BARCODE_C25INTER, "1234", true), ZR_BAR_INTERLEAVED_2OF5, true},
        {ZintClasses(BARCODE_C25IATA, "1234", true), ZR_BAR_IATA_2OF5, true},
        {ZintClasses(BARCODE_C25LOGIC, "1234", true), ZR_BAR_DATALOGIC_2OF5, true},
        {ZintClasses(BARCODE_EANX, "12", false), ZR_BAR_ADDON2, true},
        {ZintClasses(BARCODE_EANX, "12345", false), ZR_BAR_ADDON5, true},
        {ZintClasses(BARCODE_C25IND, "1234", true), ZR_BAR_INDUSTRIAL_2OF5, false},
        {ZintClasses(BARCODE_CODE128, "1234", false), ZR_BAR_CODE128, false},
        {ZintClasses(BARCODE_EANX, "5901234123457", false), ZR_BAR_EAN13, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(Decode(c.classes).state.type, c.type);
        Read open{DecodeOutcome::NoDecoderMatched, {}};
        open.state.symbologies = ZR_BAR_ALL;
        open.state.direction = kLeftToRight | kRightToLeft;
        open.state.openEnded = true;
        open.status = DecodeStringTables(c.classes, open.state);
        EXPECT_EQ(open.state.type == c.type, !c.needsQuietZones);
    }
    // The Interleaved width-run row likewise.
    Widths widths;
    for (const std::uint16_t m : ZintModules(BARCODE_C25INTER, "1234")) widths.push_back(m > 1 ? 6 : 3);
    DecodeState state;
    state.symbologies = ZR_BAR_INTERLEAVED_2OF5;
    state.direction = kLeftToRight;
    EXPECT_TRUE(Decoded(DecodeRunTables(widths, state)));
    state.openEnded = true;
    EXPECT_EQ(DecodeRunTables(widths, state), DecodeOutcome::NoDecoderMatched);
}

// Any class string and any widths, of any length up to past the 999-element
// limit: a status and a terminated text, never a read or write out of bounds.
TEST(DecoderTables, MalformedInputGivesAStatus) {
    std::mt19937 random(9);
    const std::string alphabet = std::string("0123456789+-x", 13) + '\0';
    for (int trial = 0; trial < 3000; ++trial) {
        std::size_t length = random() % 120;
        if (trial % 10 == 0) length = 995 + random() % 10;
        std::string classes(length, '0');
        const bool plain = trial % 3 != 0;  // mostly classes "0" to "3"
        for (char &c : classes)
            c = plain ? static_cast<char>('0' + random() % 4) : alphabet[random() % alphabet.size()];
        DecodeState state;
        state.symbologies = ZR_BAR_ALL;
        state.direction = static_cast<std::uint8_t>(1 + random() % 15);
        const DecodeOutcome status = DecodeStringTables(classes, state);
        EXPECT_TRUE(Decoded(status) || status == DecodeOutcome::NoDecoderMatched);
        EXPECT_LT(std::char_traits<char>::length(state.text), kTextSize);

        Widths widths(length);
        for (std::uint16_t &w : widths)
            w = static_cast<std::uint16_t>(trial % 7 == 0 ? random() : random() % 12);
        const DecodeOutcome runs = DecodeRunTables(widths, state);
        EXPECT_TRUE(Decoded(runs) || runs == DecodeOutcome::NoDecoderMatched);
        EXPECT_LT(std::char_traits<char>::length(state.text), kTextSize);
    }
}

// Every decoder, offered strings and widths its checker never passed.
TEST(DecoderTables, DecodersStandAloneOnMalformedInput) {
    const StringRow strings[] = {
        kIndustrialRow, kInvertedRow,  kInterleavedRow, kIataRow,        kMatrixRow,     kCode39Row,
        kCodabarRow,    kBcdMatrixRow, kDatalogicRow,   kCode128Rows[0], kEan128Rows[0], kCode93Row,
        kEan13Row,      kUpcARow,      kEan8Row,        kUpcERow,        kAddOn5Row,     kAddOn2Row};
    const RunRow runs[] = {kIndustrialRunRow, kInvertedRunRow, kInterleavedRunRow, kMatrixRunRow,
                           kCode39RunRow,     kCodabarRunRow,  kBcdMatrixRunRow,   kCode128RunRows[0],
                           kEan128RunRows[0], kCode93RunRow,   kEan13RunRow,       kUpcARunRow,
                           kEan8RunRow,       kUpcERunRow};
    std::mt19937 random(11);
    char text[kTextSize];
    for (int trial = 0; trial < 400; ++trial) {
        const std::size_t length = trial < 100 ? static_cast<std::size_t>(trial) : random() % 1100;
        std::string classes(length, '0');
        for (char &c : classes) c = static_cast<char>('0' + random() % 5);
        Widths widths(length);
        for (std::uint16_t &w : widths) w = static_cast<std::uint16_t>(random() % 9);
        for (const StringRow &row : strings) {
            std::fill(std::begin(text), std::end(text), 'x');
            row.checker(classes);
            const DecodeOutcome status = row.decoder(classes, text);
            EXPECT_LT(std::char_traits<char>::length(text), kTextSize);
            if (!Decoded(status)) {
                EXPECT_STREQ(text, "");
            }
        }
        for (const RunRow &row : runs) {
            std::fill(std::begin(text), std::end(text), 'x');
            row.checker(widths);
            const DecodeOutcome status = row.decoder(widths, text);
            EXPECT_LT(std::char_traits<char>::length(text), kTextSize);
            if (!Decoded(status)) {
                EXPECT_STREQ(text, "");
            }
        }
    }
}

}  // namespace
}  // namespace zr::bar
