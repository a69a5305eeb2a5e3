// Whole generation runs on real files: every output compared byte for byte
// with text written out by hand, and failures that must leave no trace.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>

#include "common/error_codes.h"
#include "generator/fragments.h"
#include "generator/generation_run.h"
#include "support/test_support.h"

// Calls to umask from anywhere in this test program, counted: this
// definition stands before libc's.
int umaskCalls = 0;

extern "C" mode_t umask(mode_t mask) noexcept {
  ++umaskCalls;
  return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

namespace ferulo::generator {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

// Templates with every marker, a marker of another template, a lower-case
// word and a line ending in LF alone.
constexpr const char* kListTemplate =
    "<title><!--@NAME@--></title>\r\n"
    "<a href=\"<!--@FILE@-->edit.asp\">add</a> <a href=\"<!--@FILE@-->filter.asp\">filter</a>\r\n"
    "<tr><!--@HEAD@--></tr>\n"
    "<tr><!--@BODY@--></tr>\r\n"
    "<% searchfilter = \"\"\r\n<!--@SEARCH@-->%>\r\n"
    "<!--@EDIT@--><!--@name@--><!--@NAME@-->";
constexpr const char* kEditTemplate =
    "<% Function FieldControl(n) : End Function %>"
    "<% if request.form(\"x\") <> \"\" then\r\n<!--@EDIT@-->end if %>\r\n"
    "<table><!--@FORM@--></table><!--@FILTER@-->\r\n"
    "<a href=\"<!--@FILE@-->list.asp\"><!--@NAME@--></a>\r\n";
constexpr const char* kFilterTemplate =
    "<% txtFilter = \"\"\n<!--@FILTER@-->%>\n<table><!--@FILTERFORM@--></table><!--@HEAD@-->\n";
// The list page calls SearchTerm, the filter page FilterTerm, the edit page
// FieldControl, which its template defines itself.
constexpr const char* kHelpers =
    "' SearchTerm's comment\r\nFunction SearchTerm(column, text)\r\nEnd Function\r\n"
    "Function FilterTerm(column, text)\r\nEnd Function\r\n"
    "Function FieldControl(name)\r\nEnd Function\r\n";
constexpr const char* kAppendedStart =
    "<%\r\n' The page helpers this page uses and its template does not define.\r\n";

class GenerationRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(templates_);
    fs::create_directory(output_);
    WriteFile(templates_ / "filelist.dat", kListTemplate);
    WriteFile(templates_ / "fileedit.dat", kEditTemplate);
    WriteFile(templates_ / "filefilter.dat", kFilterTemplate);
    WriteFile(templates_ / "pagehelpers.vbs", kHelpers);
  }

  GenerationInput Input() const {
    return GenerationInput{
        .databasePathText = "/data/shop.mdb",
        .databaseFileName = "shop.mdb",
        .tableName = "news",
        .outputPath = output_.string() + "/",
        .lists = {.fieldNames = {"id", "title"},
                  .displayNames = {"No", "Title"},
                  .filterNames = {"title"},
                  .searchNames = {"title"}},
        .programDirectory = templates_.string(),
        .description = {.table = {.name = "news",
                                  .columns = {{"id", "Long Integer", 4, true, true},
                                              {"title", "Text", 255, false, false},
                                              {"body", "Memo", 0, false, false}},
                                  .primaryKey = {"id"},
                                  .relations = {}},
                        .referencedTables = {}},
    };
  }

  std::string Out(const std::string& name) const { return ReadFile(output_ / name); }

  test::TempDir dir_;
  fs::path templates_ = dir_.path() / "program";
  fs::path output_ = dir_.path() / "web";
};

// The pages as the templates, the fragments and the helpers make them.
const ListPageFragments kList = BuildListPageFragments({"id", "title"}, {"No", "Title"}, {"title"});
const EditPageFragments kEdit = BuildEditPageFragments({"id", "title"}, {"No", "Title"});
const FilterPageFragments kFilter = BuildFilterPageFragments({"title"});

const std::string kExpectedList =
    "<title>news</title>\r\n"
    "<a href=\"shopedit.asp\">add</a> <a href=\"shopfilter.asp\">filter</a>\r\n"
    "<tr>" +
    kList.head + "</tr>\n<tr>" + kList.body + "</tr>\r\n<% searchfilter = \"\"\r\n" + kList.search +
    "%>\r\n<!--@EDIT@--><!--@name@-->news" + kAppendedStart +
    "' SearchTerm's comment\r\nFunction SearchTerm(column, text)\r\nEnd Function\r\n%>\r\n";

