#include "app/access_database.h"

#include <utility>

#include "database/database_file_check.h"

namespace ferulo::app {

namespace {

class AccessConnection : public DatabaseConnection {
 public:
  AccessConnection(database::Connection connection, bool hasPassword)
      : connection_(std::move(connection)), hasPassword_(hasPassword) {}

  [[nodiscard]] Result<std::vector<std::string>> UserTableNames() const override {
    return database::UserTableNames(connection_.OpenSchemaTables());
  }

  [[nodiscard]] Result<std::vector<std::string>> ColumnNames(
      const std::string& tableName) const override {
    return connection_.ColumnNames(tableName);
  }

  [[nodiscard]] Result<database::TableWithReferences> DescribeTable(
      const std::string& tableName) const override {
    return connection_.DescribeTable(tableName);
  }

  [[nodiscard]] bool HasDatabasePassword() const override { return hasPassword_; }

 private:
  database::Connection connection_;
  bool hasPassword_;
};

}  // namespace

AccessDatabaseLayer::AccessDatabaseLayer(database::ReaderOptions options)
    : options_(std::move(options)) {}

Result<std::unique_ptr<DatabaseConnection>> AccessDatabaseLayer::Open(
    const std::string& databasePath) {
  Result<database::Connection> opened = database::Connection::Open(databasePath, options_);
  if (!opened) {
    return opened.error();
  }
  const Result<bool> hasPassword = database::HasDatabasePassword(databasePath);
  if (!hasPassword) {
    return hasPassword.error();
  }
  return std::unique_ptr<DatabaseConnection>(
      std::make_unique<AccessConnection>(std::move(opened).value(), hasPassword.value()));
}

}  // namespace ferulo::app
