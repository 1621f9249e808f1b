// The main window's document windows: making, placing, titling, arranging and listing them.
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>
#include <algorithm>

#include "child_frame.hpp"
#include "doc_handle.hpp"
#include "image_view.hpp"
#include "main_frame.hpp"

namespace zr::demo::app {
namespace {

// A new window takes four fifths of the document area, at least this much where the area allows.
constexpr int kMinWindowWidth = 640;
constexpr int kMinWindowHeight = 420;
constexpr int kShareOfArea = 4;  // fifths
constexpr int kFifths = 5;

// The offset between cascaded windows: one title bar.
int CascadeStep(const QWidget *window) {
    return std::max(1, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window));
}

// How many windows fit on one diagonal before the cascade starts again at the top left, for
// windows no smaller than the minimum size.
int CascadeLength(QSize area, QSize minimum, int step) {
    const int across = (area.width() - minimum.width()) / step + 1;
    const int down = (area.height() - minimum.height()) / step + 1;
    return std::max(1, std::min(across, down));
}

QSize MinimumIn(QSize area) {
    return {std::min(kMinWindowWidth, area.width()), std::min(kMinWindowHeight, area.height())};
}

}  // namespace

ChildFrame *MainFrame::activeChild() const {
    QMdiSubWindow *window = mdi_->activeSubWindow();
    if (window == nullptr && !mdi_->subWindowList().isEmpty()) window = mdi_->subWindowList().constLast();
    return window != nullptr ? qobject_cast<ChildFrame *>(window->widget()) : nullptr;
}

DocHandle *MainFrame::activeDoc() const {
    ChildFrame *child = activeChild();
    return child != nullptr ? child->doc() : nullptr;
}

std::shared_ptr<DocHandle> MainFrame::sharedDocOf(const ImageView *view) const {
    for (QMdiSubWindow *window : mdi_->subWindowList()) {
        auto *child = qobject_cast<ChildFrame *>(window->widget());
        if (child != nullptr && child->view() == view) return child->sharedDoc();
    }
    return nullptr;
}

ChildFrame *MainFrame::newWindow(const std::shared_ptr<DocHandle> &doc) {
    auto *child = new ChildFrame(doc);
    child->view()->setSearchArea(settings_);
    QMdiSubWindow *window = mdi_->addSubWindow(child);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(windowIcon());
    connect(child->view(), &ImageView::pixelReadout, panes_[kPaneReadout], &QLabel::setText);
    connect(child->view(), &ImageView::selectionMade, this, &MainFrame::selectArea);
    connect(doc.get(), &DocHandle::updated, this, [this] { updateStatusPanes(); });
    // A closed window may still be listed while it is destroyed: it is left out by name.
    connect(window, &QObject::destroyed, this, [this, doc](QObject *gone) {
        retitle(doc.get(), gone);
        updateMenus();
        updateWindowMenu(gone);
    });
    placeNewWindow(window);
    window->show();
    mdi_->setActiveSubWindow(window);
    child->view()->setFocus();
    retitle(doc.get());
    updateMenus();
    return child;
}

// New windows cascade from the top left, each wholly inside the document area.
void MainFrame::placeNewWindow(QMdiSubWindow *window) {
    const QSize area = mdi_->viewport()->size();
    const QSize minimum = MinimumIn(area);
    const int step = CascadeStep(window);
    const int others = static_cast<int>(mdi_->subWindowList().size()) - 1;
    const int offset = step * (std::max(0, others) % CascadeLength(area, minimum, step));
    const QSize wanted(std::max(minimum.width(), area.width() * kShareOfArea / kFifths),
                       std::max(minimum.height(), area.height() * kShareOfArea / kFifths));
    window->setGeometry(offset, offset, std::min(wanted.width(), area.width() - offset),
                        std::min(wanted.height(), area.height() - offset));
}

// Cascade: the windows overlap one title bar apart, all of one size that fills what the offsets
// leave of the area (the toolkit's own cascade shrinks them to a fixed small size).
void MainFrame::onCascade() {
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *window : mdi_->subWindowList(QMdiArea::StackingOrder)) {
        if (!window->isMinimized()) windows << window;
    }
    if (windows.isEmpty()) return;
    const QSize area = mdi_->viewport()->size();
    const int step = CascadeStep(windows.constFirst());
    const int length = std::min(static_cast<int>(windows.size()), CascadeLength(area, MinimumIn(area), step));
    const QSize size(area.width() - (length - 1) * step, area.height() - (length - 1) * step);
    for (int i = 0; i < windows.size(); ++i) {
        if (windows[i]->isMaximized()) windows[i]->showNormal();
        const int offset = step * (i % length);
        windows[i]->setGeometry(offset, offset, size.width(), size.height());
        windows[i]->raise();
    }
    if (QMdiSubWindow *active = mdi_->activeSubWindow()) active->raise();
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
    updateWindowMenu(gone);
}

// The Window menu ends with one item per open window, "&1 name" .. , the active one checked.
void MainFrame::updateWindowMenu(const QObject *gone) {
    for (QAction *item : windowActions_) {
        windowMenu_->removeAction(item);
        item->deleteLater();
    }
    windowActions_.clear();
    QMdiSubWindow *active = mdi_->activeSubWindow();
    int number = 0;
    for (QMdiSubWindow *window : mdi_->subWindowList()) {
        if (window == gone) continue;
        ++number;
        QString title = window->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto *item = new QAction(number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                             : QStringLiteral("%1 %2").arg(number).arg(title),
                                 windowMenu_);
        item->setCheckable(true);
        item->setChecked(window == active);
        item->setStatusTip(QStringLiteral("Activate this window"));
        connect(item, &QAction::triggered, this, [this, window] {
            if (mdi_->subWindowList().contains(window)) mdi_->setActiveSubWindow(window);
        });
        windowMenu_->addAction(item);
        windowActions_ << item;
    }
    windowListStart_->setVisible(number != 0);
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

}  // namespace zr::demo::app
