// The reader: answers one question about one Access file and ends. It runs
// in a process of its own, either ferulo-mdb-reader or a child forked for
// the one question, and only there does libmdb run, so that a damaged file
// that makes libmdb crash, loop or eat memory costs that process and nothing
// else.

#include "database/reader_main.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/write_all.h"
#include "database/database_errors.h"
#include "database/database_file_check.h"
#include "database/mdb_catalog.h"
#include "database/reader_protocol.h"
#include "database/table_description_json.h"

namespace protocol = ferulo::database::reader_protocol;
using ferulo::Error;
using ferulo::Result;
using nlohmann::json;

namespace {

constexpr std::uint64_t kDefaultMemoryLimit = std::uint64_t{1} << 30;
constexpr std::uint64_t kDefaultCpuSeconds = 30;

struct Request {
  std::uint64_t memoryLimitBytes = kDefaultMemoryLimit;  // 0: no limit
  std::uint64_t cpuSeconds = kDefaultCpuSeconds;         // 0: no limit
  std::string command;
  std::string databasePath;
  std::string tableName;
};

std::optional<std::uint64_t> ParseCount(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

std::optional<Request> ParseRequest(const std::vector<std::string_view>& args) {
  Request request;
  std::size_t next = 0;
  while (next + 1 < args.size() &&
         (args[next] == protocol::kMemoryLimitOption || args[next] == protocol::kCpuLimitOption)) {
    const auto value = ParseCount(args[next + 1]);
    if (!value) {
      return std::nullopt;
    }
    (args[next] == protocol::kMemoryLimitOption ? request.memoryLimitBytes : request.cpuSeconds) =
        *value;
    next += 2;
  }
  const std::size_t operands = args.size() - next;
  if ((operands == 2 || operands == 3) && args[next] == protocol::kCatalogCommand) {
    request.command = args[next];
    request.databasePath = args[next + 1];
    if (operands == 3) {
      request.tableName = args[next + 2];
    }
    return request;
  }
  if (operands == 3 &&
      (args[next] == protocol::kColumnsCommand || args[next] == protocol::kDescribeCommand)) {
    request.command = args[next];
    request.databasePath = args[next + 1];
    request.tableName = args[next + 2];
    return request;
  }
  return std::nullopt;
}

void SetLimit(int resource, rlim_t soft, rlim_t hard) {
  const rlimit limit{soft, hard};
  if (setrlimit(resource, &limit) != 0) {
    std::cerr << "ferulo-mdb-reader: cannot set a resource limit: " << std::strerror(errno) << '\n';
  }
}

// Set before libmdb runs. Memory: a damaged file can make libmdb allocate
// without end. CPU: a backstop should the caller die and never kill us.
void LimitResources(const Request& request) {
#if !defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer reserves terabytes of address space; a limit would stop
  // it from starting at all.
  if (request.memoryLimitBytes != 0) {
    SetLimit(RLIMIT_AS, request.memoryLimitBytes, request.memoryLimitBytes);
  }
#endif
  if (request.cpuSeconds != 0) {
    SetLimit(RLIMIT_CPU, request.cpuSeconds, request.cpuSeconds + 1);
  }
  SetLimit(RLIMIT_CORE, 0, 0);
}

// libmdb reads these at open time: MDBICONV and MDB_JET3_CHARSET change how
// names are decoded, MDBPATH where files are searched (an empty element makes
// it loop), MDBOPTS debug output. The caller starts us with an empty
// environment; this makes a hand-started reader behave the same.
void ClearLibmdbEnvironment() {
  for (const char* name : {"MDBICONV", "MDB_JET3_CHARSET", "MDBPATH", "MDBOPTS"}) {
    unsetenv(name);
  }
}

json ErrorAnswer(const Error& error) {
  return json{
      {protocol::kErrorKey,
       {{protocol::kNumberKey, error.number}, {protocol::kDescriptionKey, error.description}}}};
}

json ObjectsJson(const std::vector<ferulo::database::CatalogObject>& catalog) {
  json objects = json::array();
  for (const auto& object : catalog) {
    objects.push_back({{protocol::kTypeKey, object.tableType}, {protocol::kNameKey, object.name}});
  }
  return objects;
}

// The catalog; with a table name, that table's columns too where it is one of
// the user tables.
json CatalogAnswer(const std::string& databasePath, const std::string& tableName) {
  auto read = ferulo::database::ReadCatalogWithColumns(databasePath, tableName);
  if (!read) {
    return ErrorAnswer(read.error());
  }
  json answer{{protocol::kObjectsKey, ObjectsJson(read.value().catalog)}};
  if (read.value().columns) {
    answer[protocol::kColumnsKey] = *read.value().columns;
  }
  return answer;
}

json ColumnsAnswer(const std::string& databasePath, const std::string& tableName) {
  auto columns = ferulo::database::ReadColumnNames(databasePath, tableName);
  if (!columns) {
    return ErrorAnswer(columns.error());
  }
  return json{{protocol::kColumnsKey, columns.value()}};
}

// The catalog, the table's description, then those of the tables it refers to.
json DescribeAnswer(const std::string& databasePath, const std::string& tableName) {
  auto read = ferulo::database::ReadCatalogWithDescription(databasePath, tableName);
  if (!read) {
    return ErrorAnswer(read.error());
  }
  const auto& described = read.value().description;
  json tables = json::array({ferulo::database::ToJson(described.table)});
  for (const auto& referenced : described.referencedTables) {
    tables.push_back(ferulo::database::ToJson(referenced));
  }
  return json{{protocol::kObjectsKey, ObjectsJson(read.value().catalog)},
              {protocol::kTablesKey, std::move(tables)}};
}

json Answer(const Request& request) {
  if (auto file = ferulo::database::CheckDatabaseFile(request.databasePath); !file) {
    return ErrorAnswer(file.error());
  }
  if (request.command == protocol::kCatalogCommand) {
    return CatalogAnswer(request.databasePath, request.tableName);
  }
  if (request.command == protocol::kDescribeCommand) {
    return DescribeAnswer(request.databasePath, request.tableName);
  }
  return ColumnsAnswer(request.databasePath, request.tableName);
}

int WriteAnswer(const json& answer) {
  // Names from a damaged file may hold invalid UTF-8; replace, don't throw.
  const std::string text = answer.dump(-1, ' ', false, json::error_handler_t::replace);
  int failure = ferulo::WriteAll(protocol::kAnswerFd, text);
  if (close(protocol::kAnswerFd) != 0 && failure == 0) {
    failure = errno;
  }
  if (failure != 0) {
    std::cerr << "ferulo-mdb-reader: cannot write the answer to descriptor " << protocol::kAnswerFd
              << ": " << std::strerror(failure) << '\n';
    return protocol::kExitCannotAnswer;
  }
  return protocol::kExitAnswered;
}

void PrintUsage() {
  std::cerr << "usage: ferulo-mdb-reader [--memory-limit BYTES] [--cpu-limit SECONDS]\n"
               "                         catalog DATABASE [TABLE] | columns DATABASE TABLE\n"
               "                         | describe DATABASE TABLE\n"
               "Writes its answer as JSON to descriptor "
            << protocol::kAnswerFd << ". FERULO starts it; it is not meant to be run by hand.\n";
}

}  // namespace

int ferulo::database::ReaderMain(int argc, char** argv) {
  const auto request = ParseRequest(std::vector<std::string_view>(argv + 1, argv + argc));
  if (!request) {
    PrintUsage();
    return protocol::kExitUsage;
  }
  LimitResources(*request);
  ClearLibmdbEnvironment();
  ferulo::database::ExitQuietlyWhenGlibRunsOutOfMemory();
  try {
    return WriteAnswer(Answer(*request));
  } catch (const std::bad_alloc&) {
    std::cerr << protocol::kOutOfMemoryMarker << '\n';
    return protocol::kExitOutOfMemory;
  } catch (const std::exception& failure) {
    // Whatever a damaged file still makes the reader trip over is that file's
    // damage, and an answer says so, instead of an abort the caller can only
    // call a crash.
    return WriteAnswer(
        ErrorAnswer(ferulo::database::CannotOpenDatabase(request->databasePath, failure.what())));
  }
}
