#pragma once

#include <string>
#include <vector>

#include "common/error.h"
#include "database/connection.h"
#include "database/reader_process.h"
#include "database/table_description.h"

namespace ferulo::database {

// Turn what the reader wrote into the schema or the column names, or into the
// error it reported (with libmdb's complaint added), or into kReaderBadAnswer
// where the answer is not what the reader protocol promises.
[[nodiscard]] Result<std::vector<SchemaRow>> ParseCatalogAnswer(const ReaderOutput& output,
                                                                const std::string& databasePath);
[[nodiscard]] Result<std::vector<std::string>> ParseColumnsAnswer(const ReaderOutput& output,
                                                                  const std::string& databasePath);

// The answer to "describe": the table's description first, then those of the
// tables it refers to.
[[nodiscard]] Result<TableWithReferences> ParseDescribeAnswer(const ReaderOutput& output,
                                                              const std::string& databasePath);

}  // namespace ferulo::database
