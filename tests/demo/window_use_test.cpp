// The program as a new user meets it: the keyboard reaches the picture, document windows stay in
// the workspace and are listed in the Window menu, the search area is visible and can be cleared,
// reads leave the window responsive, and the report and status bar say what happened.
#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

#include "app/application.hpp"
#include "logic/file_filters.hpp"
#include "logic/read.hpp"
#include "logic/shapes.hpp"
#include "logic/view_math.hpp"
#include "scratch_dir.hpp"
#include "widget_test_util.hpp"

namespace zr::demo::test {
namespace {

using zr::test::Canvas;
using zr::test::Raster;

const QString kSample = QStringLiteral(ZR_SAMPLES_DIR "/code39.png");

class WindowUseTest : public ScratchDirTest {
  protected:
    // A blank picture written as a BMP file; returns its path.
    QString Picture(const char *name, int width = 400, int height = 300) {
        const std::string path = Path(name);
        EXPECT_TRUE(WriteRaster(Canvas(width, height), path));
        return QString::fromStdString(path);
    }
};

QMdiSubWindow *WindowOf(const app::ChildFrame *child) {
    return qobject_cast<QMdiSubWindow *>(child->parentWidget());
}

// The Window menu's entries for open windows ("&1 name" ...) and which of them is checked.
QStringList WindowEntries(const app::MainFrame &window, QString *checked = nullptr) {
    QStringList entries;
    for (QAction *item : qobject_cast<QMenu *>(window.action("&New Window")->parent())->actions()) {
        if (!item->isCheckable()) continue;
        entries << item->text();
        if (item->isChecked() && checked != nullptr) *checked = item->text();
    }
    return entries;
}

TEST_F(WindowUseTest, ThePictureTakesTheKeyboardWheneverItsWindowBecomesActive) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(Picture("a.bmp", 2000, 2000)));
    app::ImageView *first = frame.view();
    EXPECT_EQ(frame.window.focusWidget(), first);
    ASSERT_TRUE(frame.window.openFile(Picture("b.bmp")));
    EXPECT_EQ(frame.window.focusWidget(), frame.view());
    // Back to the first window, as a click on its title bar or the Window menu does.
    frame.window.mdiArea()->setActiveSubWindow(frame.window.mdiArea()->subWindowList().constFirst());
    QApplication::processEvents();
    ASSERT_EQ(frame.view(), first);
    EXPECT_EQ(frame.window.focusWidget(), first);
    // A key goes where the window system sends it, to the focus widget, and scrolls the picture.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(frame.window.focusWidget(), &down);
    EXPECT_EQ(first->scrollPosition().y(), 100);
}

TEST_F(WindowUseTest, WindowsOpenAndCascadeWhollyInsideTheWorkspace) {
    Frame frame;
    for (const char *name : {"a.bmp", "b.bmp", "c.bmp"}) {
        ASSERT_TRUE(frame.window.openFile(Picture(name)));
        QApplication::processEvents();
    }
    const QRect area = frame.window.mdiArea()->viewport()->rect();
    const QList<QMdiSubWindow *> windows = frame.window.mdiArea()->subWindowList();
    for (const QMdiSubWindow *window : windows)
        EXPECT_TRUE(area.contains(window->geometry())) << window->windowTitle().toStdString();
    EXPECT_EQ(windows[0]->geometry().topLeft(), QPoint(0, 0));  // from the top left
    EXPECT_GT(windows[1]->geometry().left(), 0);

    frame.window.action("&Cascade")->trigger();
    QApplication::processEvents();
    for (const QMdiSubWindow *window : windows) {
        EXPECT_TRUE(area.contains(window->geometry())) << window->windowTitle().toStdString();
        EXPECT_GT(window->width(), area.width() / 2);
        EXPECT_GT(window->height(), area.height() / 2);
    }
}

TEST_F(WindowUseTest, WindowMenuListsTheWindowsWithTheActiveOneChecked) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(Picture("a.bmp")));
    ASSERT_TRUE(frame.window.openFile(Picture("b.bmp")));
    QString checked;
    EXPECT_EQ(WindowEntries(frame.window, &checked), (QStringList{"&1 a.bmp", "&2 b.bmp"}));
    EXPECT_EQ(checked, "&2 b.bmp");
    frame.window.action("&1 a.bmp")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(frame.doc()->title, "a.bmp");
    WindowEntries(frame.window, &checked);
    EXPECT_EQ(checked, "&1 a.bmp");
    frame.window.action("&Close")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(WindowEntries(frame.window), QStringList{"&1 b.bmp"});
}

