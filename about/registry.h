#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// The system registry as FERULO's About window reads it: one named value of one
// key, fetched as text. Windows answers from the real registry; other systems
// from an INI-style file (see ini_registry.h).
namespace ferulo::about {

// Root keys, with the handle values Windows gives them.
using RegistryRoot = std::uint32_t;
inline constexpr RegistryRoot kHkeyClassesRoot = 0x80000000;
inline constexpr RegistryRoot kHkeyCurrentUser = 0x80000001;
inline constexpr RegistryRoot kHkeyLocalMachine = 0x80000002;
inline constexpr RegistryRoot kHkeyUsers = 0x80000003;
inline constexpr RegistryRoot kHkeyCurrentConfig = 0x80000005;

// Value types, with their Windows codes.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// One read, one buffer: data that does not fit counts as missing.
inline constexpr std::size_t kValueBufferSize = 1024;

// A value as the store hands it over: its type and the data bytes written
// into the read buffer.
struct RegistryData {
  std::uint32_t type = 0;
  std::string bytes;
};

class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  // Opens keyName below root and reads valueName into a buffer of
  // kValueBufferSize bytes. Empty when the key cannot be opened, the value
  // does not exist or its data does not fit the buffer.
  [[nodiscard]] virtual std::optional<RegistryData> Query(RegistryRoot root,
                                                          const std::string& keyName,
                                                          const std::string& valueName) const = 0;
};

// The registry of this system: on Windows the real one, elsewhere the file
// kDefaultRegistryFile (ini_registry.h).
std::shared_ptr<const RegistryStore> SystemRegistry();

// Reads value SubKeyRef of key KeyName below KeyRoot into KeyVal.
//  - true with the value's text (one final zero byte dropped) for a text value;
//  - true with "&h" and the number's upper-case hexadecimal digits for a
//    32-bit number;
//  - true with KeyVal left as it was for any other type;
//  - false with KeyVal emptied when the key or value is missing, unreadable or
//    longer than kValueBufferSize bytes.
// Never throws.
bool GetKeyValue(const RegistryStore& registry, RegistryRoot KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal);

}  // namespace ferulo::about
