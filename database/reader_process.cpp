#include "database/reader_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "common/error_codes.h"
#include "common/unique_fd.h"
#include "database/reader_protocol.h"

namespace ferulo::database {

namespace {

namespace protocol = reader_protocol;
using Clock = std::chrono::steady_clock;

// libmdb can print millions of lines; the start says what went wrong, the end
// whether memory ran out.
constexpr std::size_t kStderrKept = 4096;
// A catalog of the 32768 objects Jet allows stays far below this.
constexpr std::size_t kLargestAnswer = std::size_t{64} << 20;
// Pipe ends live above every descriptor the child's file actions write to, so
// that setting up 2 and 3 in the child never overwrites another pipe end.
constexpr int kFirstPrivateFd = 10;
// A forked reader that could not set up its descriptors ends with this, as a
// shell does for a command it cannot run.
constexpr int kExitNotStarted = 127;

struct Pipe {
  UniqueFd readEnd;
  UniqueFd writeEnd;
};

// Returns errno on failure.
int MakePipe(Pipe& pipe) {
  std::array<int, 2> ends{};
  if (pipe2(ends.data(), O_CLOEXEC) != 0) {
    return errno;
  }
  const UniqueFd lowRead(ends[0]);
  const UniqueFd lowWrite(ends[1]);
  pipe.readEnd = UniqueFd(fcntl(lowRead.get(), F_DUPFD_CLOEXEC, kFirstPrivateFd));
  pipe.writeEnd = UniqueFd(fcntl(lowWrite.get(), F_DUPFD_CLOEXEC, kFirstPrivateFd));
  return pipe.readEnd.valid() && pipe.writeEnd.valid() ? 0 : errno;
}

// Owns a started child: whatever path leaves the run, the child is killed if
// still running and reaped, so no zombie is left behind.
class ChildProcess {
 public:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}
  ~ChildProcess() {
    if (!reaped_) {
      Kill();
      Reap();
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  [[nodiscard]] pid_t pid() const { return pid_; }
  void Kill() const { kill(pid_, SIGKILL); }
  // Someone else reaped the child (a SIGCHLD set to be ignored, a
  // waitpid(-1) elsewhere): how it ended is unknown, and so is whether its
  // answer is whole.
  [[nodiscard]] bool statusLost() const { return statusLost_; }

  std::optional<int> TryReap() { return Wait(WNOHANG); }

  int Reap() {
    auto status = Wait(0);
    return status.value_or(0);
  }

 private:
  std::optional<int> Wait(int options) {
    if (reaped_) {
      return status_;
    }
    int status = 0;
    pid_t result = 0;
    do {
      result = waitpid(pid_, &status, options);
    } while (result < 0 && errno == EINTR);
    if (result == 0) {
      return std::nullopt;  // still running
    }
    // result < 0 (ECHILD: someone else reaped it) leaves nothing to wait for.
    reaped_ = true;
    statusLost_ = result < 0;
    status_ = status;
    return status_;
  }

  pid_t pid_;
  bool reaped_ = false;
  bool statusLost_ = false;
  int status_ = 0;
};

// Keeps the first and the last kStderrKept bytes of a stream.
class CappedText {
 public:
  void Append(std::string_view bytes) {
    const std::size_t forHead = std::min(bytes.size(), kStderrKept - head_.size());
    head_.append(bytes.substr(0, forHead));
    bytes.remove_prefix(forHead);
    tail_.append(bytes);
    if (tail_.size() > 2 * kStderrKept) {
      tail_.erase(0, tail_.size() - kStderrKept);
    }
  }

  [[nodiscard]] bool Contains(std::string_view text) const {
    return head_.find(text) != std::string::npos || tail_.find(text) != std::string::npos;
  }

  [[nodiscard]] std::string FirstLine() const {
    std::size_t start = 0;
    while (start < head_.size()) {
      std::size_t end = head_.find('\n', start);
      if (end == std::string::npos) {
        end = head_.size();
      }
      std::string line = head_.substr(start, end - start);
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
      }
      if (!line.empty()) {
        return line;
      }
      start = end + 1;
    }
    return {};
  }

 private:
  std::string head_;
  std::string tail_;
};

struct Collected {
  std::string answer;
  CappedText stderrText;
  bool timedOut = false;
  bool answerTooLarge = false;
};

class SpawnSetup {
 public:
  SpawnSetup()
      : actionsFailure_(posix_spawn_file_actions_init(&actions_)),
        attributesFailure_(posix_spawnattr_init(&attributes_)) {}
  ~SpawnSetup() {
    if (actionsFailure_ == 0) {
      posix_spawn_file_actions_destroy(&actions_);
    }
    if (attributesFailure_ == 0) {
      posix_spawnattr_destroy(&attributes_);
    }
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // stdin and stdout on /dev/null (libmdb prints hex dumps to stdout), stderr
  // and the answer descriptor into the pipes, nothing else inherited; signal
  // dispositions and mask as a fresh process has them. Returns 0 or the error
  // of the first call that failed: posix_spawn's helpers return their error
  // and leave errno alone.
  int Prepare(int stderrWriteEnd, int answerWriteEnd) {
    if (actionsFailure_ != 0 || attributesFailure_ != 0) {
      return actionsFailure_ != 0 ? actionsFailure_ : attributesFailure_;
    }
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    for (const int failure : {
             posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0),
             posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0),
             posix_spawn_file_actions_adddup2(&actions_, stderrWriteEnd, STDERR_FILENO),
             posix_spawn_file_actions_adddup2(&actions_, answerWriteEnd, protocol::kAnswerFd),
             posix_spawn_file_actions_addclosefrom_np(&actions_, protocol::kAnswerFd + 1),
             posix_spawnattr_setsigmask(&attributes_, &none),
             posix_spawnattr_setsigdefault(&attributes_, &all),
             posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
         }) {
      if (failure != 0) {
        return failure;
      }
    }
    return 0;
  }

