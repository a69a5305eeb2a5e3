#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/error.h"

namespace ferulo::cli {

// A generation job as a JSON file holds it: the window's state written down.
// Lists left out default to every column of the table (display to fields when
// fields is given); paths are already resolved against the job file's folder.
struct Job {
  std::string database;
  std::string table;
  std::optional<std::string> output;
  std::optional<std::vector<std::string>> fields;
  std::optional<std::vector<std::string>> display;
  std::optional<std::vector<std::string>> filter;
  std::optional<std::vector<std::string>> search;
};

[[nodiscard]] Result<Job> ParseJob(const std::string& jsonText, const std::string& jobFolder,
                                   const std::string& jobPath);

[[nodiscard]] Result<Job> LoadJobFile(const std::string& jobPath);

}  // namespace ferulo::cli
