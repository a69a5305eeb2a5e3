#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "common/error.h"
#include "database/table_description.h"

// A table description as JSON, the shape both the reader's answer and
// "ferulo-cli describe" use:
//   {"table": "Orders",
//    "columns": [{"name": "OrderID", "type": "Long Integer", "size": 4,
//                 "required": true, "autonumber": true, "calculated": false}, ...],
//    "primaryKey": ["OrderID"],
//    "relations": [{"columns": ["CustomerID"],
//                   "references": {"table": "Customers", "columns": ["CustomerID"]}}]}
// Scripts rely on these names: they do not change.
namespace ferulo::database {

[[nodiscard]] nlohmann::json ToJson(const TableDescription& table);

// The same, indented by two, fields in the order shown above.
[[nodiscard]] std::string ToJsonText(const TableDescription& table);

// The description the JSON holds. Where it is not of that shape, or names key
// or relation columns the table lacks, an error whose description says what
// is wrong (the caller names where the JSON came from).
[[nodiscard]] Result<TableDescription> TableDescriptionFromJson(const nlohmann::json& json);

}  // namespace ferulo::database
