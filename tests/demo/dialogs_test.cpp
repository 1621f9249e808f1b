// The settings dialog, the "Create a new image" dialog and the About box.
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "app/about_box.hpp"
#include "app/display_text.hpp"
#include "app/new_image_dialog.hpp"
#include "app/settings_dialog.hpp"
#include "logic/read.hpp"
#include "widget_test_util.hpp"
#include "zr/ZrBar.h"
#include "zr/ZrImgRW.h"

namespace zr::demo::test {
namespace {

using app::SettingsDialog;

TEST(SettingsDialog, ShowsAndStoresEveryField) {
    ReadSettings start;
    start.searchUnit = SearchUnit::Inches;
    start.searchStart = {0.5, 1.25};
    start.searchSize = {2, 3};
    start.maxSymbols = 7;
    start.linearTypes = 32 | 1048576;
    start.barsColourMask = 2;
    start.orientation = 5;
    start.bestRecognition = 1;
    SettingsDialog dialog(start);
    EXPECT_TRUE(dialog.kindButton(ReaderKind::Linear)->isChecked());
    EXPECT_TRUE(dialog.unitButton(SearchUnit::Inches)->isChecked());
    EXPECT_EQ(dialog.areaField(1)->value(), 1.25);
    EXPECT_EQ(dialog.maxSymbolsField()->value(), 7);
    for (int i = 0; i < SettingsDialog::kLinearBoxCount; ++i) {
        const uint32_t bit = SettingsDialog::LinearBoxBit(i);
        EXPECT_EQ(dialog.linearBox(i)->isChecked(), bit == 32 || bit == 1048576)
            << dialog.linearBox(i)->text().toStdString();
    }
    EXPECT_EQ(dialog.linearBox(16)->text(), "Additional 2 digits");
    EXPECT_EQ(SettingsDialog::LinearBoxBit(16), 1048576u);
    EXPECT_FALSE(dialog.colourBox(0)->isChecked());
    EXPECT_TRUE(dialog.colourBox(1)->isChecked());
    EXPECT_EQ(dialog.orientationBox(2)->text(), "Top to bottom");

    // Unchanged fields give back what came in.
    const ReadSettings same = dialog.settings();
    EXPECT_EQ(same.linearTypes, start.linearTypes);
    EXPECT_EQ(same.orientation, 5);
    EXPECT_EQ(same.searchSize[1], 3.0);
    EXPECT_EQ(same.bestRecognition, 1);
    EXPECT_EQ(same.showUndecoded, 0);

    dialog.checkAllButton()->click();
    EXPECT_EQ(dialog.settings().linearTypes, kAllLinearTypes);
    dialog.clearAllButton()->click();
    EXPECT_EQ(dialog.settings().linearTypes, 0u);
    dialog.colourBox(1)->setChecked(false);
    EXPECT_EQ(dialog.settings().barsColourMask, 0);
    dialog.unitButton(SearchUnit::Centimetres)->setChecked(true);
    dialog.orientationBox(3)->setChecked(true);
    dialog.showUndecodedBox()->setChecked(true);
    const ReadSettings changed = dialog.settings();
    EXPECT_EQ(changed.searchUnit, SearchUnit::Centimetres);
    EXPECT_EQ(changed.orientation, 13);
    EXPECT_EQ(changed.showUndecoded, 1);
}

TEST(SettingsDialog, MaximumSymbolsRangeAndWhatTheReaderGets) {
    SettingsDialog dialog{ReadSettings{}};
    QSpinBox *field = dialog.maxSymbolsField();
    EXPECT_EQ(field->minimum(), 1);
    EXPECT_EQ(field->maximum(), 1000);
    field->setValue(1000);
    const ReadSettings settings = dialog.settings();
    EXPECT_EQ(settings.maxSymbols, 1000);
    // The readers hold 8 bits: values above 255 ask for the largest list.
    EXPECT_EQ(LinearOptionsFrom(settings).maxResults, 255);
}

TEST(SettingsDialog, OtherKindsKeepTheLinearTypesAndShowThemCleared) {
    for (int i = 1; i < kReaderKindCount; ++i) {
        const auto kind = static_cast<ReaderKind>(i);
        SettingsDialog plain{ReadSettings{}};
        EXPECT_EQ(plain.kindButton(kind)->isEnabled(), IsReaderBuilt(kind));
        if (!IsReaderBuilt(kind)) continue;
        // As after choosing the kind in the Symbols menu.
        ReadSettings start;
        ChooseReaderKind(start, kind);
        SettingsDialog dialog(start);
        EXPECT_TRUE(dialog.kindButton(kind)->isChecked());
        for (int b = 0; b < SettingsDialog::kLinearBoxCount; ++b)
            EXPECT_FALSE(dialog.linearBox(b)->isChecked());
        dialog.linearBox(5)->setChecked(true);  // not stored for another kind
        EXPECT_EQ(dialog.settings().linearTypes, 0u);
        EXPECT_EQ(dialog.settings().readerKind, kind);
    }
}

TEST(NewImageDialog, DefaultsFocusAndUnitConversions) {
    app::NewImageDialog dialog;
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.windowTitle(), "Create a new image");
    EXPECT_EQ(dialog.widthField()->text(), "500");
    EXPECT_EQ(dialog.heightField()->text(), "500");
    EXPECT_EQ(dialog.resolutionField()->text(), "72");
    EXPECT_EQ(dialog.widthField()->selectedText(), "500");  // its first three characters
    EXPECT_TRUE(dialog.sizeUnitButton(SizeUnit::Pixels)->isChecked());
    EXPECT_TRUE(dialog.resolutionUnitButton(ResolutionUnit::PerInch)->isChecked());
    EXPECT_TRUE(dialog.typeButton(0)->isChecked());

