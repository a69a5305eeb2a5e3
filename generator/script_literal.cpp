#include "generator/script_literal.h"

#include <cstddef>

namespace ferulo::generator {

std::string ScriptLiteralText(std::string_view text) {
  std::string literal;
  literal.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      literal += "\" & Chr(" + std::to_string(byte) + ") & \"";
      continue;
    }
    literal += text[i];
    if (text[i] == '"') {
      literal += '"';
    } else if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '>') {
      literal += "\" & \"";
    }
  }
  return literal;
}

std::string ScriptLiteral(std::string_view text) {
  return '"' + ScriptLiteralText(text) + '"';
}

}  // namespace ferulo::generator
