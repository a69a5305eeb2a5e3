#include "generator/generation_run.h"

#include <algorithm>
#include <array>

#include "common/ascii_case.h"
#include "generator/field_list_checks.h"
#include "generator/fragments.h"
#include "generator/output_files.h"
#include "generator/output_plan.h"
#include "generator/page_names.h"
#include "generator/template_substitution.h"

namespace ferulo::generator {

namespace {

std::string FillTemplate(std::string_view text, std::initializer_list<MarkerValue> markers) {
  return ReplaceMarkers(text, std::span<const MarkerValue>(markers.begin(), markers.size()));
}

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
    return std::none_of(fieldNames.begin(), fieldNames.end(), [&lookup](const std::string& field) {
      return EqualsIgnoringAsciiCase(field, lookup.column);
    });
  });
  return lookups;
}

struct Templates {
  std::string list;
  std::string edit;
  std::string filter;
};

// All three are read before any output is touched.
Result<Templates> ReadTemplates(const std::string& programDirectory) {
  Templates templates;
  const std::array<std::pair<const char*, std::string*>, 3> files{{
      {"/filelist.dat", &templates.list},
      {"/fileedit.dat", &templates.edit},
      {"/filefilter.dat", &templates.filter},
  }};
  for (const auto& [name, text] : files) {
    Result<std::string> read = ReadWholeFile(programDirectory + name, "template");
    if (!read) {
      return read.error();
    }
    *text = std::move(read).value();
  }
  return templates;
}

}  // namespace

Result<GenerationReport> RunGeneration(const GenerationInput& input) {
  // A path typed into the box while no database was ever chosen leaves the
  // file name empty: that is no database either.
  if (input.databasePathText.empty() || input.databaseFileName.empty()) {
    return Refusal(kNoDatabaseText);
  }
  if (input.tableName.empty()) {
    return Refusal(kNoTableText);
  }

  if (Status entries = RefuseControlCharacters(input.lists); !entries) {
    return entries.error();
  }

  const std::string pageBaseName = PageBaseName(input.databaseFileName);
  // An empty output path means the database's folder, never the working one.
  const OutputFileNames outputs = PlannedOutputFiles(input);

  const FieldLists& lists = input.lists;
  const ListPageFragments listFragments =
      BuildListPageFragments(lists.fieldNames, lists.displayNames, lists.searchNames);
  const EditPageFragments editFragments =
      BuildEditPageFragments(lists.fieldNames, lists.displayNames);
  const FilterPageFragments filterFragments = BuildFilterPageFragments(lists.filterNames);
  const RecordFragments recordFragments = BuildRecordFragments(
      input.description.table.primaryKey, LookupsOfFields(input.description, lists.fieldNames));

  Result<Templates> templates = ReadTemplates(input.programDirectory);
  if (!templates) {
    return templates.error();
  }
  const std::string_view table = input.tableName;
  const std::string tableLiteral = BuildTableLiteral(input.tableName);
  const std::string_view file = pageBaseName;
  std::vector<PendingFile> pending{
      {outputs.listPage,
       FillTemplate(templates.value().list, {{kNameMarker, table},
                                             {kFileMarker, file},
                                             {kHeadMarker, listFragments.head},
                                             {kBodyMarker, listFragments.body},
                                             {kSearchMarker, listFragments.search},
                                             {kKeysMarker, recordFragments.keys},
                                             {kLookupsMarker, recordFragments.lookups},
                                             {kTableMarker, tableLiteral}})},
      {outputs.editPage,
       FillTemplate(templates.value().edit, {{kNameMarker, table},
                                             {kFileMarker, file},
                                             {kEditMarker, editFragments.edit},
                                             {kFormMarker, editFragments.form},
                                             {kKeysMarker, recordFragments.keys},
                                             {kLookupsMarker, recordFragments.lookups},
                                             {kTableMarker, tableLiteral}})},
      {outputs.filterPage,
       FillTemplate(templates.value().filter, {{kNameMarker, table},
                                               {kFileMarker, file},
                                               {kFilterMarker, filterFragments.filter},
                                               {kFilterFormMarker, filterFragments.filterForm},
                                               {kTableMarker, tableLiteral}})},
      {outputs.connectionInclude, ConnectionIncludeText(input.databaseFileName)},
  };
  if (Status written = WriteAllOrNothing(pending); !written) {
    return written.error();
  }
  GenerationReport report{
      .filesWritten = true,
      .message = UserMessage{kSuccessText, kSuccessTitle, MessageIcon::Information},
      .writtenFiles = {outputs.listPage, outputs.editPage, outputs.filterPage,
                       outputs.connectionInclude},
      .warnings = EntriesThatAreNoColumns(lists, input.description.table),
  };
  if (input.databaseHasPassword) {
    report.warnings.push_back(PasswordWarning(input.databaseFileName));
  }
  return report;
}

}  // namespace ferulo::generator
