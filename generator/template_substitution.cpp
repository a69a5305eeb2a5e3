#include "generator/template_substitution.h"

#include <string.h>

#include "generator/single_pass_substitution.h"

namespace ferulo::generator {

namespace {

// glibc's memmem skips ahead by the marker's length where std::string_view::find
// stops at every '<' of an HTML page.
std::size_t FindFrom(std::string_view text, std::string_view marker, std::size_t from) {
  const void* found =
      ::memmem(text.data() + from, text.size() - from, marker.data(), marker.size());
  return found == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
}

// Writes text with every marker replaced into result, reusing its capacity.
// False, with result untouched, where the marker does not occur.
bool ReplaceInto(std::string_view text, std::string_view marker, std::string_view value,
                 std::string& result) {
  const std::size_t first = marker.empty() ? std::string_view::npos : FindFrom(text, marker, 0);
  if (first == std::string_view::npos) {
    return false;
  }
  result.clear();
  result.reserve(text.size());
  std::size_t copiedUpTo = 0;
  for (std::size_t found = first; found != std::string_view::npos;
       found = FindFrom(text, marker, copiedUpTo)) {
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

std::string ReplaceMarker(std::string_view text, std::string_view marker, std::string_view value) {
  std::string result;
  if (!ReplaceInto(text, marker, value, result)) {
    return std::string(text);
  }
  return result;
}

}  // namespace ferulo::generator
