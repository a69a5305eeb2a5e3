// The database layer on real Access files read through the real libmdb: the
// schema of tables in catalog order, the user tables, and column lists.
// Expectations were written by hand after looking at each file with
// mdb-tables -S -1 and mdb-schema.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/error_codes.h"
#include "database/connection.h"
#include "database_test_helpers.h"
#include "support/test_support.h"

namespace ferulo::database::test {
namespace {

using ferulo::test::FruitMdb;
using ferulo::test::NodeAdodbMdb;
using ferulo::test::SharedTestData;

std::string Nwind() {
  return SharedTestData("nwind.mdb");
}
std::string DateTest() {
  return SharedTestData("DateTestDatabase.mdb");
}
std::string AssetSample() {
  return SharedTestData("ASampleDatabase.accdb");
}

const std::string kUmsaetze = "Ums\xc3\xa4tze";

SchemaRow Table(const std::string& name) {
  return {"TABLE", name};
}
SchemaRow System(const std::string& name) {
  return {"SYSTEM TABLE", name};
}
SchemaRow Query(const std::string& name) {
  return {"VIEW", name};
}

struct SchemaCase {
  std::string name;
  std::function<std::string()> path;
  std::vector<SchemaRow> schema;
  std::vector<std::string> userTables;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SchemaCase& c, std::ostream* os) {
  *os << c.name;
}

std::vector<SchemaCase> SchemaCases() {
  return {
      {"NodeAdodb",
       NodeAdodbMdb,
       {System("MSysObjects"), System("MSysACEs"), System("MSysQueries"),
        System("MSysRelationships"), System("MSysAccessStorage"), Table("Users"),
        System("MSysNavPaneGroupCategories"), System("MSysNavPaneGroups"),
        System("MSysNavPaneGroupToObjects"), System("MSysNavPaneObjectIDs")},
       {"Users"}},
      {"Fruit",
       FruitMdb,
       {System("MSysObjects"),
        System("MSysACEs"),
        System("MSysQueries"),
        System("MSysRelationships"),
        System("MSysAccessObjects"),
        Table("Fruit"),
        Table("Fruit Salad"),
        Table("Veggie Salad"),
        Table("Muffin/Bread"),
        Table("Dried"),
        Query("In Dried"),
        Query("In Fruit Salad"),
        Query("In Veggie Salad"),
        Query("Exist in Tables"),
        Query("In Muffin/Bread"),
        System("MSysNavPaneGroupCategories"),
        System("MSysNavPaneGroups"),
        System("MSysNavPaneGroupToObjects"),
        System("MSysNavPaneObjectIDs"),
        Query("~sq_fFruit"),
        System("MSysAccessXML")},
       {"Fruit", "Fruit Salad", "Veggie Salad", "Muffin/Bread", "Dried"}},
      {"Nwind",
       Nwind,
       {System("MSysObjects"),
        System("MSysACEs"),
        System("MSysQueries"),
        System("MSysRelationships"),
        Query("Alphabetical List of Products"),
        Query("Catalog"),
        Query("Category Sales for 1995"),
        Query("Current Product List"),
        Query("Customers and Suppliers by City"),
        Query("Employee Sales by Country"),
        Query("Invoices"),
        Query("Invoices Filter"),
        System("MSysIMEXColumns"),
        System("MSysIMEXSpecs"),
        System("MSysModules"),
        Table("Order Details"),
        Query("Order Details Extended"),
        Query("Order Subtotals"),
        Table("Orders"),
        Query("Product Sales for 1995"),
        Table("Products"),
        Query("Products by Category"),
        Query("Quarterly Orders"),
        Query("Quarterly Orders by Product"),
        Query("Sales by Year"),
        Query("Sales Totals by Amount"),
        Table("Shippers"),
        Query("Summary of Sales by Year"),
        Query("Ten Most Expensive Products"),
        Table("Categories"),
        Table("Customers"),
        Table("Employees"),
        System("MSysCmdbars"),
        System("MSysModules2"),
        Query("Orders Qry"),
        Query("Products Above Average Price"),
        Query("Sales by Category"),
        Query("Summary of Sales by Quarter"),
        Table("Suppliers"),
        System("MSysAccessObjects"),
        Table(kUmsaetze)},
       {"Order Details", "Orders", "Products", "Shippers", "Categories", "Customers", "Employees",
        "Suppliers", kUmsaetze}},
      {"DateTest",
       DateTest,
       {System("MSysObjects"), System("MSysACEs"), System("MSysQueries"),
        System("MSysRelationships"), Table("DateTest"),
        // Flags 0x800A0000: a table Access keeps for itself, though not named MSys.
        System("f_75A72A8786B149369D90EB962DAB8A2C_Data"), System("MSysAccessStorage"),
        System("MSysNavPaneGroupCategories"), System("MSysNavPaneGroups"),
        System("MSysNavPaneGroupToObjects"), System("MSysNavPaneObjectIDs")},
       {"DateTest"}},
      {"AceSample",
       AssetSample,
       {System("MSysObjects"),
        System("MSysACEs"),
        System("MSysQueries"),
        System("MSysRelationships"),
        System("MSysComplexColumns"),
        System("MSysComplexType_UnsignedByte"),
        System("MSysComplexType_Short"),
        System("MSysComplexType_Long"),
        System("MSysComplexType_IEEESingle"),
        System("MSysComplexType_IEEEDouble"),
        System("MSysComplexType_GUID"),
        System("MSysComplexType_Decimal"),
        System("MSysComplexType_Text"),
        System("MSysComplexType_Attachment"),
        Query("~sq_rrptAssetsGroupedByOwners"),
        Table("Asset Items"),
        System("MSysAccessStorage"),
        System("MSysAccessXML"),
        System("MSysNavPaneGroups"),
        System("MSysNavPaneObjectIDs"),
        Query("qryComputerHardwareInOwnerOrder"),
        Query("qryCostsSummedByOwner"),
        Query("qryGSTCalculations"),
        Query("~sq_rrptAssetListingInNumberOrder"),
        System("MSysNavPaneGroupCategories"),
        System("MSysNavPaneGroupToObjects"),
        Query("~sq_ffrmAssetInventory")},
       {"Asset Items"}},
  };
}

class SchemaOfTables : public ::testing::TestWithParam<SchemaCase> {};

// Forms, reports, macros, modules and relationships are not in the schema;
// nwind.mdb has reports whose type libmdb would confuse with ODBC links.
TEST_P(SchemaOfTables, ListsEveryTableAndQueryInCatalogOrder) {
  const auto path = GetParam().path();
  FERULO_SKIP_IF_MISSING(path, GetParam().name);
  auto connection = OpenDatabase(path);
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  EXPECT_EQ(connection.value().OpenSchemaTables(), GetParam().schema);
  EXPECT_EQ(connection.value().databasePath(), path);
}

TEST_P(SchemaOfTables, UserTablesAreTheRowsOfTypeTable) {
  const auto path = GetParam().path();
  FERULO_SKIP_IF_MISSING(path, GetParam().name);
  auto connection = OpenDatabase(path);
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  EXPECT_EQ(UserTableNames(connection.value().OpenSchemaTables()), GetParam().userTables);
}

INSTANTIATE_TEST_SUITE_P(SampleDatabases, SchemaOfTables, ::testing::ValuesIn(SchemaCases()),
                         [](const auto& info) { return info.param.name; });

struct ColumnCase {
  std::string name;
  std::function<std::string()> path;
  std::string table;
  std::vector<std::string> columns;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ColumnCase& c, std::ostream* os) {
  *os << c.name;
}

std::vector<ColumnCase> ColumnCases() {
  const std::vector<std::string> orderColumns{
      "OrderID",     "CustomerID", "EmployeeID",     "OrderDate",  "RequiredDate",
      "ShippedDate", "ShipVia",    "Freight",        "ShipName",   "ShipAddress",
      "ShipCity",    "ShipRegion", "ShipPostalCode", "ShipCountry"};
  return {
      {"NodeAdodbUsers",
       NodeAdodbMdb,
       "Users",
       {"UserId", "UserName", "UserSex", "UserBirthday", "UserMarried"}},
      {"FruitFruit",
       FruitMdb,
       "Fruit",
       {"Fruit", "Fiber", "Fat", "Protien", "Sugar", "Vit A", "Vit C", "Vit B1", "Vit B2", "Vit B6",
        "Vit E"}},
      {"FruitTableWithBlank", FruitMdb, "Fruit Salad", {"Fruit"}},
      {"FruitTableWithSlash", FruitMdb, "Muffin/Bread", {"fruit"}},
      {"NwindOrderDetails",
       Nwind,
       "Order Details",
       {"OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"}},
      {"NwindOrders", Nwind, "Orders", orderColumns},
      {"NwindUmsaetze", Nwind, kUmsaetze, orderColumns},
      {"NwindEmployees",
       Nwind,
       "Employees",
       {"EmployeeID", "LastName", "FirstName", "Title", "TitleOfCourtesy", "BirthDate", "HireDate",
        "Address", "City", "Region", "PostalCode", "Country", "HomePhone", "Extension", "Photo",
        "Notes", "ReportsTo"}},
      {"NwindSystemTable",
       Nwind,
       "MSysObjects",
       {"Id", "ParentId", "Name", "Type", "DateCreate", "DateUpdate", "Owner", "Flags", "Database",
        "Connect", "ForeignName", "RmtInfoShort", "RmtInfoLong", "Lv", "LvProp", "LvModule",
        "LvExtra"}},
      {"DateTest",
       DateTest,
       "DateTest",
       {"IDCol", "DateTimeCol", "DateCol", "TimeCol", "LongTextCol", "ShortTextCol"}},
      {"AceAssetItems",
       AssetSample,
       "Asset Items",
       {"Asset No", "Asset Category", "Make", "Model", "Description", "Owner", "Serial No",
        "Acquired", "Cost", "Warranty", "Tax Scale", "Supplier No", "Comments"}},
  };
}

class ColumnQuery : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(ColumnQuery, AnswersTheColumnNamesInColumnOrder) {
  const auto path = GetParam().path();
  FERULO_SKIP_IF_MISSING(path, GetParam().name);
  auto connection = OpenDatabase(path);
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  auto columns = connection.value().ColumnNames(GetParam().table);
  ASSERT_TRUE(columns.ok()) << columns.error().description;
  EXPECT_EQ(columns.value(), GetParam().columns);
}

INSTANTIATE_TEST_SUITE_P(SampleDatabases, ColumnQuery, ::testing::ValuesIn(ColumnCases()),
                         [](const auto& info) { return info.param.name; });

TEST(Names, ComeOutAsUtf8WhateverTheLocale) {
  const auto path = Nwind();
  FERULO_SKIP_IF_MISSING(path, "nwind.mdb");
  auto connection = OpenDatabase(path);
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  const auto tables = UserTableNames(connection.value().OpenSchemaTables());
  ASSERT_FALSE(tables.empty());
  const std::string& last = tables.back();
  const std::vector<unsigned char> bytes(last.begin(), last.end());
  EXPECT_EQ(bytes, (std::vector<unsigned char>{0x55, 0x6d, 0x73, 0xc3, 0xa4, 0x74, 0x7a, 0x65}));
}

struct MissingTableCase {
  std::string name;
  std::string table;
  std::string explanation;  // a word the description must hold
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const MissingTableCase& c, std::ostream* os) {
  *os << c.name;
}

class MissingTable : public ::testing::TestWithParam<MissingTableCase> {};

// Only objects that keep columns in the file can answer the column query;
// anything else is an error naming the table and the file.
TEST_P(MissingTable, IsAnErrorNamingTheTableAndTheFile) {
  const auto path = Nwind();
  FERULO_SKIP_IF_MISSING(path, "nwind.mdb");
  auto connection = OpenDatabase(path);
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  auto columns = connection.value().ColumnNames(GetParam().table);
  ASSERT_FALSE(columns.ok());
  EXPECT_EQ(columns.error().number, error_code::kTableNotFound);
  ExpectErrorNaming(columns.error(), path);
  EXPECT_NE(columns.error().description.find("'" + GetParam().table + "'"), std::string::npos)
      << columns.error().description;
  EXPECT_NE(columns.error().description.find(GetParam().explanation), std::string::npos)
      << columns.error().description;
}

INSTANTIATE_TEST_SUITE_P(
    Nwind, MissingTable,
    ::testing::Values(MissingTableCase{"Unknown", "No Such Table", "spelled correctly"},
                      MissingTableCase{"Empty", "", "spelled correctly"},
                      MissingTableCase{"BracketQuoted", "[Order Details]", "spelled correctly"},
                      MissingTableCase{"TrailingBlank", "Orders ", "spelled correctly"},
                      MissingTableCase{"OtherCase", "orders", "spelled correctly"},
                      // A form of that name exists; forms are not tables.
                      MissingTableCase{"FormName", "Main Switchboard", "spelled correctly"},
                      MissingTableCase{"SavedQuery", "Invoices", "VIEW"}),
    [](const auto& info) { return info.param.name; });

// Sets environment variables for one test and restores them afterwards.
class ScopedEnvironment {
 public:
  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old != nullptr ? std::optional<std::string>(old) : std::nullopt});
    setenv(name, value, 1);
  }
  ScopedEnvironment() = default;
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// In libmdb's hands these would fail every catalog read (MDBICONV), decode
// JET3 names wrongly (MDB_JET3_CHARSET), loop for ever in mdb_open (an empty
// MDBPATH element) or print debug output (MDBOPTS).
TEST(Environment, LibmdbVariablesOfTheCallerChangeNothing) {
  const auto path = Nwind();
  FERULO_SKIP_IF_MISSING(path, "nwind.mdb");
  ScopedEnvironment environment;
  environment.Set("MDBICONV", "bogus");
  environment.Set("MDB_JET3_CHARSET", "KOI8-R");
  environment.Set("MDBPATH", ":/nonexistent::");
  environment.Set("MDBOPTS", "debug_all");
  environment.Set("LC_ALL", "C");
  Stopwatch stopwatch;
  auto connection = OpenDatabase(path);
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  EXPECT_EQ(UserTableNames(connection.value().OpenSchemaTables()), SchemaCases()[2].userTables);
  auto columns = connection.value().ColumnNames(kUmsaetze);
  ASSERT_TRUE(columns.ok()) << columns.error().description;
  EXPECT_EQ(columns.value().size(), 14U);
  EXPECT_LT(stopwatch.elapsed(), std::chrono::seconds(5));
}

