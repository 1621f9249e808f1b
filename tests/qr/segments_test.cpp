// Segment decoding on hand-made bit streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qr/qr_status.hpp"
#include "qr/segments.hpp"

namespace zr::qr {
namespace {

// Builds data codewords from fields written most significant bit first.
class Stream {
  public:
    Stream &Put(std::uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) bits_.push_back(((value >> i) & 1) != 0);
        return *this;
    }
    // Codewords holding the bits, padded with zero bits to `count` codewords (at least enough).
    std::vector<std::uint8_t> Codewords(std::size_t count = 0) const {
        std::vector<std::uint8_t> out(std::max(count, (bits_.size() + 7) / 8), 0);
        for (std::size_t i = 0; i < bits_.size(); ++i)
            if (bits_[i]) out[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
        return out;
    }
    std::size_t Size() const { return bits_.size(); }

  private:
    std::vector<bool> bits_;
};

struct Decoded {
    Outcome status;
    std::string text;
};

Decoded DecodeOf(const std::vector<std::uint8_t> &codewords, int version = 1) {
    DecodedText text;
    const Outcome status = DecodeSegments(codewords.data(), codewords.size(), version, text);
    return {status, std::string(reinterpret_cast<const char *>(text.bytes.data()), text.length)};
}

TEST(DecodeSegments, NumericGroupsOfThreeTwoAndOne) {
    // "01234567": 012, 345, 67.
    Stream s;
    s.Put(1, 4).Put(8, 10).Put(12, 10).Put(345, 10).Put(67, 7).Put(0, 4);
    Decoded d = DecodeOf(s.Codewords(9));
    EXPECT_EQ(d.status, Outcome::kDecoded);
    EXPECT_EQ(d.text, "01234567");
    Stream one;
    one.Put(1, 4).Put(1, 10).Put(7, 4);
    EXPECT_EQ(DecodeOf(one.Codewords(3)).text, "7");
    // Versions 10 and 27 widen the count field to 12 and 14 bits.
    Stream wide;
    wide.Put(1, 4).Put(2, 14).Put(42, 7);
    EXPECT_EQ(DecodeOf(wide.Codewords(4), 27).text, "42");
}

TEST(DecodeSegments, AlphanumericPairsAndSingles) {
    Stream s;
    s.Put(2, 4).Put(5, 9).Put(10 * 45 + 12, 11).Put(41 * 45 + 4, 11).Put(2, 6);
    EXPECT_EQ(10 * 45 + 12, 462);
    Decoded d = DecodeOf(s.Codewords(6));
    EXPECT_EQ(d.status, Outcome::kDecoded);
    EXPECT_EQ(d.text, "AC-42");
}

TEST(DecodeSegments, BytesIncludingZeroAndHighValuesAndMixedModes) {
    Stream s;
    s.Put(4, 4).Put(3, 8).Put(0x00, 8).Put(0xFF, 8).Put('a', 8);
    s.Put(1, 4).Put(2, 10).Put(99, 7);
    const Decoded d = DecodeOf(s.Codewords(10));
    EXPECT_EQ(d.status, Outcome::kDecoded);
    EXPECT_EQ(d.text, std::string("\0\xff"
                                  "a99",
                                  5));
    // Sixteen-bit byte counts from version 10.
    Stream v10;
    v10.Put(4, 4).Put(1, 16).Put('z', 8);
    EXPECT_EQ(DecodeOf(v10.Codewords(5), 10).text, "z");
}

TEST(DecodeSegments, KanjiToShiftJis) {
    Stream s;
    s.Put(8, 4).Put(2, 8).Put(6826, 13).Put(0x0DA1, 13);  // above and below 0x1EFF after unpacking
    const Decoded d = DecodeOf(s.Codewords(6));
    EXPECT_EQ(d.status, Outcome::kDecoded);
    EXPECT_EQ(d.text, "\xE4\xAA\x93\x61");
}

TEST(DecodeSegments, EndsWithoutTerminatorOrWithFewBitsLeft) {
    // Exactly full: two codewords of byte data after the header, no terminator.
    Stream full;
    full.Put(4, 4).Put(2, 8).Put('o', 8).Put('k', 8).Put(0, 4);
    EXPECT_EQ(DecodeOf(full.Codewords(4)).status, Outcome::kDecoded);
    for (int spare = 1; spare <= 3; ++spare) {
        Stream s;
        s.Put(1, 4).Put(1, 10).Put(5, 4);  // 18 bits
        s.Put(0, 6 + spare);
        std::vector<std::uint8_t> cw = s.Codewords();
        const Decoded d = DecodeOf(cw);
        EXPECT_EQ(d.status, Outcome::kDecoded) << spare;
        EXPECT_EQ(d.text, "5");
    }
}

TEST(DecodeSegments, ByteCountPastTheDataEndsQuietly) {
    // Two one-digit segments put the byte data on codeword boundaries.
    Stream s;
    s.Put(1, 4).Put(1, 10).Put(1, 4).Put(1, 4).Put(1, 10).Put(2, 4);
    s.Put(4, 4).Put(200, 8).Put('a', 8).Put('b', 8);
    ASSERT_EQ(s.Size(), 64u);
    const Decoded d = DecodeOf(s.Codewords());
    EXPECT_EQ(d.status, Outcome::kDecoded);
    EXPECT_EQ(d.text, "12ab");
    // Unaligned, the next byte is cut short: the stream ended inside a field.
    Stream cut;
    cut.Put(4, 4).Put(200, 8).Put('a', 8).Put('b', 8).Put(0, 4);
    EXPECT_EQ(DecodeOf(cut.Codewords()).status, Outcome::kDataEnded);
}

TEST(DecodeSegments, EciStructuredAppendAndUnknownModes) {
    // ECI designators of one, two and three bytes are passed over; the data goes on.
    Stream eci;
    eci.Put(4, 4).Put(1, 8).Put('x', 8).Put(7, 4).Put(26, 8).Put(4, 4).Put(1, 8).Put('y', 8);
    eci.Put(7, 4).Put(0x80 | 1, 8).Put(0x23, 8).Put(7, 4).Put(0xC0 | 2, 8).Put(0x3456, 16);
    eci.Put(4, 4).Put(1, 8).Put('z', 8);
    const Decoded e = DecodeOf(eci.Codewords(20));
    EXPECT_EQ(e.status, Outcome::kDecoded);
    EXPECT_EQ(e.text, "xyz");
    Stream cutEci;
    cutEci.Put(7, 4).Put(0xC0, 8).Put(1, 4);  // a three-byte designator cut short
    EXPECT_EQ(DecodeOf(cutEci.Codewords()).status, Outcome::kDataEnded);
    Stream badEci;
    badEci.Put(7, 4).Put(0xE0, 8).Put(0, 20);  // no designator begins 111
    EXPECT_EQ(DecodeOf(badEci.Codewords()).status, Outcome::kDataEnded);
    for (std::uint32_t mode : {3u, 5u, 6u, 9u, 10u, 15u}) {
        Stream s;
        s.Put(mode, 4).Put(0, 20);
        EXPECT_EQ(DecodeOf(s.Codewords()).status, Outcome::kModeNotDecoded) << mode;
    }
}

// The second look's modes: FNC1 first marks GS1 data whose alphanumeric
// '%' is the group separator and "%%" a percent sign (byte segments keep
// '%'); FNC1 second carries its application indicator; a structured-append
// header is passed over. The first look's modes refuse all three.
TEST(DecodeSegments, Fnc1AndStructuredAppendInTheSecondLook) {
    const auto alphanumeric = [](Stream &s) {  // "1%A%%%B": pairs "1%" "A%" "%%" and "B"
        s.Put(2, 4).Put(7, 9).Put(1 * 45 + 38, 11).Put(10 * 45 + 38, 11).Put(38 * 45 + 38, 11).Put(11, 6);
    };
    Stream gs1;
    gs1.Put(5, 4);
    alphanumeric(gs1);
    gs1.Put(4, 4).Put(1, 8).Put('%', 8).Put(0, 4);
    std::vector<std::uint8_t> codewords = gs1.Codewords(26);
    DecodedText text;
    ASSERT_EQ(DecodeSegments(codewords.data(), codewords.size(), 1, text, SegmentModes::kAll), Outcome::kDecoded);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(text.bytes.data()), text.length), "1\x1D" "A%\x1D" "B%");
    EXPECT_EQ(text.details.fnc1, Fnc1::kFirst);
    EXPECT_EQ(text.bytes[text.length], 0);  // the bytes the mapping freed are cleared
    EXPECT_EQ(DecodeOf(codewords).status, Outcome::kModeNotDecoded);

