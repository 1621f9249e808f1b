// The recent-file list outlives the program: a second application object, started after the first
// has ended, lists the files the first one opened, newest first. Each application is made inside
// the test, so this suite has no QApplication of its own.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>

#include "app/main_frame.hpp"
#include "app/recent_files.hpp"

namespace zr::demo::test {
namespace {

QStringList RecentItems(const app::MainFrame &frame) {
    QStringList items;
    for (const QAction *item : frame.recentFilesAnchorMenu()->actions()) {
        const QString text = item->text();
        if (text.size() > 2 && text[0] == '&' && text[1].isDigit()) items << text;
    }
    return items;
}

// Runs `body` with an application object of its own, as one run of the program.
template <typename Body>
void AsOneRun(Body body) {
    int argc = 1;
    char name[] = "ZrDemo";
    char *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(app::kOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(app::kApplication));
    body();
}

TEST(RecentFiles, PersistAcrossTwoApplicationObjects) {
    qputenv("QT_QPA_PLATFORM", "offscreen");  // no display needed, and the same pixels everywhere
    QTemporaryDir settingsDir;
    ASSERT_TRUE(settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    const QString sample = QStringLiteral(ZR_SAMPLES_DIR);

    AsOneRun([&] {
        app::MainFrame frame;
        EXPECT_TRUE(RecentItems(frame).isEmpty());
        ASSERT_TRUE(frame.openFile(sample + "/code39-check.png"));
        ASSERT_TRUE(frame.openFile(sample + "/code39.png"));
    });
    AsOneRun([&] {
        app::MainFrame frame;
        const QStringList items = RecentItems(frame);
        ASSERT_EQ(items.size(), 2);
        EXPECT_TRUE(items[0].startsWith("&1 ") && items[0].endsWith("/code39.png")) << items[0].toStdString();
        EXPECT_TRUE(items[1].startsWith("&2 ") && items[1].endsWith("/code39-check.png"))
            << items[1].toStdString();
        // The settings sit under the organisation's name.
        QSettings stored(QStringLiteral("Tavrel Softwares"), QStringLiteral("ZrDemo"));
        EXPECT_TRUE(stored.value("Recent File List/File1").toString().endsWith("/code39.png"));
        // Choosing an entry opens its file.
        for (QAction *item : frame.recentFilesAnchorMenu()->actions()) {
            if (item->text().startsWith("&2 ")) item->trigger();
        }
        EXPECT_NE(frame.activeDoc(), nullptr);
    });
}

}  // namespace
}  // namespace zr::demo::test
