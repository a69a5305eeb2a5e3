#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ferulo::database {

// What a table's property data (MSysObjects.LvProp) says of one column, in
// the block that bears the column's name.
struct StoredColumnProperties {
  std::string storedName;   // as the data stores it: UTF-16LE in "MR2" data, the
                            // file's code page in "KKD" data
  bool required = false;    // its Required property is Yes
  bool calculated = false;  // an Expression property computes its value
  bool operator==(const StoredColumnProperties&) const = default;
};

// The blocks of the property data that set Required to Yes or hold an
// Expression, in the order of the data. Data that FindPropertyDataDamage
// finds fault with gives none: FERULO reads only property data whose layout
// it checked.
[[nodiscard]] std::vector<StoredColumnProperties> ReadColumnProperties(
    std::string_view propertyData);

}  // namespace ferulo::database
