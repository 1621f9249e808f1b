#include "main_frame.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QUrl>

#include "about_box.hpp"
#include "child_frame.hpp"
#include "doc_handle.hpp"
#include "image_view.hpp"
#include "logic/file_filters.hpp"
#include "logic/read.hpp"
#include "logic/view_math.hpp"
#include "new_image_dialog.hpp"
#include "read_runner.hpp"
#include "settings_dialog.hpp"

namespace zr::demo::app {
namespace {

// Shows the wait cursor while it lives.
class WaitCursor {
  public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// Qt reads a filter's patterns from its last parentheses, separated by spaces; the label is shown
// alone (HideNameFilterDetails), so the patterns follow it in a group of their own. Upper-case
// patterns are added because the extension is compared without case.
template <size_t N>
QString DialogFilters(const FileFilter (&filters)[N]) {
    QStringList entries;
    for (const FileFilter &filter : filters) {
        const QStringList patterns = QString::fromLatin1(filter.patterns).split(QLatin1Char(';'));
        QStringList all = patterns;
        for (const QString &pattern : patterns) all << pattern.toUpper();
        entries << QStringLiteral("%1 (%2)").arg(QString::fromLatin1(filter.label),
                                                 all.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

const QString kHelpText = QStringLiteral(
    "Open an image (File > Open, or drop a file on the window), choose what to look for in "
    "Barcode > Symbols or Barcode > Settings, and choose Barcode > Read. Dragging a rectangle over "
    "the image reads only that area.\n\n"
    "The report on the left shows the run time, the reader's return code and the number of symbols "
    "found; choose a symbol in the \"Barcode no:\" list to see its details. The selected symbol is "
    "framed in red, the others in blue.\n\n"
    "The Zoom menu changes the image size; the arrow keys, Page Up, Page Down, Home and End scroll.\n\n"
    "A dragged area stays the search area of every later read, in every picture: it is framed in "
    "orange on each picture and named in the status bar. Barcode > Whole Picture searches the "
    "whole picture again.");

constexpr int kStatusMessageTime = 5000;  // milliseconds

// The program's icon: a small barcode on white, drawn so that no image file is needed.
QIcon ProgramIcon() {
    constexpr int kSize = 32;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    constexpr int kBars[][2] = {{3, 2}, {7, 1}, {10, 3}, {15, 1}, {18, 2}, {22, 1}, {25, 3}};
    for (const auto &bar : kBars) painter.fillRect(bar[0], 4, bar[1], kSize - 8, Qt::black);
    return QIcon(pixmap);
}

}  // namespace

MainFrame::MainFrame(QWidget *parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("ZrDemo"));
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);
    mdi_ = new QMdiArea;
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    showMessage = [this](const QString &text) { QMessageBox::warning(this, QStringLiteral("ZrDemo"), text); };
    createStatusBar();
    createMenus();
    createToolBar();
    reads_ = new ReadRunner(this);
    connect(reads_, &ReadRunner::finished, this, [this] { updateStatusPanes(); });
    // The picture takes the keyboard whenever its window becomes the active one.
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *window) {
        updateMenus();
        updateWindowMenu();
        if (auto *child = window != nullptr ? qobject_cast<ChildFrame *>(window->widget()) : nullptr)
            child->view()->setFocus();
    });
    resize(1024, 720);
    updateMenus();
}

MainFrame::~MainFrame() {
    // The document windows outlive this object's own part of the destruction: nothing of theirs
    // may call back into it.
    reads_->disconnect(this);
    mdi_->disconnect(this);
    for (QMdiSubWindow *window : mdi_->subWindowList()) {
        window->disconnect(this);
        if (auto *child = qobject_cast<ChildFrame *>(window->widget())) {
            child->doc()->disconnect(this);
            child->view()->disconnect(this);
        }
    }
}

bool MainFrame::openFile(const QString &path) {
    auto doc = std::make_shared<DocHandle>();
    FileOutcome outcome;
    {
        const WaitCursor wait;
        outcome = OpenImage(doc->document, QFile::encodeName(path).constData());
    }
    if (!outcome.ok) {
        showMessage(QString::fromLatin1(outcome.message));
        return false;
    }
    doc->path = QFileInfo(path).absoluteFilePath();
    doc->title = QFileInfo(path).fileName();
    recent_.add(doc->path);
    updateRecentMenu();
    newWindow(doc);
    doc->UpdateAllViews(kHintRedraw);
    return true;
}

bool MainFrame::newImage(const NewImageRequest &request) {
    auto doc = std::make_shared<DocHandle>();
    const uint16_t status = CreateNewImage(doc->document, request);
    if (status != ZR_OK) {
        // The new document is closed again.
        statusBar()->showMessage(QStringLiteral("The image could not be made (return code %1)").arg(status),
                                 5000);
        return false;
    }
    doc->title = QStringLiteral("ZrDemo%1").arg(++untitled_);
    newWindow(doc);
    doc->UpdateAllViews(kHintRedraw);
    return true;
}

bool MainFrame::saveDocument(DocHandle *doc, const QString &path) {
    if (doc == nullptr) return false;
    FileOutcome outcome;
    {
        const WaitCursor wait;
        outcome = SaveImage(doc->document, QFile::encodeName(path).constData());
    }
    if (!outcome.ok) {
        showMessage(QString::fromLatin1(outcome.message));
        doc->UpdateAllViews(kHintRedraw);
        return false;
    }
    doc->path = QFileInfo(path).absoluteFilePath();
    doc->title = QFileInfo(path).fileName();
    recent_.add(doc->path);
    updateRecentMenu();
    retitle(doc);
    doc->UpdateAllViews(kHintRedraw);
    return true;
}

QString MainFrame::statusMessage() const {
    return statusBar()->currentMessage();
}

void MainFrame::showStatus(const QString &text) {
    statusBar()->showMessage(text, kStatusMessageTime);
}

void MainFrame::read() {
    ChildFrame *child = activeChild();
    if (child != nullptr) readDocument(child->sharedDoc());
}

bool MainFrame::readRunning() const {
    return reads_->running();
}

void MainFrame::waitForRead() {
    reads_->waitForFinished();
}

void MainFrame::readDocument(const std::shared_ptr<DocHandle> &doc) {
    if (doc == nullptr) return;
    if (!IsReaderBuilt(settings_.readerKind)) {
        // The document is unchanged: nothing to refresh.
        showStatus(
            QStringLiteral("This reader is not built into ZrDemo (return code %1)").arg(ZR_ERR_UNSUPPORTED));
        return;
    }
    if (!reads_->start(doc, settings_))
        showStatus(QStringLiteral("A read is still running: wait until it ends"));
}

void MainFrame::setZoom(double zoom) {
    DocHandle *doc = activeDoc();
    if (doc == nullptr) return;
    doc->document.zoom = zoom;
    doc->UpdateAllViews(kHintRedraw);
}

void MainFrame::fitWindow() {
    ChildFrame *child = activeChild();
    if (child != nullptr) child->view()->fitWindow();
}

void MainFrame::applySettings(const ReadSettings &settings) {
    settings_ = settings;
    if (RestoreLinearTypes(settings_))
        showStatus(QStringLiteral("No linear type was checked: the types used before are restored"));
    settingsChanged();
}

void MainFrame::settingsChanged() {
    updateSymbolChecks();
    for (QMdiSubWindow *window : mdi_->subWindowList()) {
        if (auto *child = qobject_cast<ChildFrame *>(window->widget())) {
            child->view()->setSearchArea(settings_);
            child->doc()->UpdateAllViews(kHintRedraw);
        }
    }
}

void MainFrame::selectArea(const QRect &rect, QPoint scroll) {
    auto *view = qobject_cast<ImageView *>(sender());
    std::shared_ptr<DocHandle> doc = view != nullptr ? sharedDocOf(view) : nullptr;
    if (doc == nullptr && activeChild() != nullptr) doc = activeChild()->sharedDoc();
    if (doc == nullptr || doc->document.image.dib == nullptr) return;
    if (reads_->running()) {  // the area would change under a read that cannot follow it
        showStatus(QStringLiteral("A read is still running: wait until it ends"));
        return;
    }
    ReadSettings chosen = settings_;
    const ZrImage &image = doc->document.image;
    if (!ApplySelection(chosen, rect.left(), rect.top(), rect.right(), rect.bottom(), scroll.x(), scroll.y(),
                        doc->document.zoom, image.width, image.height)) {
        showStatus(QStringLiteral("The selection holds no pixel of the picture: nothing was read"));
        return;
    }
    settings_ = chosen;
    settingsChanged();
    readDocument(doc);
}

void MainFrame::wholePicture() {
    settings_.searchStart = {0.0, 0.0};
    settings_.searchSize = {0.0, 0.0};
    settingsChanged();
    showStatus(QStringLiteral("Reads search the whole picture"));
}

void MainFrame::onNew() {
    NewImageDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted) newImage(dialog.request());
}

