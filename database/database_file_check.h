#pragma once

#include <cstdint>
#include <string>

#include "common/error.h"

namespace ferulo::database {

// No Access database is shorter than one Jet 3 page.
inline constexpr std::uint64_t kSmallestDatabaseSize = 2048;

// Looks at the file a connection names before libmdb is let near it: a missing
// file, a folder, a FIFO or device (fopen on a FIFO blocks for ever), a file
// this user cannot open, one too short to be a database or one that does not
// start with the Jet or ACE signature is refused with an error naming it.
// Never blocks. Returns the file's size.
[[nodiscard]] Result<std::uint64_t> CheckDatabaseFile(const std::string& path);

}  // namespace ferulo::database
