#pragma once

#include <string_view>

// What ferulo-mdb-reader and the library that runs it agree on. The reader
// writes one JSON document to kAnswerFd and nothing else anywhere that matters:
// libmdb's own chatter goes to stdout (discarded) and stderr (captured, capped).
//
// Request:  ferulo-mdb-reader [--memory-limit BYTES] [--cpu-limit SECONDS]
//                             catalog PATH [TABLE]
//                             columns PATH TABLE
//                             describe PATH TABLE
// Answers:  {"objects": [{"type": "TABLE", "name": "Users"}, ...]}
//           {"objects": [...], "columns": [...]}   catalog with TABLE, a user table
//           {"columns": ["Id", "Name", ...]}
//           {"tables": [TABLE's description, then each table it refers to]}
//             (descriptions as in table_description_json.h)
//           {"error": {"number": 3343, "description": "..."}}
namespace ferulo::database::reader_protocol {

inline constexpr std::string_view kExecutableName = "ferulo-mdb-reader";

inline constexpr std::string_view kCatalogCommand = "catalog";
inline constexpr std::string_view kColumnsCommand = "columns";
inline constexpr std::string_view kDescribeCommand = "describe";
inline constexpr std::string_view kMemoryLimitOption = "--memory-limit";
inline constexpr std::string_view kCpuLimitOption = "--cpu-limit";

// The descriptor the answer is written to; stdout is left to libmdb.
inline constexpr int kAnswerFd = 3;

// Exit statuses. Anything but kExitAnswered means there is no usable answer.
inline constexpr int kExitAnswered = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitOutOfMemory = 3;
inline constexpr int kExitCannotAnswer = 4;

inline constexpr const char* kObjectsKey = "objects";
inline constexpr const char* kTypeKey = "type";
inline constexpr const char* kNameKey = "name";
inline constexpr const char* kColumnsKey = "columns";
inline constexpr const char* kTablesKey = "tables";
inline constexpr const char* kErrorKey = "error";
inline constexpr const char* kNumberKey = "number";
inline constexpr const char* kDescriptionKey = "description";

// Written to stderr by the reader when an allocation fails, so the library can
// tell a memory-limit death from any other abort.
inline constexpr std::string_view kOutOfMemoryMarker = "ferulo-mdb-reader: out of memory";

}  // namespace ferulo::database::reader_protocol
