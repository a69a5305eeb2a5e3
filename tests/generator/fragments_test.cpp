// The fragment builders against texts written out by hand, CR LF included.
#include <gtest/gtest.h>

#include "generator/fragments.h"
#include "generator/script_literal.h"

namespace ferulo::generator {
namespace {

const std::vector<std::string> kFields{"id", "title"};
const std::vector<std::string> kCaptions{"No", "Title"};

TEST(ListPageFragments, WorkedExampleByteForByte) {
  const ListPageFragments f = BuildListPageFragments(kFields, kCaptions, {"title"});
  EXPECT_EQ(f.head,
            "<td><font color=#8F8FBD><a href='<% =session(\"tablelist\") "
            "%>?sort=id'>No</a></font></td> \r\n"
            "<td><font color=#8F8FBD><a href='<% =session(\"tablelist\") "
            "%>?sort=title'>Title</a></font></td> \r\n");
  EXPECT_EQ(f.body,
            "    <td> <% =Server.HTMLEncode(RS(\"id\") & \"\") %> </td>\r\n"
            "    <td> <% =Server.HTMLEncode(RS(\"title\") & \"\") %> </td>\r\n");
  EXPECT_EQ(f.search,
            " If IsSearchableColumn(\"title\") Then searchfilter = searchfilter & \" or [title] "
            "LIKE '%\" & LikeText(Session(\"searchname\")) & \"%' \"  \r\n");
}

TEST(ListPageFragments, SearchListIsIndependentOfTheFieldList) {
  const ListPageFragments noFields = BuildListPageFragments({}, {}, {"a", "a"});
  EXPECT_EQ(noFields.head, "");
  EXPECT_EQ(noFields.body, "");
  const std::string searchA =
      " If IsSearchableColumn(\"a\") Then searchfilter = searchfilter & \" or [a] LIKE '%\" & "
      "LikeText(Session(\"searchname\")) & \"%' \"  \r\n";
  EXPECT_EQ(noFields.search, searchA + searchA);
  EXPECT_EQ(BuildListPageFragments(kFields, kCaptions, {}).search, "");
}

TEST(ListPageFragments, DisplayNamesGoInAsTheyAreButOpenNoScript) {
  const ListPageFragments f =
      BuildListPageFragments({"price"}, {"Unit <b>\"Price\"</b> <%= 5 %>"}, {});
  EXPECT_EQ(f.head,
            "<td><font color=#8F8FBD><a href='<% =session(\"tablelist\") %>?sort=price'>Unit "
            "<b>\"Price\"</b> &lt;%= 5 %></a></font></td> \r\n");
  const EditPageFragments edit = BuildEditPageFragments({"price"}, {"a<%b<"});
  EXPECT_NE(edit.form.find(">&nbsp;a&lt;%b<</td>\r\n"), std::string::npos) << edit.form;
}

TEST(EditPageFragments, WorkedExampleByteForByte) {
  const EditPageFragments f = BuildEditPageFragments(kFields, kCaptions);
  EXPECT_EQ(f.edit,
            "rs(\"id\") = Request.Form(\"id\") \r\n"
            "rs(\"title\") = Request.Form(\"title\") \r\n");
  EXPECT_EQ(f.form,
            "<tr bgcolor=\"#DFFFFF\" >\r\n"
            "<td NOWRAP bgcolor=\"#F3F8F8\" align=\"right\">&nbsp;No</td>\r\n"
            "<td bgcolor=\"#F3F8F8\" NOWRAP>\r\n"
            "<% =FieldControl(\"id\") %>\r\n"
            "</td><td NOWRAP bgcolor=\"#F3F8F8\" align=\"right\">\xE3\x80\x80</td>\r\n"
            "<td bgcolor=\"#F3F8F8\" NOWRAP>\xE3\x80\x80</td></tr>\r\n"
            "<tr bgcolor=\"#DFFFFF\" >\r\n"
            "<td NOWRAP bgcolor=\"#F3F8F8\" align=\"right\">&nbsp;Title</td>\r\n"
            "<td bgcolor=\"#F3F8F8\" NOWRAP>\r\n"
            "<% =FieldControl(\"title\") %>\r\n"
            "</td><td NOWRAP bgcolor=\"#F3F8F8\" align=\"right\">\xE3\x80\x80</td>\r\n"
            "<td bgcolor=\"#F3F8F8\" NOWRAP>\xE3\x80\x80</td></tr>\r\n");
}

TEST(EditPageFragments, EmptyFieldListGivesEmptyFragments) {
  const EditPageFragments f = BuildEditPageFragments({}, {});
  EXPECT_EQ(f.edit, "");
  EXPECT_EQ(f.form, "");
}

TEST(EditPageFragments, SixFormLinesAndOneEditLinePerField) {
  const std::vector<std::string> fields{"a", "b", "c"};
  const EditPageFragments f = BuildEditPageFragments(fields, fields);
  auto lines = [](const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2)) {
      ++count;
    }
    return count;
  };
  EXPECT_EQ(lines(f.edit), 3u);
  EXPECT_EQ(lines(f.form), 18u);
}

