#include "generator/fragments.h"

#include <cstddef>

namespace ferulo::generator {

namespace {

// U+3000 IDEOGRAPHIC SPACE in UTF-8: the filler of the two empty cells of
// every edit-form row.
constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

void AppendLine(std::string& fragment, std::initializer_list<std::string_view> pieces) {
  for (std::string_view piece : pieces) {
    fragment += piece;
  }
  fragment += kLineBreak;
}

// The display name paired with field i; the window keeps both lists of equal
// length, but a caller of this pure function may not.
std::string_view DisplayNameAt(const std::vector<std::string>& displayNames, std::size_t i) {
  return i < displayNames.size() ? std::string_view(displayNames[i]) : std::string_view();
}

void AppendHeadBlock(std::string& head, std::string_view field, std::string_view display) {
  AppendLine(head, {"<td><font color=#8F8FBD><a href='<% =session(\"tablelist\") %>?sort=", field,
                    "'>", display, "</a></font></td> "});
}

// Record values are HTML-encoded: a value holding markup must not become markup.
void AppendBodyBlock(std::string& body, std::string_view field) {
  AppendLine(body, {"    <td> <% =Server.HTMLEncode(RS(\"", field, "\") & \"\") %> </td>"});
}

// The search text is typed by the visitor: its quotes are doubled for SQL.
void AppendSearchBlock(std::string& search, std::string_view searchName) {
  AppendLine(search, {" searchfilter = searchfilter & \" or ", searchName,
                      " LIKE '%\" & Replace(Session(\"searchname\"), \"'\", \"''\") & \"%' \"  "});
}

void AppendEditBlock(std::string& edit, std::string_view field) {
  AppendLine(edit, {"rs(\"", field, "\") = Request.Form(\"", field, "\") "});
}

// The current value goes into a quoted attribute, so it is HTML-encoded: a
// double quote in the record must survive an edit and a save.
void AppendFormBlock(std::string& form, std::string_view field, std::string_view display) {
  AppendLine(form, {"<tr bgcolor=\"#DFFFFF\" >"});
  AppendLine(form, {"<td NOWRAP bgcolor=\"#F3F8F8\" align=\"right\">&nbsp;", display, "</td>"});
  AppendLine(form, {"<td bgcolor=\"#F3F8F8\" NOWRAP>"});
  AppendLine(form, {"<input NAME=\"", field,
                    "\" SIZE=\"32\" <% if action=\"edit\" then %> VALUE=\"<% "
                    "=Server.HTMLEncode(RS(\"",
                    field, "\") & \"\")%>\" <% end if %>>"});
  AppendLine(form,
             {"</td><td NOWRAP bgcolor=\"#F3F8F8\" align=\"right\">", kIdeographicSpace, "</td>"});
  AppendLine(form, {"<td bgcolor=\"#F3F8F8\" NOWRAP>", kIdeographicSpace, "</td></tr>"});
}

// The posted value is typed by the visitor: its quotes are doubled for SQL.
void AppendFilterBlock(std::string& filter, std::string_view filterName) {
  AppendLine(filter,
             {" if Request.Form(\"", filterName, "\") <> \"\" then  txtFilter = txtFilter + \" ",
              filterName, " like '%\" + Replace(Request.Form(\"", filterName,
              "\"), \"'\", \"''\") + \"%' and\" "});
}

void AppendFilterFormBlock(std::string& filterForm, std::string_view filterName) {
  AppendLine(filterForm,
             {"<tr style=\"font-size:9pt\"><td>", filterName, "</td><td colspan=4><input name='",
              filterName, "' type=text></td></tr> "});
}

}  // namespace

ListPageFragments BuildListPageFragments(const std::vector<std::string>& fieldNames,
                                         const std::vector<std::string>& displayNames,
                                         const std::vector<std::string>& searchNames) {
  ListPageFragments fragments;
  for (std::size_t i = 0; i < fieldNames.size(); ++i) {
    AppendHeadBlock(fragments.head, fieldNames[i], DisplayNameAt(displayNames, i));
    AppendBodyBlock(fragments.body, fieldNames[i]);
  }
  for (const std::string& searchName : searchNames) {
    AppendSearchBlock(fragments.search, searchName);
  }
  return fragments;
}

EditPageFragments BuildEditPageFragments(const std::vector<std::string>& fieldNames,
                                         const std::vector<std::string>& displayNames) {
  EditPageFragments fragments;
  for (std::size_t i = 0; i < fieldNames.size(); ++i) {
    AppendEditBlock(fragments.edit, fieldNames[i]);
    AppendFormBlock(fragments.form, fieldNames[i], DisplayNameAt(displayNames, i));
  }
  return fragments;
}

FilterPageFragments BuildFilterPageFragments(const std::vector<std::string>& filterNames) {
  FilterPageFragments fragments;
  for (const std::string& filterName : filterNames) {
    AppendFilterBlock(fragments.filter, filterName);
    AppendFilterFormBlock(fragments.filterForm, filterName);
  }
  return fragments;
}

}  // namespace ferulo::generator
