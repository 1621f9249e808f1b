#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "logic/document.hpp"
#include "logic/new_image.hpp"
#include "scratch_dir.hpp"
#include "zr/ZrImgRW.h"

namespace zr::demo {
namespace {

namespace fs = std::filesystem;

TEST(Extension, LastDotLowerCase) {
    EXPECT_EQ(FileExtension("a/b/photo.JPG"), "jpg");
    EXPECT_EQ(FileExtension("archive.tar.Bmp"), "bmp");
    EXPECT_EQ(FileExtension("noext"), "");
    EXPECT_EQ(FileExtension("trailing."), "");
    EXPECT_EQ(FormatFromPath("photo.JPG"), ImageFormat::Jpg);
    EXPECT_EQ(FormatFromPath("scan.Tif"), ImageFormat::Tif);
    EXPECT_EQ(FormatFromPath("x.png"), ImageFormat::Png);
    EXPECT_EQ(FormatFromPath("noext"), ImageFormat::Unsupported);
    EXPECT_EQ(FormatFromPath("doc.pdf"), ImageFormat::Unsupported);
    EXPECT_EQ(FormatFromPath("scan.tiff"), ImageFormat::Unsupported);
    EXPECT_EQ(FormatFromPath("photo.jpeg"), ImageFormat::Unsupported);
    EXPECT_EQ(FormatFromPath("dir.bmp/file"), ImageFormat::Unsupported);
}

TEST(Elapsed, UsesClockTicksPerSecond) {
    EXPECT_DOUBLE_EQ(ElapsedSeconds(0, CLOCKS_PER_SEC), 1.0);
    EXPECT_DOUBLE_EQ(ElapsedSeconds(CLOCKS_PER_SEC, CLOCKS_PER_SEC * 5 / 2), 1.5);
}

class FileTest : public test::ScratchDirTest {
  protected:
    // A document holding a blank image made through the image library.
    static void MakeImage(Document &document, uint32_t width, uint32_t height, uint16_t bits) {
        NewImageRequest request;
        request.width = width;
        request.height = height;
        request.bitsPerPixel = bits;
        request.resolution = 200;
        ASSERT_EQ(CreateNewImage(document, request), ZR_OK);
    }
};

TEST_F(FileTest, UnsupportedAndMissingFilesLeaveTheDocument) {
    Document document;
    MakeImage(document, 40, 30, 8);
    const void *dib = document.image.dib;
    for (const char *name : {"noext", "page.pdf"}) {
        const FileOutcome outcome = OpenImage(document, Path(name).c_str());
        EXPECT_FALSE(outcome.ok);
        EXPECT_STREQ(outcome.message, "Image type not supported!");
    }
    const FileOutcome missing = OpenImage(document, Path("missing.bmp").c_str());
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.status, ZR_OK);
    EXPECT_STREQ(missing.message, "Error while reading file");
    EXPECT_EQ(document.image.dib, dib);
    EXPECT_EQ(document.image.width, 40u);
    EXPECT_EQ(document.state.lastOperation, Operation::NewImage);  // the state the new image left
}

TEST_F(FileTest, SaveAndOpenDispatchOnTheLowerCasedExtension) {
    Document source;
    MakeImage(source, 64, 48, 24);
    // JPEG data under an upper-case name, and BMP data under a .JPG name.
    ASSERT_TRUE(SaveImage(source, Path("real.JPG").c_str()).ok);
    EXPECT_EQ(source.state.lastOperation, Operation::SaveFile);
    ASSERT_EQ(ZrWriteBMP(&source.image, Path("bitmap.JPG").c_str()), ZR_OK);

    Document document;
    document.linearResults.resize(2);
    document.state.symbolCount = 2;
    const FileOutcome opened = OpenImage(document, Path("real.JPG").c_str());
    ASSERT_TRUE(opened.ok) << opened.status;
    EXPECT_EQ(opened.message, nullptr);
    EXPECT_EQ(document.image.width, 64u);
    EXPECT_EQ(document.image.height, 48u);
    EXPECT_EQ(document.state.lastOperation, Operation::OpenFile);
    EXPECT_EQ(document.state.returnCode, 0);
    EXPECT_GE(document.state.runTime, 0.0);
    EXPECT_TRUE(document.linearResults.empty());
    EXPECT_EQ(document.state.symbolCount, 0);

    // The JPEG reader refuses BMP data: the name, not the content, chose the reader.
    const FileOutcome wrong = OpenImage(document, Path("bitmap.JPG").c_str());
    EXPECT_FALSE(wrong.ok);
    EXPECT_STREQ(wrong.message, "Error while reading file");
    EXPECT_EQ(document.image.width, 64u);

    for (const char *name : {"copy.bmp", "copy.png", "copy.tif"}) {
        ASSERT_TRUE(SaveImage(source, Path(name).c_str()).ok) << name;
        Document reopened;
        ASSERT_TRUE(OpenImage(reopened, Path(name).c_str()).ok) << name;
        EXPECT_EQ(reopened.image.width, 64u) << name;
    }
}

TEST_F(FileTest, SaveFailuresSetTheReturnCode) {
    Document document;
    MakeImage(document, 8, 8, 1);
    FileOutcome outcome = SaveImage(document, Path("image.pdf").c_str());
    EXPECT_FALSE(outcome.ok);
    EXPECT_STREQ(outcome.message, "Image type not supported!");
    EXPECT_EQ(document.state.returnCode, 11);

    outcome = SaveImage(document, Path("no/such/dir/image.bmp").c_str());
    EXPECT_FALSE(outcome.ok);
    EXPECT_STREQ(outcome.message, "Error while writing file");
    EXPECT_NE(outcome.status, ZR_OK);
    EXPECT_EQ(document.state.returnCode, outcome.status);
    EXPECT_NE(document.state.lastOperation, Operation::SaveFile);
}

// Every reader kind's copies belong to the picture they were read from: opening a file or making a
// new image drops all of them, not only those of the kind read last.
void FillEveryKindsCopies(Document &document) {
    document.linearResults.resize(1);
    document.pdf417Results.resize(1);
    document.dataMatrixResults.resize(1);
    document.qrResults.resize(1);
    document.microQrResults.resize(1);
}

void ExpectNoCopies(const Document &document) {
    EXPECT_TRUE(document.linearResults.empty());
    EXPECT_TRUE(document.pdf417Results.empty());
    EXPECT_TRUE(document.dataMatrixResults.empty());
    EXPECT_TRUE(document.qrResults.empty());
    EXPECT_TRUE(document.microQrResults.empty());
}

TEST_F(FileTest, OpenAndNewImageDropTheCopiesOfEveryReaderKind) {
    Document source;
    MakeImage(source, 16, 16, 8);
    ASSERT_TRUE(SaveImage(source, Path("picture.bmp").c_str()).ok);

    Document document;
    FillEveryKindsCopies(document);
    ASSERT_TRUE(OpenImage(document, Path("picture.bmp").c_str()).ok);
    ExpectNoCopies(document);

    FillEveryKindsCopies(document);
    MakeImage(document, 8, 8, 1);
    ExpectNoCopies(document);
}

TEST(NewImage, SizesAndResolution) {
    NewImageRequest request;
    request.sizeUnit = SizeUnit::Inches;
    request.width = 2.0;
    request.height = 1.999;  // integer part
    request.resolution = 300;
    NewImageGeometry geometry = NewImageSize(request);
    EXPECT_EQ(geometry.width, 600u);
    EXPECT_EQ(geometry.height, 599u);
    EXPECT_EQ(geometry.dpi, 300u);

    request.sizeUnit = SizeUnit::Centimetres;
    request.width = 2.54;
    request.height = 1.0;  // 118.11 px, rounded
    geometry = NewImageSize(request);
    EXPECT_EQ(geometry.width, 300u);
    EXPECT_EQ(geometry.height, 118u);

    request.resolutionUnit = ResolutionUnit::PerCentimetre;
    request.resolution = 118.11;  // 299.999 dpi, rounded half up
    EXPECT_EQ(NewImageSize(request).dpi, 300u);

    EXPECT_DOUBLE_EQ(ConvertSize(600, SizeUnit::Pixels, SizeUnit::Inches, 300), 2.0);
    EXPECT_DOUBLE_EQ(ConvertSize(2, SizeUnit::Inches, SizeUnit::Centimetres, 300), 5.08);
    EXPECT_NEAR(ConvertSize(5.08, SizeUnit::Centimetres, SizeUnit::Pixels, 300), 600.0, 1e-9);
    EXPECT_DOUBLE_EQ(ConvertSize(10, SizeUnit::Pixels, SizeUnit::Inches, 0), 0.0);
    EXPECT_NEAR(ConvertResolution(300, ResolutionUnit::PerInch, ResolutionUnit::PerCentimetre), 118.11,
                0.001);
    EXPECT_DOUBLE_EQ(ConvertResolution(100, ResolutionUnit::PerCentimetre, ResolutionUnit::PerInch), 254.0);
    EXPECT_EQ(SizeFieldText(499.9, SizeUnit::Pixels), "499");
    EXPECT_EQ(SizeFieldText(1.6666, SizeUnit::Inches), "1.667");
}

}  // namespace
}  // namespace zr::demo
