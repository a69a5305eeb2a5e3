#include "database/table_description_json.h"

#include <optional>
#include <string>
#include <vector>

#include "common/error_codes.h"

namespace ferulo::database {

namespace {

using nlohmann::json;

constexpr const char* kTableKey = "table";
constexpr const char* kColumnsKey = "columns";
constexpr const char* kNameKey = "name";
constexpr const char* kTypeKey = "type";
constexpr const char* kSizeKey = "size";
constexpr const char* kRequiredKey = "required";
constexpr const char* kAutonumberKey = "autonumber";
constexpr const char* kCalculatedKey = "calculated";
constexpr const char* kPrimaryKeyKey = "primaryKey";
constexpr const char* kRelationsKey = "relations";
constexpr const char* kReferencesKey = "references";

Error Malformed(const std::string& what) {
  return Error{error_code::kReaderBadAnswer, what};
}

const json* Member(const json& object, const char* key) {
  if (!object.is_object()) {
    return nullptr;
  }
  const auto found = object.find(key);
  return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> StringMember(const json& object, const char* key) {
  const json* member = Member(object, key);
  return member != nullptr && member->is_string() ? std::optional(member->get<std::string>())
                                                  : std::nullopt;
}

std::optional<bool> BoolMember(const json& object, const char* key) {
  const json* member = Member(object, key);
  return member != nullptr && member->is_boolean() ? std::optional(member->get<bool>())
                                                   : std::nullopt;
}

std::optional<std::vector<std::string>> StringsMember(const json& object, const char* key) {
  const json* member = Member(object, key);
  if (member == nullptr || !member->is_array()) {
    return std::nullopt;
  }
  std::vector<std::string> strings;
  for (const json& item : *member) {
    if (!item.is_string()) {
      return std::nullopt;
    }
    strings.push_back(item.get<std::string>());
  }
  return strings;
}

// The description as json or as ordered_json (which keeps the fields in the
// order written here, the order a reader of the command's output expects).
template <typename Json>
Json DescriptionJson(const TableDescription& table) {
  Json columns = Json::array();
  for (const ColumnDescription& column : table.columns) {
    columns.push_back({{kNameKey, column.name},
                       {kTypeKey, column.type},
                       {kSizeKey, column.size},
                       {kRequiredKey, column.required},
                       {kAutonumberKey, column.autonumber},
                       {kCalculatedKey, column.calculated}});
  }
  Json relations = Json::array();
  for (const Relation& relation : table.relations) {
    relations.push_back(
        {{kColumnsKey, relation.columns},
         {kReferencesKey,
          {{kTableKey, relation.referencedTable}, {kColumnsKey, relation.referencedColumns}}}});
  }
  return Json{{kTableKey, table.name},
              {kColumnsKey, std::move(columns)},
              {kPrimaryKeyKey, table.primaryKey},
              {kRelationsKey, std::move(relations)}};
}

Result<ColumnDescription> ColumnFromJson(const json& item) {
  const auto name = StringMember(item, kNameKey);
  const auto type = StringMember(item, kTypeKey);
  const json* size = Member(item, kSizeKey);
  const auto required = BoolMember(item, kRequiredKey);
  const auto autonumber = BoolMember(item, kAutonumberKey);
  const auto calculated = BoolMember(item, kCalculatedKey);
  if (!name || !type || size == nullptr || !size->is_number_integer() || !required || !autonumber ||
      !calculated) {
    return Malformed("a column lacks its name, type, size, required, autonumber or calculated");
  }
  return ColumnDescription{*name, *type, size->get<int>(), *required, *autonumber, *calculated};
}

Result<Relation> RelationFromJson(const json& item, const TableDescription& table) {
  const auto columns = StringsMember(item, kColumnsKey);
  const json* references = Member(item, kReferencesKey);
  const auto referencedTable =
      references != nullptr ? StringMember(*references, kTableKey) : std::nullopt;
  const auto referencedColumns =
      references != nullptr ? StringsMember(*references, kColumnsKey) : std::nullopt;
  if (!columns || !referencedTable || !referencedColumns || columns->empty() ||
      columns->size() != referencedColumns->size()) {
    return Malformed("a relation of '" + table.name +
                     "' lacks its columns or the table and columns it references");
  }
  for (const std::string& column : *columns) {
    if (table.FindColumn(column) == nullptr) {
      return Malformed("a relation of '" + table.name + "' names its unknown column '" + column +
                       "'");
    }
  }
  return Relation{*columns, *referencedTable, *referencedColumns};
}

}  // namespace

json ToJson(const TableDescription& table) {
  return DescriptionJson<json>(table);
}

std::string ToJsonText(const TableDescription& table) {
  // Names from a damaged file may hold invalid UTF-8: replaced, not refused.
  return DescriptionJson<nlohmann::ordered_json>(table).dump(
      2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

Result<TableDescription> TableDescriptionFromJson(const json& description) {
  const auto name = StringMember(description, kTableKey);
  const json* columns = Member(description, kColumnsKey);
  const auto primaryKey = StringsMember(description, kPrimaryKeyKey);
  const json* relations = Member(description, kRelationsKey);
  if (!name || columns == nullptr || !columns->is_array() || !primaryKey || relations == nullptr ||
      !relations->is_array()) {
    return Malformed("a table description lacks its table, columns, primaryKey or relations");
  }
  TableDescription table{*name, {}, *primaryKey, {}};
  for (const json& item : *columns) {
    auto column = ColumnFromJson(item);
    if (!column) {
      return column.error();
    }
    table.columns.push_back(std::move(column).value());
  }
  for (const std::string& key : table.primaryKey) {
    if (table.FindColumn(key) == nullptr) {
      return Malformed("the key of '" + table.name + "' names its unknown column '" + key + "'");
    }
  }
  for (const json& item : *relations) {
    auto relation = RelationFromJson(item, table);
    if (!relation) {
      return relation.error();
    }
    table.relations.push_back(std::move(relation).value());
  }
  return table;
}

}  // namespace ferulo::database
