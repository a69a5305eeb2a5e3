#include "database/connection.h"

#include <algorithm>
#include <string>
#include <utility>

#include "common/error_codes.h"
#include "common/program_directory.h"
#include "database/database_errors.h"
#include "database/database_file_check.h"
#include "database/object_types.h"
#include "database/reader_answer.h"
#include "database/reader_process.h"
#include "database/reader_protocol.h"

namespace ferulo::database {

namespace {

Error NotATable(const SchemaRow& row, const std::string& databasePath) {
  return Error{error_code::kTableNotFound,
               "Cannot read the columns of '" + row.tableName + "' in '" + databasePath +
                   "': it is not a table but an object of type " + row.tableType +
                   ", whose columns are not stored in the file."};
}

}  // namespace

ReaderOptions DefaultReaderOptions() {
  ReaderOptions options;
  const std::string folder = ProgramDirectory();
  options.readerExecutable = (folder.empty() ? std::string() : folder + "/") +
                             std::string(reader_protocol::kExecutableName);
  return options;
}

Result<Connection> Connection::Open(const std::string& databasePath, ReaderOptions options) {
  return OpenReadingTable(databasePath, {}, TableRead::Columns, std::move(options));
}

Result<Connection> Connection::OpenWithColumnsOf(const std::string& databasePath,
                                                 std::string_view tableName,
                                                 ReaderOptions options) {
  return OpenReadingTable(databasePath, tableName, TableRead::Columns, std::move(options));
}

Result<Connection> Connection::OpenDescribing(const std::string& databasePath,
                                              std::string_view tableName, ReaderOptions options) {
  return OpenReadingTable(databasePath, tableName, TableRead::Description, std::move(options));
}

Result<Connection> Connection::OpenReadingTable(const std::string& databasePath,
                                                std::string_view tableName, TableRead read,
                                                ReaderOptions options) {
  const Result<DatabaseFile> file = CheckDatabaseFile(databasePath);
  if (!file) {
    return file.error();
  }
  const bool describe = read == TableRead::Description && !tableName.empty();
  std::vector<std::string> request{
      std::string(describe ? reader_protocol::kDescribeCommand : reader_protocol::kCatalogCommand),
      databasePath};
  if (!tableName.empty()) {
    request.emplace_back(tableName);
  }
  auto output = RunReader(options, request, databasePath);
  if (!output) {
    return output.error();
  }
  auto answer = ParseCatalogAnswer(output.value(), databasePath);
  if (!answer) {
    return answer.error();
  }
  CatalogAnswer& catalog = answer.value();
  if (describe && !catalog.description) {
    return BadReaderAnswer(databasePath, "it holds no \"tables\" list");
  }
  const std::vector<std::string> userTables = UserTableNames(catalog.schema);
  const bool userTable =
      std::find(userTables.begin(), userTables.end(), tableName) != userTables.end();
  // The reader lists the columns of a user table it was asked about.
  if (!describe && !tableName.empty() && userTable && !catalog.columns) {
    return BadReaderAnswer(databasePath, "it holds no \"columns\" list");
  }
  Connection connection(databasePath, std::move(options), std::move(catalog.schema));
  connection.hasDatabasePassword_ = file.value().hasPassword;
  if (describe) {
    connection.prefetchedTable_ = tableName;
    std::vector<std::string> names;
    for (const ColumnDescription& column : catalog.description->table.columns) {
      names.push_back(column.name);
    }
    connection.prefetchedColumns_ = std::move(names);
    connection.prefetchedDescription_ = std::move(catalog.description);
  } else if (!tableName.empty() && userTable) {
    connection.prefetchedTable_ = tableName;
    connection.prefetchedColumns_ = std::move(catalog.columns);
  }
  return connection;
}

Connection::Connection(std::string databasePath, ReaderOptions options,
                       std::vector<SchemaRow> schema)
    : databasePath_(std::move(databasePath)),
      options_(std::move(options)),
      schema_(std::move(schema)) {}

// The schema row of the table called exactly tableName, preferring one whose
// columns are stored in the file; an error where there is none.
Result<const SchemaRow*> Connection::StoredTable(std::string_view tableName) const {
  const SchemaRow* listed = nullptr;
  for (const auto& row : schema_) {
    if (row.tableName == tableName) {
      listed = &row;
      if (HasStoredColumns(row.tableType)) {
        break;
      }
    }
  }
  if (listed == nullptr) {
    return TableNotFound(tableName, databasePath_);
  }
  if (!HasStoredColumns(listed->tableType)) {
    return NotATable(*listed, databasePath_);
  }
  return listed;
}

Result<std::vector<std::string>> Connection::ColumnNames(std::string_view tableName) const {
  auto found = StoredTable(tableName);
  if (!found) {
    return found.error();
  }
  const SchemaRow* listed = found.value();
  if (prefetchedColumns_ && listed->tableName == prefetchedTable_) {
    return *prefetchedColumns_;
  }
  // The file may have changed since it was opened; look at it again before
  // the reader does.
  if (auto file = CheckDatabaseFile(databasePath_); !file) {
    return file.error();
  }
  auto output = RunReader(
      options_, {std::string(reader_protocol::kColumnsCommand), databasePath_, listed->tableName},
      databasePath_);
  if (!output) {
    return output.error();
  }
  return ParseColumnsAnswer(output.value(), databasePath_);
}

Result<TableWithReferences> Connection::DescribeTable(std::string_view tableName) const {
  auto listed = StoredTable(tableName);
  if (!listed) {
    return listed.error();
  }
  if (prefetchedDescription_ && listed.value()->tableName == prefetchedTable_) {
    return *prefetchedDescription_;
  }
  if (auto file = CheckDatabaseFile(databasePath_); !file) {
    return file.error();
  }
  auto output = RunReader(
      options_,
      {std::string(reader_protocol::kDescribeCommand), databasePath_, listed.value()->tableName},
      databasePath_);
  if (!output) {
    return output.error();
  }
  auto answer = ParseCatalogAnswer(output.value(), databasePath_);
  if (!answer) {
    return answer.error();
  }
  if (!answer.value().description) {
    return BadReaderAnswer(databasePath_, "it holds no \"tables\" list");
  }
  return std::move(*answer.value().description);
}

std::vector<std::string> UserTableNames(const std::vector<SchemaRow>& schema) {
  std::vector<std::string> names;
  for (const auto& row : schema) {
    if (row.tableType == kUserTableType) {
      names.push_back(row.tableName);
    }
  }
  return names;
}

}  // namespace ferulo::database