  // Returns 0 or the errno value of the failure.
  int Spawn(pid_t& pid, const std::vector<std::string>& argv) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& arg : argv) {
      args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    // An empty environment: MDBICONV, MDB_JET3_CHARSET, MDBPATH and MDBOPTS
    // would change what libmdb reads, and nothing else there is needed.
    std::array<char*, 1> environment{nullptr};
    return posix_spawn(&pid, args[0], &actions_, &attributes_, args.data(), environment.data());
  }

 private:
  posix_spawn_file_actions_t actions_{};
  posix_spawnattr_t attributes_{};
  int actionsFailure_;
  int attributesFailure_;
};

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

std::string DescribeDuration(std::chrono::milliseconds duration) {
  const auto ms = duration.count();
  if (ms % 1000 == 0) {
    const auto seconds = ms / 1000;
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
  }
  return std::to_string(ms) + " ms";
}

// The CPU limit only matters should this process die and leave the reader
// running; the wall-clock timeout always comes first.
std::uint64_t CpuSecondsFor(std::chrono::milliseconds timeout) {
  const auto seconds = std::max<std::int64_t>(0, (timeout.count() + 999) / 1000);
  return static_cast<std::uint64_t>(seconds) + 2;
}

std::vector<std::string> ReaderArguments(const ReaderOptions& options,
                                         const std::vector<std::string>& request) {
  std::vector<std::string> argv{
      options.linkedReader != nullptr ? std::string(protocol::kExecutableName)
                                      : options.readerExecutable,
      std::string(protocol::kMemoryLimitOption), std::to_string(options.memoryLimitBytes),
      std::string(protocol::kCpuLimitOption), std::to_string(CpuSecondsFor(options.timeout))};
  argv.insert(argv.end(), request.begin(), request.end());
  return argv;
}

// Returns 0 or the errno value of the failure.
int SpawnReaderExecutable(const std::vector<std::string>& argv, int stderrWriteEnd,
                          int answerWriteEnd, pid_t& pid) {
  SpawnSetup setup;
  if (const int failure = setup.Prepare(stderrWriteEnd, answerWriteEnd); failure != 0) {
    return failure;
  }
  return setup.Spawn(pid, argv);
}

// The descriptors a forked reader keeps, as SpawnSetup gives them to
// ferulo-mdb-reader. The pipe ends lie above kFirstPrivateFd, so no dup2
// below overwrites one that a later one needs.
bool RedirectForReader(int stderrWriteEnd, int answerWriteEnd) {
  const int devNull = open("/dev/null", O_RDWR);
  if (devNull < 0 || dup2(devNull, STDIN_FILENO) < 0 || dup2(devNull, STDOUT_FILENO) < 0 ||
      dup2(stderrWriteEnd, STDERR_FILENO) < 0 || dup2(answerWriteEnd, protocol::kAnswerFd) < 0) {
    return false;
  }
  if (close_range(protocol::kAnswerFd + 1, ~0U, 0) != 0) {
    // A kernel without close_range (before 5.9).
    for (long fd = protocol::kAnswerFd + 1; fd < sysconf(_SC_OPEN_MAX); ++fd) {
      close(static_cast<int>(fd));
    }
  }
  return true;
}

void RestoreDefaultSignals() {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int number = 1; number < NSIG; ++number) {
    if (number != SIGKILL && number != SIGSTOP) {
      signal(number, SIG_DFL);
    }
  }
}

