#include "database/database_file_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "common/errno_error.h"
#include "common/error_codes.h"

namespace ferulo::database {

namespace {

Error ErrorForErrno(int errnoValue, const std::string& path) {
  return ErrnoError(errnoValue, "Cannot open database", path, FileRole::Database);
}

const char* KindOfSpecialFile(mode_t mode) {
  if (S_ISFIFO(mode)) {
    return "a FIFO";
  }
  if (S_ISSOCK(mode)) {
    return "a socket";
  }
  if (S_ISCHR(mode) || S_ISBLK(mode)) {
    return "a device";
  }
  return "not a regular file";
}

// Folders and special files are refused by their type alone: opening a device
// can have effects of its own, and a FIFO would block the reader.
Result<std::uint64_t> CheckFileType(const struct stat& info, const std::string& path) {
  if (S_ISDIR(info.st_mode)) {
    return Error{error_code::kInvalidDatabasePath,
                 "'" + path + "' is not a valid path: it is a folder, not a database file."};
  }
  if (!S_ISREG(info.st_mode)) {
    return Error{error_code::kCouldNotOpenFile, "Cannot open the file '" + path + "': it is " +
                                                    KindOfSpecialFile(info.st_mode) +
                                                    ", not an Access database file."};
  }
  return static_cast<std::uint64_t>(info.st_size);
}

// Every Jet 3, Jet 4 and ACE file starts with these bytes.
constexpr std::string_view kJetSignature{"\0\1\0\0Standard Jet DB", 19};
constexpr std::string_view kAceSignature{"\0\1\0\0Standard ACE DB", 19};

Result<std::uint64_t> CheckOpenFile(int fd, const std::string& path) {
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    return ErrorForErrno(errno, path);
  }
  auto size = CheckFileType(info, path);
  if (!size) {
    return size;
  }
  if (size.value() < kSmallestDatabaseSize) {
    return Error{error_code::kUnrecognizedFormat,
                 "Unrecognized database format '" + path + "': the file is " +
                     std::to_string(size.value()) +
                     " bytes long, too short for an Access database."};
  }
  std::array<char, kJetSignature.size()> start{};
  const ssize_t got = pread(fd, start.data(), start.size(), 0);
  if (got < 0) {
    return ErrorForErrno(errno, path);
  }
  const std::string_view signature(start.data(), static_cast<std::size_t>(got));
  if (signature != kJetSignature && signature != kAceSignature) {
    return Error{error_code::kUnrecognizedFormat,
                 "Unrecognized database format '" + path +
                     "': it does not start like an Access (Jet or ACE) database."};
  }
  return size;
}

}  // namespace

Result<std::uint64_t> CheckDatabaseFile(const std::string& path) {
  if (path.empty()) {
    return Error{error_code::kInvalidDatabasePath, "The database path is empty."};
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    return ErrorForErrno(errno, path);
  }
  if (auto type = CheckFileType(info, path); !type) {
    return type;
  }
  // O_NONBLOCK: should the file have turned into a FIFO since stat, open
  // still returns at once and fstat below refuses it.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    return ErrorForErrno(errno, path);
  }
  auto checked = CheckOpenFile(fd, path);
  close(fd);
  return checked;
}

}  // namespace ferulo::database
