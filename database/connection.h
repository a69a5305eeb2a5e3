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

// One object of the database as the schema of tables reports it.
// tableType is "TABLE" exactly for user tables; "SYSTEM TABLE", "VIEW" (saved
// queries, hidden ones included), "LINK" and "PASS-THROUGH" otherwise.
struct SchemaRow {
  std::string tableType;
  std::string tableName;
  bool operator==(const SchemaRow&) const = default;
};

// The reader's entry point where it is linked into the calling program:
// ferulo-mdb-reader's main under another name (see reader_main.h).
using LinkedReader = int (*)(int argc, char** argv);

// How the isolated reader process is run.
struct ReaderOptions {
  std::string readerExecutable;  // full path of ferulo-mdb-reader
  // Where set, each question is answered by a child forked from this process
  // that runs the linked reader, under the same limits and with the same
  // descriptors and environment as ferulo-mdb-reader gets: one process start
  // less per answer. Only for programs with a single thread, such as
  // ferulo-cli: a child forked from a program with threads may find a lock
  // that another thread held at the fork taken for ever.
  LinkedReader linkedReader = nullptr;
  std::chrono::milliseconds timeout{10'000};
  std::uint64_t memoryLimitBytes = std::uint64_t{1} << 30;
};

// The reader beside the running executable, 10 s, 1 GiB.
[[nodiscard]] ReaderOptions DefaultReaderOptions();

// An open database. Opening reads the catalog once (in the reader process);
// every later question is answered from it or by a new reader run.
class Connection {
 public:
  [[nodiscard]] static Result<Connection> Open(const std::string& databasePath,
                                               ReaderOptions options = DefaultReaderOptions());

  // Open, and read the columns of one table in the same reader run, so that
  // ColumnNames for that table needs no second one. For callers that know
  // their table up front, such as the command line.
  [[nodiscard]] static Result<Connection> OpenWithColumnsOf(
      const std::string& databasePath, std::string_view tableName,
      ReaderOptions options = DefaultReaderOptions());

  // Open, and describe one table in the same reader run, so that
  // DescribeTable and ColumnNames for that table need no second one.
  [[nodiscard]] static Result<Connection> OpenDescribing(
      const std::string& databasePath, std::string_view tableName,
      ReaderOptions options = DefaultReaderOptions());

  // Every catalog object, in catalog order.
  [[nodiscard]] const std::vector<SchemaRow>& OpenSchemaTables() const { return schema_; }

  // The column names of the table called exactly tableName, in column order.
  [[nodiscard]] Result<std::vector<std::string>> ColumnNames(std::string_view tableName) const;

  // The table's columns with their types, its record key and its relations,
  // with the descriptions of the tables it refers to, from one reader run.
  // For a table of the schema whose columns are stored (user or system table).
  [[nodiscard]] Result<TableWithReferences> DescribeTable(std::string_view tableName) const;

  [[nodiscard]] const std::string& databasePath() const { return databasePath_; }

  // Whether the file, as it was opened, carries a Jet database password (see
  // DatabaseFile::hasPassword).
  [[nodiscard]] bool hasDatabasePassword() const { return hasDatabasePassword_; }

 private:
  Connection(std::string databasePath, ReaderOptions options, std::vector<SchemaRow> schema);

  [[nodiscard]] Result<const SchemaRow*> StoredTable(std::string_view tableName) const;

  enum class TableRead { Columns, Description };
  static Result<Connection> OpenReadingTable(const std::string& databasePath,
                                             std::string_view tableName, TableRead read,
                                             ReaderOptions options);

  // What was read along with the catalog, and the table it belongs to.
  std::string prefetchedTable_;
  std::optional<std::vector<std::string>> prefetchedColumns_;
  std::optional<TableWithReferences> prefetchedDescription_;

  std::string databasePath_;
  ReaderOptions options_;
  std::vector<SchemaRow> schema_;
  bool hasDatabasePassword_ = false;
};

// The names of the rows whose type is exactly "TABLE", in order.
[[nodiscard]] std::vector<std::string> UserTableNames(const std::vector<SchemaRow>& schema);

}  // namespace ferulo::database
