#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"

namespace ferulo::generator {

// The VBScript helpers the generated pages share live in one file beside the
// templates. Each page gets, in a script block after its template's text, the
// helpers it calls (directly or through other helpers) that its template does
// not define itself: a template written for the fragments alone still gives
// pages that run, and a template's own version of a helper is kept. A
// function, class or variable of a page's script is known everywhere in the
// page, wherever it is declared, so the block's place does not matter.
inline constexpr std::string_view kPageHelpersFileName = "pagehelpers.vbs";

struct PageHelper {
  std::string name;               // in lower case: VBScript ignores letter case
  std::string text;               // the declaration with the comment above it, lines ending CR LF
  std::set<std::string> callees;  // the words of its code, in lower case
};

// Splits the helper file into its declarations: each Function, Sub, Class, or
// Dim of one variable, with the comment lines right above it. A statement
// outside them is refused (it would run at the end of every page), as is a
// name declared twice; the error names the file (path) and the line.
[[nodiscard]] Result<std::vector<PageHelper>> ParsePageHelpers(std::string_view text,
                                                               const std::string& path);

// The names a page's script declares at its top level (functions, subs,
// classes, variables, constants), in lower case. Members of a class and
// variables of a procedure are not the page's.
[[nodiscard]] std::set<std::string> DeclaredScriptNames(std::string_view page);

// The script block to append to the page: the helpers it needs and lacks, in
// the order of the helper file. Empty where it needs none.
[[nodiscard]] std::string HelpersThePageLacks(std::string_view page,
                                              const std::vector<PageHelper>& helpers);

}  // namespace ferulo::generator
