// One document window: a splitter with the report form (one third of the width) beside the image
// view (two thirds). Several windows may show the same document.
#ifndef ZR_DEMO_APP_CHILD_FRAME_HPP
#define ZR_DEMO_APP_CHILD_FRAME_HPP

#include <QWidget>
#include <memory>

class QSplitter;

namespace zr::demo::app {

class DocHandle;
class ImageView;
class ReportForm;

class ChildFrame : public QWidget {
    Q_OBJECT
  public:
    explicit ChildFrame(std::shared_ptr<DocHandle> doc, QWidget *parent = nullptr);

    DocHandle *doc() const { return doc_.get(); }
    const std::shared_ptr<DocHandle> &sharedDoc() const { return doc_; }
    ImageView *view() const { return view_; }
    ReportForm *report() const { return report_; }
    QSplitter *splitter() const { return splitter_; }
    // Puts the splitter back at one third for the report, two thirds for the image.
    void resetSplit();

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    std::shared_ptr<DocHandle> doc_;
    QSplitter *splitter_;
    ReportForm *report_;
    ImageView *view_;
    bool splitPlaced_ = false;
};

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_CHILD_FRAME_HPP
