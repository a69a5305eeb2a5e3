#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/background_read.h"
#include "app/database_layer.h"
#include "app/main_window_controls.h"
#include "app/main_window_dialogs.h"
#include "app/main_window_state.h"
#include "app/recent_databases.h"
#include "common/error.h"

class QAction;
class QSettings;

namespace ferulo::generator {
struct GenerationInput;
}

namespace ferulo::app {

inline constexpr const char* kMainWindowCaption =
    "FERULO - Create Active Server Page from an Access Database";

// The dialogs the window asks its questions through.
struct MainWindowDialogs {
  OpenFileDialog& openFile;
  InputBox& inputBox;
  ListMenu& listMenu;
  gui::MessageBoxes& messageBoxes;
};

// Shows a folder in the desktop's file manager; false where none could be
// started.
bool OpenFolderOnDesktop(const QString& folder);

// What "About", "Exit" and "Open Folder" do; they reach beyond this window.
struct MainWindowActions {
  std::function<void()> showAbout;
  std::function<void()> endProgram;
  std::function<bool(const QString& folder)> openFolder = OpenFolderOnDesktop;
};

// The main window: choose an Access database and one of its tables, shape the
// four field lists, and generate the pages. No failure closes it: each is
// shown with its number and description and leaves the window as it was.
// Databases are read off the window's thread; while a read runs, the window
// shows a busy cursor and only "Exit" can be used.
class frmMain : public QWidget {
  Q_OBJECT

 public:
  // programDirectory is where the page templates are read from; settings
  // keep the recent databases and the last folder.
  frmMain(DatabaseLayer& database, MainWindowDialogs dialogs, MainWindowActions actions,
          QString programDirectory, QSettings& settings, QWidget* parent = nullptr);
  ~frmMain() override;
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  // Opens the database at path and lists its tables, as "Select..." does once
  // the file is chosen: for a file named on the command line or dropped on
  // the window.
  void OpenDatabaseFile(const QString& path);

  // A database is being read.
  [[nodiscard]] bool isReading() const { return reads_.running(); }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ConnectHandlers();
  void ShowReading(bool reading);
  void UpdateTitle();

  // btnSelectDB: choose a database and list its user tables.
  void SelectDatabase();
  // Opens path; then, where it opened, runs next. keepTypedOutput keeps an
  // output path the user typed instead of the database's folder.
  void OpenDatabaseThen(const QString& path, bool keepTypedOutput, std::function<void()> next);
  void ChooseRecentDatabase();
  // ListTable: fill the four field lists with the selected table's columns.
  void ListColumns();
  void RestoreListedTableSelection();
  // The field lists' menu: "Delete", "Edit" or "Cancel" for list `index`.
  void EditFieldList(int index, QPoint at);
  void RemoveSelectedEntries(int index);
  // Asks for a new text for entry `row` of list `index`; nothing for row -1.
  void RenameEntry(int index, int row);
  // start: generate the pages.
  void GeneratePages();
  void GenerateFor(generator::GenerationInput input);
  [[nodiscard]] bool ConfirmEntriesThatAreNoColumns(const std::vector<std::string>& warnings);
  [[nodiscard]] bool ConfirmReplacing(const generator::GenerationInput& input);
  void ShowWritten(const std::vector<std::string>& files);
  [[nodiscard]] Status CheckTableIsInDatabase() const;
  [[nodiscard]] generator::GenerationInput CollectGenerationInput() const;

  void ShowError(const Error& error);

  DatabaseLayer& database_;
  MainWindowDialogs dialogs_;
  MainWindowActions actions_;
  QString programDirectory_;
  RecentDatabases recent_;
  MainWindowState state_;
  MainWindowControls controls_;
  QAction* recentAction_ = nullptr;
  QPointer<QWidget> focusBeforeRead_;
  // The ListTable row whose columns the field lists hold; -1 when that table
  // is not in the list shown (none yet, or another database chosen since).
  int listedRow_ = -1;
  // The files this window has written: replacing them again asks nothing,
  // unless db.asp would open another database.
  std::set<std::string> writtenFiles_;
  // Last, so that it is destroyed first: a read still running ends before the
  // connection it reads through goes.
  BackgroundRead reads_;
};

}  // namespace ferulo::app
