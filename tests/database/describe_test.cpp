// Table descriptions read from the real sample files through the real reader
// process. The expected keys, relations and columns were written by hand from
// other tools' view of each file, not from FERULO's: primary keys and indexes
// from "mdb-schema FILE postgres", relationships from "mdb-export FILE
// MSysRelationships", Required from "mdb-prop FILE TABLE" (mdb-schema's NOT
// NULL), AutoNumber from mdb-schema's SERIAL, text sizes from "mdb-schema FILE
// access". A column of the record key counts as required; Yes/No columns are
// never Null in Access.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
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

// One of the extra sample databases, looked for when the test runs.
std::function<std::string()> Shared(const char* file) {
  return [file] { return SharedTestData(file); };
}
const auto Nwind = Shared("nwind.mdb");
const auto DateTest = Shared("DateTestDatabase.mdb");
const auto AssetSample = Shared("ASampleDatabase.accdb");
const auto Calculated = Shared("CalculatedColumns.accdb");
const auto Complex = Shared("AttachmentsAndMultiValues.accdb");

Result<TableWithReferences> Describe(const std::string& path, const std::string& table) {
  auto connection = OpenDatabase(path);
  if (!connection) {
    return connection.error();
  }
  return connection.value().DescribeTable(table);
}

Relation To(const std::string& column, const std::string& table, const std::string& key) {
  return {{column}, table, {key}};
}

struct KeyCase {
  std::string name;
  std::function<std::string()> path;
  std::string table;
  std::vector<std::string> primaryKey;
  std::vector<Relation> relations;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
  *os << c.name;
}

class KeysAndRelations : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeysAndRelations, AreThoseOfTheFile) {
  const std::string path = GetParam().path();
  FERULO_SKIP_IF_MISSING(path, GetParam().name);
  auto described = Describe(path, GetParam().table);
  ASSERT_TRUE(described.ok()) << described.error().description;
  EXPECT_EQ(described.value().table.name, GetParam().table);
  EXPECT_EQ(described.value().table.primaryKey, GetParam().primaryKey);
  EXPECT_EQ(described.value().table.relations, GetParam().relations);
}

INSTANTIATE_TEST_SUITE_P(
    SampleDatabases, KeysAndRelations,
    ::testing::Values(
        KeyCase{"NwindOrderDetails",
                Nwind,
                "Order Details",
                {"OrderID", "ProductID"},
                {To("OrderID", "Orders", "OrderID"), To("ProductID", "Products", "ProductID")}},
        KeyCase{
            "NwindOrders",
            Nwind,
            "Orders",
            {"OrderID"},
            {To("CustomerID", "Customers", "CustomerID"),
             To("EmployeeID", "Employees", "EmployeeID"), To("ShipVia", "Shippers", "ShipperID")}},
        KeyCase{"NwindProducts",
                Nwind,
                "Products",
                {"ProductID"},
                {To("SupplierID", "Suppliers", "SupplierID"),
                 To("CategoryID", "Categories", "CategoryID")}},
        KeyCase{"NwindShippers", Nwind, "Shippers", {"ShipperID"}, {}},
        KeyCase{"NwindCategories", Nwind, "Categories", {"CategoryID"}, {}},
        KeyCase{"NwindCustomers", Nwind, "Customers", {"CustomerID"}, {}},
        KeyCase{"NwindEmployees", Nwind, "Employees", {"EmployeeID"}, {}},
        KeyCase{"NwindSuppliers", Nwind, "Suppliers", {"SupplierID"}, {}},
        KeyCase{"NwindUmsaetze", Nwind, "Ums\xc3\xa4tze", {"OrderID"}, {}},
        KeyCase{"DateTestHasNoKey", DateTest, "DateTest", {}, {}},
        KeyCase{"AceAssetItems", AssetSample, "Asset Items", {"Asset No"}, {}},
        KeyCase{"NodeAdodbUsers", NodeAdodbMdb, "Users", {"UserId"}, {}},
        KeyCase{"FruitFruit", FruitMdb, "Fruit", {"Fruit"}, {}},
        KeyCase{"FruitSalad", FruitMdb, "Fruit Salad", {"Fruit"}, {To("Fruit", "Fruit", "Fruit")}},
        // MSysRelationships and the table both spell this column "fruit".
        KeyCase{
            "VeggieSalad", FruitMdb, "Veggie Salad", {"fruit"}, {To("fruit", "Fruit", "Fruit")}},
        KeyCase{
            "MuffinBread", FruitMdb, "Muffin/Bread", {"fruit"}, {To("fruit", "Fruit", "Fruit")}},
        KeyCase{"Dried", FruitMdb, "Dried", {"Fruit"}, {To("Fruit", "Fruit", "Fruit")}}),
    [](const auto& info) { return info.param.name; });

