// ferulo-cli as a user runs it: the real executable, the real reader process
// and real Access files; stdout, stderr and the exit code checked whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "generator/fragments.h"
#include "support/test_support.h"

namespace ferulo {
namespace {

namespace fs = std::filesystem;
using test::ProcessResult;
using test::ReadFile;
using test::WriteFile;

ProcessResult Cli(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), test::BinDir() + "/ferulo-cli");
  return test::RunProcess(arguments);
}

struct UsageCase {
  const char* name;
  std::vector<std::string> arguments;
  int exitCode;
  const char* stdoutMentions;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const UsageCase& c, std::ostream* os) {
  *os << c.name;
}

class CliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsage, ExitsWithTheDocumentedCode) {
  const ProcessResult result = Cli(GetParam().arguments);
  EXPECT_EQ(result.exitCode, GetParam().exitCode) << result.out << result.err;
  EXPECT_NE((result.out + result.err).find(GetParam().stdoutMentions), std::string::npos)
      << result.out << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsage,
    ::testing::Values(UsageCase{"Help", {"--help"}, 0, "generate"},
                      UsageCase{"TablesHelp", {"tables", "--help"}, 0, "DATABASE"},
                      UsageCase{"ColumnsHelp", {"columns", "--help"}, 0, "TABLE"},
                      UsageCase{"GenerateHelp", {"generate", "--help"}, 0, "--templates"},
                      UsageCase{"DescribeHelp", {"describe", "--help"}, 0, "primaryKey"},
                      UsageCase{"DescribeWithoutTable", {"describe", "x.mdb"}, 2, "TABLE"},
                      UsageCase{"NoCommand", {}, 2, "subcommand"},
                      UsageCase{"UnknownCommand", {"frobnicate"}, 2, "subcommand"},
                      UsageCase{"TablesWithoutDatabase", {"tables"}, 2, "DATABASE"},
                      UsageCase{"ColumnsWithoutTable", {"columns", "x.mdb"}, 2, "TABLE"},
                      UsageCase{"GenerateWithoutAnything", {"generate"}, 2, "DATABASE"},
                      UsageCase{"GenerateWithoutTable", {"generate", "x.mdb"}, 2, "TABLE"},
                      UsageCase{"JobAndDatabaseTogether",
                                {"generate", "--job", "j.json", "x.mdb", "T"},
                                2,
                                "excludes"},
                      UsageCase{"UnknownOption", {"tables", "--colour", "x.mdb"}, 2, "--colour"},
                      UsageCase{"Version", {"--version"}, 0, "ferulo-cli " FERULO_VERSION_TEXT}),
    [](const auto& info) { return std::string(info.param.name); });

struct ListingCase {
  const char* name;
  std::string (*database)();
  std::vector<std::string> arguments;  // after the database path
  const char* expectedOut;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ListingCase& c, std::ostream* os) {
  *os << c.name;
}

std::string Nwind() {
  return test::SharedTestData("nwind.mdb");
}

class CliListing : public ::testing::TestWithParam<ListingCase> {};

