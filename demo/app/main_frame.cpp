#include "main_frame.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
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

constexpr int kMinWindowWidth = 640;
constexpr int kMinWindowHeight = 420;

const QString kHelpText = QStringLiteral(
    "Open an image (File > Open, or drop a file on the window), choose what to look for in "
    "Barcode > Symbols or Barcode > Settings, and choose Barcode > Read. Dragging a rectangle over "
    "the image reads only that area.\n\n"
    "The report on the left shows the run time, the reader's return code and the number of symbols "
    "found; choose a symbol in the \"Barcode no:\" list to see its details. The selected symbol is "
    "framed in red, the others in blue.\n\n"
    "The Zoom menu changes the image size; the arrow keys, Page Up, Page Down, Home and End scroll.");

}  // namespace

MainFrame::MainFrame(QWidget *parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("ZrDemo"));
    setAcceptDrops(true);
    mdi_ = new QMdiArea;
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    showMessage = [this](const QString &text) { QMessageBox::warning(this, QStringLiteral("ZrDemo"), text); };
    createStatusBar();
    createMenus();
    createToolBar();
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { updateMenus(); });
    resize(1024, 720);
    updateMenus();
}

MainFrame::~MainFrame() {
    // The document windows outlive this object's own part of the destruction: nothing of theirs
    // may call back into it.
    mdi_->disconnect(this);
    for (QMdiSubWindow *window : mdi_->subWindowList()) {
        window->disconnect(this);
        if (auto *child = qobject_cast<ChildFrame *>(window->widget())) {
            child->doc()->disconnect(this);
            child->view()->disconnect(this);
        }
    }
}

ChildFrame *MainFrame::activeChild() const {
    QMdiSubWindow *window = mdi_->activeSubWindow();
    if (window == nullptr && !mdi_->subWindowList().isEmpty()) window = mdi_->subWindowList().constLast();
    return window != nullptr ? qobject_cast<ChildFrame *>(window->widget()) : nullptr;
}

DocHandle *MainFrame::activeDoc() const {
    ChildFrame *child = activeChild();
    return child != nullptr ? child->doc() : nullptr;
}

ChildFrame *MainFrame::newWindow(const std::shared_ptr<DocHandle> &doc) {
    auto *child = new ChildFrame(doc);
    QMdiSubWindow *window = mdi_->addSubWindow(child);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(child->view(), &ImageView::pixelReadout, panes_[0], &QLabel::setText);
    connect(child->view(), &ImageView::selectionMade, this, &MainFrame::selectArea);
    connect(doc.get(), &DocHandle::updated, this, [this] { updateStatusPanes(); });
    // A closed window may still be listed while it is destroyed: it is left out by name.
    connect(window, &QObject::destroyed, this, [this, doc](QObject *gone) {
        retitle(doc.get(), gone);
        updateMenus();
    });
    // A new window takes most of the document area, as much as the picture and report need.
    const QSize area = mdi_->viewport()->size();
    window->resize(std::min(area.width(), std::max(kMinWindowWidth, area.width() * 4 / 5)),
                   std::min(area.height(), std::max(kMinWindowHeight, area.height() * 4 / 5)));
    window->show();
    mdi_->setActiveSubWindow(window);
    retitle(doc.get());
    updateMenus();
    return child;
}

// The windows of one document are titled "name", or "name:1", "name:2", ... when there are several.
void MainFrame::retitle(DocHandle *doc, const QObject *gone) {
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *window : mdi_->subWindowList()) {
        if (window == gone) continue;
        auto *child = qobject_cast<ChildFrame *>(window->widget());
        if (child != nullptr && child->doc() == doc) windows << window;
    }
    for (int i = 0; i < windows.size(); ++i) {
        windows[i]->setWindowTitle(windows.size() == 1 ? doc->title
                                                       : QStringLiteral("%1:%2").arg(doc->title).arg(i + 1));
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

void MainFrame::read() {
    readDocument(activeDoc());
}

void MainFrame::readDocument(DocHandle *doc) {
    if (doc == nullptr) return;
    uint16_t status;
    {
        const WaitCursor wait;
        status = ReadSymbols(doc->document, settings_);
    }
    if (!IsReaderBuilt(settings_.readerKind)) {
        // The document is unchanged: nothing to refresh.
        statusBar()->showMessage(
            QStringLiteral("This reader is not built into ZrDemo (return code %1)").arg(status), 5000);
        return;
    }
    doc->UpdateAllViews(RefreshHintFor(settings_.readerKind));
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
    updateSymbolChecks();
    for (QMdiSubWindow *window : mdi_->subWindowList()) {
        if (auto *child = qobject_cast<ChildFrame *>(window->widget()))
            child->doc()->UpdateAllViews(kHintRedraw);
    }
}

void MainFrame::selectArea(const QRect &rect, QPoint scroll) {
    auto *view = qobject_cast<ImageView *>(sender());
    DocHandle *doc = view != nullptr ? view->doc() : activeDoc();
    if (doc == nullptr || doc->document.image.dib == nullptr) return;
    ReadSettings chosen = settings_;
    ApplySelection(chosen, rect.left(), rect.top(), rect.right(), rect.bottom(), scroll.x(), scroll.y(),
                   doc->document.zoom);
    // At a large zoom a small drag may cover no whole pixel, which would mean "to the edge".
    if (chosen.searchSize[0] < 1.0 || chosen.searchSize[1] < 1.0) return;
    settings_ = chosen;
    readDocument(doc);
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
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), doc->path, DialogFilters(kSaveFilters),
                                     nullptr, QFileDialog::HideNameFilterDetails);
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

void MainFrame::onNewWindow() {
    ChildFrame *child = activeChild();
    if (child != nullptr) newWindow(child->sharedDoc());
}

void MainFrame::onArrangeIcons() {
    // Minimised windows in a row along the bottom of the document area.
    int x = 0;
    for (QMdiSubWindow *window : mdi_->subWindowList()) {
        if (!window->isMinimized()) continue;
        const QSize size = window->size();
        window->move(x, mdi_->viewport()->height() - size.height());
        x += size.width();
    }
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
    mdi_->closeAllSubWindows();
    QMainWindow::closeEvent(event);
}

}  // namespace zr::demo::app
