#pragma once

#include <QString>
#include <QStringList>

class QSettings;

namespace ferulo::app {

// The databases opened last and the folder the open-file dialog starts in,
// kept in the user's settings from one run to the next.
class RecentDatabases {
 public:
  static constexpr int kKept = 8;

  explicit RecentDatabases(QSettings& settings) : settings_(settings) {}

  // Most recent first; files that are gone are left out.
  [[nodiscard]] QStringList Paths() const;
  [[nodiscard]] QString LastFolder() const;
  // path was opened: it moves to the front, and its folder is the last one.
  void Remember(const QString& path);

 private:
  QSettings& settings_;
};

}  // namespace ferulo::app
