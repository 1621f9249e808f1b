// The segment decoder on bit streams written by hand: the edge cases
// libzint does not produce.
#include <gtest/gtest.h>

#include <string>

#include "microqr/candidate.hpp"

namespace {

using namespace zr::microqr;

struct Bits {
    Codewords codewords{};
    int position = 0;
    Bits &Put(std::uint32_t value, int n) {
        for (int i = n - 1; i >= 0; --i, ++position)
            if ((value >> i) & 1)
                codewords[position / 8] |= static_cast<std::uint8_t>(0x80u >> (position % 8));
        return *this;
    }
};

struct Decoded {
    Outcome status;
    std::string text;
};

Decoded Decode(const Bits &bits, int version, int level) {
    zr::qr::DecodedText out;
    const Outcome status = DecodeMicroSegments(bits.codewords, MicroDataBits(version, level), version, out);
    return {status, std::string(reinterpret_cast<const char *>(out.bytes.data()), out.length)};
}

TEST(M1, FiveDigitsFillTheWholeCapacity) {
    Bits bits;
    bits.Put(5, 3).Put(123, 10).Put(45, 7);
    ASSERT_EQ(bits.position, 20);
    const Decoded d = Decode(bits, 1, 0);
    EXPECT_EQ(d.status, Outcome::kDecoded);
    EXPECT_EQ(d.text, "12345");
}

TEST(M1, ZeroCountIsAnEmptyText) {
    const Decoded d = Decode(Bits{}, 1, 0);
    EXPECT_EQ(d.status, Outcome::kDecoded);
    EXPECT_EQ(d.text, "");
}

TEST(M1, CountBeyondTheCapacityRunsPastTheData) {
    Bits bits;
    bits.Put(7, 3).Put(123, 10).Put(456, 10);
    EXPECT_EQ(Decode(bits, 1, 0).status, Outcome::kDataEnded);
}

TEST(Segments, VersionOutsideOneToFourIsRefused) {
    zr::qr::DecodedText out;
    EXPECT_EQ(DecodeMicroSegments(Codewords{}, 40, 0, out), Outcome::kNoCorners);
    EXPECT_EQ(DecodeMicroSegments(Codewords{}, 40, 5, out), Outcome::kNoCorners);
}

TEST(Segments, M4ModeValuesFourToSevenAreNotDecoded) {
    for (std::uint32_t mode = 4; mode < 8; ++mode) {
        Bits bits;
        bits.Put(mode, 3).Put(1, 6);
        EXPECT_EQ(Decode(bits, 4, 0).status, Outcome::kModeNotDecoded) << mode;
    }
}

TEST(Segments, M2HasOnlyNumericAndAlphanumeric) {
    Bits bits;
    bits.Put(1, 1).Put(2, 3).Put(462, 11);  // alphanumeric "AC"
    const Decoded d = Decode(bits, 2, 0);
    EXPECT_EQ(d.status, Outcome::kDecoded);
    EXPECT_EQ(d.text, "AC");
}

TEST(Segments, M3KanjiOfTwoCharacters) {
    Bits bits;
    bits.Put(3, 2).Put(2, 3).Put(6826, 13).Put(0x0D9F, 13);
    const Decoded d = Decode(bits, 3, 0);
    EXPECT_EQ(d.status, Outcome::kDecoded);
    EXPECT_EQ(d.text, "\xE4\xAA\x93\x5F");
}

TEST(Segments, ByteAndKanjiCountsBeyondTheDataFailInsteadOfEndingQuietly) {
    Bits bits;
    bits.Put(2, 2).Put(3, 4).Put('a', 8).Put('b', 8);  // M3-M: three bytes announced, two fit... then zeros
    const Decoded d = Decode(bits, 3, 1);
    EXPECT_EQ(d.status, Outcome::kDecoded);  // the third byte is the zero padding inside the data bits
    EXPECT_EQ(d.text, std::string("ab\0", 3));
    Bits kanji;
    kanji.Put(3, 2).Put(7, 3);  // M3-L: seven Kanji characters need 91 bits of 79 left
    EXPECT_EQ(Decode(kanji, 3, 0).status, Outcome::kDataEnded);
}

TEST(Segments, CountsBeyondTheCapacityEndInsideAField) {
    Bits bits;
    bits.Put(2, 3).Put(31, 5);  // M4 byte segment of 31 bytes in 15 bytes of room
    EXPECT_EQ(Decode(bits, 4, 0).status, Outcome::kDataEnded);
    Bits numeric;
    numeric.Put(0, 2).Put(31, 5);  // M3 numeric segment of 31 digits
    EXPECT_EQ(Decode(numeric, 3, 1).status, Outcome::kDataEnded);
}

TEST(Segments, TerminatorEndsTheDataAndShortTailsAreIgnored) {
    Bits bits;
    bits.Put(0, 3).Put(3, 6).Put(987, 10);  // M4 numeric "987", then zeros
    Decoded d = Decode(bits, 4, 2);
    EXPECT_EQ(d.status, Outcome::kDecoded);
    EXPECT_EQ(d.text, "987");
    // Fewer bits left than the shortest segment end decoding even when they are not zero.
    Bits tail;
    tail.Put(0, 1).Put(8, 4).Put(123, 10).Put(456, 10).Put(78, 7).Put(0xFF, 8);  // M2-L: 8 bits left
    d = Decode(tail, 2, 0);
    EXPECT_EQ(d.status, Outcome::kDecoded);
    EXPECT_EQ(d.text, "12345678");
}

TEST(Segments, GroupValuesWithoutCharactersEndTheData) {
    Bits bits;
    bits.Put(0, 3).Put(3, 6).Put(1023, 10);  // not a three-digit group
    EXPECT_EQ(Decode(bits, 4, 0).status, Outcome::kDataEnded);
    Bits alnum;
    alnum.Put(1, 3).Put(2, 5).Put(2025, 11);  // first character index 45
    EXPECT_EQ(Decode(alnum, 4, 0).status, Outcome::kDataEnded);
}

}  // namespace