// A dragged area stays the search area of every read in every picture: it is framed on each
// picture and named in the status bar until Barcode > Whole Picture clears it.
TEST_F(WindowUseTest, TheSearchAreaIsShownEverywhereUntilWholePictureClearsIt) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(Picture("a.bmp")));
    EXPECT_EQ(frame.window.statusPane(app::kPaneArea)->text(), "Whole picture");
    frame.window.selectArea(QRect(QPoint(40, 30), QPoint(240, 130)), QPoint(0, 0));
    frame.settle();
    EXPECT_EQ(frame.window.statusPane(app::kPaneArea)->text(), "Area: (40, 30), 200 x 100 px");

    ASSERT_TRUE(frame.window.openFile(Picture("b.bmp")));
    frame.window.setZoom(1.0);
    const QColor orange(kSearchAreaColour.red, kSearchAreaColour.green, kSearchAreaColour.blue);
    QImage shot = frame.grabView();
    EXPECT_EQ(shot.pixelColor(41, 30), orange);  // the dashed top edge
    EXPECT_EQ(shot.pixelColor(40, 31), orange);  // the dashed left edge
    EXPECT_EQ(shot.pixelColor(100, 80), QColor(Qt::white));

    QAction *whole = frame.window.action("&Whole Picture");
    ASSERT_NE(whole, nullptr);
    whole->trigger();
    EXPECT_EQ(frame.window.settings().searchSize, (std::array<double, 2>{0.0, 0.0}));
    EXPECT_EQ(frame.window.settings().searchStart, (std::array<double, 2>{0.0, 0.0}));
    EXPECT_EQ(frame.window.statusPane(app::kPaneArea)->text(), "Whole picture");
    shot = frame.grabView();
    EXPECT_EQ(shot.pixelColor(41, 30), QColor(Qt::white));
}

// A read runs on a worker thread: the window is free meanwhile, shows the wait cursor, refuses a
// second read and may close the document; the results arrive afterwards.
TEST_F(WindowUseTest, ReadsRunOffTheInterfaceThread) {
    Raster noise = zr::test::AddNoise(Canvas(1200, 900, 128), 127, 7);
    ASSERT_TRUE(WriteRaster(noise, Path("noise.bmp")));
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(QString::fromStdString(Path("noise.bmp"))));
    ChooseReaderKind(frame.window.settings(), ReaderKind::DataMatrix);
    frame.window.read();
    EXPECT_TRUE(frame.window.readRunning());
    EXPECT_EQ(frame.doc()->document.state.lastOperation, Operation::OpenFile);  // not yet shown
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    frame.window.read();
    EXPECT_TRUE(frame.window.statusMessage().contains("still running"));
    frame.settle();
    EXPECT_FALSE(frame.window.readRunning());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(frame.reportTexts().value(0), "Read DataMatrix barcode");

    // Closing the document while its read runs: the read ends unseen, nothing breaks.
    frame.window.read();
    ASSERT_TRUE(frame.window.readRunning());
    frame.window.action("&Close")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame.windows(), 0);
    frame.settle();
    EXPECT_FALSE(frame.window.readRunning());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(WindowUseTest, NewImageReportsItsRunTimeAndReturnCode) {
    Frame frame;
    ASSERT_TRUE(frame.window.newImage(NewImageRequest{}));
    const QStringList texts = frame.reportTexts();
    EXPECT_EQ(texts.value(0), "New image");
    EXPECT_TRUE(texts.value(1).startsWith("Run time: ")) << texts.value(1).toStdString();
    EXPECT_EQ(texts.value(2), "Return code: 0");
    EXPECT_FALSE(texts.contains("Barcode no:"));
}

// Choosing a two-dimensional kind clears the linear types; coming back to linear with none
// checked gives them back, and the status bar says so.
TEST_F(WindowUseTest, BackToLinearRestoresTheTypesItHad) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    frame.window.action("Code 39")->trigger();  // all but Code 39
    frame.window.action("&QR Code")->trigger();
    EXPECT_EQ(frame.window.settings().linearTypes, 0u);
    ReadSettings linear = frame.window.settings();  // what the dialog returns for "Linear"
    linear.readerKind = ReaderKind::Linear;
    frame.window.applySettings(linear);
    EXPECT_EQ(frame.window.settings().linearTypes, kAllLinearTypes & ~0x20u);
    EXPECT_TRUE(frame.window.statusMessage().contains("restored"))
        << frame.window.statusMessage().toStdString();
    EXPECT_FALSE(frame.window.action("Code 39")->isChecked());
    EXPECT_TRUE(frame.window.action("Code 128")->isChecked());
}

