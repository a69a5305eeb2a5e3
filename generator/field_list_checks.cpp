#include "generator/field_list_checks.h"

#include <algorithm>
#include <array>
#include <utility>

#include "common/ascii_case.h"
#include "common/error_codes.h"

namespace ferulo::generator {

namespace {

struct NamedList {
  const char* label;  // as the window heads the list
  const std::vector<std::string>* entries;
};

std::array<NamedList, 3> ColumnLists(const FieldLists& lists) {
  return {{{"Field Name", &lists.fieldNames},
           {"Filter Name", &lists.filterNames},
           {"Search Name", &lists.searchNames}}};
}

bool IsControlCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

std::string Escaped(std::string_view entry) {
  constexpr std::string_view kHexDigits = "0123456789ABCDEF";
  std::string text;
  for (char c : entry) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == '\t') {
      text += "\\t";
    } else if (IsControlCharacter(c)) {
      text += "\\x";
      text += kHexDigits[byte >> 4];
      text += kHexDigits[byte & 0x0F];
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace

Status RefuseControlCharacters(const FieldLists& lists) {
  for (const NamedList& list : ColumnLists(lists)) {
    for (const std::string& entry : *list.entries) {
      if (std::any_of(entry.begin(), entry.end(), IsControlCharacter)) {
        return Error{error_code::kControlCharacterInEntry,
                     std::string(list.label) + " entry '" + Escaped(entry) +
                         "' holds a control character, which no Access column name has; "
                         "nothing was written"};
      }
    }
  }
  return Done{};
}

std::vector<std::string> EntriesThatAreNoColumns(const FieldLists& lists,
                                                 const database::TableDescription& table) {
  std::vector<std::string> warnings;
  const std::vector<database::ColumnDescription>& columns = table.columns;
  if (columns.empty()) {
    return warnings;
  }
  for (const NamedList& list : ColumnLists(lists)) {
    std::vector<std::string_view> reported;
    for (const std::string& entry : *list.entries) {
      const auto isEntry = [&entry](const database::ColumnDescription& column) {
        return EqualsIgnoringAsciiCase(column.name, entry);
      };
      if (std::any_of(columns.begin(), columns.end(), isEntry) ||
          std::find(reported.begin(), reported.end(), entry) != reported.end()) {
        continue;
      }
      reported.push_back(entry);
      warnings.push_back(std::string(list.label) + " entry '" + entry +
                         "' is not a column of the table '" + table.name +
                         "'; the pages fail where they use it");
    }
  }
  return warnings;
}

}  // namespace ferulo::generator
