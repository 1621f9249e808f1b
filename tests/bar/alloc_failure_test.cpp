// Allocation failure inside a scan: the Nth allocation of one ZrScanBar call
// fails, for N = 1, 2, ... until a scan runs without meeting a failure. Every
// scan must return 10 or succeed, leave a consistent result list, put the
// caller's rectangle back, leave the caller's picture alone and leak nothing.
// The allocators are replaced by the injector linked into this binary.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "alloc/alloc_injector.hpp"
#include "reader_test_util.hpp"

namespace zr::bar::test {
namespace {

using zr::test::Injector;
using zr::test::injector;

struct Outcome {
    std::uint16_t status = 0;
    int results = 0;
    bool failed = false;  // the injected failure was met
};

// One scan with the Nth allocation failing (0: none), checked for a
// consistent record; the allocations of the scan are counted into `count`.
Outcome ScanFailingAt(const std::vector<std::uint8_t> &dib, std::uint8_t extraFlags, long failAt,
                      long &count) {
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): compared after the scan
    const std::vector<std::uint8_t> original = dib;
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = dib.data();
    scanner.extraFlags = extraFlags;
    scanner.left = 3;
    scanner.rectWidth = 100000;  // clamped during the scan, put back afterwards

    injector = Injector{};
    injector.failAt = failAt;
    injector.armed = true;
    Outcome outcome;
    outcome.status = ZrScanBar(&scanner);
    outcome.failed = injector.failed;
    count = injector.count;
    injector.armed = false;  // reading the results below must not be counted

    EXPECT_TRUE(outcome.status == ZR_OK || outcome.status == ZR_ERR_NO_MEMORY) << outcome.status;
    if (outcome.failed) {
        EXPECT_EQ(outcome.status, ZR_ERR_NO_MEMORY);
    }
    EXPECT_LE(scanner.resultCount, scanner.maxResults);
    if (scanner.results == nullptr) {
        EXPECT_TRUE(outcome.failed);
    } else {
        for (int i = 0; i < scanner.resultCount; ++i) {
            const ZrBarResult &r = scanner.results[i];
            EXPECT_NE(std::memchr(r.text, '\0', sizeof r.text), nullptr);
            EXPECT_EQ(r.type, ZR_BAR_CODE39);
        }
        // Records past the count are still the zero-filled ones.
        for (int i = scanner.resultCount; i < scanner.maxResults; ++i) EXPECT_EQ(scanner.results[i].type, 0u);
        outcome.results = scanner.resultCount;
    }
    EXPECT_EQ(scanner.left, 3u);
    EXPECT_EQ(scanner.rectWidth, 100000u);
    EXPECT_EQ(dib, original);

    injector.armed = true;
    ZrFreeBarScanner(&scanner);
    injector.armed = false;
    EXPECT_EQ(injector.live, 0) << "allocations not freed";
    return outcome;
}

// Fails each allocation of a scan in turn; returns the number of allocations
// a scan makes. `expected` results are read when nothing fails.
long FailEachAllocation(const std::vector<std::uint8_t> &dib, std::uint8_t extraFlags, int expected) {
    long count = 0;
    const Outcome clean = ScanFailingAt(dib, extraFlags, 0, count);
    EXPECT_EQ(clean.status, ZR_OK);
    EXPECT_EQ(clean.results, expected);
    long failures = 0;
    for (long n = 1;; ++n) {
        long seen = 0;
        SCOPED_TRACE("allocation " + std::to_string(n));
        const Outcome outcome = ScanFailingAt(dib, extraFlags, n, seen);
        if (!outcome.failed) {
            // Past the last allocation: the scan is the clean one again.
            EXPECT_EQ(outcome.status, ZR_OK);
            EXPECT_EQ(outcome.results, expected);
            break;
        }
        ++failures;
        if (::testing::Test::HasFailure() || n > 100000) break;
    }
    EXPECT_EQ(failures, count);
    return count;
}

std::vector<std::uint8_t> TwoSymbolDib(int bitsPerPixel) {
    return zr::test::ToDib(TwoSymbols(), bitsPerPixel);
}

TEST(ZrBarAllocationFailure, EveryAllocationOfANormalScanMayFail) {
    const long count = FailEachAllocation(TwoSymbolDib(8), 0, 2);
    std::cout << "normal scan of an 8-bit picture with two symbols: " << count << " allocations\n";
    EXPECT_GT(count, 3);
}

TEST(ZrBarAllocationFailure, EveryAllocationOfAThoroughScanOfAColourPictureMayFail) {
    const long count = FailEachAllocation(TwoSymbolDib(24), ZR_BAR_THOROUGH | ZR_BAR_REPORT_UNREAD, 2);
    std::cout << "thorough scan of a 24-bit picture with two symbols: " << count << " allocations\n";
    EXPECT_GT(count, 3);
}

}  // namespace
}  // namespace zr::bar::test