// Runs in the child forked for a linked reader, which from here on is the
// reader's own process, set up as ferulo-mdb-reader is started: the same
// descriptors, signal handling and empty environment. It never returns into
// the caller's code, whose stack it shares a copy of.
[[noreturn]] void BecomeReader(LinkedReader reader, std::vector<char*>& argv, int stderrWriteEnd,
                               int answerWriteEnd) {
  if (!RedirectForReader(stderrWriteEnd, answerWriteEnd)) {
    _exit(kExitNotStarted);
  }
  RestoreDefaultSignals();
  static std::array<char*, 1> emptyEnvironment{nullptr};
  environ = emptyEnvironment.data();
  int status = protocol::kExitCannotAnswer;
  try {
    status = reader(static_cast<int>(argv.size()) - 1, argv.data());
  } catch (...) {
    // Reported as the exit status; unwinding further would run the caller.
  }
  _exit(status);
}

// Returns 0 or the errno value of the failure.
int ForkLinkedReader(LinkedReader reader, const std::vector<std::string>& arguments,
                     int stderrWriteEnd, int answerWriteEnd, pid_t& pid) {
  // Built before the fork: the child only sets up descriptors and runs.
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const auto& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  pid = fork();
  if (pid < 0) {
    return errno;
  }
  if (pid == 0) {
    BecomeReader(reader, argv, stderrWriteEnd, answerWriteEnd);
  }
  return 0;
}

// Starts the reader with its stderr and its answer going into the given pipe
// ends. Returns 0 or the errno value of the failure.
int StartReader(const ReaderOptions& options, const std::vector<std::string>& request,
                int stderrWriteEnd, int answerWriteEnd, pid_t& pid) {
  const std::vector<std::string> argv = ReaderArguments(options, request);
  if (options.linkedReader != nullptr) {
    return ForkLinkedReader(options.linkedReader, argv, stderrWriteEnd, answerWriteEnd, pid);
  }
  return SpawnReaderExecutable(argv, stderrWriteEnd, answerWriteEnd, pid);
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<std::int64_t>(left, 0, 60'000));
}

// Reads both pipes until the child closes them, the deadline passes or the
// answer grows beyond any sane size. stderr is drained all the way and capped.
void Collect(UniqueFd& answerEnd, UniqueFd& stderrEnd, Clock::time_point deadline,
             Collected& collected) {
  // Not zeroed: only what read() fills is used, and a large stack buffer
  // zeroed at every call costs a page fault per 4 KiB in a fresh process.
  std::array<char, 65536> chunk;
  while (answerEnd.valid() || stderrEnd.valid()) {
    const int left = MillisecondsLeft(deadline);
    if (left == 0) {
      collected.timedOut = true;
      return;
    }
    std::array<pollfd, 2> watched{{{answerEnd.get(), POLLIN, 0}, {stderrEnd.get(), POLLIN, 0}}};
    if (poll(watched.data(), watched.size(), left) < 0) {
      continue;  // EINTR; a real failure of poll shows up as the deadline passing
    }
    for (std::size_t i = 0; i < watched.size(); ++i) {
      if (watched[i].fd < 0 || watched[i].revents == 0) {
        continue;
      }
      UniqueFd& end = i == 0 ? answerEnd : stderrEnd;
      const ssize_t got = read(end.get(), chunk.data(), chunk.size());
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got <= 0) {
        end.reset();
        continue;
      }
      const std::string_view bytes(chunk.data(), static_cast<std::size_t>(got));
      if (i == 0) {
        collected.answer.append(bytes);
        if (collected.answer.size() > kLargestAnswer) {
          collected.answerTooLarge = true;
          return;
        }
      } else {
        collected.stderrText.Append(bytes);
      }
    }
  }
}

// After both pipes closed the child is as good as gone; give it until the
// deadline to be reaped.
// The pipes close a moment before the child can be reaped, so the wait is on
// its pidfd, which turns readable the moment it can; a nap stands in for it on
// kernels without pidfds.
int WaitForExit(ChildProcess& child, Clock::time_point deadline, Collected& collected) {
  // Through syscall(): Debian 12's <sys/pidfd.h> declares pidfd_open without
  // C linkage.
  const UniqueFd pidfd(static_cast<int>(syscall(SYS_pidfd_open, child.pid(), 0)));
  while (true) {
    if (const auto status = child.TryReap()) {
      return *status;
    }
    if (Clock::now() >= deadline) {
      collected.timedOut = true;
      child.Kill();
      return child.Reap();
    }
    if (pidfd.valid()) {
      pollfd ended{pidfd.get(), POLLIN, 0};
      poll(&ended, 1, MillisecondsLeft(deadline));
    } else {
      const timespec pause{0, 1'000'000};
      nanosleep(&pause, nullptr);
    }
  }
}

