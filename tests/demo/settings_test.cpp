#include <gtest/gtest.h>

#include "logic/read.hpp"
#include "logic/settings.hpp"
#include "logic/symbologies.hpp"
#include "test_image.hpp"

namespace zr::demo {
namespace {

ReadSettings Area(SearchUnit unit, double left, double top, double width, double height) {
    ReadSettings settings;
    settings.searchUnit = unit;
    settings.searchStart = {left, top};
    settings.searchSize = {width, height};
    return settings;
}

TEST(SearchRect, InchesAndCentimetresUseTheResolution) {
    const PixelRect inch = SearchRectPixels(Area(SearchUnit::Inches, 1, 0.5, 1, 1), 300, 300);
    EXPECT_EQ(inch.left, 300u);
    EXPECT_EQ(inch.top, 150u);
    EXPECT_EQ(inch.width, 300u);
    EXPECT_EQ(inch.height, 300u);

    const PixelRect cm = SearchRectPixels(Area(SearchUnit::Centimetres, 0, 0, 2.54, 2.54), 300, 300);
    EXPECT_EQ(cm.width, 300u);
    EXPECT_EQ(cm.height, 300u);

    // x values use xDpi, y values yDpi.
    const PixelRect mixed = SearchRectPixels(Area(SearchUnit::Inches, 1, 1, 2, 2), 200, 100);
    EXPECT_EQ(mixed.left, 200u);
    EXPECT_EQ(mixed.top, 100u);
    EXPECT_EQ(mixed.width, 400u);
    EXPECT_EQ(mixed.height, 200u);
}

TEST(SearchRect, RoundsHalfUpAndClampsNegative) {
    const PixelRect px = SearchRectPixels(Area(SearchUnit::Pixels, 10.5, 10.49, 0.5, -3), 0, 0);
    EXPECT_EQ(px.left, 11u);
    EXPECT_EQ(px.top, 10u);
    EXPECT_EQ(px.width, 1u);
    EXPECT_EQ(px.height, 0u);
    // 1 cm at 72 dpi = 28.35 px; 1 cm at 127 dpi = 50.0 px.
    const PixelRect cm = SearchRectPixels(Area(SearchUnit::Centimetres, 1, 1, 0, 0), 72, 127);
    EXPECT_EQ(cm.left, 28u);
    EXPECT_EQ(cm.top, 50u);
    // Without a resolution physical units give 0 (whole image).
    EXPECT_EQ(SearchRectPixels(Area(SearchUnit::Inches, 0, 0, 1, 1), 0, 0).width, 0u);
}

TEST(LinearOptions, MapsSettings) {
    ReadSettings settings;
    LinearOptions options = LinearOptionsFrom(settings);
    EXPECT_EQ(options.maxResults, 20);
    EXPECT_EQ(options.barColors, 3);
    EXPECT_EQ(options.directions, 15);
    EXPECT_EQ(options.extraFlags, 0);
    EXPECT_EQ(options.symbologies, 0x1FF1FFu);

    struct Case {
        uint8_t best, show, flags;
    };
    // Thorough only for exactly 1; report-unread for any non-zero value.
    for (const Case c : {Case{1, 0, 1}, Case{0, 1, 2}, Case{1, 7, 3}, Case{2, 0, 0}, Case{2, 255, 2}}) {
        settings.bestRecognition = c.best;
        settings.showUndecoded = c.show;
        EXPECT_EQ(LinearOptionsFrom(settings).extraFlags, c.flags) << int(c.best) << "," << int(c.show);
    }

    settings.maxSymbols = 1000;
    settings.barsColourMask = 2;
    settings.orientation = 5;
    settings.linearTypes = 0x20;
    options = LinearOptionsFrom(settings);
    EXPECT_EQ(options.maxResults, 255);
    EXPECT_EQ(options.barColors, 2);
    EXPECT_EQ(options.directions, 5);
    EXPECT_EQ(options.symbologies, 0x20u);
    EXPECT_EQ(MaxResultsFor(256), 255);
    EXPECT_EQ(MaxResultsFor(255), 255);
    EXPECT_EQ(MaxResultsFor(1), 1);
}

TEST(LinearOptions, FillScannerZeroesTheRestOfTheRecord) {
    Document document;
    test::TestImage picture(600, 600, 8);
    picture.image.xDpi = picture.image.yDpi = 300;
    document.image = picture.image;
    ReadSettings settings = Area(SearchUnit::Inches, 0.5, 0, 1, 1);
    settings.maxSymbols = 300;

    ZrBarScanner scanner;
    std::memset(&scanner, 0xAB, sizeof scanner);
    FillLinearScanner(scanner, document, settings);
    EXPECT_EQ(scanner.image, picture.image.dib);
    EXPECT_EQ(scanner.left, 150u);
    EXPECT_EQ(scanner.top, 0u);
    EXPECT_EQ(scanner.rectWidth, 300u);
    EXPECT_EQ(scanner.rectHeight, 300u);
    EXPECT_EQ(scanner.maxResults, 255);
    EXPECT_EQ(scanner.resultCount, 0);
    EXPECT_EQ(scanner.results, nullptr);
    EXPECT_EQ(scanner.runTime, 0.0);
    document.image = ZrImage{};  // the picture's block is not the image library's to free
}

TEST(SymbolsMenu, LinearItemsToggleAndOtherKindsClear) {
    ReadSettings settings;
    ToggleLinearType(settings, 0x20);
    EXPECT_EQ(settings.linearTypes, 0x1FF1FFu & ~0x20u);
    EXPECT_FALSE(IsLinearTypeChecked(settings, 0x20));
    ChooseReaderKind(settings, ReaderKind::Qr);
    EXPECT_EQ(settings.linearTypes, 0u);
    ToggleLinearType(settings, 0x1000);
    EXPECT_EQ(settings.readerKind, ReaderKind::Linear);
    EXPECT_TRUE(IsLinearTypeChecked(settings, 0x1000));
}

// Back to linear with no type checked: the types in use before the two-dimensional kind return.
TEST(SymbolsMenu, ChoosingLinearAgainRestoresItsTypes) {
    ReadSettings settings;
    settings.linearTypes = 0x1020;
    ChooseReaderKind(settings, ReaderKind::DataMatrix);
    ChooseReaderKind(settings, ReaderKind::Qr);  // a second 2-D kind keeps what linear had
    EXPECT_EQ(settings.linearTypes, 0u);
    ChooseReaderKind(settings, ReaderKind::Linear);
    EXPECT_EQ(settings.linearTypes, 0x1020u);
    // Types already checked stay as they are.
    settings.linearTypes = 0x20;
    EXPECT_FALSE(RestoreLinearTypes(settings));
    EXPECT_EQ(settings.linearTypes, 0x20u);
    settings.readerKind = ReaderKind::Pdf417;
    settings.linearTypes = 0;
    EXPECT_FALSE(RestoreLinearTypes(settings));  // not the linear kind
}

TEST(Selection, ViewRectangleBecomesImagePixels) {
    ReadSettings settings = Area(SearchUnit::Inches, 1, 1, 1, 1);
    // Dragged from bottom right to top left, scrolled by (10, 20), zoom 2.
    EXPECT_TRUE(ApplySelection(settings, 90, 60, 30, 20, 10, 20, 2.0, 1000, 1000));
    EXPECT_EQ(settings.searchUnit, SearchUnit::Pixels);
    EXPECT_EQ(settings.searchStart[0], 20);
    EXPECT_EQ(settings.searchStart[1], 20);
    EXPECT_EQ(settings.searchSize[0], 30);
    EXPECT_EQ(settings.searchSize[1], 20);
}

TEST(Selection, KeptToThePicture) {
    ReadSettings settings;
    // Past the right and bottom edges of a 100 x 80 picture, and from left of and above it.
    EXPECT_TRUE(ApplySelection(settings, -50, -10, 500, 400, 0, 0, 1.0, 100, 80));
    EXPECT_EQ(settings.searchStart, (std::array<double, 2>{0.0, 0.0}));
    EXPECT_EQ(settings.searchSize, (std::array<double, 2>{100.0, 80.0}));
    // Wholly beyond the picture, or less than a pixel: nothing, and the settings stay.
    const ReadSettings kept = settings;
    EXPECT_FALSE(ApplySelection(settings, 120, 10, 300, 60, 0, 0, 1.0, 100, 80));
    EXPECT_FALSE(ApplySelection(settings, 9, 9, 11, 11, 0, 0, 4.0, 100, 80));
    EXPECT_FALSE(ApplySelection(settings, 10, 10, 50, 50, 0, 0, 0.0, 100, 80));
    EXPECT_EQ(settings.searchStart, kept.searchStart);
    EXPECT_EQ(settings.searchSize, kept.searchSize);
}

TEST(Selection, StatusBarText) {
    ReadSettings settings;
    EXPECT_FALSE(HasSearchArea(settings));
    EXPECT_EQ(SearchAreaText(settings), "Whole picture");
    settings.searchStart = {-3.0, 0.0};  // negative counts as 0
    EXPECT_EQ(SearchAreaText(settings), "Whole picture");
    settings.searchStart = {20.0, 250.0};
    settings.searchSize = {698.0, 250.0};
    EXPECT_EQ(SearchAreaText(settings), "Area: (20, 250), 698 x 250 px");
    settings = Area(SearchUnit::Inches, 0.5, 1, 0, 2);
    EXPECT_EQ(SearchAreaText(settings), "Area: (0.50, 1.00), edge x 2.00 in");
}

TEST(TypeNames, TableAndUnknown) {
    EXPECT_STREQ(LinearTypeName(8192), "EAN 128");
    EXPECT_STREQ(LinearTypeName(0x20), "Code 39");
    EXPECT_STREQ(LinearTypeName(0x100000), "Additional 2 digits code");
    EXPECT_STREQ(LinearTypeName(0), "Unknown");
    EXPECT_STREQ(LinearTypeName(0x200), "Unknown");
    EXPECT_STREQ(LinearTypeName(0x21), "Unknown");
    uint32_t all = 0;
    for (const LinearType &type : kLinearTypes) all |= type.bit;
    EXPECT_EQ(all, kAllLinearTypes);
}

TEST(TypeNames, ParsesNamesShortFormsAndMasks) {
    EXPECT_EQ(LinearTypeFromName("Code 39"), 0x20u);
    EXPECT_EQ(LinearTypeFromName("code39"), 0x20u);
    EXPECT_EQ(LinearTypeFromName("UPC-A"), 0x10000u);
    EXPECT_EQ(LinearTypeFromName("upce"), 0x40000u);
    EXPECT_EQ(LinearTypeFromName("i2of5"), 0x4u);
    EXPECT_EQ(LinearTypeFromName("EAN_128"), 0x2000u);
    EXPECT_EQ(LinearTypeFromName("Additional 5 digits"), 0x80000u);
    EXPECT_FALSE(LinearTypeFromName("code 3"));

    EXPECT_EQ(ParseLinearTypes("code39, code128"), 0x1020u);
    EXPECT_EQ(ParseLinearTypes("ean13,0x20000,4"), 0x28004u);
    EXPECT_EQ(ParseLinearTypes("010"), 10u);  // decimal, not octal
    EXPECT_EQ(ParseLinearTypes("all"), kAllLinearTypes);
    EXPECT_FALSE(ParseLinearTypes(""));
    EXPECT_FALSE(ParseLinearTypes("code39,"));
    EXPECT_FALSE(ParseLinearTypes("code39,qr"));
    EXPECT_FALSE(ParseLinearTypes("0x100000000"));
    EXPECT_FALSE(ParseLinearTypes("0x"));
}

}  // namespace
}  // namespace zr::demo
