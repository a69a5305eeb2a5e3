#pragma once

#include <cstdint>
#include <string>

#include "common/error.h"

namespace ferulo::database {

// No Access database is shorter than one Jet 3 page.
inline constexpr std::uint64_t kSmallestDatabaseSize = 2048;

// Looks at the file a connection names before libmdb is let near it: a missing
// file, a folder, a FIFO or device (fopen on a FIFO blocks for ever), a file
// this user cannot open, one too short to be a database, one that does not
// start with the Jet or ACE signature, or an ACE database encrypted with a
// password (kDatabaseEncrypted: libmdb cannot decrypt it and would only report
// damaged pages) is refused with an error naming it. Never blocks.
struct DatabaseFile {
  std::uint64_t size = 0;
  // A Jet database (Access 97 to 2003) with a database password. It reads all
  // the same, but a web server's driver opens it only with the password
  // given. The password itself is never read out.
  bool hasPassword = false;
};
[[nodiscard]] Result<DatabaseFile> CheckDatabaseFile(const std::string& path);

}  // namespace ferulo::database
