#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ferulo::database {

// The names, as the data stores them (UTF-16LE in "MR2" data, the file's code
// page in "KKD" data), of the blocks of a table's property data
// (MSysObjects.LvProp) whose Required property is Yes. Each block describes
// one column and bears its name. Data that FindPropertyDataDamage finds fault
// with gives none: FERULO reads only property data whose layout it checked.
[[nodiscard]] std::vector<std::string> StoredNamesOfRequiredColumns(std::string_view propertyData);

}  // namespace ferulo::database
