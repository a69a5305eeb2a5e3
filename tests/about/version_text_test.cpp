// The version label's text built from the build's version fields.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "about/version_text.h"

namespace ferulo::about {
namespace {

struct VersionCase {
  std::string name;
  VersionFields fields;
  std::optional<std::string> text;  // empty: no text, the placeholder stays
};

void PrintTo(const VersionCase& c, std::ostream* out) {
  *out << c.name;
}

class VersionTextOf : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionTextOf, Fields) {
  const VersionCase& c = GetParam();
  const std::optional<QString> text = VersionText(c.fields);
  ASSERT_EQ(text.has_value(), c.text.has_value());
  if (c.text) {
    EXPECT_EQ(text->toStdString(), *c.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, VersionTextOf,
    ::testing::Values(
        VersionCase{"ThisProgram", {"1", "0", "0", "3"}, "Version1.0.3"},
        VersionCase{"BuildFieldIsNotShown", {"2", "10", "99", "0"}, "Version2.10.0"},
        VersionCase{"LeadingZerosDropped", {"01", "002", "0", "0003"}, "Version1.2.3"},
        VersionCase{"LargestField", {"65535", "0", "0", "65535"}, "Version65535.0.65535"},
        VersionCase{"BuildFieldMayBeMissing", {"1", "0", "", "3"}, "Version1.0.3"},
        VersionCase{"NoRevision", {"1", "0", "0", ""}, std::nullopt},
        VersionCase{"NoMajor", {"", "0", "0", "3"}, std::nullopt},
        VersionCase{"Letters", {"1", "x", "0", "3"}, std::nullopt},
        VersionCase{"Sign", {"1", "0", "0", "-3"}, std::nullopt},
        VersionCase{"PlusSign", {"+1", "0", "0", "3"}, std::nullopt},
        VersionCase{"Blank", {"1", "0", "0", " 3"}, std::nullopt},
        VersionCase{"BeyondAFileVersionField", {"65536", "0", "0", "3"}, std::nullopt},
        VersionCase{"FarTooLarge", {"1", "0", "0", "99999999999999999999"}, std::nullopt}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace ferulo::about
