#include "generator/fragments.h"

#include <cstddef>

#include "generator/script_literal.h"

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

// A column name as HTML text or as a quoted attribute value.
std::string HtmlText(std::string_view name) {
  std::string text;
  for (char c : name) {
    switch (c) {
      case '&':
        text += "&amp;";
        break;
      case '\'':
        text += "&#39;";
        break;
      case '"':
        text += "&quot;";
        break;
      case '<':
        text += "&lt;";
        break;
      case '>':
        text += "&gt;";
        break;
      default:
        text += c;
    }
  }
  return text;
}

// A column name as a query-string value: every byte of its UTF-8 text
// outside the unreserved characters becomes %XX.
std::string QueryValue(std::string_view name) {
  constexpr std::string_view kHexDigits = "0123456789ABCDEF";
  std::string text;
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool letterOrDigit =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (letterOrDigit || c == '-' || c == '.' || c == '_' || c == '~') {
      text += c;
    } else {
      text += '%';
      text += kHexDigits[byte >> 4];
      text += kHexDigits[byte & 0x0F];
    }
  }
  return text;
}

// A display name is the user's own HTML and goes in as it is, except that
// "<%", which would open a script block of the page, is written "&lt;%".
std::string DisplayHtml(std::string_view display) {
  std::string text;
  for (std::size_t i = 0; i < display.size(); ++i) {
    if (display[i] == '<' && i + 1 < display.size() && display[i + 1] == '%') {
      text += "&lt;";
    } else {
      text += display[i];
    }
  }
  return text;
}

// The display name paired with field i; the window keeps both lists of equal
// length, but a caller of this pure function may not.
std::string_view DisplayNameAt(const std::vector<std::string>& displayNames, std::size_t i) {
  return i < displayNames.size() ? std::string_view(displayNames[i]) : std::string_view();
}

void AppendHeadBlock(std::string& head, std::string_view field, std::string_view display) {
  AppendLine(head, {"<td><font color=#8F8FBD><a href='<% =session(\"tablelist\") %>?sort=",
                    QueryValue(field), "'>", DisplayHtml(display), "</a></font></td> "});
}

// Record values are HTML-encoded: a value holding markup must not become markup.
void AppendBodyBlock(std::string& body, std::string_view field) {
  AppendLine(body, {"    <td> <% =Server.HTMLEncode(RS(\"", ScriptLiteralText(field),
                    "\") & \"\") %> </td>"});
}

// The page skips columns that cannot be searched as text (binary data), and
// LikeText makes the visitor's text a literal pattern.
void AppendSearchBlock(std::string& search, std::string_view searchName) {
  const std::string name = ScriptLiteralText(searchName);
  AppendLine(search,
             {" If IsSearchableColumn(\"", name, "\") Then searchfilter = searchfilter & \" or [",
              name, "] LIKE '%\" & LikeText(Session(\"searchname\")) & \"%' \"  "});
}

void AppendEditBlock(std::string& edit, std::string_view field) {
  const std::string name = ScriptLiteralText(field);
  AppendLine(edit, {"rs(\"", name, "\") = Request.Form(\"", name, "\") "});
}

// The page's FieldControl picks the control for the column's type at run
// time: a text input, a text area, a check box, or the value alone.
void AppendFormBlock(std::string& form, std::string_view field, std::string_view display) {
  AppendLine(form, {"<tr bgcolor=\"#DFFFFF\" >"});
  AppendLine(form, {"<td NOWRAP bgcolor=\"#F3F8F8\" align=\"right\">&nbsp;", DisplayHtml(display),
                    "</td>"});
  AppendLine(form, {"<td bgcolor=\"#F3F8F8\" NOWRAP>"});
  AppendLine(form, {"<% =FieldControl(\"", ScriptLiteralText(field), "\") %>"});
  AppendLine(form,
             {"</td><td NOWRAP bgcolor=\"#F3F8F8\" align=\"right\">", kIdeographicSpace, "</td>"});
  AppendLine(form, {"<td bgcolor=\"#F3F8F8\" NOWRAP>", kIdeographicSpace, "</td></tr>"});
}

// The posted value is typed by the visitor: LikeText makes it a literal pattern.
void AppendFilterBlock(std::string& filter, std::string_view filterName) {
  const std::string name = ScriptLiteralText(filterName);
  AppendLine(filter, {" if Request.Form(\"", name, "\") <> \"\" then  txtFilter = txtFilter + \" [",
                      name, "] like '%\" + LikeText(Request.Form(\"", name, "\")) + \"%' and\" "});
}

// A column that cannot be searched as text gets no row.
void AppendFilterFormBlock(std::string& filterForm, std::string_view filterName) {
  const std::string html = HtmlText(filterName);
  AppendLine(filterForm,
             {"<% If IsSearchableColumn(\"", ScriptLiteralText(filterName),
              "\") Then %><tr style=\"font-size:9pt\"><td>", html,
              "</td><td colspan=4><input name='", html, "' type=text></td></tr><% End If %> "});
}

// A VBScript array expression of the given elements: Array(a, b), or Array().
template <typename Elements, typename Write>
std::string ScriptArray(const Elements& elements, Write writeElement) {
  std::string text = "Array(";
  const char* separator = "";
  for (const auto& element : elements) {
    text += separator;
    writeElement(text, element);
    separator = ", ";
  }
  return text + ")";
}

void AppendQuotedName(std::string& text, std::string_view name) {
  text += '"';
  text += ScriptLiteralText(name);
  text += '"';
}

void AppendLookup(std::string& text, const database::Lookup& lookup) {
  const std::string_view parts[] = {lookup.column, lookup.referencedTable, lookup.keyColumn,
                                    lookup.captionColumn};
  text += ScriptArray(parts, AppendQuotedName);
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

RecordFragments BuildRecordFragments(const std::vector<std::string>& keyColumns,
                                     const std::vector<database::Lookup>& lookups) {
  return RecordFragments{ScriptArray(keyColumns, AppendQuotedName),
                         ScriptArray(lookups, AppendLookup)};
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
