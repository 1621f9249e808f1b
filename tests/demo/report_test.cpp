#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "logic/read_linear.hpp"
#include "logic/report.hpp"

namespace zr::demo {
namespace {

using Lines = std::vector<std::string>;

ZrBarResult FakeResult() {
    ZrBarResult result{};
    const int32_t corners[8] = {10, 20, 10, 80, -3, 80, 200, 21};
    std::memcpy(result.corners, corners, sizeof corners);
    result.type = 0x2000;
    result.angle = 179.996;
    result.barColor = 2;
    result.checksum = 1;
    std::strcpy(result.text, "(01)12345");
    return result;
}

TEST(Report, HeadLinesHideTheCountAfterFileOperations) {
    ReadState state;
    EXPECT_TRUE(ReportHeadLines(state).empty());

    state.lastOperation = Operation::OpenFile;
    state.runTime = 0.0125;
    EXPECT_EQ(ReportHeadLines(state), (Lines{"Open file", "Run time: 0.013 seconds", "Return code: 0"}));
    state.lastOperation = Operation::SaveFile;
    state.returnCode = 12;
    EXPECT_EQ(ReportHeadLines(state).size(), 3u);
    EXPECT_EQ(ReportHeadLines(state)[0], "Save file");

    state.lastOperation = Operation::ReadLinear;
    state.returnCode = 16;
    state.symbolCount = 3;
    EXPECT_EQ(ReportHeadLines(state), (Lines{"Read linear barcodes", "Run time: 0.013 seconds",
                                             "Return code: 16", "Barcodes found: 3"}));
    state.lastOperation = Operation::ReadMicroQr;
    EXPECT_EQ(ReportHeadLines(state)[0], "Read Micro QR code");
    EXPECT_STREQ(OperationLabel(Operation::ReadPdf417), "Read PDF417 barcode");
    EXPECT_STREQ(OperationLabel(Operation::ReadDataMatrix), "Read DataMatrix barcode");
    EXPECT_STREQ(OperationLabel(Operation::ReadQr), "Read QR code");
    state.lastOperation = Operation::NewImage;
    EXPECT_EQ(ReportHeadLines(state).size(), 3u);  // no symbol count after a new image
    EXPECT_EQ(ReportHeadLines(state)[0], "New image");
}

TEST(Report, LinearDetails) {
    ZrBarResult result = FakeResult();
    EXPECT_EQ(LinearDetailLines(result),
              (Lines{"Position: [(10,20), (10,80), (-3,80), (200,21)]", "Bars color: white",
                     "Skew angle: 180.00 degrees", "Checksum: 1", "Type: EAN 128", "(01)12345"}));
    result.barColor = 1;
    result.type = 0x400;
    result.angle = 0.125;
    const Lines lines = LinearDetailLines(result);
    EXPECT_EQ(lines[1], "Bars color: black");
    EXPECT_EQ(lines[2], "Skew angle: 0.12 degrees");
    EXPECT_EQ(lines[4], "Type: Unknown");
    // A text filling its whole field without a NUL stops at the field's end.
    std::memset(result.text, 'A', sizeof result.text);
    EXPECT_EQ(LinearDetailLines(result).back(), std::string(86, 'A'));
}

TEST(Report, DetailLinesFollowTheLastRead) {
    Document document;
    document.linearResults = {FakeResult()};
    EXPECT_TRUE(DetailLines(document, 0).empty());  // no read yet
    document.state.lastOperation = Operation::ReadLinear;
    EXPECT_EQ(DetailLines(document, 0).size(), 6u);
    EXPECT_TRUE(DetailLines(document, 1).empty());
    document.state.lastOperation = Operation::OpenFile;
    EXPECT_TRUE(DetailLines(document, 0).empty());
}

TEST(Report, ImageInformation) {
    ZrImage image{};
    image.width = 600;
    image.height = 300;
    image.pitch = 600;
    image.bitsPerPixel = 8;
    image.xDpi = 300;
    image.yDpi = 150;
    EXPECT_EQ(ImageInfoLines(image),
              (Lines{"Width: 600", "Height: 300", "Pitch: 600", "BitsPerPixel: 8",
                     "Resolution: 300 x 150 dpi", "2.00 x 2.00 inch", "5.08 x 5.08 centimeters"}));
    image.yDpi = 0;
    EXPECT_EQ(ImageInfoLines(image), (Lines{"Width: 600", "Height: 300", "Pitch: 600", "BitsPerPixel: 8"}));
    image.xDpi = 0;
    image.yDpi = 150;
    EXPECT_EQ(ImageInfoLines(image).size(), 4u);
}

}  // namespace
}  // namespace zr::demo
