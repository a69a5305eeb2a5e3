#include "database/record_key.h"

#include <algorithm>

namespace ferulo::database {

namespace {

bool IndexesKnownColumns(const StoredIndex& index, const TableDescription& table) {
  return !index.columns.empty() &&
         std::all_of(index.columns.begin(), index.columns.end(),
                     [&](std::size_t position) { return position < table.columns.size(); });
}

bool CanHoldNull(const StoredIndex& index, const ColumnDescription& column) {
  return !index.disallowsNull && !column.required && !column.autonumber;
}

bool IsUsableUniqueIndex(const StoredIndex& index, const TableDescription& table) {
  return index.unique &&
         std::none_of(index.columns.begin(), index.columns.end(), [&](std::size_t position) {
           return CanHoldNull(index, table.columns[position]);
         });
}

const StoredIndex* ChooseKeyIndex(const std::vector<StoredIndex>& indexes,
                                  const TableDescription& table) {
  for (const StoredIndex& index : indexes) {
    if (index.primaryKey && IndexesKnownColumns(index, table)) {
      return &index;
    }
  }
  for (const StoredIndex& index : indexes) {
    if (IndexesKnownColumns(index, table) && IsUsableUniqueIndex(index, table)) {
      return &index;
    }
  }
  return nullptr;
}

}  // namespace

void ApplyRecordKey(const std::vector<StoredIndex>& indexes, TableDescription& table) {
  table.primaryKey.clear();
  const StoredIndex* key = ChooseKeyIndex(indexes, table);
  if (key == nullptr) {
    return;
  }
  for (const std::size_t position : key->columns) {
    ColumnDescription& column = table.columns[position];
    column.required = true;
    table.primaryKey.push_back(column.name);
  }
}

}  // namespace ferulo::database
