// Reading through the windows: the Read command and the rubber-band selection, the report's texts
// and list, and the outlines drawn over the picture.
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScrollBar>

#include "logic/read.hpp"
#include "logic/report.hpp"
#include "logic/shapes.hpp"
#include "logic/view_math.hpp"
#include "scratch_dir.hpp"
#include "widget_test_util.hpp"

namespace zr::demo::test {
namespace {

using zr::test::Canvas;
using zr::test::Paste;
using zr::test::Raster;
using zr::test::RenderSymbol;
using zr::test::SymbolOptions;

Raster Code39(const std::string &text) {
    SymbolOptions options;
    options.symbology = BARCODE_CODE39;
    options.data = text;
    options.moduleSize = 2;
    return RenderSymbol(options);
}

QColor At(const QImage &image, int x, int y) {
    return image.pixelColor(x, y);
}

const QString kSample = QStringLiteral(ZR_SAMPLES_DIR "/code39.png");

using ReadingTest = ScratchDirTest;

TEST_F(ReadingTest, ReadListsTheSymbolAndShowsItsDetails) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    frame.read(ReaderKind::Linear);
    const QStringList texts = frame.reportTexts();
    EXPECT_EQ(texts.value(0), "Read linear barcodes");
    EXPECT_EQ(texts.value(2), "Return code: 0");
    EXPECT_EQ(texts.value(3), "Barcodes found: 1");
    EXPECT_EQ(frame.listEntries(), QStringList{"0"});
    const QStringList details = frame.report()->detailTexts();
    ASSERT_EQ(details.size(), 6);
    EXPECT_TRUE(details[0].startsWith("Position: [("));
    EXPECT_EQ(details[1], "Bars color: black");
    EXPECT_EQ(details[4], "Type: Code 39");
    EXPECT_EQ(details[5], "ZR-READERS 39");
}

TEST_F(ReadingTest, EachReaderKindReadsItsSymbol) {
    struct KindCase {
        ReaderKind kind;
        int symbology;
        const char *label;
        // The detail fields shown, in order, as patterns (BARS: the symbol's bar colour); the others
        // are hidden.
        std::vector<const char *> fields;
    };
    const char *position = R"(^Position: \[\(\d+,\d+\), \(\d+,\d+\), \(\d+,\d+\), \(\d+,\d+\)\]$)";
    const char *text = "^ZRDEMO 42$";
    const KindCase cases[] = {
        {ReaderKind::Linear,
         BARCODE_CODE39,
         "Read linear barcodes",
         {position, "^Bars color: BARS$", R"(^Skew angle: \d+\.\d\d degrees$)", R"(^Checksum: \d+$)",
          "^Type: Code 39$", text}},
        {ReaderKind::Pdf417,
         BARCODE_PDF417,
         "Read PDF417 barcode",
         {position, "^Bars color: BARS$", R"(^Skew angle: \d+\.\d\d degrees$)",
          R"(^Error correction level: \d+   Confidence: \d+$)", R"(^Rows: \d+  x  Columns: \d+$)", text}},
        {ReaderKind::DataMatrix, BARCODE_DATAMATRIX, "Read DataMatrix barcode", {position, text}},
        {ReaderKind::Qr,
         BARCODE_QRCODE,
         "Read QR code",
         {position, text, R"(^Confidence: \d+$)", "^Version: 1$"}},
        {ReaderKind::MicroQr,
         BARCODE_MICROQR,
         "Read Micro QR code",
         {position, text, R"(^Confidence: \d+$)", R"(^Version: [1-4]$)"}},
    };
    for (const KindCase &entry : cases) {
        for (const bool lightOnDark : {false, true}) {
            SCOPED_TRACE(std::string(entry.label) + (lightOnDark ? ", light on dark" : ""));
            SymbolOptions options;
            options.symbology = entry.symbology;
            options.data = "ZRDEMO 42";
            options.moduleSize = 4;
            Raster picture = RenderSymbol(options);
            if (lightOnDark) picture = zr::test::Invert(picture);
            const std::string path = Path("kind.bmp");
            ASSERT_TRUE(WriteRaster(picture, path));
            Frame frame;
            ASSERT_TRUE(frame.window.openFile(QString::fromStdString(path)));
            frame.read(entry.kind);
            const QStringList texts = frame.reportTexts();
            if (!IsReaderBuilt(entry.kind)) {
                EXPECT_EQ(texts.value(0), "Open file");
                continue;
            }
            EXPECT_EQ(texts.value(0), entry.label);
            EXPECT_EQ(texts.value(3), "Barcodes found: 1");
            EXPECT_EQ(frame.listEntries(), QStringList{"0"});
            const QStringList details = frame.report()->detailTexts();
            ASSERT_EQ(details.size(), static_cast<qsizetype>(entry.fields.size()))
                << details.join(" | ").toStdString();
            for (size_t i = 0; i < entry.fields.size(); ++i) {
                const QString field =
                    QString::fromLatin1(entry.fields[i]).replace("BARS", lightOnDark ? "white" : "black");
                EXPECT_TRUE(QRegularExpression(field).match(details[static_cast<qsizetype>(i)]).hasMatch())
                    << details[static_cast<qsizetype>(i)].toStdString();
            }
            // The one symbol is the selected one: framed in red.
            const std::vector<SymbolShape> shapes = ResultShapes(frame.doc()->document);
            ASSERT_EQ(shapes.size(), 1u);
            const OutlineBox box = OutlineFor(shapes[0].corners, frame.doc()->document.zoom, true);
            frame.child()->parentWidget()->showMaximized();
            frame.view()->setScrollPosition({0, 0});
            const QImage shot = frame.grabView();
            EXPECT_EQ(At(shot, box.right - 1, box.bottom - 1), QColor(255, 0, 0));
        }
    }
}

// Settings at the ends of what the dialog accepts give a report (perhaps of nothing found), never a
// crash: search areas far outside the picture, no colours, no directions, 1000 symbols.
TEST_F(ReadingTest, SettingsAtTheirLimitsGiveAReport) {
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(kSample));
    ReadSettings limits;
    limits.maxSymbols = 1000;
    limits.barsColourMask = 0;
    limits.orientation = 0;
    limits.bestRecognition = 1;
    limits.showUndecoded = 1;
    for (const SearchUnit unit : {SearchUnit::Pixels, SearchUnit::Inches, SearchUnit::Centimetres}) {
        for (const double start : {0.0, 1e7}) {
            for (int kind = 0; kind < kReaderKindCount; ++kind) {
                ReadSettings settings = limits;
                settings.readerKind = static_cast<ReaderKind>(kind);
                settings.searchUnit = unit;
                settings.searchStart = {start, start};
                settings.searchSize = {1e7, 1e7};
                frame.window.applySettings(settings);
                frame.window.read();
                frame.settle();
                const QStringList texts = frame.reportTexts();
                EXPECT_EQ(texts.value(0), OperationLabel(ReaderKindInfoFor(settings.readerKind).operation));
                EXPECT_TRUE(texts.value(2).startsWith("Return code: "));
                EXPECT_TRUE(texts.value(3).startsWith("Barcodes found: "));
            }
        }
    }
}

