#include "generator/template_substitution.h"

namespace ferulo::generator {

std::string ReplaceMarker(std::string_view text, std::string_view marker, std::string_view value) {
  if (marker.empty()) {
    return std::string(text);
  }
  std::string result;
  result.reserve(text.size());
  std::size_t copiedUpTo = 0;
  for (std::size_t found = text.find(marker); found != std::string_view::npos;
       found = text.find(marker, copiedUpTo)) {
    result.append(text.substr(copiedUpTo, found - copiedUpTo));
    result.append(value);
    copiedUpTo = found + marker.size();
  }
  result.append(text.substr(copiedUpTo));
  return result;
}

}  // namespace ferulo::generator
