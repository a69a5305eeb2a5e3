#include "generator/output_plan.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/ascii_case.h"

namespace ferulo::generator {

namespace {

// Enough for any db.asp: FERULO's has six short lines.
constexpr std::streamsize kLongestIncludeRead = 64 * 1024;

bool Exists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

// The start of a db.asp, or "" where it cannot be read.
std::string IncludeStart(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string text(static_cast<std::size_t>(kLongestIncludeRead), '\0');
  file.read(text.data(), kLongestIncludeRead);
  text.resize(static_cast<std::size_t>(file.gcount()));
  return text;
}

// VBScript ignores letter case, so a db.asp edited by hand may spell the
// call Server.MapPath.
std::size_t FindIgnoringAsciiCase(std::string_view text, std::string_view needle) {
  for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
    if (EqualsIgnoringAsciiCase(text.substr(at, needle.size()), needle)) {
      return at;
    }
  }
  return std::string_view::npos;
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && text[at] == ' ') {
    ++at;
  }
  return at;
}

// The text of a VBScript string literal as ScriptLiteral writes it, from
// just after its opening quote: doubled quotes, and pieces joined by & (a
// name holding "%>" is written in two). "" where it never ends.
std::string ScriptLiteralValue(std::string_view text) {
  std::string value;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] != '"') {
      value += text[at++];
    } else if (at + 1 < text.size() && text[at + 1] == '"') {
      value += '"';
      at += 2;
    } else {
      const std::size_t next = SkipBlanks(text, at + 1);
      const std::size_t piece = SkipBlanks(text, next + 1);
      if (next < text.size() && text[next] == '&' && piece < text.size() && text[piece] == '"') {
        at = piece + 1;
        continue;
      }
      return value;
    }
  }
  return {};
}

}  // namespace

std::string IncludedDatabaseName(std::string_view includeText) {
  constexpr std::string_view kCall = "server.mappath(\"";
  const std::size_t call = FindIgnoringAsciiCase(includeText, kCall);
  if (call == std::string_view::npos) {
    return {};
  }
  return ScriptLiteralValue(includeText.substr(call + kCall.size()));
}

std::string EffectiveOutputPath(const GenerationInput& input) {
  if (!input.outputPath.empty()) {
    return input.outputPath;
  }
  const std::size_t slash = input.databasePathText.rfind('/');
  return slash == std::string::npos ? std::string() : input.databasePathText.substr(0, slash + 1);
}

OutputFileNames PlannedOutputFiles(const GenerationInput& input) {
  return MakeOutputFileNames(OutputPrefix(EffectiveOutputPath(input)),
                             PageBaseName(input.databaseFileName));
}

OutputPlan PlanOutputs(const GenerationInput& input) {
  OutputPlan plan{.files = PlannedOutputFiles(input), .existingFiles = {}, .includedDatabase = {}};
  for (const std::string* file : {&plan.files.listPage, &plan.files.editPage,
                                  &plan.files.filterPage, &plan.files.connectionInclude}) {
    if (Exists(*file)) {
      plan.existingFiles.push_back(*file);
    }
  }
  if (!Exists(plan.files.connectionInclude)) {
    return plan;
  }
  // The server looks the name up on Windows, where letter case does not count.
  plan.includedDatabase = IncludedDatabaseName(IncludeStart(plan.files.connectionInclude));
  if (plan.includedDatabase.empty()) {
    plan.include = ExistingInclude::Unrecognised;
  } else if (EqualsIgnoringAsciiCase(plan.includedDatabase, input.databaseFileName)) {
    plan.include = ExistingInclude::SameDatabase;
  } else {
    plan.include = ExistingInclude::AnotherDatabase;
  }
  return plan;
}

}  // namespace ferulo::generator
