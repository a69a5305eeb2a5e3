// Speed of page generation: the fragment builders, marker substitution and
// whole generation runs for a table of 255 columns, with templates of 1 KB to
// 10 MB. Prints whether substitution stays linear in the template's size and
// whether a run into 1 MB templates stays under 20 ms.
#include <malloc.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "bench/bench_support.h"
#include "generator/fragments.h"
#include "generator/generation_run.h"
#include "generator/template_substitution.h"

namespace ferulo::bench {
namespace {

namespace fs = std::filesystem;
using generator::FieldLists;

constexpr int kColumns = 255;
constexpr double kRunLimitMilliseconds = 20;
constexpr double kLinearityLimit = 11;  // 10 times the bytes, at most 11 times the time

struct TemplateSize {
  const char* label;
  std::size_t bytes;
};
constexpr TemplateSize kSizes[] = {
    {"1KB", 1 << 10}, {"100KB", 100 << 10}, {"1MB", 1 << 20}, {"10MB", 10 << 20}};

FieldLists WideTableLists() {
  const std::vector<std::string> columns = WideTableColumns(kColumns);
  return FieldLists{columns, columns, columns, columns};
}

// The same table as the database describes it, so that a run checks every
// entry against its columns.
database::TableWithReferences WideTableDescription() {
  database::TableWithReferences described;
  described.table.name = "Orders";
  for (const std::string& name : WideTableColumns(kColumns)) {
    described.table.columns.push_back({name, "Text", 255, false, false});
  }
  return described;
}

// A shipped template padded to size with layout lines. "dense" puts a NAME
// and a FILE marker into every padding line, so the number of markers grows
// with the size as well.
std::string PaddedTemplate(const std::string& shipped, std::size_t size, bool dense) {
  const std::string line = dense ? "<tr><td class=\"layout\"><!--@NAME@--> in <!--@FILE@-->list.asp"
                                   "</td></tr>\r\n"
                                 : "<tr><td class=\"layout\">padding of a large page template, "
                                   "no marker</td></tr>\r\n";
  std::string text = shipped;
  text.reserve(size + line.size());
  while (text.size() + line.size() <= size) {
    text += line;
  }
  text.append(size - std::min(size, text.size()), ' ');
  return text;
}

std::string ShippedTemplate(const char* name) {
  return ReadBytes(BinaryFolder() / name);
}

void RegisterFragmentBuilders() {
  benchmark::RegisterBenchmark("fragments/list page/255 columns", [](benchmark::State& state) {
    const FieldLists lists = WideTableLists();
    for (auto _ : state) {
      benchmark::DoNotOptimize(generator::BuildListPageFragments(
          lists.fieldNames, lists.displayNames, lists.searchNames));
    }
  });
  benchmark::RegisterBenchmark("fragments/edit page/255 columns", [](benchmark::State& state) {
    const FieldLists lists = WideTableLists();
    for (auto _ : state) {
      benchmark::DoNotOptimize(
          generator::BuildEditPageFragments(lists.fieldNames, lists.displayNames));
    }
  });
  benchmark::RegisterBenchmark("fragments/filter page/255 columns", [](benchmark::State& state) {
    const FieldLists lists = WideTableLists();
    for (auto _ : state) {
      benchmark::DoNotOptimize(generator::BuildFilterPageFragments(lists.filterNames));
    }
  });
}

std::string SubstitutionName(const char* shape, const TemplateSize& size) {
  return std::string("substitution/") + shape + "/" + size.label;
}

// The list page's five substitutions with the fragments of 255 columns, the
// heaviest of the three pages.
void RegisterSubstitution(const char* shape, bool dense) {
  for (const TemplateSize& size : kSizes) {
    benchmark::RegisterBenchmark(
        SubstitutionName(shape, size).c_str(),
        [size, dense](benchmark::State& state) {
          const std::string text =
              PaddedTemplate(ShippedTemplate("filelist.dat"), size.bytes, dense);
          const FieldLists lists = WideTableLists();
          const generator::ListPageFragments fragments = generator::BuildListPageFragments(
              lists.fieldNames, lists.displayNames, lists.searchNames);
          for (auto _ : state) {
            const generator::MarkerValue markers[] = {
                {generator::kNameMarker, "Orders"},
                {generator::kFileMarker, "shop"},
                {generator::kHeadMarker, fragments.head},
                {generator::kBodyMarker, fragments.body},
                {generator::kSearchMarker, fragments.search},
            };
            std::string page = generator::ReplaceMarkers(text, markers);
            benchmark::DoNotOptimize(page);
          }
          state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
        })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.2)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
  }
}

std::string RunName(const TemplateSize& size, const char* where) {
  return std::string("generation run/255 columns/") + size.label + " templates/" + where;
}

// Whole runs as the window's "Start" makes them: read the three templates,
// build the fragments, substitute, write the four files (fsync, rename).
void RegisterGenerationRuns(const char* where, const fs::path& outputParent) {
  for (const TemplateSize& size : kSizes) {
    benchmark::RegisterBenchmark(
        RunName(size, where).c_str(),
        [size, outputParent](benchmark::State& state) {
          ScratchFolder program("templates");
          for (const char* name : {"filelist.dat", "fileedit.dat", "filefilter.dat"}) {
            WriteBytes(program.path() / name,
                       PaddedTemplate(ShippedTemplate(name), size.bytes, false));
          }
          WriteBytes(program.path() / "pagehelpers.vbs", ShippedTemplate("pagehelpers.vbs"));
          const fs::path output = outputParent / fs::path(program.path()).filename();
          fs::create_directory(output);
          const generator::GenerationInput input{
              .databasePathText = "/data/shop.mdb",
              .databaseFileName = "shop.mdb",
              .tableName = "Orders",
              .outputPath = output.string() + "/",
              .lists = WideTableLists(),
              .programDirectory = program.path().string(),
              .description = WideTableDescription(),
          };
          for (auto _ : state) {
            auto report = generator::RunGeneration(input);
            if (!report || !report.value().succeeded()) {
              state.SkipWithError(report ? report.value().message.text.c_str()
                                         : report.error().description.c_str());
              break;
            }
          }
          std::error_code ignored;
          fs::remove_all(output, ignored);
        })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.2)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
  }
}

