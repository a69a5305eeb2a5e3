#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "database/connection.h"
#include "database/reader_process.h"
#include "database/table_description.h"

namespace ferulo::database {

// A catalog answer: the schema and, where the reader was asked about one of
// the user tables, that table's columns.
struct CatalogAnswer {
  std::vector<SchemaRow> schema;
  std::optional<std::vector<std::string>> columns;
  // The answer to "describe": the table's description first, then those of
  // the tables it refers to.
  std::optional<TableWithReferences> description;
};

// Turn what the reader wrote into the catalog or the column names, or into the
// error it reported (with libmdb's complaint added), or into kReaderBadAnswer
// where the answer is not what the reader protocol promises. The answer is
// parsed once.
[[nodiscard]] Result<CatalogAnswer> ParseCatalogAnswer(const ReaderOutput& output,
                                                       const std::string& databasePath);
[[nodiscard]] Result<std::vector<std::string>> ParseColumnsAnswer(const ReaderOutput& output,
                                                                  const std::string& databasePath);

// The error for an answer that breaks the reader protocol; what says how.
[[nodiscard]] Error BadReaderAnswer(const std::string& databasePath, const std::string& what);

}  // namespace ferulo::database
