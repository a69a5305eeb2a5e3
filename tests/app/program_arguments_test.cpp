// The ferulo executable's own command line: help and version answer without a
// display; an unknown option or a second database is refused before a
// window opens.
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace ferulo {
namespace {

struct ArgumentCase {
  const char* name;
  std::vector<std::string> arguments;
  int exitCode;
  const char* stdoutMentions;
  const char* stderrMentions;
};

void PrintTo(const ArgumentCase& c, std::ostream* os) {
  *os << c.name;
}

class FeruloArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(FeruloArguments, AnswerWithoutOpeningAWindow) {
  std::vector<std::string> command{test::BinDir() + "/ferulo"};
  command.insert(command.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  const test::ProcessResult result = test::RunProcess(command, std::chrono::seconds(30));
  EXPECT_EQ(result.exitCode, GetParam().exitCode) << result.out << result.err;
  EXPECT_NE(result.out.find(GetParam().stdoutMentions), std::string::npos) << result.out;
  EXPECT_NE(result.err.find(GetParam().stderrMentions), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FeruloArguments,
    ::testing::Values(
        ArgumentCase{"Help", {"--help"}, 0, "Usage: ferulo", ""},
        ArgumentCase{"ShortHelp", {"-h"}, 0, "ferulo-cli", ""},
        ArgumentCase{"Version", {"--version"}, 0, "ferulo 1.0.0.3\n", ""},
        ArgumentCase{"UnknownOption", {"--shop"}, 2, "", "unexpected argument '--shop'"},
        ArgumentCase{"TwoDatabases", {"a.mdb", "b.mdb"}, 2, "", "unexpected argument 'b.mdb'"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ferulo
