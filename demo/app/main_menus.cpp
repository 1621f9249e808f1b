// The main window's menus, toolbar and status bar, and keeping them in step with the documents and
// the reading settings.
#include <QAction>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "child_frame.hpp"
#include "doc_handle.hpp"
#include "logic/read.hpp"
#include "logic/symbologies.hpp"
#include "logic/view_math.hpp"
#include "main_frame.hpp"

namespace zr::demo::app {
namespace {

struct ZoomItem {
    const char *text;
    double zoom;
};

constexpr ZoomItem kZoomItems[] = {
    {"&400 %", 4.0}, {"&300 %", 3.0},     {"&200 %", 2.0}, {"&100 %", 1.0},
    {"&50 %", 0.5},  {"33 %", 1.0 / 3.0}, {"&25 %", 0.25},
};

// "&New\tCtrl+N": the item text, then its accelerator.
template <typename Receiver, typename Slot>
QAction *AddItem(QMenu *menu, const char *item, const char *prompt, Receiver *receiver, Slot slot) {
    const QString text = QString::fromLatin1(item);
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    auto *action = menu->addAction(text.left(tab));
    if (tab >= 0) action->setShortcut(QKeySequence(text.mid(tab + 1)));
    action->setStatusTip(QString::fromLatin1(prompt));
    QObject::connect(action, &QAction::triggered, receiver, slot);
    return action;
}

// A small barcode for the Read button.
QIcon BarcodeIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    constexpr int kBars[] = {1, 2, 4, 5, 7, 9, 10, 12, 14};
    for (const int x : kBars) painter.fillRect(x, 2, x == 4 || x == 9 ? 2 : 1, 12, Qt::black);
    return QIcon(pixmap);
}

}  // namespace

