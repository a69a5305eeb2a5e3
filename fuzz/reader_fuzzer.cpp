// libFuzzer target: a file handed to FERULO's database reader, read the way
// ferulo-mdb-reader reads it: the file check, the catalog, then the columns
// and the description (types, indexes, property data, relationships) of every
// user table. Built with AddressSanitizer and UndefinedBehaviorSanitizer
// by fuzz/run; libmdb itself is Debian's, uninstrumented, so a fault inside it
// shows up as the crash, hang or memory growth the reader process exists for.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/unique_fd.h"
#include "common/write_all.h"
#include "database/database_file_check.h"
#include "database/mdb_catalog.h"
#include "database/object_types.h"

namespace {

// One file per fuzzing process, written for every input and removed after
// it: libmdb reads by path, and /dev/shm keeps that off the disk. (A memory
// file reached through /proc would leave nothing behind, but the reader
// rightly refuses paths that are symbolic links.) An input that crashes the
// process leaves its file; fuzz/run removes those.
const std::string& InputPath() {
  static const std::string path = "/dev/shm/ferulo-fuzz-" + std::to_string(getpid()) + ".mdb";
  return path;
}

bool WriteInput(const std::uint8_t* data, std::size_t size) {
  ferulo::UniqueFd fd(open(InputPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!fd.valid()) {
    return false;
  }
  const int failure =
      ferulo::WriteAll(fd.get(), std::string_view(reinterpret_cast<const char*>(data), size));
  return close(fd.release()) == 0 && failure == 0;
}

// Removes the input file when the run of one input ends, however it ends.
struct InputRemover {
  InputRemover() = default;
  InputRemover(const InputRemover&) = delete;
  InputRemover& operator=(const InputRemover&) = delete;
  ~InputRemover() { unlink(InputPath().c_str()); }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  // As the reader does: the user's environment must not steer libmdb.
  for (const char* name : {"MDBICONV", "MDB_JET3_CHARSET", "MDBPATH", "MDBOPTS"}) {
    unsetenv(name);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferulo::database;
  const InputRemover remover;
  if (!WriteInput(data, size)) {
    std::abort();  // /dev/shm full: nothing after this would mean anything
  }
  const std::string& path = InputPath();
  if (!CheckDatabaseFile(path)) {
    return 0;
  }
  auto catalog = ReadCatalog(path);
  if (!catalog) {
    return 0;
  }
  for (const CatalogObject& object : catalog.value()) {
    if (object.tableType == kUserTableType) {
      auto columns = ReadColumnNames(path, object.name);
      (void)columns;
      auto described = ReadTableDescriptions(path, object.name);
      (void)described;
    }
  }
  return 0;
}
