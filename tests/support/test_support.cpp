#include "support/test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace ferulo::test {

namespace fs = std::filesystem;

namespace {

std::string ExistingOrEmpty(const fs::path& path) {
  std::error_code ignored;
  return fs::is_regular_file(path, ignored) ? path.string() : std::string();
}

}  // namespace

std::string NodeAdodbMdb() {
  return ExistingOrEmpty(fs::path(FERULO_FIXTURES_DIR) /
                         "node-adodb/package/examples/node-adodb.mdb");
}

std::string FruitMdb() {
  return ExistingOrEmpty(fs::path(FERULO_FIXTURES_DIR) / "mdb/package/test/fruit.mdb");
}

std::string SharedTestData(const std::string& relativePath) {
  return ExistingOrEmpty(fs::path(FERULO_SHARED_TESTDATA_DIR) / relativePath);
}

std::string LockedDatabase(const std::string& name) {
  return ExistingOrEmpty(fs::path(FERULO_SOURCE_DIR) / "tests/database/locked" / name);
}

std::string BinDir() {
  return FERULO_BIN_DIR;
}
std::string SourceDir() {
  return FERULO_SOURCE_DIR;
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "ferulo-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder");
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests may leave read-only folders behind; make them writable again first.
  for (auto it = fs::recursive_directory_iterator(path_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path.string());
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

std::vector<std::string> ListFolder(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  std::array<int, 2> outPipe{};
  std::array<int, 2> errPipe{};
  if (pipe2(outPipe.data(), O_CLOEXEC) != 0 || pipe2(errPipe.data(), O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  std::vector<char*> args;
  for (const auto& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);
  pid_t pid = 0;
  const int spawnError = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  ProcessResult result;
  if (spawnError != 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    result.err = "cannot start " + argv[0];
    return result;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::array<pollfd, 2> fds{{{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}}};
  int open = 2;
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      kill(pid, SIGKILL);
      break;
    }
    if (poll(fds.data(), fds.size(), static_cast<int>(left.count())) < 0) {
      continue;
    }
    for (auto& fd : fds) {
      if (fd.fd < 0 || fd.revents == 0) {
        continue;
      }
      char chunk[65536];
      const ssize_t got = read(fd.fd, chunk, sizeof chunk);
      if (got <= 0) {
        close(fd.fd);
        fd.fd = -1;
        --open;
      } else {
        (fd.fd == outPipe[0] ? result.out : result.err).append(chunk, static_cast<size_t>(got));
      }
    }
  }
  for (auto& fd : fds) {
    if (fd.fd >= 0) {
      close(fd.fd);
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!result.timedOut && WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  }
  return result;
}

}  // namespace ferulo::test