// The reader is found beside the running executable; the tests live in the
// same folder as the programs, so the defaults must work from here.
TEST(DefaultReaderOptions, FindTheReaderBesideTheExecutable) {
  const ReaderOptions options = DefaultReaderOptions();
  EXPECT_EQ(options.readerExecutable, ferulo::test::BinDir() + "/ferulo-mdb-reader");
  EXPECT_EQ(options.timeout, std::chrono::seconds(10));
  EXPECT_EQ(options.memoryLimitBytes, std::uint64_t{1} << 30);
  const auto path = FruitMdb();
  FERULO_SKIP_IF_MISSING(path, "fruit.mdb");
  auto connection = Connection::Open(path);
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  EXPECT_EQ(UserTableNames(connection.value().OpenSchemaTables()), SchemaCases()[1].userTables);
}

// Paths are used verbatim: blanks, umlauts and even semicolons, which would
// end the DBQ= part of a connection string if it were cut at the first ';'.
TEST(DatabasePath, WithBlanksSemicolonsAndUmlautsOpens) {
  const auto source = FruitMdb();
  FERULO_SKIP_IF_MISSING(source, "fruit.mdb");
  ferulo::test::TempDir folder;
  const std::string path = folder.file(
      "M\xc3\xbc"
      "ller; Obst & Gem\xc3\xbc"
      "se.mdb");
  ferulo::test::WriteFile(path, ferulo::test::ReadFile(source));
  auto connection = OpenDatabase(path);
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  EXPECT_EQ(connection.value().databasePath(), path);
  auto columns = connection.value().ColumnNames("Veggie Salad");
  ASSERT_TRUE(columns.ok()) << columns.error().description;
  EXPECT_EQ(columns.value(), std::vector<std::string>{"fruit"});
}

// The connection keeps the path, not the file: a file replaced after it was
// opened fails the column query with an error naming it.
TEST(ColumnQuery, OnAFileReplacedSinceOpeningFailsCleanly) {
  const auto source = FruitMdb();
  FERULO_SKIP_IF_MISSING(source, "fruit.mdb");
  ferulo::test::TempDir folder;
  const std::string path = folder.file("fruit.mdb");
  ferulo::test::WriteFile(path, ferulo::test::ReadFile(source));
  auto connection = OpenDatabase(path);
  ASSERT_TRUE(connection.ok()) << connection.error().description;
  ferulo::test::WriteFile(path, std::string(4096, 'x'));
  auto columns = connection.value().ColumnNames("Fruit");
  ASSERT_FALSE(columns.ok());
  EXPECT_EQ(columns.error().number, error_code::kUnrecognizedFormat);
  ExpectErrorNaming(columns.error(), path);
}

}  // namespace
}  // namespace ferulo::database::test
