// The rules that turn what a file stores into a table description, on
// hand-made input: the record key from the indexes, relations from the rows of
// MSysRelationships, Required from property data, the lookup a page offers
// for a related column, and the JSON the reader and the command line share.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "database/property_data.h"
#include "database/record_key.h"
#include "database/relationships.h"
#include "database/table_description.h"
#include "database/table_description_json.h"

namespace ferulo::database {
namespace {

ColumnDescription Column(const std::string& name, const std::string& type = "Long Integer",
                         bool required = false, bool autonumber = false) {
  return {name, type, 4, required, autonumber};
}

// ---- The record key ----------------------------------------------------

struct KeyCase {
  const char* name;
  std::vector<ColumnDescription> columns;
  std::vector<StoredIndex> indexes;
  std::vector<std::string> key;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
  *os << c.name;
}

class RecordKey : public ::testing::TestWithParam<KeyCase> {};

TEST_P(RecordKey, IsThePrimaryKeyOrTheFirstUniqueIndexWithoutNull) {
  TableDescription table{"T", GetParam().columns, {}, {}};
  ApplyRecordKey(GetParam().indexes, table);
  EXPECT_EQ(table.primaryKey, GetParam().key);
  for (const std::string& key : GetParam().key) {
    EXPECT_TRUE(table.FindColumn(key)->required) << key;
  }
}

const std::vector<ColumnDescription> kAbc{Column("A"), Column("B", "Text", true),
                                          Column("C", "Long Integer", false, true)};

INSTANTIATE_TEST_SUITE_P(
    Indexes, RecordKey,
    ::testing::Values(
        KeyCase{"PrimaryKeyInKeyOrder", kAbc, {{true, true, true, {2, 0}}}, {"C", "A"}},
        KeyCase{"PrimaryKeyBeatsAnEarlierUniqueIndex",
                kAbc,
                {{false, true, false, {1}}, {true, true, true, {0}}},
                {"A"}},
        KeyCase{"UniqueIndexOverRequiredAndAutoNumber",
                kAbc,
                {{false, false, false, {1}}, {false, true, false, {1, 2}}},
                {"B", "C"}},
        KeyCase{"UniqueIndexOverANullableColumnIsSkipped",
                kAbc,
                {{false, true, false, {0}}, {false, true, false, {2}}},
                {"C"}},
        KeyCase{"UniqueIndexThatRefusesNull", kAbc, {{false, true, true, {0}}}, {"A"}},
        KeyCase{"NoUniqueIndex", kAbc, {{false, false, true, {1}}}, {}},
        KeyCase{"NoIndex", kAbc, {}, {}},
        KeyCase{"IndexPastTheColumnsMakesNoKey", kAbc, {{true, true, true, {3}}}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Relations from MSysRelationships --------------------------------------

RelationshipRow Row(const std::string& relationship, const std::string& table,
                    const std::string& column, const std::string& referencedColumn, long long index,
                    long long count) {
  return {relationship, table, column, "Parent", referencedColumn, index, count};
}

const TableDescription kChild{"Child", {Column("W"), Column("X"), Column("Y")}, {}, {}};

TEST(Relations, ComeOnePerRelationshipWithColumnsInKeyOrder) {
  const std::vector<RelationshipRow> rows{
      Row("Two", "Child", "Y", "B", 1, 2), Row("Other", "Elsewhere", "Z", "C", 0, 1),
      Row("One", "CHILD", "x", "A", 0, 1), Row("Two", "Child", "W", "D", 0, 2)};
  auto relations = RelationsOf(kChild, rows);
  ASSERT_TRUE(relations.ok()) << relations.error().description;
  EXPECT_EQ(relations.value(),
            (std::vector<Relation>{{{"W", "Y"}, "Parent", {"D", "B"}}, {{"X"}, "Parent", {"A"}}}));
}

struct DamageCase {
  const char* name;
  std::vector<RelationshipRow> rows;
  const char* reason;
};

void PrintTo(const DamageCase& c, std::ostream* os) {
  *os << c.name;
}

class DamagedRelationship : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedRelationship, IsRefusedNamingIt) {
  auto relations = RelationsOf(kChild, GetParam().rows);
  ASSERT_FALSE(relations.ok());
  EXPECT_NE(relations.error().description.find("'R'"), std::string::npos);
  EXPECT_NE(relations.error().description.find(GetParam().reason), std::string::npos)
      << relations.error().description;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DamagedRelationship,
    ::testing::Values(
        DamageCase{"PlaceMissing", {Row("R", "Child", "X", "A", 0, 2)}, "1 of its 2"},
        DamageCase{"ColumnTheTableLacks", {Row("R", "Child", "Z", "A", 0, 1)}, "'Z'"},
        DamageCase{"PlaceTwice",
                   {Row("R", "Child", "X", "A", 0, 2), Row("R", "Child", "Y", "B", 0, 2)},
                   "twice"},
        DamageCase{"PlacePastTheCount", {Row("R", "Child", "X", "A", 1, 1)}, "place 1"},
        DamageCase{"ImpossibleCount", {Row("R", "Child", "X", "A", 0, 1'000'000)}, "claims"},
        DamageCase{"RowsDisagree",
                   {Row("R", "Child", "X", "A", 0, 2), Row("R", "Child", "Y", "B", 1, 3)},
                   "disagree"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Relations, AreSpelledAsTheReferencedTableDefinesThemAndOrderedByColumn) {
  TableWithReferences described{
      {"Child", {Column("Id"), Column("ParentName", "Text"), Column("ParentId")}, {}, {}},
      {{"Parent", {Column("Id"), Column("Name", "Text")}, {"Id"}, {}}}};
  described.table.relations = {{{"ParentId"}, "PARENT", {"ID"}},
                               {{"Id"}, "Linked", {"Key"}},
                               {{"ParentName"}, "Parent", {"name"}}};
  SpellRelationsAsDefined(described);
  EXPECT_EQ(described.table.relations, (std::vector<Relation>{{{"Id"}, "Linked", {"Key"}},
                                                              {{"ParentName"}, "Parent", {"Name"}},
                                                              {{"ParentId"}, "Parent", {"Id"}}}));
}

// ---- Required in property data ---------------------------------------------

std::string Little(std::uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) {
    out += static_cast<char>((value >> (8 * i)) & 0xFFU);
  }
  return out;
}

std::string Stored(const std::string& ascii, bool wide) {
  std::string out;
  for (const char c : ascii) {
    out += c;
    if (wide) {
      out += '\0';
    }
  }
  return out;
}

std::string Chunk(std::uint32_t type, const std::string& payload) {
  return Little(static_cast<std::uint32_t>(payload.size() + 6), 4) + Little(type, 2) + payload;
}

// Property data as Access writes it: the names, then one block per column.
// Each column gets the Yes/No property named propertyName with its value.
std::string PropertyData(bool wide, const std::string& propertyName,
                         const std::vector<std::pair<std::string, bool>>& columns) {
  std::string names;
  for (const std::string& name : {std::string("Caption"), propertyName}) {
    names += Little(static_cast<std::uint32_t>(Stored(name, wide).size()), 2) + Stored(name, wide);
  }
  std::string data = std::string(wide ? "MR2" : "KKD", 3) + '\0' + Chunk(0x80, names);
  for (const auto& [column, value] : columns) {
    const std::string name = Stored(column, wide);
    const std::string caption = Little(9, 2) + '\0' + '\x0A' + Little(0, 2) + Little(1, 2) + "c";
    const std::string flag =
        Little(9, 2) + '\0' + '\x01' + Little(1, 2) + Little(1, 2) + (value ? '\xFF' : '\0');
    const std::string records = caption + flag;
    data += Chunk(0x01, Little(static_cast<std::uint32_t>(6 + name.size() + records.size()), 4) +
                            Little(static_cast<std::uint32_t>(name.size()), 2) + name + records);
  }
  return data;
}

TEST(RequiredProperty, NamesTheColumnsWhoseRequiredIsYes) {
  for (const bool wide : {false, true}) {
    const std::string data =
        PropertyData(wide, "Required", {{"A", true}, {"B", false}, {"Name", true}});
    EXPECT_EQ(ReadColumnProperties(data),
              (std::vector<StoredColumnProperties>{{Stored("A", wide), true},
                                                   {Stored("Name", wide), true}}))
        << (wide ? "MR2" : "KKD");
    EXPECT_TRUE(ReadColumnProperties(PropertyData(wide, "Requiredness", {{"A", true}})).empty());
  }
}

TEST(RequiredProperty, DataCutShortAnywhereGivesNoName) {
  const std::string data = PropertyData(true, "Required", {{"A", true}});
  for (std::size_t length = 0; length < data.size(); ++length) {
    EXPECT_TRUE(ReadColumnProperties(data.substr(0, length)).empty()) << length;
  }
}

// ---- Lookups ---------------------------------------------------------------

struct LookupCase {
  const char* name;
  Relation relation;
  std::vector<ColumnDescription> referencedColumns;
  std::optional<Lookup> lookup;
};

void PrintTo(const LookupCase& c, std::ostream* os) {
  *os << c.name;
}

class LookupChoice : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LookupChoice, TakesTheReferencedKeyAndTheFirstOtherTextColumn) {
  const TableDescription referenced{"Customers", GetParam().referencedColumns, {}, {}};
  EXPECT_EQ(ChooseLookup(GetParam().relation, referenced), GetParam().lookup);
}

const Relation kToCustomers{{"CustomerID"}, "Customers", {"customerid"}};

INSTANTIATE_TEST_SUITE_P(
    Relations, LookupChoice,
    ::testing::Values(LookupCase{"CaptionIsTheFirstTextColumnAfterTheKey",
                                 kToCustomers,
                                 {Column("CustomerID", "Text"), Column("Since", "Date/Time"),
                                  Column("CompanyName", "Text"), Column("City", "Text")},
                                 Lookup{"CustomerID", "Customers", "CustomerID", "CompanyName"}},
                      LookupCase{"ARequiredTextComesFirst",
                                 kToCustomers,
                                 {Column("CustomerID", "Text"), Column("City", "Text"),
                                  Column("CompanyName", "Text", true)},
                                 Lookup{"CustomerID", "Customers", "CustomerID", "CompanyName"}},
                      LookupCase{"TextBeforeTheKeyCounts",
                                 kToCustomers,
                                 {Column("CompanyName", "Text"), Column("CustomerID")},
                                 Lookup{"CustomerID", "Customers", "CustomerID", "CompanyName"}},
                      LookupCase{"MemoIsNoCaption",
                                 kToCustomers,
                                 {Column("CustomerID"), Column("Notes", "Memo")},
                                 Lookup{"CustomerID", "Customers", "CustomerID", "CustomerID"}},
                      LookupCase{"SeveralColumns",
                                 {{"A", "B"}, "Customers", {"A", "B"}},
                                 {Column("A"), Column("B"), Column("Name", "Text")},
                                 std::nullopt},
                      LookupCase{
                          "ReferencedColumnMissing", kToCustomers, {Column("Id")}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- JSON ------------------------------------------------------------------

TEST(DescriptionJson, RefusesWhatIsNotADescription) {
  const nlohmann::json good = ToJson({"T", {Column("A")}, {"A"}, {{{"A"}, "U", {"B"}}}});
  for (const auto& [path, value] : std::vector<std::pair<std::string, nlohmann::json>>{
           {"/table", 7},
           {"/columns/0/size", "4"},
           {"/columns/0/required", nullptr},
           {"/columns/0/calculated", "yes"},
           {"/primaryKey/0", "Missing"},
           {"/relations/0/columns/0", "Missing"},
           {"/relations/0/references/columns", nlohmann::json::array()},
           {"/relations/0/references", "U"}}) {
    nlohmann::json bad = good;
    bad[nlohmann::json::json_pointer(path)] = value;
    EXPECT_FALSE(TableDescriptionFromJson(bad).ok()) << path;
  }
}

}  // namespace
}  // namespace ferulo::database
