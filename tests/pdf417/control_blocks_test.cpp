// ZrPDF417 end to end on libzint symbols carrying ECI designators and Macro
// PDF417 control blocks: the text holds the data and nothing of the blocks.
#include <gtest/gtest.h>

#include <string>

#include "scan_util.hpp"

namespace zr::test {
namespace {

Pdf417Scan ScanRendered(const Pdf417Options &options) {
    const Pdf417Symbol s = RenderPdf417(options);
    EXPECT_FALSE(s.picture.empty());
    return ScanPdf417(s.picture);
}

TEST(Pdf417ControlBlocks, EciDesignatorIsNotText) {
    Pdf417Options o;
    o.data = "Hello";
    o.eci = 3;
    Pdf417Scan scan = ScanRendered(o);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(TextOf(scan.results[0]), "Hello");
    EXPECT_EQ(scan.results[0].confidence, 100);
    // ECI 17 (ISO/IEC 8859-15): the euro sign stays the byte 0xA4.
    o.data = "Price 5\xA4";
    o.eci = 17;
    scan = ScanRendered(o);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(TextOf(scan.results[0]), "Price 5\xA4");
    // A two-codeword designator with byte data behind it.
    o.data = "\x01\x02\x03 bytes";
    o.eci = 1000;
    scan = ScanRendered(o);
    ASSERT_EQ(scan.results.size(), 1u);
    EXPECT_EQ(TextOf(scan.results[0]), "\x01\x02\x03 bytes");
}

TEST(Pdf417ControlBlocks, StructuredAppendBlockIsNotText) {
    Pdf417Options o;
    o.columns = 4;
    o.appendCount = 3;
    const std::string parts[3] = {"Hello part one", "and part two", "12345678901234 three"};
    for (int i = 0; i < 3; ++i) {
        o.data = parts[i];
        o.appendIndex = i + 1;
        o.appendId = i == 1 ? "123456" : "";
        const Pdf417Scan scan = ScanRendered(o);
        ASSERT_EQ(scan.results.size(), 1u) << i;
        EXPECT_EQ(TextOf(scan.results[0]), parts[i]) << i;
        EXPECT_EQ(scan.results[0].confidence, 100) << i;
    }
}

}  // namespace
}  // namespace zr::test
