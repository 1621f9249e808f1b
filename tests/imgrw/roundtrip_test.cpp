// Writing records of every depth in every format and reading them back.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "imgrw_test_util.hpp"

namespace imgrw_test {
namespace {

enum class Format { kBmp, kPng, kJpg, kTif };

const char *Extension(Format f) {
    switch (f) {
        case Format::kBmp:
            return "bmp";
        case Format::kPng:
            return "png";
        case Format::kJpg:
            return "jpg";
        default:
            return "tif";
    }
}

std::uint16_t Write(Format f, const ZrImage *image, const std::string &path) {
    switch (f) {
        case Format::kBmp:
            return ZrWriteBMP(image, path.c_str());
        case Format::kPng:
            return ZrWritePNG(image, path.c_str());
        case Format::kJpg:
            return ZrWriteJPG(image, path.c_str());
        default:
            return ZrWriteTIF(image, path.c_str(), 0);
    }
}

std::uint16_t Read(Format f, ZrImage *image, const std::string &path) {
    switch (f) {
        case Format::kBmp:
            return ZrReadBMP(image, path.c_str());
        case Format::kPng:
            return ZrReadPNG(image, path.c_str());
        case Format::kJpg:
            return ZrReadJPG(image, path.c_str());
        default:
            return ZrReadTIF(image, path.c_str(), 0);
    }
}

using Case = std::tuple<Format, int, int>;  // format, bits per pixel, polarity

class RoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(RoundTrip, PicturesResolutionAndLayoutSurvive) {
    const auto [format, bpp, polarity] = GetParam();
    const std::string path = TempFile(std::string("rt_") + std::to_string(bpp) + "_" +
                                      std::to_string(polarity) + "." + Extension(format));
    Image source;
    Create(&source, 37, 23, static_cast<std::uint16_t>(bpp), static_cast<std::uint16_t>(polarity), 300);
    source->yDpi = 150;
    Paint(&source);

    const Snapshot before(source.rec);
    ASSERT_EQ(Write(format, &source.rec, path), 0);
    EXPECT_TRUE(before.Same(source.rec)) << "a write changed the record";

    Image back;
    ASSERT_EQ(Read(format, &back.rec, path), 0);
    EXPECT_EQ(back->xDpi, 300u);
    EXPECT_EQ(back->yDpi, 150u);
    const bool lossy = format == Format::kJpg;
    EXPECT_EQ(back->bitsPerPixel, lossy && bpp == 1 ? 8 : bpp);
    // PNG's 1-bit grey always has 0 black; the other formats keep the bit values.
    if (back->bitsPerPixel == 1) {
        EXPECT_EQ(back->polarity, format == Format::kPng ? 1 : polarity);
    }
    if (lossy) {
        double mean = 0;
        EXPECT_LE(MaxDifference(source.rec, back.rec, &mean), 24);
        EXPECT_LT(mean, 2.0);
    } else {
        EXPECT_EQ(MaxDifference(source.rec, back.rec), 0);
    }

