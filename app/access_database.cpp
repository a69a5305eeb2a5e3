#include "app/access_database.h"

#include <utility>

namespace ferulo::app {

namespace {

class AccessConnection : public DatabaseConnection {
 public:
  explicit AccessConnection(database::Connection connection) : connection_(std::move(connection)) {}

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

  [[nodiscard]] bool HasDatabasePassword() const override {
    return connection_.hasDatabasePassword();
  }

 private:
  database::Connection connection_;
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
  return std::unique_ptr<DatabaseConnection>(
      std::make_unique<AccessConnection>(std::move(opened).value()));
}

}  // namespace ferulo::app
