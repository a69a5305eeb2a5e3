#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "database/table_description.h"

// The one place in FERULO that talks to libmdb. Only ferulo-mdb-reader links
// it; everything else asks that process.
namespace ferulo::database {

struct CatalogObject {
  std::string tableType;
  std::string name;
};

// Every object of the schema of tables, in MSysObjects order. MSysObjects is
// read as a plain table (libmdb's catalog reader would run its property parser
// over every object, which loops for ever on some damaged files).
[[nodiscard]] Result<std::vector<CatalogObject>> ReadCatalog(const std::string& databasePath);

// The catalog and, where tableName is one of its user tables, that table's
// column names, from one reading of the file: what a caller that knows its
// table up front needs, for the price of one reader run.
struct CatalogWithColumns {
  std::vector<CatalogObject> catalog;
  std::optional<std::vector<std::string>> columns;
};
[[nodiscard]] Result<CatalogWithColumns> ReadCatalogWithColumns(const std::string& databasePath,
                                                                const std::string& tableName);

// The column names of the table called exactly tableName, in column order.
[[nodiscard]] Result<std::vector<std::string>> ReadColumnNames(const std::string& databasePath,
                                                               const std::string& tableName);

// The description of the table called exactly tableName (a user or system
// table), with those of the tables its relations refer to, from one reading
// of the file: columns with their types, sizes and constraints from the
// table's definition and property data, the record key from its indexes, the
// relations from MSysRelationships.
[[nodiscard]] Result<TableWithReferences> ReadTableDescriptions(const std::string& databasePath,
                                                                const std::string& tableName);

// The catalog and the description of the table called exactly tableName,
// from one reading of the file: what the command line needs to describe a
// table or make its pages, for the price of one reader run.
struct CatalogWithDescription {
  std::vector<CatalogObject> catalog;
  TableWithReferences description;
};
[[nodiscard]] Result<CatalogWithDescription> ReadCatalogWithDescription(
    const std::string& databasePath, const std::string& tableName);

// From here on, an allocation that glib cannot satisfy (libmdb allocates
// through it) ends the process with the reader's out-of-memory exit status
// instead of an abort that looks like any other crash.
void ExitQuietlyWhenGlibRunsOutOfMemory();

}  // namespace ferulo::database
