// Running the reader process: what its death, hang, silence, garbage or
// flood turns into, what it is given (environment, descriptors, limits), and
// that the caller keeps no zombie, no descriptor and none of its output, both
// where the reader is started as a program and where it is forked from the
// caller. The misbehaviour comes from the fake reader, which stands in for the
// reader and acts as the name of the file (or table) it is asked about says.

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "common/error_codes.h"
#include "database/connection.h"
#include "database_test_helpers.h"
#include "support/test_support.h"

namespace ferulo::database::test {
namespace {

using ferulo::test::TempDir;

// A file that passes every check made before the reader starts; the fake
// reader never looks inside.
std::string FakeDatabase(const TempDir& folder, const std::string& mode) {
  std::string bytes("\0\1\0\0Standard Jet DB\0", 20);
  bytes.resize(4096, '\0');
  ferulo::test::WriteFile(folder.file(mode), bytes);
  return folder.file(mode);
}

std::vector<std::string> Names(const std::vector<SchemaRow>& schema) {
  std::vector<std::string> names;
  for (const auto& row : schema) {
    names.push_back(row.tableName);
  }
  return names;
}

int OpenDescriptorCount() {
  int count = 0;
  DIR* folder = opendir("/proc/self/fd");
  while (folder != nullptr && readdir(folder) != nullptr) {
    ++count;
  }
  if (folder != nullptr) {
    closedir(folder);
  }
  return count;
}

bool HasChildren() {
  errno = 0;
  return !(waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD);
}

// Makes posix_spawn_file_actions_adddup2 fail with the given error while it
// lives; the reader's start is the only caller in these tests.
int injectedSpawnFailure = 0;

class FailingSpawnSetup {
 public:
  explicit FailingSpawnSetup(int error) { injectedSpawnFailure = error; }
  ~FailingSpawnSetup() { injectedSpawnFailure = 0; }
  FailingSpawnSetup(const FailingSpawnSetup&) = delete;
  FailingSpawnSetup& operator=(const FailingSpawnSetup&) = delete;
};

struct FailureCase {
  std::string mode;
  int number;
  std::string says;  // a part of the description
  std::chrono::milliseconds timeout = std::chrono::seconds(10);
  std::string details = "";  // a part of the details, libmdb's words
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.mode;
}

class FailingReader : public ::testing::TestWithParam<std::tuple<ReaderStart, FailureCase>> {};

TEST_P(FailingReader, BecomesANumberedErrorNamingTheFile) {
  const auto& [start, failure] = GetParam();
  const TempDir folder;
  const std::string path = FakeDatabase(folder, failure.mode);
  const Stopwatch stopwatch;
  auto connection = OpenDatabase(path, FakeReader(failure.timeout, start));
  const auto elapsed = stopwatch.elapsed();
  ASSERT_FALSE(connection.ok());
  EXPECT_EQ(connection.error().number, failure.number) << connection.error().description;
  EXPECT_NE(connection.error().description.find(failure.says), std::string::npos)
      << connection.error().description;
  // libmdb's words go into the details, never into the description.
  EXPECT_EQ(connection.error().description.find("libmdb"), std::string::npos)
      << connection.error().description;
  EXPECT_NE(connection.error().details.find(failure.details), std::string::npos)
      << connection.error().details;
  ExpectErrorNaming(connection.error(), path);
  EXPECT_LT(elapsed, failure.timeout + std::chrono::seconds(2));
  EXPECT_FALSE(HasChildren());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, FailingReader,
    ::testing::Combine(
        ::testing::ValuesIn(kReaderStarts),
        ::testing::Values(
            FailureCase{"crash", error_code::kReaderCrashed, "crashed (Segmentation fault)"},
            FailureCase{"abort-out-of-memory", error_code::kReaderOutOfMemory,
                        "more than 1024 MiB"},
            FailureCase{"exit-out-of-memory", error_code::kReaderOutOfMemory, "memory"},
            FailureCase{"cpu-exhausted", error_code::kReaderTimedOut,
                        "took longer than 10 seconds"},
            FailureCase{"hang", error_code::kReaderTimedOut, "took longer than 300 ms",
                        std::chrono::milliseconds(300)},
            FailureCase{"hang-after-closing", error_code::kReaderTimedOut,
                        "took longer than 1 second", std::chrono::seconds(1)},
            FailureCase{"garbage", error_code::kReaderBadAnswer, "not JSON"},
            FailureCase{"silent", error_code::kReaderBadAnswer, "wrote nothing"},
            FailureCase{"unknown-type", error_code::kReaderBadAnswer, "unknown type 'FORM'"},
            FailureCase{"exit-7", error_code::kReaderBadAnswer, "exit status 7.",
                        std::chrono::seconds(10), "libmdb reported: something went wrong"},
            FailureCase{"huge-answer", error_code::kReaderBadAnswer, "beyond 64 MiB"},
            // The reader's own error keeps its number; libmdb's first line is
            // its details.
            FailureCase{"error-answer", error_code::kUnrecognizedFormat, "",
                        std::chrono::seconds(10), "libmdb reported: Unknown Jet version: 9"})),
    [](const auto& info) {
      std::string name = NameOf(std::get<0>(info.param));
      for (const char c : std::get<1>(info.param).mode) {
        if (c != '-') {
          name += c;
        }
      }
      return name;
    });

// Once, the whole ten seconds: the default limit is the one users get.
TEST(ReaderTimeout, DefaultStopsAHangingReaderAfterTenSeconds) {
  const TempDir folder;
  const std::string path = FakeDatabase(folder, "hang");
  ReaderOptions options = FakeReader();
  ASSERT_EQ(options.timeout, DefaultReaderOptions().timeout);
  const Stopwatch stopwatch;
  auto connection = OpenDatabase(path, options);
  const auto elapsed = stopwatch.elapsed();
  ASSERT_FALSE(connection.ok());
  EXPECT_EQ(connection.error().number, error_code::kReaderTimedOut);
  EXPECT_NE(connection.error().description.find("10 seconds"), std::string::npos);
  EXPECT_GE(elapsed, std::chrono::milliseconds(9900));
  EXPECT_LT(elapsed, std::chrono::seconds(12));
  EXPECT_FALSE(HasChildren());
}

// The tests below run once for each way of starting the reader.
class EachReaderStart : public ::testing::TestWithParam<ReaderStart> {
 protected:
  static ReaderOptions Fake(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    return FakeReader(timeout, GetParam());
  }
};

INSTANTIATE_TEST_SUITE_P(Starts, EachReaderStart, ::testing::ValuesIn(kReaderStarts),
                         [](const auto& info) { return NameOf(info.param); });

TEST_P(EachReaderStart, FakeReaderAnswersTheCatalogAndTheColumns) {
  const TempDir folder;
  auto connection = OpenDatabase(FakeDatabase(folder, "answer"), Fake());
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  EXPECT_EQ(UserTableNames(connection.value().OpenSchemaTables()),
            (std::vector<std::string>{"answer-columns", "crash", "hang", "exit-out-of-memory",
                                      "garbage"}));
  auto columns = connection.value().ColumnNames("answer-columns");
  ASSERT_TRUE(columns.ok()) << columns.error().description;
  EXPECT_EQ(columns.value(), (std::vector<std::string>{"First", "Second"}));
}

// The column listing runs a reader of its own, held to the same rules.
TEST_P(EachReaderStart, FailuresOfTheColumnReaderAreErrorsToo) {
  const TempDir folder;
  const std::string path = FakeDatabase(folder, "answer");
  auto connection = OpenDatabase(path, Fake(std::chrono::milliseconds(500)));
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  const std::vector<std::pair<std::string, int>> cases{
      {"crash", error_code::kReaderCrashed},
      {"hang", error_code::kReaderTimedOut},
      {"exit-out-of-memory", error_code::kReaderOutOfMemory},
      {"garbage", error_code::kReaderBadAnswer}};
  for (const auto& [table, number] : cases) {
    auto columns = connection.value().ColumnNames(table);
    ASSERT_FALSE(columns.ok()) << table;
    EXPECT_EQ(columns.error().number, number) << columns.error().description;
    ExpectErrorNaming(columns.error(), path);
  }
}

// Sets an environment variable for one test and removes it afterwards.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
  ~ScopedVariable() { unsetenv(name_); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
};

TEST_P(EachReaderStart, ReaderGetsAnEmptyEnvironment) {
  const ScopedVariable iconv("MDBICONV", "bogus");
  const ScopedVariable path("MDBPATH", ":/nonexistent:");
  const TempDir folder;
  auto connection = OpenDatabase(FakeDatabase(folder, "environment"), Fake());
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  EXPECT_EQ(Names(connection.value().OpenSchemaTables()), std::vector<std::string>{});
}

// Only stdin, stdout, stderr and the answer descriptor reach the reader, even
// where the caller holds descriptors that are not close-on-exec.
TEST_P(EachReaderStart, ReaderInheritsOnlyItsFourDescriptors) {
  const int inheritable = open("/dev/null", O_RDONLY);
  ASSERT_GE(inheritable, 0);
  const TempDir folder;
  auto connection = OpenDatabase(FakeDatabase(folder, "descriptors"), Fake());
  close(inheritable);
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  EXPECT_EQ(Names(connection.value().OpenSchemaTables()),
            (std::vector<std::string>{"0", "1", "2", "3"}));
}

TEST_P(EachReaderStart, ReaderReadsEndOfFileOnStdin) {
  const TempDir folder;
  auto connection = OpenDatabase(FakeDatabase(folder, "stdin"), Fake());
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  EXPECT_EQ(Names(connection.value().OpenSchemaTables()), std::vector<std::string>{"stdin at end"});
}

TEST_P(EachReaderStart, ReaderIsToldItsMemoryAndCpuLimits) {
  const TempDir folder;
  const std::string path = FakeDatabase(folder, "arguments");
  ReaderOptions options = Fake(std::chrono::milliseconds(2500));
  options.memoryLimitBytes = 123456789;
  auto connection = OpenDatabase(path, options);
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  // CPU: the timeout rounded up, plus a margin, so the wall clock comes first.
  EXPECT_EQ(Names(connection.value().OpenSchemaTables()),
            (std::vector<std::string>{"--memory-limit", "123456789", "--cpu-limit", "5", "catalog",
                                      path}));
}

struct MissingReaderCase {
  std::string name;
  std::function<std::string(const TempDir&)> reader;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const MissingReaderCase& c, std::ostream* os) {
  *os << c.name;
}

class MissingReader : public ::testing::TestWithParam<MissingReaderCase> {};

TEST_P(MissingReader, IsAnErrorNamingTheReaderAndTheFile) {
  const auto database = ferulo::test::FruitMdb();
  FERULO_SKIP_IF_MISSING(database, "fruit.mdb");
  const TempDir folder;
  ReaderOptions options;
  options.readerExecutable = GetParam().reader(folder);
  auto connection = OpenDatabase(database, options);
  ASSERT_FALSE(connection.ok());
  EXPECT_EQ(connection.error().number, error_code::kReaderNotStarted);
  ExpectErrorNaming(connection.error(), database);
  EXPECT_NE(connection.error().description.find("'" + options.readerExecutable + "'"),
            std::string::npos)
      << connection.error().description;
}

INSTANTIATE_TEST_SUITE_P(
    Readers, MissingReader,
    ::testing::Values(
        MissingReaderCase{"Absent", [](const TempDir& d) { return d.file("ferulo-mdb-reader"); }},
        MissingReaderCase{"NotExecutable",
                          [](const TempDir& d) {
                            ferulo::test::WriteFile(d.file("ferulo-mdb-reader"), "#!/bin/sh\n");
                            return d.file("ferulo-mdb-reader");
                          }},
        MissingReaderCase{"Empty", [](const TempDir&) { return std::string(); }}),
    [](const auto& info) { return info.param.name; });

// posix_spawn's helpers return their error and leave errno alone: a failure
// of theirs must be reported with its own cause, not with a stale errno.
TEST(ReaderStart, AFailedSpawnSetupReportsItsOwnCause) {
  const TempDir folder;
  const std::string path = FakeDatabase(folder, "answer");
  errno = 0;
  Result<Connection> connection = [&] {
    const FailingSpawnSetup failing(EBADF);
    return OpenDatabase(path, FakeReader());
  }();
  ASSERT_FALSE(connection.ok());
  EXPECT_EQ(connection.error().number, error_code::kReaderNotStarted);
  EXPECT_NE(connection.error().description.find(std::strerror(EBADF)), std::string::npos)
      << connection.error().description;
  ExpectErrorNaming(connection.error(), path);
}

// libmdb can print millions of lines; they are drained and dropped, and the
// answer still arrives.
TEST_P(EachReaderStart, AFloodOfStderrIsDrainedAndDropped) {
  const TempDir folder;
  const Stopwatch stopwatch;
  auto connection = OpenDatabase(FakeDatabase(folder, "flood-stderr"), Fake());
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  EXPECT_EQ(Names(connection.value().OpenSchemaTables()),
            std::vector<std::string>{"AfterTheFlood"});
  EXPECT_LT(stopwatch.elapsed(), std::chrono::seconds(10));
}

// Redirects this process's stdout and stderr into a file while it lives.
class OutputCapture {
 public:
  OutputCapture() {
    std::fflush(stdout);
    std::fflush(stderr);
    savedOut_ = dup(STDOUT_FILENO);
    savedErr_ = dup(STDERR_FILENO);
    const int file = open(folder_.file("output").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, STDOUT_FILENO);
    dup2(file, STDERR_FILENO);
    close(file);
  }
  OutputCapture(const OutputCapture&) = delete;
  OutputCapture& operator=(const OutputCapture&) = delete;
  ~OutputCapture() { Restore(); }

