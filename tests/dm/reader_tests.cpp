// ZrDM end to end: symbols drawn by libzint in every size, rotation, colour
// and encodation scheme.
#include <gtest/gtest.h>

#include <algorithm>

#include "reader_test_util.hpp"

namespace zr::dm {
namespace {

using test::Raster;

// Regions smaller than 33 pixels either way are not looked at: the 8-row
// rectangles need five pixels per module.
int SmallestModule(const DMSize &size) {
    return std::max(4, (33 + size.rows) / size.rows);
}

TEST(ReaderSizes, EverySizeUpright) {
    for (const DMSize &size : kDMSizeTable) {
        const std::string data = test::FillerFor(size);
        const Raster picture = test::RenderDm(data, size, SmallestModule(size));
        ASSERT_FALSE(picture.empty()) << size.rows << "x" << size.columns;
        const test::ScanOutcome outcome = test::Scan(picture);
        EXPECT_EQ(outcome.status, 0);
        ASSERT_EQ(outcome.results.size(), 1u) << size.rows << "x" << size.columns;
        EXPECT_EQ(outcome.FirstText(), data);
        EXPECT_EQ(outcome.results[0].rows, size.rows);
        EXPECT_EQ(outcome.results[0].columns, size.columns);
    }
}

}  // namespace
}  // namespace zr::dm
