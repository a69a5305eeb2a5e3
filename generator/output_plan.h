#pragma once

#include <string>
#include <vector>

#include "generator/generation_run.h"
#include "generator/page_names.h"

namespace ferulo::generator {

// What an existing db.asp in the output folder connects to.
enum class ExistingInclude {
  None,             // there is no db.asp yet
  SameDatabase,     // it opens this run's database file
  AnotherDatabase,  // it opens another database file (includedDatabase)
  Unrecognised,     // it names no database file that can be told
};

// Where a run would write and what it would replace, found before anything is
// written, so that a caller can ask first.
struct OutputPlan {
  OutputFileNames files;
  // Of the four files, those already present, in the order list, edit, filter
  // page, db.asp.
  std::vector<std::string> existingFiles;
  ExistingInclude include = ExistingInclude::None;
  // The database file an existing db.asp opens, for AnotherDatabase.
  std::string includedDatabase;

  // Pages that include db.asp would open this run's database instead of the
  // one they were made for.
  [[nodiscard]] bool redirectsOtherPages() const {
    return include == ExistingInclude::AnotherDatabase || include == ExistingInclude::Unrecognised;
  }
};

// The output path a run writes under: the one given, or, where it is empty,
// the database's folder (the path less its file name, "" for a bare name).
[[nodiscard]] std::string EffectiveOutputPath(const GenerationInput& input);

// The four output files of a run on input.
[[nodiscard]] OutputFileNames PlannedOutputFiles(const GenerationInput& input);

// The four output files, which of them exist, and what an existing db.asp
// opens. Reads nothing but db.asp.
[[nodiscard]] OutputPlan PlanOutputs(const GenerationInput& input);

// The database file name a db.asp text opens with server.mappath("..."), or
// "" where it has none.
[[nodiscard]] std::string IncludedDatabaseName(std::string_view includeText);

}  // namespace ferulo::generator
