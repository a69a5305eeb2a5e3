#pragma once

#include <string>
#include <vector>

#include "common/error.h"
#include "database/connection.h"

namespace ferulo::database {

// What a reader run that ended normally left behind.
struct ReaderOutput {
  std::string answer;           // everything written to the answer descriptor
  std::string firstStderrLine;  // libmdb's first complaint, if any, for error descriptions
};

// Runs ferulo-mdb-reader once with the given request (e.g. {"catalog", path})
// in a clean environment, stdin and stdout on /dev/null, its stderr captured
// but capped, and waits at most options.timeout. Its death, a timeout, the
// memory limit or a failure to start becomes an error naming databasePath.
// The child is always reaped and no descriptor outlives the call.
[[nodiscard]] Result<ReaderOutput> RunReader(const ReaderOptions& options,
                                             const std::vector<std::string>& request,
                                             const std::string& databasePath);

}  // namespace ferulo::database