ColumnDescription C(const std::string& name, const std::string& type, int size,
                    bool required = false, bool autonumber = false) {
  return {name, type, size, required, autonumber};
}

struct ColumnsCase {
  std::string name;
  std::function<std::string()> path;
  std::string table;
  std::vector<ColumnDescription> columns;
};

void PrintTo(const ColumnsCase& c, std::ostream* os) {
  *os << c.name;
}

class ColumnDescriptions : public ::testing::TestWithParam<ColumnsCase> {};

TEST_P(ColumnDescriptions, AreThoseOfTheFile) {
  const std::string path = GetParam().path();
  FERULO_SKIP_IF_MISSING(path, GetParam().name);
  auto described = Describe(path, GetParam().table);
  ASSERT_TRUE(described.ok()) << described.error().description;
  EXPECT_EQ(described.value().table.columns, GetParam().columns);
}

const char* const kLong = "Long Integer";
const char* const kDate = "Date/Time";

INSTANTIATE_TEST_SUITE_P(
    SampleDatabases, ColumnDescriptions,
    ::testing::Values(
        ColumnsCase{"NwindOrderDetails",
                    Nwind,
                    "Order Details",
                    {C("OrderID", kLong, 4, true), C("ProductID", kLong, 4, true),
                     C("UnitPrice", "Currency", 8, true), C("Quantity", "Integer", 2, true),
                     C("Discount", "Single", 4, true)}},
        ColumnsCase{
            "NwindOrders",
            Nwind,
            "Orders",
            {C("OrderID", kLong, 4, true, true), C("CustomerID", "Text", 5),
             C("EmployeeID", kLong, 4), C("OrderDate", kDate, 8), C("RequiredDate", kDate, 8),
             C("ShippedDate", kDate, 8), C("ShipVia", kLong, 4), C("Freight", "Currency", 8),
             C("ShipName", "Text", 40), C("ShipAddress", "Text", 60), C("ShipCity", "Text", 15),
             C("ShipRegion", "Text", 15), C("ShipPostalCode", "Text", 10),
             C("ShipCountry", "Text", 15)}},
        ColumnsCase{"NwindCategories",
                    Nwind,
                    "Categories",
                    {C("CategoryID", kLong, 4, true, true), C("CategoryName", "Text", 15, true),
                     C("Description", "Memo", 0), C("Picture", "OLE Object", 0)}},
        ColumnsCase{
            "DateTest",
            DateTest,
            "DateTest",
            {C("IDCol", kLong, 4), C("DateTimeCol", kDate, 8), C("DateCol", kDate, 8),
             C("TimeCol", kDate, 8), C("LongTextCol", "Memo", 0), C("ShortTextCol", "Text", 255)}},
        ColumnsCase{"AceAssetItems",
                    AssetSample,
                    "Asset Items",
                    {C("Asset No", "Text", 5, true), C("Asset Category", "Text", 20),
                     C("Make", "Text", 25), C("Model", "Text", 25), C("Description", "Text", 40),
                     C("Owner", "Text", 20), C("Serial No", "Text", 15), C("Acquired", kDate, 8),
                     C("Cost", "Currency", 8), C("Warranty", kLong, 4), C("Tax Scale", "Text", 1),
                     C("Supplier No", "Text", 5), C("Comments", "Memo", 0)}}),
    [](const auto& info) { return info.param.name; });

// The columns the database fills, as "name (calculated)" or "name (type)".
// Expected values: the columns with an Expression in "mdb-prop FILE Table1";
// the complex columns of Table1 (Id 109 in "mdb-export FILE MSysObjects") in
// "mdb-export FILE MSysComplexColumns", each of the kind its
// ComplexTypeObjectID names in MSysObjects: 39 MSysComplexType_Attachment,
// 37 MSysComplexType_Text (multi-valued), 78 MSysComplexTypeVH_... (the
// version history of the append-only memo "append-memo-data").
struct FilledCase {
  std::string name;
  std::function<std::string()> path;
  std::vector<std::string> filled;
};

void PrintTo(const FilledCase& c, std::ostream* os) {
  *os << c.name;
}

class ColumnsTheDatabaseFills : public ::testing::TestWithParam<FilledCase> {};

TEST_P(ColumnsTheDatabaseFills, AreMarked) {
  const std::string path = GetParam().path();
  FERULO_SKIP_IF_MISSING(path, GetParam().name);
  auto described = Describe(path, "Table1");
  ASSERT_TRUE(described.ok()) << described.error().description;
  std::vector<std::string> filled;
  for (const ColumnDescription& column : described.value().table.columns) {
    if (FilledByDatabase(column)) {
      filled.push_back(column.name + " (" + (column.calculated ? "calculated" : column.type) + ")");
    }
  }
  EXPECT_EQ(filled, GetParam().filled);
}

