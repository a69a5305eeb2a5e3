#include "robustness/robustness_support.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <poll.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "support/test_support.h"

namespace ferulo::test {

namespace fs = std::filesystem;

namespace {

// Runs in the forked child, before exec: only async-signal-safe calls.
[[noreturn]] void ExecConfined(const std::vector<char*>& argv, const std::vector<char*>& envp,
                               const Confinement& confinement, int outFd, int errFd) {
  const int devNull = ::open("/dev/null", O_RDONLY);
  if (devNull < 0 || ::dup2(devNull, 0) < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0) {
    ::_exit(126);
  }
  if (confinement.fileSizeLimit) {
    ::signal(SIGXFSZ, SIG_IGN);  // kept across exec: the write fails instead
    const rlimit limit{*confinement.fileSizeLimit, *confinement.fileSizeLimit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
      ::_exit(126);
    }
  }
  if (confinement.user) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(confinement.user->gid) != 0 ||
        ::setuid(confinement.user->uid) != 0) {
      ::_exit(126);
    }
  }
  ::execve(argv[0], argv.data(), envp.data());
  ::_exit(127);
}

std::string Describe(const std::string& what, int errnoValue) {
  return what + ": " + std::strerror(errnoValue);
}

}  // namespace

ChildResult RunConfined(const std::vector<std::string>& argv, const Confinement& confinement,
                        std::chrono::milliseconds timeout) {
  std::array<int, 2> outPipe{};
  std::array<int, 2> errPipe{};
  if (::pipe2(outPipe.data(), O_CLOEXEC) != 0 || ::pipe2(errPipe.data(), O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  std::vector<char*> args;
  for (const std::string& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    envp.push_back(*entry);
  }
  for (const std::string& entry : confinement.environment) {
    envp.push_back(const_cast<char*>(entry.c_str()));
  }
  envp.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) {
    throw std::runtime_error("fork failed");
  }
  if (pid == 0) {
    ExecConfined(args, envp, confinement, outPipe[1], errPipe[1]);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);

  ChildResult result;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::array<pollfd, 2> fds{{{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}}};
  for (int open = 2; open > 0;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      ::kill(pid, SIGKILL);
      break;
    }
    if (::poll(fds.data(), fds.size(), static_cast<int>(left.count())) < 0) {
      continue;
    }
    for (pollfd& fd : fds) {
      if (fd.fd < 0 || fd.revents == 0) {
        continue;
      }
      char chunk[65536];
      const ssize_t got = ::read(fd.fd, chunk, sizeof chunk);
      if (got <= 0) {
        ::close(fd.fd);
        fd.fd = -1;
        --open;
      } else {
        (fd.fd == outPipe[0] ? result.out : result.err).append(chunk, static_cast<size_t>(got));
      }
    }
  }
  for (pollfd& fd : fds) {
    if (fd.fd >= 0) {
      ::close(fd.fd);
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status) && !result.timedOut) {
    result.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

ChildResult RunFeruloCli(const std::vector<std::string>& args, const Confinement& confinement,
                         std::chrono::milliseconds timeout) {
  std::vector<std::string> argv{BinDir() + "/ferulo-cli"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunConfined(argv, confinement, timeout);
}

std::string EnterPrivateMountNamespace() {
  if (::unshare(CLONE_NEWNS) != 0) {
    return Describe("unshare(CLONE_NEWNS)", errno);
  }
  // Mounts made from here on must not travel back to the machine's namespace.
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return Describe("making / private", errno);
  }
  return {};
}

ScopedMount ScopedMount::Tmpfs(const fs::path& folder, std::size_t bytes) {
  ScopedMount mount;
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
  if (::mount("ferulo-test", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    mount.failure_ = Describe("mount -t tmpfs -o " + options + " " + folder.string(), errno);
  } else {
    mount.folder_ = folder;
  }
  return mount;
}

ScopedMount ScopedMount::ReadOnlyBind(const fs::path& folder) {
  ScopedMount mount;
  if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    mount.failure_ = Describe("mount --bind " + folder.string(), errno);
    return mount;
  }
  mount.folder_ = folder;
  if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    mount.failure_ = Describe("mount -o remount,bind,ro " + folder.string(), errno);
  }
  return mount;
}

ScopedMount::ScopedMount(ScopedMount&& other) noexcept
    : folder_(std::move(other.folder_)), failure_(std::move(other.failure_)) {
  other.folder_.clear();
}

ScopedMount::~ScopedMount() {
  if (!folder_.empty()) {
    ::umount2(folder_.c_str(), MNT_DETACH);
  }
}

ScopedImmutable::ScopedImmutable(fs::path path) : path_(std::move(path)) {
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  int flags = 0;
  if (fd < 0 || ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
    failure_ = Describe("reading the attributes of " + path_.string(), errno);
  } else {
    flags |= FS_IMMUTABLE_FL;
    if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0) {
      failure_ = Describe("chattr +i " + path_.string(), errno);
    } else {
      set_ = true;
    }
  }
  if (fd >= 0) {
    ::close(fd);
  }
}

ScopedImmutable::~ScopedImmutable() {
  if (!set_) {
    return;
  }
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  int flags = 0;
  if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
    flags &= ~FS_IMMUTABLE_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
  }
  if (fd >= 0) {
    ::close(fd);
  }
}

std::optional<Account> UnprivilegedUser() {
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr || nobody->pw_uid == 0) {
    return std::nullopt;
  }
  return Account{nobody->pw_uid, nobody->pw_gid};
}

}  // namespace ferulo::test
