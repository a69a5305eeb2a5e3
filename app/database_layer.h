#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "database/table_description.h"

namespace ferulo::app {

// An open database, as the main window uses it: it asks for table names, for
// one table's column names and, to generate its pages, for its description.
class DatabaseConnection {
 public:
  virtual ~DatabaseConnection() = default;

  // The names of the user tables, in the order the database reports them.
  [[nodiscard]] virtual Result<std::vector<std::string>> UserTableNames() const = 0;

  // The table's column names in column order, for the name exactly as listed.
  [[nodiscard]] virtual Result<std::vector<std::string>> ColumnNames(
      const std::string& tableName) const = 0;

  // The table's columns, record key and relations, with the tables it refers
  // to, for the name exactly as listed.
  [[nodiscard]] virtual Result<database::TableWithReferences> DescribeTable(
      const std::string& tableName) const = 0;

  // Whether the database carries a database password (it opens without it).
  [[nodiscard]] virtual bool HasDatabasePassword() const = 0;
};

// Opens databases for the main window.
class DatabaseLayer {
 public:
  virtual ~DatabaseLayer() = default;

  [[nodiscard]] virtual Result<std::unique_ptr<DatabaseConnection>> Open(
      const std::string& databasePath) = 0;
};

}  // namespace ferulo::app
