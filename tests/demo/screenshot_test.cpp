// Pictures of the program for looking at by eye: the main window after a read, and the dialogs.
// Saved as PNG files under the build folder's screenshots/.
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>

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

// The most telling symbol the program reads: a QR symbol once that reader is built, else Code 39,
// with a second symbol of the same kind so that red and blue outlines both show.
struct Scene {
    ReaderKind kind;
    Raster picture;
};

Scene MakeScene() {
    SymbolOptions first;
    SymbolOptions second;
    ReaderKind kind = ReaderKind::Qr;
    if (IsReaderBuilt(ReaderKind::Qr)) {
        first.symbology = second.symbology = BARCODE_QRCODE;
        first.data = "https://example.com/ZrDemo";
        second.data = "ZRDEMO 2.0";
        first.moduleSize = second.moduleSize = 4;
        first.quietZone = second.quietZone = 4;
    } else {
        kind = ReaderKind::Linear;
        first.symbology = second.symbology = BARCODE_CODE39;
        first.data = "ZR-DEMO 2.0";
        second.data = "CODE 39";
        first.moduleSize = second.moduleSize = 2;
    }
    const Raster a = RenderSymbol(first);
    const Raster b = RenderSymbol(second);
    Raster page = Canvas(std::max(a.width, b.width) + 60, a.height + b.height + 60);
    Paste(page, a, 20, 20);
    Paste(page, b, 40, a.height + 40);
    return {kind, page};
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
    EXPECT_TRUE(Save(frame.window, "main_window.png"));
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
