// Preloaded into ferulo-cli (LD_PRELOAD) to make chosen file-system calls fail
// as a failing disk or file system would, where no real one can be made to
// fail at that moment. FERULO_INJECT_FAULTS holds rules separated by ';',
// each "call:pattern:errno": every call of that kind whose path has a last
// component matching the shell pattern fails with that errno value. Calls:
// rename (matches the old path), unlink, link (the existing path), and
// fsync-folder (an fsync of a folder's descriptor, matched by the folder's
// name). Anything not matched goes to the C library as usual.
#include <dlfcn.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The errno value the first rule for call whose pattern matches path asks
// for, or 0.
int InjectedFailure(std::string_view call, const char* path) {
  const char* rules = std::getenv("FERULO_INJECT_FAULTS");
  if (rules == nullptr || path == nullptr) {
    return 0;
  }
  const std::string_view full(path);
  const std::string name(full.substr(full.rfind('/') + 1));
  std::string_view rest(rules);
  while (!rest.empty()) {
    const std::string_view rule = rest.substr(0, rest.find(';'));
    rest.remove_prefix(std::min(rest.size(), rule.size() + 1));
    const std::size_t first = rule.find(':');
    const std::size_t last = rule.rfind(':');
    if (first == std::string_view::npos || first == last || rule.substr(0, first) != call) {
      continue;
    }
    const std::string pattern(rule.substr(first + 1, last - first - 1));
    if (::fnmatch(pattern.c_str(), name.c_str(), 0) == 0) {
      return std::atoi(std::string(rule.substr(last + 1)).c_str());
    }
  }
  return 0;
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int rename(const char* oldPath, const char* newPath) noexcept {
  if (const int failure = InjectedFailure("rename", oldPath); failure != 0) {
    errno = failure;
    return -1;
  }
  return Next<int (*)(const char*, const char*)>("rename")(oldPath, newPath);
}

int unlink(const char* path) noexcept {
  if (const int failure = InjectedFailure("unlink", path); failure != 0) {
    errno = failure;
    return -1;
  }
  return Next<int (*)(const char*)>("unlink")(path);
}

int link(const char* existing, const char* newPath) noexcept {
  if (const int failure = InjectedFailure("link", existing); failure != 0) {
    errno = failure;
    return -1;
  }
  return Next<int (*)(const char*, const char*)>("link")(existing, newPath);
}

int fsync(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    char folder[PATH_MAX + 1] = {};
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::readlink(self.c_str(), folder, PATH_MAX) > 0) {
      if (const int failure = InjectedFailure("fsync-folder", folder); failure != 0) {
        errno = failure;
        return -1;
      }
    }
  }
  return Next<int (*)(int)>("fsync")(fd);
}

}  // extern "C"
