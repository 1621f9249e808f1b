// The call frame shared by the readers, instantiated with a scanner record
// of the two-dimensional readers' shape.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "core/call_frame.hpp"

namespace {

struct FakeResult {
    int value;
};

struct FakeScanner {
    const void *image;
    std::uint32_t left, top, rectWidth, rectHeight;
    std::uint8_t resultCount;
    FakeResult *results;
    std::uint8_t maxResults;
    std::uint8_t scanFlags;
    double runTime;
};

std::vector<std::uint8_t> GreyDib(int width, int height) {
    ZrImage image{};
    image.width = static_cast<std::uint32_t>(width);
    image.height = static_cast<std::uint32_t>(height);
    image.bitsPerPixel = 8;
    EXPECT_EQ(zr::ImageCreate(&image), 0);
    const auto *block = static_cast<const std::uint8_t *>(image.dib);
    std::vector<std::uint8_t> dib(block, block + zr::ImageDibSize(&image));
    zr::ImageDestroy(&image);
    return dib;
}

TEST(CallFrame, ClampInPlaceSearchesTheClampedRectangleAndPutsTheCallersBack) {
    const std::vector<std::uint8_t> dib = GreyDib(1000, 400);
    FakeScanner scanner{};
    zr::InitScannerHead(&scanner);
    scanner.image = dib.data();
    scanner.left = 5000;
    scanner.top = 100;
    scanner.rectWidth = 0;
    scanner.rectHeight = 900;
    std::uint32_t seen[4] = {};
    auto search = [&](ZrImage &work) {
        EXPECT_EQ(work.bitsPerPixel, 1);
        seen[0] = scanner.left;
        seen[1] = scanner.top;
        seen[2] = scanner.rectWidth;
        seen[3] = scanner.rectHeight;
        scanner.results[0].value = 7;
        scanner.resultCount = 1;
        return std::uint16_t{0};
    };
    ASSERT_EQ(zr::RunScanFrame<zr::RectangleRule::ClampInPlace>(&scanner, zr::LoadBiLevel, search), 0);
    EXPECT_EQ(seen[0], 0u);
    EXPECT_EQ(seen[1], 100u);
    EXPECT_EQ(seen[2], 1000u);
    EXPECT_EQ(seen[3], 300u);
    EXPECT_EQ(scanner.left, 5000u);
    EXPECT_EQ(scanner.rectHeight, 900u);
    EXPECT_GE(scanner.runTime, 0.0);

    FakeResult copy{-1};
    EXPECT_EQ(zr::GetResultAt(&scanner, 0, &copy), 0);
    EXPECT_EQ(copy.value, 7);
    EXPECT_EQ(zr::GetResultAt(&scanner, 1, &copy), ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(zr::FreeResults(&scanner), 0);
    EXPECT_EQ(zr::FreeResults(&scanner), 0);
}

TEST(CallFrame, CornersRuleLeavesTheScannerAlone) {
    FakeScanner scanner{};
    scanner.left = 10;
    scanner.top = 2000;
    scanner.rectWidth = 50;
    scanner.rectHeight = 10;
    zr::SearchCorners c = zr::SearchCornersOf(&scanner, 100, 80);
    EXPECT_EQ(c.x0, 10u);
    EXPECT_EQ(c.x1, 60u);
    EXPECT_EQ(c.y0, 0u);     // top beyond the picture
    EXPECT_EQ(c.y1, 79u);    // 2000 + 10 is beyond it too
    scanner.rectWidth = 95;  // 10 + 95 > 100: to the last column
    EXPECT_EQ(zr::SearchCornersOf(&scanner, 100, 80).x1, 99u);
    scanner.rectWidth = 0;
    EXPECT_EQ(zr::SearchCornersOf(&scanner, 100, 80).x1, 99u);
    EXPECT_EQ(scanner.top, 2000u);
}

TEST(CallFrame, FailuresBeforeTheSearchKeepTheResultList) {
    FakeScanner scanner{};
    zr::InitScannerHead(&scanner);
    EXPECT_EQ(scanner.maxResults, 20);
    scanner.resultCount = 3;
    scanner.runTime = 9;
    bool searched = false;
    auto search = [&](ZrImage &) {
        searched = true;
        return std::uint16_t{0};
    };
    EXPECT_EQ(zr::RunScanFrame<zr::RectangleRule::Corners>(&scanner, zr::LoadBiLevel, search),
              ZR_ERR_NULL_DIB);
    EXPECT_EQ(scanner.runTime, 0.0);
    EXPECT_EQ(scanner.resultCount, 3);
    EXPECT_FALSE(searched);

    std::vector<std::uint8_t> dib = GreyDib(8, 8);
    dib[14] = 16;  // 16 bits per pixel
    scanner.image = dib.data();
    EXPECT_EQ(zr::RunScanFrame<zr::RectangleRule::Corners>(&scanner, zr::LoadBiLevel, search),
              ZR_ERR_BAD_FORMAT);
    EXPECT_FALSE(searched);
    FakeScanner *none = nullptr;
    EXPECT_EQ(zr::RunScanFrame<zr::RectangleRule::Corners>(none, zr::LoadBiLevel, search),
              ZR_ERR_BAD_ARGUMENT);
    EXPECT_EQ(zr::InitScannerHead(none), ZR_ERR_BAD_ARGUMENT);
}

TEST(CallFrame, TheResultListIsReplacedAndZeroFilled) {
    const std::vector<std::uint8_t> dib = GreyDib(16, 16);
    FakeScanner scanner{};
    zr::InitScannerHead(&scanner);
    scanner.image = dib.data();
    scanner.maxResults = 0;  // means 20
    auto fill = [&](ZrImage &) {
        for (int i = 0; i < scanner.maxResults; ++i) EXPECT_EQ(scanner.results[i].value, 0);
        scanner.results[0].value = 1;
        scanner.resultCount = 1;
        return std::uint16_t{0};
    };
    ASSERT_EQ(zr::RunScanFrame<zr::RectangleRule::Corners>(&scanner, zr::LoadBiLevel, fill), 0);
    EXPECT_EQ(scanner.maxResults, 20);
    // A second scan without freeing frees the first list itself (no leak under the sanitizers).
    ASSERT_EQ(zr::RunScanFrame<zr::RectangleRule::Corners>(&scanner, zr::LoadBiLevel, fill), 0);
    zr::FreeResults(&scanner);
}

// A scan's run time is its own thread's: a busy thread beside a scan that
// only waits adds nothing to it.
TEST(CallFrame, RunTimeLeavesOutOtherThreadsWork) {
    std::atomic<bool> stop{false};
    std::thread busy([&stop] {
        volatile unsigned long spins = 0;
        while (!stop.load(std::memory_order_relaxed)) spins = spins + 1;
    });
    const std::vector<std::uint8_t> dib = GreyDib(8, 8);
    FakeScanner scanner{};
    scanner.image = dib.data();
    const std::uint16_t status = zr::RunScanFrame<zr::RectangleRule::Corners>(
        &scanner, zr::LoadBiLevel, [](ZrImage &) -> std::uint16_t {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return ZR_OK;
        });
    stop = true;
    busy.join();
    EXPECT_EQ(status, ZR_OK);
    EXPECT_GE(scanner.runTime, 0.0);
    EXPECT_LT(scanner.runTime, 0.1);
    zr::FreeResults(&scanner);
}

}  // namespace
