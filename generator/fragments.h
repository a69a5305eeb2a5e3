#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "database/table_description.h"

namespace ferulo::generator {

// Every generated line ends with this, whatever line ends a template uses.
inline constexpr std::string_view kLineBreak = "\r\n";

struct ListPageFragments {
  std::string head;
  std::string body;
  std::string search;
};

struct EditPageFragments {
  std::string edit;
  std::string form;
};

struct FilterPageFragments {
  std::string filter;
  std::string filterForm;
};

// Column names may hold any character an Access name allows: each is written
// in the form its place needs (bracketed in SQL, its double quotes doubled in
// a script literal, character references in HTML, percent-encoded in a URL).
// Display names are the user's own HTML and go in as they are, but for "<%",
// which would open a script block and is written "&lt;%".

// HEAD and BODY from the field and display names (paired by position), SEARCH
// from the search names.
[[nodiscard]] ListPageFragments BuildListPageFragments(const std::vector<std::string>& fieldNames,
                                                       const std::vector<std::string>& displayNames,
                                                       const std::vector<std::string>& searchNames);

// EDIT and FORM from the field and display names (paired by position). A
// column the database fills itself (filledByDatabase, letter case ignored)
// gets a FORM row, where the page shows it, but no EDIT statement: it is
// never written.
[[nodiscard]] EditPageFragments BuildEditPageFragments(
    const std::vector<std::string>& fieldNames, const std::vector<std::string>& displayNames,
    const std::vector<std::string>& filledByDatabase = {});

// KEYS, LOOKUPS and READONLY, for the pages and their helpers: VBScript
// array expressions, names escaped as in every script literal. KEYS:
// Array("OrderID", "ProductID"), the columns that find one record, in key
// order. LOOKUPS: Array(Array(column, referenced table, key column, caption
// column), ...). READONLY: Array("LastFirst", ...), the columns the database
// fills itself. Array() where there are none.
struct RecordFragments {
  std::string keys;
  std::string lookups;
  std::string readOnly;
};

[[nodiscard]] RecordFragments BuildRecordFragments(
    const std::vector<std::string>& keyColumns, const std::vector<database::Lookup>& lookups,
    const std::vector<std::string>& filledByDatabase = {});

// FILTER and FILTERFORM from the filter names.
[[nodiscard]] FilterPageFragments BuildFilterPageFragments(
    const std::vector<std::string>& filterNames);

}  // namespace ferulo::generator
