#include "generator/template_substitution.h"

#include "common/byte_search.h"
#include "generator/single_pass_substitution.h"

namespace ferulo::generator {

namespace {

// Writes text with every marker replaced into result, reusing its capacity.
// False, with result untouched, where the marker does not occur.
bool ReplaceInto(std::string_view text, std::string_view marker, std::string_view value,
                 std::string& result) {
  const std::size_t first = marker.empty() ? std::string_view::npos : FindBytes(text, marker, 0);
  if (first == std::string_view::npos) {
    return false;
  }
  result.clear();
  result.reserve(text.size());
  std::size_t copiedUpTo = 0;
  for (std::size_t found = first; found != std::string_view::npos;
       found = FindBytes(text, marker, copiedUpTo)) {
    result.append(text.substr(copiedUpTo, found - copiedUpTo));
    result.append(value);
    copiedUpTo = found + marker.size();
  }
  result.append(text.substr(copiedUpTo));
  return true;
}

}  // namespace

std::string ReplaceMarkers(std::string_view text, std::span<const MarkerValue> markers) {
  // One pass reads and writes a large page once instead of once per marker.
  if (SinglePassIsExact(markers)) {
    return ReplaceInOnePass(text, markers);
  }
  std::string current(text);
  std::string spare;
  for (const MarkerValue& m : markers) {
    if (ReplaceInto(current, m.marker, m.value, spare)) {
      current.swap(spare);
    }
  }
  return current;
}

}  // namespace ferulo::generator
