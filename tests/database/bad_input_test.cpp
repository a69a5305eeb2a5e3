// Files that are no good Access database: each must give an error with a
// number and a description naming the file, within the time limit, and never
// crash or hang the caller. Bad files are made on the fly; the damaged files
// of the extra sample databases (hostile/) are used in place where present.

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/ascii_case.h"
#include "common/error_codes.h"
#include "database/connection.h"
#include "database_test_helpers.h"
#include "support/test_support.h"

namespace ferulo::database::test {
namespace {

namespace fs = std::filesystem;
using ferulo::test::ReadFile;
using ferulo::test::SharedTestData;
using ferulo::test::TempDir;
using ferulo::test::WriteFile;

// The reader's own 10 s limit plus the time to notice.
constexpr auto kTimeLimit = std::chrono::seconds(12);

// Builds the bad file inside the folder and returns the path to open; "" when
// the sample it is made from is missing.
using Maker = std::function<std::string(const TempDir&)>;

struct BadInputCase {
  std::string name;
  Maker make;
  int number;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const BadInputCase& c, std::ostream* os) {
  *os << c.name;
}

std::string Write(const TempDir& folder, const std::string& name, const std::string& bytes) {
  WriteFile(folder.file(name), bytes);
  return folder.file(name);
}

// The first `size` bytes of a sample database.
Maker Truncated(std::function<std::string()> sample, std::size_t size) {
  return [sample, size](const TempDir& folder) -> std::string {
    const std::string source = sample();
    if (source.empty()) {
      return {};
    }
    std::string bytes = ReadFile(source);
    bytes.resize(std::min(size, bytes.size()));
    return Write(folder, "truncated.mdb", bytes);
  };
}

// A sample cut one byte short of its end: the catalog is intact, the file is
// not.
Maker OneByteShort(std::function<std::string()> sample) {
  return [sample](const TempDir& folder) -> std::string {
    const std::string source = sample();
    if (source.empty()) {
      return {};
    }
    std::string bytes = ReadFile(source);
    bytes.pop_back();
    return Write(folder, "one-byte-short.mdb", bytes);
  };
}

// A valid header followed by zeros: libmdb takes it for a database.
Maker HeaderThenZeros(std::function<std::string()> sample) {
  return [sample](const TempDir& folder) -> std::string {
    const std::string source = sample();
    if (source.empty()) {
      return {};
    }
    std::string bytes = ReadFile(source).substr(0, 4096);
    bytes.resize(65536, '\0');
    return Write(folder, "header-then-zeros.mdb", bytes);
  };
}

std::string Nwind() {
  return SharedTestData("nwind.mdb");
}
std::string DateTest() {
  return SharedTestData("DateTestDatabase.mdb");
}
std::string AceSample() {
  return SharedTestData("ASampleDatabase.accdb");
}

std::vector<BadInputCase> BadInputCases() {
  using namespace error_code;
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
  png.resize(6000, '\x42');
  return {
      {"MissingFile", [](const TempDir& d) { return d.file("absent.mdb"); }, kCouldNotFindDatabase},
      {"MissingFolder", [](const TempDir& d) { return d.file("no-folder/absent.mdb"); },
       kCouldNotFindDatabase},
      {"PathThroughAFile",
       [](const TempDir& d) { return Write(d, "plain.txt", "x") + "/inside.mdb"; },
       kInvalidDatabasePath},
      {"Folder",
       [](const TempDir& d) {
         fs::create_directory(d.path() / "folder.mdb");
         return d.file("folder.mdb");
       },
       kInvalidDatabasePath},
      // fopen on a FIFO blocks until a writer comes; it must be refused at once.
      {"Fifo",
       [](const TempDir& d) {
         mkfifo(d.file("pipe.mdb").c_str(), 0600);
         return d.file("pipe.mdb");
       },
       kCouldNotOpenFile},
      {"CharacterDevice", [](const TempDir&) { return std::string("/dev/zero"); },
       kCouldNotOpenFile},
      {"EmptyFile", [](const TempDir& d) { return Write(d, "empty.mdb", ""); },
       kUnrecognizedFormat},
      {"OneByte", [](const TempDir& d) { return Write(d, "one.mdb", std::string(1, '\0')); },
       kUnrecognizedFormat},
      {"TextFile",
       [](const TempDir& d) {
         std::string text;
         while (text.size() < 10000) {
           text += "This is a plain text file, not an Access database.\n";
         }
         return Write(d, "notes.mdb", text);
       },
       kUnrecognizedFormat},
      {"PngLikeFile", [png](const TempDir& d) { return Write(d, "picture.mdb", png); },
       kUnrecognizedFormat},
      {"ZeroFilled",
       [](const TempDir& d) { return Write(d, "zeros.mdb", std::string(65536, '\0')); },
       kUnrecognizedFormat},
      {"Jet3TruncatedToOnePage", Truncated(Nwind, 2048), kCannotOpenDatabase},
      {"Jet3TruncatedInsideTheCatalog", Truncated(Nwind, 12288), kCannotOpenDatabase},
      {"Jet3TruncatedMidPage", Truncated(Nwind, 100001), kCannotOpenDatabase},
      {"Jet3OneByteShort", OneByteShort(Nwind), kCannotOpenDatabase},
      {"Jet4TruncatedBeforeTheCatalog", Truncated(DateTest, 8192), kCannotOpenDatabase},
      {"Jet4TruncatedInsideTheCatalog", Truncated(DateTest, 32768), kCannotOpenDatabase},
      {"Jet4TruncatedToHalf", Truncated(DateTest, 137217), kCannotOpenDatabase},
      {"Jet4OneByteShort", OneByteShort(DateTest), kCannotOpenDatabase},
      {"Jet4HeaderThenZeros", HeaderThenZeros(DateTest), kCannotOpenDatabase},
      {"AceTruncatedInsideTheCatalog", Truncated(AceSample, 65536), kCannotOpenDatabase},
      {"AceOneByteShort", OneByteShort(AceSample), kCannotOpenDatabase},
  };
}

class BadInput : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(BadInput, GivesANumberedErrorNamingTheFileInTime) {
  const TempDir folder;
  const std::string path = GetParam().make(folder);
  FERULO_SKIP_IF_MISSING(path, "The sample database for " + GetParam().name);
  const Stopwatch stopwatch;
  auto connection = OpenDatabase(path);
  const auto elapsed = stopwatch.elapsed();
  ASSERT_FALSE(connection.ok()) << path << " opened";
  EXPECT_EQ(connection.error().number, GetParam().number) << connection.error().description;
  ExpectErrorNaming(connection.error(), path);
  EXPECT_LT(elapsed, kTimeLimit);
}

INSTANTIATE_TEST_SUITE_P(MadeOnTheFly, BadInput, ::testing::ValuesIn(BadInputCases()),
                         [](const auto& info) { return info.param.name; });

// What each of the damaged files gives; see LIBMDB.md for what they do to
// libmdb when its catalog reader is used.
struct HostileCase {
  std::string file;
  int number;
  std::string reason;  // a word of the description
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const HostileCase& c, std::ostream* os) {
  *os << c.file;
}

// "props_loop_1.mdb" -> "PropsLoop1", a name GoogleTest accepts.
std::string CamelCase(const std::string& fileName) {
  std::string name;
  bool upper = true;
  for (const char c : fileName.substr(0, fileName.find('.'))) {
    if (c == '_') {
      upper = true;
      continue;
    }
    name += upper ? AsciiUpper(c) : c;
    upper = false;
  }
  return name;
}

class HostileFile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileFile, GivesItsErrorWithoutCrashOrHang) {
  const std::string path = SharedTestData("hostile/" + GetParam().file);
  FERULO_SKIP_IF_MISSING(path, GetParam().file);
  const Stopwatch stopwatch;
  auto connection = OpenDatabase(path);
  const auto elapsed = stopwatch.elapsed();
  ASSERT_FALSE(connection.ok()) << path << " opened";
  EXPECT_EQ(connection.error().number, GetParam().number) << connection.error().description;
  EXPECT_NE(connection.error().description.find(GetParam().reason), std::string::npos)
      << connection.error().description;
  ExpectErrorNaming(connection.error(), path);
  EXPECT_LT(elapsed, kTimeLimit);
}

INSTANTIATE_TEST_SUITE_P(
    SharedTestData, HostileFile,
    ::testing::Values(
        HostileCase{"hdr_random_short.mdb", error_code::kCannotOpenDatabase, "page 2"},
        // libmdb 1.0.0 dereferences NULL here: refused before any row is read.
        HostileCase{"mapsz0_jet4.mdb", error_code::kCannotOpenDatabase, "no usage map"},
        // libmdb's property parser loops for ever on these three.
        HostileCase{"props_loop_1.mdb", error_code::kCannotOpenDatabase, "properties"},
        HostileCase{"props_loop_2.mdb", error_code::kCannotOpenDatabase, "properties"},
        HostileCase{"props_oom_1.mdb", error_code::kCannotOpenDatabase, "properties"},
        HostileCase{"trunc4096.mdb", error_code::kCannotOpenDatabase, "page 2"},
        HostileCase{"trunc10000.mdb", error_code::kCannotOpenDatabase, "page 2"},
        HostileCase{"unknown_jetver.mdb", error_code::kUnrecognizedFormat, "Unrecognized"},
        HostileCase{"zero_then_random.mdb", error_code::kUnrecognizedFormat, "Unrecognized"}),
    [](const auto& info) { return CamelCase(info.param.file); });

// Whatever else lands in the hostile folder is held to the same rule, with
// the reader started and forked alike.
TEST(HostileFolder, EveryFileGivesAnErrorInTime) {
  const fs::path folder = fs::path(FERULO_SHARED_TESTDATA_DIR) / "hostile";
  std::error_code missing;
  if (!fs::is_directory(folder, missing)) {
    GTEST_SKIP() << folder << " is not available (set FERULO_SHARED_TESTDATA_DIR)";
  }
  for (const ReaderStart start : kReaderStarts) {
    for (const auto& name : ferulo::test::ListFolder(folder)) {
      const std::string path = (folder / name).string();
      const Stopwatch stopwatch;
      auto connection = OpenDatabase(path, RealReader(start));
      ASSERT_FALSE(connection.ok()) << path << " opened (" << NameOf(start) << ")";
      ExpectErrorNaming(connection.error(), path);
      EXPECT_LT(stopwatch.elapsed(), kTimeLimit) << path << " (" << NameOf(start) << ")";
    }
  }
}

// A row pointer of a long-value page may carry flag bits above its 13-bit
// offset. libmdb masks them off when it looks up a long value's row, and so
// must the reader: ASampleDatabase.accdb with the flags set on the pointer
// to SummaryInfo's property data (row 1 of page 104) answers as before.
TEST(DamagedLongValue, FlagsOnARowPointerAreMaskedOff) {
  const std::string source = AceSample();
  FERULO_SKIP_IF_MISSING(source, "ASampleDatabase.accdb");
  constexpr std::size_t kRowPointerHighByte = 104 * 4096 + 12 + 2 + 2 * 1 + 1;
  std::string bytes = ReadFile(source);
  ASSERT_EQ(static_cast<unsigned char>(bytes.at(kRowPointerHighByte)), 0x0F)
      << "ASampleDatabase.accdb is not the file this test was written for";
  bytes[kRowPointerHighByte] = static_cast<char>(0xCF);
  const TempDir folder;
  const std::string flagged = Write(folder, "flagged.accdb", bytes);
  auto original = OpenDatabase(source);
  ASSERT_TRUE(original.ok()) << original.error().description;
  for (const ReaderStart start : kReaderStarts) {
    auto connection = OpenDatabase(flagged, RealReader(start));
    ASSERT_TRUE(connection.ok()) << NameOf(start) << ": " << connection.error().description;
    EXPECT_EQ(connection.value().OpenSchemaTables(), original.value().OpenSchemaTables());
  }
}

// Root reads a mode-000 file, so the check runs in a forked child that gives
// up root first. The child reports "number|description" through a pipe.
TEST(UnreadableFile, IsRefusedNamingTheFile) {
  const TempDir folder;
  fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::others_exec);
  const std::string path = Write(folder, "secret.mdb", std::string(4096, 'x'));
  fs::permissions(path, fs::perms::none);

  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(report[0]);
    std::string message = "skip|cannot give up root";
    const bool dropped = geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 &&
                                            setuid(65534) == 0 && geteuid() == 65534);
    if (dropped) {
      auto connection = OpenDatabase(path);
      message = connection.ok() ? "0|opened"
                                : std::to_string(connection.error().number) + "|" +
                                      connection.error().description;
    }
    [[maybe_unused]] const auto written = write(report[1], message.data(), message.size());
    _exit(0);
  }
  close(report[1]);
  std::string message;
  char chunk[4096];
  ssize_t got = 0;
  while ((got = read(report[0], chunk, sizeof chunk)) > 0) {
    message.append(chunk, static_cast<std::size_t>(got));
  }
  close(report[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the test child failed";
  const auto bar = message.find('|');
  ASSERT_NE(bar, std::string::npos) << message;
  if (message.substr(0, bar) == "skip") {
    GTEST_SKIP() << "cannot test an unreadable file: " << message.substr(bar + 1);
  }
  const Error error{std::stoi(message.substr(0, bar)), message.substr(bar + 1)};
  EXPECT_EQ(error.number, error_code::kCouldNotOpenFile) << error.description;
  EXPECT_NE(error.description.find("Permission denied"), std::string::npos) << error.description;
  ExpectErrorNaming(error, path);
}

}  // namespace
}  // namespace ferulo::database::test
