#pragma once

#include <string>
#include <string_view>

namespace ferulo::database {

// Checks the layout of one object's property data (MSysObjects.LvProp: a
// "KKD" or "MR2" block of length-prefixed chunks and records) without
// interpreting it. FERULO never needs the properties, but libmdb's parser
// loops for ever on a zero-length record and reads past the block on an
// oversized one, and ODBC on the web server will not like such a file either.
// Returns "" for sound data, otherwise what is wrong.
[[nodiscard]] std::string FindPropertyDataDamage(std::string_view propertyData);

}  // namespace ferulo::database