// A long text without spaces goes into a text box that wraps anywhere, so the report keeps its width.
TEST_F(ReadingTest, LongTextsWrapInsideTheReport) {
    SymbolOptions options;
    options.symbology = BARCODE_QRCODE;
    options.data = std::string(300, 'Z');
    options.moduleSize = 3;
    ASSERT_TRUE(WriteRaster(RenderSymbol(options), Path("long.bmp")));
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(QString::fromStdString(Path("long.bmp"))));
    frame.read(ReaderKind::Qr);
    ASSERT_EQ(frame.listEntries(), QStringList{"0"});
    EXPECT_TRUE(frame.report()->detailTexts().contains(QString(300, 'Z')));
    QApplication::processEvents();
    EXPECT_EQ(frame.report()->horizontalScrollBar()->maximum(), 0);
}

TEST_F(ReadingTest, MaximumOfOneSymbolShowsTheFirstAndTheReadersCode) {
    Raster page = Canvas(400, 500);
    Paste(page, Code39("A1"), 10, 10);
    Paste(page, Code39("B2"), 10, 250);
    ASSERT_TRUE(WriteRaster(page, Path("two.bmp")));
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(QString::fromStdString(Path("two.bmp"))));
    frame.window.settings().maxSymbols = 1;
    frame.read(ReaderKind::Linear);
    EXPECT_EQ(frame.listEntries(), QStringList{"0"});
    EXPECT_EQ(frame.reportTexts().value(3), "Barcodes found: 1");
    EXPECT_EQ(frame.reportTexts().value(2), QStringLiteral("Return code: %1").arg(ZR_ERR_LIST_FULL));
}

