#pragma once

#include <string_view>

#include "common/error.h"

// The database errors that more than one part of FERULO reports, worded once.
namespace ferulo::database {

// No table of that name in the database (or none whose columns are stored).
[[nodiscard]] Error TableNotFound(std::string_view tableName, std::string_view databasePath);

// The file cannot be read as an Access database; reason says what is wrong.
[[nodiscard]] Error CannotOpenDatabase(std::string_view databasePath, std::string_view reason);

}  // namespace ferulo::database
