#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStringList>
#include <QStyle>
#include <QUrl>

#include <algorithm>
#include <utility>

#include "app/error_message.h"
#include "app/field_list_box.h"
#include "app/window_icon.h"
#include "common/error_codes.h"
#include "generator/field_list_checks.h"
#include "generator/generation_run.h"
#include "generator/output_plan.h"
#include "gui/window_placement.h"

namespace ferulo::app {

namespace {

OpenFileRequest DatabaseFileRequest(const QString& folder) {
  return OpenFileRequest{
      QStringLiteral("Which database would you like to use ? "),
      {QStringLiteral("Access Databases (*.mdb *.accdb)"), QStringLiteral("All Files (*)")},
      QStringLiteral("Access Databases (*.mdb *.accdb)"),
      folder,
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

QString Lines(const std::vector<std::string>& lines) {
  return ToQStringList(lines).join(QLatin1Char('\n'));
}

QString Title(const char* title) {
  return QString::fromLatin1(title);
}

// The one local file a drag carries, or "".
QString DroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
      !data->urls().constFirst().isLocalFile()) {
    return {};
  }
  return data->urls().constFirst().toLocalFile();
}

// A database opened with its table names, read together off the window.
struct OpenedDatabase {
  std::shared_ptr<DatabaseConnection> connection;
  std::vector<std::string> tables;
};

}  // namespace

bool OpenFolderOnDesktop(const QString& folder) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

frmMain::frmMain(DatabaseLayer& database, MainWindowDialogs dialogs, MainWindowActions actions,
                 QString programDirectory, QSettings& settings, QWidget* parent)
    : QWidget(parent),
      database_(database),
      dialogs_(dialogs),
      actions_(std::move(actions)),
      programDirectory_(std::move(programDirectory)),
      recent_(settings) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowIcon(FeruloWindowIcon(programDirectory_));
  setAcceptDrops(true);
  UpdateTitle();
  // Drawn in units of the window's font, so every text has its room.
  const gui::LayoutUnits units(font());
  resize(MainWindowPageSize(units));
  controls_ = BuildMainWindowControls(this, units);
  // The least size at which every list shows a few names; on a screen too
  // small for it, the window may be smaller and its page scrolls.
  QSize least = controls_.Frame1->parentWidget()->minimumSizeHint();
  if (const QScreen* screen = this->screen()) {
    least = least.boundedTo(screen->availableGeometry().size() * 0.9);
  }
  setMinimumSize(least);
  // A file dropped on the path box opens, as on the rest of the window.
  controls_.txtInput->setAcceptDrops(false);
  recentAction_ =
      new QAction(QIcon::fromTheme(QStringLiteral("document-open-recent"),
                                   style()->standardIcon(QStyle::SP_FileDialogDetailedView)),
                  QStringLiteral("Recent Databases (Alt+Down)"), controls_.txtInput);
  recentAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
  recentAction_->setShortcutContext(Qt::WidgetShortcut);
  controls_.txtInput->addAction(recentAction_, QLineEdit::TrailingPosition);
  recentAction_->setVisible(!recent_.Paths().isEmpty());
  ConnectHandlers();
  gui::CentreOnScreen(*this);
  controls_.txtInput->setFocus();
}

// A read still running ends before the window is gone (see reads_), and its
// result goes nowhere; the busy pointer goes with the window.
frmMain::~frmMain() {
  if (reads_.running()) {
    QApplication::restoreOverrideCursor();
  }
}

