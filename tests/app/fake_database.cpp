#include "fake_database.h"

#include "common/error_codes.h"

namespace ferulo::app::test {

namespace {

class FakeConnection : public DatabaseConnection {
 public:
  explicit FakeConnection(FakeDatabase::File file) : file_(std::move(file)) {}

  [[nodiscard]] Result<std::vector<std::string>> UserTableNames() const override {
    if (file_.schemaError) {
      return *file_.schemaError;
    }
    std::vector<std::string> names;
    for (const FakeDatabase::Table& table : file_.tables) {
      names.push_back(table.name);
    }
    return names;
  }

  [[nodiscard]] Result<std::vector<std::string>> ColumnNames(
      const std::string& tableName) const override {
    const FakeDatabase::Table* table = Find(tableName);
    if (table == nullptr) {
      return Error{error_code::kTableNotFound, "No table '" + tableName + "'"};
    }
    if (table->columnError) {
      return *table->columnError;
    }
    return table->columns;
  }

  [[nodiscard]] Result<database::TableWithReferences> DescribeTable(
      const std::string& tableName) const override {
    const FakeDatabase::Table* table = Find(tableName);
    if (table == nullptr) {
      return Error{error_code::kTableNotFound, "No table '" + tableName + "'"};
    }
    if (table->describeError) {
      return *table->describeError;
    }
    database::TableWithReferences described;
    described.table.name = table->name;
    for (const std::string& column : table->columns) {
      described.table.columns.push_back({.name = column, .type = "Text", .size = 255});
    }
    return described;
  }

  [[nodiscard]] bool HasDatabasePassword() const override { return file_.hasPassword; }

 private:
  [[nodiscard]] const FakeDatabase::Table* Find(const std::string& tableName) const {
    for (const FakeDatabase::Table& table : file_.tables) {
      if (table.name == tableName) {
        return &table;
      }
    }
    return nullptr;
  }

  FakeDatabase::File file_;
};

}  // namespace

Result<std::unique_ptr<DatabaseConnection>> FakeDatabase::Open(const std::string& databasePath) {
  const auto found = files_.find(databasePath);
  if (found == files_.end()) {
    return Error{error_code::kCouldNotFindDatabase, "Could not find file '" + databasePath + "'"};
  }
  if (found->second.openError) {
    return *found->second.openError;
  }
  return std::unique_ptr<DatabaseConnection>(std::make_unique<FakeConnection>(found->second));
}

}  // namespace ferulo::app::test
