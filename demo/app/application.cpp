#include "application.hpp"

#include <QApplication>

#include "recent_files.hpp"

namespace zr::demo::app {

void SetUpApplication() {
    QApplication::setOrganizationName(QString::fromLatin1(kOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(kApplication));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
}

}  // namespace zr::demo::app
