#include "app/recent_databases.h"

#include <QFileInfo>
#include <QSettings>

namespace ferulo::app {

namespace {

const QString kRecentKey = QStringLiteral("recentDatabases");
const QString kFolderKey = QStringLiteral("lastFolder");

}  // namespace

QStringList RecentDatabases::Paths() const {
  QStringList paths = settings_.value(kRecentKey).toStringList();
  paths.removeIf([](const QString& path) { return !QFileInfo(path).isFile(); });
  return paths;
}

QString RecentDatabases::LastFolder() const {
  return settings_.value(kFolderKey).toString();
}

void RecentDatabases::Remember(const QString& path) {
  const QFileInfo file(path);
  const QString absolute = file.absoluteFilePath();
  QStringList paths = settings_.value(kRecentKey).toStringList();
  paths.removeAll(absolute);
  paths.prepend(absolute);
  while (paths.size() > kKept) {
    paths.removeLast();
  }
  settings_.setValue(kRecentKey, paths);
  settings_.setValue(kFolderKey, file.absolutePath());
}

}  // namespace ferulo::app
