// Job files: what they may hold, how they default, and every way they are refused.
#include <gtest/gtest.h>

#include "cli/job_file.h"
#include "common/error_codes.h"
#include "support/test_support.h"

namespace ferulo::cli {
namespace {

TEST(JobFile, ResolvesRelativePathsAgainstItsFolderAndKeepsListsVerbatim) {
  auto job = ParseJob(R"({"database": "data/shop.mdb", "table": "news", "output": "web/",
                          "fields": ["id", " title "], "filter": [], "search": ["title"]})",
                      "/jobs", "/jobs/a.json");
  ASSERT_TRUE(job.ok()) << job.error().description;
  EXPECT_EQ(job.value().database, "/jobs/data/shop.mdb");
  EXPECT_EQ(job.value().output, "/jobs/web/");
  EXPECT_EQ(job.value().fields, (std::vector<std::string>{"id", " title "}));
  EXPECT_EQ(job.value().display, job.value().fields);
  EXPECT_EQ(job.value().filter, std::vector<std::string>{});
  EXPECT_EQ(job.value().search, std::vector<std::string>{"title"});
}

TEST(JobFile, AbsolutePathsStayAndMissingListsStayOpen) {
  auto job = ParseJob(R"({"database": "/d/x.mdb", "table": "t"})", "/jobs", "j.json");
  ASSERT_TRUE(job.ok());
  EXPECT_EQ(job.value().database, "/d/x.mdb");
  EXPECT_FALSE(job.value().output.has_value());
  EXPECT_FALSE(job.value().fields.has_value());
  EXPECT_FALSE(job.value().search.has_value());
}

struct RefusedJob {
  const char* name;
  const char* json;
  const char* mentions;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const RefusedJob& c, std::ostream* os) {
  *os << c.name;
}

class RefusedJobFile : public ::testing::TestWithParam<RefusedJob> {};

TEST_P(RefusedJobFile, NamesTheFileAndTheCause) {
  auto job = ParseJob(GetParam().json, "/jobs", "/jobs/bad.json");
  ASSERT_FALSE(job.ok());
  EXPECT_EQ(job.error().number, error_code::kBadJobFile);
  EXPECT_NE(job.error().description.find("/jobs/bad.json"), std::string::npos);
  EXPECT_NE(job.error().description.find(GetParam().mentions), std::string::npos)
      << job.error().description;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedJobFile,
    ::testing::Values(
        // Where reading stopped, counted as an editor counts: lines from 1,
        // characters (not bytes) within the line.
        RefusedJob{"NotJson", "{database:", "not valid JSON at line 1, column 2: "},
        RefusedJob{"NotJsonOnALaterLine", "{\n  \"database\": \"d\",\n  \"table\" \"t\"\n}",
                   "not valid JSON at line 3, column 13: "},
        RefusedJob{"NotJsonAfterAWideCharacter", "{\"database\": \"\u00e4\", \"table\": x}",
                   "not valid JSON at line 1, column 28: "},
        RefusedJob{"NotAnObject", "[1]", "object"},
        RefusedJob{"UnknownKey", R"({"database":"d","table":"t","colour":"red"})", "\"colour\""},
        RefusedJob{"MissingDatabase", R"({"table":"t"})", "\"database\" is missing"},
        RefusedJob{"MissingTable", R"({"database":"d"})", "\"table\" is missing"},
        RefusedJob{"TableNotText", R"({"database":"d","table":3})", "\"table\" must be a string"},
        RefusedJob{"ListNotArray", R"({"database":"d","table":"t","search":"x"})", "\"search\""},
        RefusedJob{"ListOfNumbers", R"({"database":"d","table":"t","filter":[1]})", "\"filter\""},
        RefusedJob{"UnequalPartners",
                   R"({"database":"d","table":"t","fields":["a","b"],"display":["A"]})",
                   "equal length"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JobFile, MissingFileIsAnErrorNamingIt) {
  auto job = LoadJobFile("/nonexistent/job.json");
  ASSERT_FALSE(job.ok());
  EXPECT_EQ(job.error().number, error_code::kFileNotFound);
  EXPECT_NE(job.error().description.find("/nonexistent/job.json"), std::string::npos);
}

}  // namespace
}  // namespace ferulo::cli
