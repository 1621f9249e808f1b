// The main window driven as a user would: menus, opening, saving and printing files, zoom,
// scrolling, the pixel read-out, windows of one document and the recent-file list.
#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "logic/read.hpp"
#include "logic/view_math.hpp"
#include "scratch_dir.hpp"
#include "widget_test_util.hpp"

namespace zr::demo::test {
namespace {

using zr::test::Canvas;
using zr::test::Raster;

QStringList MenuTitles(const QMenuBar *bar) {
    QStringList titles;
    for (const QAction *item : bar->actions()) {
        if (item->isVisible()) titles << item->text();
    }
    return titles;
}

// Item texts of a menu, accelerators joined with a tab as the menu shows them; separators left out.
QStringList ItemTexts(const QMenu *menu) {
    QStringList texts;
    for (const QAction *item : menu->actions()) {
        if (item->isSeparator() || !item->isVisible()) continue;
        const QString keys = item->shortcut().toString();
        texts << (keys.isEmpty() ? item->text() : item->text() + QLatin1Char('\t') + keys);
    }
    return texts;
}

const QMenu *MenuNamed(const QMenuBar *bar, const QString &title) {
    for (const QAction *item : bar->actions()) {
        if (item->text() == title) return item->menu();
    }
    return nullptr;
}

QColor At(const QImage &image, int x, int y) {
    return image.pixelColor(x, y);
}

const QString kSample = QStringLiteral(ZR_SAMPLES_DIR "/code39.png");

using MainFrameTest = ScratchDirTest;

TEST_F(MainFrameTest, ShellHasItsTitleMenusPanesAndAccelerators) {
    Frame frame;
    EXPECT_EQ(frame.window.windowTitle(), QStringLiteral("ZrDemo"));
    EXPECT_FALSE(frame.window.toolBar()->actions().isEmpty());
    for (int i = 0; i < 4; ++i) EXPECT_NE(frame.window.statusPane(i), nullptr);
    const QMenuBar *bar = frame.window.menuBar();
    // Without a document only File, View and Help.
    EXPECT_EQ(MenuTitles(bar), (QStringList{"&File", "&View", "&Help"}));
    EXPECT_EQ(ItemTexts(MenuNamed(bar, "&File")),
              (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "P&rint Setup...", "E&xit"}));

    ASSERT_TRUE(frame.window.openFile(kSample));
    EXPECT_EQ(MenuTitles(bar), (QStringList{"&File", "&View", "&Barcode", "&Zoom", "&Window", "&Help"}));
    QStringList file = ItemTexts(MenuNamed(bar, "&File"));
    ASSERT_GE(file.size(), 10);
    EXPECT_TRUE(file[8].startsWith("&1 ") && file[8].endsWith("code39.png")) << file[8].toStdString();
    // The recent files (up to 4) stand before Exit.
    file.erase(std::remove_if(file.begin(), file.end(),
                              [](const QString &t) { return t.size() > 2 && t[0] == '&' && t[1].isDigit(); }),
               file.end());
    EXPECT_EQ(file, (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "&Close", "&Save\tCtrl+S", "Save &As...",
                                 "&Print...\tCtrl+P", "Print Pre&view", "P&rint Setup...", "E&xit"}));
    EXPECT_EQ(ItemTexts(MenuNamed(bar, "&View")), (QStringList{"&Toolbar", "&Status Bar", "S&plit"}));
    EXPECT_EQ(ItemTexts(MenuNamed(bar, "&Barcode")),
              (QStringList{"&Settings...", "&Read", "&Whole Picture", "&Symbols"}));
    EXPECT_EQ(ItemTexts(MenuNamed(bar, "&Zoom")),
              (QStringList{"&400 %", "&300 %", "&200 %", "&100 %", "&50 %", "33 %", "&25 %", "&Fit Window"}));
    EXPECT_EQ(ItemTexts(MenuNamed(bar, "&Window")),
              (QStringList{"&New Window", "&Cascade", "&Tile", "&Arrange Icons", "&1 code39.png"}));
    EXPECT_EQ(ItemTexts(MenuNamed(bar, "&Help")), (QStringList{"&Help Topics", "&About ZrDemo..."}));
    const QStringList symbols = ItemTexts(frame.window.action("&Symbols")->menu());
    ASSERT_EQ(symbols.size(), 22);
    EXPECT_EQ(symbols[5], "Code 39");
    EXPECT_EQ(symbols.mid(18), (QStringList{"&PDF417", "&Data Matrix", "&QR Code", "Micro QR Code"}));
}