void frmMain::ConnectHandlers() {
  connect(controls_.btnSelectDB, &QPushButton::clicked, this, &frmMain::SelectDatabase);
  // Enter opens the file typed into the box, as "Select..." opens a chosen one.
  connect(controls_.txtInput, &QLineEdit::returnPressed, this, [this] {
    if (!controls_.txtInput->text().isEmpty()) {
      OpenDatabaseFile(controls_.txtInput->text());
    }
  });
  connect(recentAction_, &QAction::triggered, this, &frmMain::ChooseRecentDatabase);
  // A selection, by click or arrow key, lists the table; a focus that only
  // moves the current row does not. Queued, so that a click has finished
  // selecting before the listing (and any error box it shows) runs.
  connect(controls_.ListTable, &QListWidget::itemSelectionChanged, this, &frmMain::ListColumns,
          Qt::QueuedConnection);
  for (int index = 0; index < kFieldListCount; ++index) {
    FieldListBox* list = controls_.ListItem[static_cast<std::size_t>(index)];
    connect(list, &FieldListBox::menuRequested, this,
            [this, index](QPoint at) { EditFieldList(index, at); });
    connect(list, &FieldListBox::removeRequested, this,
            [this, index] { RemoveSelectedEntries(index); });
    connect(list, &FieldListBox::renameRequested, this,
            [this, index, list] { RenameEntry(index, list->currentRow()); });
  }
  connect(controls_.start, &QPushButton::clicked, this, &frmMain::GeneratePages);
  // Start is the window's default button.
  connect(controls_.txtOutput, &QLineEdit::returnPressed, this, &frmMain::GeneratePages);
  connect(controls_.aboutus, &QPushButton::clicked, this, [this] { actions_.showAbout(); });
  connect(controls_.quitsys, &QPushButton::clicked, this, [this] { actions_.endProgram(); });
  connect(&reads_, &BackgroundRead::runningChanged, this, &frmMain::ShowReading);
}