void MainFrame::onOpen() {
    const QString path = QFileDialog::getOpenFileName(this, QString::fromLatin1(kOpenDialogTitle), QString(),
                                                      DialogFilters(kOpenFilters), nullptr,
                                                      QFileDialog::HideNameFilterDetails);
    if (!path.isEmpty()) openFile(path);
}

void MainFrame::onClose() {
    DocHandle *doc = activeDoc();
    if (doc == nullptr) return;
    // Closing the document closes all its windows.
    for (QMdiSubWindow *window : mdi_->subWindowList()) {
        auto *child = qobject_cast<ChildFrame *>(window->widget());
        if (child != nullptr && child->doc() == doc) window->close();
    }
}

void MainFrame::onSave() {
    DocHandle *doc = activeDoc();
    if (doc == nullptr) return;
    if (doc->path.isEmpty()) {
        onSaveAs();
    } else {
        saveDocument(doc, doc->path);
    }
}

void MainFrame::onSaveAs() {
    DocHandle *doc = activeDoc();
    if (doc == nullptr) return;
    // The dialog starts on the filter of the document's own format.
    const QStringList filters = DialogFilters(kSaveFilters).split(QStringLiteral(";;"));
    QString chosen =
        filters.value(static_cast<int>(SaveFilterIndex(QFile::encodeName(doc->path).toStdString())));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), doc->path,
                                                      filters.join(QStringLiteral(";;")), &chosen,
                                                      QFileDialog::HideNameFilterDetails);
    if (!path.isEmpty()) saveDocument(doc, path);
}