TEST_F(MainFrameTest, OpenShowsTheSplitReportAndImageInformation) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    ASSERT_EQ(frame.windows(), 1);
    QApplication::processEvents();
    const QList<int> sizes = frame.child()->splitter()->sizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_NEAR(sizes[0] * 2.0, sizes[1], 12.0);  // one third beside two thirds

    const QStringList texts = frame.reportTexts();
    EXPECT_EQ(texts.value(0), "Open file");
    EXPECT_TRUE(texts.value(1).startsWith("Run time: ")) << texts.value(1).toStdString();
    EXPECT_EQ(texts.value(2), "Return code: 0");
    EXPECT_FALSE(texts.contains("Barcode no:"));  // no symbol count after a file operation
    EXPECT_TRUE(texts.contains("Width: 642"));
    EXPECT_TRUE(texts.contains("Height: 210"));
    EXPECT_TRUE(texts.contains("BitsPerPixel: 1"));
}

// One symbol of each reader kind, read through the Read command: the report names the operation and
// shows the symbol's position and text. A kind whose reader is not built leaves the report as it was.
TEST_F(MainFrameTest, ZoomFitAndPixelReadout) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    app::ImageView *view = frame.view();
    frame.window.setZoom(2.0);
    QApplication::processEvents();
    const QSize client = view->viewport()->size();
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), std::max(0, 642 * 2 - client.width()));
    EXPECT_EQ(view->verticalScrollBar()->maximum(), std::max(0, 210 * 2 - client.height()));

    // Mouse at (101, 50), not scrolled: pixel 50.5 rounded up to 51, row 25; the sample is white there.
    view->setScrollPosition({0, 0});
    QMouseEvent move(QEvent::MouseMove, QPointF(101, 50), QPointF(101, 50), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    EXPECT_EQ(frame.window.statusPane(0)->text(), "x: 51 y: 25 RGB(255, 255, 255)");

    frame.window.fitWindow();
    EXPECT_DOUBLE_EQ(frame.doc()->document.zoom, std::min(client.width() / 642.0, client.height() / 210.0));
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
}

TEST_F(MainFrameTest, KeyboardScrollsInsideTheScaledPicture) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    app::ImageView *view = frame.view();
    frame.window.setZoom(4.0);
    QApplication::processEvents();
    auto press = [&](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
        return view->scrollPosition();
    };
    view->setScrollPosition({0, 0});
    EXPECT_EQ(press(Qt::Key_Left), QPoint(0, 0));  // stops at 0
    EXPECT_EQ(press(Qt::Key_End), QPoint(100, 0));
    EXPECT_EQ(press(Qt::Key_Right), QPoint(120, 0));
    EXPECT_EQ(press(Qt::Key_PageDown), QPoint(120, 100));
    EXPECT_EQ(press(Qt::Key_Up), QPoint(120, 80));
    EXPECT_EQ(press(Qt::Key_Home), QPoint(20, 80));
    const int lastY = view->verticalScrollBar()->maximum();
    for (int i = 0; i < 20; ++i) press(Qt::Key_PageDown);
    EXPECT_EQ(view->scrollPosition().y(), lastY);  // never past the picture
}

TEST_F(MainFrameTest, FilesThatDoNotOpenShowTheirMessageAndMakeNoWindow) {
    Frame frame;
    EXPECT_FALSE(frame.window.openFile(QString::fromStdString(Path("missing.png"))));
    std::ofstream(Path("junk.bmp")) << "not a picture";
    EXPECT_FALSE(frame.window.openFile(QString::fromStdString(Path("junk.bmp"))));
    EXPECT_FALSE(frame.window.openFile(QString::fromStdString(Path("document.pdf"))));
    EXPECT_FALSE(frame.window.openFile(QString::fromStdString(Path("nodot"))));
    EXPECT_EQ(frame.messages, (QStringList{"Error while reading file", "Error while reading file",
                                           "Image type not supported!", "Image type not supported!"}));
    EXPECT_EQ(frame.windows(), 0);
}

TEST_F(MainFrameTest, SaveReportsTheOutcome) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    EXPECT_FALSE(frame.window.saveDocument(frame.doc(), QString::fromStdString(Path("copy.gif"))));
    EXPECT_EQ(frame.messages, QStringList{"Image type not supported!"});
    EXPECT_TRUE(frame.reportTexts().contains("Return code: 11"));
    EXPECT_FALSE(
        frame.window.saveDocument(frame.doc(), QString::fromStdString(Path("no/such/dir/copy.png"))));
    EXPECT_EQ(frame.messages.value(1), "Error while writing file");

    ASSERT_TRUE(frame.window.saveDocument(frame.doc(), QString::fromStdString(Path("copy.png"))));
    EXPECT_EQ(frame.reportTexts().value(0), "Save file");
    EXPECT_EQ(frame.reportTexts().value(2), "Return code: 0");
    EXPECT_EQ(frame.child()->parentWidget()->windowTitle(), "copy.png");
}

