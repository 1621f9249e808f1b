// The DataMatrix second look with each allocation of a scan failing in turn,
// on a picture that takes it as far as the local-threshold picture: the scan
// returns 10 or reads the symbol, and leaks nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader_test_util.hpp"
#include "support/alloc/alloc_injector.hpp"

namespace zr::dm {
namespace {

using test::Raster;
using zr::test::injector;
using zr::test::Injector;

// Light falling off to a fifth from right to left, as in the second-look tests.
Raster LightFalloff(const Raster &picture) {
    Raster out = picture;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.at(x, y) = static_cast<std::uint8_t>(out.at(x, y) * (0.2 + 0.8 * x / (out.width - 1)));
    return out;
}

struct Outcome {
    std::uint16_t status = 0;
    std::vector<std::string> texts;
    bool failed = false;  // the injected failure was met
    long allocations = 0;
    long live = 0;  // allocations of the scan and free not given back
};

Outcome ScanFailingAt(const std::vector<std::uint8_t> &dib, long failAt) {
    ZrDMScanner scanner;
    ZrInitDMScanner(&scanner);
    scanner.image = dib.data();
    injector = Injector{};
    injector.failAt = failAt;
    injector.armed = true;
    Outcome outcome;
    outcome.status = ZrScanDM(&scanner);
    injector.armed = false;
    outcome.failed = injector.failed;
    outcome.allocations = injector.count;
    for (int i = 0; i < scanner.resultCount; ++i) outcome.texts.emplace_back(scanner.results[i].text);
    injector.armed = true;
    ZrFreeDMScanner(&scanner);
    injector.armed = false;
    outcome.live = injector.live;
    return outcome;
}

TEST(SecondLookAllocation, EveryAllocationOfTheScanMayFail) {
    const DMSize &size = *test::FindSize(20, 20);
    const std::string data = test::FillerFor(size);
    const std::vector<std::uint8_t> dib = zr::test::ToDib(LightFalloff(test::RenderDm(data, size, 4, 8)), 8);
    const Outcome clean = ScanFailingAt(dib, 0);
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.live, 0);
    // Read on the local-threshold picture only: every stage of both looks ran.
    EXPECT_EQ(clean.texts, std::vector<std::string>{data});
    for (long n = 1; n <= clean.allocations; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n));
        const Outcome outcome = ScanFailingAt(dib, n);
        EXPECT_TRUE(outcome.failed);
        EXPECT_EQ(outcome.status, ZR_ERR_NO_MEMORY);
        for (const std::string &text : outcome.texts) EXPECT_EQ(text, data);
        EXPECT_EQ(outcome.live, 0) << "allocations not freed";
        if (::testing::Test::HasFailure()) break;
    }
}

}  // namespace
}  // namespace zr::dm
