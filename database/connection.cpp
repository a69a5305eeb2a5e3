#include "database/connection.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include "common/error_codes.h"
#include "common/program_directory.h"
#include "database/database_file_check.h"
#include "database/object_types.h"
#include "database/reader_answer.h"
#include "database/reader_process.h"
#include "database/reader_protocol.h"

namespace ferulo::database {

namespace {

constexpr std::string_view kPathKey = "DBQ=";
constexpr std::string_view kColumnQueryPrefix = "select * from ";

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) !=
        std::toupper(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

Error NotATable(const SchemaRow& row, const std::string& databasePath) {
  return Error{error_code::kTableNotFound,
               "Cannot read the columns of '" + row.tableName + "' in '" + databasePath +
                   "': it is not a table but an object of type " + row.tableType +
                   ", whose columns are not stored in the file."};
}

Error TableNotListed(std::string_view tableName, const std::string& databasePath) {
  return Error{error_code::kTableNotFound,
               "Cannot find the table '" + std::string(tableName) + "' in '" + databasePath +
                   "'. Make sure it exists and that its name is spelled correctly."};
}

}  // namespace

std::string BuildConnectionString(std::string_view databasePath) {
  std::string connectionString(kPathKey);
  connectionString += databasePath;
  connectionString += kDriverText;
  return connectionString;
}

Result<std::string> DatabasePathFromConnectionString(std::string_view connectionString) {
  // The string FERULO builds itself: everything between "DBQ=" and the driver
  // text is the path, semicolons included.
  if (connectionString.starts_with(kPathKey) && connectionString.ends_with(kDriverText) &&
      connectionString.size() >= kPathKey.size() + kDriverText.size()) {
    return std::string(connectionString.substr(
        kPathKey.size(), connectionString.size() - kPathKey.size() - kDriverText.size()));
  }
  // Any other: the DBQ= attribute wherever it stands, up to the next ';'.
  std::size_t start = 0;
  while (start <= connectionString.size()) {
    const std::string_view attribute = connectionString.substr(start);
    if (StartsWithIgnoringCase(attribute, kPathKey)) {
      const std::string_view value = attribute.substr(kPathKey.size());
      return std::string(value.substr(0, value.find(';')));
    }
    const std::size_t next = connectionString.find(';', start);
    if (next == std::string_view::npos) {
      break;
    }
    start = next + 1;
  }
  return Error{error_code::kBadConnectionString, "The connection string '" +
                                                     std::string(connectionString) +
                                                     "' names no database: it has no DBQ= part."};
}

ReaderOptions DefaultReaderOptions() {
  ReaderOptions options;
  const std::string folder = ProgramDirectory();
  options.readerExecutable = (folder.empty() ? std::string() : folder + "/") +
                             std::string(reader_protocol::kExecutableName);
  return options;
}

Result<Connection> Connection::Open(std::string_view connectionString, ReaderOptions options) {
  return OpenReadingTable(connectionString, {}, std::move(options));
}

Result<Connection> Connection::OpenWithColumnsOf(std::string_view connectionString,
                                                 std::string_view tableName,
                                                 ReaderOptions options) {
  return OpenReadingTable(connectionString, tableName, std::move(options));
}

Result<Connection> Connection::OpenReadingTable(std::string_view connectionString,
                                                std::string_view tableName, ReaderOptions options) {
  auto path = DatabasePathFromConnectionString(connectionString);
  if (!path) {
    return path.error();
  }
  const std::string& databasePath = path.value();
  if (auto file = CheckDatabaseFile(databasePath); !file) {
    return file.error();
  }
  std::vector<std::string> request{std::string(reader_protocol::kCatalogCommand), databasePath};
  if (!tableName.empty()) {
    request.emplace_back(tableName);
  }
  auto output = RunReader(options, request, databasePath);
  if (!output) {
    return output.error();
  }
  auto schema = ParseCatalogAnswer(output.value(), databasePath);
  if (!schema) {
    return schema.error();
  }
  std::optional<std::vector<std::string>> columns;
  const std::vector<std::string> userTables = UserTableNames(schema.value());
  if (!tableName.empty() &&
      std::find(userTables.begin(), userTables.end(), tableName) != userTables.end()) {
    // The reader lists the columns of a user table it was asked about.
    auto listed = ParseColumnsAnswer(output.value(), databasePath);
    if (!listed) {
      return listed.error();
    }
    columns = std::move(listed).value();
  }
  Connection connection(std::move(path).value(), std::move(options), std::move(schema).value());
  if (columns) {
    connection.prefetchedTable_ = tableName;
    connection.prefetchedColumns_ = std::move(columns);
  }
  return connection;
}

Connection::Connection(std::string databasePath, ReaderOptions options,
                       std::vector<SchemaRow> schema)
    : databasePath_(std::move(databasePath)),
      options_(std::move(options)),
      schema_(std::move(schema)) {}

Result<std::vector<std::string>> Connection::ColumnNames(std::string_view columnQuery) const {
  if (!columnQuery.starts_with(kColumnQueryPrefix)) {
    return Error{error_code::kInvalidSqlStatement,
                 "Cannot answer the query '" + std::string(columnQuery) + "' on '" + databasePath_ +
                     "': FERULO asks a database only \"select * from \" followed by a table name."};
  }
  const std::string_view tableName = columnQuery.substr(kColumnQueryPrefix.size());
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
    return TableNotListed(tableName, databasePath_);
  }
  if (!HasStoredColumns(listed->tableType)) {
    return NotATable(*listed, databasePath_);
  }
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
  const auto listed = std::find_if(schema_.begin(), schema_.end(), [&](const SchemaRow& row) {
    return row.tableName == tableName && HasStoredColumns(row.tableType);
  });
  if (listed == schema_.end()) {
    const auto other = std::find_if(schema_.begin(), schema_.end(), [&](const SchemaRow& row) {
      return row.tableName == tableName;
    });
    return other == schema_.end() ? TableNotListed(tableName, databasePath_)
                                  : NotATable(*other, databasePath_);
  }
  if (auto file = CheckDatabaseFile(databasePath_); !file) {
    return file.error();
  }
  auto output = RunReader(
      options_, {std::string(reader_protocol::kDescribeCommand), databasePath_, listed->tableName},
      databasePath_);
  if (!output) {
    return output.error();
  }
  return ParseDescribeAnswer(output.value(), databasePath_);
}

std::string BuildColumnQuery(std::string_view tableName) {
  std::string query(kColumnQueryPrefix);
  query += tableName;
  return query;
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
