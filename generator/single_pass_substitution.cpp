#include "generator/single_pass_substitution.h"

#include <algorithm>

#include "common/byte_search.h"

namespace ferulo::generator {

namespace {

std::string_view CommonPrefix(std::span<const MarkerValue> markers) {
  std::string_view prefix = markers.front().marker;
  for (const MarkerValue& m : markers) {
    std::size_t length = 0;
    while (length < prefix.size() && length < m.marker.size() &&
           prefix[length] == m.marker[length]) {
      ++length;
    }
    prefix = prefix.substr(0, length);
  }
  return prefix;
}

// Some non-empty proper suffix of a is a prefix of b: an occurrence of a and
// one of b could overlap (a == b: two occurrences of one marker could).
bool SuffixStartsOther(std::string_view a, std::string_view b) {
  for (std::size_t length = 1; length < a.size(); ++length) {
    if (b.starts_with(a.substr(a.size() - length))) {
      return true;
    }
  }
  return false;
}

bool OccurrencesCanOverlap(std::span<const MarkerValue> markers) {
  for (const MarkerValue& a : markers) {
    for (const MarkerValue& b : markers) {
      if (&a != &b && a.marker.find(b.marker) != std::string_view::npos) {
        return true;  // also catches a marker listed twice
      }
      if (SuffixStartsOther(a.marker, b.marker)) {
        return true;
      }
    }
  }
  return false;
}

// Whether value, inserted between any texts, could take part in an occurrence
// of marker: by holding it, by being part of it, or by an edge that begins or
// ends it.
bool CouldFormMarker(std::string_view value, std::string_view marker) {
  if (value.find(marker) != std::string_view::npos ||
      marker.find(value) != std::string_view::npos) {
    return true;
  }
  for (std::size_t length = 1; length < marker.size() && length <= value.size(); ++length) {
    if (value.ends_with(marker.substr(0, length)) ||
        value.starts_with(marker.substr(marker.size() - length))) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool SinglePassIsExact(std::span<const MarkerValue> markers) {
  if (markers.empty() || CommonPrefix(markers).empty() || OccurrencesCanOverlap(markers)) {
    return false;
  }
  for (std::size_t inserted = 0; inserted < markers.size(); ++inserted) {
    for (std::size_t later = inserted + 1; later < markers.size(); ++later) {
      if (CouldFormMarker(markers[inserted].value, markers[later].marker)) {
        return false;
      }
    }
  }
  return true;
}

std::string ReplaceInOnePass(std::string_view text, std::span<const MarkerValue> markers) {
  const std::string_view prefix = CommonPrefix(markers);
  std::string result;
  result.reserve(text.size());
  std::size_t copiedUpTo = 0;
  std::size_t searchFrom = 0;
  for (std::size_t found = FindBytes(text, prefix, 0); found != std::string_view::npos;
       found = FindBytes(text, prefix, searchFrom)) {
    const std::string_view rest = text.substr(found);
    const auto match = std::find_if(markers.begin(), markers.end(), [rest](const MarkerValue& m) {
      return rest.starts_with(m.marker);
    });
    if (match == markers.end()) {
      searchFrom = found + 1;
      continue;
    }
    result.append(text.substr(copiedUpTo, found - copiedUpTo));
    result.append(match->value);
    copiedUpTo = found + match->marker.size();
    searchFrom = copiedUpTo;
  }
  result.append(text.substr(copiedUpTo));
  return result;
}

}  // namespace ferulo::generator
