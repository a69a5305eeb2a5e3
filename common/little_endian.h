#pragma once

#include <cstdint>

namespace ferulo {

// Unsigned integers stored least significant byte first, as Access files hold
// them. The caller makes sure the bytes are there.
inline std::uint32_t Little16(const void* at) {
  const auto* bytes = static_cast<const unsigned char*>(at);
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8U;
}

inline std::uint32_t Little32(const void* at) {
  const auto* bytes = static_cast<const unsigned char*>(at);
  return Little16(bytes) | Little16(bytes + 2) << 16U;
}

}  // namespace ferulo
