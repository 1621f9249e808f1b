// The linear reader's call frame: the search rectangle, bad calls, unreadable
// pictures, empty pictures and scanners on several threads.
#include <gtest/gtest.h>

#include <thread>

#include "reader_test_util.hpp"

namespace zr::bar::test {
namespace {

TEST(ZrBarFrame, TheRectangleLimitsTheSearchAndIsPutBack) {
    const std::vector<std::uint8_t> dib = zr::test::ToDib(TwoSymbols(), 8);
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = dib.data();
    scanner.left = 450;
    scanner.top = 0;
    scanner.rectWidth = 0;  // to the right edge
    scanner.rectHeight = 5000;
    ASSERT_EQ(ZrScanBar(&scanner), 0);
    ASSERT_EQ(scanner.resultCount, 1);
    EXPECT_STREQ(scanner.results[0].text, "RIGHT");
    EXPECT_GE(scanner.results[0].corners[0], 450);
    EXPECT_EQ(scanner.left, 450u);
    EXPECT_EQ(scanner.rectWidth, 0u);
    EXPECT_EQ(scanner.rectHeight, 5000u);

    scanner.left = 5000;                // beyond the picture: searched from column 0
    ASSERT_EQ(ZrScanBar(&scanner), 0);  // the previous list is freed by the scan itself
    EXPECT_EQ(scanner.resultCount, 2);
    EXPECT_EQ(scanner.left, 5000u);
    ZrFreeBarScanner(&scanner);
}

TEST(ZrBarFrame, BadCallsGiveStatusCodes) {
    EXPECT_EQ(ZrBarGetVersion(), 0x20046u);
    EXPECT_EQ(ZrInitBarScanner(nullptr), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(ZrScanBar(nullptr), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(ZrFreeBarScanner(nullptr), ZR_ERR_BAD_ARGUMENT);

    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    EXPECT_EQ(scanner.maxResults, 20);
    EXPECT_EQ(scanner.barColors, 3);
    EXPECT_EQ(scanner.directions, 15);
    EXPECT_EQ(scanner.extraFlags, 0);
    EXPECT_EQ(scanner.symbologies, 0x1FF1FFu);
    scanner.resultCount = 7;
    scanner.runTime = 3;
    EXPECT_EQ(ZrScanBar(&scanner), ZR_ERR_NULL_DIB);  // image null
    EXPECT_EQ(scanner.resultCount, 7);
    EXPECT_EQ(scanner.results, nullptr);
    EXPECT_EQ(scanner.runTime, 0.0);

    Code39 c;
    const std::vector<std::uint8_t> dib = zr::test::ToDib(OnCanvas(RenderCode39(c)), 8);
    scanner.image = dib.data();
    ASSERT_EQ(ZrScanBar(&scanner), 0);
    ASSERT_EQ(scanner.resultCount, 1);
    ZrBarResult untouched;
    std::memset(&untouched, 0xA5, sizeof untouched);
    ZrBarResult copy = untouched;
    EXPECT_EQ(GetBarcodeAt(&scanner, -1, &copy), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(GetBarcodeAt(&scanner, 1, &copy), ZR_ERR_BAD_ARGUMENT);
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): every byte unchanged
    EXPECT_EQ(std::memcmp(&copy, &untouched, sizeof copy), 0);
    EXPECT_EQ(GetBarcodeAt(&scanner, 0, nullptr), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(GetBarcodeAt(&scanner, 0, &copy), 0);
    EXPECT_STREQ(copy.text, "CODE39");
    EXPECT_EQ(ZrFreeBarScanner(&scanner), 0);
    EXPECT_EQ(ZrFreeBarScanner(&scanner), 0);
    EXPECT_EQ(scanner.results, nullptr);
    EXPECT_EQ(scanner.resultCount, 1);  // left as it was
}

TEST(ZrBarFrame, UnreadableDibsAreRefused) {
    Code39 c;
    std::vector<std::uint8_t> dib = zr::test::ToDib(OnCanvas(RenderCode39(c)), 8);
    const std::vector<std::uint8_t> original = dib;
    dib[14] = 32;  // 32 bits per pixel
    EXPECT_EQ(Read(dib).status, ZR_ERR_BAD_FORMAT);
    dib = original;
    dib[16] = 1;  // compressed
    EXPECT_EQ(Read(dib).status, ZR_ERR_BAD_FORMAT);
}

TEST(ZrBarFrame, NothingToReadIsSuccessWithNoResults) {
    const Scan blank = Read(zr::test::Canvas(300, 200), 8);
    EXPECT_EQ(blank.status, 0);
    EXPECT_TRUE(blank.results.empty());
    const Scan noise = Read(zr::test::AddNoise(zr::test::Canvas(400, 300, 128), 127, 11), 8);
    EXPECT_EQ(noise.status, 0);
    EXPECT_TRUE(noise.results.empty()) << Texts(noise);
    const Scan tiny = Read(zr::test::Canvas(1, 1), 1);
    EXPECT_EQ(tiny.status, 0);
}

TEST(ZrBarFrame, SeparateScannersRunOnSeveralThreadsAtOnce) {
    // The reader keeps no state between calls, so scanners of different
    // threads do not disturb each other.
    const char *texts[] = {"THREAD-1", "THREAD-22", "THREAD-333"};
    std::vector<std::vector<std::uint8_t>> dibs;
    for (const char *text : texts) {
        Code39 c;
        c.text = text;
        dibs.push_back(zr::test::ToDib(zr::test::Rotate(OnCanvas(RenderCode39(c)), 10, true), 8));
    }
    std::vector<int> correct(3, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 15; ++i) {
                const Scan scan = Read(dibs[t]);
                if (scan.results.size() == 1 && std::string(scan.results[0].text) == texts[t]) ++correct[t];
            }
        });
    }
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(correct, std::vector<int>(3, 15));
}

}  // namespace
}  // namespace zr::bar::test