TEST(FilterPageFragments, WorkedExampleByteForByte) {
  const FilterPageFragments f = BuildFilterPageFragments(kFields);
  EXPECT_EQ(
      f.filter,
      " if Request.Form(\"id\") <> \"\" then  txtFilter = txtFilter + \" [id] like '%\" + "
      "LikeText(Request.Form(\"id\")) + \"%' and\" \r\n"
      " if Request.Form(\"title\") <> \"\" then  txtFilter = txtFilter + \" [title] like '%\" "
      "+ LikeText(Request.Form(\"title\")) + \"%' and\" \r\n");
  EXPECT_EQ(
      f.filterForm,
      "<% If IsSearchableColumn(\"id\") Then %><tr style=\"font-size:9pt\"><td>id</td><td "
      "colspan=4><input name='id' type=text></td></tr><% End If %> \r\n"
      "<% If IsSearchableColumn(\"title\") Then %><tr style=\"font-size:9pt\"><td>title</td><td "
      "colspan=4><input name='title' type=text></td></tr><% End If %> \r\n");
}

TEST(FilterPageFragments, EmptyListGivesEmptyFragments) {
  const FilterPageFragments empty = BuildFilterPageFragments({});
  EXPECT_EQ(empty.filter, "");
  EXPECT_EQ(empty.filterForm, "");
}

// How one column name is written in each kind of place: inside a script
// string literal (in the fragments and the KEYS and LOOKUPS arrays), as a
// query-string value, as HTML text or attribute.
struct NameCase {
  const char* testName;
  const char* column;
  const char* inScript;
  const char* inQuery;
  const char* inHtml;
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << c.testName;
}

class ColumnNameOfAnyShape : public ::testing::TestWithParam<NameCase> {};

TEST_P(ColumnNameOfAnyShape, IsWrittenForEachPlace) {
  const NameCase& c = GetParam();
  const std::string script = c.inScript;
  const std::string html = c.inHtml;
  const ListPageFragments list = BuildListPageFragments({c.column}, {"Caption"}, {c.column});
  EXPECT_EQ(list.head, "<td><font color=#8F8FBD><a href='<% =session(\"tablelist\") %>?sort=" +
                           std::string(c.inQuery) + "'>Caption</a></font></td> \r\n");
  EXPECT_EQ(list.body,
            "    <td> <% =Server.HTMLEncode(RS(\"" + script + "\") & \"\") %> </td>\r\n");
  EXPECT_EQ(list.search, " If IsSearchableColumn(\"" + script +
                             "\") Then searchfilter = searchfilter & \" or [" + script +
                             "] LIKE '%\" & LikeText(Session(\"searchname\")) & \"%' \"  \r\n");
  const EditPageFragments edit = BuildEditPageFragments({c.column}, {"Caption"});
  EXPECT_EQ(edit.edit, "rs(\"" + script + "\") = Request.Form(\"" + script + "\") \r\n");
  EXPECT_NE(edit.form.find("\r\n<% =FieldControl(\"" + script + "\") %>\r\n"), std::string::npos)
      << edit.form;
  const RecordFragments record =
      BuildRecordFragments({c.column}, {{c.column, "Other Table", c.column, c.column}});
  EXPECT_EQ(record.keys, "Array(\"" + script + "\")");
  EXPECT_EQ(ScriptLiteral(c.column), "\"" + script + "\"");
  EXPECT_EQ(record.lookups, "Array(Array(\"" + script + "\", \"Other Table\", \"" + script +
                                "\", \"" + script + "\"))");
  const FilterPageFragments filter = BuildFilterPageFragments({c.column});
  EXPECT_EQ(filter.filter, " if Request.Form(\"" + script +
                               "\") <> \"\" then  txtFilter = txtFilter + \" [" + script +
                               "] like '%\" + LikeText(Request.Form(\"" + script +
                               "\")) + \"%' and\" \r\n");
  EXPECT_EQ(filter.filterForm, "<% If IsSearchableColumn(\"" + script +
                                   "\") Then %><tr style=\"font-size:9pt\"><td>" + html +
                                   "</td><td colspan=4><input name='" + html +
                                   "' type=text></td></tr><% End If %> \r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Names, ColumnNameOfAnyShape,
    ::testing::Values(
        NameCase{"LettersDigitsUnderscore", "Ship_Via2", "Ship_Via2", "Ship_Via2", "Ship_Via2"},
        NameCase{"Blank", "Asset No", "Asset No", "Asset%20No", "Asset No"},
        NameCase{"Apostrophe", "Owner's Name", "Owner's Name", "Owner%27s%20Name",
                 "Owner&#39;s Name"},
        NameCase{"DoubleQuote", "Ship\"Name", "Ship\"\"Name", "Ship%22Name", "Ship&quot;Name"},
        NameCase{"Ampersand", "A&B", "A&B", "A%26B", "A&amp;B"},
        NameCase{"Hash", "No#", "No#", "No%23", "No#"},
        NameCase{"NonAscii",
                 "Gr\xC3\xB6\xC3\x9F"
                 "e",
                 "Gr\xC3\xB6\xC3\x9F"
                 "e",
                 "Gr%C3%B6%C3%9Fe",
                 "Gr\xC3\xB6\xC3\x9F"
                 "e"},
        NameCase{"ScriptDelimiters", "a%>b<%c", "a%\" & \">b<%c", "a%25%3Eb%3C%25c",
                 "a%&gt;b&lt;%c"},
        NameCase{"QueryCharacters", "a?b=c+d~e.f-g", "a?b=c+d~e.f-g", "a%3Fb%3Dc%2Bd~e.f-g",
                 "a?b=c+d~e.f-g"}),
    [](const auto& info) { return std::string(info.param.testName); });

}  // namespace
}  // namespace ferulo::generator
