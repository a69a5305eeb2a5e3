#pragma once

#include <QString>
#include <QWidget>

#include <functional>

#include "app/database_layer.h"
#include "app/main_window_controls.h"
#include "app/main_window_dialogs.h"
#include "app/main_window_state.h"
#include "common/error.h"

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

// What "About" and "Exit" do; they reach beyond this window.
struct MainWindowActions {
  std::function<void()> showAbout;
  std::function<void()> endProgram;
};

// The main window: choose an Access database and one of its tables, shape the
// four field lists, and generate the pages. No failure closes it: each is
// shown with its number and description and leaves the window as it was.
class frmMain : public QWidget {
  Q_OBJECT

 public:
  // programDirectory is where the page templates are read from.
  frmMain(DatabaseLayer& database, MainWindowDialogs dialogs, MainWindowActions actions,
          QString programDirectory, QWidget* parent = nullptr);

 private:
  void ConnectHandlers();

  // btnSelectDB: choose a database and list its user tables.
  void SelectDatabase();
  // ListTable: fill the four field lists with the selected table's columns.
  void ListColumns();
  void RestoreListedTableSelection();
  // The field lists' menu: "Delete", "Edit" or "Cancel" for list `index`.
  void EditFieldList(int index);
  void RemoveSelectedEntries(int index);
  // Asks for a new text for entry `row` of list `index`; nothing for row -1.
  void RenameEntry(int index, int row);
  // start: generate the pages.
  void GeneratePages();
  [[nodiscard]] Status CheckTableIsInDatabase() const;
  [[nodiscard]] Result<generator::GenerationInput> CollectGenerationInput() const;

  void ShowError(const Error& error);

  DatabaseLayer& database_;
  MainWindowDialogs dialogs_;
  MainWindowActions actions_;
  QString programDirectory_;
  MainWindowState state_;
  MainWindowControls controls_;
  // The ListTable row whose columns the field lists hold; -1 when that table
  // is not in the list shown (none yet, or another database chosen since).
  int listedRow_ = -1;
};

}  // namespace ferulo::app
