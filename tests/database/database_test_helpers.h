#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "common/error.h"
#include "database/connection.h"
#include "database/reader_main.h"
#include "fake_mdb_reader.h"
#include "support/test_support.h"

namespace ferulo::database::test {

// The two ways the reader runs: started as a program of its own (the window)
// or forked from the caller with the reader linked in (ferulo-cli).
enum class ReaderStart { Executable, Fork };

inline constexpr ReaderStart kReaderStarts[] = {ReaderStart::Executable, ReaderStart::Fork};

inline std::string NameOf(ReaderStart start) {
  return start == ReaderStart::Executable ? "Executable" : "Fork";
}

// The real reader: ferulo-mdb-reader as built beside the tests, or the same
// code linked into them.
inline ReaderOptions RealReader(ReaderStart start = ReaderStart::Executable) {
  ReaderOptions options;
  options.readerExecutable = ferulo::test::BinDir() + "/ferulo-mdb-reader";
  if (start == ReaderStart::Fork) {
    options.linkedReader = &ReaderMain;
  }
  return options;
}

// The stand-in reader that misbehaves on request (see fake_mdb_reader.cpp).
inline ReaderOptions FakeReader(std::chrono::milliseconds timeout = std::chrono::seconds(10),
                                ReaderStart start = ReaderStart::Executable) {
  ReaderOptions options;
  options.readerExecutable = ferulo::test::BinDir() + "/ferulo-fake-mdb-reader";
  if (start == ReaderStart::Fork) {
    options.linkedReader = &FakeMdbReaderMain;
  }
  options.timeout = timeout;
  return options;
}

inline Result<Connection> OpenDatabase(const std::string& path,
                                       ReaderOptions options = RealReader()) {
  return Connection::Open(path, std::move(options));
}

class Stopwatch {
 public:
  [[nodiscard]] std::chrono::milliseconds elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_);
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Every failure must carry a number and name the file at fault.
inline void ExpectErrorNaming(const Error& error, const std::string& path) {
  EXPECT_GT(error.number, 0) << error.description;
  EXPECT_NE(error.description.find("'" + path + "'"), std::string::npos)
      << "description does not name " << path << ": " << error.description;
}

}  // namespace ferulo::database::test