const std::string kExpectedEdit =
    "<% Function FieldControl(n) : End Function %><% if request.form(\"x\") <> \"\" then\r\n" +
    kEdit.edit + "end if %>\r\n<table>" + kEdit.form +
    "</table><!--@FILTER@-->\r\n<a href=\"shoplist.asp\">news</a>\r\n";

const std::string kExpectedFilter = "<% txtFilter = \"\"\n" + kFilter.filter + "%>\n<table>" +
                                    kFilter.filterForm + "</table><!--@HEAD@-->\n" +
                                    kAppendedStart +
                                    "Function FilterTerm(column, text)\r\nEnd Function\r\n%>\r\n";

constexpr const char* kExpectedInclude =
    "<%\r\n"
    "dim conn,connstr\r\n"
    "connstr=\"DBQ=\"+server.mappath(\"shop.mdb\")+\";DefaultDir=;DRIVER={Microsoft Access Driver "
    "(*.mdb)};\" \r\n"
    "set conn=server.createobject(\"ADODB.CONNECTION\")\r\n"
    "conn.open connstr\r\n"
    "%>\r\n";

TEST_F(GenerationRunTest, WritesTheFourFilesByteForByte) {
  auto report = RunGeneration(Input());
  ASSERT_TRUE(report.ok()) << report.error().description;
  EXPECT_EQ(report.value().message.text, "ASP Files created successfully !");
  EXPECT_EQ(report.value().message.title, "Success");
  EXPECT_EQ(report.value().message.icon, MessageIcon::Information);
  EXPECT_TRUE(report.value().succeeded());
  const std::string web = output_.string() + "/";
  EXPECT_EQ(report.value().writtenFiles,
            (std::vector<std::string>{web + "shoplist.asp", web + "shopedit.asp",
                                      web + "shopfilter.asp", web + "db.asp"}));
  EXPECT_EQ(Out("shoplist.asp"), kExpectedList);
  EXPECT_EQ(Out("shopedit.asp"), kExpectedEdit);
  EXPECT_EQ(Out("shopfilter.asp"), kExpectedFilter);
  EXPECT_EQ(Out("db.asp"), kExpectedInclude);
  EXPECT_EQ(test::ListFolder(output_),
            (std::vector<std::string>{"db.asp", "shopedit.asp", "shopfilter.asp", "shoplist.asp"}));
}

TEST_F(GenerationRunTest, SecondRunReplacesTheFirstAndSameStateGivesSameBytes) {
  GenerationInput other = Input();
  other.tableName = "orders";
  other.lists = {};
  ASSERT_TRUE(RunGeneration(other).ok());
  EXPECT_EQ(
      Out("shopedit.asp"),
      "<% Function FieldControl(n) : End Function %><% if request.form(\"x\") <> \"\" then\r\n"
      "end if %>\r\n<table></table><!--@FILTER@-->\r\n"
      "<a href=\"shoplist.asp\">orders</a>\r\n");
  ASSERT_TRUE(RunGeneration(Input()).ok());
  EXPECT_EQ(Out("shopedit.asp"), kExpectedEdit);
  ASSERT_TRUE(RunGeneration(Input()).ok());
  EXPECT_EQ(Out("shoplist.asp"), kExpectedList);
  EXPECT_EQ(test::ListFolder(output_).size(), 4u);
}

TEST_F(GenerationRunTest, ValueInsertedEarlyHasLaterMarkersReplaced) {
  GenerationInput input = Input();
  input.tableName = "t<!--@FILE@-->";
  ASSERT_TRUE(RunGeneration(input).ok());
  EXPECT_EQ(Out("shopedit.asp").substr(Out("shopedit.asp").rfind("<a href")),
            "<a href=\"shoplist.asp\">tshop</a>\r\n");
}

// "Order Details" as the database describes it: a key of two columns, and
// relations to Orders and Products.
database::TableWithReferences OrderDetails() {
  database::TableWithReferences described;
  described.table = {
      "Order Details",
      {{"OrderID", "Long Integer", 4, true, false},
       {"ProductID", "Long Integer", 4, true, false},
       {"Quantity", "Integer", 2, true, false}},
      {"OrderID", "ProductID"},
      {{{"OrderID"}, "Orders", {"OrderID"}}, {{"ProductID"}, "Products", {"ProductID"}}}};
  described.referencedTables = {
      {"Orders",
       {{"OrderID", "Long Integer", 4, true, true}, {"CustomerID", "Text", 5, false, false}},
       {"OrderID"},
       {}},
      {"Products",
       {{"ProductID", "Long Integer", 4, true, true}, {"ProductName", "Text", 40, true, false}},
       {"ProductID"},
       {}}};
  return described;
}