TEST_F(MainFrameTest, SymbolsMenuChecksFollowTheSettings) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    QAction *code39 = frame.window.action("Code 39");
    ASSERT_NE(code39, nullptr);
    EXPECT_TRUE(code39->isChecked());
    code39->trigger();
    EXPECT_FALSE(code39->isChecked());
    EXPECT_EQ(frame.window.settings().linearTypes, kAllLinearTypes & ~32u);
    code39->trigger();
    EXPECT_TRUE(code39->isChecked());

    for (const char *item : {"&PDF417", "&Data Matrix", "&QR Code", "Micro QR Code"}) {
        QAction *kind = frame.window.action(item);
        ASSERT_NE(kind, nullptr) << item;
        const ReaderKind expected =
            static_cast<ReaderKind>(frame.window.action("&Symbols")->menu()->actions().indexOf(kind) - 18);
        EXPECT_EQ(kind->isEnabled(), IsReaderBuilt(expected)) << item;
        if (!kind->isEnabled()) continue;
        kind->trigger();
        EXPECT_TRUE(kind->isChecked()) << item;
        EXPECT_FALSE(code39->isChecked()) << item;
        EXPECT_EQ(frame.window.settings().linearTypes, 0u);
        EXPECT_EQ(frame.window.settings().readerKind, expected);
    }
}

TEST_F(MainFrameTest, TinyAndHugePicturesZoomAndScroll) {
    Frame frame;
    NewImageRequest tiny;
    tiny.width = 1;
    tiny.height = 1;
    ASSERT_TRUE(frame.window.newImage(tiny));
    frame.read(ReaderKind::Linear);
    for (double zoom : kZoomSteps) {
        frame.window.setZoom(zoom);
        EXPECT_FALSE(frame.grabView().isNull());
    }
    frame.window.fitWindow();
    EXPECT_GT(frame.doc()->document.zoom, 100.0);
    const QImage shot = frame.grabView();
    EXPECT_EQ(At(shot, 5, 5), QColor(255, 255, 255));  // the one white pixel fills the view

    NewImageRequest huge;
    huge.width = 10000;
    huge.height = 10000;
    ASSERT_TRUE(frame.window.newImage(huge));
    EXPECT_EQ(frame.child()->parentWidget()->windowTitle(), "ZrDemo2");
    frame.window.setZoom(1.0);
    app::ImageView *view = frame.view();
    view->setScrollPosition({9000, 9000});
    EXPECT_FALSE(frame.grabView().isNull());
    frame.window.fitWindow();
    EXPECT_LT(frame.doc()->document.zoom, 0.1);
    EXPECT_FALSE(frame.grabView().isNull());
}

TEST_F(MainFrameTest, PrintsThePictureWithItsOutlines) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    frame.read(ReaderKind::Linear);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(Path("page.pdf")));
    frame.window.paintForPrinter(&printer);
    QFile pdf(QString::fromStdString(Path("page.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
    EXPECT_GT(pdf.size(), 1000);
}

TEST_F(MainFrameTest, DroppedFilesOpen) {
    Frame frame;
    QMimeData data;
    data.setUrls(
        {QUrl::fromLocalFile(kSample), QUrl::fromLocalFile(QString::fromStdString(Path("gone.png")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame.window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame.window, &drop);
    EXPECT_EQ(frame.windows(), 1);
    EXPECT_EQ(frame.messages, QStringList{"Error while reading file"});
}

TEST_F(MainFrameTest, NewWindowShowsTheSameDocument) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    app::ChildFrame *first = frame.child();
    frame.window.action("&New Window")->trigger();
    ASSERT_EQ(frame.windows(), 2);
    EXPECT_EQ(frame.child()->doc(), first->doc());
    EXPECT_EQ(frame.child()->parentWidget()->windowTitle(), "code39.png:2");
    frame.read(ReaderKind::Linear);
    EXPECT_TRUE(first->report()->visibleTexts().contains("Barcodes found: 1"));
    // Closing one window leaves the document to the other.
    frame.child()->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(frame.windows(), 1);
    EXPECT_EQ(first->parentWidget()->windowTitle(), "code39.png");
    frame.window.action("&New Window")->trigger();
    frame.window.action("&Close")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame.windows(), 0);
}

TEST_F(MainFrameTest, RecentFilesPersistAcrossWindows) {
    std::vector<QString> files;
    for (int i = 0; i < 5; ++i) {
        const std::string path = Path(("pic" + std::to_string(i) + ".bmp").c_str());
        ASSERT_TRUE(WriteRaster(Canvas(40, 40), path));
        files.push_back(QString::fromStdString(path));
    }
    {
        Frame first;
        for (const QString &file : files) ASSERT_TRUE(first.window.openFile(file));
    }
    Frame second;
    QStringList recent;
    for (const QAction *item : second.window.recentFilesAnchorMenu()->actions()) {
        if (item->text().startsWith('&') && item->text().at(1).isDigit()) recent << item->text();
    }
    ASSERT_EQ(recent.size(), 4);
    EXPECT_TRUE(recent[0].startsWith("&1 ") && recent[0].endsWith("pic4.bmp")) << recent[0].toStdString();
    EXPECT_TRUE(recent[3].startsWith("&4 ") && recent[3].endsWith("pic1.bmp")) << recent[3].toStdString();
}

}  // namespace
}  // namespace zr::demo::test