void MainFrame::createMenus() {
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    AddItem(fileMenu_, "&New\tCtrl+N", "Create a new image", this, &MainFrame::onNew);
    AddItem(fileMenu_, "&Open...\tCtrl+O", "Open an existing image", this, &MainFrame::onOpen);
    documentActions_ << AddItem(fileMenu_, "&Close", "Close the active image", this, &MainFrame::onClose);
    documentActions_ << AddItem(fileMenu_, "&Save\tCtrl+S", "Save the active image", this,
                                &MainFrame::onSave);
    documentActions_ << AddItem(fileMenu_, "Save &As...", "Save the active image with a new name", this,
                                &MainFrame::onSaveAs);
    documentActions_ << fileMenu_->addSeparator();
    documentActions_ << AddItem(fileMenu_, "&Print...\tCtrl+P", "Print the active image", this,
                                &MainFrame::onPrint);
    documentActions_ << AddItem(fileMenu_, "Print Pre&view", "Show the image as it will be printed", this,
                                &MainFrame::onPrintPreview);
    AddItem(fileMenu_, "P&rint Setup...", "Change the printer and printing options", this,
            &MainFrame::onPrintSetup);
    recentSeparator_ = fileMenu_->addSeparator();
    recentEnd_ = fileMenu_->addSeparator();
    exitAction_ = AddItem(fileMenu_, "E&xit", "Quit the application", this, &QWidget::close);

    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    QAction *toolbar = AddItem(viewMenu_, "&Toolbar", "Show or hide the toolbar", this,
                               [this](bool on) { toolBar_->setVisible(on); });
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    QAction *status = AddItem(viewMenu_, "&Status Bar", "Show or hide the status bar", this,
                              [this](bool on) { statusBar()->setVisible(on); });
    status->setCheckable(true);
    status->setChecked(true);
    documentActions_ << AddItem(viewMenu_, "S&plit",
                                "Put the report and the image back at one third and two thirds", this,
                                &MainFrame::onSplit);

    barcodeMenu_ = menuBar()->addMenu(QStringLiteral("&Barcode"));
    AddItem(barcodeMenu_, "&Settings...", "Change the reading settings", this, &MainFrame::onSettings);
    AddItem(barcodeMenu_, "&Read", "Read the symbols in the image", this, &MainFrame::read);
    AddItem(barcodeMenu_, "&Whole Picture", "Search the whole picture again after a dragged area", this,
            &MainFrame::wholePicture);
    symbolsMenu_ = barcodeMenu_->addMenu(QStringLiteral("&Symbols"));
    for (const LinearType &type : kLinearTypes) {
        const uint32_t bit = type.bit;
        QAction *item = AddItem(symbolsMenu_, type.name,
                                "Look for this linear symbology or stop looking for it", this, [this, bit] {
                                    ToggleLinearType(settings_, bit);
                                    settingsChanged();
                                });
        item->setCheckable(true);
        symbolActions_ << item;
    }
    symbolsMenu_->addSeparator();
    for (const ReaderKindInfo &entry : kReaderKinds) {
        if (entry.menuText == nullptr) continue;  // linear: chosen through its types
        const ReaderKind kind = entry.kind;
        QAction *item = AddItem(symbolsMenu_, entry.menuText, "Read this kind of symbol", this, [this, kind] {
            ChooseReaderKind(settings_, kind);
            settingsChanged();
        });
        item->setCheckable(true);
        item->setData(static_cast<int>(kind));
        // A reader that is not built into the program cannot be chosen.
        item->setEnabled(IsReaderBuilt(kind));
        symbolActions_ << item;
    }
    connect(symbolsMenu_, &QMenu::aboutToShow, this, &MainFrame::updateSymbolChecks);

    zoomMenu_ = menuBar()->addMenu(QStringLiteral("&Zoom"));
    for (const ZoomItem &entry : kZoomItems) {
        const double zoom = entry.zoom;
        AddItem(zoomMenu_, entry.text, "Show the image at this size", this, [this, zoom] { setZoom(zoom); });
    }
    AddItem(zoomMenu_, "&Fit Window", "Show the whole image in its window", this, &MainFrame::fitWindow);

    windowMenu_ = menuBar()->addMenu(QStringLiteral("&Window"));
    AddItem(windowMenu_, "&New Window", "Open another window for the active image", this,
            &MainFrame::onNewWindow);
    AddItem(windowMenu_, "&Cascade", "Arrange the windows so they overlap", this, &MainFrame::onCascade);
    AddItem(windowMenu_, "&Tile", "Arrange the windows side by side", mdi_, &QMdiArea::tileSubWindows);
    AddItem(windowMenu_, "&Arrange Icons", "Arrange the minimised windows along the bottom", this,
            &MainFrame::onArrangeIcons);
    windowListStart_ = windowMenu_->addSeparator();

    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    AddItem(helpMenu_, "&Help Topics", "How to use ZrDemo", this, &MainFrame::onHelpTopics);
    AddItem(helpMenu_, "&About ZrDemo...", "Show the program's and the libraries' versions", this,
            &MainFrame::onAbout);

    updateRecentMenu();
    updateSymbolChecks();
}

void MainFrame::createToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Standard"));
    toolBar_->setObjectName(QStringLiteral("Standard"));
    auto button = [this](const QString &text, const QIcon &icon) {
        QAction *item = action(text);
        if (item == nullptr) return;
        item->setIcon(icon);
        toolBar_->addAction(item);
    };
    QStyle *look = style();
    button(QStringLiteral("&New"), look->standardIcon(QStyle::SP_FileIcon));
    button(QStringLiteral("&Open..."), look->standardIcon(QStyle::SP_DialogOpenButton));
    button(QStringLiteral("&Save"), look->standardIcon(QStyle::SP_DialogSaveButton));
    toolBar_->addSeparator();
    button(QStringLiteral("&Read"), BarcodeIcon());
    button(QStringLiteral("&Settings..."), look->standardIcon(QStyle::SP_FileDialogDetailedView));
    toolBar_->addSeparator();
    button(QStringLiteral("&Fit Window"), look->standardIcon(QStyle::SP_TitleBarMaxButton));
    toolBar_->addSeparator();
    button(QStringLiteral("&About ZrDemo..."), look->standardIcon(QStyle::SP_MessageBoxQuestion));
}

