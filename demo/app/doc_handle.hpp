// A document shared by all its windows: the window-free document, its file path and its title.
// Views listen to `updated` and rebuild themselves from the hint.
#ifndef ZR_DEMO_APP_DOC_HANDLE_HPP
#define ZR_DEMO_APP_DOC_HANDLE_HPP

#include <QObject>
#include <QString>

#include "logic/document.hpp"

namespace zr::demo::app {

// Refresh hint for a plain redraw (the read hints are in logic/read.hpp).
constexpr int kHintRedraw = 0;

class DocHandle : public QObject {
    Q_OBJECT
  public:
    Document document;
    QString path;   // empty until the image is opened from or saved to a file
    QString title;  // the file name, or "ZrDemo<n>" for a new image

    void UpdateAllViews(int hint) { emit updated(hint); }

  signals:
    void updated(int hint);
};

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_DOC_HANDLE_HPP
