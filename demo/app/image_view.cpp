#include "image_view.hpp"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScrollBar>
#include <vector>

#include "display_text.hpp"
#include "doc_handle.hpp"
#include "logic/read.hpp"
#include "logic/shapes.hpp"
#include "logic/view_math.hpp"
#include "logic/view_render.hpp"
#include "logic/view_scroll.hpp"

namespace zr::demo::app {
namespace {

const QColor kHatchColour(128, 128, 128);

// The client area is first filled with a grey diagonal cross-hatch on white.
void FillHatch(QPainter &painter, QSize client) {
    const QRect all(QPoint(0, 0), client);
    painter.fillRect(all, Qt::white);
    painter.fillRect(all, QBrush(kHatchColour, Qt::DiagCrossPattern));
}

void DrawOutline(QPainter &painter, const OutlineBox &box, const QString &text) {
    const QColor colour(box.colour.red, box.colour.green, box.colour.blue);
    painter.setPen(QPen(colour, 0));
    if (!text.isEmpty() && box.right > box.left && box.bottom > box.top) {
        // The text sits inside the box from its top left corner, on an opaque white ground; the
        // frame is drawn after it so that the text never covers it.
        const QRect inside(box.left, box.top, box.right - box.left, box.bottom - box.top);
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::white);
        painter.drawText(inside, Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere, text);
        painter.setBackgroundMode(Qt::TransparentMode);
    }
    // A one-pixel frame on the pixels left .. right - 1, top .. bottom - 1.
    const int right = std::max(box.left, box.right - 1);
    const int bottom = std::max(box.top, box.bottom - 1);
    painter.drawLine(box.left, box.top, right, box.top);
    painter.drawLine(box.left, bottom, right, bottom);
    painter.drawLine(box.left, box.top, box.left, bottom);
    painter.drawLine(right, box.top, right, bottom);
}

std::optional<ScrollKey> ScrollKeyFor(int key) {
    switch (key) {
        case Qt::Key_PageUp:
            return ScrollKey::PageUp;
        case Qt::Key_PageDown:
            return ScrollKey::PageDown;
        case Qt::Key_Home:
            return ScrollKey::Home;
        case Qt::Key_End:
            return ScrollKey::End;
        case Qt::Key_Left:
            return ScrollKey::Left;
        case Qt::Key_Right:
            return ScrollKey::Right;
        case Qt::Key_Up:
            return ScrollKey::Up;
        case Qt::Key_Down:
            return ScrollKey::Down;
        default:
            return std::nullopt;
    }
}

}  // namespace

ImageView::ImageView(DocHandle *doc, QWidget *parent) : QAbstractScrollArea(parent), doc_(doc) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    connect(doc_, &DocHandle::updated, this, &ImageView::onUpdated);
    updateScrollBars();
}

QPoint ImageView::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void ImageView::setScrollPosition(QPoint position) {
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

void ImageView::fitWindow() {
    const QSize client = viewport()->size();
    Document &document = doc_->document;
    document.zoom = ZoomToFit(client.width(), client.height(), document.image, document.zoom);
    doc_->UpdateAllViews(kHintFitWindow);
}

void ImageView::Paint(QPainter &painter, const Document &document, double zoom, QSize client, QPoint scroll) {
    const ViewSize scaled = ScrollSize(document.image, zoom);
    if (document.image.dib == nullptr || scaled.width < client.width() || scaled.height < client.height())
        FillHatch(painter, client);
    if (document.image.dib == nullptr) return;

    const RenderArea area =
        VisibleArea(static_cast<uint32_t>(scaled.width), static_cast<uint32_t>(scaled.height), scroll.x(),
                    scroll.y(), client.width(), client.height());
    if (area.width != 0 && area.height != 0) {
        QImage visible(static_cast<int>(area.width), static_cast<int>(area.height), QImage::Format_RGB888);
        if (!visible.isNull() &&
            RenderScaled(document.image, area, visible.bits(), static_cast<size_t>(visible.bytesPerLine())))
            painter.drawImage(0, 0, visible);
    }

    painter.save();
    painter.translate(-static_cast<int>(area.left), -static_cast<int>(area.top));
    const std::vector<SymbolShape> shapes = ResultShapes(document);
    for (size_t i = 0; i < shapes.size(); ++i) {
        const bool selected = static_cast<int>(i) == document.state.selectedIndex;
        DrawOutline(painter, OutlineFor(shapes[i].corners, zoom, selected), DisplayText(shapes[i].text));
    }
    painter.restore();
}

void ImageView::paintEvent(QPaintEvent *) {
    QPainter painter(viewport());
    Paint(painter, doc_->document, doc_->document.zoom, viewport()->size(), scrollPosition());
}

void ImageView::resizeEvent(QResizeEvent *event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ImageView::scrollContentsBy(int, int) {
    viewport()->update();
}

void ImageView::onUpdated(int) {
    updateScrollBars();
    viewport()->update();
}

void ImageView::updateScrollBars() {
    const ViewSize scaled = ScrollSize(doc_->document.image, doc_->document.zoom);
    const QSize client = viewport()->size();
    horizontalScrollBar()->setPageStep(client.width());
    verticalScrollBar()->setPageStep(client.height());
    horizontalScrollBar()->setRange(0, std::max(0, scaled.width - client.width()));
    verticalScrollBar()->setRange(0, std::max(0, scaled.height - client.height()));
}

void ImageView::keyPressEvent(QKeyEvent *event) {
    const std::optional<ScrollKey> key = ScrollKeyFor(event->key());
    if (!key) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const ViewSize scaled = ScrollSize(doc_->document.image, doc_->document.zoom);
    const QPoint from = scrollPosition();
    const ScrollPosition to = ScrollAfterKey(*key, {from.x(), from.y()}, scaled.width, scaled.height,
                                             viewport()->width(), viewport()->height());
    setScrollPosition({to.x, to.y});
    event->accept();
}

void ImageView::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || doc_->document.image.dib == nullptr) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    dragStart_ = event->position().toPoint();
    if (rubberBand_ == nullptr) rubberBand_ = new QRubberBand(QRubberBand::Rectangle, viewport());
    rubberBand_->setGeometry(QRect(dragStart_, QSize()));
    rubberBand_->show();
}

void ImageView::mouseMoveEvent(QMouseEvent *event) {
    const QPoint at = event->position().toPoint();
    if (rubberBand_ != nullptr && rubberBand_->isVisible())
        rubberBand_->setGeometry(QRect(dragStart_, at).normalized());
    const Document &document = doc_->document;
    const QPoint scroll = scrollPosition();
    const std::optional<std::string> readout =
        PixelReadout(document.image, at.x(), at.y(), scroll.x(), scroll.y(), document.zoom);
    if (readout) emit pixelReadout(QString::fromStdString(*readout));
}

void ImageView::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || rubberBand_ == nullptr || !rubberBand_->isVisible()) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    rubberBand_->hide();
    // A click without a drag selects nothing.
    const QRect rect = QRect(dragStart_, event->position().toPoint()).normalized();
    if (rect.width() > 1 && rect.height() > 1) emit selectionMade(rect, scrollPosition());
}

}  // namespace zr::demo::app
