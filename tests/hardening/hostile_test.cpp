// Hostile pictures and records for every reader: each ends with a status,
// leaves the caller's picture and rectangle as they were, and hands back a
// result list that is safe to read and free.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "support/readers.hpp"
#include "support/render.hpp"

namespace zr::hardening {

using namespace zr::test;  // the reader traits
namespace {

template <class Reader>
class HostileInput : public ::testing::Test {
  protected:
    using Scanner = typename Reader::Scanner;
    using Result = typename Reader::Result;

    // Scans `dib` with the record's defaults changed by `adjust`, then checks
    // the contract whatever the status.
    template <class Adjust>
    std::uint16_t ScanChecked(const std::vector<std::uint8_t> &dib, Adjust &&adjust) {
        Scanner scanner;
        EXPECT_EQ(Reader::Init(&scanner), 0);
        scanner.image = dib.data();
        adjust(scanner);
        const Scanner before = scanner;
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): compared after the scan
        const std::vector<std::uint8_t> original = dib;
        const std::uint16_t status = Reader::Scan(&scanner);
        EXPECT_TRUE(Reader::Public(status)) << Reader::kName << " returned " << status;
        EXPECT_EQ(dib, original) << "the caller's picture changed";
        EXPECT_EQ(scanner.left, before.left);
        EXPECT_EQ(scanner.top, before.top);
        EXPECT_EQ(scanner.rectWidth, before.rectWidth);
        EXPECT_EQ(scanner.rectHeight, before.rectHeight);
        const int capacity = scanner.maxResults == 0 ? 20 : scanner.maxResults;
        EXPECT_LE(scanner.resultCount, capacity);
        if (scanner.results != nullptr) {
            for (int i = 0; i < scanner.resultCount; ++i) {
                Result result;
                EXPECT_EQ(Reader::GetAt(&scanner, i, &result), 0);
            }
        }
        EXPECT_EQ(Reader::Free(&scanner), 0);
        EXPECT_EQ(Reader::Free(&scanner), 0);
        return status;
    }
    std::uint16_t ScanChecked(const std::vector<std::uint8_t> &dib) {
        return ScanChecked(dib, [](Scanner &) {});
    }
};

using Readers = EveryReader<::testing::Types>;
TYPED_TEST_SUITE(HostileInput, Readers);

void Put32(std::vector<std::uint8_t> &dib, std::size_t at, std::uint32_t value) {
    std::memcpy(dib.data() + at, &value, 4);
}

TYPED_TEST(HostileInput, LyingHeadersAreRefused) {
    const std::vector<std::uint8_t> good = test::ToDib(test::Canvas(40, 30), 8);
    struct Lie {
        std::size_t at;
        std::uint32_t value;
    };
    const Lie lies[] = {
        {0, 12},           // header size
        {4, 0},            // width 0
        {4, 0x80000000u},  // negative width
        {8, 0xFFFFFFE2u},  // top-down rows
        {4, 0x7FFFFFFFu},  // a pixel block far beyond 2^31 bytes
        {14, 4},           // 4 bits per pixel
        {14, 32},          // 32 bits per pixel
        {16, 1},           // compressed
        {20, 7},           // biSizeImage that is not height x pitch
        {32, 16},          // short palette
    };
    for (const Lie &lie : lies) {
        std::vector<std::uint8_t> dib = good;
        if (lie.at == 14) {
            const auto depth = static_cast<std::uint16_t>(lie.value);
            std::memcpy(dib.data() + 14, &depth, 2);
        } else {
            Put32(dib, lie.at, lie.value);
        }
        EXPECT_EQ(this->ScanChecked(dib), ZR_ERR_BAD_FORMAT) << "field at " << lie.at;
    }
}

TYPED_TEST(HostileInput, NullPictureAndNullRecord) {
    typename TypeParam::Scanner scanner;
    ASSERT_EQ(TypeParam::Init(&scanner), 0);
    scanner.runTime = 5;
    EXPECT_EQ(TypeParam::Scan(&scanner), ZR_ERR_NULL_DIB);
    EXPECT_EQ(scanner.runTime, 0.0);
    EXPECT_EQ(TypeParam::Scan(nullptr), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(TypeParam::Init(nullptr), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(TypeParam::Free(&scanner), 0);
}

TYPED_TEST(HostileInput, ExtremeShapes) {
    for (int depth : {1, 8, 24}) {
        EXPECT_EQ(this->ScanChecked(test::ToDib(test::Canvas(1, 1), depth)), 0);
        EXPECT_EQ(this->ScanChecked(test::ToDib(test::Canvas(1, 100000, 0), depth)), 0);
        EXPECT_EQ(this->ScanChecked(test::ToDib(test::Canvas(100000, 1, 0), depth)), 0);
        EXPECT_EQ(this->ScanChecked(test::ToDib(test::Canvas(2, 3, 0), depth)), 0);
    }
}

TYPED_TEST(HostileInput, UniformAndNoisePictures) {
    for (int depth : {1, 8, 24}) {
        this->ScanChecked(test::ToDib(test::Canvas(300, 200, 0), depth));
        this->ScanChecked(test::ToDib(test::Canvas(300, 200, 255), depth));
        this->ScanChecked(test::ToDib(test::AddNoise(test::Canvas(400, 300, 128), 127, 5), depth));
    }
    // Salt and pepper at one pixel: every row and column a run of single pixels.
    test::Raster checker = test::Canvas(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) checker.at(x, y) = ((x + y) & 1) ? 0 : 255;
    this->ScanChecked(test::ToDib(checker, 1));
}

TYPED_TEST(HostileInput, RectanglesBeyondThePicture) {
    const std::vector<std::uint8_t> dib = test::ToDib(test::AddNoise(test::Canvas(200, 150, 200), 60, 9), 8);
    using ReaderScanner = typename TypeParam::Scanner;  // the fixture has a Scanner of its own
    const std::uint32_t far = 0xFFFFFFF0u;
    this->ScanChecked(dib, [](ReaderScanner &s) { s.left = 5000; });
    this->ScanChecked(dib, [](ReaderScanner &s) { s.top = 5000; });
    this->ScanChecked(dib, [far](ReaderScanner &s) {
        s.left = far;
        s.top = far;
        s.rectWidth = far;
        s.rectHeight = far;
    });
    this->ScanChecked(dib, [](ReaderScanner &s) {
        s.left = 199;
        s.top = 149;
        s.rectWidth = 1;
        s.rectHeight = 1;
    });
    this->ScanChecked(dib, [](ReaderScanner &s) {
        s.left = 150;
        s.rectWidth = 0xFFFFFFFFu;
    });
    this->ScanChecked(dib, [](ReaderScanner &s) { s.maxResults = 255; });
    this->ScanChecked(dib, [](ReaderScanner &s) { s.maxResults = 1; });
}

}  // namespace
}  // namespace zr::hardening
