#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "database/table_description.h"

namespace ferulo::database {

// One row of MSysRelationships: one column pair of one relationship.
struct RelationshipRow {
  std::string relationship;      // szRelationship
  std::string table;             // szObject, the referring table
  std::string column;            // szColumn
  std::string referencedTable;   // szReferencedObject
  std::string referencedColumn;  // szReferencedColumn
  long long columnIndex = 0;     // icolumn: the pair's place in the key, from 0
  long long columnCount = 0;     // ccolumn: the relationship's number of pairs
};

// The relations in which the table called tableName (letter case ignored)
// refers to a table, itself included, one per relationship and in the order
// the rows first name them, columns in key order; names as the rows hold
// them. Rows of one relationship that disagree, or whose places do not make
// up its key exactly once each, are damage: the error's description says how,
// and the caller names the file.
[[nodiscard]] Result<std::vector<Relation>> RelationsOf(std::string_view tableName,
                                                        const std::vector<RelationshipRow>& rows);

// MSysRelationships keeps names as they were typed when the relationship was
// made; Access matches them without regard to case. This spells each name of
// the table's relations as the described tables define it, and orders the
// relations by the position of their first column in the table.
void SpellRelationsAsDefined(TableWithReferences& described);

}  // namespace ferulo::database
