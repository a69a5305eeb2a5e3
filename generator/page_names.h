#pragma once

#include <string>
#include <string_view>

namespace ferulo::generator {

// The database file name less its extension: from the last dot, where that dot
// is not the first character. "shop.mdb" -> "shop", "x.accdb" -> "x",
// "a.b.mdb" -> "a.b", "readme" -> "readme", ".mdb" -> ".mdb".
[[nodiscard]] std::string PageBaseName(std::string_view databaseFileName);

// The output path as a prefix: an existing folder named without a trailing
// separator gets one; anything else stays as typed.
[[nodiscard]] std::string OutputPrefix(std::string_view outputPath);

struct OutputFileNames {
  std::string listPage;
  std::string editPage;
  std::string filterPage;
  std::string connectionInclude;
};

[[nodiscard]] OutputFileNames MakeOutputFileNames(std::string_view outputPrefix,
                                                  std::string_view pageBaseName);

// The six lines of db.asp, each ending in CR LF. An .accdb database gets the
// Access Database Engine's driver, any other the .mdb driver.
[[nodiscard]] std::string ConnectionIncludeText(std::string_view databaseFileName);

}  // namespace ferulo::generator