// While a read runs, only "Exit" answers; the focus comes back where it was.
void frmMain::ShowReading(bool reading) {
  if (reading) {
    focusBeforeRead_ = QApplication::focusWidget();
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
  for (QWidget* control : controls_.Frame1->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (control != controls_.quitsys) {
      control->setEnabled(!reading);
    }
  }
  if (!reading && focusBeforeRead_ != nullptr && focusBeforeRead_->window() == this) {
    focusBeforeRead_->setFocus();
  }
}

void frmMain::UpdateTitle() {
  setWindowTitle(state_.databaseFileName.isEmpty()
                     ? QString::fromLatin1(kMainWindowCaption)
                     : state_.databaseFileName + QStringLiteral(" - ") +
                           QString::fromLatin1(gui::kApplicationTitle));
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!isReading() && !DroppedFile(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
  }
}

void frmMain::dropEvent(QDropEvent* event) {
  const QString file = DroppedFile(event->mimeData());
  if (isReading() || file.isEmpty()) {
    return;
  }
  event->acceptProposedAction();
  OpenDatabaseFile(file);
}

void frmMain::SelectDatabase() {
  const ChosenFile chosen =
      dialogs_.openFile.AskForFile(this, DatabaseFileRequest(recent_.LastFolder()));
  if (chosen.path.isEmpty()) {
    return;  // cancelled: the window stays as it was
  }
  OpenDatabaseFile(chosen.path);
}

void frmMain::ChooseRecentDatabase() {
  const QStringList paths = recent_.Paths();
  if (paths.isEmpty() || isReading()) {
    return;
  }
  const QPoint below = controls_.txtInput->mapToGlobal(controls_.txtInput->rect().bottomLeft());
  const int chosen = dialogs_.listMenu.Popup(paths, below);
  if (chosen > 0 && chosen <= paths.size()) {
    OpenDatabaseFile(paths.at(chosen - 1));
  }
}

void frmMain::OpenDatabaseFile(const QString& path) {
  OpenDatabaseThen(path, false, [] {});
}

void frmMain::OpenDatabaseThen(const QString& path, bool keepTypedOutput,
                               std::function<void()> next) {
  if (isReading()) {
    return;
  }
  DatabaseLayer& database = database_;
  const std::string file = path.toStdString();
  // Everything is read before anything is replaced, so a failure leaves the
  // previous database, its table list and both text boxes in place.
  reads_.Start<Result<OpenedDatabase>>(
      [&database, file]() -> Result<OpenedDatabase> {
        Result<std::unique_ptr<DatabaseConnection>> opened = database.Open(file);
        if (!opened) {
          return opened.error();
        }
        Result<std::vector<std::string>> tables = opened.value()->UserTableNames();
        if (!tables) {
          return tables.error();
        }
        return OpenedDatabase{std::move(opened).value(), std::move(tables).value()};
      },
      [this, path, keepTypedOutput, next = std::move(next)](Result<OpenedDatabase> opened) {
        if (!opened) {
          ShowError(opened.error());
          return;
        }
        const QString fileName = QFileInfo(path).fileName();
        const QString output = controls_.txtOutput->text();
        const bool typedOutput =
            keepTypedOutput && !output.isEmpty() && output != state_.databaseFolder;
        state_.connection = std::move(opened.value().connection);
        state_.databasePath = path;
        state_.databaseFileName = fileName;
        state_.databaseFolder = path.left(path.size() - fileName.size());
        {
          // The field lists keep the table listed before until a new one is chosen.
          const QSignalBlocker quiet(controls_.ListTable);
          controls_.ListTable->clear();
          controls_.ListTable->addItems(ToQStringList(opened.value().tables));
          controls_.ListTable->setCurrentRow(-1);
        }
        listedRow_ = -1;
        controls_.txtInput->setText(path);
        if (!typedOutput) {
          controls_.txtOutput->setText(state_.databaseFolder);
        }
        recent_.Remember(path);
        recentAction_->setVisible(true);
        UpdateTitle();
        next();
      });
}

void frmMain::ListColumns() {
  const QList<QListWidgetItem*> selected = controls_.ListTable->selectedItems();
  if (selected.isEmpty() || state_.connection == nullptr || isReading()) {
    return;
  }
  const int row = controls_.ListTable->row(selected.first());
  const QString tableName = selected.first()->text();
  std::shared_ptr<DatabaseConnection> connection = state_.connection;
  reads_.Start<Result<std::vector<std::string>>>(
      [connection, table = tableName.toStdString()] { return connection->ColumnNames(table); },
      [this, row, tableName](Result<std::vector<std::string>> columns) {
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
      });
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
  if (isReading()) {
    return;
  }
  // The pages are made for the database the box names: one typed there since
  // is opened first, and a file that does not open writes nothing. An output
  // path the user typed stays; the previous database's folder does not.
  const QString typed = controls_.txtInput->text();
  if (!typed.isEmpty() && typed != state_.databasePath) {
    OpenDatabaseThen(typed, true, [this] { GeneratePages(); });
    return;
  }
  if (const Status tableChecked = CheckTableIsInDatabase(); !tableChecked) {
    dialogs_.messageBoxes.Show(this,
                               gui::Message{ErrorMessageText(tableChecked.error()),
                                            Title(generator::kRefusalTitle),
                                            MessageIcon::Error,
                                            {},
                                            QString::fromStdString(tableChecked.error().details)});
    return;
  }
  generator::GenerationInput input = CollectGenerationInput();
  if (state_.connection == nullptr || generator::RefusalOf(input)) {
    GenerateFor(std::move(input));  // the run's own refusal
    return;
  }
  // The table's description is read at Start, from the database chosen now,
  // so the pages find records by its key as it stands.
  std::shared_ptr<DatabaseConnection> connection = state_.connection;
  const std::string table = input.tableName;
  reads_.Start<Result<database::TableWithReferences>>(
      [connection, table] { return connection->DescribeTable(table); },
      [this, input = std::move(input)](Result<database::TableWithReferences> described) mutable {
        if (!described) {
          ShowError(described.error());
          return;
        }
        input.description = std::move(described).value();
        GenerateFor(std::move(input));
      });
}

void frmMain::GenerateFor(generator::GenerationInput input) {
  std::vector<std::string> confirmed;
  if (!generator::RefusalOf(input)) {
    if (Status entries = generator::RefuseControlCharacters(input.lists); !entries) {
      ShowError(entries.error());
      return;
    }
    confirmed = generator::EntriesThatAreNoColumns(input.lists, input.description.table);
    if (!ConfirmEntriesThatAreNoColumns(confirmed) || !ConfirmReplacing(input)) {
      return;
    }
  }
  const Result<generator::GenerationReport> run = generator::RunGeneration(input);
  if (!run) {
    ShowError(run.error());
    return;
  }
  if (!run.value().succeeded()) {
    const generator::UserMessage& refusal = run.value().message;
    dialogs_.messageBoxes.ShowMessage(this, QString::fromStdString(refusal.text),
                                      QString::fromStdString(refusal.title), refusal.icon);
    return;
  }
  writtenFiles_.insert(run.value().writtenFiles.begin(), run.value().writtenFiles.end());
  ShowWritten(run.value().writtenFiles);
  // Warnings the user has not answered yet, such as a database password.
  std::vector<std::string> remaining = run.value().warnings;
  std::erase_if(remaining, [&confirmed](const std::string& warning) {
    return std::find(confirmed.begin(), confirmed.end(), warning) != confirmed.end();
  });
  if (!remaining.empty()) {
    dialogs_.messageBoxes.ShowMessage(this, Lines(remaining), Title(gui::kApplicationTitle),
                                      MessageIcon::Warning);
  }
}

bool frmMain::ConfirmEntriesThatAreNoColumns(const std::vector<std::string>& warnings) {
  if (warnings.empty()) {
    return true;
  }
  return dialogs_.messageBoxes.Ask(this,
                                   gui::Message{Lines(warnings),
                                                Title(gui::kApplicationTitle),
                                                MessageIcon::Warning,
                                                QStringLiteral("Write the pages all the same?"),
                                                {}},
                                   QStringLiteral("&Continue"), QStringLiteral("Cancel"));
}

// Existing pages are replaced only when the user says so; pages this window
// wrote itself are replaced without a question, unless db.asp would then open
// another database for the pages that include it.
bool frmMain::ConfirmReplacing(const generator::GenerationInput& input) {
  const generator::OutputPlan plan = generator::PlanOutputs(input);
  const bool allOwn =
      std::all_of(plan.existingFiles.begin(), plan.existingFiles.end(),
                  [this](const std::string& file) { return writtenFiles_.contains(file); });
  if (plan.existingFiles.empty() || (allOwn && !plan.redirectsOtherPages())) {
    return true;
  }
  QString text =
      QStringLiteral("These files exist and will be replaced:\n") + Lines(plan.existingFiles);
  if (plan.redirectsOtherPages()) {
    const QString include = QString::fromStdString(plan.files.connectionInclude);
    const QString database = QString::fromStdString(input.databaseFileName);
    text += QStringLiteral("\n\n") +
            (plan.include == generator::ExistingInclude::AnotherDatabase
                 ? QStringLiteral("%1 opens the database '%2'. ")
                       .arg(include, QString::fromStdString(plan.includedDatabase))
                 : QStringLiteral("%1 opens no database FERULO can name. ").arg(include)) +
            QStringLiteral(
                "Once replaced, every page beside it that includes it opens '%1' "
                "instead.")
                .arg(database);
  }
  return dialogs_.messageBoxes.Ask(this,
                                   gui::Message{text,
                                                Title(gui::kApplicationTitle),
                                                MessageIcon::Warning,
                                                QStringLiteral("Replace them?"),
                                                {}},
                                   QStringLiteral("&Replace"), QStringLiteral("Cancel"));
}

// The run's own message, the four files it wrote, and a way to their folder.
void frmMain::ShowWritten(const std::vector<std::string>& files) {
  const gui::Message message{QString::fromLatin1(generator::kSuccessText),
                             Title(generator::kSuccessTitle),
                             MessageIcon::Information,
                             Lines(files),
                             {}};
  if (!dialogs_.messageBoxes.Ask(this, message, QStringLiteral("&Open Folder"),
                                 QStringLiteral("OK"))) {
    return;
  }
  const QString folder = QFileInfo(QString::fromStdString(files.front())).absolutePath();
  if (!actions_.openFolder(folder)) {
    ShowError(Error{error_code::kFolderNotOpened,
                    "The folder '" + folder.toStdString() +
                        "' could not be shown: the desktop has no file manager for it.",
                    {}});
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
  const std::string database = state_.databasePath.toStdString();
  return Error{error_code::kTableNotFound,
               "The field lists hold the columns of '" + table + "', a table that '" + database +
                   "' does not have. Choose one of its tables before pressing Start.",
               {}};
}

generator::GenerationInput frmMain::CollectGenerationInput() const {
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
  return input;
}

void frmMain::ShowError(const Error& error) {
  dialogs_.messageBoxes.Show(this, gui::Message{ErrorMessageText(error),
                                                Title(gui::kApplicationTitle),
                                                MessageIcon::Error,
                                                {},
                                                QString::fromStdString(error.details)});
}

}  // namespace ferulo::app
