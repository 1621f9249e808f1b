// Code 39 decoding and the decoder tables: class strings, width runs and the
// Code 39 retry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bar/classes.hpp"
#include "bar/code39.hpp"
#include "bar/decoder_tables.hpp"
#include "bar/width_runs.hpp"
#include "decode_test_util.hpp"

namespace zr::bar {
namespace {

using test::Code39Modules;
using test::Code39State;
using test::ScaleModules;

constexpr std::string_view kCode39Data = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

std::string Classes(const Widths &modules) {
    return ElementsToClasses(ScaleModules(modules, 3, 7), 1);
}

// Every data character as drawn by zint, alone and with zint's check
// character: the patterns and the values of the table.
TEST(Code39, EveryCharacterMatchesZint) {
    for (std::size_t value = 0; value < kCode39Data.size(); ++value) {
        const std::string text(1, kCode39Data[value]);
        const Widths plain = Code39Modules(text);
        ASSERT_EQ(plain.size(), 29u) << text;
        DecodeState state = Code39State();
        // Alone, the character is its own check only when its value is 0.
        EXPECT_EQ(DecodeStringTables(Classes(plain), state),
                  value == 0 ? DecodeOutcome::Ok : DecodeOutcome::CheckFailed)
            << text;
        EXPECT_STREQ(state.text, text.c_str());
        EXPECT_EQ(state.checksumOk, value == 0 ? 1 : 0);
        EXPECT_EQ(state.type, 0x20u);

        state = Code39State();
        EXPECT_EQ(DecodeStringTables(Classes(Code39Modules(text, true)), state), DecodeOutcome::Ok) << text;
        // zint's check character for a single character is the character itself.
        EXPECT_EQ(std::string(state.text), text + text);
        EXPECT_EQ(state.checksumOk, 1);
    }
    DecodeState state = Code39State();
    EXPECT_EQ(DecodeStringTables(Classes(Code39Modules(std::string(kCode39Data), true)), state),
              DecodeOutcome::Ok);
    EXPECT_EQ(std::string(state.text).substr(0, kCode39Data.size()), kCode39Data);
}

TEST(Code39, CheckCharacterDecidesTheChecksum) {
    DecodeState state = Code39State();
    EXPECT_EQ(DecodeStringTables(Classes(Code39Modules("ABC", true)), state), DecodeOutcome::Ok);
    EXPECT_STREQ(state.text, "ABCX");  // 10 + 11 + 12 = 33: "X"
    EXPECT_EQ(state.checksumOk, 1);

    state = Code39State();
    EXPECT_EQ(DecodeStringTables(Classes(Code39Modules("ABC")), state), DecodeOutcome::CheckFailed);
    EXPECT_STREQ(state.text, "ABC");
    EXPECT_EQ(state.checksumOk, 0);
}

TEST(Code39, RejectsMalformedClassStrings) {
    char text[kTextSize] = "junk";
    const std::string startStop = Classes(Code39Modules("A")).erase(10, 10);  // start, gap, stop
    EXPECT_TRUE(Code39Check(startStop));
    EXPECT_EQ(Code39Decode(startStop, text), DecodeOutcome::NoMatch);  // nothing between start and stop
    EXPECT_STREQ(text, "");

    const std::string one = Classes(Code39Modules("A"));
    EXPECT_FALSE(Code39Check(one.substr(0, 28)));                              // not whole characters
    EXPECT_FALSE(Code39Check("1" + one.substr(1)));                            // no start character
    EXPECT_EQ(Code39Decode(one.substr(0, 19), text), DecodeOutcome::NoMatch);  // no stop character
    std::string unknown = one;
    unknown[10] = '2';
    EXPECT_EQ(Code39Decode(unknown, text), DecodeOutcome::NoMatch);
    EXPECT_STREQ(text, "");
}

TEST(Code39, TextMustFitTheBuffer) {
    // Class strings built from the start/stop pattern and "0" characters.
    const std::string zero = Classes(Code39Modules("0")).substr(10, 10);
    const std::string start = Classes(Code39Modules("0")).substr(0, 10);
    const std::string stop = start.substr(0, 9);
    char text[kTextSize];
    std::string fits = start;
    for (std::size_t i = 0; i < kTextSize - 1; ++i) fits += zero;
    EXPECT_EQ(Code39Decode(fits + stop, text), DecodeOutcome::Ok);
    EXPECT_EQ(std::string(text), std::string(kTextSize - 1, '0'));
    EXPECT_EQ(Code39Decode(fits + zero + stop, text), DecodeOutcome::NoMatch);
    EXPECT_STREQ(text, "");
}

TEST(DecodeStringTables, ReverseReadingOnlyWhenTheSenseAllowsIt) {
    std::string classes = Classes(Code39Modules("REV-39", true));
    const std::string reversed(classes.rbegin(), classes.rend());

    DecodeState state = Code39State(kLeftToRight);
    std::snprintf(state.text, kTextSize, "stale");
    EXPECT_EQ(DecodeStringTables(reversed, state), DecodeOutcome::NoDecoderMatched);
    EXPECT_STREQ(state.text, "");

    for (std::uint8_t direction : {kRightToLeft, kDiagonalUp, kDiagonalDown}) {
        state = Code39State(direction);
        EXPECT_EQ(DecodeStringTables(reversed, state), DecodeOutcome::Ok) << int(direction);
        EXPECT_EQ(state.reversed, 1);
        EXPECT_EQ(std::string(state.text).substr(0, 6), "REV-39");
    }
    state = Code39State(kLeftToRight | kRightToLeft);
    EXPECT_EQ(DecodeStringTables(classes, state), DecodeOutcome::Ok);
    EXPECT_EQ(state.reversed, 0);
    state = Code39State(kRightToLeft);
    EXPECT_EQ(DecodeStringTables(classes, state), DecodeOutcome::NoDecoderMatched);
}

TEST(DecodeTables, SymbologyMaskIsRespected) {
    const Widths modules = Code39Modules("MASK", true);
    DecodeState state = Code39State();
    state.symbologies = 0x1FF1FF & ~0x20u;
    EXPECT_EQ(DecodeStringTables(Classes(modules), state), DecodeOutcome::NoDecoderMatched);
    EXPECT_EQ(DecodeRunTables(ScaleModules(modules, 3, 6), state), DecodeOutcome::NoDecoderMatched);
    EXPECT_EQ(Code39Retry(ScaleModules(modules, 3, 6), state), DecodeOutcome::SymbologyOff);
    EXPECT_EQ(state.type, 0u);
}

TEST(DecodeTables, NineElementsNeverDecode) {
    const Widths modules = Code39Modules("A");
    const Widths line = ScaleModules(Widths(modules.begin(), modules.begin() + 9), 3, 6);
    DecodeState state = Code39State(kLeftToRight | kRightToLeft);
    EXPECT_EQ(DecodeStringTables(ElementsToClasses(line, 1), state), DecodeOutcome::NoDecoderMatched);
    EXPECT_EQ(DecodeRunTables(line, state), DecodeOutcome::NoDecoderMatched);
    EXPECT_EQ(DecodeRunTables({}, state), DecodeOutcome::NoDecoderMatched);
    EXPECT_NE(Code39Retry(line, state), DecodeOutcome::Ok);
}

TEST(Code39Retry, QuarterClassesReadAFarWideCluster) {
    // 4 and 11..13 pixels: the single-line classes leave an empty class below
    // the wide cluster.
    const Widths modules = Code39Modules("RETRY");
    int wide = 0;
    const Widths widths =
        ScaleModules(modules, 4, 12, [&](std::size_t i) { return modules[i] == 1 ? 0 : wide++ % 3 - 1; });
    DecodeState state = Code39State();
    state.symbologies = 0x1FF1FF;
    ASSERT_EQ(DecodeStringTables(ElementsToClasses(widths, 1), state), DecodeOutcome::NoDecoderMatched);
    EXPECT_EQ(Code39Retry(widths, state), DecodeOutcome::CheckFailed);
    EXPECT_STREQ(state.text, "RETRY");
    EXPECT_EQ(state.type, 0x20u);
    EXPECT_EQ(state.symbologies, 0x1FF1FFu);  // restored
}

TEST(Code39Retry, WideSpacesForcedToOneClass) {
    // Wide spaces alternately 9 and 14 pixels: the quarter classes split them
    // into "1" and "2"; only the forced second try reads the symbol.
    const Widths modules = Code39Modules("SPREAD");
    int wideSpaces = 0;
    const Widths widths = ScaleModules(modules, 4, 12, [&](std::size_t i) {
        if (i % 2 == 0 || modules[i] == 1) return 0;
        return wideSpaces++ % 2 == 0 ? -3 : 2;
    });
    DecodeState state = Code39State();
    ASSERT_NE(QuarterClasses(widths, 1).find('2'), std::string::npos);
    EXPECT_EQ(DecodeStringTables(QuarterClasses(widths, 1), state), DecodeOutcome::NoDecoderMatched);
    EXPECT_EQ(Code39Retry(widths, state), DecodeOutcome::CheckFailed);
    EXPECT_STREQ(state.text, "SPREAD");
}

TEST(ModuleClasses, RoundsModulesHalfUp) {
    std::string classes;
    const Widths modules = Code39Modules("A");
    const Widths start = ScaleModules(Widths(modules.begin(), modules.begin() + 9), 3, 6);
    EXPECT_DOUBLE_EQ(ModuleClasses(start, 0, 9, 12, classes), 0.0);
    EXPECT_EQ(classes, "010010100");

    classes.clear();
    EXPECT_DOUBLE_EQ(ModuleClasses({3, 5}, 0, 2, 4, classes), 1.0);  // 1.5 and 2.5 modules
    EXPECT_EQ(classes, "12");

    // The same group in quarter pixels, one element a pixel wider: the same
    // classes and error as in pixels.
    Widths pixel = start;
    pixel[0] += 1;
    Widths quarter;
    for (std::uint16_t w : pixel) quarter.push_back(w * 4);
    std::string pixelClasses;
    classes.clear();
    const double error = ModuleClasses(pixel, 0, 9, 12, pixelClasses);
    EXPECT_GT(error, 0.0);
    EXPECT_DOUBLE_EQ(ModuleClasses(quarter, 0, 9, 12, classes), error);
    EXPECT_EQ(classes, pixelClasses);
}

TEST(ModuleClasses, RejectsGroupsOutsideOneToFourModules) {
    std::string classes;
    // Eight narrow and one 5-module element in a 12-module group.
    EXPECT_EQ(ModuleClasses({1, 1, 1, 1, 1, 1, 1, 1, 5}, 0, 9, 12, classes), kRejectedGroup);
    EXPECT_EQ(ModuleClasses({1, 9}, 0, 2, 4, classes), kRejectedGroup);  // 0.4 modules
    EXPECT_EQ(ModuleClasses({0, 0, 0}, 0, 3, 3, classes), kRejectedGroup);
    EXPECT_EQ(ModuleClasses({1, 2, 3}, 2, 2, 3, classes), kRejectedGroup);  // past the end
}

TEST(DecodeRunTables, ReadsPixelAndQuarterPixelWidths) {
    const Widths modules = Code39Modules("RUNS", true);
    for (const int scale : {1, 4}) {
        // Exactly 2:1, and 2:1 with a pixel of noise on every third element.
        for (const bool noisy : {false, true}) {
            Widths widths =
                ScaleModules(modules, 3, 6, [&](std::size_t i) { return noisy && i % 3 == 0 ? 1 : 0; });
            for (std::uint16_t &w : widths) w = static_cast<std::uint16_t>(w * scale);
            DecodeState state = Code39State();
            EXPECT_EQ(DecodeRunTables(widths, state), DecodeOutcome::Ok) << scale << " " << noisy;
            EXPECT_STREQ(state.text, "RUNSM");
            std::reverse(widths.begin(), widths.end());
            state = Code39State(kRightToLeft);
            EXPECT_EQ(DecodeRunTables(widths, state), DecodeOutcome::Ok);
            EXPECT_EQ(state.reversed, 1);
        }
    }
}

TEST(DecodeRunTables, RejectsRatiosFarFromTwelveModules) {
    // At 3:1 each character rounds with too large an error, though its
    // classes are right.
    const Widths widths = ScaleModules(Code39Modules("WIDE", true), 4, 12);
    char text[kTextSize];
    EXPECT_TRUE(Code39RunCheck(widths));
    EXPECT_EQ(Code39RunDecode(widths, text), DecodeOutcome::NoMatch);
    EXPECT_STREQ(text, "");
    // A five-module element in the start character fails the checker.
    Widths five = ScaleModules(Code39Modules("WIDE", true), 3, 6);
    five[1] = 15;
    EXPECT_FALSE(Code39RunCheck(five));
}

}  // namespace
}  // namespace zr::bar
