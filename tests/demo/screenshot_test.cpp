// Pictures of the program for looking at by eye: the main window after a read, and the dialogs.
// Saved as PNG files under the build folder's screenshots/.
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPixmap>

#include "app/about_box.hpp"
#include "app/new_image_dialog.hpp"
#include "app/settings_dialog.hpp"
#include "logic/read.hpp"
#include "scratch_dir.hpp"
#include "widget_test_util.hpp"

namespace zr::demo::test {
namespace {

using zr::test::Canvas;
using zr::test::Paste;
using zr::test::Raster;
using zr::test::RenderSymbol;
using zr::test::SymbolOptions;

const QString kShots = QStringLiteral(ZR_SCREENSHOT_DIR);

bool Save(QWidget &widget, const char *name) {
    QApplication::processEvents();
    QDir().mkpath(kShots);
    return widget.grab().save(kShots + QLatin1Char('/') + QLatin1String(name));
}

// Two symbols of the most telling kind the program reads (QR, else DataMatrix, else PDF417, else
// Code 39), so that a red and a blue outline both show.
struct Scene {
    ReaderKind kind;
    Raster picture;
};

Scene MakeScene() {
    struct Choice {
        ReaderKind kind;
        int symbology;
        int moduleSize;
        int quietZone;
    };
    constexpr Choice kChoices[] = {
        {ReaderKind::Qr, BARCODE_QRCODE, 4, 4},
        {ReaderKind::DataMatrix, BARCODE_DATAMATRIX, 5, 4},
        {ReaderKind::Pdf417, BARCODE_PDF417, 2, 4},
        {ReaderKind::Linear, BARCODE_CODE39, 2, 10},
    };
    Choice choice = kChoices[3];
    for (const Choice &candidate : kChoices) {
        if (IsReaderBuilt(candidate.kind)) {
            choice = candidate;
            break;
        }
    }
    SymbolOptions first;
    first.symbology = choice.symbology;
    first.moduleSize = choice.moduleSize;
    first.quietZone = choice.quietZone;
    SymbolOptions second = first;
    first.data = "https://example.com/ZrDemo";
    second.data = "ZRDEMO 2.0";
    const Raster a = RenderSymbol(first);
    const Raster b = RenderSymbol(second);
    Raster page = Canvas(std::max(a.width, b.width) + 60, a.height + b.height + 60);
    Paste(page, a, 20, 20);
    Paste(page, b, 40, a.height + 40);
    return {choice.kind, page};
}

using ScreenshotTest = ScratchDirTest;

TEST_F(ScreenshotTest, MainWindowAfterARead) {
    const Scene scene = MakeScene();
    ASSERT_TRUE(WriteRaster(scene.picture, Path("symbols.bmp")));
    Frame frame;
    frame.window.resize(1100, 700);
    ASSERT_TRUE(frame.window.openFile(QString::fromStdString(Path("symbols.bmp"))));
    frame.child()->parentWidget()->showMaximized();
    QApplication::processEvents();
    frame.read(scene.kind);
    EXPECT_EQ(frame.listEntries().size(), 2);
    frame.window.setZoom(2.0);  // drawn scaled, outlines at the zoom
    EXPECT_TRUE(Save(frame.window, "main_window.png"));

    // The same window with the settings dialog open over it.
    app::SettingsDialog dialog(frame.window.settings(), &frame.window);
    dialog.show();
    QApplication::processEvents();
    QPixmap both = frame.window.grab();
    QPainter painter(&both);
    const QPixmap top = dialog.grab();
    painter.drawPixmap((both.width() - top.width()) / 2, (both.height() - top.height()) / 2, top);
    painter.end();
    EXPECT_TRUE(both.save(kShots + QStringLiteral("/main_window_settings.png")));
}

TEST(Screenshot, Dialogs) {
    ReadSettings settings;
    app::SettingsDialog dialog(settings);
    dialog.show();
    EXPECT_TRUE(Save(dialog, "settings_dialog.png"));
    app::NewImageDialog create;
    create.show();
    EXPECT_TRUE(Save(create, "new_image_dialog.png"));
    app::AboutBox about;
    about.show();
    EXPECT_TRUE(Save(about, "about_box.png"));
}

}  // namespace
}  // namespace zr::demo::test
