#include "app/main_window.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>

#include <algorithm>
#include <utility>

#include "app/error_message.h"
#include "app/field_list_box.h"
#include "app/window_icon.h"
#include "common/error_codes.h"
#include "generator/generation_run.h"
#include "gui/window_placement.h"

namespace ferulo::app {

namespace {

OpenFileRequest DatabaseFileRequest() {
  return OpenFileRequest{
      QStringLiteral("Which database would you like to use ? "),
      {QStringLiteral("All Files (*.*)"), QStringLiteral("Acess Files(*.mdb)")},
      QStringLiteral("Acess Files(*.mdb)"),
  };
}

QStringList ToQStringList(const std::vector<std::string>& texts) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(texts.size()));
  for (const std::string& text : texts) {
    list.append(QString::fromStdString(text));
  }
  return list;
}

std::vector<std::string> Entries(const QListWidget* list) {
  std::vector<std::string> entries;
  entries.reserve(static_cast<std::size_t>(list->count()));
  for (int row = 0; row < list->count(); ++row) {
    entries.push_back(list->item(row)->text().toStdString());
  }
  return entries;
}

// One box after the run's own message, so that message keeps its words.
QString WarningsText(const std::vector<std::string>& warnings) {
  QStringList lines;
  for (const std::string& warning : warnings) {
    lines << QString::fromStdString(warning);
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

frmMain::frmMain(DatabaseLayer& database, MainWindowDialogs dialogs, MainWindowActions actions,
                 QString programDirectory, QWidget* parent)
    : QWidget(parent),
      database_(database),
      dialogs_(dialogs),
      actions_(std::move(actions)),
      programDirectory_(std::move(programDirectory)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QString::fromLatin1(kMainWindowCaption));
  setWindowIcon(FeruloWindowIcon());
  // Drawn in units of the window's font, so every text has its room.
  const gui::LayoutUnits units(font());
  resize(MainWindowPageSize(units));
  controls_ = BuildMainWindowControls(this, units);
  ConnectHandlers();
  gui::CentreOnScreen(*this);
  controls_.txtInput->setFocus();
}

void frmMain::ConnectHandlers() {
  connect(controls_.btnSelectDB, &QPushButton::clicked, this, &frmMain::SelectDatabase);
  // A selection, by click or arrow key, lists the table; a focus that only
  // moves the current row does not. Queued, so that a click has finished
  // selecting before the listing (and any error box it shows) runs.
  connect(controls_.ListTable, &QListWidget::itemSelectionChanged, this, &frmMain::ListColumns,
          Qt::QueuedConnection);
  for (int index = 0; index < kFieldListCount; ++index) {
    FieldListBox* list = controls_.ListItem[static_cast<std::size_t>(index)];
    connect(list, &FieldListBox::leftButtonReleased, this, [this, index] { EditFieldList(index); });
    connect(list, &FieldListBox::menuKeyPressed, this, [this, index] { EditFieldList(index); });
    connect(list, &FieldListBox::backspacePressed, this,
            [this, index] { RemoveSelectedEntries(index); });
  }
  connect(controls_.start, &QPushButton::clicked, this, &frmMain::GeneratePages);
  connect(controls_.aboutus, &QPushButton::clicked, this, [this] { actions_.showAbout(); });
  connect(controls_.quitsys, &QPushButton::clicked, this, [this] { actions_.endProgram(); });
}

void frmMain::SelectDatabase() {
  const ChosenFile chosen = dialogs_.openFile.AskForFile(this, DatabaseFileRequest());
  if (chosen.path.isEmpty()) {
    return;  // cancelled: the window stays as it was
  }
  // The folder is the path less the file name, so the name must end the path.
  const QString fileName = !chosen.fileName.isEmpty() && chosen.path.endsWith(chosen.fileName)
                               ? chosen.fileName
                               : QFileInfo(chosen.path).fileName();

  // Everything is read before anything is replaced, so a failure leaves the
  // previous database, its table list and both text boxes in place.
  Result<std::unique_ptr<DatabaseConnection>> opened = database_.Open(chosen.path.toStdString());
  if (!opened) {
    ShowError(opened.error());
    return;
  }
  const Result<std::vector<std::string>> tables = opened.value()->UserTableNames();
  if (!tables) {
    ShowError(tables.error());
    return;
  }

  state_.connection = std::move(opened).value();
  state_.databaseFileName = fileName;
  state_.databaseFolder = chosen.path.left(chosen.path.size() - fileName.size());
  {
    // The field lists keep the table listed before until a new one is chosen.
    const QSignalBlocker quiet(controls_.ListTable);
    controls_.ListTable->clear();
    controls_.ListTable->addItems(ToQStringList(tables.value()));
    controls_.ListTable->setCurrentRow(-1);
  }
  listedRow_ = -1;
  controls_.txtInput->setText(chosen.path);
  controls_.txtOutput->setText(state_.databaseFolder);
}

void frmMain::ListColumns() {
  const QList<QListWidgetItem*> selected = controls_.ListTable->selectedItems();
  if (selected.isEmpty() || state_.connection == nullptr) {
    return;
  }
  const int row = controls_.ListTable->row(selected.first());
  const QString tableName = selected.first()->text();
  const Result<std::vector<std::string>> columns =
      state_.connection->ColumnNames(tableName.toStdString());
  if (!columns) {
    ShowError(columns.error());
    RestoreListedTableSelection();
    return;
  }

  state_.tableName = tableName;
  listedRow_ = row;
  for (FieldListBox* list : controls_.ListItem) {
    list->clear();
  }
  // Column i goes into all four lists before column i + 1.
  for (const std::string& column : columns.value()) {
    const QString name = QString::fromStdString(column);
    for (FieldListBox* list : controls_.ListItem) {
      list->addItem(name);
    }
  }
}

void frmMain::RestoreListedTableSelection() {
  const QSignalBlocker quiet(controls_.ListTable);
  if (listedRow_ >= 0) {
    controls_.ListTable->setCurrentRow(listedRow_);
  } else {
    controls_.ListTable->clearSelection();
    controls_.ListTable->setCurrentRow(-1);
  }
}

void frmMain::GeneratePages() {
  if (const Status tableChecked = CheckTableIsInDatabase(); !tableChecked) {
    dialogs_.messageBoxes.ShowMessage(this, ErrorMessageText(tableChecked.error()),
                                      QString::fromLatin1(generator::kRefusalTitle),
                                      MessageIcon::Error);
    return;
  }
  const Result<generator::GenerationInput> input = CollectGenerationInput();
  if (!input) {
    ShowError(input.error());
    return;
  }
  const Result<generator::GenerationReport> run = generator::RunGeneration(input.value());
  if (!run) {
    ShowError(run.error());
    return;
  }
  const generator::UserMessage& message = run.value().message;
  dialogs_.messageBoxes.ShowMessage(this, QString::fromStdString(message.text),
                                    QString::fromStdString(message.title), message.icon);
  if (!run.value().warnings.empty()) {
    dialogs_.messageBoxes.ShowMessage(this, WarningsText(run.value().warnings),
                                      QString::fromLatin1(gui::kApplicationTitle),
                                      MessageIcon::Warning);
  }
}

// The field lists outlive a change of database, so that a user can switch
// between copies of one database; pages are made only for a table the chosen
// database has. A missing database or table is the run's own refusal.
Status frmMain::CheckTableIsInDatabase() const {
  if (controls_.txtInput->text().isEmpty() || state_.connection == nullptr ||
      state_.tableName.isEmpty()) {
    return Done{};
  }
  const Result<std::vector<std::string>> tables = state_.connection->UserTableNames();
  if (!tables) {
    return tables.error();
  }
  const std::string table = state_.tableName.toStdString();
  if (std::find(tables.value().begin(), tables.value().end(), table) != tables.value().end()) {
    return Done{};
  }
  const std::string database = (state_.databaseFolder + state_.databaseFileName).toStdString();
  return Error{error_code::kTableNotFound,
               "The field lists hold the columns of '" + table + "', a table that '" + database +
                   "' does not have. Choose one of its tables before pressing Start."};
}

// The table's description is read at Start, from the database chosen now, so
// the pages find records by its key as it stands.
Result<generator::GenerationInput> frmMain::CollectGenerationInput() const {
  generator::GenerationInput input;
  input.databasePathText = controls_.txtInput->text().toStdString();
  input.databaseFileName = state_.databaseFileName.toStdString();
  input.tableName = state_.tableName.toStdString();
  input.outputPath = controls_.txtOutput->text().toStdString();
  input.lists.fieldNames = Entries(controls_.ListItem[0]);
  input.lists.displayNames = Entries(controls_.ListItem[1]);
  input.lists.filterNames = Entries(controls_.ListItem[2]);
  input.lists.searchNames = Entries(controls_.ListItem[3]);
  input.programDirectory = programDirectory_.toStdString();
  input.databaseHasPassword =
      state_.connection != nullptr && state_.connection->HasDatabasePassword();
  if (state_.connection != nullptr && !input.databasePathText.empty() && !input.tableName.empty()) {
    Result<database::TableWithReferences> described =
        state_.connection->DescribeTable(input.tableName);
    if (!described) {
      return described.error();
    }
    input.description = std::move(described).value();
  }
  return input;
}

void frmMain::ShowError(const Error& error) {
  dialogs_.messageBoxes.ShowMessage(this, ErrorMessageText(error),
                                    QString::fromLatin1(gui::kApplicationTitle),
                                    MessageIcon::Error);
}

}  // namespace ferulo::app
