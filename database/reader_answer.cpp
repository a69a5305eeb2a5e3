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

// The reader's own error, with libmdb's first complaint as its details.
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
    error.details = "libmdb reported: " + output.firstStderrLine;
  }
  return error;
}

// The answer as a JSON object, or the error it reports or is.
Result<json> ParseAnswer(const ReaderOutput& output, const std::string& databasePath) {
  json answer = json::parse(output.answer, nullptr, /*allow_exceptions=*/false);
  if (answer.is_discarded() || !answer.is_object()) {
    return BadReaderAnswer(databasePath,
                           output.answer.empty() ? "it wrote nothing" : "it is not JSON");
  }
  if (answer.contains(protocol::kErrorKey)) {
    if (auto error = ReportedError(answer, output)) {
      return *error;
    }
    return BadReaderAnswer(databasePath, "its error report lacks a number or a description");
  }
  return answer;
}

Result<json> ListIn(json& answer, const char* key, const std::string& databasePath) {
  const auto found = answer.find(key);
  if (found == answer.end() || !found->is_array()) {
    return BadReaderAnswer(databasePath, std::string("it holds no \"") + key + "\" list");
  }
  return json(std::move(*found));
}

// The "columns" list of an answer, every entry a column name.
Result<std::vector<std::string>> ColumnNamesIn(json& answer, const std::string& databasePath) {
  auto columns = ListIn(answer, protocol::kColumnsKey, databasePath);
  if (!columns) {
    return columns.error();
  }
  std::vector<std::string> names;
  for (const auto& column : columns.value()) {
    if (!column.is_string()) {
      return BadReaderAnswer(databasePath, "a column name is not text");
    }
    names.push_back(column.get<std::string>());
  }
  return names;
}

bool IsString(const json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_string();
}

// The "tables" list of a describe answer: the table, then those it refers to.
Result<TableWithReferences> DescriptionIn(json& answer, const std::string& databasePath) {
  auto tables = ListIn(answer, protocol::kTablesKey, databasePath);
  if (!tables) {
    return tables.error();
  }
  if (tables.value().empty()) {
    return BadReaderAnswer(databasePath, "it describes no table");
  }
  std::vector<TableDescription> described;
  for (const json& table : tables.value()) {
    auto description = TableDescriptionFromJson(table);
    if (!description) {
      return BadReaderAnswer(databasePath, description.error().description);
    }
    described.push_back(std::move(description).value());
  }
  TableWithReferences result{std::move(described.front()), {}};
  result.referencedTables.assign(std::make_move_iterator(described.begin() + 1),
                                 std::make_move_iterator(described.end()));
  return result;
}

}  // namespace

Error BadReaderAnswer(const std::string& databasePath, const std::string& what) {
  return Error{error_code::kReaderBadAnswer, "The database reader gave no usable answer for '" +
                                                 databasePath + "': " + what + "."};
}

Result<CatalogAnswer> ParseCatalogAnswer(const ReaderOutput& output,
                                         const std::string& databasePath) {
  auto answer = ParseAnswer(output, databasePath);
  if (!answer) {
    return answer.error();
  }
  auto objects = ListIn(answer.value(), protocol::kObjectsKey, databasePath);
  if (!objects) {
    return objects.error();
  }
  CatalogAnswer catalog;
  std::vector<SchemaRow>& schema = catalog.schema;
  for (const auto& object : objects.value()) {
    if (!object.is_object() || !IsString(object, protocol::kTypeKey) ||
        !IsString(object, protocol::kNameKey)) {
      return BadReaderAnswer(databasePath, "an object lacks its type or name");
    }
    SchemaRow row{object[protocol::kTypeKey].get<std::string>(),
                  object[protocol::kNameKey].get<std::string>()};
    if (!IsKnownTableType(row.tableType)) {
      return BadReaderAnswer(databasePath, "the object '" + row.tableName +
                                               "' has the unknown type '" + row.tableType + "'");
    }
    schema.push_back(std::move(row));
  }
  if (answer.value().contains(protocol::kColumnsKey)) {
    auto names = ColumnNamesIn(answer.value(), databasePath);
    if (!names) {
      return names.error();
    }
    catalog.columns = std::move(names).value();
  }
  if (answer.value().contains(protocol::kTablesKey)) {
    auto description = DescriptionIn(answer.value(), databasePath);
    if (!description) {
      return description.error();
    }
    catalog.description = std::move(description).value();
  }
  return catalog;
}

Result<std::vector<std::string>> ParseColumnsAnswer(const ReaderOutput& output,
                                                    const std::string& databasePath) {
  auto answer = ParseAnswer(output, databasePath);
  if (!answer) {
    return answer.error();
  }
  return ColumnNamesIn(answer.value(), databasePath);
}

}  // namespace ferulo::database
