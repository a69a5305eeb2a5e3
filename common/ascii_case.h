#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ferulo {

// Access compares object and column names without regard to letter case; for
// the names FERULO meets that is, in practice, ASCII case.
//
// These ask about ASCII alone, whatever the locale: <cctype>'s functions
// follow the process's locale (the window sets it from the environment), in
// which a byte of a UTF-8 name may count as a letter, or "I" lower to a
// dotless i that no longer matches "i".
inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

inline bool IsAsciiHexDigit(char c) {
  return IsAsciiDigit(c) || (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f');
}

inline bool IsAsciiLetter(char c) {
  return AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z';
}

inline bool IsAsciiAlphanumeric(char c) {
  return IsAsciiDigit(c) || IsAsciiLetter(c);
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

inline bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

inline bool ContainsIgnoringAsciiCase(const std::vector<std::string>& names,
                                      std::string_view name) {
  for (const std::string& candidate : names) {
    if (EqualsIgnoringAsciiCase(candidate, name)) {
      return true;
    }
  }
  return false;
}

}  // namespace ferulo
