#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "logic/json.hpp"
#include "logic/read_linear.hpp"

namespace zr::demo {
namespace {

// Decodes a quoted JSON string whose code points are all below U+0800, one byte per code point
// below U+0100; fails the test on anything else.
std::string DecodeLatin1(const std::string &json) {
    EXPECT_GE(json.size(), 2u);
    EXPECT_EQ(json.front(), '"');
    EXPECT_EQ(json.back(), '"');
    std::string out;
    for (size_t i = 1; i + 1 < json.size(); ++i) {
        const auto c = static_cast<unsigned char>(json[i]);
        EXPECT_GE(c, 0x20) << "raw control character at " << i;
        EXPECT_NE(c, '"') << "unescaped quote at " << i;
        if (c == '\\') {
            const char kind = json[++i];
            if (kind == 'u') {
                out.push_back(static_cast<char>(std::stoi(json.substr(i + 1, 4), nullptr, 16)));
                i += 4;
            } else {
                EXPECT_TRUE(kind == '"' || kind == '\\') << kind;
                out.push_back(kind);
            }
        } else if (c >= 0x80) {
            EXPECT_TRUE(c == 0xC2 || c == 0xC3) << "not a code point below U+0100";
            out.push_back(static_cast<char>(((c & 0x1F) << 6) | (json[++i] & 0x3F)));
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

TEST(Json, EveryByteIsOneCodePoint) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    const std::string json = JsonByteString(bytes);
    EXPECT_EQ(DecodeLatin1(json), bytes);

    EXPECT_EQ(JsonByteString(std::string("a\0b", 3)), "\"a\\u0000b\"");
    EXPECT_EQ(JsonByteString("say \"hi\"\\\n\x1f\x7f"), "\"say \\\"hi\\\"\\\\\\u000a\\u001f\\u007f\"");
    EXPECT_EQ(JsonByteString("\x80\xe9\xff"), "\"\xc2\x80\xc3\xa9\xc3\xbf\"");
}

TEST(Json, FileNamesKeepValidUtf8) {
    EXPECT_EQ(JsonTextString("caf\xc3\xa9.png"), "\"caf\xc3\xa9.png\"");
    EXPECT_EQ(JsonTextString("a\"b.png"), "\"a\\\"b.png\"");
    // Invalid sequences (a lone 0xE9, an overlong '/', a surrogate) fall back to one byte each.
    EXPECT_EQ(JsonTextString("caf\xe9.png"), "\"caf\xc3\xa9.png\"");
    EXPECT_EQ(JsonTextString("\xc0\xaf"), "\"\xc3\x80\xc2\xaf\"");
    EXPECT_EQ(JsonTextString("\xed\xa0\x80"), "\"\xc3\xad\xc2\xa0\xc2\x80\"");
}

TEST(Json, ResultObject) {
    ZrBarResult result{};
    for (int i = 0; i < 8; ++i) result.corners[i] = i * 10 - 5;
    result.type = 0x8000;
    result.angle = 90.5;
    result.barColor = 1;
    result.checksum = 0;
    std::strcpy(result.text, "12\"3");
    EXPECT_EQ(LinearResultJson(result),
              "{\"corners\":[-5,5,15,25,35,45,55,65],\"type\":32768,\"angle\":90.5,\"barColor\":1,"
              "\"checksum\":0,\"text\":\"12\\\"3\"}");
    // A text without NUL ends at the field's end.
    std::memset(result.text, 'Z', sizeof result.text);
    const std::string json = LinearResultJson(result);
    EXPECT_NE(json.find("\"text\":\"" + std::string(86, 'Z') + "\"}"), std::string::npos);

    EXPECT_EQ(JsonNumber(std::nan("")), "null");
    EXPECT_EQ(JsonNumber(HUGE_VAL), "null");
    EXPECT_EQ(JsonNumber(0.001), "0.001");

    Document document;
    document.linearResults = {result, result};
    EXPECT_EQ(ResultsJson(document), "[]");  // not a read
    document.state.lastOperation = Operation::ReadLinear;
    // Each listed result gains its bytes in hex and its identifier; its text is read as UTF-8.
    std::string listed = json;
    listed.insert(json.rfind(",\"text\":"), ",\"bytes\":\"" + std::string() + [] {
        std::string hex;
        for (int i = 0; i < 86; ++i) hex += "5a";
        return hex;
    }() + "\",\"symbologyIdentifier\":\"]E0\"");
    EXPECT_EQ(ResultsJson(document), "[" + listed + "," + listed + "]");
    std::strcpy(result.text, "\xC3\xA9\x1D");
    document.linearResults = {result};
    EXPECT_NE(ResultsJson(document).find("\"bytes\":\"c3a91d\",\"symbologyIdentifier\":\"]E0\",\"text\":\"\xC3\xA9\\u001d\"}"),
              std::string::npos)
        << ResultsJson(document);
}

}  // namespace
}  // namespace zr::demo
