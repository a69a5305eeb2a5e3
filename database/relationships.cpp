#include "database/relationships.h"

#include <algorithm>
#include <map>

#include "common/ascii_case.h"
#include "common/error_codes.h"

namespace ferulo::database {

namespace {

// Access allows ten fields to a relationship, as to an index.
constexpr long long kMostRelationshipColumns = 10;

Error Damage(const std::string& relationship, const std::string& what) {
  return Error{error_code::kCannotOpenDatabase,
               "the relationship '" + relationship + "' in MSysRelationships " + what};
}

bool SameRelationship(const RelationshipRow& a, const RelationshipRow& b) {
  return a.table == b.table && a.referencedTable == b.referencedTable &&
         a.columnCount == b.columnCount;
}

Result<Relation> JoinRows(const std::vector<const RelationshipRow*>& rows,
                          const TableDescription& table) {
  const RelationshipRow& first = *rows.front();
  if (first.columnCount < 1 || first.columnCount > kMostRelationshipColumns) {
    return Damage(first.relationship, "claims " + std::to_string(first.columnCount) + " columns");
  }
  const auto count = static_cast<std::size_t>(first.columnCount);
  Relation relation{std::vector<std::string>(count), first.referencedTable,
                    std::vector<std::string>(count)};
  std::vector<bool> seen(count, false);
  for (const RelationshipRow* row : rows) {
    if (!SameRelationship(*row, first)) {
      return Damage(first.relationship, "has rows that disagree on its tables or size");
    }
    if (row->columnIndex < 0 || row->columnIndex >= first.columnCount ||
        seen[static_cast<std::size_t>(row->columnIndex)]) {
      return Damage(first.relationship, "has a column at place " +
                                            std::to_string(row->columnIndex) + " of its " +
                                            std::to_string(count) + ", or there twice");
    }
    const ColumnDescription* column = table.FindColumn(row->column);
    if (column == nullptr) {
      return Damage(first.relationship,
                    "names the column '" + row->column + "', which '" + table.name + "' lacks");
    }
    const auto place = static_cast<std::size_t>(row->columnIndex);
    seen[place] = true;
    relation.columns[place] = column->name;
    relation.referencedColumns[place] = row->referencedColumn;
  }
  if (rows.size() != count) {
    return Damage(first.relationship, "has " + std::to_string(rows.size()) + " of its " +
                                          std::to_string(count) + " columns");
  }
  return relation;
}

std::string SpelledAsDefined(const TableDescription* table, const std::string& columnName) {
  const ColumnDescription* column = table != nullptr ? table->FindColumn(columnName) : nullptr;
  return column != nullptr ? column->name : columnName;
}

std::size_t PositionOf(const TableDescription& table, const std::string& columnName) {
  const ColumnDescription* column = table.FindColumn(columnName);
  return column != nullptr ? static_cast<std::size_t>(column - table.columns.data())
                           : table.columns.size();
}

}  // namespace

Result<std::vector<Relation>> RelationsOf(const TableDescription& table,
                                          const std::vector<RelationshipRow>& rows) {
  std::vector<std::string> order;
  std::map<std::string, std::vector<const RelationshipRow*>> rowsByName;
  for (const RelationshipRow& row : rows) {
    if (!EqualsIgnoringAsciiCase(row.table, table.name)) {
      continue;
    }
    auto& named = rowsByName[row.relationship];
    if (named.empty()) {
      order.push_back(row.relationship);
    }
    named.push_back(&row);
  }
  std::vector<Relation> relations;
  for (const std::string& name : order) {
    auto relation = JoinRows(rowsByName[name], table);
    if (!relation) {
      return relation.error();
    }
    relations.push_back(std::move(relation).value());
  }
  return relations;
}

void SpellRelationsAsDefined(TableWithReferences& described) {
  TableDescription& table = described.table;
  for (Relation& relation : table.relations) {
    const TableDescription* referenced = described.FindTable(relation.referencedTable);
    if (referenced != nullptr) {
      relation.referencedTable = referenced->name;
    }
    for (std::string& column : relation.referencedColumns) {
      column = SpelledAsDefined(referenced, column);
    }
  }
  std::stable_sort(
      table.relations.begin(), table.relations.end(), [&](const Relation& a, const Relation& b) {
        return PositionOf(table, a.columns.front()) < PositionOf(table, b.columns.front());
      });
}

}  // namespace ferulo::database
