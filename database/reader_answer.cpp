#include "database/reader_answer.h"

#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>

#include "common/error_codes.h"
#include "database/object_types.h"
#include "database/reader_protocol.h"
#include "database/table_description_json.h"

namespace ferulo::database {

namespace {

namespace protocol = reader_protocol;
using nlohmann::json;

Error BadAnswer(const std::string& databasePath, const std::string& what) {
  return Error{error_code::kReaderBadAnswer, "The database reader gave no usable answer for '" +
                                                 databasePath + "': " + what + "."};
}

// The reader's own error, with libmdb's first complaint where there was one.
std::optional<Error> ReportedError(const json& answer, const ReaderOutput& output) {
  const auto found = answer.find(protocol::kErrorKey);
  if (found == answer.end() || !found->is_object()) {
    return std::nullopt;
  }
  const auto number = found->find(protocol::kNumberKey);
  const auto description = found->find(protocol::kDescriptionKey);
  if (number == found->end() || !number->is_number_integer() || description == found->end() ||
      !description->is_string()) {
    return std::nullopt;
  }
  Error error{number->get<int>(), description->get<std::string>()};
  if (!output.firstStderrLine.empty()) {
    error.description += " libmdb reported: " + output.firstStderrLine;
  }
  return error;
}

Result<json> ParseAnswer(const ReaderOutput& output, const std::string& databasePath,
                         const char* expectedKey) {
  json answer = json::parse(output.answer, nullptr, /*allow_exceptions=*/false);
  if (answer.is_discarded() || !answer.is_object()) {
    return BadAnswer(databasePath, output.answer.empty() ? "it wrote nothing" : "it is not JSON");
  }
  if (answer.contains(protocol::kErrorKey)) {
    if (auto error = ReportedError(answer, output)) {
      return *error;
    }
    return BadAnswer(databasePath, "its error report lacks a number or a description");
  }
  const auto found = answer.find(expectedKey);
  if (found == answer.end() || !found->is_array()) {
    return BadAnswer(databasePath, std::string("it holds no \"") + expectedKey + "\" list");
  }
  return json(std::move(*found));
}

bool IsString(const json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_string();
}

}  // namespace

Result<std::vector<SchemaRow>> ParseCatalogAnswer(const ReaderOutput& output,
                                                  const std::string& databasePath) {
  auto objects = ParseAnswer(output, databasePath, protocol::kObjectsKey);
  if (!objects) {
    return objects.error();
  }
  std::vector<SchemaRow> schema;
  for (const auto& object : objects.value()) {
    if (!object.is_object() || !IsString(object, protocol::kTypeKey) ||
        !IsString(object, protocol::kNameKey)) {
      return BadAnswer(databasePath, "an object lacks its type or name");
    }
    SchemaRow row{object[protocol::kTypeKey].get<std::string>(),
                  object[protocol::kNameKey].get<std::string>()};
    if (!IsKnownTableType(row.tableType)) {
      return BadAnswer(databasePath, "the object '" + row.tableName + "' has the unknown type '" +
                                         row.tableType + "'");
    }
    schema.push_back(std::move(row));
  }
  return schema;
}

Result<std::vector<std::string>> ParseColumnsAnswer(const ReaderOutput& output,
                                                    const std::string& databasePath) {
  auto columns = ParseAnswer(output, databasePath, protocol::kColumnsKey);
  if (!columns) {
    return columns.error();
  }
  std::vector<std::string> names;
  for (const auto& column : columns.value()) {
    if (!column.is_string()) {
      return BadAnswer(databasePath, "a column name is not text");
    }
    names.push_back(column.get<std::string>());
  }
  return names;
}

Result<TableWithReferences> ParseDescribeAnswer(const ReaderOutput& output,
                                                const std::string& databasePath) {
  auto tables = ParseAnswer(output, databasePath, protocol::kTablesKey);
  if (!tables) {
    return tables.error();
  }
  if (tables.value().empty()) {
    return BadAnswer(databasePath, "it describes no table");
  }
  std::vector<TableDescription> described;
  for (const json& table : tables.value()) {
    auto description = TableDescriptionFromJson(table);
    if (!description) {
      return BadAnswer(databasePath, description.error().description);
    }
    described.push_back(std::move(description).value());
  }
  TableWithReferences result{std::move(described.front()), {}};
  result.referencedTables.assign(std::make_move_iterator(described.begin() + 1),
                                 std::make_move_iterator(described.end()));
  return result;
}

}  // namespace ferulo::database
