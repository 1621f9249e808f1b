// The image view: the document's picture at its zoom, the outlines of the last read's symbols,
// keyboard scrolling, the pixel read-out and the rubber-band selection.
#ifndef ZR_DEMO_APP_IMAGE_VIEW_HPP
#define ZR_DEMO_APP_IMAGE_VIEW_HPP

#include <QAbstractScrollArea>
#include <QPoint>
#include <QRect>

#include "logic/settings.hpp"

class QRubberBand;
class QPainter;

namespace zr::demo {
struct Document;
}

namespace zr::demo::app {

class DocHandle;

class ImageView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit ImageView(DocHandle *doc, QWidget *parent = nullptr);

    DocHandle *doc() const { return doc_; }
    QPoint scrollPosition() const;
    void setScrollPosition(QPoint position);
    // Sets the document's zoom so that the whole picture fits this view's client area as it is
    // without scroll bars (which the fitted picture no longer needs).
    void fitWindow();
    // The reads' search area, framed over the picture while it is not the whole picture.
    void setSearchArea(const ReadSettings &settings);
    const ReadSettings &searchArea() const { return search_; }

    // Draws the picture area (cross-hatch where the picture does not reach, the visible part of the
    // picture, the search area's frame when given, the outlines) for a client area of `client`
    // scrolled to `scroll`.
    static void Paint(QPainter &painter, const Document &document, double zoom, QSize client, QPoint scroll,
                      const ReadSettings *search = nullptr);

  signals:
    // The status bar's first pane text for the pixel under the mouse; empty when the mouse is
    // not over the picture.
    void pixelReadout(const QString &text);
    // A rubber-band selection ended: the rectangle in client coordinates (normalised, not empty).
    void selectionMade(const QRect &rect, QPoint scroll);

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void onUpdated(int hint);
    void updateScrollBars();
    // The scaled picture in client coordinates.
    QRect pictureRect() const;

    DocHandle *doc_;
    QRubberBand *rubberBand_ = nullptr;
    QPoint dragStart_;
    ReadSettings search_;
};

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_IMAGE_VIEW_HPP
