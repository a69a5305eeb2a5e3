#pragma once

#include <string>
#include <string_view>

namespace ferulo::generator {

// Text as it stands between the quotes of a VBScript string literal in an ASP
// page: a double quote is doubled, "%>" is split in two because ASP ends a
// script block at "%>" even inside a literal, and a control character, which
// no literal may hold, is joined in as Chr(n).
[[nodiscard]] std::string ScriptLiteralText(std::string_view text);

// The same with its quotes: "Ship""s" for Ship"s.
[[nodiscard]] std::string ScriptLiteral(std::string_view text);

}  // namespace ferulo::generator
