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

const QColor kLabelGround(255, 255, 255, 170);  // translucent: the symbol shows through
constexpr int kMinLabelWidth = 120;
constexpr int kSearchDash = 4;

// A one-pixel frame on the pixels left .. right - 1, top .. bottom - 1.
void DrawFrame(QPainter &painter, const OutlineBox &box) {
    const int right = std::max(box.left, box.right - 1);
    const int bottom = std::max(box.top, box.bottom - 1);
    painter.drawLine(box.left, box.top, right, box.top);
    painter.drawLine(box.left, bottom, right, bottom);
    painter.drawLine(box.left, box.top, box.left, bottom);
    painter.drawLine(right, box.top, right, bottom);
}

// The label goes outside the frame where the client area has room (above, else below), on a
// translucent ground, so that it hides as little of the symbol as it can.
void DrawOutline(QPainter &painter, const OutlineBox &box, const QString &text, QSize client) {
    const QColor colour(box.colour.red, box.colour.green, box.colour.blue);
    painter.setPen(QPen(colour, 0));
    // The frame is drawn after the label so that a label with no room outside never hides it.
    if (text.isEmpty() || box.right <= box.left || box.bottom <= box.top) {
        DrawFrame(painter, box);
        return;
    }
    const int width = std::min(std::max(box.right - box.left, kMinLabelWidth), std::max(1, client.width()));
    constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere;
    const QRect bounds =
        painter.fontMetrics().boundingRect(QRect(0, 0, width, client.height()), kFlags, text);
    const LabelPlace place =
        LabelPlaceFor(box, bounds.width(), bounds.height(), client.width(), client.height());
    const QRect label(place.left, place.top, bounds.width(), bounds.height());
    painter.fillRect(label, kLabelGround);
    painter.drawText(label, kFlags, text);
    DrawFrame(painter, box);
}

// The search area: a dashed frame, so that a read limited to it never surprises.
void DrawSearchArea(QPainter &painter, const OutlineBox &box) {
    QPen pen(QColor(box.colour.red, box.colour.green, box.colour.blue), 0, Qt::CustomDashLine);
    pen.setDashPattern({kSearchDash, kSearchDash});
    painter.setPen(pen);
    DrawFrame(painter, box);
}

OutlineBox Shifted(OutlineBox box, int dx, int dy) {
    box.left += dx;
    box.right += dx;
    box.top += dy;
    box.bottom += dy;
    return box;
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

void ImageView::setSearchArea(const ReadSettings &settings) {
    search_ = settings;
    viewport()->update();
}

void ImageView::fitWindow() {
    const QSize client = maximumViewportSize();
    Document &document = doc_->document;
    document.zoom = ZoomToFit(client.width(), client.height(), document.image, document.zoom);
    doc_->UpdateAllViews(kHintFitWindow);
}

void ImageView::Paint(QPainter &painter, const Document &document, double zoom, QSize client, QPoint scroll,
                      const ReadSettings *search) {
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

    const int dx = -static_cast<int>(area.left), dy = -static_cast<int>(area.top);
    if (search != nullptr && HasSearchArea(*search)) {
        const PixelRect rect = SearchRectPixels(*search, document.image.xDpi, document.image.yDpi);
        if (const std::optional<OutlineBox> box = SearchAreaBox(rect, document.image, zoom))
            DrawSearchArea(painter, Shifted(*box, dx, dy));
    }
    const std::vector<SymbolShape> shapes = ResultShapes(document);
    for (size_t i = 0; i < shapes.size(); ++i) {
        const bool selected = static_cast<int>(i) == document.state.selectedIndex;
        DrawOutline(painter, Shifted(OutlineFor(shapes[i].corners, zoom, selected), dx, dy),
                    DisplayText(shapes[i].text), client);
    }
}

void ImageView::paintEvent(QPaintEvent *) {
    QPainter painter(viewport());
    Paint(painter, doc_->document, doc_->document.zoom, viewport()->size(), scrollPosition(), &search_);
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
    // The band stays on the picture, as the selection it makes does.
    if (rubberBand_ != nullptr && rubberBand_->isVisible())
        rubberBand_->setGeometry(QRect(dragStart_, at).normalized() & pictureRect());
    const Document &document = doc_->document;
    const QPoint scroll = scrollPosition();
    const std::optional<std::string> readout =
        PixelReadout(document.image, at.x(), at.y(), scroll.x(), scroll.y(), document.zoom);
    emit pixelReadout(readout ? QString::fromStdString(*readout) : QString());
}

void ImageView::leaveEvent(QEvent *event) {
    QAbstractScrollArea::leaveEvent(event);
    emit pixelReadout(QString());
}

QRect ImageView::pictureRect() const {
    const ViewSize scaled = ScrollSize(doc_->document.image, doc_->document.zoom);
    return QRect(-scrollPosition(), QSize(scaled.width, scaled.height));
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