  std::string Finish() {
    Restore();
    return ferulo::test::ReadFile(folder_.file("output"));
  }

 private:
  void Restore() {
    if (savedOut_ < 0) {
      return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut_, STDOUT_FILENO);
    dup2(savedErr_, STDERR_FILENO);
    close(savedOut_);
    close(savedErr_);
    savedOut_ = savedErr_ = -1;
  }

  TempDir folder_;
  int savedOut_ = -1;
  int savedErr_ = -1;
};

TEST_P(EachReaderStart, NothingTheReaderPrintsReachesTheCaller) {
  const TempDir folder;
  const std::string flooding = FakeDatabase(folder, "flood-stdout");
  const std::string damaged = ferulo::test::SharedTestData("hostile/trunc4096.mdb");
  OutputCapture capture;
  auto fromFake = OpenDatabase(flooding, Fake());
  auto fromLibmdb = damaged.empty() ? OpenDatabase(flooding, Fake())
                                    : OpenDatabase(damaged, RealReader(GetParam()));
  const std::string printed = capture.Finish();
  EXPECT_EQ(printed, "");
  ASSERT_TRUE(fromFake.ok()) << fromFake.error().description;
  EXPECT_EQ(Names(fromFake.value().OpenSchemaTables()), std::vector<std::string>{"AfterTheFlood"});
  if (!damaged.empty()) {
    // libmdb did complain; its words went into the error's details, not onto
    // the terminal.
    ASSERT_FALSE(fromLibmdb.ok());
    EXPECT_NE(fromLibmdb.error().details.find("libmdb reported: mdb_read_table"), std::string::npos)
        << fromLibmdb.error().details;
  }
}

TEST_P(EachReaderStart, LeavesNoDescriptorAndNoZombieBehind) {
  const TempDir folder;
  const int before = OpenDescriptorCount();
  for (const std::string mode : {"answer", "crash", "hang", "hang-after-closing", "garbage",
                                 "silent", "exit-7", "huge-answer", "flood-stderr"}) {
    auto connection =
        OpenDatabase(FakeDatabase(folder, mode), Fake(std::chrono::milliseconds(300)));
    EXPECT_EQ(connection.ok(), mode == "answer" || mode == "flood-stderr") << mode;
  }
  ReaderOptions missing;
  missing.readerExecutable = folder.file("absent");
  EXPECT_FALSE(OpenDatabase(FakeDatabase(folder, "answer"), missing).ok());
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_FALSE(HasChildren());
}

// A program that ignores SIGCHLD has its children reaped by the kernel: the
// reader's exit status is lost, and with it the word that its answer is whole.
TEST_P(EachReaderStart, AReaderReapedElsewhereIsAnError) {
  const TempDir folder;
  const std::string path = FakeDatabase(folder, "answer");
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGCHLD, &ignore, &previous), 0);
  auto connection = OpenDatabase(path, Fake());
  sigaction(SIGCHLD, &previous, nullptr);
  ASSERT_FALSE(connection.ok());
  EXPECT_EQ(connection.error().number, error_code::kReaderBadAnswer);
  EXPECT_NE(connection.error().description.find("exit status was collected"), std::string::npos)
      << connection.error().description;
  ExpectErrorNaming(connection.error(), path);
}

