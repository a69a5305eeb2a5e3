#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/message_icon.h"
#include "database/table_description.h"

namespace ferulo::generator {

// The four field lists of the main window, entries in list order.
struct FieldLists {
  std::vector<std::string> fieldNames;    // the columns the list and edit pages show
  std::vector<std::string> displayNames;  // their captions, paired with fieldNames by position
  std::vector<std::string> filterNames;   // the columns the filter page offers
  std::vector<std::string> searchNames;   // the columns the list page searches
};

// Everything a run reads: the window's state at the moment "Start" is pressed.
struct GenerationInput {
  std::string databasePathText;  // text of txtInput; only tested for emptiness
  std::string databaseFileName;  // e.g. "shop.mdb"
  std::string tableName;
  // Text of txtOutput: a prefix of the output names; empty for the
  // database's folder.
  std::string outputPath;
  FieldLists lists;
  std::string programDirectory;  // where filelist.dat, fileedit.dat and filefilter.dat are
  // Where the page helpers (pagehelpers.vbs) are: the folder of the program
  // itself, whichever templates it fills. Empty: programDirectory.
  std::string helperDirectory{};
  // The database carries a database password, which db.asp does not give:
  // the pages are written all the same, with a warning.
  bool databaseHasPassword = false;
  // The table as the database describes it, with the tables it refers to:
  // the record key and the lookups of the related columns among the field
  // names go into the list and edit pages, and entries that name none of its
  // columns are warned about. Left empty, the pages know no key (records can
  // be added, not edited) and no lookups, and entries are not checked.
  database::TableWithReferences description{};
};

// The one message box a run ends with.
struct UserMessage {
  std::string text;
  std::string title;
  MessageIcon icon = MessageIcon::Information;
};

// A run that got as far as its message: success (the four files written) or a
// refusal (nothing written).
struct GenerationReport {
  bool filesWritten = false;
  UserMessage message;
  std::vector<std::string> writtenFiles;  // list, edit, filter page, db.asp
  // Things the user should know about pages that were written all the same,
  // one sentence each, naming what they are about.
  std::vector<std::string> warnings;

  [[nodiscard]] bool succeeded() const { return filesWritten; }
};

inline constexpr const char* kSuccessText = "ASP Files created successfully !";
inline constexpr const char* kSuccessTitle = "Success";
inline constexpr const char* kNoDatabaseText = "Please select an access database first !";
inline constexpr const char* kNoTableText = "Please select a table first !";
inline constexpr const char* kRefusalTitle = "Error";

// The refusal a run ends with at once, writing nothing: no database or no
// table chosen. A path typed into the box while no database was ever chosen
// leaves the file name empty: that is no database either.
[[nodiscard]] std::optional<GenerationReport> RefusalOf(const GenerationInput& input);

// The generation run. Reads the three templates, fills them and writes the
// three pages and db.asp, all or nothing: a failure leaves every existing
// output as it was and no temporary file behind.
[[nodiscard]] Result<GenerationReport> RunGeneration(const GenerationInput& input);

}  // namespace ferulo::generator
