#include "cli/job_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

#include "common/error_codes.h"
#include "generator/output_files.h"

namespace ferulo::cli {

namespace {

using nlohmann::json;

Error JobError(const std::string& jobPath, const std::string& what) {
  return Error{error_code::kBadJobFile, "Job file '" + jobPath + "': " + what};
}

// A relative path means relative to the job file; a trailing separator, which
// marks an output folder, is kept.
std::string ResolveAgainst(const std::string& folder, const std::string& path) {
  if (path.empty() || std::filesystem::path(path).is_absolute()) {
    return path;
  }
  return (std::filesystem::path(folder) / path).string();
}

// Where the parser stopped, as an editor counts it: "line 3, column 7", the
// column in characters (UTF-8 sequences count once). byte is the parser's
// 1-based position of the last byte it read.
std::string PositionOf(std::string_view text, std::size_t byte) {
  const std::size_t stop = std::min(byte == 0 ? 0 : byte - 1, text.size());
  const std::string_view before = text.substr(0, stop);
  const std::size_t lastBreak = before.rfind('\n');
  const std::size_t lineStart = lastBreak == std::string_view::npos ? 0 : lastBreak + 1;
  const auto line = std::count(before.begin(), before.end(), '\n') + 1;
  const auto column =
      std::count_if(before.begin() + static_cast<std::ptrdiff_t>(lineStart), before.end(),
                    [](char c) { return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U; }) +
      1;
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The parser's own account of what it found, without its prefix
// ("[json.exception.parse_error.101] parse error at line 1, column 2: ").
std::string ParserReason(const std::string& message) {
  const std::size_t column = message.find("column ");
  const std::size_t reason = message.find(": ", column == std::string::npos ? 0 : column);
  return reason == std::string::npos ? message : message.substr(reason + 2);
}

Result<json> ParseDocument(const std::string& jsonText, const std::string& jobPath) {
  try {
    return json::parse(jsonText);
  } catch (const json::parse_error& error) {
    return JobError(jobPath, "not valid JSON at " + PositionOf(jsonText, error.byte) + ": " +
                                 ParserReason(error.what()));
  }
}

Result<std::string> RequiredText(const json& document, const char* key,
                                 const std::string& jobPath) {
  if (!document.contains(key)) {
    return JobError(jobPath, std::string("\"") + key + "\" is missing");
  }
  if (!document[key].is_string()) {
    return JobError(jobPath, std::string("\"") + key + "\" must be a string");
  }
  return document[key].get<std::string>();
}

Result<std::optional<std::vector<std::string>>> OptionalList(const json& document, const char* key,
                                                             const std::string& jobPath) {
  if (!document.contains(key)) {
    return std::optional<std::vector<std::string>>();
  }
  const json& value = document[key];
  const std::string mustBe = std::string("\"") + key + "\" must be an array of strings";
  if (!value.is_array()) {
    return JobError(jobPath, mustBe);
  }
  std::vector<std::string> entries;
  for (const json& entry : value) {
    if (!entry.is_string()) {
      return JobError(jobPath, mustBe);
    }
    entries.push_back(entry.get<std::string>());
  }
  return std::optional<std::vector<std::string>>(std::move(entries));
}

Status RejectUnknownKeys(const json& document, const std::string& jobPath) {
  static const std::vector<std::string> known{"database", "table",  "output", "fields",
                                              "display",  "filter", "search"};
  for (const auto& item : document.items()) {
    if (std::find(known.begin(), known.end(), item.key()) == known.end()) {
      return JobError(jobPath, "unknown key \"" + item.key() + "\"");
    }
  }
  return Done{};
}

Status ReadLists(const json& document, const std::string& jobPath, Job& job) {
  const std::array<std::pair<const char*, std::optional<std::vector<std::string>>*>, 4> lists{{
      {"fields", &job.fields},
      {"display", &job.display},
      {"filter", &job.filter},
      {"search", &job.search},
  }};
  for (const auto& [key, target] : lists) {
    auto list = OptionalList(document, key, jobPath);
    if (!list) {
      return list.error();
    }
    *target = std::move(list).value();
  }
  if (job.fields && !job.display) {
    job.display = job.fields;
  }
  if (job.fields && job.fields->size() != job.display->size()) {
    return JobError(jobPath, "\"fields\" has " + std::to_string(job.fields->size()) +
                                 " entries but \"display\" has " +
                                 std::to_string(job.display->size()) +
                                 "; they pair by position and must be of equal length");
  }
  return Done{};
}

}  // namespace

Result<Job> ParseJob(const std::string& jsonText, const std::string& jobFolder,
                     const std::string& jobPath) {
  const Result<json> parsed = ParseDocument(jsonText, jobPath);
  if (!parsed) {
    return parsed.error();
  }
  const json& document = parsed.value();
  if (!document.is_object()) {
    return JobError(jobPath, "must hold a JSON object");
  }
  if (Status known = RejectUnknownKeys(document, jobPath); !known) {
    return known.error();
  }
  Job job;
  auto database = RequiredText(document, "database", jobPath);
  if (!database) {
    return database.error();
  }
  auto table = RequiredText(document, "table", jobPath);
  if (!table) {
    return table.error();
  }
  job.database = ResolveAgainst(jobFolder, database.value());
  job.table = table.value();
  if (document.contains("output")) {
    auto output = RequiredText(document, "output", jobPath);
    if (!output) {
      return output.error();
    }
    job.output = ResolveAgainst(jobFolder, output.value());
  }
  if (Status lists = ReadLists(document, jobPath, job); !lists) {
    return lists.error();
  }
  return job;
}

Result<Job> LoadJobFile(const std::string& jobPath) {
  Result<std::string> text = generator::ReadWholeFile(jobPath, "job file");
  if (!text) {
    return text.error();
  }
  const std::string folder = std::filesystem::path(jobPath).parent_path().string();
  return ParseJob(text.value(), folder, jobPath);
}

}  // namespace ferulo::cli
