#include "generator/output_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <set>

#include "common/errno_error.h"

namespace ferulo::generator {

namespace {

namespace fs = std::filesystem;

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  [[nodiscard]] int get() const { return fd_; }
  [[nodiscard]] bool valid() const { return fd_ >= 0; }
  // Hands the descriptor over; the caller closes it.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
    fd_ = -1;
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// 0, or the errno of the failing write.
int WriteFully(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

// New files get the usual mode (0666 less the umask); replaced ones keep theirs.
mode_t ModeFor(const std::string& target) {
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) {
    return existing.st_mode & 07777;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// One output on its way: the temporary file written beside the target, and a
// hard link keeping the target's old content until the set is in place.
struct StagedFile {
  std::string target;
  std::string temporary;
  std::string backup;
  bool replaced = false;
};

// The name of the temporary file beside target: ".<target name>.ferulo-XXXXXX",
// the target name shortened where needed so that the temporary name, and the
// backup name made from it (".old" and up to two digits more), still fit the
// file system's limit on a name whenever the target's own name does.
std::string TemporaryPattern(const std::string& target) {
  constexpr std::string_view kSuffix = ".ferulo-XXXXXX";
  constexpr std::size_t kBackupSuffixLength = 6;
  constexpr std::size_t kLongestKept = NAME_MAX - 1 - kSuffix.size() - kBackupSuffixLength;
  const std::string name = fs::path(target).filename().string();
  return FolderOf(target) + "/." + name.substr(0, kLongestKept) + std::string(kSuffix);
}

Status WriteTemporary(const PendingFile& file, StagedFile& staged) {
  std::string pattern = TemporaryPattern(file.path);
  FileDescriptor fd(::mkstemp(pattern.data()));
  if (!fd.valid()) {
    Error error = ErrnoError(errno, "Cannot write", file.path);
    if (errno == ENOENT) {
      error.number = error_code::kPathNotFound;  // the folder is missing, not the file
    }
    return error;
  }
  staged.temporary = pattern;
  if (const int writeErrno = WriteFully(fd.get(), file.content); writeErrno != 0) {
    return ErrnoError(writeErrno, "Cannot write", file.path);
  }
  if (::fchmod(fd.get(), ModeFor(file.path)) != 0 || ::fsync(fd.get()) != 0) {
    return ErrnoError(errno, "Cannot write", file.path);
  }
  // close() can report a delayed write error (NFS, quota); it is checked.
  if (::close(fd.release()) != 0) {
    return ErrnoError(errno, "Cannot write", file.path);
  }
  return Done{};
}

// Keeps the old content of an existing target reachable under a second name.
Status KeepBackup(StagedFile& staged) {
  if (::access(staged.target.c_str(), F_OK) != 0) {
    return Done{};
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = staged.temporary + ".old" + std::to_string(attempt);
    if (::link(staged.target.c_str(), candidate.c_str()) == 0) {
      staged.backup = std::move(candidate);
      return Done{};
    }
    if (errno != EEXIST) {
      // A file system without hard links: the target is replaced without a
      // way back, which only matters if a later rename of this set fails.
      return Done{};
    }
  }
  return Done{};
}

void RemoveQuietly(const std::string& path) {
  if (!path.empty()) {
    ::unlink(path.c_str());
  }
}

void RollBack(std::vector<StagedFile>& staged) {
  for (StagedFile& file : staged) {
    if (file.replaced) {
      if (!file.backup.empty()) {
        ::rename(file.backup.c_str(), file.target.c_str());
        file.backup.clear();
      } else {
        ::unlink(file.target.c_str());
      }
    }
    RemoveQuietly(file.temporary);
    RemoveQuietly(file.backup);
  }
}

Status RefuseDirectoryTargets(const std::vector<PendingFile>& files) {
  for (const PendingFile& file : files) {
    std::error_code ignored;
    if (fs::is_directory(file.path, ignored)) {
      return Error{error_code::kPathFileAccessError,
                   "Cannot write '" + file.path + "': it is a folder"};
    }
  }
  return Done{};
}

// Holds an exclusive lock on every folder of the set while its files are
// renamed into place.
class FolderLocks {
 public:
  explicit FolderLocks(const std::vector<PendingFile>& files) {
    std::set<std::string> folders;
    for (const PendingFile& file : files) {
      folders.insert(FolderOf(file.path));
    }
    for (const std::string& folder : folders) {
      const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd >= 0) {
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        fds_.push_back(fd);
      }
    }
  }
  ~FolderLocks() {
    for (int fd : fds_) {
      ::close(fd);  // closing releases the lock
    }
  }
  FolderLocks(const FolderLocks&) = delete;
  FolderLocks& operator=(const FolderLocks&) = delete;

 private:
  std::vector<int> fds_;
};

Status RenameIntoPlace(std::vector<StagedFile>& staged) {
  for (StagedFile& file : staged) {
    if (Status kept = KeepBackup(file); !kept) {
      return kept;
    }
    if (::rename(file.temporary.c_str(), file.target.c_str()) != 0) {
      return ErrnoError(errno, "Cannot replace", file.target);
    }
    file.temporary.clear();
    file.replaced = true;
  }
  return Done{};
}

}  // namespace

Result<std::string> ReadWholeFile(const std::string& path, std::string_view role) {
  const std::string action = "Cannot read " + std::string(role);
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) {
    return ErrnoError(errno, action, path);
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) {
    return ErrnoError(errno, action, path);
  }
  if (!S_ISREG(info.st_mode)) {
    return Error{error_code::kPathFileAccessError,
                 action + " '" + path + "': it is not a regular file"};
  }
  std::string content;
  content.reserve(static_cast<std::size_t>(info.st_size));
  char chunk[1 << 16];
  for (;;) {
    const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return ErrnoError(errno, action, path);
    }
    if (got == 0) {
      break;
    }
    content.append(chunk, static_cast<std::size_t>(got));
  }
  return content;
}

Status WriteAllOrNothing(const std::vector<PendingFile>& files) {
  if (Status refused = RefuseDirectoryTargets(files); !refused) {
    return refused;
  }
  std::vector<StagedFile> staged(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    staged[i].target = files[i].path;
    if (Status written = WriteTemporary(files[i], staged[i]); !written) {
      RollBack(staged);
      return written;
    }
  }
  FolderLocks locks(files);
  if (Status renamed = RenameIntoPlace(staged); !renamed) {
    RollBack(staged);
    return renamed;
  }
  for (StagedFile& file : staged) {
    RemoveQuietly(file.backup);
  }
  return Done{};
}

}  // namespace ferulo::generator
