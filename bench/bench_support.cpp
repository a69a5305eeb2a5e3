#include "bench/bench_support.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <stdexcept>

#include "common/program_directory.h"

namespace ferulo::bench {

namespace fs = std::filesystem;

namespace {

double MillisecondsPer(benchmark::TimeUnit unit) {
  switch (unit) {
    case benchmark::kNanosecond:
      return 1e-6;
    case benchmark::kMicrosecond:
      return 1e-3;
    case benchmark::kMillisecond:
      return 1;
    case benchmark::kSecond:
      return 1e3;
  }
  return 1;
}

std::optional<double> Find(const std::map<std::string, double>& figures, const std::string& name) {
  const auto found = figures.find(name);
  if (found == figures.end()) {
    return std::nullopt;
  }
  return found->second;
}

}  // namespace

RememberingReporter::RememberingReporter()
    : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_None) {}

bool RememberingReporter::ReportContext(const Context& context) {
  return ConsoleReporter::ReportContext(context);
}

void RememberingReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.error_occurred) {
      continue;
    }
    const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (!single && !median) {
      continue;
    }
    const double toMilliseconds = MillisecondsPer(run.time_unit);
    milliseconds_[run.run_name.function_name] = run.GetAdjustedRealTime() * toMilliseconds;
    cpuMilliseconds_[run.run_name.function_name] = run.GetAdjustedCPUTime() * toMilliseconds;
  }
}

std::optional<double> RememberingReporter::Milliseconds(const std::string& name) const {
  return Find(milliseconds_, name);
}

std::optional<double> RememberingReporter::CpuMilliseconds(const std::string& name) const {
  return Find(cpuMilliseconds_, name);
}

bool RunBenchmarks(int argc, char** argv, RememberingReporter& reporter) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return false;
  }
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return true;
}

std::string FormatMilliseconds(std::optional<double> milliseconds) {
  if (!milliseconds) {
    return "not measured";
  }
  std::ostringstream text;
  text << std::fixed << std::setprecision(*milliseconds < 1 ? 4 : 2) << *milliseconds << " ms";
  return text.str();
}

std::string Verdict(std::optional<double> value, double limit) {
  if (!value) {
    return "not measured";
  }
  return *value <= limit ? "met" : "MISSED";
}

std::vector<std::string> WideTableColumns(int count) {
  static const char* const kStems[] = {"ID",         "CustomerName", "Street", "PostalCode",
                                       "OrderedOn",  "Qty",          "Remark", "UnitPriceInEuro",
                                       "ShippedVia", "Phone"};
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    names.push_back(std::string(kStems[i % 10]) + std::to_string(i));
  }
  return names;
}

ScratchFolder::ScratchFolder(const std::string& purpose) {
  std::string pattern = (fs::temp_directory_path() / ("ferulo-bench-" + purpose + "-XXXXXX"));
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a folder under " + fs::temp_directory_path().string());
  }
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path.string());
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

fs::path BinaryFolder() {
  return ProgramDirectory();
}

std::string SampleDatabase(const std::string& name) {
  for (const fs::path& candidate :
       {fs::path(FERULO_SOURCE_DIR) / name, fs::path(FERULO_SHARED_TESTDATA_DIR) / name}) {
    std::error_code ignored;
    if (fs::is_regular_file(candidate, ignored)) {
      return candidate.string();
    }
  }
  return {};
}

}  // namespace ferulo::bench
