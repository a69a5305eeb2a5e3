#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ferulo::database {

// The TABLE_TYPE values of the schema of tables, as ADO reports them for Jet.
inline constexpr std::string_view kUserTableType = "TABLE";
inline constexpr std::string_view kSystemTableType = "SYSTEM TABLE";
inline constexpr std::string_view kSavedQueryType = "VIEW";
inline constexpr std::string_view kLinkedTableType = "LINK";
inline constexpr std::string_view kOdbcLinkedTableType = "PASS-THROUGH";

// MSysObjects.Type of a table stored in the file itself, user or system table.
inline constexpr int kLocalTableObjectType = 1;

// The TABLE_TYPE of one MSysObjects row, from its raw Type (a signed 16-bit
// value), Flags and Name; nullopt for objects the schema of tables leaves out
// (forms, reports, macros, modules, relationships, containers).
[[nodiscard]] std::optional<std::string_view> TableTypeOf(int objectType, std::uint32_t flags,
                                                          std::string_view name);

[[nodiscard]] bool IsKnownTableType(std::string_view tableType);

// Only tables keep columns in the file; queries and links do not.
[[nodiscard]] bool HasStoredColumns(std::string_view tableType);

}  // namespace ferulo::database
