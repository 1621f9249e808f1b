// ZrPDF417 end to end on symbols drawn by libzint.
#include <gtest/gtest.h>

#include "scan_util.hpp"

namespace zr::test {
namespace {

TEST(Pdf417Reader, ReadsPlainText) {
    Pdf417Options o;
    o.data = "Hello PDF417 reader 12345";
    const Pdf417Symbol s = RenderPdf417(o);
    ASSERT_FALSE(s.picture.empty());
    const Pdf417Scan scan = ScanPdf417(s.picture);
    EXPECT_EQ(scan.status, 0);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(TextOf(scan.results[0]), o.data);
}

}  // namespace
}  // namespace zr::test
