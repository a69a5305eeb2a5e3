// Times two whole commands run alternately (A, B, A, B, ...) so that both see
// the same machine state, and prints their median times and the ratio A / B.
//
//   ferulo-bench-compare [--runs N] [--warmup N] [--target RATIO] LABEL -- A... :: B...
//
// Both commands' output goes to /dev/null. Every run must exit 0: a command
// that fails is not measured, it is reported.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  int runs = 200;
  int warmup = 10;
  std::optional<double> target;
  std::string label;
  std::vector<std::string> first;
  std::vector<std::string> second;
};

void PrintUsage() {
  std::fprintf(stderr,
               "usage: ferulo-bench-compare [--runs N] [--warmup N] [--target RATIO] LABEL -- "
               "COMMAND_A... :: COMMAND_B...\n");
}

std::optional<Options> ParseArguments(int argc, char** argv) {
  Options options;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--runs" && hasValue) {
      options.runs = std::atoi(argv[++i]);
    } else if (arg == "--warmup" && hasValue) {
      options.warmup = std::atoi(argv[++i]);
    } else if (arg == "--target" && hasValue) {
      options.target = std::atof(argv[++i]);
    } else if (options.label.empty()) {
      options.label = arg;
    } else {
      return std::nullopt;
    }
  }
  std::vector<std::string>* command = &options.first;
  for (++i; i < argc; ++i) {
    if (std::strcmp(argv[i], "::") == 0 && command == &options.first) {
      command = &options.second;
    } else {
      command->push_back(argv[i]);
    }
  }
  if (options.label.empty() || options.first.empty() || options.second.empty() ||
      options.runs < 1 || options.warmup < 0) {
    return std::nullopt;
  }
  return options;
}

// Wall time of one run in milliseconds, or nullopt where it did not exit 0.
std::optional<double> TimeOnce(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& arg : command) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    return std::nullopt;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  const Clock::time_point end = Clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return std::nullopt;
  }
  return std::chrono::duration<double, std::milli>(end - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string Joined(const std::vector<std::string>& command) {
  std::string text;
  for (const std::string& arg : command) {
    text += (text.empty() ? "" : " ") + arg;
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseArguments(argc, argv);
  if (!options) {
    PrintUsage();
    return 2;
  }
  std::vector<double> first;
  std::vector<double> second;
  std::vector<double> pairRatios;
  for (int round = 0; round < options->warmup + options->runs; ++round) {
    const std::optional<double> a = TimeOnce(options->first);
    const std::optional<double> b = TimeOnce(options->second);
    if (!a || !b) {
      std::fprintf(stderr, "ferulo-bench-compare: %s: '%s' failed; nothing measured\n",
                   options->label.c_str(), Joined(!a ? options->first : options->second).c_str());
      return 1;
    }
    if (round >= options->warmup) {
      first.push_back(*a);
      second.push_back(*b);
      pairRatios.push_back(*a / *b);
    }
  }
  const double medianFirst = Median(first);
  const double medianSecond = Median(second);
  const double ratio = medianFirst / medianSecond;
  std::printf("%-46s %7.3f ms vs %7.3f ms  ratio %.2f (pairwise median %.2f, %d alternating runs)",
              options->label.c_str(), medianFirst, medianSecond, ratio, Median(pairRatios),
              options->runs);
  if (options->target) {
    std::printf("  target <= %.2f: %s", *options->target,
                ratio <= *options->target ? "met" : "MISSED");
  }
  std::printf("\n");
  return 0;
}
