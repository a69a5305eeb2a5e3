// Databases locked with a password, recognised from the file's header before
// libmdb reads it: an ACE file encrypted with a password is refused in words
// a user understands, a Jet 4 file with a database password opens and says
// so. The locked files are made from the samples (tests/database/locked/).

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "common/error_codes.h"
#include "database/database_file_check.h"
#include "database_test_helpers.h"
#include "support/test_support.h"

namespace ferulo::database::test {
namespace {

using ferulo::test::LockedDatabase;
using ferulo::test::SharedTestData;

struct LockCase {
  const char* name;
  std::function<std::string()> path;
  bool hasPassword;
  std::optional<int> error;
};

void PrintTo(const LockCase& c, std::ostream* os) {
  *os << c.name;
}

class LockedFile : public ::testing::TestWithParam<LockCase> {};

TEST_P(LockedFile, IsRecognisedFromItsHeader) {
  const LockCase& c = GetParam();
  const std::string path = c.path();
  FERULO_SKIP_IF_MISSING(path, c.name);

  const Result<Connection> opened = OpenDatabase(path);
  if (c.error) {
    ASSERT_FALSE(opened.ok());
    const Error& error = opened.error();
    EXPECT_EQ(error.number, *c.error);
    EXPECT_NE(error.description.find(path), std::string::npos) << error.description;
    EXPECT_NE(error.description.find("encrypted with a password"), std::string::npos)
        << error.description;
    EXPECT_EQ(error.description.find("libmdb"), std::string::npos) << error.description;
    return;
  }
  ASSERT_TRUE(opened.ok()) << opened.error().description;
  EXPECT_EQ(opened.value().hasDatabasePassword(), c.hasPassword);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LockedFile,
    ::testing::Values(
        LockCase{"Jet3", [] { return SharedTestData("nwind.mdb"); }, false, {}},
        LockCase{"Jet4", [] { return SharedTestData("DateTestDatabase.mdb"); }, false, {}},
        LockCase{"Ace", [] { return SharedTestData("ASampleDatabase.accdb"); }, false, {}},
        LockCase{"Jet4WithPassword", [] { return LockedDatabase("password.mdb"); }, true, {}},
        LockCase{"AceEncrypted", [] { return LockedDatabase("encrypted.accdb"); }, false,
                 error_code::kDatabaseEncrypted}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ferulo::database::test