std::optional<double> Ratio(std::optional<double> larger, std::optional<double> smaller) {
  if (!larger || !smaller || *smaller <= 0) {
    return std::nullopt;
  }
  return *larger / *smaller;
}

std::string FormatRatio(std::optional<double> ratio) {
  char text[32] = "not measured";
  if (ratio) {
    std::snprintf(text, sizeof text, "%.2f", *ratio);
  }
  return text;
}

// The verdict goes by CPU time: wall time on a shared machine also counts
// whoever else ran meanwhile.
void PrintLinearity(const RememberingReporter& reporter, const char* shape) {
  for (std::size_t i = 1; i + 1 < std::size(kSizes); ++i) {
    const std::string smaller = SubstitutionName(shape, kSizes[i]);
    const std::string larger = SubstitutionName(shape, kSizes[i + 1]);
    const auto cpu = Ratio(reporter.CpuMilliseconds(larger), reporter.CpuMilliseconds(smaller));
    const auto wall = Ratio(reporter.Milliseconds(larger), reporter.Milliseconds(smaller));
    std::printf(
        "substitution, %s markers, %s -> %s: %s times the CPU time (wall %s) for 10 times "
        "the bytes (limit %.0f): %s\n",
        shape, kSizes[i].label, kSizes[i + 1].label, FormatRatio(cpu).c_str(),
        FormatRatio(wall).c_str(), kLinearityLimit, Verdict(cpu, kLinearityLimit).c_str());
  }
}

}  // namespace
}  // namespace ferulo::bench

int main(int argc, char** argv) {
  using namespace ferulo::bench;
  // Serve every size from the heap, none from fresh mmap'ed pages: otherwise
  // glibc's sliding mmap threshold decides, by the order the benchmarks ran
  // in, which sizes pay a page fault per 4 KB, and the ratios measure that.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  RegisterFragmentBuilders();
  RegisterSubstitution("sparse", false);
  RegisterSubstitution("dense", true);
  RegisterGenerationRuns("disk", std::filesystem::temp_directory_path());
  std::error_code ignored;
  if (std::filesystem::is_directory("/dev/shm", ignored)) {
    RegisterGenerationRuns("tmpfs", "/dev/shm");
  }

  RememberingReporter reporter;
  if (!RunBenchmarks(argc, argv, reporter)) {
    return 2;
  }
  std::printf("\n");
  PrintLinearity(reporter, "sparse");
  PrintLinearity(reporter, "dense");
  for (const char* where : {"disk", "tmpfs"}) {
    const auto run = reporter.Milliseconds(RunName(kSizes[2], where));
    const auto cpu = reporter.CpuMilliseconds(RunName(kSizes[2], where));
    std::printf(
        "generation run, 255 columns into 1 MB templates, output on %s: %s wall, %s CPU "
        "(limit %.0f ms): %s\n",
        where, FormatMilliseconds(run).c_str(), FormatMilliseconds(cpu).c_str(),
        kRunLimitMilliseconds, Verdict(run, kRunLimitMilliseconds).c_str());
  }
  return 0;
}
