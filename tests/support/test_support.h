#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace ferulo::test {

// Sample databases. The npm fixtures live in fixtures/ (scripts/setup fetches
// them); the extra ones in FERULO_SHARED_TESTDATA_DIR. Each returns "" where
// absent.
std::string NodeAdodbMdb();  // JET4, table Users
std::string FruitMdb();      // JET4, tables with blanks and a slash, saved queries
std::string SharedTestData(const std::string& relativePath);  // e.g. "nwind.mdb"
// tests/database/locked/: password.mdb (a Jet 4 database password) and
// encrypted.accdb (ACE, encrypted with a password).
std::string LockedDatabase(const std::string& name);

// Where the built executables, the reader and the templates are.
std::string BinDir();
std::string SourceDir();

// Skips the current test, naming the missing file.
#define FERULO_SKIP_IF_MISSING(path, what)                                    \
  do {                                                                        \
    if ((path).empty()) {                                                     \
      GTEST_SKIP() << what << " is not available (run scripts/setup, or set " \
                   << "FERULO_SHARED_TESTDATA_DIR for the extra samples)";    \
    }                                                                         \
  } while (0)

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] std::string str() const { return path_.string(); }
  [[nodiscard]] std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Every entry of a folder, sorted, names only.
std::vector<std::string> ListFolder(const std::filesystem::path& folder);

struct ProcessResult {
  int exitCode = -1;  // -1 where the process was killed by a signal or timed out
  bool timedOut = false;
  std::string out;
  std::string err;
};

// Runs argv[0] with the given arguments (no shell), stdin from /dev/null,
// collecting stdout and stderr; kills it after the timeout.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout = std::chrono::seconds(60));

}  // namespace ferulo::test
