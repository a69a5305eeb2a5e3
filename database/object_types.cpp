#include "database/object_types.h"

#include <array>

#include "common/ascii_case.h"

namespace ferulo::database {

namespace {

// The other MSysObjects.Type values. Forms, reports and the like have
// negative types; libmdb masks the value with 0x7F, which turns a report
// (-32764) into 4 and makes it look like an ODBC-linked table, so FERULO keeps
// the raw value.
constexpr int kOdbcLinkedTable = 4;
constexpr int kSavedQuery = 5;
constexpr int kLinkedTable = 6;

// Jet marks its own tables with these Flags bits.
constexpr std::uint32_t kSystemObjectFlags = 0x80000002U;

bool HasSystemName(std::string_view name) {
  return StartsWithIgnoringAsciiCase(name, "msys");
}

}  // namespace

std::optional<std::string_view> TableTypeOf(int objectType, std::uint32_t flags,
                                            std::string_view name) {
  switch (objectType) {
    case kLocalTableObjectType:
      if ((flags & kSystemObjectFlags) != 0 || HasSystemName(name)) {
        return kSystemTableType;
      }
      return kUserTableType;
    case kSavedQuery:
      return kSavedQueryType;
    case kLinkedTable:
      return kLinkedTableType;
    case kOdbcLinkedTable:
      return kOdbcLinkedTableType;
    default:
      return std::nullopt;
  }
}

bool IsKnownTableType(std::string_view tableType) {
  constexpr std::array kKnown{kUserTableType, kSystemTableType, kSavedQueryType, kLinkedTableType,
                              kOdbcLinkedTableType};
  for (const auto known : kKnown) {
    if (known == tableType) {
      return true;
    }
  }
  return false;
}

bool HasStoredColumns(std::string_view tableType) {
  return tableType == kUserTableType || tableType == kSystemTableType;
}

}  // namespace ferulo::database