void MainFrame::createStatusBar() {
    for (size_t i = 0; i < panes_.size(); ++i) {
        panes_[i] = new QLabel;
        panes_[i]->setObjectName(QStringLiteral("pane%1").arg(i));
        if (i == 0) {
            // The first pane: the pixel read-out; menu prompts show in its place.
            statusBar()->addWidget(panes_[i], 1);
        } else {
            panes_[i]->setFrameShape(QFrame::StyledPanel);
            panes_[i]->setMinimumWidth(90);
            panes_[i]->setAlignment(Qt::AlignCenter);
            statusBar()->addPermanentWidget(panes_[i]);
        }
    }
    panes_[kPaneReadout]->setText(QStringLiteral("Ready"));
}

void MainFrame::updateMenus() {
    const bool hasDocument = activeChild() != nullptr;
    // Without a document only File, View and Help show.
    barcodeMenu_->menuAction()->setVisible(hasDocument);
    zoomMenu_->menuAction()->setVisible(hasDocument);
    windowMenu_->menuAction()->setVisible(hasDocument);
    for (QAction *item : documentActions_) item->setVisible(hasDocument);
    for (QAction *item : barcodeMenu_->actions()) item->setEnabled(hasDocument);
    for (QAction *item : zoomMenu_->actions()) item->setEnabled(hasDocument);
    for (QAction *item : windowMenu_->actions()) item->setEnabled(hasDocument);
    updateStatusPanes();
}

void MainFrame::updateSymbolChecks() {
    for (int i = 0; i < symbolActions_.size(); ++i) {
        const bool linear = i < static_cast<int>(std::size(kLinearTypes));
        const bool checked =
            linear ? IsLinearTypeChecked(settings_, kLinearTypes[i].bit)
                   : static_cast<int>(settings_.readerKind) == symbolActions_[i]->data().toInt();
        symbolActions_[i]->setChecked(checked);
    }
    updateStatusPanes();
}

void MainFrame::updateRecentMenu() {
    for (QAction *item : recentActions_) {
        fileMenu_->removeAction(item);
        item->deleteLater();
    }
    recentActions_.clear();
    const QStringList files = recent_.load();
    for (int i = 0; i < files.size(); ++i) {
        QString shown = QDir::toNativeSeparators(files[i]);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto *item = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), fileMenu_);
        item->setStatusTip(QStringLiteral("Open this image"));
        const QString &file = files[i];
        connect(item, &QAction::triggered, this, [this, file] {
            // A file that no longer opens leaves the list.
            if (!openFile(file)) {
                recent_.remove(file);
                updateRecentMenu();
            }
        });
        fileMenu_->insertAction(recentEnd_, item);
        recentActions_ << item;
    }
    recentSeparator_->setVisible(!files.isEmpty());
}

void MainFrame::updateStatusPanes() {
    panes_[kPaneKind]->setText(QString::fromLatin1(ReaderKindInfoFor(settings_.readerKind).title));
    panes_[kPaneArea]->setText(QString::fromStdString(SearchAreaText(settings_)));
    const DocHandle *doc = activeDoc();
    if (doc == nullptr || doc->document.image.dib == nullptr) {
        panes_[kPaneZoom]->clear();
        panes_[kPaneSize]->clear();
        return;
    }
    const Document &document = doc->document;
    panes_[kPaneZoom]->setText(QStringLiteral("%1 %").arg(qRound(document.zoom * 100.0)));
    panes_[kPaneSize]->setText(QStringLiteral("%1 x %2 x %3")
                                   .arg(document.image.width)
                                   .arg(document.image.height)
                                   .arg(document.image.bitsPerPixel));
}

QAction *MainFrame::action(const QString &text) const {
    for (QMenu *menu :
         {fileMenu_, viewMenu_, barcodeMenu_, symbolsMenu_, zoomMenu_, windowMenu_, helpMenu_}) {
        if (menu == nullptr) continue;
        for (QAction *item : menu->actions()) {
            if (item->text() == text) return item;
        }
    }
    return nullptr;
}

}  // namespace zr::demo::app
