#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ferulo::bench {

// Prints every result as the console reporter does and remembers each one's
// real time per iteration in milliseconds, so main() can print the figures
// that matter (ratios, targets) under the table.
class RememberingReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal.
  RememberingReporter();
  bool ReportContext(const Context& context) override;
  void ReportRuns(const std::vector<Run>& runs) override;

  // The median where repetitions ran, else the single run; nullopt where the
  // benchmark did not run (filtered out, skipped or failed).
  [[nodiscard]] std::optional<double> Milliseconds(const std::string& name) const;
  // The same for the CPU time of the benchmark's thread: steadier than wall
  // time on a machine that others share.
  [[nodiscard]] std::optional<double> CpuMilliseconds(const std::string& name) const;

 private:
  std::map<std::string, double> milliseconds_;
  std::map<std::string, double> cpuMilliseconds_;
};

// Runs the registered benchmarks with that reporter; false where the command
// line was not understood.
bool RunBenchmarks(int argc, char** argv, RememberingReporter& reporter);

// "12.345 ms", or "not measured".
std::string FormatMilliseconds(std::optional<double> milliseconds);

// "met" / "MISSED" against a limit; "not measured" where there is no figure.
std::string Verdict(std::optional<double> value, double limit);

// The names of a wide table: mixed lengths, as real column names have.
std::vector<std::string> WideTableColumns(int count);

// A folder under the system's temporary folder, removed when the object goes.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& purpose);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& path);

// The folder of the running benchmark: ferulo-mdb-reader, ferulo-cli and the
// shipped templates are built beside it.
std::filesystem::path BinaryFolder();

// A sample database by its path relative to the repository, or to the shared
// test data beside the clone; "" where absent.
std::string SampleDatabase(const std::string& name);

}  // namespace ferulo::bench
