#include "recent_files.hpp"

#include <QFileInfo>
#include <QSettings>

namespace zr::demo::app {
namespace {

const QString kGroup = QStringLiteral("Recent File List");

QString Key(int i) {
    return QStringLiteral("File%1").arg(i + 1);
}

}  // namespace

QStringList RecentFiles::load() const {
    QSettings settings(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    settings.beginGroup(kGroup);
    QStringList files;
    for (int i = 0; i < kRecentFileCount; ++i) {
        const QString file = settings.value(Key(i)).toString();
        if (!file.isEmpty() && !files.contains(file)) files << file;
    }
    return files;
}

QStringList RecentFiles::add(const QString &path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    QStringList files = load();
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > kRecentFileCount) files.removeLast();
    store(files);
    return files;
}

QStringList RecentFiles::remove(const QString &path) {
    QStringList files = load();
    files.removeAll(QFileInfo(path).absoluteFilePath());
    files.removeAll(path);
    store(files);
    return files;
}

void RecentFiles::store(const QStringList &files) {
    QSettings settings(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    settings.beginGroup(kGroup);
    for (int i = 0; i < kRecentFileCount; ++i) {
        if (i < files.size()) {
            settings.setValue(Key(i), files[i]);
        } else {
            settings.remove(Key(i));
        }
    }
}

}  // namespace zr::demo::app