// The lookups are those of the related columns among the field names
// (letter case ignored); the filter page has neither marker.
TEST_F(GenerationRunTest, KeyAndLookupsOfTheFieldsGoIntoTheListAndEditPages) {
  const std::string markers = "<!--@KEYS@-->|<!--@LOOKUPS@-->";
  for (const char* name : {"filelist.dat", "fileedit.dat", "filefilter.dat"}) {
    WriteFile(templates_ / name, markers);
  }
  GenerationInput input = Input();
  input.lists.fieldNames = {"orderid", "Quantity"};
  input.lists.displayNames = {"Order", "Quantity"};
  input.description = OrderDetails();
  ASSERT_TRUE(RunGeneration(input).ok());
  const std::string filled =
      "Array(\"OrderID\", \"ProductID\")|Array(Array(\"OrderID\", \"Orders\", \"OrderID\", "
      "\"CustomerID\"))";
  EXPECT_EQ(Out("shoplist.asp"), filled);
  EXPECT_EQ(Out("shopedit.asp"), filled);
  EXPECT_EQ(Out("shopfilter.asp"), markers);
}

// Access allows '"' and "%>" in a table name, Linux in a file name; the
// pages hold them only as script literals, never verbatim inside their
// script, and db.asp names the file in one.
TEST_F(GenerationRunTest, NamesGoIntoThePagesScriptOnlyAsLiterals) {
  for (const char* name : {"filelist.dat", "fileedit.dat", "filefilter.dat"}) {
    WriteFile(templates_ / name, "t = <!--@TABLE@--> : f = <!--@PAGEBASE@-->");
  }
  GenerationInput input = Input();
  input.tableName = "Ship\"s %>";
  input.databaseFileName = "q\"uote%>x.mdb";
  ASSERT_TRUE(RunGeneration(input).ok());
  for (const char* page : {"q\"uote%>xlist.asp", "q\"uote%>xedit.asp", "q\"uote%>xfilter.asp"}) {
    EXPECT_EQ(Out(page), "t = \"Ship\"\"s %\" & \">\" : f = \"q\"\"uote%\" & \">x\"") << page;
  }
  EXPECT_NE(Out("db.asp").find("server.mappath(\"q\"\"uote%\" & \">x.mdb\")+"), std::string::npos);

  input.programDirectory = test::BinDir();  // the shipped templates
  input.helperDirectory = test::BinDir();
  ASSERT_TRUE(RunGeneration(input).ok());
  for (const char* page : {"q\"uote%>xlist.asp", "q\"uote%>xedit.asp", "q\"uote%>xfilter.asp"}) {
    EXPECT_EQ(Out(page).find(input.tableName), std::string::npos) << page;
    EXPECT_EQ(Out(page).find("q\"uote%>x"), std::string::npos) << page;
  }
}

// The helpers come from the program's own folder, whichever templates it
// fills; without them the pages would fail on the server, so nothing is
// written.
TEST_F(GenerationRunTest, PageHelpersComeFromTheProgramsFolder) {
  GenerationInput input = Input();
  input.helperDirectory = (dir_.path() / "elsewhere").string();
  auto missing = RunGeneration(input);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().number, error_code::kFileNotFound);
  EXPECT_NE(missing.error().description.find(input.helperDirectory + "/pagehelpers.vbs"),
            std::string::npos)
      << missing.error().description;
  EXPECT_TRUE(test::ListFolder(output_).empty());

  fs::create_directory(input.helperDirectory);
  WriteFile(fs::path(input.helperDirectory) / "pagehelpers.vbs",
            "Sub FilterTerm(c, t)\r\nEnd Sub\r\n");
  ASSERT_TRUE(RunGeneration(input).ok());
  EXPECT_NE(Out("shopfilter.asp").find("Sub FilterTerm(c, t)"), std::string::npos);
}

