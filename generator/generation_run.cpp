#include "generator/generation_run.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/ascii_case.h"
#include "generator/field_list_checks.h"
#include "generator/fragments.h"
#include "generator/output_files.h"
#include "generator/output_plan.h"
#include "generator/page_helpers.h"
#include "generator/page_names.h"
#include "generator/script_literal.h"
#include "generator/template_substitution.h"

namespace ferulo::generator {

namespace {

// Names the database, never the password.
std::string PasswordWarning(const std::string& databaseFileName) {
  return "The database '" + databaseFileName +
         "' has a database password, which db.asp does not give: the pages will fail on the "
         "server until ;PWD= followed by the password is added to the connection string in "
         "db.asp.";
}

GenerationReport Refusal(const char* text) {
  return GenerationReport{.filesWritten = false,
                          .message = UserMessage{text, kRefusalTitle, MessageIcon::Error},
                          .writtenFiles = {},
                          .warnings = {}};
}

// The lookups of the related columns the pages show; a column is named as
// Access compares names, ignoring letter case.
std::vector<database::Lookup> LookupsOfFields(const database::TableWithReferences& description,
                                              const std::vector<std::string>& fieldNames) {
  std::vector<database::Lookup> lookups = database::ChooseLookups(description);
  std::erase_if(lookups, [&fieldNames](const database::Lookup& lookup) {
    return !ContainsIgnoringAsciiCase(fieldNames, lookup.column);
  });
  return lookups;
}

std::vector<std::string> ColumnsFilledByDatabase(const database::TableDescription& table) {
  std::vector<std::string> names;
  for (const database::ColumnDescription& column : table.columns) {
    if (database::FilledByDatabase(column)) {
      names.push_back(column.name);
    }
  }
  return names;
}

// Everything the run puts into the pages, built from the window's state.
struct PageValues {
  std::string pageBaseName;
  std::string pageBaseLiteral;
  std::string tableLiteral;
  ListPageFragments list;
  EditPageFragments edit;
  FilterPageFragments filter;
  RecordFragments record;
};

PageValues BuildPageValues(const GenerationInput& input) {
  const FieldLists& lists = input.lists;
  PageValues values;
  values.pageBaseName = PageBaseName(input.databaseFileName);
  values.pageBaseLiteral = ScriptLiteral(values.pageBaseName);
  values.tableLiteral = ScriptLiteral(input.tableName);
  values.list = BuildListPageFragments(lists.fieldNames, lists.displayNames, lists.searchNames);
  const std::vector<std::string> filledByDatabase =
      ColumnsFilledByDatabase(input.description.table);
  values.edit = BuildEditPageFragments(lists.fieldNames, lists.displayNames, filledByDatabase);
  values.filter = BuildFilterPageFragments(lists.filterNames);
  values.record =
      BuildRecordFragments(input.description.table.primaryKey,
                           LookupsOfFields(input.description, lists.fieldNames), filledByDatabase);
  return values;
}

// The markers whose values are script expressions, the same in every page:
// the page helpers may hold them too. KEYS and LOOKUPS come first, since
// the filter page takes only the others.
std::array<MarkerValue, 5> ScriptMarkers(const PageValues& values) {
  return {{{kKeysMarker, values.record.keys},
           {kLookupsMarker, values.record.lookups},
           {kTableMarker, values.tableLiteral},
           {kPageBaseMarker, values.pageBaseLiteral},
           {kReadOnlyMarker, values.record.readOnly}}};
}

struct PageSources {
  std::string list;
  std::string edit;
  std::string filter;
  std::vector<PageHelper> helpers;
};

Result<std::string> ReadTemplate(const std::string& directory, const char* name) {
  return ReadWholeFile(directory + "/" + name, "template");
}

Result<std::vector<PageHelper>> ReadHelpers(const GenerationInput& input,
                                            const PageValues& values) {
  const std::string& directory =
      input.helperDirectory.empty() ? input.programDirectory : input.helperDirectory;
  const std::string path = directory + "/" + std::string(kPageHelpersFileName);
  Result<std::string> text = ReadWholeFile(path, "page helpers");
  if (!text) {
    return text.error();
  }
  return ParsePageHelpers(ReplaceMarkers(text.value(), ScriptMarkers(values)), path);
}

// All of them are read before any output is touched.
Result<PageSources> ReadPageSources(const GenerationInput& input, const PageValues& values) {
  PageSources sources;
  const std::array<std::pair<const char*, std::string*>, 3> templates{{
      {"filelist.dat", &sources.list},
      {"fileedit.dat", &sources.edit},
      {"filefilter.dat", &sources.filter},
  }};
  for (const auto& [name, text] : templates) {
    Result<std::string> read = ReadTemplate(input.programDirectory, name);
    if (!read) {
      return read.error();
    }
    *text = std::move(read).value();
  }
  Result<std::vector<PageHelper>> helpers = ReadHelpers(input, values);
  if (!helpers) {
    return helpers.error();
  }
  sources.helpers = std::move(helpers).value();
  return sources;
}

// A filled template and, after it, the helpers it calls and lacks.
std::string Page(std::string_view templateText, std::span<const MarkerValue> markers,
                 const std::vector<PageHelper>& helpers) {
  std::string page = ReplaceMarkers(templateText, markers);
  return page + HelpersThePageLacks(page, helpers);
}

// Each page's markers: the names, its own fragments, then the script
// expressions; the filter page knows no record key and no lookups.
std::vector<PendingFile> FillPages(const GenerationInput& input, const PageValues& values,
                                   const PageSources& sources, const OutputFileNames& outputs) {
  const std::array<MarkerValue, 5> script = ScriptMarkers(values);
  const auto fill = [&](std::string_view text, std::initializer_list<MarkerValue> fragments,
                        std::span<const MarkerValue> scripted) {
    std::vector<MarkerValue> markers{{kNameMarker, input.tableName},
                                     {kFileMarker, values.pageBaseName}};
    markers.insert(markers.end(), fragments);
    markers.insert(markers.end(), scripted.begin(), scripted.end());
    return Page(text, markers, sources.helpers);
  };
  return {
      {outputs.listPage, fill(sources.list,
                              {{kHeadMarker, values.list.head},
                               {kBodyMarker, values.list.body},
                               {kSearchMarker, values.list.search}},
                              script)},
      {outputs.editPage,
       fill(sources.edit, {{kEditMarker, values.edit.edit}, {kFormMarker, values.edit.form}},
            script)},
      {outputs.filterPage,
       fill(sources.filter,
            {{kFilterMarker, values.filter.filter}, {kFilterFormMarker, values.filter.filterForm}},
            std::span(script).subspan(2))},
      {outputs.connectionInclude, ConnectionIncludeText(input.databaseFileName)},
  };
}

GenerationReport SuccessReport(const GenerationInput& input, const OutputFileNames& outputs) {
  GenerationReport report{
      .filesWritten = true,
      .message = UserMessage{kSuccessText, kSuccessTitle, MessageIcon::Information},
      .writtenFiles = {outputs.listPage, outputs.editPage, outputs.filterPage,
                       outputs.connectionInclude},
      .warnings = EntriesThatAreNoColumns(input.lists, input.description.table),
  };
  if (input.databaseHasPassword) {
    report.warnings.push_back(PasswordWarning(input.databaseFileName));
  }
  return report;
}

}  // namespace

std::optional<GenerationReport> RefusalOf(const GenerationInput& input) {
  if (input.databasePathText.empty() || input.databaseFileName.empty()) {
    return Refusal(kNoDatabaseText);
  }
  if (input.tableName.empty()) {
    return Refusal(kNoTableText);
  }
  return std::nullopt;
}

Result<GenerationReport> RunGeneration(const GenerationInput& input) {
  if (std::optional<GenerationReport> refusal = RefusalOf(input)) {
    return *refusal;
  }
  if (Status entries = RefuseControlCharacters(input.lists); !entries) {
    return entries.error();
  }
  const PageValues values = BuildPageValues(input);
  Result<PageSources> sources = ReadPageSources(input, values);
  if (!sources) {
    return sources.error();
  }
  // An empty output path means the database's folder, never the working one.
  const OutputFileNames outputs = PlannedOutputFiles(input);
  if (Status written = WriteAllOrNothing(FillPages(input, values, sources.value(), outputs));
      !written) {
    return written.error();
  }
  return SuccessReport(input, outputs);
}

}  // namespace ferulo::generator
