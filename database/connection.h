#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "database/table_description.h"

namespace ferulo::database {

// The driver part of every connection string FERULO builds; the generated
// db.asp carries the same text.
inline constexpr std::string_view kDriverText =
    ";DefaultDir=;DRIVER={Microsoft Access Driver (*.mdb)};";

// "DBQ=" + path + kDriverText, nothing quoted.
[[nodiscard]] std::string BuildConnectionString(std::string_view databasePath);

// The path of the "DBQ=" part, up to the next ';'. In a string built by
// BuildConnectionString the path is everything between "DBQ=" and kDriverText,
// so a path holding ';' comes back whole.
[[nodiscard]] Result<std::string> DatabasePathFromConnectionString(
    std::string_view connectionString);

// One object of the database as the schema of tables reports it.
// tableType is "TABLE" exactly for user tables; "SYSTEM TABLE", "VIEW" (saved
// queries, hidden ones included), "LINK" and "PASS-THROUGH" otherwise.
struct SchemaRow {
  std::string tableType;
  std::string tableName;
  bool operator==(const SchemaRow&) const = default;
};

// How the isolated reader process is run.
struct ReaderOptions {
  std::string readerExecutable;  // full path of ferulo-mdb-reader
  std::chrono::milliseconds timeout{10'000};
  std::uint64_t memoryLimitBytes = std::uint64_t{1} << 30;
};

// The reader beside the running executable, 10 s, 1 GiB.
[[nodiscard]] ReaderOptions DefaultReaderOptions();

// An open database. Opening reads the catalog once (in the reader process);
// every later question is answered from it or by a new reader run.
class Connection {
 public:
  [[nodiscard]] static Result<Connection> Open(std::string_view connectionString,
                                               ReaderOptions options = DefaultReaderOptions());

  // Open, and read the columns of one table in the same reader run, so that
  // ColumnNames for that table needs no second one. For callers that know
  // their table up front, such as the command line.
  [[nodiscard]] static Result<Connection> OpenWithColumnsOf(
      std::string_view connectionString, std::string_view tableName,
      ReaderOptions options = DefaultReaderOptions());

  // Every catalog object, in catalog order.
  [[nodiscard]] const std::vector<SchemaRow>& OpenSchemaTables() const { return schema_; }

  // Answers "select * from <table>" with the table's column names in column
  // order. The table name is everything after "select * from ", verbatim.
  [[nodiscard]] Result<std::vector<std::string>> ColumnNames(std::string_view columnQuery) const;

  // The table's columns with their types, its record key and its relations,
  // with the descriptions of the tables it refers to, from one reader run.
  // For a table of the schema whose columns are stored (user or system table).
  [[nodiscard]] Result<TableWithReferences> DescribeTable(std::string_view tableName) const;

  [[nodiscard]] const std::string& databasePath() const { return databasePath_; }

 private:
  Connection(std::string databasePath, ReaderOptions options, std::vector<SchemaRow> schema);

  static Result<Connection> OpenReadingTable(std::string_view connectionString,
                                             std::string_view tableName, ReaderOptions options);

  // The columns read along with the catalog, and the table they belong to.
  std::string prefetchedTable_;
  std::optional<std::vector<std::string>> prefetchedColumns_;

  std::string databasePath_;
  ReaderOptions options_;
  std::vector<SchemaRow> schema_;
};

// The column query for a table: "select * from " + tableName, unquoted.
[[nodiscard]] std::string BuildColumnQuery(std::string_view tableName);

// The names of the rows whose type is exactly "TABLE", in order.
[[nodiscard]] std::vector<std::string> UserTableNames(const std::vector<SchemaRow>& schema);

}  // namespace ferulo::database