TEST_F(GenerationRunTest, PageNamesFollowTheDatabaseFileNameAndOutputPrefix) {
  GenerationInput input = Input();
  input.databaseFileName = "x.accdb";
  input.outputPath = output_.string();  // an existing folder without its separator
  ASSERT_TRUE(RunGeneration(input).ok());
  EXPECT_EQ(test::ListFolder(output_),
            (std::vector<std::string>{"db.asp", "xedit.asp", "xfilter.asp", "xlist.asp"}));
  EXPECT_NE(Out("db.asp").find("server.mappath(\"x.accdb\")"), std::string::npos);

  input.outputPath = (output_ / "admin_").string();
  input.databaseFileName = "a";
  ASSERT_TRUE(RunGeneration(input).ok());
  EXPECT_TRUE(fs::exists(output_ / "admin_alist.asp"));
  EXPECT_TRUE(fs::exists(output_ / "admin_db.asp"));
}

TEST_F(GenerationRunTest, EmptyTemplateGivesEmptyPage) {
  WriteFile(templates_ / "filefilter.dat", "");
  ASSERT_TRUE(RunGeneration(Input()).ok());
  EXPECT_EQ(Out("shopfilter.asp"), "");
}

TEST_F(GenerationRunTest, BlankDatabasePathTextIsNoRefusal) {
  GenerationInput input = Input();
  input.databasePathText = " ";
  EXPECT_TRUE(RunGeneration(input).value().succeeded());
}

// The umask is process-wide: a run that set it, even for a moment, would give
// files that other threads of the window create meanwhile the wrong mode.
TEST_F(GenerationRunTest, NewFilesTakeTheUmaskAndReplacedFilesKeepTheirMode) {
  WriteFile(output_ / "db.asp", "old");
  ::chmod((output_ / "db.asp").c_str(), 0600);
  WriteFile(output_ / "shopedit.asp", "old");
  ::chmod((output_ / "shopedit.asp").c_str(), 0664);
  const mode_t previous = ::umask(022);
  const int callsBefore = umaskCalls;
  ASSERT_TRUE(RunGeneration(Input()).ok());
  EXPECT_EQ(umaskCalls, callsBefore) << "the run read or set the process's umask";
  ::umask(previous);
  const std::pair<const char*, mode_t> expected[] = {
      {"db.asp", 0600}, {"shopedit.asp", 0664}, {"shoplist.asp", 0644}, {"shopfilter.asp", 0644}};
  for (const auto& [name, mode] : expected) {
    struct stat info {};
    ASSERT_EQ(::stat((output_ / name).c_str(), &info), 0) << name;
    EXPECT_EQ(info.st_mode & 0777, mode) << name;
  }
}

struct RefusalCase {
  const char* name;
  const char* pathText;
  const char* fileName;
  const char* table;
  const char* message;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.name;
}