INSTANTIATE_TEST_SUITE_P(
    SampleDatabases, ColumnsTheDatabaseFills,
    ::testing::Values(
        FilledCase{
            "CalculatedColumns",
            Calculated,
            {"LastFirst (calculated)", "LastFirstLen (calculated)", "MonthlySalary (calculated)",
             "IsRich (calculated)", "AllNames (calculated)", "WeeklySalary (calculated)",
             "SalaryTest (calculated)", "BoolTest (calculated)", "DecimalTest (calculated)",
             "FloatTest (calculated)", "BigNumTest (calculated)"}},
        FilledCase{"AttachmentsAndMultiValues",
                   Complex,
                   {"VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880 (Version History)",
                    "multi-value-data (Multi-valued)", "attach-data (Attachment)"}}),
    [](const auto& info) { return info.param.name; });

std::vector<std::string> NamesAndKeys(const std::vector<TableDescription>& tables) {
  std::vector<std::string> lines;
  for (const TableDescription& table : tables) {
    std::string line = table.name + ":";
    for (const std::string& key : table.primaryKey) {
      line += " " + key;
    }
    lines.push_back(line);
  }
  return lines;
}

// What the generation run gets for a related column: the referenced table's
// key and, as its caption, the first other Text column of that table.
TEST(ReferencedTables, ComeWithTheirKeysAndGiveTheLookups) {
  const std::string path = Nwind();
  FERULO_SKIP_IF_MISSING(path, "nwind.mdb");
  auto orders = Describe(path, "Orders");
  ASSERT_TRUE(orders.ok()) << orders.error().description;
  EXPECT_EQ(NamesAndKeys(orders.value().referencedTables),
            (std::vector<std::string>{"Customers: CustomerID", "Employees: EmployeeID",
                                      "Shippers: ShipperID"}));
  EXPECT_EQ(ChooseLookups(orders.value()),
            (std::vector<Lookup>{{"CustomerID", "Customers", "CustomerID", "CompanyName"},
                                 {"EmployeeID", "Employees", "EmployeeID", "LastName"},
                                 {"ShipVia", "Shippers", "ShipperID", "CompanyName"}}));
  auto details = Describe(path, "Order Details");
  ASSERT_TRUE(details.ok()) << details.error().description;
  EXPECT_EQ(ChooseLookups(details.value()),
            (std::vector<Lookup>{{"OrderID", "Orders", "OrderID", "CustomerID"},
                                 {"ProductID", "Products", "ProductID", "ProductName"}}));
}

TEST(DescribeTable, RefusesWhatIsNoTable) {
  const std::string path = FruitMdb();
  FERULO_SKIP_IF_MISSING(path, "fruit.mdb");
  for (const std::string& name : {std::string("In Dried"), std::string("Fruits")}) {
    auto described = Describe(path, name);
    ASSERT_FALSE(described.ok()) << name;
    EXPECT_EQ(described.error().number, error_code::kTableNotFound);
    EXPECT_NE(described.error().description.find("'" + name + "'"), std::string::npos);
    ExpectErrorNaming(described.error(), path);
  }
}

// Damage to what only a description reads: the indexes of a table and
// MSysRelationships. Made from nwind.mdb (Jet 3, 2 KB pages); mdb-export's
// MSysObjects gives the definition pages (Id): "Order Details" on page 415,
// MSysRelationships on page 5. Offsets within a definition page are the Jet 3
// format's: row count at 12, index count at 27, real index count at 31,
// column entries of 18 bytes after 43 + 8 per real index (type at 0, column
// number at 1).
constexpr std::size_t kPage = 2048;
constexpr std::size_t kOrderDetailsPage = 415;
constexpr std::size_t kRelationshipsPage = 5;

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFFU);
  }
}

std::uint32_t Get16(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8U;
}

// The column numbered 4 of MSysRelationships is szObject, a Text column.
void MakeSzObjectAMemo(std::string& bytes) {
  const std::size_t page = kRelationshipsPage * kPage;
  const std::size_t entries = page + 43 + 8 * Get16(bytes, page + 31);
  for (std::size_t entry = entries; entry < entries + 18 * Get16(bytes, page + 25); entry += 18) {
    if (Get16(bytes, entry + 1) == 4) {
      bytes[entry] = 0x0C;
    }
  }
}

// The row of MSysRelationships for "OrdersOrder Details" holds its names one
// after the other; "OrderID" of "Order Details" becomes "OrderIX".
void RenameRelationshipColumn(std::string& bytes) {
  const std::string row = "OrdersOrder DetailsOrder DetailsOrderIDOrders";
  const std::size_t at = bytes.find(row);
  ASSERT_NE(at, std::string::npos);
  bytes[at + row.find("OrderIDOrders") + 6] = 'X';
}

