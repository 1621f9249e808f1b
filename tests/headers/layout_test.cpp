// The public records are shared between separately built libraries and programs, so their field
// order and field types are part of the interface.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "zr/ZrBar.h"
#include "zr/ZrDM.h"
#include "zr/ZrImage.h"
#include "zr/ZrPDF417.h"

namespace {

// True when the offsets grow strictly, i.e. the fields lie in the listed order.
bool InOrder(const std::vector<std::size_t> &offsets, std::size_t recordSize) {
    for (std::size_t i = 1; i < offsets.size(); ++i) {
        if (offsets[i] <= offsets[i - 1]) return false;
    }
    return offsets.front() == 0 && offsets.back() < recordSize;
}

template <typename Field, typename Expected>
constexpr bool kIs = std::is_same_v<Field, Expected>;

TEST(RecordLayout, ZrImageFieldsInOrder) {
    EXPECT_TRUE(InOrder({offsetof(ZrImage, width), offsetof(ZrImage, height), offsetof(ZrImage, bitsPerPixel),
                         offsetof(ZrImage, pitch), offsetof(ZrImage, size), offsetof(ZrImage, dib),
                         offsetof(ZrImage, bits), offsetof(ZrImage, xDpi), offsetof(ZrImage, yDpi),
                         offsetof(ZrImage, reserved), offsetof(ZrImage, polarity)},
                        sizeof(ZrImage)));
    static_assert(kIs<decltype(ZrImage::width), std::uint32_t> &&
                  kIs<decltype(ZrImage::height), std::uint32_t>);
    static_assert(kIs<decltype(ZrImage::bitsPerPixel), std::uint16_t>);
    static_assert(kIs<decltype(ZrImage::pitch), std::int32_t> && kIs<decltype(ZrImage::size), std::uint32_t>);
    static_assert(std::is_pointer_v<decltype(ZrImage::dib)> && std::is_pointer_v<decltype(ZrImage::bits)>);
    static_assert(kIs<decltype(ZrImage::xDpi), std::uint32_t> && kIs<decltype(ZrImage::yDpi), std::uint32_t>);
    static_assert(sizeof(ZrImage::reserved) == 4 && kIs<decltype(ZrImage::polarity), std::uint16_t>);
    static_assert(std::is_standard_layout_v<ZrImage> && std::is_trivial_v<ZrImage>);
}

TEST(RecordLayout, ZrBarScannerFieldsInOrder) {
    EXPECT_TRUE(
        InOrder({offsetof(ZrBarScanner, image), offsetof(ZrBarScanner, left), offsetof(ZrBarScanner, top),
                 offsetof(ZrBarScanner, rectWidth), offsetof(ZrBarScanner, rectHeight),
                 offsetof(ZrBarScanner, resultCount), offsetof(ZrBarScanner, results),
                 offsetof(ZrBarScanner, maxResults), offsetof(ZrBarScanner, barColors),
                 offsetof(ZrBarScanner, directions), offsetof(ZrBarScanner, extraFlags),
                 offsetof(ZrBarScanner, symbologies), offsetof(ZrBarScanner, runTime)},
                sizeof(ZrBarScanner)));
    static_assert(std::is_pointer_v<decltype(ZrBarScanner::image)>);
    static_assert(kIs<decltype(ZrBarScanner::results), ZrBarResult *>);
    static_assert(kIs<decltype(ZrBarScanner::runTime), double>);
    static_assert(std::is_standard_layout_v<ZrBarScanner> && std::is_trivial_v<ZrBarScanner>);
}

TEST(RecordLayout, ZrBarResultFieldsInOrder) {
    EXPECT_TRUE(InOrder(
        {offsetof(ZrBarResult, corners), offsetof(ZrBarResult, type), offsetof(ZrBarResult, angle),
         offsetof(ZrBarResult, barColor), offsetof(ZrBarResult, checksum), offsetof(ZrBarResult, text)},
        sizeof(ZrBarResult)));
    static_assert(std::extent_v<decltype(ZrBarResult::corners)> == 8);
    static_assert(kIs<decltype(ZrBarResult::text), char[86]>);
    static_assert(kIs<decltype(ZrBarResult::angle), double>);
    EXPECT_GE(sizeof(ZrBarResult), offsetof(ZrBarResult, text) + 86);
    static_assert(std::is_standard_layout_v<ZrBarResult> && std::is_trivial_v<ZrBarResult>);
}

TEST(RecordLayout, ZrPDF417ScannerFieldsInOrder) {
    EXPECT_TRUE(InOrder(
        {offsetof(ZrPDF417Scanner, image), offsetof(ZrPDF417Scanner, left), offsetof(ZrPDF417Scanner, top),
         offsetof(ZrPDF417Scanner, rectWidth), offsetof(ZrPDF417Scanner, rectHeight),
         offsetof(ZrPDF417Scanner, resultCount), offsetof(ZrPDF417Scanner, results),
         offsetof(ZrPDF417Scanner, maxResults), offsetof(ZrPDF417Scanner, barColors),
         offsetof(ZrPDF417Scanner, directions), offsetof(ZrPDF417Scanner, runTime)},
        sizeof(ZrPDF417Scanner)));
    static_assert(kIs<decltype(ZrPDF417Scanner::results), ZrPDF417Result *>);
    static_assert(kIs<decltype(ZrPDF417Scanner::maxResults), std::uint8_t> &&
                  kIs<decltype(ZrPDF417Scanner::barColors), std::uint8_t> &&
                  kIs<decltype(ZrPDF417Scanner::directions), std::uint8_t>);
    static_assert(kIs<decltype(ZrPDF417Scanner::runTime), double>);
    static_assert(std::is_standard_layout_v<ZrPDF417Scanner> && std::is_trivial_v<ZrPDF417Scanner>);
}

TEST(RecordLayout, ZrPDF417ResultFieldsInOrder) {
    EXPECT_TRUE(InOrder({offsetof(ZrPDF417Result, corners), offsetof(ZrPDF417Result, angle),
                         offsetof(ZrPDF417Result, barColor), offsetof(ZrPDF417Result, ecLevel),
                         offsetof(ZrPDF417Result, confidence), offsetof(ZrPDF417Result, rows),
                         offsetof(ZrPDF417Result, columns), offsetof(ZrPDF417Result, text)},
                        sizeof(ZrPDF417Result)));
    static_assert(kIs<decltype(ZrPDF417Result::corners), std::int32_t[8]>);
    static_assert(kIs<decltype(ZrPDF417Result::angle), double>);
    static_assert(kIs<decltype(ZrPDF417Result::barColor), std::uint8_t> &&
                  kIs<decltype(ZrPDF417Result::ecLevel), std::uint8_t>);
    static_assert(kIs<decltype(ZrPDF417Result::confidence), std::int16_t> &&
                  kIs<decltype(ZrPDF417Result::rows), std::int16_t> &&
                  kIs<decltype(ZrPDF417Result::columns), std::int16_t>);
    static_assert(kIs<decltype(ZrPDF417Result::text), char[1024]>);
    static_assert(std::is_standard_layout_v<ZrPDF417Result> && std::is_trivial_v<ZrPDF417Result>);
}

TEST(RecordLayout, ZrDMRecordsInOrder) {
    EXPECT_TRUE(InOrder(
        {offsetof(ZrDMScanner, image), offsetof(ZrDMScanner, left), offsetof(ZrDMScanner, top),
         offsetof(ZrDMScanner, rectWidth), offsetof(ZrDMScanner, rectHeight),
         offsetof(ZrDMScanner, resultCount), offsetof(ZrDMScanner, results),
         offsetof(ZrDMScanner, maxResults), offsetof(ZrDMScanner, scanFlags), offsetof(ZrDMScanner, runTime)},
        sizeof(ZrDMScanner)));
    static_assert(kIs<decltype(ZrDMScanner::results), DMResult *>);
    static_assert(kIs<decltype(ZrDMScanner::scanFlags), std::uint8_t>);
    static_assert(kIs<decltype(ZrDMScanner::runTime), double>);
    EXPECT_TRUE(InOrder({offsetof(DMResult, corners), offsetof(DMResult, rows), offsetof(DMResult, columns),
                         offsetof(DMResult, barsColour), offsetof(DMResult, text)},
                        sizeof(DMResult)));
    static_assert(kIs<decltype(DMResult::corners), std::int32_t[8]>);
    static_assert(kIs<decltype(DMResult::rows), std::int16_t>);
    static_assert(kIs<decltype(DMResult::text), char[3119]>);
    static_assert(std::is_standard_layout_v<DMResult> && std::is_trivial_v<DMResult>);
}

}  // namespace
