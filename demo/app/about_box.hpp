// The About box: the program's name and version and the version of every library it uses.
#ifndef ZR_DEMO_APP_ABOUT_BOX_HPP
#define ZR_DEMO_APP_ABOUT_BOX_HPP

#include <QDialog>

class QPlainTextEdit;

namespace zr::demo::app {

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget *parent = nullptr);

    QPlainTextEdit *versionField() const { return versions_; }

  private:
    QPlainTextEdit *versions_;
};

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_ABOUT_BOX_HPP
