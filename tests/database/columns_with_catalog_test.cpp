// Opening with a table named up front: the catalog and that table's columns
// come from one reader run, and answer exactly as two separate runs would.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/error_codes.h"
#include "database/table_description_json.h"
#include "database_test_helpers.h"

namespace ferulo::database::test {
namespace {

namespace fs = std::filesystem;

struct TableCase {
  const char* name;
  std::string (*database)();
  const char* table;
};

void PrintTo(const TableCase& c, std::ostream* os) {
  *os << c.name;
}

std::string Nwind() {
  return ferulo::test::SharedTestData("nwind.mdb");
}
std::string Accdb() {
  return ferulo::test::SharedTestData("ASampleDatabase.accdb");
}

class ColumnsWithCatalog : public ::testing::TestWithParam<TableCase> {};

TEST_P(ColumnsWithCatalog, AgreesWithASeparateColumnQuery) {
  const std::string database = GetParam().database();
  FERULO_SKIP_IF_MISSING(database, "the sample database");
  auto separate = OpenDatabase(database);
  ASSERT_TRUE(separate.ok()) << separate.error().description;
  auto together = Connection::OpenWithColumnsOf(database, GetParam().table, RealReader());
  ASSERT_TRUE(together.ok()) << together.error().description;
  EXPECT_EQ(together.value().OpenSchemaTables(), separate.value().OpenSchemaTables());
  auto expected = separate.value().ColumnNames(GetParam().table);
  auto prefetched = together.value().ColumnNames(GetParam().table);
  ASSERT_EQ(prefetched.ok(), expected.ok());
  if (expected.ok()) {
    EXPECT_EQ(prefetched.value(), expected.value());
  } else {
    EXPECT_EQ(prefetched.error().number, expected.error().number);
    EXPECT_EQ(prefetched.error().description, expected.error().description);
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, ColumnsWithCatalog,
                         ::testing::Values(TableCase{"Blank", Nwind, "Order Details"},
                                           TableCase{"Umlaut", Nwind, "Ums\xC3\xA4tze"},
                                           TableCase{"Slash", ferulo::test::FruitMdb,
                                                     "Muffin/Bread"},
                                           TableCase{"Ace", Accdb, "Asset Items"},
                                           TableCase{"SystemTable", Nwind, "MSysObjects"},
                                           TableCase{"Missing", Nwind, "Nope"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The prefetched columns need no second run: they still answer once the file
// is gone, while any other table is looked for in the file again.
TEST(ColumnsWithCatalog, ANamedTableNeedsNoSecondReaderRun) {
  const std::string source = ferulo::test::NodeAdodbMdb();
  FERULO_SKIP_IF_MISSING(source, "node-adodb.mdb");
  ferulo::test::TempDir dir;
  const fs::path copy = dir.path() / "copy.mdb";
  fs::copy_file(source, copy);
  auto connection = Connection::OpenWithColumnsOf(copy.string(), "Users", RealReader());
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  fs::remove(copy);
  auto columns = connection.value().ColumnNames("Users");
  ASSERT_TRUE(columns.ok()) << columns.error().description;
  EXPECT_EQ(columns.value(), (std::vector<std::string>{"UserId", "UserName", "UserSex",
                                                       "UserBirthday", "UserMarried"}));
  auto reopened = Connection::Open(copy.string(), RealReader());
  EXPECT_FALSE(reopened.ok());
}

// Describing while opening, as ferulo-cli's describe and generate do: the
// same catalog and description as separate runs give, and none needs a second
// run once the file is gone.
TEST(DescriptionWithCatalog, AgreesWithSeparateRunsAndNeedsNoSecond) {
  const std::string source = ferulo::test::SharedTestData("nwind.mdb");
  FERULO_SKIP_IF_MISSING(source, "nwind.mdb");
  ferulo::test::TempDir dir;
  const fs::path copy = dir.path() / "copy.mdb";
  fs::copy_file(source, copy);
  for (const char* table : {"Order Details", "Orders", "Categories"}) {
    SCOPED_TRACE(table);
    auto separate = OpenDatabase(copy.string());
    ASSERT_TRUE(separate.ok()) << separate.error().description;
    auto expected = separate.value().DescribeTable(table);
    ASSERT_TRUE(expected.ok()) << expected.error().description;
    auto together = Connection::OpenDescribing(copy.string(), table, RealReader());
    ASSERT_TRUE(together.ok()) << together.error().description;
    EXPECT_EQ(together.value().OpenSchemaTables(), separate.value().OpenSchemaTables());

    fs::rename(copy, dir.path() / "away.mdb");
    auto described = together.value().DescribeTable(table);
    auto columns = together.value().ColumnNames(table);
    fs::rename(dir.path() / "away.mdb", copy);
    ASSERT_TRUE(described.ok()) << described.error().description;
    EXPECT_EQ(ToJsonText(described.value().table), ToJsonText(expected.value().table));
    ASSERT_EQ(described.value().referencedTables.size(), expected.value().referencedTables.size());
    ASSERT_TRUE(columns.ok()) << columns.error().description;
    EXPECT_EQ(columns.value().size(), expected.value().table.columns.size());
  }
}

}  // namespace
}  // namespace ferulo::database::test
