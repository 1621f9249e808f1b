// Rotation, format, grid, placement, masks and segments together on libzint
// renders, with the finder corners taken from the drawing instead of the
// picture: every version, level and mask, each mode at each capacity.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "micro_picture.hpp"
#include "microqr/candidate.hpp"

namespace {

using namespace zr::microqr;
using zr::test::FinderAt;
using zr::test::MicroSymbol;
using zr::test::Picture;
using zr::test::Raster;

struct RotationRead {
    Outcome status = Outcome::kNothingTried;
    MicroQRCandidate candidate;
    std::string text;
};

// Format, grid, sampling and segments of one rotation, without correction.
RotationRead ReadRotation(const zr::BitImageView &view, const zr::geom::QuadF &finder, int rotation) {
    RotationRead out;
    MicroQRCandidate &c = out.candidate;
    c.finder = finder;
    out.status = ReadMicroFormat(view, c, rotation);
    if (out.status != Outcome::kDecoded) return out;
    SetMicroGrid(view, c, rotation);
    const int dataBits = MicroDataBits(c.version, c.level);
    ModuleMap map;
    PlaceMicroCodewordBits(map, c.rows, dataBits);
    Codewords codewords;
    if (!SampleMicroCodewords(view, c, map, codewords)) {
        out.status = Outcome::kNoFormat;
        return out;
    }
    out.status = DecodeMicroSegments(codewords, dataBits, c.version, c.decoded);
    out.text.assign(reinterpret_cast<const char *>(c.decoded.bytes.data()), c.decoded.length);
    return out;
}

RotationRead ReadUpright(const MicroSymbol &symbol) {
    std::string error;
    const Raster r = zr::test::RenderMicro(symbol, &error);
    EXPECT_FALSE(r.empty()) << error << " for " << symbol.data;
    if (r.empty()) return {};
    Picture picture(r);
    const int q = symbol.quietZone * symbol.module;
    return ReadRotation(picture.View(), FinderAt(q, q, symbol.module), 1);
}

void ExpectReads(const MicroSymbol &symbol, const std::string &expected) {
    const RotationRead out = ReadUpright(symbol);
    EXPECT_EQ(out.status, Outcome::kDecoded)
        << "M" << symbol.version << " level " << symbol.level << ": " << symbol.data;
    EXPECT_EQ(out.text, expected) << "M" << symbol.version << " level " << symbol.level;
    EXPECT_EQ(out.candidate.version, symbol.version);
    EXPECT_EQ(out.candidate.level, symbol.level);
}

TEST(Stages, EveryVersionLevelAndMask) {
    struct Case {
        int version, level;
        const char *data;
    };
    const Case cases[] = {{1, 0, "123"},   {2, 0, "AB12"},     {2, 1, "A1"},    {3, 0, "hello"},
                          {3, 1, "Micro"}, {4, 0, "Hello M4"}, {4, 1, "hi 42"}, {4, 2, "QUALITY"}};
    for (const Case &k : cases)
        for (int mask = 0; mask < 4; ++mask) {
            MicroSymbol s{k.data, k.version, k.level, mask};
            const RotationRead out = ReadUpright(s);
            EXPECT_EQ(out.status, Outcome::kDecoded) << k.data << " mask " << mask;
            EXPECT_EQ(out.text, k.data) << "mask " << mask;
            EXPECT_EQ(out.candidate.mask, mask);
            EXPECT_EQ(out.candidate.version, k.version);
            EXPECT_EQ(out.candidate.level, k.level);
            EXPECT_EQ(out.candidate.rows, 2 * k.version + 9);
        }
}

// ISO/IEC 18004 capacities: numeric, alphanumeric, byte and Kanji characters.
struct CapacityCase {
    int version, level;
    int numeric, alphanumeric, bytes, kanji;
};
constexpr CapacityCase kCapacityCases[] = {
    {1, 0, 5, 0, 0, 0},   {2, 0, 10, 6, 0, 0},   {2, 1, 8, 5, 0, 0},    {3, 0, 23, 14, 9, 6},
    {3, 1, 18, 11, 7, 4}, {4, 0, 35, 21, 15, 9}, {4, 1, 30, 18, 13, 8}, {4, 2, 21, 13, 9, 5},
};

TEST(Stages, NumericAlphanumericAndBytesAtFullCapacity) {
    for (const CapacityCase &k : kCapacityCases) {
        std::string digits;
        for (int i = 0; i < k.numeric; ++i) digits += static_cast<char>('0' + (i * 7 + 3) % 10);
        ExpectReads({digits, k.version, k.level}, digits);
        if (k.alphanumeric > 0) {
            const std::string alnum = std::string("AC-42 $%*+./:XYZ0123456789").substr(0, k.alphanumeric);
            ExpectReads({alnum, k.version, k.level}, alnum);
        }
        if (k.bytes > 0) {
            std::string bytes;
            for (int i = 0; i < k.bytes; ++i) bytes += static_cast<char>(i % 2 == 0 ? 'a' + i : 0xA0 + i);
            ExpectReads({bytes, k.version, k.level}, bytes);
        }
    }
}

TEST(Stages, KanjiBecomesShiftJisAtFullCapacity) {
    // U+70B9 and U+8317 are 0x935F and 0xE4AA in Shift JIS, one on each side
    // of the 0x9FFC / 0xE040 split of the 13-bit compaction.
    for (const CapacityCase &k : kCapacityCases) {
        if (k.kanji == 0) continue;
        std::string utf8, sjis;
        for (int i = 0; i < k.kanji; ++i) {
            utf8 += i % 2 == 0 ? "\xE7\x82\xB9" : "\xE8\x8C\x97";
            sjis += i % 2 == 0 ? "\x93\x5F" : "\xE4\xAA";
        }
        MicroSymbol s{utf8, k.version, k.level};
        s.inputMode = UNICODE_MODE;
        ExpectReads(s, sjis);
    }
}

TEST(Stages, MixedSegments) {
    ExpectReads({"ABCDEF0123456789012", 4, 0}, "ABCDEF0123456789012");
    ExpectReads({"ab123456789012", 4, 0}, "ab123456789012");
}

TEST(Stages, EachQuarterTurnReadsInItsRotation) {
    const MicroSymbol s{"ROT8", 2, 0, 1, 4};
    const Raster upright = zr::test::RenderMicro(s);
    ASSERT_FALSE(upright.empty());
    const int q = s.quietZone * s.module, side = 7 * s.module;
    const int far = upright.width - q - side;  // the render is square
    // Clockwise quarter turns put the finder top-right, bottom-right, bottom-left.
    const int corners[4][2] = {{q, q}, {far, q}, {far, far}, {q, far}};
    for (int turn = 0; turn < 4; ++turn) {
        Picture picture(zr::test::RotateQuarter(upright, -turn));
        const auto finder = FinderAt(corners[turn][0], corners[turn][1], s.module);
        const RotationRead out = ReadRotation(picture.View(), finder, turn + 1);
        EXPECT_EQ(out.status, Outcome::kDecoded) << "turn " << turn;
        EXPECT_EQ(out.text, "ROT8") << "turn " << turn;
        EXPECT_EQ(out.candidate.mask, 1);
        // Corner 0 lies at the finder, corner 2 diagonally opposite at 13 modules.
        const auto c0 = out.candidate.corners.topLeft, c2 = out.candidate.corners.bottomRight;
        EXPECT_NEAR(zr::geom::Distance(c0, c2), 13 * s.module * std::sqrt(2.0), 2.0) << "turn " << turn;
    }
}

TEST(Stages, TimingPatternsCorrectAGridThatIsOffInScaleAndTurn) {
    const MicroSymbol s{"TIMING", 4, 0, 1, 5, 2};
    Picture picture(zr::test::RenderMicro(s));
    MicroQRCandidate c;
    c.finder = FinderAt(10, 10, 5);
    ASSERT_EQ(ReadMicroFormat(picture.View(), c, 1), Outcome::kDecoded);
    SetMicroGrid(picture.View(), c, 1);
    EXPECT_NEAR(c.u.x, 5.0, 0.01);
    // Steps 5 % long across the rows and turned by 2 degrees down the columns.
    c.u = 1.05 * c.u;
    const double a = zr::geom::DegToRad(2.0);
    c.v = {-std::sin(a) * c.v.y, std::cos(a) * c.v.y};
    RefineGridByTiming(picture.View(), c);
    EXPECT_NEAR(c.u.x, 5.0, 0.1);
    EXPECT_NEAR(c.u.y, 0.0, 0.1);
    EXPECT_NEAR(c.v.x, 0.0, 0.1);
    EXPECT_NEAR(c.v.y, 5.0, 0.1);
    EXPECT_NEAR(c.corners.bottomRight.x, 10 + 17 * 5, 2.0);
    EXPECT_NEAR(c.corners.bottomRight.y, 10 + 17 * 5, 2.0);
}

TEST(Stages, ProjectiveGridPassesThroughTheFinderCorners) {
    MicroQRCandidate c;
    c.finder = {{10, 10}, {80, 14}, {76, 70}, {16, 66}};
    c.projective = true;
    for (int rotation = 1; rotation <= 4; ++rotation) {
        const RotationFrame frame = FrameOf(c, rotation);
        ASSERT_NE(frame.warp, nullptr);
        const auto origin = c.finder[rotation - 1], along = c.finder[rotation % 4],
                   opposite = c.finder[(rotation + 1) % 4], down = c.finder[(rotation + 2) % 4];
        for (const auto &[point, expected] :
             {std::pair{frame.At(0, 0), origin}, std::pair{frame.At(7, 0), along},
              std::pair{frame.At(7, 7), opposite}, std::pair{frame.At(0, 7), down}}) {
            EXPECT_NEAR(point.x, expected.x, 1e-9) << rotation;
            EXPECT_NEAR(point.y, expected.y, 1e-9) << rotation;
        }
    }
    // A degenerate finder gives no map and the affine grid stays.
    c.finder = {{10, 10}, {10, 10}, {10, 10}, {10, 10}};
    EXPECT_EQ(FrameOf(c, 1).warp, nullptr);
    EXPECT_FALSE(c.projective);
}

TEST(Stages, CornerAreaOutsideThePictureIsRefused) {
    const MicroSymbol s{"12", 1, 0, 0, 3, 0};
    Picture picture(zr::test::RenderMicro(s));
    // With no quiet zone the symbol's corner is the picture's: rotation 3 and
    // 4 from the finder reach past the top or left edge.
    MicroQRCandidate c;
    c.finder = FinderAt(0, 0, 3);
    EXPECT_EQ(ReadMicroFormat(picture.View(), c, 3), Outcome::kNoCorners);
    EXPECT_EQ(ReadMicroFormat(picture.View(), c, 2), Outcome::kNoCorners);
    EXPECT_EQ(ReadMicroFormat(picture.View(), c, 1), Outcome::kDecoded);
}

TEST(Stages, DataModuleOutsideThePictureFailsTheRotation) {
    const MicroSymbol s{"12345", 1, 0, 0, 3, 2};
    Picture picture(zr::test::RenderMicro(s));
    MicroQRCandidate c;
    c.finder = FinderAt(6, 6, 3);
    ASSERT_EQ(ReadMicroFormat(picture.View(), c, 1), Outcome::kDecoded);
    SetMicroGrid(picture.View(), c, 1);
    // Stretch the grid so the far modules land past the picture.
    c.u = 3.0 * c.u;
    ModuleMap map;
    PlaceMicroCodewordBits(map, c.rows, MicroDataBits(c.version, c.level));
    Codewords codewords;
    EXPECT_FALSE(SampleMicroCodewords(picture.View(), c, map, codewords));
}

}  // namespace
