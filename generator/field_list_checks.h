#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "generator/generation_run.h"

namespace ferulo::generator {

// Column entries (field, filter and search names) go into the pages' script,
// SQL and HTML. No Access name holds a control character, and one in an entry
// (a pasted line break, a tab, a NUL) would make the pages fail to compile:
// such an entry is refused, naming the list and the entry with the character
// written as \r, \n, \t or \xHH.
[[nodiscard]] Status RefuseControlCharacters(const FieldLists& lists);

// One sentence for every distinct field, filter or search entry that is not
// one of the table's columns (compared as Access does, ignoring the case of
// ASCII letters). A table without columns is one whose columns are unknown:
// nothing is reported.
[[nodiscard]] std::vector<std::string> EntriesThatAreNoColumns(
    const FieldLists& lists, const database::TableDescription& table);

}  // namespace ferulo::generator
