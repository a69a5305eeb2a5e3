// Which helpers a page gets: the names its script declares, the helpers it
// calls directly or through others, and a helper file that cannot serve.
#include <gtest/gtest.h>

#include "common/error_codes.h"
#include "generator/page_helpers.h"

namespace ferulo::generator {
namespace {

struct DeclaredCase {
  const char* name;
  const char* page;
  std::set<std::string> declared;
};

void PrintTo(const DeclaredCase& c, std::ostream* os) {
  *os << c.name;
}

class DeclaredNames : public ::testing::TestWithParam<DeclaredCase> {};

TEST_P(DeclaredNames, AreThoseOfTheScriptsTopLevel) {
  EXPECT_EQ(DeclaredScriptNames(GetParam().page), GetParam().declared);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, DeclaredNames,
    ::testing::Values(
        DeclaredCase{
            "ProceduresAndClasses",
            "<% Function LikeText(t)\r\nEnd Function\r\nPrivate Sub Show()\r\nEnd Sub\r\n"
            "Class RecordView\r\n Public Default Property Get Item(k)\r\n End Property\r\n"
            " Public Function Shown(f)\r\n End Function\r\n Private target\r\nEnd Class %>",
            {"liketext", "show", "recordview"}},
        DeclaredCase{"VariablesAndConstants",
                     "<% Dim a, b(3), c : ReDim Preserve d(2)\r\nConst X = 1, Y = \"p, q\"\r\n"
                     "Public P : Private Const Q = 2 %>",
                     {"a", "b", "c", "d", "x", "y", "p", "q"}},
        DeclaredCase{"LocalsOfAProcedureAreNot",
                     "<% Function F()\r\n Dim local\r\n Const Inner = 1\r\nEnd Function %>",
                     {"f"}},
        DeclaredCase{
            "CommentsStringsExpressionsAndHtmlAreNot",
            "Function Html() <%= \"Dim Shown\" %><% x = \"Function NotOne()\" ' Sub Nor\r\n"
            "Rem Dim Neither : Dim AlsoNot\r\n%><!-- Dim y -->",
            {}},
        DeclaredCase{"AProcedureOverSeveralBlocks",
                     "<% Sub WriteRow() %><td><%= 1 %></td><% Dim notTopLevel %><% End Sub\r\n"
                     "Dim afterIt %>",
                     {"writerow", "afterit"}},
        DeclaredCase{"ContinuedLines",
                     "<% Dim first, _\r\n  second\r\nFunction Long(a, _\r\n b)\r\nEnd Function %>",
                     {"first", "second", "long"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A helper file of four helpers: A calls B, B calls nothing, C calls D
// through a comment-free line, D is a variable.
constexpr std::string_view kHelpers =
    "' The file's own comment.\r\n"
    "\r\n"
    "' A's comment.\r\n"
    "Function A(x)\r\n"
    "  A = B(x) ' C is only named in this comment\r\n"
    "End Function\r\n"
    "\r\n"
    "Function B(x)\r\n"
    "  B = \"C(x)\"\r\n"
    "End Function\r\n"
    "\r\n"
    "Class C\r\n"
    "  Public Function Value()\r\n"
    "    Value = d\r\n"
    "  End Function\r\n"
    "End Class\r\n"
    "\r\n"
    "Dim D\r\n";

struct NeededCase {
  const char* name;
  const char* page;
  std::string appended;
};

void PrintTo(const NeededCase& c, std::ostream* os) {
  *os << c.name;
}

class HelpersThePageNeeds : public ::testing::TestWithParam<NeededCase> {};

TEST_P(HelpersThePageNeeds, AreAppendedInTheFilesOrder) {
  auto helpers = ParsePageHelpers(kHelpers, "pagehelpers.vbs");
  ASSERT_TRUE(helpers.ok()) << helpers.error().description;
  EXPECT_EQ(HelpersThePageLacks(GetParam().page, helpers.value()), GetParam().appended);
}

constexpr const char* kHead =
    "<%\r\n' The page helpers this page uses and its template does not define.\r\n";
const std::string kA =
    "' A's comment.\r\nFunction A(x)\r\n  A = B(x) ' C is only named in this comment\r\nEnd "
    "Function\r\n";
const std::string kB = "Function B(x)\r\n  B = \"C(x)\"\r\nEnd Function\r\n";
const std::string kCD =
    "Class C\r\n  Public Function Value()\r\n    Value = d\r\n  End Function\r\nEnd Class\r\nDim "
    "D\r\n";

INSTANTIATE_TEST_SUITE_P(
    Pages, HelpersThePageNeeds,
    ::testing::Values(
        NeededCase{"NoneCalled", "<p>A B C</p><% x = 1 ' A %>", ""},
        NeededCase{"CalledThroughAnother", "<%= a(1) %>", (kHead + kA + kB + "%>\r\n")},
        NeededCase{"TheTemplatesOwnVersionIsKept", "<% x = A(1)\r\nFunction b(y) : End Function %>",
                   (kHead + kA + "%>\r\n")},
        NeededCase{"AClassAndTheVariableItUses", "<% Set o = New C %>", (kHead + kCD + "%>\r\n")},
        NeededCase{"DeclaredButNotCalled", "<% Dim a %>", ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadFileCase {
  const char* name;
  const char* text;
  const char* description;
};

void PrintTo(const BadFileCase& c, std::ostream* os) {
  *os << c.name;
}

class BadHelperFile : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadHelperFile, IsRefusedNamingFileAndLine) {
  auto helpers = ParsePageHelpers(GetParam().text, "/opt/ferulo/pagehelpers.vbs");
  ASSERT_FALSE(helpers.ok());
  EXPECT_EQ(helpers.error().number, error_code::kBadPageHelpers);
  EXPECT_EQ(
      helpers.error().description,
      std::string("The page helpers '/opt/ferulo/pagehelpers.vbs' line ") + GetParam().description);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadHelperFile,
    ::testing::Values(
        BadFileCase{"AStatementThatWouldRun", "Function A()\r\nEnd Function\r\nx = 1\r\n",
                    "3: only a Function, a Sub, a Class or a Dim of one variable may stand here, "
                    "since the helpers go at the end of every page"},
        BadFileCase{"TwoVariablesInOneDim", "Dim a, b\r\n",
                    "1: only a Function, a Sub, a Class or a Dim of one variable may stand here, "
                    "since the helpers go at the end of every page"},
        BadFileCase{"NeverEnded", "' x\r\nSub S()\r\n", "3: 's' is never ended"},
        BadFileCase{"DeclaredTwice", "Sub S()\r\nEnd Sub\r\n' again\r\nsub s()\r\nEnd Sub\r\n",
                    "3: 's' is declared twice"},
        BadFileCase{"ScriptBlockEnd", "Sub S()\r\n ' 50%>\r\nEnd Sub\r\n",
                    "2: \"%>\" would end the page's script block here"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ferulo::generator
