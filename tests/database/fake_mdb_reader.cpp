// Stands in for the reader in the tests of the code that runs it, as
// ferulo-fake-mdb-reader or forked from the test itself. It takes the same
// arguments and behaves as the file name of its database path asks: answers,
// crashes, hangs, floods its output, reports what it was given.

#include "fake_mdb_reader.h"

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/write_all.h"

extern char** environ;

namespace {

constexpr int kAnswerFd = 3;

void WriteAll(int fd, std::string_view bytes) {
  [[maybe_unused]] const int failure = ferulo::WriteAll(fd, bytes);
}

std::string JsonString(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
    }
    if (static_cast<unsigned char>(c) < 0x20) {
      continue;
    }
    quoted += c;
  }
  return quoted + "\"";
}

// A catalog answer listing the given names as tables.
void AnswerTables(const std::vector<std::string>& names) {
  std::string answer = R"({"objects":[)";
  for (std::size_t i = 0; i < names.size(); ++i) {
    answer += (i == 0 ? "" : ",");
    answer += R"({"type":"TABLE","name":)" + JsonString(names[i]) + "}";
  }
  WriteAll(kAnswerFd, answer + "]}");
}

std::vector<std::string> OpenDescriptors() {
  std::vector<std::string> names;
  DIR* folder = opendir("/proc/self/fd");
  if (folder == nullptr) {
    return names;
  }
  while (const dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name != "." && name != ".." && name != std::to_string(dirfd(folder))) {
      names.push_back(name);
    }
  }
  closedir(folder);
  return names;
}

[[noreturn]] void HangForever() {
  while (true) {
    pause();
  }
}

void Flood(int fd, std::size_t bytes) {
  const std::string line = "mdb_read_table: some libmdb complaint that goes on and on\n";
  std::string chunk;
  while (chunk.size() < 65536) {
    chunk += line;
  }
  for (std::size_t sent = 0; sent < bytes; sent += chunk.size()) {
    WriteAll(fd, chunk);
  }
}

}  // namespace

int ferulo::database::test::FakeMdbReaderMain(int argc, char** argv) {
  // No core files from the deliberate crashes.
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);

  // The mode is the database's file name for a catalog request and the table
  // name for a column request.
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string path;
  std::string mode;
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "catalog") {
      path = args[i + 1];
      mode = path.substr(path.find_last_of('/') + 1);
    } else if (args[i] == "columns" && i + 2 < args.size()) {
      path = args[i + 1];
      mode = args[i + 2];
    }
  }

  if (mode == "answer") {
    AnswerTables({"answer-columns", "crash", "hang", "exit-out-of-memory", "garbage"});
  } else if (mode == "answer-columns") {
    WriteAll(kAnswerFd, R"({"columns":["First","Second"]})");
  } else if (mode == "error-answer") {
    WriteAll(STDERR_FILENO, "\nUnknown Jet version: 9\nsecond complaint\n");
    WriteAll(kAnswerFd, R"({"error":{"number":3343,"description":)" +
                            JsonString("Unrecognized database format '" + path + "'.") + "}}");
  } else if (mode == "crash") {
    raise(SIGSEGV);
  } else if (mode == "abort-out-of-memory") {
    WriteAll(STDERR_FILENO, "GLib: ../glib/gmem.c:106: failed to allocate 1073741824 bytes\n");
    abort();
  } else if (mode == "exit-out-of-memory") {
    return 3;
  } else if (mode == "cpu-exhausted") {
    raise(SIGXCPU);
  } else if (mode == "hang") {
    HangForever();
  } else if (mode == "hang-after-closing") {
    close(STDOUT_FILENO);
    close(STDERR_FILENO);
    close(kAnswerFd);
    HangForever();
  } else if (mode == "garbage") {
    WriteAll(kAnswerFd, "this is not JSON");
  } else if (mode == "unknown-type") {
    WriteAll(kAnswerFd, R"({"objects":[{"type":"FORM","name":"Customers"}]})");
  } else if (mode == "silent") {
    return 0;
  } else if (mode == "exit-7") {
    WriteAll(STDERR_FILENO, "something went wrong\n");
    return 7;
  } else if (mode == "flood-stderr") {
    Flood(STDERR_FILENO, std::size_t{200} << 20);
    AnswerTables({"AfterTheFlood"});
  } else if (mode == "flood-stdout") {
    Flood(STDOUT_FILENO, std::size_t{20} << 20);
    AnswerTables({"AfterTheFlood"});
  } else if (mode == "huge-answer") {
    WriteAll(kAnswerFd, R"({"objects":[)");
    Flood(kAnswerFd, std::size_t{80} << 20);
  } else if (mode == "environment") {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
      variables.emplace_back(*variable);
    }
    AnswerTables(variables);
  } else if (mode == "descriptors") {
    AnswerTables(OpenDescriptors());
  } else if (mode == "stdin") {
    char byte = 0;
    AnswerTables({read(STDIN_FILENO, &byte, 1) == 0 ? "stdin at end" : "stdin had data"});
  } else if (mode == "arguments") {
    AnswerTables(args);
  } else {
    std::fprintf(stderr, "fake reader: unknown mode '%s'\n", mode.c_str());
    return 2;
  }
  return 0;
}
