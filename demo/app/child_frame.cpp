#include "child_frame.hpp"

#include <QHBoxLayout>
#include <QSplitter>

#include "doc_handle.hpp"
#include "image_view.hpp"
#include "report_form.hpp"

namespace zr::demo::app {

ChildFrame::ChildFrame(std::shared_ptr<DocHandle> doc, QWidget *parent)
    : QWidget(parent), doc_(std::move(doc)) {
    splitter_ = new QSplitter(Qt::Horizontal, this);
    report_ = new ReportForm(doc_.get());
    view_ = new ImageView(doc_.get());
    splitter_->addWidget(report_);
    splitter_->addWidget(view_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 2);
    splitter_->setChildrenCollapsible(false);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);
    setFocusProxy(view_);
    resetSplit();
}

void ChildFrame::resetSplit() {
    const int width = std::max(3, splitter_->width());
    splitter_->setSizes({width / 3, width - width / 3});
}

void ChildFrame::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!splitPlaced_) {
        splitPlaced_ = true;
        resetSplit();
    }
}

}  // namespace zr::demo::app
