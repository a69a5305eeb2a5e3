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

}  // namespace
}  // namespace ferulo::generator