    // The block is laid out as a freshly created record of the same shape.
    Image fresh;
    Create(&fresh, back->width, back->height, back->bitsPerPixel, back->polarity, 0);
    EXPECT_EQ(back->pitch, fresh->pitch);
    EXPECT_EQ(back->size, fresh->size);
    const std::size_t headAndPalette =
        static_cast<const std::uint8_t *>(fresh->bits) - static_cast<const std::uint8_t *>(fresh->dib);
    EXPECT_EQ(static_cast<const std::uint8_t *>(back->bits) - static_cast<const std::uint8_t *>(back->dib),
              static_cast<std::ptrdiff_t>(headAndPalette));
    // Offsets 24..31 hold the resolution, which differs on purpose.
    EXPECT_EQ(std::memcmp(back->dib, fresh->dib, 24), 0);
    EXPECT_EQ(std::memcmp(static_cast<std::uint8_t *>(back->dib) + 32,
                          static_cast<std::uint8_t *>(fresh->dib) + 32, headAndPalette - 32),
              0);
    if (!lossy && back->polarity == source->polarity) {
        EXPECT_EQ(std::memcmp(back->bits, source->bits, source->size), 0);
    }
}

std::string CaseName(const ::testing::TestParamInfo<Case> &info) {
    const auto [format, bpp, polarity] = info.param;
    return std::string(Extension(format)) + "_" + std::to_string(bpp) + "bit" +
           (bpp == 1 ? "_polarity" + std::to_string(polarity) : "");
}

std::vector<Case> AllCases() {
    std::vector<Case> cases;
    for (Format f : {Format::kBmp, Format::kPng, Format::kJpg, Format::kTif}) {
        for (const auto &[bpp, polarity] :
             {std::pair{1, 0}, std::pair{1, 1}, std::pair{8, 0}, std::pair{24, 0}})
            cases.emplace_back(f, bpp, polarity);
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RoundTrip, ::testing::ValuesIn(AllCases()), CaseName);

TEST(RoundTrip, NoResolutionStaysZero) {
    for (Format f : {Format::kBmp, Format::kPng, Format::kJpg, Format::kTif}) {
        const std::string path = TempFile(std::string("nodpi.") + Extension(f));
        Image source, back;
        Create(&source, 9, 4, 8);
        ASSERT_EQ(Write(f, &source.rec, path), 0);
        back->xDpi = back->yDpi = 77;
        ASSERT_EQ(Read(f, &back.rec, path), 0) << Extension(f);
        EXPECT_EQ(back->xDpi, 0u) << Extension(f);
        EXPECT_EQ(back->yDpi, 0u) << Extension(f);
    }
}

// 300 dpi as each file format stores it.
TEST(RoundTrip, ResolutionFieldsInTheFiles) {
    Image source;
    Create(&source, 8, 8, 24, 0, 300);
    auto be16 = [](const std::vector<std::uint8_t> &b, std::size_t i) { return b[i] << 8 | b[i + 1]; };
    auto be32 = [&](const std::vector<std::uint8_t> &b, std::size_t i) {
        return be16(b, i) << 16 | be16(b, i + 2);
    };

    const std::string bmp = TempFile("dpi.bmp");
    ASSERT_EQ(ZrWriteBMP(&source.rec, bmp.c_str()), 0);
    const auto b = FileBytes(bmp);
    ASSERT_GT(b.size(), 46u);
    EXPECT_EQ(b[38] | b[39] << 8 | b[40] << 16, 11811);
    EXPECT_EQ(b[42] | b[43] << 8 | b[44] << 16, 11811);

    const std::string png = TempFile("dpi.png");
    ASSERT_EQ(ZrWritePNG(&source.rec, png.c_str()), 0);
    const auto p = FileBytes(png);
    const std::string text(p.begin(), p.end());
    const std::size_t phys = text.find("pHYs");
    ASSERT_NE(phys, std::string::npos);
    EXPECT_EQ(be32(p, phys + 4), 11811);
    EXPECT_EQ(be32(p, phys + 8), 11811);
    EXPECT_EQ(p[phys + 12], 1);  // per metre

    const std::string jpg = TempFile("dpi.jpg");
    ASSERT_EQ(ZrWriteJPG(&source.rec, jpg.c_str()), 0);
    const auto j = FileBytes(jpg);
    ASSERT_GT(j.size(), 18u);
    ASSERT_EQ(std::string(j.begin() + 6, j.begin() + 10), "JFIF");
    EXPECT_EQ(j[13], 1);  // dots per inch
    EXPECT_EQ(be16(j, 14), 300);
    EXPECT_EQ(be16(j, 16), 300);

    const std::string tif = TempFile("dpi.tif");
    ASSERT_EQ(ZrWriteTIF(&source.rec, tif.c_str(), 0), 0);
    TIFF *t = TIFFOpen(tif.c_str(), "r");
    ASSERT_NE(t, nullptr);
    float x = 0, y = 0;
    std::uint16_t unit = 0;
    EXPECT_TRUE(TIFFGetField(t, TIFFTAG_XRESOLUTION, &x));
    EXPECT_TRUE(TIFFGetField(t, TIFFTAG_YRESOLUTION, &y));
    EXPECT_TRUE(TIFFGetField(t, TIFFTAG_RESOLUTIONUNIT, &unit));
    TIFFClose(t);
    EXPECT_EQ(x, 300.0f);
    EXPECT_EQ(y, 300.0f);
    EXPECT_EQ(unit, RESUNIT_INCH);
}

}  // namespace
}  // namespace imgrw_test
