#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/database_layer.h"

namespace ferulo::app::test {

// A database layer whose files and failures the test describes: for the
// failures a real Access file cannot be made to produce on demand.
class FakeDatabase : public DatabaseLayer {
 public:
  struct Table {
    std::string name;
    std::vector<std::string> columns;
    std::optional<Error> columnError;
    std::optional<Error> describeError{};  // otherwise: the columns, no key
  };
  struct File {
    std::vector<Table> tables;
    std::optional<Error> openError;
    std::optional<Error> schemaError;
    bool hasPassword = false;
  };

  void Add(const std::string& path, File file) { files_[path] = std::move(file); }

  [[nodiscard]] Result<std::unique_ptr<DatabaseConnection>> Open(
      const std::string& databasePath) override;

 private:
  std::map<std::string, File> files_;
};

}  // namespace ferulo::app::test
