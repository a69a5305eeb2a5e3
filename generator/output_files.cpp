#include "generator/output_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <set>

#include "common/errno_error.h"
#include "common/unique_fd.h"
#include "common/write_all.h"

namespace ferulo::generator {

namespace {

namespace fs = std::filesystem;

std::string FolderOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// One output on its way: the temporary file written beside the target, and a
// hard link keeping the target's old content until the set is in place.
struct StagedFile {
  std::string target;
  std::string temporary;
  std::string backup;
  bool existed = false;  // the target held a file before this run
  bool replaced = false;
};

// The start of the temporary file's name beside target: ".<target name>.ferulo-",
// the target name shortened where needed so that the temporary name (six
// characters more), and the backup name made from it (".old" and up to two
// digits more), still fit the file system's limit on a name whenever the
// target's own name does.
std::string TemporaryPrefix(const std::string& target) {
  constexpr std::string_view kSuffix = ".ferulo-";
  constexpr std::size_t kUniqueLength = 6;
  constexpr std::size_t kBackupSuffixLength = 6;
  constexpr std::size_t kLongestKept =
      NAME_MAX - 1 - kSuffix.size() - kUniqueLength - kBackupSuffixLength;
  const std::string name = fs::path(target).filename().string();
  return FolderOf(target) + "/." + name.substr(0, kLongestKept) + std::string(kSuffix);
}

std::string UniqueEnding() {
  constexpr std::string_view kCharacters =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, kCharacters.size() - 1);
  std::string ending(6, ' ');
  for (char& c : ending) {
    c = kCharacters[pick(random)];
  }
  return ending;
}

// The mode of an existing target, which its replacement keeps.
std::optional<mode_t> ExistingMode(const std::string& target) {
  struct stat existing {};
  if (::stat(target.c_str(), &existing) != 0) {
    return std::nullopt;
  }
  return existing.st_mode & 07777;
}

// Creates a new file of its own beside target. The kernel applies the umask
// to the mode asked for, as for any new file: 0666, or no more than an
// existing target's mode, so that the content is never open to more users
// than the target's was. The process-wide umask is neither read nor changed:
// that would race with other threads creating files.
UniqueFd CreateTemporary(const std::string& target, std::optional<mode_t> targetMode,
                         std::string& path) {
  const mode_t mode = targetMode ? (*targetMode & 0777) : 0666;
  const std::string prefix = TemporaryPrefix(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = prefix + UniqueEnding();
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd.valid() || errno != EEXIST) {
      return fd;
    }
  }
  return UniqueFd();  // errno is still EEXIST
}

Status WriteTemporary(const PendingFile& file, StagedFile& staged) {
  const std::optional<mode_t> targetMode = ExistingMode(file.path);
  std::string path;
  UniqueFd fd = CreateTemporary(file.path, targetMode, path);
  if (!fd.valid()) {
    const int cause = errno;
    Error error = ErrnoError(cause, "Cannot write", file.path);
    if (cause == ENOENT) {
      error.number = error_code::kPathNotFound;  // the folder is missing, not the file
    }
    return error;
  }
  staged.temporary = path;
  // A replaced file keeps its mode exactly, whatever the umask took off.
  if (targetMode && ::fchmod(fd.get(), *targetMode) != 0) {
    return ErrnoError(errno, "Cannot write", file.path);
  }
  if (const int writeErrno = WriteAll(fd.get(), file.content); writeErrno != 0) {
    return ErrnoError(writeErrno, "Cannot write", file.path);
  }
  if (::fsync(fd.get()) != 0) {
    return ErrnoError(errno, "Cannot write", file.path);
  }
  // close() can report a delayed write error (NFS, quota); it is checked.
  if (::close(fd.release()) != 0) {
    return ErrnoError(errno, "Cannot write", file.path);
  }
  return Done{};
}

// Keeps the old content of an existing target reachable under a second name.
// Where that is not possible (no target, or a file system without hard
// links), the target is replaced without a way back, which only matters if a
// later rename of this set fails.
void KeepBackup(StagedFile& staged) {
  if (::access(staged.target.c_str(), F_OK) != 0) {
    return;
  }
  staged.existed = true;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = staged.temporary + ".old" + std::to_string(attempt);
    if (::link(staged.target.c_str(), candidate.c_str()) == 0) {
      staged.backup = std::move(candidate);
      return;
    }
    if (errno != EEXIST) {
      return;
    }
  }
}

void RemoveQuietly(const std::string& path) {
  if (!path.empty()) {
    ::unlink(path.c_str());
  }
}

// Removes a file this run made; "" when it is gone, else why it is not.
std::string RemoveLeftover(std::string& path) {
  if (path.empty() || ::unlink(path.c_str()) == 0 || errno == ENOENT) {
    path.clear();
    return {};
  }
  return "the temporary file '" + path + "' could not be removed (" + std::strerror(errno) + ")";
}

