// The rules of the database layer that need no file: which MSysObjects rows
// the schema lists and as what, and which property data counts as damaged.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/error_codes.h"
#include "database/connection.h"
#include "database/object_types.h"
#include "database/property_data_check.h"

namespace ferulo::database::test {
namespace {

TEST(UserTableNames, KeepsOnlyRowsOfTypeTableExactlyInOrder) {
  const std::vector<SchemaRow> schema{{"SYSTEM TABLE", "MSysObjects"},
                                      {"TABLE", "b"},
                                      {"VIEW", "q"},
                                      {"table", "lower"},
                                      {"TABLE ", "padded"},
                                      {"LINK", "l"},
                                      {"TABLE", "a"},
                                      {"PASS-THROUGH", "p"}};
  EXPECT_EQ(UserTableNames(schema), (std::vector<std::string>{"b", "a"}));
  EXPECT_TRUE(UserTableNames({}).empty());
}

struct ObjectTypeCase {
  std::string name;
  int type;
  std::uint32_t flags;
  std::string objectName;
  std::optional<std::string> tableType;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ObjectTypeCase& c, std::ostream* os) {
  *os << c.name;
}

class ObjectType : public ::testing::TestWithParam<ObjectTypeCase> {};

TEST_P(ObjectType, MapsToTheTableTypeAdoReports) {
  const auto& param = GetParam();
  const auto tableType = TableTypeOf(param.type, param.flags, param.objectName);
  EXPECT_EQ(tableType ? std::optional<std::string>(*tableType) : std::nullopt, param.tableType);
}

// Values as they stand in the sample files' MSysObjects.
INSTANTIATE_TEST_SUITE_P(
    MSysObjectsRows, ObjectType,
    ::testing::Values(
        ObjectTypeCase{"UserTable", 1, 0, "Orders", "TABLE"},
        ObjectTypeCase{"HiddenUserTable", 1, 0x1, "Hidden", "TABLE"},
        ObjectTypeCase{"SystemFlagHigh", 1, 0x80000000U, "MSysObjects", "SYSTEM TABLE"},
        ObjectTypeCase{"SystemFlagLow", 1, 0x2, "MSysAccessObjects", "SYSTEM TABLE"},
        ObjectTypeCase{"NavPaneFlags", 1, 10, "MSysNavPaneGroups", "SYSTEM TABLE"},
        ObjectTypeCase{"AccessInternal", 1, 0x800A0000U, "f_75A7_Data", "SYSTEM TABLE"},
        ObjectTypeCase{"MSysNameWithoutFlags", 1, 0, "MSysSomething", "SYSTEM TABLE"},
        ObjectTypeCase{"MsysLowerCase", 1, 0, "msysodd", "SYSTEM TABLE"},
        ObjectTypeCase{"NameLikeMSys", 1, 0, "MSy", "TABLE"},
        ObjectTypeCase{"SavedQuery", 5, 0, "Invoices", "VIEW"},
        ObjectTypeCase{"HiddenQuery", 5, 3, "~sq_fFruit", "VIEW"},
        ObjectTypeCase{"LinkedTable", 6, 0, "Remote", "LINK"},
        ObjectTypeCase{"OdbcLinkedTable", 4, 0, "Server", "PASS-THROUGH"},
        // Reports are -32764, which libmdb masks into 4; they are no links.
        ObjectTypeCase{"Report", -32764, 0, "Invoice", std::nullopt},
        ObjectTypeCase{"Form", -32768, 0, "Customers", std::nullopt},
        ObjectTypeCase{"Macro", -32766, 0, "Sample Autokeys", std::nullopt},
        ObjectTypeCase{"Module", -32761, 0, "Startup", std::nullopt},
        ObjectTypeCase{"Relationship", 8, 0, "CustomersOrders", std::nullopt},
        ObjectTypeCase{"Container", 3, 0x80000000U, "Tables", std::nullopt},
        ObjectTypeCase{"DatabaseObject", 2, 0x80000000U, "MSysDb", std::nullopt},
        ObjectTypeCase{"DatabaseDocument", -32757, 0, "SummaryInfo", std::nullopt},
        ObjectTypeCase{"TableTypePlus128", 129, 0, "Odd", std::nullopt}),
    [](const auto& info) { return info.param.name; });

// Property data, byte by byte: "MR2\0", then chunks of [length:4][type:2]
// [payload]; a names chunk (0x80) holds [length:2][name] entries, a values
// chunk (0x00) a block header [length:4][name length:2][name] followed by
// records [length:2][flags:1][type:1][name index:2][size:2][value].
std::string Le16(unsigned value) {
  return {static_cast<char>(value & 0xFFU), static_cast<char>((value >> 8U) & 0xFFU)};
}
std::string Le32(unsigned value) {
  return Le16(value & 0xFFFFU) + Le16(value >> 16U);
}
std::string Chunk(unsigned type, const std::string& payload) {
  return Le32(static_cast<unsigned>(payload.size()) + 6) + Le16(type) + payload;
}
std::string Names() {
  return Chunk(0x80, Le16(4) + std::string("T\0i\0", 4));
}
std::string Record(const std::string& value) {
  return Le16(static_cast<unsigned>(8 + value.size())) + std::string("\0\x0a", 2) + Le16(0) +
         Le16(static_cast<unsigned>(value.size())) + value;
}
std::string Values(const std::string& records) {
  return Chunk(0x00, Le32(0) + Le16(0) + records);
}
const std::string kMagic("MR2\0", 4);

struct PropertyCase {
  std::string name;
  std::string data;
  std::string damage;  // "" for sound data, else a word of the reason
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const PropertyCase& c, std::ostream* os) {
  *os << c.name;
}

class PropertyData : public ::testing::TestWithParam<PropertyCase> {};

TEST_P(PropertyData, IsJudgedByItsLayout) {
  const std::string damage = FindPropertyDataDamage(GetParam().data);
  if (GetParam().damage.empty()) {
    EXPECT_EQ(damage, "");
  } else {
    EXPECT_NE(damage.find(GetParam().damage), std::string::npos) << damage;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PropertyData,
    ::testing::Values(
        PropertyCase{"Sound", kMagic + Names() + Values(Record("ab") + Record("")), ""},
        PropertyCase{"SoundJet3", std::string("KKD\0", 4) + Names() + Values(Record("x")), ""},
        PropertyCase{"MagicOnly", kMagic, ""},
        PropertyCase{"UnknownChunkTypeIsSkipped", kMagic + Chunk(0x33, "zz") + Names(), ""},
        PropertyCase{"WrongMagic", "XYZ" + std::string(1, '\0') + Names(), "KKD or MR2"},
        PropertyCase{"Empty", "", "KKD or MR2"},
        // libmdb's parser never advances past a zero-length chunk.
        PropertyCase{"ZeroLengthChunk", kMagic + Le32(0) + Le16(0x80) + Names(),
                     "impossible length 0"},
        PropertyCase{"ChunkShorterThanItsHeader", kMagic + Le32(3) + Le16(0x00) + Names(),
                     "impossible length 3"},
        PropertyCase{"ChunkPastTheEnd", kMagic + Le32(400) + Le16(0x80) + Le16(0), "past the end"},
        PropertyCase{"ChunkHeaderCut", kMagic + Names() + "\x10\0", "cut short"},
        PropertyCase{"NamePastItsChunk", kMagic + Chunk(0x80, Le16(9) + "ab"), "name runs past"},
        // ...nor past a zero-length property record.
        PropertyCase{"ZeroLengthRecord",
                     kMagic + Names() + Values(Le16(0) + std::string(6, '\0') + Record("a")),
                     "impossible length 0"},
        PropertyCase{"RecordPastItsChunk",
                     kMagic + Names() + Values(Le16(40) + std::string(6, '\0')), "runs past"},
        PropertyCase{
            "ValueLargerThanItsRecord",
            kMagic + Names() + Values(Le16(9) + std::string("\0\x0a", 2) + Le16(0) + Le16(5) + "a"),
            "runs past"},
        PropertyCase{"RecordCut", kMagic + Names() + Values("\x08"), "cut short"},
        PropertyCase{"BlockNamePastItsChunk", kMagic + Chunk(0x01, Le32(0) + Le16(50)),
                     "block header"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace ferulo::database::test
