#pragma once

#include "app/database_layer.h"
#include "database/connection.h"

namespace ferulo::app {

// The database layer the program ships with: Access files read through
// FERULO's isolated reader process.
class AccessDatabaseLayer : public DatabaseLayer {
 public:
  explicit AccessDatabaseLayer(database::ReaderOptions options = database::DefaultReaderOptions());

  [[nodiscard]] Result<std::unique_ptr<DatabaseConnection>> Open(
      const std::string& databasePath) override;

 private:
  database::ReaderOptions options_;
};

}  // namespace ferulo::app