// Puts back what one target held before the run: its previous content, or no
// file where there was none. "" when done, else what the target holds now.
std::string Restore(StagedFile& file) {
  if (!file.backup.empty()) {
    if (::rename(file.backup.c_str(), file.target.c_str()) != 0) {
      std::string failure = "'" + file.target + "' could not be put back (" + std::strerror(errno) +
                            "); its previous content is kept in '" + file.backup + "'";
      file.backup.clear();  // the only copy left of the previous content
      return failure;
    }
    file.backup.clear();
    return {};
  }
  if (file.existed) {
    // Without a second name for the old content (a file system without hard
    // links) there is nothing to put back: the new page stays rather than
    // nothing at all.
    return "'" + file.target + "' could not be put back (no copy of its previous content could " +
           "be kept on this file system); it holds the new page";
  }
  if (::unlink(file.target.c_str()) != 0 && errno != ENOENT) {
    return "'" + file.target + "', written by this run, could not be removed (" +
           std::strerror(errno) + ")";
  }
  return {};
}

// Undoes the set after failure and returns failure, which gains whatever
// could not be undone: the user must learn in what state the folder is left.
Error RollBack(std::vector<StagedFile>& staged, Error failure) {
  std::vector<std::string> problems;
  for (StagedFile& file : staged) {
    for (std::string problem : {file.replaced ? Restore(file) : std::string(),
                                RemoveLeftover(file.temporary), RemoveLeftover(file.backup)}) {
      if (!problem.empty()) {
        problems.push_back(std::move(problem));
      }
    }
  }
  if (!problems.empty()) {
    failure.description += ". Putting the previous files back failed as well: ";
    for (std::size_t i = 0; i < problems.size(); ++i) {
      failure.description += (i == 0 ? "" : "; ") + problems[i];
    }
    failure.description += ".";
  }
  return failure;
}

// A folder is never replaced by a page. Nor is a symbolic link: renaming the
// new page into place would replace the link itself and leave the file it
// points to as it was, and following the link would write wherever it
// points, into a folder the user did not name (or, in a folder others may
// write to, into any file of the user's that a planted link names). The user
// names the real folder instead.
Status RefuseUnusableTargets(const std::vector<PendingFile>& files) {
  for (const PendingFile& file : files) {
    std::error_code ignored;
    if (fs::is_symlink(fs::symlink_status(file.path, ignored))) {
      return Error{error_code::kPathFileAccessError,
                   "Cannot write '" + file.path + "': it is a symbolic link (to '" +
                       fs::read_symlink(file.path, ignored).string() +
                       "'), and FERULO replaces only plain files; write the pages into the "
                       "folder the link points to, or remove the link"};
    }
    if (fs::is_directory(file.path, ignored)) {
      return Error{error_code::kPathFileAccessError,
                   "Cannot write '" + file.path + "': it is a folder"};
    }
  }
  return Done{};
}

// Holds an exclusive lock on every folder of the set while its files are
// renamed into place, and syncs the folders once they are.
class FolderLocks {
 public:
  explicit FolderLocks(const std::vector<PendingFile>& files) {
    std::set<std::string> folders;
    for (const PendingFile& file : files) {
      folders.insert(FolderOf(file.path));
    }
    for (const std::string& folder : folders) {
      UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (fd.valid()) {
        while (::flock(fd.get(), LOCK_EX) != 0 && errno == EINTR) {
        }
        folders_.push_back(LockedFolder{folder, std::move(fd)});
      }
    }
  }

  // A rename is durable only once its folder is: without this, a crash just
  // after a successful run could bring back the previous pages, or none. (A
  // folder this user may write to but not read cannot be opened, locked or
  // synced; its pages reach the disk when the kernel writes the folder out.)
  [[nodiscard]] Status SyncFolders() const {
    for (const LockedFolder& locked : folders_) {
      if (::fsync(locked.fd.get()) != 0) {
        return ErrnoError(errno, "Cannot sync the folder", locked.folder);
      }
    }
    return Done{};
  }

 private:
  struct LockedFolder {
    std::string folder;
    UniqueFd fd;  // closing it releases the lock
  };
  std::vector<LockedFolder> folders_;
};

Status RenameIntoPlace(std::vector<StagedFile>& staged) {
  for (StagedFile& file : staged) {
    KeepBackup(file);
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
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
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
  if (Status refused = RefuseUnusableTargets(files); !refused) {
    return refused;
  }
  std::vector<StagedFile> staged(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    staged[i].target = files[i].path;
    if (Status written = WriteTemporary(files[i], staged[i]); !written) {
      return RollBack(staged, written.error());
    }
  }
  FolderLocks locks(files);
  Status placed = RenameIntoPlace(staged);
  if (placed) {
    placed = locks.SyncFolders();
  }
  if (!placed) {
    return RollBack(staged, placed.error());
  }
  for (StagedFile& file : staged) {
    RemoveQuietly(file.backup);
  }
  return Done{};
}

}  // namespace ferulo::generator