    Stream industry;
    industry.Put(9, 4).Put(37, 8).Put(3, 4).Put(0x21, 8).Put(0x5A, 8);  // FNC1 second, then structured append
    alphanumeric(industry);
    codewords = industry.Codewords(26);
    ASSERT_EQ(DecodeSegments(codewords.data(), codewords.size(), 1, text, SegmentModes::kAll), Outcome::kDecoded);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(text.bytes.data()), text.length), "1\x1D" "A%\x1D" "B");
    EXPECT_EQ(text.details.fnc1, Fnc1::kSecond);
    EXPECT_EQ(text.details.applicationIndicator, 37);
    Stream cut;
    cut.Put(9, 4).Put(1, 3);  // the application indicator cut short
    codewords = cut.Codewords();
    EXPECT_EQ(DecodeSegments(codewords.data(), codewords.size(), 1, text, SegmentModes::kAll), Outcome::kDataEnded);
}

TEST(DecodeSegments, StreamsEndingInsideAFieldOrHoldingImpossibleValues) {
    std::vector<std::uint8_t> cw = Stream().Put(1, 4).Put(3, 4).Codewords();  // count cut short
    EXPECT_EQ(DecodeOf(cw).status, Outcome::kDataEnded);
    Stream digits;
    digits.Put(1, 4).Put(6, 10).Put(123, 10);  // six digits, only three present
    EXPECT_EQ(DecodeOf(digits.Codewords()).status, Outcome::kDataEnded);
    Stream kanji;
    kanji.Put(8, 4).Put(1, 8).Put(1, 4);  // a Kanji character cut short
    EXPECT_EQ(DecodeOf(kanji.Codewords()).status, Outcome::kDataEnded);
    Stream big;
    big.Put(1, 4).Put(3, 10).Put(1000, 10);  // no three digits make 1000
    EXPECT_EQ(DecodeOf(big.Codewords(5)).status, Outcome::kDataEnded);
    Stream alpha;
    alpha.Put(2, 4).Put(1, 9).Put(45, 6);  // index 45 has no character
    EXPECT_EQ(DecodeOf(alpha.Codewords(3)).status, Outcome::kDataEnded);
}

TEST(DecodeSegments, CountsBeyondTheTextCapacityStop) {
    // A version 40 stream of numeric segments whose digits would exceed 7090 bytes.
    Stream s;
    for (int seg = 0; seg < 4; ++seg) {
        s.Put(1, 4).Put(2400, 14);
        for (int g = 0; g < 800; ++g) s.Put(999, 10);
    }
    const Decoded d = DecodeOf(s.Codewords(), 40);
    EXPECT_EQ(d.status, Outcome::kDataEnded);
    EXPECT_EQ(d.text.size(), kMaxText);
}

}  // namespace
}  // namespace zr::qr