TEST_F(WindowUseTest, FitFillsTheWindowAndTheReadoutClearsOffThePicture) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    app::ImageView *view = frame.view();
    frame.window.setZoom(4.0);  // scroll bars showing
    QApplication::processEvents();
    ASSERT_TRUE(view->verticalScrollBar()->isVisible() || view->horizontalScrollBar()->isVisible());
    frame.window.fitWindow();
    QApplication::processEvents();
    // One side of the picture meets the window's edge: no strip where the scroll bar was.
    const QSize client = view->viewport()->size();
    const double zoom = frame.doc()->document.zoom;
    EXPECT_TRUE(static_cast<int>(642 * zoom) >= client.width() - 1 ||
                static_cast<int>(210 * zoom) >= client.height() - 1)
        << zoom << " in " << client.width() << " x " << client.height();

    auto move = [&](QPointF at) {
        QMouseEvent event(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &event);
        return frame.window.statusPane(app::kPaneReadout)->text();
    };
    frame.window.setZoom(0.5);
    QApplication::processEvents();
    EXPECT_TRUE(move({10, 10}).startsWith("x: 20 y: 20"));
    EXPECT_EQ(move({330, 10}), QString());  // beyond the 321-pixel-wide picture
    EXPECT_FALSE(move({10, 10}).isEmpty());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view, &leave);
    EXPECT_EQ(frame.window.statusPane(app::kPaneReadout)->text(), QString());
}

// An outline's label goes outside the symbol where there is room: the finder pattern in the
// symbol's top left corner stays as it is printed.
TEST_F(WindowUseTest, OutlineLabelsLeaveTheSymbolVisible) {
    zr::test::SymbolOptions options;
    options.symbology = BARCODE_QRCODE;
    options.data = "LABEL OUTSIDE THE SYMBOL";
    options.moduleSize = 4;
    options.quietZone = 4;
    ASSERT_TRUE(WriteRaster(zr::test::RenderSymbol(options), Path("qr.bmp")));
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(QString::fromStdString(Path("qr.bmp"))));
    frame.window.setZoom(1.0);
    frame.read(ReaderKind::Qr);
    ASSERT_EQ(frame.doc()->document.state.symbolCount, 1);
    const OutlineBox box = OutlineFor(ResultShapes(frame.doc()->document)[0].corners, 1.0, true);
    const QImage shot = frame.grabView();
    for (int d = 2; d < 12; d += 3)
        EXPECT_EQ(shot.pixelColor(box.left + d, box.top + 2), QColor(Qt::black)) << d;
    EXPECT_EQ(shot.pixelColor(box.right - 1, box.bottom - 1), QColor(255, 0, 0));  // the frame itself
}

TEST_F(WindowUseTest, DocumentWindowsCarryTheProgramsIcon) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    const QIcon icon = WindowOf(frame.child())->windowIcon();
    EXPECT_FALSE(frame.window.windowIcon().isNull());
    EXPECT_EQ(icon.cacheKey(), frame.window.windowIcon().cacheKey());
}

// The toolkit appends an explicitly set display name to every window and dialog title
// ("ZrDemo - [x] — ZrDemo"); unset, the display name follows the application name.
TEST(ApplicationSetUp, SetsNoDisplayNameThatTitlesWouldCarry) {
    app::SetUpApplication();
    EXPECT_EQ(QApplication::applicationName(), "ZrDemo");
    QApplication::setApplicationName(QStringLiteral("probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
    app::SetUpApplication();
}

TEST(SaveAsFilter, StartsOnTheDocumentsFormat) {
    EXPECT_EQ(SaveFilterIndex("/a/scan.png"), 1u);
    EXPECT_EQ(SaveFilterIndex("scan.TIF"), 2u);
    EXPECT_EQ(SaveFilterIndex("photo.jpg"), 3u);
    EXPECT_EQ(SaveFilterIndex("picture.bmp"), 0u);
    EXPECT_EQ(SaveFilterIndex(""), 0u);  // a new image: the first type
    EXPECT_STREQ(kSaveFilters[SaveFilterIndex("x.png")].patterns, "*.png");
}

}  // namespace
}  // namespace zr::demo::test
