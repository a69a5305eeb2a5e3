#include "generator/fragments.h"

#include <cstddef>

#include "common/ascii_case.h"
#include "generator/script_literal.h"

namespace ferulo::generator {

namespace {

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
    if (IsAsciiAlphanumeric(c) || c == '-' || c == '.' || c == '_' || c == '~') {
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

// A header cell: the column's class (numbers, dates) and sort state come
// from the page at run time, and only a column that can be sorted (not
// binary data) gets a sort link.
void AppendHeadBlock(std::string& head, std::string_view field, std::string_view display) {
  const std::string name = ScriptLiteralText(field);
  const std::string caption = DisplayHtml(display);
  AppendLine(head, {"<th scope=\"col\"<% =ColumnClass(\"", name, "\") & SortState(\"", name,
                    "\") %>><% If IsSortableColumn(\"", name,
                    "\") Then %><a href=\"<% =session(\"tablelist\") %>?sort=", QueryValue(field),
                    "\">", caption, "</a><% Else %>", caption, "<% End If %></th>"});
}

// Record values are HTML-encoded: a value holding markup must not become markup.
void AppendBodyBlock(std::string& body, std::string_view field) {
  const std::string name = ScriptLiteralText(field);
  AppendLine(body, {"<td<% =ColumnClass(\"", name, "\") %>><% =Server.HTMLEncode(RS(\"", name,
                    "\") & \"\") %></td>"});
}

// SearchTerm reads the visitor's text for the column's type at run time (a
// number, a date, a text pattern) and gives " or " and its condition.
void AppendSearchBlock(std::string& search, std::string_view searchName) {
  AppendLine(search, {" searchfilter = searchfilter & SearchTerm(\"", ScriptLiteralText(searchName),
                      "\", Session(\"searchname\"))  "});
}

void AppendEditBlock(std::string& edit, std::string_view field) {
  const std::string name = ScriptLiteralText(field);
  AppendLine(edit, {"rs(\"", name, "\") = Request.Form(\"", name, "\") "});
}

// A labelled row: the label names the control FieldControl makes (a text
// input, a text area, a check box, a choice, or the value alone), by the id
// FieldId gives, and says where a value is required.
void AppendFormBlock(std::string& form, std::string_view field, std::string_view display) {
  const std::string name = ScriptLiteralText(field);
  AppendLine(form, {"<tr>"});
  AppendLine(form, {"<th scope=\"row\"><label for=\"<% =FieldId(\"", name, "\") %>\">",
                    DisplayHtml(display), "<% =RequiredNote(\"", name, "\") %></label></th>"});
  AppendLine(form, {"<td><% =FieldControl(\"", name, "\") %></td>"});
  AppendLine(form, {"</tr>"});
}

// FilterTerm reads the posted value for the column's type at run time and
// gives its condition after a blank; the template joins them with "and".
void AppendFilterBlock(std::string& filter, std::string_view filterName) {
  const std::string name = ScriptLiteralText(filterName);
  AppendLine(filter, {" if Request.Form(\"", name,
                      "\") <> \"\" then  txtFilter = txtFilter + FilterTerm(\"", name,
                      "\", Request.Form(\"", name, "\")) + \" and\" "});
}

// A labelled row; a column that cannot be searched as text gets none. The
// input shows what FilterValue gives (the value sent, or the filter in
// force).
void AppendFilterFormBlock(std::string& filterForm, std::string_view filterName) {
  const std::string html = HtmlText(filterName);
  const std::string name = ScriptLiteralText(filterName);
  const std::string id = "<% =FieldId(\"" + name + "\") %>";
  AppendLine(filterForm,
             {"<% If IsSearchableColumn(\"", name, "\") Then %><tr><th scope=\"row\"><label for=\"",
              id, "\">", html, "</label></th><td><input id=\"", id, "\" name=\"", html,
              "\" type=\"text\" value=\"<% =Server.HTMLEncode(FilterValue(\"", name,
              "\")) %>\"></td></tr><% End If %>"});
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
                                         const std::vector<std::string>& displayNames,
                                         const std::vector<std::string>& filledByDatabase) {
  EditPageFragments fragments;
  for (std::size_t i = 0; i < fieldNames.size(); ++i) {
    if (!ContainsIgnoringAsciiCase(filledByDatabase, fieldNames[i])) {
      AppendEditBlock(fragments.edit, fieldNames[i]);
    }
    AppendFormBlock(fragments.form, fieldNames[i], DisplayNameAt(displayNames, i));
  }
  return fragments;
}

RecordFragments BuildRecordFragments(const std::vector<std::string>& keyColumns,
                                     const std::vector<database::Lookup>& lookups,
                                     const std::vector<std::string>& filledByDatabase) {
  return RecordFragments{ScriptArray(keyColumns, AppendQuotedName),
                         ScriptArray(lookups, AppendLookup),
                         ScriptArray(filledByDatabase, AppendQuotedName)};
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
