// Every reader with each allocation of one scan failing in turn: the scan
// returns 10 (or succeeds when the failure was not met), hands back a result
// list that is safe to read and free, keeps the caller's picture and
// rectangle, and leaks nothing. Nothing may be thrown through the C calls.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "alloc/alloc_injector.hpp"
#include "support/readers.hpp"
#include "support/render.hpp"

namespace zr::hardening {

using namespace zr::test;  // the reader traits
namespace {

using zr::test::Injector;
using zr::test::injector;

// A small picture with one symbol of the reader's kind, so that a scan makes
// few enough allocations to fail each of them in turn.
template <class Reader>
std::vector<std::uint8_t> OneSymbolPicture() {
    test::SymbolOptions options;
    options.symbology = Reader::kSymbology;
    options.data = Reader::kData;
    options.moduleSize = 3;
    const test::Raster symbol = test::RenderSymbol(options);
    test::Raster canvas = test::Canvas(symbol.width + 40, symbol.height + 40, 235);
    test::Paste(canvas, symbol, 20, 20);
    return test::ToDib(canvas, 8);
}

struct Outcome {
    std::uint16_t status = 0;
    int results = 0;
    bool failed = false;  // the injected failure was met
    long allocations = 0;
};

template <class Reader>
Outcome ScanFailingAt(const std::vector<std::uint8_t> &dib, long failAt) {
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): compared after the scan
    const std::vector<std::uint8_t> original = dib;
    typename Reader::Scanner scanner;
    Reader::Init(&scanner);
    scanner.image = dib.data();
    scanner.left = 1;
    scanner.rectWidth = 100000;

    injector = Injector{};
    injector.failAt = failAt;
    injector.armed = true;
    Outcome outcome;
    outcome.status = Reader::Scan(&scanner);
    outcome.failed = injector.failed;
    outcome.allocations = injector.count;
    injector.armed = false;

    if (outcome.failed) {
        EXPECT_EQ(outcome.status, ZR_ERR_NO_MEMORY);
    } else {
        EXPECT_TRUE(Reader::Public(outcome.status)) << outcome.status;
    }
    EXPECT_LE(scanner.resultCount, scanner.maxResults);
    if (scanner.results != nullptr) {
        for (int i = 0; i < scanner.resultCount; ++i) {
            typename Reader::Result result;
            EXPECT_EQ(Reader::GetAt(&scanner, i, &result), 0);
            EXPECT_LT(Reader::Text(result).size(), sizeof result.text);
        }
        outcome.results = scanner.resultCount;
    }
    EXPECT_EQ(scanner.left, 1u);
    EXPECT_EQ(scanner.rectWidth, 100000u);
    EXPECT_EQ(dib, original);

    injector.armed = true;
    Reader::Free(&scanner);
    injector.armed = false;
    EXPECT_EQ(injector.live, 0) << "allocations not freed";
    return outcome;
}

template <class Reader>
class AllocationFailure : public ::testing::Test {};

using Readers = EveryReader<::testing::Types>;
TYPED_TEST_SUITE(AllocationFailure, Readers);

TYPED_TEST(AllocationFailure, EveryAllocationOfAScanMayFail) {
    const std::vector<std::uint8_t> dib = OneSymbolPicture<TypeParam>();
    const Outcome clean = ScanFailingAt<TypeParam>(dib, 0);
    ASSERT_EQ(clean.results, 1) << TypeParam::kName << " must read the picture when nothing fails";
    long failures = 0;
    for (long n = 1; n <= clean.allocations + 1; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n));
        const Outcome outcome = ScanFailingAt<TypeParam>(dib, n);
        if (!outcome.failed) {
            EXPECT_EQ(outcome.results, 1);
            break;
        }
        ++failures;
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_EQ(failures, clean.allocations);
    std::cout << TypeParam::kName << ": " << clean.allocations
              << " allocations in one scan, each failed in turn\n";
}

}  // namespace
}  // namespace zr::hardening