    dialog.sizeUnitButton(SizeUnit::Inches)->click();
    EXPECT_EQ(dialog.widthField()->text(), "6.944");
    dialog.sizeUnitButton(SizeUnit::Centimetres)->click();
    EXPECT_EQ(dialog.widthField()->text(), "17.639");  // 500 / 72 x 2.54, not from the rounded 6.944
    dialog.sizeUnitButton(SizeUnit::Pixels)->click();
    EXPECT_EQ(dialog.widthField()->text(), "500");
    dialog.resolutionUnitButton(ResolutionUnit::PerCentimetre)->click();
    EXPECT_EQ(dialog.resolutionField()->text(), "28.346");

    dialog.typeButton(2)->setChecked(true);
    const NewImageRequest request = dialog.request();
    EXPECT_EQ(request.bitsPerPixel, 24);
    EXPECT_EQ(request.resolutionUnit, ResolutionUnit::PerCentimetre);
    const NewImageGeometry geometry = NewImageSize(request);
    EXPECT_EQ(geometry.dpi, 72u);  // 28.346 per cm x 2.54, rounded
    EXPECT_EQ(geometry.width, 500u);

    // A typed value is taken as shown.
    dialog.heightField()->setText("250");
    EXPECT_EQ(dialog.request().height, 250.0);
    dialog.sizeUnitButton(SizeUnit::Inches)->click();
    EXPECT_EQ(dialog.heightField()->text(), "3.472");

    dialog.widthField()->setText("abc");  // unreadable: 0, which the image library refuses
    EXPECT_EQ(dialog.request().width, 0.0);
}

TEST(DisplayText, Utf8ElseLatin1) {
    EXPECT_EQ(app::DisplayText("Gr\xC3\xBC\xC3\x9F"), QString::fromUtf8("Grüß"));
    EXPECT_EQ(app::DisplayText("Gr\xFC\xDF"), QString::fromUtf8("Grüß"));  // not UTF-8: Latin-1
    EXPECT_EQ(app::DisplayText(std::string("a\0b", 3)).size(), 3);
}

TEST(AboutBox, ShowsTheSixVersionLines) {
    app::AboutBox box;
    EXPECT_EQ(box.windowTitle(), "About ZrDemo");
    const QStringList lines = box.versionField()->toPlainText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    const uint32_t img = ZrGetImgVersion();
    EXPECT_EQ(lines[0], QStringLiteral("ZrImg version: %1.%2").arg(img >> 16).arg(img & 0xFFFF));
    const uint32_t bar = ZrBarGetVersion();
    EXPECT_EQ(lines[1], QStringLiteral("ZrBar version: %1.%2").arg(bar >> 16).arg(bar & 0xFFFF));
    EXPECT_EQ(lines[2], QStringLiteral("ZrPDF417 version: 2.44"));
    EXPECT_EQ(lines[3], QStringLiteral("ZrDM version: 1.24"));
    EXPECT_EQ(lines[4], QStringLiteral("ZrQR version: 1.10"));
    EXPECT_EQ(lines[5], QStringLiteral("ZrMicroQR version: 1.1"));
}

}  // namespace
}  // namespace zr::demo::test
