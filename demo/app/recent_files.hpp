// The recent-file list: the 4 files opened or saved last, newest first, kept in the program's
// settings under "Tavrel Softwares".
#ifndef ZR_DEMO_APP_RECENT_FILES_HPP
#define ZR_DEMO_APP_RECENT_FILES_HPP

#include <QStringList>

namespace zr::demo::app {

constexpr const char *kOrganisation = "Tavrel Softwares";
constexpr const char *kApplication = "ZrDemo";
constexpr int kRecentFileCount = 4;

class RecentFiles {
  public:
    QStringList load() const;
    // Puts `path` first (removing an older entry of the same file) and keeps 4 entries.
    QStringList add(const QString &path);
    QStringList remove(const QString &path);

  private:
    void store(const QStringList &files);
};

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_RECENT_FILES_HPP