TEST_P(CliListing, PrintsOneNamePerLine) {
  const std::string database = GetParam().database();
  FERULO_SKIP_IF_MISSING(database, "the sample database");
  std::vector<std::string> arguments = GetParam().arguments;
  arguments.insert(arguments.begin() + 1, database);
  const ProcessResult result = Cli(arguments);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, GetParam().expectedOut);
  EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Databases, CliListing,
    ::testing::Values(
        ListingCase{"UsersTable", test::NodeAdodbMdb, {"tables"}, "Users\n"},
        ListingCase{"FruitTables",
                    test::FruitMdb,
                    {"tables"},
                    "Fruit\nFruit Salad\nVeggie Salad\nMuffin/Bread\nDried\n"},
        ListingCase{"NwindTables",
                    Nwind,
                    {"tables"},
                    "Order Details\nOrders\nProducts\nShippers\nCategories\nCustomers\n"
                    "Employees\nSuppliers\nUms\xC3\xA4tze\n"},
        ListingCase{"UsersColumns",
                    test::NodeAdodbMdb,
                    {"columns", "Users"},
                    "UserId\nUserName\nUserSex\nUserBirthday\nUserMarried\n"},
        ListingCase{"TableWithBlank",
                    Nwind,
                    {"columns", "Order Details"},
                    "OrderID\nProductID\nUnitPrice\nQuantity\nDiscount\n"},
        ListingCase{"TableWithSlash", test::FruitMdb, {"columns", "Muffin/Bread"}, "fruit\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliFailures, UnknownTableIsNamed) {
  const std::string database = test::NodeAdodbMdb();
  FERULO_SKIP_IF_MISSING(database, "node-adodb.mdb");
  const ProcessResult result = Cli({"columns", database, "Userz"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("error 3078"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("'Userz'"), std::string::npos) << result.err;
}

TEST(CliFailures, BadDatabaseGivesNumberedErrorNamingTheFileAndNothingOnStdout) {
  test::TempDir dir;
  WriteFile(dir.path() / "notes.mdb", "This is not an Access database.\n");
  for (const std::string& path : {dir.file("notes.mdb"), dir.file("missing.mdb"), dir.str()}) {
    const ProcessResult result = Cli({"tables", path});
    EXPECT_EQ(result.exitCode, 1) << path;
    EXPECT_EQ(result.out, "") << path;
    EXPECT_NE(result.err.find("ferulo-cli: error "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(path), std::string::npos) << result.err;
  }
}

// What libmdb said of a damaged file is on a line of its own, after the
// error in FERULO's words.
TEST(CliFailures, LibraryReportIsASecondLine) {
  const std::string damaged = test::SharedTestData("hostile/trunc4096.mdb");
  FERULO_SKIP_IF_MISSING(damaged, "hostile/trunc4096.mdb");
  const ProcessResult result = Cli({"tables", damaged});
  EXPECT_EQ(result.exitCode, 1);
  const std::size_t lineEnd = result.err.find('\n');
  ASSERT_NE(lineEnd, std::string::npos) << result.err;
  const std::string first = result.err.substr(0, lineEnd);
  EXPECT_EQ(first.rfind("ferulo-cli: error 3049: ", 0), 0u) << result.err;
  EXPECT_EQ(first.find("libmdb"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.substr(lineEnd + 1).rfind("ferulo-cli: details: libmdb reported: ", 0), 0u)
      << result.err;
}

// The library's own words stay out: the file is refused before it reads it.
TEST(CliFailures, EncryptedDatabaseIsNamedAsSuch) {
  const std::string database = test::LockedDatabase("encrypted.accdb");
  FERULO_SKIP_IF_MISSING(database, "encrypted.accdb");
  const ProcessResult result = Cli({"tables", database});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind("ferulo-cli: error 3031: ", 0), 0u) << result.err;
  EXPECT_NE(result.err.find("'" + database + "' is encrypted with a password"), std::string::npos)
      << result.err;
  EXPECT_EQ(result.err.find("libmdb"), std::string::npos) << result.err;
}

// The JSON a script turns into a job file: every field of the table, with the
// names the README documents. Expected values: mdb-schema's view of the file.
TEST(CliDescribe, PrintsTheTableAsJson) {
  const std::string database = test::NodeAdodbMdb();
  FERULO_SKIP_IF_MISSING(database, "node-adodb.mdb");
  const ProcessResult result = Cli({"describe", database, "Users"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const auto column = [](const char* name, const char* type, int size, bool required,
                         bool autonumber) {
    return nlohmann::json{{"name", name},
                          {"type", type},
                          {"size", size},
                          {"required", required},
                          {"autonumber", autonumber},
                          {"calculated", false}};
  };
  const nlohmann::json expected{
      {"table", "Users"},
      {"columns",
       {column("UserId", "Long Integer", 4, true, true),
        column("UserName", "Text", 255, true, false), column("UserSex", "Text", 255, false, false),
        column("UserBirthday", "Date/Time", 8, false, false),
        column("UserMarried", "Yes/No", 0, true, false)}},
      {"primaryKey", {"UserId"}},
      {"relations", nlohmann::json::array()}};
  EXPECT_EQ(nlohmann::json::parse(result.out, nullptr, false), expected) << result.out;
}

TEST(CliDescribe, UnknownTableOrDatabaseIsNamed) {
  const std::string database = test::NodeAdodbMdb();
  FERULO_SKIP_IF_MISSING(database, "node-adodb.mdb");
  test::TempDir dir;
  for (const auto& [path, table, named] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {database, "Userz", "'Userz'"}, {dir.file("missing.mdb"), "Users", "missing.mdb"}}) {
    const ProcessResult result = Cli({"describe", path, table});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("ferulo-cli: error "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(named), std::string::npos) << result.err;
  }
}

// Small templates whose filled text can be written out by hand.
class CliGenerate : public ::testing::Test {
 protected:
  void SetUp() override {
    database_ = test::NodeAdodbMdb();
    if (database_.empty()) {
      GTEST_SKIP() << "node-adodb.mdb is not available (run scripts/setup)";
    }
    fs::create_directory(templates_);
    WriteFile(templates_ / "filelist.dat", "<!--@NAME@-->|<!--@FILE@-->\r\n<!--@HEAD@-->");
    WriteFile(templates_ / "fileedit.dat", "<!--@EDIT@--><!--@KEYS@-->");
    WriteFile(templates_ / "filefilter.dat", "<!--@FILTERFORM@--><!--@FILTER@-->");
  }

  test::TempDir dir_;
  fs::path templates_ = dir_.path() / "templates";
  std::string database_;
};

TEST_F(CliGenerate, EveryColumnInEveryListByDefault) {
  const std::string out = dir_.str() + "/";
  const ProcessResult result =
      Cli({"generate", database_, "Users", "--output", out, "--templates", templates_.string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "ASP Files created successfully !\n" + out + "node-adodblist.asp\n" + out +
                            "node-adodbedit.asp\n" + out + "node-adodbfilter.asp\n" + out +
                            "db.asp\n");
  EXPECT_EQ(ReadFile(out + "node-adodbedit.asp"),
            "rs(\"UserId\") = Request.Form(\"UserId\") \r\n"
            "rs(\"UserName\") = Request.Form(\"UserName\") \r\n"
            "rs(\"UserSex\") = Request.Form(\"UserSex\") \r\n"
            "rs(\"UserBirthday\") = Request.Form(\"UserBirthday\") \r\n"
            "rs(\"UserMarried\") = Request.Form(\"UserMarried\") \r\n"
            "Array(\"UserId\")");
  EXPECT_NE(ReadFile(out + "db.asp").find("server.mappath(\"node-adodb.mdb\")"), std::string::npos);
}

TEST_F(CliGenerate, JobFileShapesTheListsAndResolvesRelativePaths) {
  fs::create_directory(dir_.path() / "web");
  WriteFile(dir_.path() / "job.json",
            R"({"database": ")" + database_ + R"(", "table": "Users", "output": "web",
                "fields": ["UserName", "UserSex"], "display": ["Name", "Sex"],
                "filter": ["UserName"], "search": []})");
  const ProcessResult result =
      Cli({"generate", "--job", dir_.file("job.json"), "--templates", templates_.string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const fs::path web = dir_.path() / "web";
  const generator::ListPageFragments list =
      generator::BuildListPageFragments({"UserName", "UserSex"}, {"Name", "Sex"}, {});
  const std::string listed = "Users|node-adodb\r\n" + list.head;
  EXPECT_EQ(ReadFile(web / "node-adodblist.asp").substr(0, listed.size()), listed);
  // The page helpers it calls come from the program's folder, whichever
  // templates it fills.
  const std::string filter = ReadFile(web / "node-adodbfilter.asp");
  const generator::FilterPageFragments fragments =
      generator::BuildFilterPageFragments({"UserName"});
  const std::string filled = fragments.filterForm + fragments.filter;
  EXPECT_EQ(filter.substr(0, filled.size()), filled);
  EXPECT_NE(filter.find("\r\nFunction IsSearchableColumn(name)\r\n", filled.size()),
            std::string::npos);
  EXPECT_EQ(result.err, "");
}

TEST_F(CliGenerate, EntryThatIsNoColumnIsAWarningAfterSuccess) {
  WriteFile(dir_.path() / "job.json",
            R"({"database": ")" + database_ + R"(", "table": "Users", "output": ")" + dir_.str() +
                R"(/", "fields": ["UserName", "User Name"], "search": ["userid"]})");
  const ProcessResult result =
      Cli({"generate", "--job", dir_.file("job.json"), "--templates", templates_.string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.rfind("ASP Files created successfully !\n", 0), 0u) << result.out;
  EXPECT_EQ(result.err,
            "ferulo-cli: warning: Field Name entry 'User Name' is not a column of the table "
            "'Users'; the pages fail where they use it\n");
}

TEST_F(CliGenerate, DefaultOutputIsTheDatabaseFolder) {
  fs::create_directory(dir_.path() / "db");
  fs::copy_file(database_, dir_.path() / "db" / "shop.mdb");
  const ProcessResult result =
      Cli({"generate", dir_.file("db/shop.mdb"), "Users", "--templates", templates_.string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(test::ListFolder(dir_.path() / "db"),
            (std::vector<std::string>{"db.asp", "shop.mdb", "shopedit.asp", "shopfilter.asp",
                                      "shoplist.asp"}));
}

// The pages are written; one warning says db.asp needs the password, which
// is never shown.
TEST_F(CliGenerate, PasswordDatabaseIsWrittenWithAWarning) {
  const std::string database = test::LockedDatabase("password.mdb");
  FERULO_SKIP_IF_MISSING(database, "password.mdb");
  const std::string out = dir_.str() + "/out/";
  fs::create_directory(out);
  const ProcessResult result =
      Cli({"generate", database, "Users", "--output", out, "--templates", templates_.string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(test::ListFolder(out).size(), 4u);
  EXPECT_EQ(result.err.rfind("ferulo-cli: warning: ", 0), 0u) << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  EXPECT_NE(result.err.find("'password.mdb'"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("PWD="), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("secret"), std::string::npos) << result.err;
}

TEST_F(CliGenerate, FailuresAndRefusalsExitOneAndWriteNothing) {
  const std::string out = dir_.str() + "/out/";
  fs::create_directory(out);
  // Fields default to the table's five columns; one caption cannot pair with them.
  WriteFile(dir_.path() / "short-display.json", R"({"database": ")" + database_ +
                                                    R"(", "table": "Users", "output": ")" + out +
                                                    R"(", "display": ["Id"]})");
  struct Case {
    std::vector<std::string> arguments;
    const char* mentions;
  };
  const std::vector<Case> cases{
      {{"generate", database_, "Nope", "--output", out, "--templates", templates_.string()},
       "'Nope'"},
      {{"generate", database_, "", "--output", out, "--templates", templates_.string()},
       "Please select a table first !"},
      {{"generate", database_, "Users", "--output", out, "--templates", dir_.file("none")},
       "none/filelist.dat"},
      {{"generate", "--job", dir_.file("missing.json")}, "missing.json"},
      {{"generate", "--job", dir_.file("short-display.json"), "--templates", templates_.string()},
       "\"display\" has 1 entries but the table 'Users' has 5 fields"},
      {{"generate", "--job", dir_.file("pasted.json"), "--templates", templates_.string()},
       "error 9201: Search Name entry 'UserName\\r\\n' holds a control character"},
  };
  WriteFile(dir_.path() / "pasted.json", R"({"database": ")" + database_ +
                                             R"(", "table": "Users", "output": ")" + out +
                                             R"(", "search": ["UserName\r\n"]})");
  for (const Case& c : cases) {
    const ProcessResult result = Cli(c.arguments);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.mentions), std::string::npos) << result.err;
  }
  EXPECT_TRUE(test::ListFolder(out).empty());
}

}  // namespace
}  // namespace ferulo