void MainFrame::paintForPrinter(QPrinter *printer) {
    DocHandle *doc = activeDoc();
    if (doc == nullptr || doc->document.image.dib == nullptr) return;
    QPainter painter(printer);
    const QRect page = painter.viewport();
    // The whole image, as large as the page allows, with the outlines of the last read.
    const Document &document = doc->document;
    const double zoom = ZoomToFit(page.width(), page.height(), document.image, 1.0);
    const ViewSize size = ScrollSize(document.image, zoom);
    ImageView::Paint(painter, document, zoom, QSize(size.width, size.height), QPoint());
}

void MainFrame::onPrint() {
    if (!printer_) printer_ = std::make_unique<QPrinter>();
    QPrintDialog dialog(printer_.get(), this);
    if (dialog.exec() == QDialog::Accepted) paintForPrinter(printer_.get());
}

void MainFrame::onPrintPreview() {
    if (!printer_) printer_ = std::make_unique<QPrinter>();
    QPrintPreviewDialog dialog(printer_.get(), this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &MainFrame::paintForPrinter);
    dialog.exec();
}

void MainFrame::onPrintSetup() {
    if (!printer_) printer_ = std::make_unique<QPrinter>();
    QPageSetupDialog dialog(printer_.get(), this);
    dialog.exec();
}

void MainFrame::onSettings() {
    SettingsDialog dialog(settings_, this);
    if (dialog.exec() == QDialog::Accepted) applySettings(dialog.settings());
}

void MainFrame::onHelpTopics() {
    QMessageBox::information(this, QStringLiteral("ZrDemo Help"), kHelpText);
}

void MainFrame::onAbout() {
    AboutBox box(this);
    box.exec();
}

void MainFrame::onSplit() {
    ChildFrame *child = activeChild();
    if (child != nullptr) child->resetSplit();
}

void MainFrame::dragEnterEvent(QDragEnterEvent *event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainFrame::dropEvent(QDropEvent *event) {
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile()) openFile(url.toLocalFile());
    }
    event->acceptProposedAction();
}

void MainFrame::closeEvent(QCloseEvent *event) {
    reads_->waitForFinished();
    mdi_->closeAllSubWindows();
    QMainWindow::closeEvent(event);
}

}  // namespace zr::demo::app