class GenerationRefusal : public GenerationRunTest,
                          public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(GenerationRefusal, ShowsItsMessageAndWritesNothing) {
  GenerationInput input = Input();
  input.databasePathText = GetParam().pathText;
  input.databaseFileName = GetParam().fileName;
  input.tableName = GetParam().table;
  auto report = RunGeneration(input);
  ASSERT_TRUE(report.ok());
  EXPECT_EQ(report.value().message.text, GetParam().message);
  EXPECT_EQ(report.value().message.title, "Error");
  EXPECT_EQ(report.value().message.icon, MessageIcon::Error);
  EXPECT_FALSE(report.value().succeeded());
  EXPECT_TRUE(report.value().writtenFiles.empty());
  EXPECT_TRUE(test::ListFolder(output_).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GenerationRefusal,
    ::testing::Values(RefusalCase{"EmptyInputBox", "", "shop.mdb", "news",
                                  "Please select an access database first !"},
                      RefusalCase{"PathTypedButNoDatabaseChosen", "/data/shop.mdb", "", "news",
                                  "Please select an access database first !"},
                      RefusalCase{"NoTableChosen", "/data/shop.mdb", "shop.mdb", "",
                                  "Please select a table first !"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ControlCharacterCase {
  const char* name;
  FieldLists lists;
  const char* description;
};

void PrintTo(const ControlCharacterCase& c, std::ostream* os) {
  *os << c.name;
}

class ControlCharacterInEntry : public GenerationRunTest,
                                public ::testing::WithParamInterface<ControlCharacterCase> {};

TEST_P(ControlCharacterInEntry, IsRefusedNamingListAndEntryAndWritesNothing) {
  GenerationInput input = Input();
  input.lists = GetParam().lists;
  auto report = RunGeneration(input);
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.error().number, error_code::kControlCharacterInEntry);
  EXPECT_EQ(report.error().description, GetParam().description);
  EXPECT_TRUE(test::ListFolder(output_).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ControlCharacterInEntry,
    ::testing::Values(
        ControlCharacterCase{"LineBreakInAField",
                             {{"id", "OrderID\r\nX"}, {"No", "Order"}, {}, {}},
                             "Field Name entry 'OrderID\\r\\nX' holds a control character, which "
                             "no Access column name has; nothing was written"},
        ControlCharacterCase{"TabInAFilter",
                             {{"id"}, {"No"}, {"title", "\tti tle"}, {}},
                             "Filter Name entry '\\tti tle' holds a control character, which no "
                             "Access column name has; nothing was written"},
        ControlCharacterCase{"NulAndDeleteInASearch",
                             {{}, {}, {}, {std::string("a\0b\x7F", 4)}},
                             "Search Name entry 'a\\x00b\\x7F' holds a control character, which no "
                             "Access column name has; nothing was written"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GenerationRunTest, EntriesThatAreNoColumnsAreWarnedAboutOnce) {
  GenerationInput input = Input();
  input.lists = {.fieldNames = {"ID", "headline", "headline"},
                 .displayNames = {"No", "Title", "Again"},
                 .filterNames = {"Title", "body "},
                 .searchNames = {"Body", "headline"}};
  auto report = RunGeneration(input);
  ASSERT_TRUE(report.ok()) << report.error().description;
  EXPECT_TRUE(report.value().succeeded());
  EXPECT_EQ(report.value().warnings,
            (std::vector<std::string>{
                "Field Name entry 'headline' is not a column of the table 'news'; the pages fail "
                "where they use it",
                "Filter Name entry 'body ' is not a column of the table 'news'; the pages fail "
                "where they use it",
                "Search Name entry 'headline' is not a column of the table 'news'; the pages fail "
                "where they use it"}));
  EXPECT_EQ(test::ListFolder(output_).size(), 4u);

  input.description = {};  // columns unknown: nothing to compare with
  EXPECT_EQ(RunGeneration(input).value().warnings, std::vector<std::string>{});
  EXPECT_EQ(RunGeneration(Input()).value().warnings, std::vector<std::string>{});
}

// Each failure: an error naming the file, existing outputs untouched, no
// temporary file left.
class GenerationFailure : public GenerationRunTest {
 protected:
  void SetUp() override {
    GenerationRunTest::SetUp();
    WriteFile(output_ / "shoplist.asp", "previous list");
    WriteFile(output_ / "db.asp", "previous include");
  }
  void ExpectNothingChanged() {
    EXPECT_EQ(test::ListFolder(output_), (std::vector<std::string>{"db.asp", "shoplist.asp"}));
    EXPECT_EQ(Out("shoplist.asp"), "previous list");
    EXPECT_EQ(Out("db.asp"), "previous include");
  }
};

TEST_F(GenerationFailure, MissingTemplate) {
  fs::remove(templates_ / "filefilter.dat");
  auto report = RunGeneration(Input());
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.error().number, error_code::kFileNotFound);
  EXPECT_NE(report.error().description.find(templates_.string() + "/filefilter.dat"),
            std::string::npos)
      << report.error().description;
  ExpectNothingChanged();
}

TEST_F(GenerationFailure, TemplateThatIsAFolder) {
  fs::remove(templates_ / "fileedit.dat");
  fs::create_directory(templates_ / "fileedit.dat");
  auto report = RunGeneration(Input());
  ASSERT_FALSE(report.ok());
  EXPECT_NE(report.error().description.find("fileedit.dat"), std::string::npos);
  ExpectNothingChanged();
}

TEST_F(GenerationFailure, OutputTargetThatIsAFolder) {
  fs::create_directory(output_ / "shopedit.asp");
  auto report = RunGeneration(Input());
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.error().number, error_code::kPathFileAccessError);
  EXPECT_NE(report.error().description.find(output_.string() + "/shopedit.asp"), std::string::npos);
  EXPECT_EQ(test::ListFolder(output_),
            (std::vector<std::string>{"db.asp", "shopedit.asp", "shoplist.asp"}));
  EXPECT_EQ(Out("shoplist.asp"), "previous list");
}

TEST_F(GenerationFailure, MissingOutputFolder) {
  GenerationInput input = Input();
  input.outputPath = (output_ / "missing" / "").string();
  auto report = RunGeneration(input);
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.error().number, error_code::kPathNotFound);
  EXPECT_NE(report.error().description.find("missing/shoplist.asp"), std::string::npos);
  ExpectNothingChanged();
}

}  // namespace
}  // namespace ferulo::generator
