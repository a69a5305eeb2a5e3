#include "cli/job_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <filesystem>

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
  const json document = json::parse(jsonText, nullptr, /*allow_exceptions=*/false);
  if (document.is_discarded()) {
    return JobError(jobPath, "not valid JSON");
  }
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
