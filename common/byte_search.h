#pragma once

#include <string.h>

#include <string_view>

namespace ferulo {

// The position of the first needle in text at or after from, or npos. glibc's
// memmem skips ahead by the needle's length, where std::string_view::find
// stops at every occurrence of its first byte (every '<' of an HTML page).
inline std::size_t FindBytes(std::string_view text, std::string_view needle, std::size_t from) {
  if (from > text.size()) {
    return std::string_view::npos;
  }
  const void* found =
      ::memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
  return found == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
}

}  // namespace ferulo
