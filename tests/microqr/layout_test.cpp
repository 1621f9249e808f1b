// The Micro QR records are shared with separately built programs: their field
// order and types are part of the interface.
#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

#include "zr/ZrMicroQR.h"

namespace {

template <typename Field, typename Expected>
constexpr bool kIs = std::is_same_v<Field, Expected>;

TEST(MicroQRLayout, ScannerFieldsInOrder) {
    const std::size_t offsets[] = {
        offsetof(ZrMicroQRScanner, image),      offsetof(ZrMicroQRScanner, left),
        offsetof(ZrMicroQRScanner, top),        offsetof(ZrMicroQRScanner, rectWidth),
        offsetof(ZrMicroQRScanner, rectHeight), offsetof(ZrMicroQRScanner, resultCount),
        offsetof(ZrMicroQRScanner, results),    offsetof(ZrMicroQRScanner, maxResults),
        offsetof(ZrMicroQRScanner, scanFlags),  offsetof(ZrMicroQRScanner, runTime)};
    for (std::size_t i = 1; i < std::size(offsets); ++i) EXPECT_LT(offsets[i - 1], offsets[i]) << i;
    static_assert(kIs<decltype(ZrMicroQRScanner::left), std::uint32_t> &&
                  kIs<decltype(ZrMicroQRScanner::resultCount), std::uint8_t> &&
                  kIs<decltype(ZrMicroQRScanner::results), MicroQRResult *> &&
                  kIs<decltype(ZrMicroQRScanner::maxResults), std::uint8_t> &&
                  kIs<decltype(ZrMicroQRScanner::scanFlags), std::uint8_t> &&
                  kIs<decltype(ZrMicroQRScanner::runTime), double>);
    static_assert(std::is_standard_layout_v<ZrMicroQRScanner> && std::is_trivial_v<ZrMicroQRScanner>);
}

TEST(MicroQRLayout, ResultFieldsInOrder) {
    const std::size_t offsets[] = {offsetof(MicroQRResult, corners),    offsetof(MicroQRResult, version),
                                   offsetof(MicroQRResult, barsColour), offsetof(MicroQRResult, confidence),
                                   offsetof(MicroQRResult, length),     offsetof(MicroQRResult, text)};
    for (std::size_t i = 1; i < std::size(offsets); ++i) EXPECT_LT(offsets[i - 1], offsets[i]) << i;
    static_assert(kIs<decltype(MicroQRResult::corners), std::int32_t[8]> &&
                  kIs<decltype(MicroQRResult::version), std::uint8_t> &&
                  kIs<decltype(MicroQRResult::barsColour), std::uint8_t> &&
                  kIs<decltype(MicroQRResult::confidence), std::uint16_t> &&
                  kIs<decltype(MicroQRResult::length), std::uint16_t> &&
                  kIs<decltype(MicroQRResult::text), std::uint8_t[38]>);
    static_assert(std::is_standard_layout_v<MicroQRResult> && std::is_trivial_v<MicroQRResult>);
}

}  // namespace