struct DamageCase {
  std::string name;
  std::function<void(std::string&)> damage;
  std::string reason;  // words of the description
  std::function<std::string()> source = Nwind;
  std::string table = "Order Details";
};

void PrintTo(const DamageCase& c, std::ostream* os) {
  *os << c.name;
}

class DamagedForDescription : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedForDescription, GivesACleanErrorNamingTheFileInTime) {
  const std::string source = GetParam().source();
  FERULO_SKIP_IF_MISSING(source, GetParam().name);
  const ferulo::test::TempDir folder;
  std::string bytes = ferulo::test::ReadFile(source);
  GetParam().damage(bytes);
  const std::string path = folder.file("damaged.mdb");
  ferulo::test::WriteFile(path, bytes);
  const Stopwatch stopwatch;
  auto described = Describe(path, GetParam().table);
  EXPECT_LT(stopwatch.elapsed(), std::chrono::seconds(5));
  ASSERT_FALSE(described.ok()) << "described";
  EXPECT_EQ(described.error().number, error_code::kCannotOpenDatabase)
      << described.error().description;
  EXPECT_NE(described.error().description.find(GetParam().reason), std::string::npos)
      << described.error().description;
  ExpectErrorNaming(described.error(), path);
}

INSTANTIATE_TEST_SUITE_P(
    Nwind, DamagedForDescription,
    ::testing::Values(
        DamageCase{"IndexCountBeyondAccess",
                   [](std::string& b) { Put32(b, kOrderDetailsPage * kPage + 27, 0x7FFFFFFF); },
                   "claims 2147483647 indexes"},
        DamageCase{"RealIndexCountBeyondAccess",
                   [](std::string& b) { Put32(b, kOrderDetailsPage * kPage + 31, 200); },
                   "claims 200 indexes"},
        DamageCase{"RelationshipRowsLost",
                   [](std::string& b) { Put32(b, kRelationshipsPage * kPage + 12, 1000); },
                   "only 7 of the 1000 rows of its relationship table"},
        DamageCase{"RelationshipOverAColumnTheTableLacks", RenameRelationshipColumn,
                   "names the column 'OrderIX', which 'Order Details' lacks"},
        DamageCase{"RelationshipColumnOfAnotherType", MakeSzObjectAMemo,
                   "MSysRelationships lacks a column or has one of a wrong type"},
        // MSysComplexColumns (Id 18) of an ACE file (4 KB pages, row count at
        // 16 of the definition page), read for Table1's complex columns.
        DamageCase{"ComplexColumnRowsLost", [](std::string& b) { Put32(b, 18 * 4096 + 16, 1000); },
                   "only 4 of the 1000 rows of its complex column table", Complex, "Table1"}),
    [](const auto& info) { return info.param.name; });

// Categories (definition on page 23) with its primary key made a plain unique
// index. Its logical index entries (20 bytes, type at 19) follow the column
// entries, the column names (a length byte each) and 39 bytes per real index.
void DemoteCategoriesPrimaryKey(std::string& bytes) {
  const std::size_t page = 23 * kPage;
  const std::size_t columns = Get16(bytes, page + 25);
  const std::size_t realIndexes = Get16(bytes, page + 31);
  std::size_t at = page + 43 + 8 * realIndexes + 18 * columns;
  for (std::size_t column = 0; column < columns; ++column) {
    at += 1 + static_cast<unsigned char>(bytes[at]);
  }
  at += 39 * realIndexes;
  for (std::size_t index = 0; index < Get16(bytes, page + 27); ++index) {
    if (bytes[at + 20 * index + 19] == 1) {
      bytes[at + 20 * index + 19] = 0;
    }
  }
}

// mdb-schema then shows no primary key but two unique indexes, CategoryName
// first, over a Required column; the other is over the AutoNumber CategoryID.
TEST(RecordKeyOfAFile, WithoutAPrimaryKeyIsTheFirstUniqueIndexThatRefusesNull) {
  const std::string source = Nwind();
  FERULO_SKIP_IF_MISSING(source, "nwind.mdb");
  const ferulo::test::TempDir folder;
  std::string bytes = ferulo::test::ReadFile(source);
  DemoteCategoriesPrimaryKey(bytes);
  ferulo::test::WriteFile(folder.file("no-primary-key.mdb"), bytes);
  auto described = Describe(folder.file("no-primary-key.mdb"), "Categories");
  ASSERT_TRUE(described.ok()) << described.error().description;
  EXPECT_EQ(described.value().table.primaryKey, std::vector<std::string>{"CategoryName"});
}

}  // namespace
}  // namespace ferulo::database::test
