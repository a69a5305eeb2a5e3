// Page base names, output prefixes and the connection include.
#include <gtest/gtest.h>

#include <filesystem>

#include "generator/page_names.h"
#include "support/test_support.h"

namespace ferulo::generator {
namespace {

struct BaseNameCase {
  const char* fileName;
  const char* baseName;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const BaseNameCase& c, std::ostream* os) {
  *os << c.fileName;
}

class PageBaseNameOf : public ::testing::TestWithParam<BaseNameCase> {};

TEST_P(PageBaseNameOf, DropsTheExtensionFromTheLastDot) {
  EXPECT_EQ(PageBaseName(GetParam().fileName), GetParam().baseName);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PageBaseNameOf,
    ::testing::Values(BaseNameCase{"shop.mdb", "shop"}, BaseNameCase{"shop.MDB", "shop"},
                      BaseNameCase{"x.accdb", "x"}, BaseNameCase{"a.b.mdb", "a.b"},
                      BaseNameCase{"readme", "readme"}, BaseNameCase{"a", "a"},
                      BaseNameCase{".mdb", ".mdb"}, BaseNameCase{"db.", "db"}, BaseNameCase{"", ""},
                      BaseNameCase{"Ums\xC3\xA4tze.mdb", "Ums\xC3\xA4tze"}));

TEST(OutputPrefix, AddsTheSeparatorOnlyToAnExistingFolder) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.path() / "out");
  EXPECT_EQ(OutputPrefix(dir.file("out")), dir.file("out") + "/");
  EXPECT_EQ(OutputPrefix(dir.file("out") + "/"), dir.file("out") + "/");
  EXPECT_EQ(OutputPrefix(dir.file("out/admin_")), dir.file("out/admin_"));
  EXPECT_EQ(OutputPrefix(dir.file("missing")), dir.file("missing"));
  EXPECT_EQ(OutputPrefix(""), "");
  test::WriteFile(dir.path() / "plainfile", "x");
  EXPECT_EQ(OutputPrefix(dir.file("plainfile")), dir.file("plainfile"));
}

TEST(OutputFileNames, ArePlainConcatenations) {
  const OutputFileNames names = MakeOutputFileNames("/web/admin_", "shop");
  EXPECT_EQ(names.listPage, "/web/admin_shoplist.asp");
  EXPECT_EQ(names.editPage, "/web/admin_shopedit.asp");
  EXPECT_EQ(names.filterPage, "/web/admin_shopfilter.asp");
  EXPECT_EQ(names.connectionInclude, "/web/admin_db.asp");
}

TEST(ConnectionInclude, SixLinesWithTheBareFileName) {
  EXPECT_EQ(ConnectionIncludeText("shop.mdb"),
            "<%\r\n"
            "dim conn,connstr\r\n"
            "connstr=\"DBQ=\"+server.mappath(\"shop.mdb\")+\";DefaultDir=;DRIVER={Microsoft Access "
            "Driver (*.mdb)};\" \r\n"
            "set conn=server.createobject(\"ADODB.CONNECTION\")\r\n"
            "conn.open connstr\r\n"
            "%>\r\n");
}

struct DriverCase {
  const char* fileName;
  const char* driver;
};

void PrintTo(const DriverCase& c, std::ostream* os) {
  *os << c.fileName;
}

class ConnectionIncludeDriver : public ::testing::TestWithParam<DriverCase> {};

TEST_P(ConnectionIncludeDriver, FollowsTheFileFormat) {
  const std::string line3 = "connstr=\"DBQ=\"+server.mappath(\"" +
                            std::string(GetParam().fileName) +
                            "\")+\";DefaultDir=;DRIVER=" + GetParam().driver + ";\" \r\n";
  EXPECT_NE(ConnectionIncludeText(GetParam().fileName).find("\r\n" + line3), std::string::npos)
      << ConnectionIncludeText(GetParam().fileName);
}

constexpr const char* kMdbDriver = "{Microsoft Access Driver (*.mdb)}";
constexpr const char* kAceDriver = "{Microsoft Access Driver (*.mdb, *.accdb)}";

INSTANTIATE_TEST_SUITE_P(
    Files, ConnectionIncludeDriver,
    ::testing::Values(DriverCase{"x.accdb", kAceDriver}, DriverCase{"X.ACCDB", kAceDriver},
                      DriverCase{"a.mdb.accdb", kAceDriver}, DriverCase{"a.accdb.mdb", kMdbDriver},
                      DriverCase{"shop.MDB", kMdbDriver}, DriverCase{"accdb", kMdbDriver},
                      DriverCase{"x.accdbx", kMdbDriver}));

}  // namespace
}  // namespace ferulo::generator
