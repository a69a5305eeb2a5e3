#pragma once

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "scripted_dialogs.h"

namespace ferulo::app::test {

// Sample paths are "" where the file is absent.
inline bool IsMissing(const std::string& path) {
  return path.empty();
}
inline bool IsMissing(const QString& path) {
  return path.isEmpty();
}

// Skips a Qt test whose sample file is absent.
#define FERULO_QSKIP_IF_MISSING(path, what)                                         \
  do {                                                                              \
    if (::ferulo::app::test::IsMissing(path)) {                                     \
      QSKIP(qPrintable(QStringLiteral("%1 is not available (run scripts/setup, or " \
                                      "set FERULO_SHARED_TESTDATA_DIR for the "     \
                                      "extra samples)")                             \
                           .arg(QStringLiteral(what))));                            \
    }                                                                               \
  } while (0)

// Everything a failed or cancelled action must leave as it was, as far as the
// window shows it.
struct WindowSnapshot {
  QStringList tables;
  int currentTableRow = -1;
  QString txtInput;
  QString txtOutput;
  QList<QStringList> fieldLists;

  bool operator==(const WindowSnapshot&) const = default;
  [[nodiscard]] QString Describe() const;
};

// The main window on screen with scripted dialogs, driven through its
// controls the way a user drives it.
class WindowHarness {
 public:
  // listMenu replaces the scripted list menu where a test wants the real one;
  // settingsFile is where the window keeps its settings (by default a file of
  // the harness's own).
  explicit WindowHarness(DatabaseLayer& database, const QString& programDirectory = QString(),
                         ListMenu* listMenu = nullptr, const QString& settingsFile = QString());

  frmMain& window() { return window_; }
  QSettings& settings() { return settings_; }
  ScriptedDialogs& dialogs() { return dialogs_; }
  [[nodiscard]] int aboutRequests() const { return aboutRequests_; }
  [[nodiscard]] int endRequests() const { return endRequests_; }
  // The folders "Open Folder" asked the desktop to show.
  [[nodiscard]] const QStringList& openedFolders() const { return openedFolders_; }

  template <typename Control>
  Control* Find(const QString& name) {
    return window_.findChild<Control*>(name);
  }
  QListWidget* ListTable() { return Find<QListWidget>(QStringLiteral("ListTable")); }
  QListWidget* ListItem(int index) {
    return Find<QListWidget>(QStringLiteral("ListItem%1").arg(index));
  }
  QLineEdit* txtInput() { return Find<QLineEdit>(QStringLiteral("txtInput")); }
  QLineEdit* txtOutput() { return Find<QLineEdit>(QStringLiteral("txtOutput")); }
  QPushButton* Button(const char* name) { return Find<QPushButton>(QString::fromLatin1(name)); }

  // "Select..." answered with path.
  void SelectDatabase(const QString& path);
  void SelectDatabase(const std::string& path) { SelectDatabase(QString::fromStdString(path)); }
  // A click on the table's entry in ListTable, and the listing it starts.
  void ClickTable(const QString& tableName);
  // A left click on entry `row` of a field list; the menu it opens is answered
  // with menuAnswer.
  void ClickEntry(int list, int row, int menuAnswer,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void Press(QWidget* control, Qt::Key key);
  void Click(const char* buttonName);
  // Lets queued handlers run, and waits for the window's reads to end.
  void Settle();

  QStringList Tables() { return Entries(ListTable()); }
  QStringList Entries(int list) { return Entries(ListItem(list)); }
  static QStringList Entries(const QListWidget* list);
  QList<QStringList> AllFieldLists();
  WindowSnapshot Snapshot();

 private:
  ScriptedDialogs dialogs_;
  MainWindowDialogs windowDialogs_;
  int aboutRequests_ = 0;
  int endRequests_ = 0;
  QStringList openedFolders_;
  // Settings of the test's own, never the user's.
  QTemporaryDir settingsFolder_;
  QSettings settings_;
  frmMain window_;
};

QStringList ToQStringList(const std::vector<std::string>& texts);

}  // namespace ferulo::app::test

// Fails the test with both states written out when they differ.
#define FERULO_COMPARE_SNAPSHOT(actual, expected)                                        \
  do {                                                                                   \
    const auto& actualSnapshot = (actual);                                               \
    const auto& expectedSnapshot = (expected);                                           \
    QVERIFY2(actualSnapshot == expectedSnapshot,                                         \
             qPrintable(QStringLiteral("now:\n") + actualSnapshot.Describe() +           \
                        QStringLiteral("\nexpected:\n") + expectedSnapshot.Describe())); \
  } while (0)