TEST_F(ReadingTest, NothingFoundHidesTheDetails) {
    Frame frame;
    ASSERT_TRUE(WriteRaster(Canvas(300, 200), Path("blank.bmp")));
    ASSERT_TRUE(frame.window.openFile(QString::fromStdString(Path("blank.bmp"))));
    frame.read(ReaderKind::Linear);
    EXPECT_TRUE(frame.reportTexts().contains("Barcodes found: 0"));
    EXPECT_TRUE(frame.listEntries().isEmpty());
    EXPECT_TRUE(frame.report()->detailTexts().isEmpty());
}

TEST_F(ReadingTest, SelectedSymbolIsOutlinedInRedTheOthersInBlue) {
    Raster page = Canvas(700, 620);
    const char *texts[] = {"ONE", "TWO", "THREE"};
    for (int i = 0; i < 3; ++i) Paste(page, Code39(texts[i]), 20 + 100 * i, 10 + 200 * i);
    ASSERT_TRUE(WriteRaster(page, Path("three.bmp")));

    Frame frame;
    ASSERT_TRUE(frame.window.openFile(QString::fromStdString(Path("three.bmp"))));
    frame.window.setZoom(1.0);
    frame.read(ReaderKind::Linear);
    ASSERT_EQ(frame.listEntries(), (QStringList{"0", "1", "2"}));

    // Choose the entry whose symbol reads "THREE".
    const std::vector<ZrBarResult> &results = frame.doc()->document.linearResults;
    int three = -1;
    for (size_t i = 0; i < results.size(); ++i) {
        if (std::string(results[i].text) == "THREE") three = static_cast<int>(i);
    }
    ASSERT_GE(three, 0);
    QComboBox *list = frame.report()->symbolList();
    list->setCurrentIndex(three);
    emit list->activated(three);
    EXPECT_TRUE(frame.report()->detailTexts().contains("THREE"));

    // The whole picture in view at zoom 1.
    frame.child()->parentWidget()->showMaximized();
    frame.view()->setScrollPosition({0, 0});
    const QImage shot = frame.grabView();
    const double zoom = frame.doc()->document.zoom;
    for (size_t i = 0; i < results.size(); ++i) {
        const OutlineBox box = OutlineFor(results[i].corners, zoom, static_cast<int>(i) == three);
        ASSERT_LE(box.bottom, shot.height());
        ASSERT_LE(box.right, shot.width());
        const QColor expected = static_cast<int>(i) == three ? QColor(255, 0, 0) : QColor(0, 0, 255);
        // The bottom right corner of the frame, away from the text.
        EXPECT_EQ(At(shot, box.right - 1, box.bottom - 1), expected) << results[i].text;
        EXPECT_EQ(At(shot, box.left, box.bottom - 1), expected) << results[i].text;
    }
}

