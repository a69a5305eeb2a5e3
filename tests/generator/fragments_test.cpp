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
  EXPECT_EQ(
      f.head,
      "<th scope=\"col\"<% =ColumnClass(\"id\") & SortState(\"id\") %>><% If "
      "IsSortableColumn(\"id\") Then %><a href=\"<% =session(\"tablelist\") %>?sort=id\">No</a>"
      "<% Else %>No<% End If %></th>\r\n"
      "<th scope=\"col\"<% =ColumnClass(\"title\") & SortState(\"title\") %>><% If "
      "IsSortableColumn(\"title\") Then %><a href=\"<% =session(\"tablelist\") "
      "%>?sort=title\">Title</a><% Else %>Title<% End If %></th>\r\n");
  EXPECT_EQ(f.body,
            "<td<% =ColumnClass(\"id\") %>><% =Server.HTMLEncode(RS(\"id\") & \"\") %></td>\r\n"
            "<td<% =ColumnClass(\"title\") %>><% =Server.HTMLEncode(RS(\"title\") & \"\") "
            "%></td>\r\n");
  EXPECT_EQ(f.search,
            " searchfilter = searchfilter & SearchTerm(\"title\", Session(\"searchname\"))  \r\n");
}

// Each list drives its own fragments; an entry twice gives its block twice.
TEST(ListPageFragments, SearchListIsIndependentOfTheFieldList) {
  const ListPageFragments noFields = BuildListPageFragments({}, {}, {"a", "a"});
  EXPECT_EQ(noFields.head, "");
  EXPECT_EQ(noFields.body, "");
  const std::string searchA =
      " searchfilter = searchfilter & SearchTerm(\"a\", Session(\"searchname\"))  \r\n";
  EXPECT_EQ(noFields.search, searchA + searchA);
  EXPECT_EQ(BuildListPageFragments(kFields, kCaptions, {}).search, "");
}

TEST(ListPageFragments, DisplayNamesGoInAsTheyAreButOpenNoScript) {
  const ListPageFragments f =
      BuildListPageFragments({"price"}, {"Unit <b>\"Price\"</b> <%= 5 %>"}, {});
  const std::string caption = "Unit <b>\"Price\"</b> &lt;%= 5 %>";
  EXPECT_NE(f.head.find("?sort=price\">" + caption + "</a><% Else %>" + caption + "<% End If"),
            std::string::npos)
      << f.head;
  const EditPageFragments edit = BuildEditPageFragments({"price"}, {"a<%b<"});
  EXPECT_NE(edit.form.find("\">a&lt;%b<<% =RequiredNote("), std::string::npos) << edit.form;
}

TEST(EditPageFragments, WorkedExampleByteForByte) {
  const EditPageFragments f = BuildEditPageFragments(kFields, kCaptions);
  EXPECT_EQ(f.edit,
            "rs(\"id\") = Request.Form(\"id\") \r\n"
            "rs(\"title\") = Request.Form(\"title\") \r\n");
  EXPECT_EQ(f.form,
            "<tr>\r\n"
            "<th scope=\"row\"><label for=\"<% =FieldId(\"id\") %>\">No<% =RequiredNote(\"id\") "
            "%></label></th>\r\n"
            "<td><% =FieldControl(\"id\") %></td>\r\n"
            "</tr>\r\n"
            "<tr>\r\n"
            "<th scope=\"row\"><label for=\"<% =FieldId(\"title\") %>\">Title<% "
            "=RequiredNote(\"title\") %></label></th>\r\n"
            "<td><% =FieldControl(\"title\") %></td>\r\n"
            "</tr>\r\n");
}

// A column the database fills keeps its form row, where the page shows it,
// but gets no statement that would write it.
TEST(EditPageFragments, ColumnsTheDatabaseFillsAreNeverWritten) {
  const EditPageFragments f = BuildEditPageFragments(kFields, kCaptions, {"ID"});
  EXPECT_EQ(f.edit, "rs(\"title\") = Request.Form(\"title\") \r\n");
  EXPECT_NE(f.form.find("FieldControl(\"id\")"), std::string::npos);
  EXPECT_EQ(BuildEditPageFragments({}, {}).form, "");
}

TEST(FilterPageFragments, WorkedExampleByteForByte) {
  const FilterPageFragments f = BuildFilterPageFragments(kFields);
  EXPECT_EQ(f.filter,
            " if Request.Form(\"id\") <> \"\" then  txtFilter = txtFilter + FilterTerm(\"id\", "
            "Request.Form(\"id\")) + \" and\" \r\n"
            " if Request.Form(\"title\") <> \"\" then  txtFilter = txtFilter + "
            "FilterTerm(\"title\", Request.Form(\"title\")) + \" and\" \r\n");
  EXPECT_EQ(
      f.filterForm,
      "<% If IsSearchableColumn(\"id\") Then %><tr><th scope=\"row\"><label for=\"<% "
      "=FieldId(\"id\") %>\">id</label></th><td><input id=\"<% =FieldId(\"id\") %>\" "
      "name=\"id\" type=\"text\" value=\"<% =Server.HTMLEncode(FilterValue(\"id\")) "
      "%>\"></td></tr><% End If %>\r\n"
      "<% If IsSearchableColumn(\"title\") Then %><tr><th scope=\"row\"><label for=\"<% "
      "=FieldId(\"title\") %>\">title</label></th><td><input id=\"<% =FieldId(\"title\") "
      "%>\" name=\"title\" type=\"text\" value=\"<% =Server.HTMLEncode(FilterValue(\"title\")) "
      "%>\"></td></tr><% End If %>\r\n");
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
  EXPECT_NE(list.head.find("IsSortableColumn(\"" + script +
                           "\") Then %><a href=\"<% "
                           "=session(\"tablelist\") %>?sort=" +
                           std::string(c.inQuery) + "\">"),
            std::string::npos)
      << list.head;
  EXPECT_NE(list.body.find("HTMLEncode(RS(\"" + script + "\") & \"\")"), std::string::npos);
  EXPECT_EQ(list.search, " searchfilter = searchfilter & SearchTerm(\"" + script +
                             "\", Session(\"searchname\"))  \r\n");
  const EditPageFragments edit = BuildEditPageFragments({c.column}, {"Caption"});
  EXPECT_EQ(edit.edit, "rs(\"" + script + "\") = Request.Form(\"" + script + "\") \r\n");
  EXPECT_NE(edit.form.find("<td><% =FieldControl(\"" + script + "\") %></td>"), std::string::npos)
      << edit.form;
  const RecordFragments record =
      BuildRecordFragments({c.column}, {{c.column, "Other Table", c.column, c.column}}, {c.column});
  EXPECT_EQ(record.keys, "Array(\"" + script + "\")");
  EXPECT_EQ(record.readOnly, "Array(\"" + script + "\")");
  EXPECT_EQ(ScriptLiteral(c.column), "\"" + script + "\"");
  EXPECT_EQ(record.lookups, "Array(Array(\"" + script + "\", \"Other Table\", \"" + script +
                                "\", \"" + script + "\"))");
  const FilterPageFragments filter = BuildFilterPageFragments({c.column});
  EXPECT_EQ(filter.filter, " if Request.Form(\"" + script +
                               "\") <> \"\" then  txtFilter = txtFilter + FilterTerm(\"" + script +
                               "\", Request.Form(\"" + script + "\")) + \" and\" \r\n");
  EXPECT_NE(filter.filterForm.find("\">" + html + "</label></th><td><input id=\"<% =FieldId(\"" +
                                   script + "\") %>\" name=\"" + html + "\" type=\"text\""),
            std::string::npos)
      << filter.filterForm;
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
