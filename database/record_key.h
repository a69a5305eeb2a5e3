#pragma once

#include <cstddef>
#include <vector>

#include "database/table_description.h"

namespace ferulo::database {

// One index of a table as its definition stores it.
struct StoredIndex {
  bool primaryKey = false;
  bool unique = false;
  bool disallowsNull = false;        // the index's own Required: Null refused in its columns
  std::vector<std::size_t> columns;  // positions in the table's column list, in key order
};

// Fills in the table's record key from its indexes, in the order the
// definition lists them: the primary key, or without one the first unique
// index none of whose columns can hold Null (each Required, an AutoNumber, or
// the index refuses Null). Every key column is then required. Index columns
// past the table's columns make no key.
void ApplyRecordKey(const std::vector<StoredIndex>& indexes, TableDescription& table);

}  // namespace ferulo::database
