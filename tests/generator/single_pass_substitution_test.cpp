// The one-pass substitution must give what one substitution after another
// gives, byte for byte: checked on many random pages built from marker
// pieces, where values and text can complete markers in every way.
#include <gtest/gtest.h>

#include <random>

#include "generator/fragments.h"
#include "generator/single_pass_substitution.h"
#include "generator/template_substitution.h"

namespace ferulo::generator {
namespace {

// The plain definition both ways must agree with: each marker in turn,
// replaced everywhere left to right, its inserted values not scanned again.
std::string Chained(std::string text, std::span<const MarkerValue> markers) {
  for (const MarkerValue& m : markers) {
    std::string replaced;
    std::size_t from = 0;
    for (std::size_t at = text.find(m.marker); at != std::string::npos;
         at = text.find(m.marker, from)) {
      replaced.append(text, from, at - from).append(m.value);
      from = at + m.marker.size();
    }
    text = replaced.append(text, from);
  }
  return text;
}

// Pieces that make whole markers, halves of markers, and plain text.
const std::vector<std::string> kPieces{"<!--@NAME@-->",
                                       "<!--@FILE@-->",
                                       "<!--@HEAD@-->",
                                       "<!--@BODY@-->",
                                       "<!--@SEARCH@-->",
                                       "<!--@KEYS@-->",
                                       "<!--@LOOKUPS@-->",
                                       "<!--@",
                                       "@-->",
                                       "NAME",
                                       "FILE",
                                       "FI",
                                       "LE",
                                       "<!--@FI",
                                       "LE@-->",
                                       "<",
                                       ">",
                                       "-",
                                       "@",
                                       "x",
                                       "\r\n",
                                       "<td>"};

std::string RandomText(std::mt19937& random, int maxPieces) {
  std::uniform_int_distribution<int> count(0, maxPieces);
  std::uniform_int_distribution<std::size_t> piece(0, kPieces.size() - 1);
  std::string text;
  for (int i = count(random); i > 0; --i) {
    text += kPieces[piece(random)];
  }
  return text;
}

TEST(SinglePassSubstitution, AgreesWithOneSubstitutionAfterAnotherOnRandomPages) {
  std::mt19937 random(20261207);
  int onePassCases = 0;
  for (int round = 0; round < 40000; ++round) {
    const std::string text = RandomText(random, 12);
    // Half the pages get values that cannot form a marker, so both ways are
    // taken often.
    const bool plainValues = round % 2 == 0;
    std::vector<std::string> values;
    for (int i = 0; i < 7; ++i) {
      values.push_back(plainValues ? "v" + std::to_string(i) + "<td>\r\n" : RandomText(random, 3));
    }
    const MarkerValue markers[] = {
        {kNameMarker, values[0]},    {kFileMarker, values[1]},   {kHeadMarker, values[2]},
        {kBodyMarker, values[3]},    {kSearchMarker, values[4]}, {kKeysMarker, values[5]},
        {kLookupsMarker, values[6]},
    };
    const std::string expected = Chained(text, markers);
    ASSERT_EQ(ReplaceMarkers(text, markers), expected) << "round " << round << ": " << text;
    if (SinglePassIsExact(markers)) {
      ++onePassCases;
      ASSERT_EQ(ReplaceInOnePass(text, markers), expected) << "round " << round << ": " << text;
    }
  }
  // The comparison means something only if both ways were taken often.
  EXPECT_GT(onePassCases, 10000);
  EXPECT_LT(onePassCases, 39000);
}

struct UnsafeCase {
  const char* name;
  std::vector<MarkerValue> markers;
};

void PrintTo(const UnsafeCase& c, std::ostream* os) {
  *os << c.name;
}

class SinglePassRefused : public ::testing::TestWithParam<UnsafeCase> {};

TEST_P(SinglePassRefused, FallsBackToOneSubstitutionAfterAnother) {
  EXPECT_FALSE(SinglePassIsExact(GetParam().markers));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SinglePassRefused,
    ::testing::Values(
        UnsafeCase{"ValueHoldsALaterMarker", {{kNameMarker, "<!--@FILE@-->"}, {kFileMarker, "f"}}},
        UnsafeCase{"ValueEndsWithTheStartOfOne", {{kNameMarker, "t<!--@F"}, {kFileMarker, "f"}}},
        UnsafeCase{"ValueStartsWithTheEndOfOne", {{kNameMarker, "LE@-->t"}, {kFileMarker, "f"}}},
        UnsafeCase{"ValueInsideALaterMarker", {{kNameMarker, "FILE"}, {kFileMarker, "f"}}},
        UnsafeCase{"EmptyValueBeforeALaterMarker", {{kNameMarker, ""}, {kFileMarker, "f"}}},
        UnsafeCase{"MarkerListedTwice", {{kNameMarker, "a"}, {kNameMarker, "b"}}},
        UnsafeCase{"NoSharedPrefix", {{"<!--@NAME@-->", "a"}, {"{{FILE}}", "b"}}},
        UnsafeCase{"SelfOverlappingMarker", {{"aXa", "b"}}}),
    [](const auto& info) { return std::string(info.param.name); });

// What the generation run inserts: real fragments, a table and a page name.
TEST(SinglePassSubstitution, IsTakenForARealListPage) {
  const std::vector<std::string> fields{"id", "title", "unit price"};
  const ListPageFragments list = BuildListPageFragments(fields, fields, fields);
  const RecordFragments record = BuildRecordFragments(
      {"OrderID", "ProductID"}, {{"ProductID", "Products", "ProductID", "ProductName"}});
  const MarkerValue markers[] = {
      {kNameMarker, "Order Details"},   {kFileMarker, "shop"},        {kHeadMarker, list.head},
      {kBodyMarker, list.body},         {kSearchMarker, list.search}, {kKeysMarker, record.keys},
      {kLookupsMarker, record.lookups},
  };
  EXPECT_TRUE(SinglePassIsExact(markers));
}

}  // namespace
}  // namespace ferulo::generator
