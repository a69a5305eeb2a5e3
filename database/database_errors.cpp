#include "database/database_errors.h"

#include <string>

#include "common/error_codes.h"

namespace ferulo::database {

Error TableNotFound(std::string_view tableName, std::string_view databasePath) {
  return Error{error_code::kTableNotFound,
               "Cannot find the table '" + std::string(tableName) + "' in '" +
                   std::string(databasePath) +
                   "'. Make sure it exists and that its name is spelled correctly."};
}

Error CannotOpenDatabase(std::string_view databasePath, std::string_view reason) {
  return Error{error_code::kCannotOpenDatabase,
               "Cannot open database '" + std::string(databasePath) +
                   "'. It may not be a database that FERULO recognizes, or the file may be "
                   "corrupt: " +
                   std::string(reason) + "."};
}

}  // namespace ferulo::database
