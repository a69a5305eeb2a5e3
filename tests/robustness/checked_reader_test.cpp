// Damaged and sample databases sent through ferulo-mdb-reader-checked, the
// reader built with AddressSanitizer and UndefinedBehaviorSanitizer: an
// out-of-bounds read or an overflowing offset in the reader's own code kills
// it, and the test fails, where the shipped reader might read past a buffer
// and still answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/ascii_case.h"
#include "common/error_codes.h"
#include "database/connection.h"
#include "support/test_support.h"

namespace ferulo::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FilesToCheck() {
  std::vector<std::string> files;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(FERULO_CORPUS_DIR, ignored)) {
    if (entry.path().extension() == ".gz") {
      files.push_back(entry.path().string());
    }
  }
  for (const auto& entry :
       fs::directory_iterator(fs::path(FERULO_SHARED_TESTDATA_DIR) / "hostile", ignored)) {
    files.push_back(entry.path().string());
  }
  for (const std::string& sample :
       {SharedTestData("nwind.mdb"), SharedTestData("DateTestDatabase.mdb"),
        SharedTestData("ASampleDatabase.accdb"), SharedTestData("CalculatedColumns.accdb"),
        SharedTestData("AttachmentsAndMultiValues.accdb"), FruitMdb(), NodeAdodbMdb()}) {
    if (!sample.empty()) {
      files.push_back(sample);
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A failure the sanitizers cause: the reader died or left no answer.
bool IsReaderDeath(const Error& error) {
  return error.number == error_code::kReaderCrashed || error.number == error_code::kReaderBadAnswer;
}

class CheckedReader : public ::testing::TestWithParam<std::string> {
 protected:
  // The database as a plain file: corpus files are kept gzip-compressed.
  std::string Database() {
    const std::string& file = GetParam();
    if (fs::path(file).extension() != ".gz") {
      return file;
    }
    const ProcessResult unpacked = RunProcess({"/bin/gzip", "-dc", file});
    EXPECT_EQ(unpacked.exitCode, 0) << unpacked.err;
    const fs::path plain = dir_.path() / fs::path(file).stem();
    WriteFile(plain, unpacked.out);
    return plain.string();
  }

  database::ReaderOptions Options() const {
    database::ReaderOptions options;
    options.readerExecutable = BinDir() + "/ferulo-mdb-reader-checked";
    options.timeout = std::chrono::seconds(60);  // the sanitizers slow it down
    return options;
  }

  TempDir dir_;
};

TEST_P(CheckedReader, AnswersOrFailsCleanlyUnderTheSanitizers) {
  const std::string database = Database();
  auto connection = database::Connection::Open(database, Options());
  if (!connection) {
    EXPECT_FALSE(IsReaderDeath(connection.error())) << connection.error().description;
    return;
  }
  for (const std::string& table : database::UserTableNames(connection.value().OpenSchemaTables())) {
    auto columns = connection.value().ColumnNames(table);
    if (!columns) {
      EXPECT_FALSE(IsReaderDeath(columns.error())) << table << ": " << columns.error().description;
    }
    auto described = connection.value().DescribeTable(table);
    if (!described) {
      EXPECT_FALSE(IsReaderDeath(described.error()))
          << table << ": " << described.error().description;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, CheckedReader, ::testing::ValuesIn(FilesToCheck()),
                         [](const auto& info) {
                           std::string name = fs::path(info.param).filename().string();
                           std::replace_if(
                               name.begin(), name.end(),
                               [](char c) { return !IsAsciiAlphanumeric(c); }, '_');
                           return name;
                         });

}  // namespace
}  // namespace ferulo::test
