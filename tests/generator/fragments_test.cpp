// The fragment builders against texts written out by hand, CR LF included.
#include <gtest/gtest.h>

#include "generator/fragments.h"

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
            " searchfilter = searchfilter & \" or title LIKE '%\" & "
            "Replace(Session(\"searchname\"), \"'\", \"''\") & \"%' \"  \r\n");
}

TEST(ListPageFragments, SearchListIsIndependentOfTheFieldList) {
  const ListPageFragments noFields = BuildListPageFragments({}, {}, {"a", "a"});
  EXPECT_EQ(noFields.head, "");
  EXPECT_EQ(noFields.body, "");
  EXPECT_EQ(noFields.search,
            " searchfilter = searchfilter & \" or a LIKE '%\" & Replace(Session(\"searchname\"), "
            "\"'\", \"''\") & \"%' \"  \r\n"
            " searchfilter = searchfilter & \" or a LIKE '%\" & Replace(Session(\"searchname\"), "
            "\"'\", \"''\") & \"%' \"  \r\n");
  EXPECT_EQ(BuildListPageFragments(kFields, kCaptions, {}).search, "");
}

TEST(ListPageFragments, ColumnNamesGoInVerbatim) {
  const ListPageFragments f = BuildListPageFragments({"unit price"}, {"Unit \"Price\""}, {});
  EXPECT_EQ(f.head,
            "<td><font color=#8F8FBD><a href='<% =session(\"tablelist\") %>?sort=unit price'>Unit "
            "\"Price\"</a></font></td> \r\n");
  EXPECT_EQ(f.body, "    <td> <% =Server.HTMLEncode(RS(\"unit price\") & \"\") %> </td>\r\n");
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
            "<input NAME=\"id\" SIZE=\"32\" <% if action=\"edit\" then %> VALUE=\"<% "
            "=Server.HTMLEncode(RS(\"id\") & \"\")%>\" <% end if %>>\r\n"
            "</td><td NOWRAP bgcolor=\"#F3F8F8\" align=\"right\">\xE3\x80\x80</td>\r\n"
            "<td bgcolor=\"#F3F8F8\" NOWRAP>\xE3\x80\x80</td></tr>\r\n"
            "<tr bgcolor=\"#DFFFFF\" >\r\n"
            "<td NOWRAP bgcolor=\"#F3F8F8\" align=\"right\">&nbsp;Title</td>\r\n"
            "<td bgcolor=\"#F3F8F8\" NOWRAP>\r\n"
            "<input NAME=\"title\" SIZE=\"32\" <% if action=\"edit\" then %> VALUE=\"<% "
            "=Server.HTMLEncode(RS(\"title\") & \"\")%>\" <% end if %>>\r\n"
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
  EXPECT_EQ(f.filter,
            " if Request.Form(\"id\") <> \"\" then  txtFilter = txtFilter + \" id like '%\" + "
            "Replace(Request.Form(\"id\"), \"'\", \"''\") + \"%' and\" \r\n"
            " if Request.Form(\"title\") <> \"\" then  txtFilter = txtFilter + \" title like '%\" "
            "+ Replace(Request.Form(\"title\"), \"'\", \"''\") + \"%' and\" \r\n");
  EXPECT_EQ(f.filterForm,
            "<tr style=\"font-size:9pt\"><td>id</td><td colspan=4><input name='id' "
            "type=text></td></tr> \r\n"
            "<tr style=\"font-size:9pt\"><td>title</td><td colspan=4><input name='title' "
            "type=text></td></tr> \r\n");
}

TEST(FilterPageFragments, EmptyListAndVerbatimNames) {
  const FilterPageFragments empty = BuildFilterPageFragments({});
  EXPECT_EQ(empty.filter, "");
  EXPECT_EQ(empty.filterForm, "");
  const FilterPageFragments odd = BuildFilterPageFragments({"it's x"});
  EXPECT_EQ(odd.filterForm,
            "<tr style=\"font-size:9pt\"><td>it's x</td><td colspan=4><input name='it's x' "
            "type=text></td></tr> \r\n");
}

}  // namespace
}  // namespace ferulo::generator
