#pragma once

#include <string>
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

// The relations in which the table (its name matched without regard to
// case) refers to a table, itself included, one per relationship and in the
// order the rows first name them, columns in key order, spelled as the table
// defines them; the referenced names as the rows hold them. Rows of one
// relationship that disagree, whose places do not make up its key exactly
// once each, or that name a column the table lacks are damage: the error's
// description says how, and the caller names the file.
[[nodiscard]] Result<std::vector<Relation>> RelationsOf(const TableDescription& table,
                                                        const std::vector<RelationshipRow>& rows);

// MSysRelationships keeps names as they were typed when the relationship was
// made; Access matches them without regard to case. This spells the
// referenced table and columns of each relation as the referenced table
// defines them, where it is described, and orders the relations by the
// position of their first column in the table.
void SpellRelationsAsDefined(TableWithReferences& described);

}  // namespace ferulo::database
