#include "window_harness.h"

#include <QCoreApplication>

namespace ferulo::app::test {

WindowHarness::WindowHarness(DatabaseLayer& database, const QString& programDirectory,
                             ListMenu* listMenu, const QString& settingsFile)
    : windowDialogs_{dialogs_, dialogs_, listMenu != nullptr ? *listMenu : dialogs_, dialogs_},
      settings_(settingsFile.isEmpty() ? settingsFolder_.filePath(QStringLiteral("ferulo.ini"))
                                       : settingsFile,
                QSettings::IniFormat),
      window_(database, windowDialogs_,
              MainWindowActions{[this] { ++aboutRequests_; }, [this] { ++endRequests_; },
                                [this](const QString& folder) {
                                  openedFolders_.append(folder);
                                  return true;
                                }},
              programDirectory, settings_) {
  window_.show();
  if (!QTest::qWaitForWindowExposed(&window_)) {
    qWarning("the main window was not exposed");
  }
}

void WindowHarness::SelectDatabase(const QString& path) {
  dialogs_.ChooseFile(path);
  Click("btnSelectDB");
}

void WindowHarness::ClickTable(const QString& tableName) {
  QListWidget* tables = ListTable();
  const QList<QListWidgetItem*> found = tables->findItems(tableName, Qt::MatchExactly);
  if (found.isEmpty()) {
    qWarning("no table %s in ListTable", qPrintable(tableName));
    return;
  }
  tables->scrollToItem(found.first());
  QTest::mouseClick(tables->viewport(), Qt::LeftButton, Qt::NoModifier,
                    tables->visualItemRect(found.first()).center());
  Settle();
}

void WindowHarness::ClickEntry(int list, int row, int menuAnswer, Qt::KeyboardModifiers modifiers) {
  QListWidget* box = ListItem(list);
  QListWidgetItem* item = box->item(row);
  box->scrollToItem(item);
  dialogs_.AnswerMenu(menuAnswer);
  QTest::mouseClick(box->viewport(), Qt::LeftButton, modifiers, box->visualItemRect(item).center());
  Settle();
}

void WindowHarness::Press(QWidget* control, Qt::Key key) {
  QTest::keyClick(control, key);
  Settle();
}

void WindowHarness::Click(const char* buttonName) {
  QTest::mouseClick(Button(buttonName), Qt::LeftButton);
  Settle();
}

void WindowHarness::Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  while (window_.isReading()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

QStringList WindowHarness::Entries(const QListWidget* list) {
  QStringList entries;
  for (int row = 0; row < list->count(); ++row) {
    entries.append(list->item(row)->text());
  }
  return entries;
}

QList<QStringList> WindowHarness::AllFieldLists() {
  return {Entries(0), Entries(1), Entries(2), Entries(3)};
}

WindowSnapshot WindowHarness::Snapshot() {
  return WindowSnapshot{Tables(), ListTable()->currentRow(), txtInput()->text(),
                        txtOutput()->text(), AllFieldLists()};
}

QString WindowSnapshot::Describe() const {
  QStringList lines{QStringLiteral("tables: ") + tables.join(QStringLiteral(", ")),
                    QStringLiteral("current table row: %1").arg(currentTableRow),
                    QStringLiteral("txtInput: ") + txtInput,
                    QStringLiteral("txtOutput: ") + txtOutput};
  for (const QStringList& list : fieldLists) {
    lines.append(QStringLiteral("field list: ") + list.join(QStringLiteral(", ")));
  }
  return lines.join(QLatin1Char('\n'));
}

QStringList ToQStringList(const std::vector<std::string>& texts) {
  QStringList list;
  for (const std::string& text : texts) {
    list.append(QString::fromStdString(text));
  }
  return list;
}

}  // namespace ferulo::app::test
