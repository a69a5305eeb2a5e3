// Marker substitution: exact, case-sensitive, left to right, never rescanning
// what it has just inserted.
#include <gtest/gtest.h>

#include "generator/template_substitution.h"

namespace ferulo::generator {
namespace {

struct SubstitutionCase {
  const char* name;
  std::string text;
  std::string value;
  std::string expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SubstitutionCase& c, std::ostream* os) {
  *os << c.name;
}

class ReplaceNameMarker : public ::testing::TestWithParam<SubstitutionCase> {};

TEST_P(ReplaceNameMarker, GivesTheExpectedText) {
  const SubstitutionCase& c = GetParam();
  const MarkerValue markers[] = {{kNameMarker, c.value}};
  EXPECT_EQ(ReplaceMarkers(c.text, markers), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceNameMarker,
    ::testing::Values(
        SubstitutionCase{"NoMarker", "<html>\r\nplain\n</html>", "news",
                         "<html>\r\nplain\n</html>"},
        SubstitutionCase{"EmptyText", "", "news", ""},
        SubstitutionCase{"Twice", "a<!--@NAME@-->b<!--@NAME@-->c", "T", "aTbTc"},
        SubstitutionCase{"Adjacent", "<!--@NAME@--><!--@NAME@-->", "x", "xx"},
        SubstitutionCase{"LowerCaseWordStays", "<!--@name@--> <!--@Name@-->", "x",
                         "<!--@name@--> <!--@Name@-->"},
        SubstitutionCase{"OtherMarkersStay", "<!--@EDIT@--><!--@NAME@--><!--@FILE@-->", "x",
                         "<!--@EDIT@-->x<!--@FILE@-->"},
        SubstitutionCase{"InsertedTextNotRescanned", "[<!--@NAME@-->]", "<!--@NAME@-->",
                         "[<!--@NAME@-->]"},
        SubstitutionCase{"ValueBuildsNoNewMarker", "<!--@NAME<!--@NAME@-->@-->", "",
                         "<!--@NAME@-->"},
        SubstitutionCase{"PartialMarkerAtEnd", "x<!--@NAME@-", "y", "x<!--@NAME@-"},
        SubstitutionCase{"EmptyValue", "a <!--@NAME@--> b", "", "a  b"},
        SubstitutionCase{"BytesPassUnchanged", std::string("\xEF\xBB\xBF\0<!--@NAME@-->\xFF", 18),
                         "\xE3\x80\x80", std::string("\xEF\xBB\xBF\0\xE3\x80\x80\xFF", 8)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ferulo::generator

namespace ferulo::generator {
namespace {

// The substitutions in turn: a value inserted early has a later marker
// replaced, an earlier one not.
TEST(ReplaceMarkers, IsOneSubstitutionAfterAnother) {
  const std::string text = "<!--@FILE@-->|<!--@NAME@-->|<!--@HEAD@-->|<!--@name@-->|<!--@BODY@-->";
  const MarkerValue markers[] = {
      {kNameMarker, "t<!--@HEAD@-->"},
      {kFileMarker, "f<!--@NAME@-->"},
      {kHeadMarker, "h"},
      {kSearchMarker, "never there"},
  };
  EXPECT_EQ(ReplaceMarkers(text, markers), "f<!--@NAME@-->|th|h|<!--@name@-->|<!--@BODY@-->");
}

}  // namespace
}  // namespace ferulo::generator