// The real reader under a memory limit it cannot live with: glib's failed
// allocation is reported as such, not as a crash. Started as a program only: a
// forked reader sets the same limit in the same code, but begins with this
// test's memory already mapped, whose free heap can serve a small file.
TEST(RealReader, ReportsRunningOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer builds run the reader without a memory limit";
#endif
  const auto path = ferulo::test::FruitMdb();
  FERULO_SKIP_IF_MISSING(path, "fruit.mdb");
  ReaderOptions options = RealReader();
  options.memoryLimitBytes = std::uint64_t{1} << 20;
  auto connection = OpenDatabase(path, options);
  ASSERT_FALSE(connection.ok());
  EXPECT_EQ(connection.error().number, error_code::kReaderOutOfMemory)
      << connection.error().description;
  EXPECT_NE(connection.error().description.find("more than 1 MiB"), std::string::npos);
  ExpectErrorNaming(connection.error(), path);
}

}  // namespace
}  // namespace ferulo::database::test

// Stands before libc's in this test program, so the library's calls reach it.
extern "C" int posix_spawn_file_actions_adddup2(posix_spawn_file_actions_t* actions, int fd,
                                                int newFd) noexcept {
  if (ferulo::database::test::injectedSpawnFailure != 0) {
    return ferulo::database::test::injectedSpawnFailure;
  }
  using Real = int (*)(posix_spawn_file_actions_t*, int, int);
  static const auto real =
      reinterpret_cast<Real>(dlsym(RTLD_NEXT, "posix_spawn_file_actions_adddup2"));
  return real(actions, fd, newFd);
}