TEST_F(ReadingTest, RubberBandSelectionReadsOnlyThatArea) {
    Raster page = Canvas(700, 500);
    Paste(page, Code39("LEFT"), 0, 10);
    Paste(page, Code39("LOWER"), 0, 260);
    ASSERT_TRUE(WriteRaster(page, Path("two.bmp")));
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(QString::fromStdString(Path("two.bmp"))));
    frame.window.setZoom(0.5);
    QApplication::processEvents();
    app::ImageView *view = frame.view();
    // Drag over the lower half of the picture (y 250 .. 500 at zoom 0.5).
    {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(0, 125), QPointF(0, 125), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(349, 249), QPointF(349, 249), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &release);
        frame.settle();
    }
    const ReadSettings &settings = frame.window.settings();
    EXPECT_EQ(settings.searchUnit, SearchUnit::Pixels);
    EXPECT_EQ(settings.searchStart[1], 250.0);
    EXPECT_EQ(settings.searchSize[0], 698.0);
    EXPECT_TRUE(frame.reportTexts().contains("Barcodes found: 1"));
    EXPECT_TRUE(frame.report()->detailTexts().contains("LOWER"));

    // A click, or a drag at a zoom where it covers no whole pixel, reads nothing.
    ASSERT_TRUE(frame.window.openFile(QString::fromStdString(Path("two.bmp"))));
    frame.window.setZoom(4.0);
    const ReadSettings kept = frame.window.settings();
    frame.window.selectArea(QRect(10, 10, 2, 2), QPoint(0, 0));
    EXPECT_EQ(frame.doc()->document.state.lastOperation, Operation::OpenFile);
    EXPECT_EQ(frame.window.settings().searchStart, kept.searchStart);
    // A selection wholly outside the picture reads nothing either, and the status bar says why.
    frame.window.selectArea(QRect(5000, 5000, 100, 100), QPoint(0, 0));
    frame.settle();
    EXPECT_EQ(frame.doc()->document.state.lastOperation, Operation::OpenFile);
    EXPECT_EQ(frame.window.settings().searchSize, kept.searchSize);
    EXPECT_TRUE(frame.window.statusMessage().contains("no pixel of the picture"))
        << frame.window.statusMessage().toStdString();
}

// A drag that runs past the picture onto the grey beyond it is kept to the picture: the part
// outside adds nothing, and a symbol beyond the drag's picture part is not read.
TEST_F(ReadingTest, DragPastThePictureIsKeptToIt) {
    Raster page = Canvas(700, 500);
    Paste(page, Code39("LEFT"), 0, 10);
    Paste(page, Code39("LOWER"), 0, 260);
    ASSERT_TRUE(WriteRaster(page, Path("two.bmp")));
    Frame frame;
    ASSERT_TRUE(frame.window.openFile(QString::fromStdString(Path("two.bmp"))));
    frame.window.setZoom(0.5);
    frame.view()->setScrollPosition({0, 0});
    // From the picture's lower half to well beyond its right and bottom edges (350 x 250 on screen).
    frame.window.selectArea(QRect(QPoint(0, 125), QPoint(600, 400)), QPoint(0, 0));
    frame.settle();
    const ReadSettings &settings = frame.window.settings();
    EXPECT_EQ(settings.searchStart, (std::array<double, 2>{0.0, 250.0}));
    EXPECT_EQ(settings.searchSize, (std::array<double, 2>{700.0, 250.0}));
    EXPECT_TRUE(frame.report()->detailTexts().contains("LOWER"));
    // A drag wholly over the grey below the picture reads nothing and says so.
    frame.window.selectArea(QRect(QPoint(0, 260), QPoint(300, 300)), QPoint(0, 0));
    frame.settle();
    EXPECT_EQ(frame.window.settings().searchStart, (std::array<double, 2>{0.0, 250.0}));
    EXPECT_TRUE(frame.window.statusMessage().contains("no pixel of the picture"));
}

}  // namespace
}  // namespace zr::demo::test
