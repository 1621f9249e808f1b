// Bytes to UTF-8: validity, the Shift JIS guess and the ECI table.
#include <gtest/gtest.h>

#include "api/text.hpp"

namespace {

using zr::api::DefaultCharset;
using zr::api::TextOf;

TEST(Text, Utf8ShiftJisAndLatin1) {
    EXPECT_EQ(TextOf("plain", DefaultCharset::kLatin1), "plain");
    EXPECT_EQ(TextOf("\xC3\xA9", DefaultCharset::kLatin1), "\xC3\xA9");
    EXPECT_EQ(TextOf("\xE9t\xE9", DefaultCharset::kLatin1), "\xC3\xA9t\xC3\xA9");
    // Overlong forms and surrogates are not UTF-8.
    EXPECT_FALSE(zr::api::IsValidUtf8("\xC0\xAF"));
    EXPECT_FALSE(zr::api::IsValidUtf8("\xED\xA0\x80"));
    // "日本" in Shift JIS: taken as such only where Shift JIS is a default.
    EXPECT_EQ(TextOf("\x93\xFA\x96\x7B", DefaultCharset::kLatin1OrShiftJis), "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(TextOf("\x93\xFA\x96\x7B", DefaultCharset::kLatin1), "\xC2\x93\xC3\xBA\xC2\x96{");
    // A word of half-width katakana ("ﾃﾞｻﾞ") is Shift JIS; two such bytes alone stay ISO-8859-1 ("ÀÉ").
    EXPECT_EQ(TextOf("*\xC3\xDE\xBB\xDE*", DefaultCharset::kLatin1OrShiftJis),
              "*\xEF\xBE\x83\xEF\xBE\x9E\xEF\xBD\xBB\xEF\xBE\x9E*");
    EXPECT_EQ(TextOf("\xC0\xC9 x", DefaultCharset::kLatin1OrShiftJis), "\xC3\x80\xC3\x89 x");
    // The ASCII range stays ASCII in Shift JIS text: a backslash in a URL, not a yen sign.
    EXPECT_EQ(TextOf("http\\://\x93\xFA~", DefaultCharset::kLatin1OrShiftJis), "http\\://\xE6\x97\xA5~");
    // A lead byte without its trail byte is not Shift JIS.
    EXPECT_EQ(TextOf("caf\xE9", DefaultCharset::kLatin1OrShiftJis), "caf\xC3\xA9");
}

TEST(Text, EciCharsets) {
    EXPECT_STREQ(zr::api::EciCharset(26), "UTF-8");
    EXPECT_STREQ(zr::api::EciCharset(7), "ISO-8859-5");
    EXPECT_EQ(zr::api::EciCharset(999), nullptr);
    EXPECT_EQ(zr::api::ConvertToUtf8("\xB6", zr::api::EciCharset(7)), std::optional<std::string>("\xD0\x96"));
    EXPECT_EQ(zr::api::ConvertToUtf8(std::string("\x04\x16", 2), zr::api::EciCharset(25)),
              std::optional<std::string>("\xD0\x96"));
    EXPECT_EQ(zr::api::ConvertToUtf8("\xFF", "UTF-8"), std::nullopt);
}

}  // namespace
