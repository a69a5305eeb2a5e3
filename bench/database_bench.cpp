// Speed of reading an Access file: the catalog read and the column listing,
// once straight through libmdb in this process (what ferulo-mdb-reader does
// inside) and once as FERULO runs them, through the reader process.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "database/connection.h"
#include "database/mdb_catalog.h"

namespace ferulo::bench {
namespace {

struct Sample {
  const char* label;
  const char* path;  // relative to the repository or to the shared test data
};
constexpr Sample kSamples[] = {
    {"nwind.mdb", "nwind.mdb"},
    {"fruit.mdb", "fixtures/mdb/package/test/fruit.mdb"},
    {"node-adodb.mdb", "fixtures/node-adodb/package/examples/node-adodb.mdb"},
    {"ASampleDatabase.accdb", "ASampleDatabase.accdb"},
};

// The user table with the most columns: the column listing's worst case among
// the file's tables.
std::string WidestTable(const database::Connection& connection) {
  std::string widest;
  std::size_t most = 0;
  for (const std::string& table : database::UserTableNames(connection.OpenSchemaTables())) {
    auto columns = connection.ColumnNames(table);
    if (columns && columns.value().size() >= most) {
      most = columns.value().size();
      widest = table;
    }
  }
  return widest;
}

void Fail(benchmark::State& state, const Error& error) {
  state.SkipWithError(error.description.c_str());
}

void RegisterSample(const std::string& label, const std::string& path, const std::string& table) {
  benchmark::RegisterBenchmark(("catalog read/libmdb in-process/" + label).c_str(),
                               [path](benchmark::State& state) {
                                 for (auto _ : state) {
                                   auto catalog = database::ReadCatalog(path);
                                   if (!catalog) {
                                     return Fail(state, catalog.error());
                                   }
                                 }
                               })
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("catalog read/reader process/" + label).c_str(),
                               [path](benchmark::State& state) {
                                 for (auto _ : state) {
                                   auto opened = database::Connection::Open(path);
                                   if (!opened) {
                                     return Fail(state, opened.error());
                                   }
                                 }
                               })
      ->Unit(benchmark::kMillisecond);
  if (table.empty()) {
    return;
  }
  benchmark::RegisterBenchmark(("column listing/libmdb in-process/" + label + "/" + table).c_str(),
                               [path, table](benchmark::State& state) {
                                 for (auto _ : state) {
                                   auto columns = database::ReadColumnNames(path, table);
                                   if (!columns) {
                                     return Fail(state, columns.error());
                                   }
                                 }
                               })
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("column listing/reader process/" + label + "/" + table).c_str(),
                               [path, table](benchmark::State& state) {
                                 auto opened = database::Connection::Open(path);
                                 if (!opened) {
                                   return Fail(state, opened.error());
                                 }
                                 for (auto _ : state) {
                                   auto columns = opened.value().ColumnNames(table);
                                   if (!columns) {
                                     return Fail(state, columns.error());
                                   }
                                 }
                               })
      ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace ferulo::bench

int main(int argc, char** argv) {
  using namespace ferulo;
  for (const bench::Sample& sample : bench::kSamples) {
    const std::string path = bench::SampleDatabase(sample.path);
    if (path.empty()) {
      std::fprintf(stderr, "%s is not available: not measured\n", sample.label);
      continue;
    }
    auto connection = database::Connection::Open(path);
    if (!connection) {
      std::fprintf(stderr, "%s: error %d: %s\n", sample.label, connection.error().number,
                   connection.error().description.c_str());
      continue;
    }
    bench::RegisterSample(sample.label, path, bench::WidestTable(connection.value()));
  }
  bench::RememberingReporter reporter;
  return bench::RunBenchmarks(argc, argv, reporter) ? 0 : 2;
}
