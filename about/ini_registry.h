#pragma once

#include <filesystem>

#include "about/registry.h"

namespace ferulo::about {

// Where a system without a registry keeps the values FERULO reads.
inline constexpr char kDefaultRegistryFile[] = "/etc/ferulo/registry.ini";

// Registry values kept in an INI-style text file:
//
//   ; comment            # comment too
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools\MSINFO]
//   PATH=/usr/bin/hardinfo
//
// A section names a key: a root key name (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG), a backslash and the
// key's path. An entry names a value; "@" is the key's unnamed value. Key
// paths and value names match without regard to ASCII case, as in the
// registry; where an entry repeats, the last one counts.
//
// What follows "=" is trimmed of blanks and tabs, then read as:
//   "text"           text (REG_SZ), taken literally between the outer quotes,
//                    so blanks at either end and leading "dword:" survive;
//   dword:0000000a   a 32-bit number (REG_DWORD), one to eight hex digits;
//   hex(N):41,42,00  data bytes of type N in hexadecimal, given whole with no
//                    terminator added (hex(2) is REG_EXPAND_SZ, hex(1) a text
//                    stored with or without its zero byte);
//   hex:01,02        binary data (REG_BINARY);
//   anything else    text (REG_SZ), taken literally.
// A text is stored with its terminating zero byte, as Windows stores it, so
// the longest text that fits the 1024-byte read is 1023 bytes. An entry whose
// typed data cannot be parsed counts as unreadable.
//
// The file is read afresh on every query, so an edit takes effect on the next
// look-up. A missing or unreadable file, or one that is not an ordinary file
// or is larger than kMaxRegistryFileSize, holds no values.
class IniRegistryStore : public RegistryStore {
 public:
  static constexpr std::uintmax_t kMaxRegistryFileSize = 1024 * 1024;

  explicit IniRegistryStore(std::filesystem::path file = kDefaultRegistryFile);

  [[nodiscard]] std::optional<RegistryData> Query(RegistryRoot root, const std::string& keyName,
                                                  const std::string& valueName) const override;

 private:
  std::filesystem::path file_;
};

}  // namespace ferulo::about