bool RanOutOfMemory(const Collected& collected) {
  return collected.stderrText.Contains(protocol::kOutOfMemoryMarker) ||
         collected.stderrText.Contains("failed to allocate") ||
         collected.stderrText.Contains("std::bad_alloc");
}

// libmdb's first complaint, for the error's details.
std::string LibmdbSaid(const Collected& collected) {
  const std::string line = collected.stderrText.FirstLine();
  return line.empty() ? std::string() : "libmdb reported: " + line;
}

Error OutOfMemory(const ReaderOptions& options, const std::string& databasePath) {
  return Error{error_code::kReaderOutOfMemory,
               "Reading the database " + Quoted(databasePath) + " needed more than " +
                   std::to_string(options.memoryLimitBytes >> 20U) +
                   " MiB of memory, so the reader was stopped. The file may be damaged."};
}

Result<ReaderOutput> Outcome(int status, Collected& collected, const ReaderOptions& options,
                             const std::string& databasePath) {
  if (collected.timedOut || (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)) {
    return Error{error_code::kReaderTimedOut,
                 "Reading the database " + Quoted(databasePath) + " took longer than " +
                     DescribeDuration(options.timeout) +
                     ", so the reader was stopped. The file may be damaged."};
  }
  if (collected.answerTooLarge) {
    return Error{error_code::kReaderBadAnswer,
                 "The database reader gave no usable answer for " + Quoted(databasePath) +
                     ": its answer grew beyond " + std::to_string(kLargestAnswer >> 20U) + " MiB."};
  }
  if (WIFSIGNALED(status)) {
    if (RanOutOfMemory(collected)) {
      return OutOfMemory(options, databasePath);
    }
    return Error{error_code::kReaderCrashed,
                 "The database reader crashed (" + std::string(strsignal(WTERMSIG(status))) +
                     ") while reading " + Quoted(databasePath) + ". The file may be damaged.",
                 LibmdbSaid(collected)};
  }
  const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (exitCode == protocol::kExitOutOfMemory) {
    return OutOfMemory(options, databasePath);
  }
  if (exitCode != protocol::kExitAnswered) {
    return Error{error_code::kReaderBadAnswer,
                 "The database reader gave no usable answer for " + Quoted(databasePath) +
                     ": it ended with exit status " + std::to_string(exitCode) + ".",
                 LibmdbSaid(collected)};
  }
  return ReaderOutput{std::move(collected.answer), collected.stderrText.FirstLine()};
}

Error StatusLost(const std::string& databasePath) {
  return Error{error_code::kReaderBadAnswer,
               "The database reader gave no usable answer for " + Quoted(databasePath) +
                   ": its exit status was collected by another part of this program (" +
                   std::strerror(ECHILD) + "), so whether it read the file to the end is unknown."};
}

Error NotStarted(const ReaderOptions& options, const std::string& databasePath, int cause) {
  const std::string reader = options.linkedReader != nullptr ? std::string("in a child process")
                                                             : Quoted(options.readerExecutable);
  return Error{error_code::kReaderNotStarted, "Cannot start the database reader " + reader +
                                                  " to read " + Quoted(databasePath) + ": " +
                                                  std::strerror(cause) + "."};
}

}  // namespace

Result<ReaderOutput> RunReader(const ReaderOptions& options,
                               const std::vector<std::string>& request,
                               const std::string& databasePath) {
  Pipe answerPipe;
  Pipe stderrPipe;
  int pipeFailure = MakePipe(answerPipe);
  if (pipeFailure == 0) {
    pipeFailure = MakePipe(stderrPipe);
  }
  if (pipeFailure != 0) {
    return NotStarted(options, databasePath, pipeFailure);
  }
  const auto deadline = Clock::now() + options.timeout;
  pid_t pid = 0;
  if (const int cause =
          StartReader(options, request, stderrPipe.writeEnd.get(), answerPipe.writeEnd.get(), pid);
      cause != 0) {
    return NotStarted(options, databasePath, cause);
  }
  ChildProcess child(pid);
  // Only the child may hold the write ends now, or the pipes never reach EOF.
  answerPipe.writeEnd.reset();
  stderrPipe.writeEnd.reset();

  Collected collected;
  Collect(answerPipe.readEnd, stderrPipe.readEnd, deadline, collected);
  int status = 0;
  if (collected.timedOut || collected.answerTooLarge) {
    child.Kill();
    status = child.Reap();
  } else {
    status = WaitForExit(child, deadline, collected);
  }
  if (child.statusLost() && !collected.timedOut) {
    return StatusLost(databasePath);
  }
  return Outcome(status, collected, options, databasePath);
}

}  // namespace ferulo::database
