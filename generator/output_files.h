#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"

namespace ferulo::generator {

// The whole content of a file, read as bytes. An empty file gives "".
// role names the file in the error, e.g. "template".
[[nodiscard]] Result<std::string> ReadWholeFile(const std::string& path, std::string_view role);

struct PendingFile {
  std::string path;
  std::string content;
};

// Writes every file or none. Each content goes to a temporary file beside its
// target; only when all are complete are they renamed into place, under a lock
// on their folder so that two runs never interleave their sets, and the folder
// is synced. A failure restores the targets already replaced and removes every
// temporary file; what cannot be undone is added to the error. A target that
// is a folder or a symbolic link is refused before anything is written.
[[nodiscard]] Status WriteAllOrNothing(const std::vector<PendingFile>& files);

}  // namespace ferulo::generator
