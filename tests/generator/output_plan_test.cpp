// Where a run writes and what it would replace, found before it writes: the
// files already there, and what an existing db.asp opens.
#include <gtest/gtest.h>

#include "generator/output_plan.h"
#include "support/test_support.h"

namespace ferulo::generator {
namespace {

using test::TempDir;
using test::WriteFile;

struct PlanCase {
  const char* name;
  std::vector<const char*> present;  // files in the output folder beforehand
  const char* include;               // db.asp's text; nullptr for none
  ExistingInclude expected;
  const char* includedDatabase;
};

void PrintTo(const PlanCase& c, std::ostream* os) {
  *os << c.name;
}

class OutputPlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(OutputPlanTest, FindsWhatWouldBeReplaced) {
  const TempDir output;
  for (const char* file : GetParam().present) {
    WriteFile(output.path() / file, "earlier");
  }
  if (GetParam().include != nullptr) {
    WriteFile(output.path() / "db.asp", GetParam().include);
  }
  GenerationInput input;
  input.databasePathText = "/data/Shop.mdb";
  input.databaseFileName = "Shop.mdb";
  input.outputPath = output.str();
  const OutputPlan plan = PlanOutputs(input);

  EXPECT_EQ(plan.files.listPage, output.file("Shoplist.asp"));
  std::vector<std::string> expectedExisting;
  for (const char* file : {"Shoplist.asp", "Shopedit.asp", "Shopfilter.asp", "db.asp"}) {
    const auto& present = GetParam().present;
    if (std::find_if(present.begin(), present.end(),
                     [file](const char* p) { return std::string(p) == file; }) != present.end() ||
        (std::string(file) == "db.asp" && GetParam().include != nullptr)) {
      expectedExisting.push_back(output.file(file));
    }
  }
  EXPECT_EQ(plan.existingFiles, expectedExisting);
  EXPECT_EQ(plan.include, GetParam().expected);
  EXPECT_EQ(plan.includedDatabase, GetParam().includedDatabase);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, OutputPlanTest,
    ::testing::Values(
        PlanCase{"Empty", {}, nullptr, ExistingInclude::None, ""},
        PlanCase{"OnePage", {"Shopedit.asp"}, nullptr, ExistingInclude::None, ""},
        // The server finds files ignoring letter case, and so does VBScript.
        PlanCase{"SameDatabase",
                 {"Shoplist.asp"},
                 "<%\r\nconnstr=\"DBQ=\"+Server.MapPath(\"shop.MDB\")+\";\" \r\n%>\r\n",
                 ExistingInclude::SameDatabase,
                 "shop.MDB"},
        PlanCase{"AnotherDatabase",
                 {},
                 "<%\r\nconnstr=\"DBQ=\"+server.mappath(\"other.mdb\")+\";\" \r\n%>\r\n",
                 ExistingInclude::AnotherDatabase,
                 "other.mdb"},
        PlanCase{
            "NameWithQuoteAndScriptEnd",
            {},
            "<%\r\nconnstr=\"DBQ=\"+server.mappath(\"q\"\"uote%\" & \">x.mdb\")+\";\" \r\n%>\r\n",
            ExistingInclude::AnotherDatabase,
            "q\"uote%>x.mdb"},
        PlanCase{"WrittenByHand",
                 {},
                 "<% set conn = Server.CreateObject(\"ADODB.Connection\") %>",
                 ExistingInclude::Unrecognised,
                 ""}),
    [](const auto& info) { return std::string(info.param.name); });

// An empty output path is the database's folder, for the plan and for the
// run alike; a bare file name leaves the working folder.
TEST(OutputPlan, EmptyOutputPathIsTheDatabasesFolder) {
  for (const auto& [databasePath, folder] :
       {std::pair{"/data/web/shop.mdb", "/data/web/"}, std::pair{"shop.mdb", ""}}) {
    GenerationInput input;
    input.databasePathText = databasePath;
    input.databaseFileName = "shop.mdb";
    EXPECT_EQ(EffectiveOutputPath(input), folder);
    EXPECT_EQ(PlannedOutputFiles(input).connectionInclude, std::string(folder) + "db.asp");
  }
}

}  // namespace
}  // namespace ferulo::generator
