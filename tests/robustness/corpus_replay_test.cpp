// Replays every file of tests/robustness/corpus/ through ferulo-cli: damaged
// databases on which FERULO's reader process or libmdb itself crashed, looped
// or ran away with memory (see corpus/README.md). Each run must end in time,
// within the reader's own limit, with the tables listed or a clean error that
// names the file; then the same for the columns and the description of every
// table listed. The files are kept gzip-compressed: they are mostly blank
// pages. The damaged files of the extra samples (hostile/) go through
// "describe" too.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "common/ascii_case.h"
#include "common/error_codes.h"
#include "robustness/robustness_support.h"
#include "support/test_support.h"

namespace ferulo::test {
namespace {

namespace fs = std::filesystem;

// The reader's own limit is 10 s; a run must never come near this.
constexpr std::chrono::seconds kTimeLimit{30};

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(FERULO_CORPUS_DIR, ignored)) {
    if (entry.is_regular_file(ignored) && entry.path().extension() == ".gz") {
      files.push_back(entry.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

// The numbers a damaged database may end in.
bool ExpectedNumber(int number) {
  static const std::set<int> kExpected{
      error_code::kCannotOpenDatabase, error_code::kUnrecognizedFormat,
      error_code::kTableNotFound,      error_code::kReaderCrashed,
      error_code::kReaderTimedOut,     error_code::kReaderOutOfMemory,
      error_code::kReaderBadAnswer};
  return kExpected.count(number) != 0;
}

// Exit 0, or exit 1 with one line "ferulo-cli: error N: ..." naming the file,
// and at most a second with what libmdb said, "ferulo-cli: details: ...".
// True where the run answered.
bool ExpectCleanOutcome(const ChildResult& run, const std::string& file) {
  EXPECT_FALSE(run.timedOut) << "ferulo-cli did not end within " << kTimeLimit.count() << " s";
  EXPECT_EQ(run.signal, 0) << "ferulo-cli died of signal " << run.signal;
  if (run.exitCode == 0) {
    return true;
  }
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.out, "");
  const std::string prefix = "ferulo-cli: error ";
  EXPECT_EQ(run.err.substr(0, prefix.size()), prefix) << run.err;
  const int number = std::atoi(run.err.c_str() + std::min(run.err.size(), prefix.size()));
  EXPECT_TRUE(ExpectedNumber(number)) << run.err;
  EXPECT_NE(run.err.find("'" + file + "'"), std::string::npos) << run.err;
  const std::vector<std::string> lines = Lines(run.err);
  EXPECT_TRUE(lines.size() == 1 ||
              (lines.size() == 2 && lines[1].rfind("ferulo-cli: details: ", 0) == 0))
      << run.err;
  return false;
}

std::string Gzip() {
  for (const char* candidate : {"/usr/bin/gzip", "/bin/gzip"}) {
    if (::access(candidate, X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

class CorpusReplay : public ::testing::TestWithParam<std::string> {
 protected:
  // The corpus file unpacked into a fresh folder, under its own name.
  std::string Unpacked() {
    const std::string gzip = Gzip();
    if (gzip.empty()) {
      ADD_FAILURE() << "gzip is not installed";
      return {};
    }
    const ChildResult unpacked = RunConfined({gzip, "-dc", GetParam()});
    EXPECT_EQ(unpacked.exitCode, 0) << unpacked.err;
    const fs::path file = dir_.path() / fs::path(GetParam()).stem();
    WriteFile(file, unpacked.out);
    return file.string();
  }

  TempDir dir_;
};

TEST_P(CorpusReplay, EndsInTimeWithTablesOrACleanError) {
  const std::string file = Unpacked();
  ASSERT_FALSE(file.empty());
  const ChildResult tables = RunFeruloCli({"tables", file}, {}, kTimeLimit);
  if (!ExpectCleanOutcome(tables, file)) {
    return;
  }
  for (const std::string& table : Lines(tables.out)) {
    SCOPED_TRACE("columns and description of '" + table + "'");
    ExpectCleanOutcome(RunFeruloCli({"columns", file, table}, {}, kTimeLimit), file);
    const ChildResult described = RunFeruloCli({"describe", file, table}, {}, kTimeLimit);
    if (ExpectCleanOutcome(described, file)) {
      EXPECT_EQ(described.out.substr(0, 1), "{") << described.out;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusReplay, ::testing::ValuesIn(CorpusFiles()),
                         [](const auto& info) {
                           std::string name = fs::path(info.param).stem().stem().string();
                           for (char& c : name) {
                             if (!IsAsciiAlphanumeric(c)) {
                               c = '_';
                             }
                           }
                           return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusReplay);

// The reader's refusal comes before any table is looked at; whatever table is
// asked for, each file ends in a clean error.
TEST(HostileFiles, DescribeEndsInACleanError) {
  const fs::path folder = fs::path(FERULO_SHARED_TESTDATA_DIR) / "hostile";
  std::error_code missing;
  if (!fs::is_directory(folder, missing)) {
    GTEST_SKIP() << folder
                 << " is not available (set FERULO_SHARED_TESTDATA_DIR for the extra samples)";
  }
  for (const std::string& name : ListFolder(folder)) {
    const std::string file = (folder / name).string();
    SCOPED_TRACE(file);
    EXPECT_FALSE(
        ExpectCleanOutcome(RunFeruloCli({"describe", file, "Users"}, {}, kTimeLimit), file));
  }
}

}  // namespace
}  // namespace ferulo::test
