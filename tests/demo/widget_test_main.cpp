// Entry point of the widget tests: one QApplication on the offscreen platform, with the program's
// settings kept in a folder of their own so that no test touches the user's recent-file list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "app/application.hpp"

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");  // no display needed, and the same pixels everywhere
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QApplication application(argc, argv);
    zr::demo::app::SetUpApplication();
    return RUN_ALL_TESTS();
}
