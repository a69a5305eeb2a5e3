#include "database/table_description.h"

#include "common/ascii_case.h"
#include "database/column_types.h"

namespace ferulo::database {

bool FilledByDatabase(const ColumnDescription& column) {
  return column.calculated || column.type == kAttachmentTypeName ||
         column.type == kMultiValuedTypeName || column.type == kVersionHistoryTypeName;
}

const ColumnDescription* TableDescription::FindColumn(std::string_view columnName) const {
  for (const ColumnDescription& column : columns) {
    if (EqualsIgnoringAsciiCase(column.name, columnName)) {
      return &column;
    }
  }
  return nullptr;
}

const TableDescription* TableWithReferences::FindTable(std::string_view tableName) const {
  if (EqualsIgnoringAsciiCase(table.name, tableName)) {
    return &table;
  }
  for (const TableDescription& referenced : referencedTables) {
    if (EqualsIgnoringAsciiCase(referenced.name, tableName)) {
      return &referenced;
    }
  }
  return nullptr;
}

std::optional<Lookup> ChooseLookup(const Relation& relation, const TableDescription& referenced) {
  if (relation.columns.size() != 1 || relation.referencedColumns.size() != 1) {
    return std::nullopt;
  }
  const ColumnDescription* key = referenced.FindColumn(relation.referencedColumns.front());
  if (key == nullptr) {
    return std::nullopt;
  }
  Lookup lookup{relation.columns.front(), referenced.name, key->name, key->name};
  // A required text tells records apart better than one that may be empty.
  for (const bool requiredOnly : {true, false}) {
    for (const ColumnDescription& column : referenced.columns) {
      if (column.type == kTextTypeName && &column != key && (column.required || !requiredOnly)) {
        lookup.captionColumn = column.name;
        return lookup;
      }
    }
  }
  return lookup;
}

std::vector<Lookup> ChooseLookups(const TableWithReferences& described) {
  std::vector<Lookup> lookups;
  for (const Relation& relation : described.table.relations) {
    const TableDescription* referenced = described.FindTable(relation.referencedTable);
    if (referenced == nullptr) {
      continue;
    }
    if (auto lookup = ChooseLookup(relation, *referenced)) {
      lookups.push_back(std::move(*lookup));
    }
  }
  return lookups;
}

}  // namespace ferulo::database
