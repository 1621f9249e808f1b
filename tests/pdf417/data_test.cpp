// Data decoding: text sub-modes, byte and numeric compaction, and the
// faults that drop a symbol or cut its text.
#include <gtest/gtest.h>

#include <string>

#include "pdf417/data.hpp"

namespace zr::pdf417 {
namespace {

// Decodes data codewords (the length descriptor is put in front).
std::string Decode(std::vector<int> data, bool *decoded = nullptr) {
    data.insert(data.begin(), static_cast<int>(data.size()) + 1);
    DecodedData out;
    const bool ok = DecodeData(data, static_cast<int>(data.size()), out);
    if (decoded != nullptr) *decoded = ok;
    return std::string(out.bytes.data(), out.length);
}

TEST(Pdf417Data, TextUpperLowerMixedPunctuation) {
    EXPECT_EQ(Decode({1}), "AB");
    EXPECT_EQ(Decode({0}), "AA");
    // Latch lower (27), then "b c"; 900 returns to upper.
    EXPECT_EQ(Decode({1 * 30 + 27, 1 * 30 + 26, 2 * 30 + 0, 900, 2 * 30 + 3}), "Bb caCD");
    // Shift punctuation (29) and value 10 gives "!", then upper again.
    EXPECT_EQ(Decode({0 * 30 + 29, 10 * 30 + 1}), "A!B");
    // Latch mixed (28): digits; mixed 25 latches punctuation, whose 29 latches upper.
    EXPECT_EQ(Decode({28 * 30 + 1, 2 * 30 + 25, 0 * 30 + 29, 2 * 30 + 2}), "12;CC");
    // Lower with shift upper (27) for one character.
    EXPECT_EQ(Decode({27 * 30 + 0, 27 * 30 + 1, 2 * 30 + 26}), "aBc ");
}

TEST(Pdf417Data, ByteCompaction) {
    // 924: five codewords are six bytes.
    EXPECT_EQ(Decode({924, 215, 318, 502, 193, 33}), "\x80\x81\x82\x83\x84\x85");
    // 901: a group followed by more data is six bytes; the last five are single bytes.
    EXPECT_EQ(Decode({901, 215, 318, 502, 193, 33, 134, 135, 136, 137, 138}),
              "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8a");
    EXPECT_EQ(Decode({901, 128, 129, 130, 131, 132}), "\x80\x81\x82\x83\x84");
    EXPECT_EQ(Decode({901, 65, 66, 67}), "ABC");
    // 913 shifts one codeword to a byte and returns to the text sub-mode.
    EXPECT_EQ(Decode({27 * 30 + 0, 913, 65, 0 * 30 + 1}), "aAab");
}

TEST(Pdf417Data, NumericCompaction) {
    EXPECT_EQ(Decode({902, 1, 624, 434, 632, 282, 200}), "000213298174000");
    EXPECT_EQ(Decode({902, 11, 900, 0}), "1AA");  // a short group, then text
}

// Decodes and hands back the whole record.
DecodedData DecodeAll(std::vector<int> data) {
    data.insert(data.begin(), static_cast<int>(data.size()) + 1);
    DecodedData out;
    EXPECT_TRUE(DecodeData(data, static_cast<int>(data.size()), out));
    return out;
}

TEST(Pdf417Data, ControlCodewordsAreSkipped) {
    EXPECT_EQ(Decode({1, 922, 2 * 30 + 3}), "ABCD");  // a terminator outside a control block
    EXPECT_EQ(Decode({1, 921, 2 * 30 + 3}), "ABCD");  // reader initialisation
}

TEST(Pdf417Data, EciDesignatorsTakeTheirArgumentsOutOfTheText) {
    DecodedData out = DecodeAll({927, 3, 1});
    EXPECT_EQ(std::string(out.bytes.data(), out.length), "AB");
    EXPECT_EQ(out.eci, 3);
    out = DecodeAll({926, 0, 5, 1});  // (0 + 1) * 900 + 5
    EXPECT_EQ(std::string(out.bytes.data(), out.length), "AB");
    EXPECT_EQ(out.eci, 905);
    out = DecodeAll({925, 7, 1});
    EXPECT_EQ(out.eci, 810907);
    EXPECT_EQ(std::string(out.bytes.data(), out.length), "AB");
    // The mode and text sub-mode go on across the designator; only the first is recorded.
    out = DecodeAll({27 * 30 + 0, 927, 26, 1 * 30 + 2, 901, 65, 927, 3, 66});
    EXPECT_EQ(std::string(out.bytes.data(), out.length), "abcAB");
    EXPECT_EQ(out.eci, 26);
    EXPECT_EQ(DecodeAll({1}).eci, kNoEci);
    // A designator cut short or followed by a control codeword drops the symbol.
    bool decoded = true;
    Decode({1, 926, 3}, &decoded);
    EXPECT_FALSE(decoded);
    decoded = true;
    Decode({927, 900, 1}, &decoded);
    EXPECT_FALSE(decoded);
}

TEST(Pdf417Data, MacroControlBlockEndsTheText) {
    // Segment index 2 ("100002" = 111 * 900 + 102), file ID 17 53, segment count 3, last segment.
    DecodedData out = DecodeAll({1, 928, 111, 102, 17, 53, 923, 1, 111, 103, 922});
    EXPECT_EQ(std::string(out.bytes.data(), out.length), "AB");
    EXPECT_TRUE(out.macro.present);
    EXPECT_EQ(out.macro.segmentIndex, 2);
    EXPECT_EQ(out.macro.segmentCount, 3);
    EXPECT_TRUE(out.macro.lastSegment);
    ASSERT_EQ(out.macro.fileIdLength, 2u);
    EXPECT_EQ(out.macro.fileId[0], 17);
    EXPECT_EQ(out.macro.fileId[1], 53);
    // Without optional fields or terminator; other optional fields are passed over.
    out = DecodeAll({1, 928, 111, 100, 5, 923, 0, 1, 2, 923, 1, 111, 104});
    EXPECT_EQ(std::string(out.bytes.data(), out.length), "AB");
    EXPECT_EQ(out.macro.segmentIndex, 0);
    EXPECT_EQ(out.macro.segmentCount, 4);
    EXPECT_FALSE(out.macro.lastSegment);
    EXPECT_EQ(out.macro.fileIdLength, 1u);
    // A pending text group is written before the block; a cut block leaves the fields unknown.
    out = DecodeAll({902, 11, 928, 111});
    EXPECT_EQ(std::string(out.bytes.data(), out.length), "1");
    EXPECT_EQ(out.macro.segmentIndex, kNoSegmentField);
    EXPECT_FALSE(DecodeAll({1}).macro.present);
}

TEST(Pdf417Data, FaultsDropTheSymbol) {
    bool decoded = true;
    Decode({924, 1, 2, 3}, &decoded);  // 924 group of three
    EXPECT_FALSE(decoded);
    decoded = true;
    Decode({924, 899, 899, 899, 899, 899}, &decoded);  // beyond six bytes
    EXPECT_FALSE(decoded);
    DecodedData out;
    EXPECT_FALSE(DecodeData({0, 1}, 2, out));     // descriptor 0
    EXPECT_FALSE(DecodeData({5, 1}, 5, out));     // longer than the sequence
    EXPECT_FALSE(DecodeData({3, 1, 1}, 2, out));  // reaches into the check words
    EXPECT_FALSE(DecodeData({2, 929}, 2, out));   // not a codeword value
    EXPECT_FALSE(DecodeData({}, 0, out));
    EXPECT_TRUE(DecodeData({1}, 1, out));
    EXPECT_EQ(out.length, 0u);
}

TEST(Pdf417Data, LongOutputIsCutAtTheBuffer) {
    std::vector<int> bytes{901};
    for (int i = 0; i < 3500; ++i) bytes.push_back('x');
    bool decoded = false;
    const std::string text = Decode(bytes, &decoded);
    EXPECT_TRUE(decoded);
    EXPECT_EQ(text.size(), kDecodeBufferSize - 1);
    DecodedData out;
    bytes.insert(bytes.begin(), static_cast<int>(bytes.size()) + 1);
    DecodeData(bytes, static_cast<int>(bytes.size()), out);
    EXPECT_TRUE(out.truncated);
    EXPECT_EQ(out.bytes[kDecodeBufferSize - 1], '\0');
}

}  // namespace
}  // namespace zr::pdf417
