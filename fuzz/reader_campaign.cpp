// A fuzz campaign through FERULO's isolated reader: damaged databases, made by
// mutating real ones (and any inputs handed in, such as libFuzzer's findings),
// each opened with Connection::Open and its user tables' columns listed and
// described, all through the real reader in a process of its own: forked from
// this program as ferulo-cli forks it, or, with --reader, the ferulo-mdb-reader
// program the window starts. Whatever libmdb does with them, every call must
// come back in time with an answer or a clean error: a known number and a
// description naming the file. Anything else is an escape.
//
//   ferulo-reader-campaign [--reader PATH] [--runs N] [--seconds S]
//       [--timeout-ms T] [--keep DIR] [--replay DIR]... [--random-seed N] SEED...
//   ferulo-reader-campaign [--reader PATH] --minimize FILE --output FILE
//
// Stops after N runs or S seconds, whichever comes first. Inputs the reader
// crashed, hung or ran out of memory on are copied to --keep DIR, a few per
// kind of failure, and one input for every other kind of error. Exit status 0
// without escapes, 1 with, 2 on a usage error. --minimize cuts one input to
// the fewest whole pages that still end in the same error.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/error_codes.h"
#include "database/connection.h"
#include "database/reader_main.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using ferulo::Error;
using namespace ferulo::database;
namespace code = ferulo::error_code;

struct Options {
  std::string reader;
  long runs = 10'000;
  long seconds = 600;
  long timeoutMs = 10'000;
  std::string keep;
  std::vector<std::string> replays;
  std::vector<std::string> seeds;
  std::uint64_t randomSeed = 20240601;
  std::string minimize;  // minimise this input instead of running a campaign
  std::string output;    // where the minimised input goes
};

std::optional<Options> ParseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--reader" && hasValue) {
      options.reader = argv[++i];
    } else if (arg == "--runs" && hasValue) {
      options.runs = std::atol(argv[++i]);
    } else if (arg == "--seconds" && hasValue) {
      options.seconds = std::atol(argv[++i]);
    } else if (arg == "--timeout-ms" && hasValue) {
      options.timeoutMs = std::atol(argv[++i]);
    } else if (arg == "--keep" && hasValue) {
      options.keep = argv[++i];
    } else if (arg == "--replay" && hasValue) {
      options.replays.push_back(argv[++i]);
    } else if (arg == "--minimize" && hasValue) {
      options.minimize = argv[++i];
    } else if (arg == "--output" && hasValue) {
      options.output = argv[++i];
    } else if (arg == "--random-seed" && hasValue) {
      options.randomSeed = std::strtoull(argv[++i], nullptr, 10);
    } else if (!arg.empty() && arg[0] != '-') {
      options.seeds.push_back(arg);
    } else {
      return std::nullopt;
    }
  }
  if (!options.minimize.empty()) {
    return options.output.empty() ? std::nullopt : std::optional(options);
  }
  if (options.seeds.empty() || options.runs < 1 || options.seconds < 1 || options.timeoutMs < 1) {
    return std::nullopt;
  }
  return options;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Damages a copy of a real database the way disks, truncated downloads and
// bad tools do, aiming most blows at the pages FERULO's reading goes through:
// the header (page 0), table definitions (page type 2, MSysObjects' on page
// 2) and the data pages of MSysObjects (type 1, owned by page 2).
class Mutator {
 public:
  explicit Mutator(std::uint64_t seed) : random_(seed) {}

  std::string Mutate(std::string bytes) {
    if (bytes.empty()) {
      return bytes;
    }
    FindTargets(bytes);
    const int steps = Between(1, 4);
    for (int step = 0; step < steps && !bytes.empty(); ++step) {
      switch (Between(0, 9)) {
        case 0:
        case 1:
        case 2:
          FlipBits(bytes);
          break;
        case 3:
        case 4:
        case 5:
          SetField(bytes);
          break;
        case 6:
          ZeroPage(bytes);
          break;
        case 7:
          CopyPage(bytes);
          break;
        case 8:
          Truncate(bytes);
          break;
        default:
          SetField(bytes);
          FlipBits(bytes);
          break;
      }
    }
    return bytes;
  }

 private:
  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  // Jet 3 files have 2 KB pages, later ones 4 KB; byte 0x14 tells.
  static std::size_t PageSize(const std::string& bytes) {
    return bytes.size() > 0x14 && bytes[0x14] == 0 ? 2048 : 4096;
  }

  static std::uint32_t Little32At(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && at + i < bytes.size(); ++i) {
      value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
  }

  void FindTargets(const std::string& bytes) {
    definitions_.clear();
    catalogRows_.clear();
    const std::size_t pageSize = PageSize(bytes);
    for (std::size_t page = 1; (page + 1) * pageSize <= bytes.size(); ++page) {
      const char type = bytes[page * pageSize];
      if (type == 0x02) {
        definitions_.push_back(page);
      } else if (type == 0x01 && Little32At(bytes, page * pageSize + 4) == 2) {
        catalogRows_.push_back(page);
      }
    }
  }

  std::size_t AnyOf(const std::vector<std::size_t>& pages, std::size_t otherwise) {
    if (pages.empty()) {
      return otherwise;
    }
    return pages[std::uniform_int_distribution<std::size_t>(0, pages.size() - 1)(random_)];
  }

  std::size_t Page(const std::string& bytes) {
    const std::size_t pages = std::max<std::size_t>(1, bytes.size() / PageSize(bytes));
    std::size_t page = 0;
    switch (Between(0, 7)) {
      case 0:
        page = 0;
        break;
      case 1:
      case 2:
        page = 2;
        break;
      case 3:
      case 4:
        page = AnyOf(catalogRows_, 2);
        break;
      case 5:
        page = AnyOf(definitions_, 2);
        break;
      default:
        page = std::uniform_int_distribution<std::size_t>(0, pages - 1)(random_);
        break;
    }
    return std::min(page, pages - 1);
  }

  std::size_t Offset(const std::string& bytes, std::size_t width) {
    const std::size_t pageSize = PageSize(bytes);
    const std::size_t start = Page(bytes) * pageSize;
    const std::size_t end = std::min(bytes.size(), start + pageSize);
    if (end <= start + width) {
      return 0;
    }
    return std::uniform_int_distribution<std::size_t>(start, end - width)(random_);
  }

  void FlipBits(std::string& bytes) {
    const int count = Between(1, 16);
    for (int i = 0; i < count; ++i) {
      bytes[Offset(bytes, 1)] ^= static_cast<char>(1U << Between(0, 7));
    }
  }

  // Lengths, counts, page numbers and offsets at their edges.
  void SetField(std::string& bytes) {
    static const std::uint32_t kValues[] = {0,       1,          2,          0x7F,      0x80,
                                            0xFF,    0x100,      0x7FFF,     0x8000,    0xFFFF,
                                            0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    const std::uint32_t value = kValues[Between(0, std::size(kValues) - 1)];
    const std::size_t width = std::size_t{1} << Between(0, 2);
    if (bytes.size() < width) {
      return;
    }
    const std::size_t at = Offset(bytes, width);
    for (std::size_t i = 0; i < width; ++i) {
      bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
  }

  void ZeroPage(std::string& bytes) {
    const std::size_t pageSize = PageSize(bytes);
    const std::size_t start = Page(bytes) * pageSize;
    std::fill(bytes.begin() + static_cast<long>(start),
              bytes.begin() + static_cast<long>(std::min(bytes.size(), start + pageSize)), '\0');
  }

  void CopyPage(std::string& bytes) {
    const std::size_t pageSize = PageSize(bytes);
    const std::size_t from = Page(bytes) * pageSize;
    const std::size_t to = Page(bytes) * pageSize;
    if (from + pageSize <= bytes.size() && to + pageSize <= bytes.size()) {
      bytes.replace(to, pageSize, bytes, from, pageSize);
    }
  }

  void Truncate(std::string& bytes) {
    const std::size_t pageSize = PageSize(bytes);
    std::size_t length = std::uniform_int_distribution<std::size_t>(0, bytes.size())(random_);
    if (Between(0, 1) == 0) {
      length -= length % pageSize;
    }
    bytes.resize(length);
  }

  std::mt19937_64 random_;
  std::vector<std::size_t> definitions_;
  std::vector<std::size_t> catalogRows_;
};

// What one reader call came back with.
struct Outcome {
  std::optional<Error> error;
  double milliseconds = 0;
};

Outcome Timed(const std::function<std::optional<Error>()>& call) {
  const Clock::time_point start = Clock::now();
  Outcome outcome;
  outcome.error = call();
  outcome.milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  return outcome;
}

// The numbers a reader call may report; anything else is an escape.
bool KnownNumber(int number) {
  static const std::set<int> kKnown{
      code::kBadFileName,          code::kFileNotFound,        code::kDeviceIoError,
      code::kPermissionDenied,     code::kPathFileAccessError, code::kPathNotFound,
      code::kCouldNotFindDatabase, code::kInvalidDatabasePath, code::kCannotOpenDatabase,
      code::kCouldNotOpenFile,     code::kTableNotFound,       code::kUnrecognizedFormat,
      code::kReaderCrashed,        code::kReaderTimedOut,      code::kReaderOutOfMemory,
      code::kReaderBadAnswer};
  return kKnown.count(number) != 0;
}

// A failure's kind without what varies from input to input: the file's
// path, quoted names (object names come out of damaged bytes too) and numbers.
// "9002 The database reader crashed (Aborted) while reading 'FILE'. ...".
std::string Signature(const Error& error, const std::string& path) {
  std::string text = error.description;
  for (std::size_t at = text.find(path); at != std::string::npos; at = text.find(path)) {
    text.replace(at, path.size(), "FILE");
  }
  std::string signature = std::to_string(error.number) + " ";
  bool inNumber = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const std::size_t closing = c == '\'' ? text.find('\'', i + 1) : std::string::npos;
    if (closing != std::string::npos) {
      const std::string quoted = text.substr(i + 1, closing - i - 1);
      signature += quoted == "FILE" ? "'FILE'" : "'NAME'";
      i = closing;
      inNumber = false;
      continue;
    }
    const bool digit = c >= '0' && c <= '9';
    if (digit && !inNumber) {
      signature += 'N';
    } else if (!digit) {
      signature += c;
    }
    inNumber = digit;
  }
  return signature;
}

bool ContainedFailure(int number) {
  return number == code::kReaderCrashed || number == code::kReaderTimedOut ||
         number == code::kReaderOutOfMemory || number == code::kReaderBadAnswer;
}

class Campaign {
 public:
  explicit Campaign(Options options)
      : options_(std::move(options)), mutator_(options_.randomSeed), scratch_(MakeScratch()) {
    for (const std::string& seed : options_.seeds) {
      seeds_.push_back(ReadBytes(seed));
    }
    for (const std::string& folder : options_.replays) {
      std::error_code ignored;
      for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        if (entry.is_regular_file(ignored)) {
          replays_.push_back(entry.path());
        }
      }
    }
    std::sort(replays_.begin(), replays_.end());
    if (!options_.keep.empty()) {
      fs::create_directories(options_.keep);
    }
  }
  ~Campaign() {
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }
  Campaign(const Campaign&) = delete;
  Campaign& operator=(const Campaign&) = delete;

  int Run() {
    const Clock::time_point start = Clock::now();
    const auto stop = start + std::chrono::seconds(options_.seconds);
    const fs::path input = scratch_ / "input.mdb";
    std::size_t next = 0;
    while (runs_ < options_.runs && Clock::now() < stop) {
      std::string bytes;
      if (next < replays_.size()) {
        bytes = ReadBytes(replays_[next++]);
      } else {
        bytes = mutator_.Mutate(seeds_[static_cast<std::size_t>(runs_) % seeds_.size()]);
      }
      WriteBytes(input, bytes);
      RunOne(input.string(), bytes);
      ++runs_;
      if (runs_ % 1000 == 0) {
        std::cerr << "ferulo-reader-campaign: " << runs_ << " runs, " << escapes_.size()
                  << " escapes\n";
      }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    PrintSummary(seconds);
    return escapes_.empty() ? 0 : 1;
  }

 private:
  static fs::path MakeScratch() {
    std::string pattern = (fs::temp_directory_path() / "ferulo-campaign-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a scratch folder");
    }
    return pattern;
  }

  ReaderOptions Reader() const {
    ReaderOptions reader;
    reader.readerExecutable = options_.reader;
    if (options_.reader.empty()) {
      reader.linkedReader = &ReaderMain;
    }
    reader.timeout = std::chrono::milliseconds(options_.timeoutMs);
    return reader;
  }

  // Open, list the user tables, list and describe each one's columns: what
  // the window and the CLI ask of a database.
  void RunOne(const std::string& path, const std::string& bytes) {
    std::optional<Connection> connection;
    Record(path, bytes, "open", Timed([&]() -> std::optional<Error> {
             auto opened = Connection::Open(path, Reader());
             if (!opened) {
               return opened.error();
             }
             connection.emplace(std::move(opened).value());
             return std::nullopt;
           }));
    if (!connection) {
      return;
    }
    ++answered_;
    for (const std::string& table : UserTableNames(connection->OpenSchemaTables())) {
      Record(path, bytes, "columns", Timed([&]() -> std::optional<Error> {
               auto columns = connection->ColumnNames(table);
               if (!columns) {
                 return columns.error();
               }
               return std::nullopt;
             }));
      Record(path, bytes, "describe", Timed([&]() -> std::optional<Error> {
               auto described = connection->DescribeTable(table);
               if (!described) {
                 return described.error();
               }
               return std::nullopt;
             }));
    }
  }

  // What the window or the CLI would end with for this file: "answered", or
  // the signature of the first error.
  std::string Verdict(const std::string& path) const {
    auto opened = Connection::Open(path, Reader());
    if (!opened) {
      return Signature(opened.error(), path);
    }
    for (const std::string& table : UserTableNames(opened.value().OpenSchemaTables())) {
      auto columns = opened.value().ColumnNames(table);
      if (!columns) {
        return Signature(columns.error(), path);
      }
      auto described = opened.value().DescribeTable(table);
      if (!described) {
        return Signature(described.error(), path);
      }
    }
    return "answered";
  }

 public:
  // Cuts the input to the fewest whole pages that still end the same way,
  // then blanks every page the outcome does not depend on, so that the file
  // compresses to little.
  int Minimize() const {
    const std::string bytes = ReadBytes(options_.minimize);
    const fs::path trial = scratch_ / "trial.mdb";
    const auto sameEnd = [&](const std::string& candidate, const std::string& target) {
      WriteBytes(trial, candidate);
      return Verdict(trial.string()) == target;
    };
    WriteBytes(trial, bytes);
    const std::string target = Verdict(trial.string());
    const std::size_t pageSize = bytes.size() > 0x14 && bytes[0x14] == 0 ? 2048 : 4096;
    std::string smallest = bytes;
    for (std::size_t pages = 1; pages * pageSize < bytes.size(); ++pages) {
      if (sameEnd(bytes.substr(0, pages * pageSize), target)) {
        smallest = bytes.substr(0, pages * pageSize);
        break;
      }
    }
    std::size_t blanked = 0;
    for (std::size_t start = pageSize; start < smallest.size(); start += pageSize) {
      std::string candidate = smallest;
      const std::size_t length = std::min(pageSize, candidate.size() - start);
      std::fill_n(candidate.begin() + static_cast<long>(start), length, '\0');
      if (candidate != smallest && sameEnd(candidate, target)) {
        smallest = std::move(candidate);
        ++blanked;
      }
    }
    WriteBytes(options_.output, smallest);
    std::printf("%s: %zu -> %zu bytes, %zu pages blanked, still: %s\n", options_.minimize.c_str(),
                bytes.size(), smallest.size(), blanked, target.c_str());
    return 0;
  }

 private:
  void Record(const std::string& path, const std::string& bytes, const char* call,
              const Outcome& outcome) {
    ++calls_;
    const double limit = static_cast<double>(options_.timeoutMs) + 1000;
    if (outcome.milliseconds > limit) {
      Escape(bytes, std::string(call) + " took " + std::to_string(outcome.milliseconds) + " ms");
    }
    if (!outcome.error) {
      return;
    }
    const Error& error = *outcome.error;
    ++errorsByNumber_[error.number];
    if (!KnownNumber(error.number)) {
      Escape(bytes, std::string(call) + " reported an unknown number: " +
                        std::to_string(error.number) + " " + error.description);
    } else if (error.description.find(path) == std::string::npos) {
      Escape(bytes,
             std::string(call) + " gave a description without the file: " + error.description);
    }
    const std::string signature = Signature(error, path);
    const long seen = ++failures_[signature];
    if (ContainedFailure(error.number) ? seen <= kKeptPerSignature : seen == 1) {
      Keep(bytes, (ContainedFailure(error.number) ? "contained-" : "error-") +
                      std::to_string(error.number));
    }
  }

  void Escape(const std::string& bytes, const std::string& what) {
    escapes_.push_back(what);
    std::cerr << "ferulo-reader-campaign: ESCAPE: " << what << '\n';
    Keep(bytes, "escape");
  }

  void Keep(const std::string& bytes, const std::string& kind) {
    if (options_.keep.empty()) {
      return;
    }
    const std::size_t hash = std::hash<std::string>{}(bytes);
    char name[64];
    std::snprintf(name, sizeof name, "%s-%016zx.mdb", kind.c_str(), hash);
    WriteBytes(fs::path(options_.keep) / name, bytes);
  }

  void PrintSummary(double seconds) const {
    std::printf("runs: %ld in %.0f s (%.1f per second), %ld reader calls, %zu inputs replayed\n",
                runs_, seconds, static_cast<double>(runs_) / seconds, calls_,
                std::min(replays_.size(), static_cast<std::size_t>(runs_)));
    std::printf("databases opened: %ld\n", answered_);
    std::printf("errors by number:");
    for (const auto& [number, count] : errorsByNumber_) {
      std::printf(" %d x%ld", number, count);
    }
    long contained = 0;
    for (const auto& [signature, count] : failures_) {
      contained += ContainedFailure(std::atoi(signature.c_str())) ? 1 : 0;
    }
    std::printf(
        "\ndistinct errors: %zu, of them crashes, hangs or memory blow-ups of libmdb "
        "contained by the reader process: %ld\n",
        failures_.size(), contained);
    for (const auto& [signature, count] : failures_) {
      std::printf("  %5ld x %s\n", count, signature.c_str());
    }
    std::printf("escapes (late, unknown number, description without the file): %zu\n",
                escapes_.size());
    for (const std::string& escape : escapes_) {
      std::printf("  %s\n", escape.c_str());
    }
  }

  static constexpr long kKeptPerSignature = 3;

  Options options_;
  Mutator mutator_;
  fs::path scratch_;
  std::vector<std::string> seeds_;
  std::vector<fs::path> replays_;
  long runs_ = 0;
  long calls_ = 0;
  long answered_ = 0;
  std::map<int, long> errorsByNumber_;
  std::map<std::string, long> failures_;
  std::vector<std::string> escapes_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseArguments(argc, argv);
  if (!options) {
    std::cerr << "usage: ferulo-reader-campaign [--reader PATH] [--runs N] [--seconds S] "
                 "[--timeout-ms T] [--keep DIR] [--replay DIR]... [--random-seed N] SEED...\n"
                 "       ferulo-reader-campaign [--reader PATH] --minimize FILE --output FILE\n";
    return 2;
  }
  Campaign campaign(*options);
  return options->minimize.empty() ? campaign.Run() : campaign.Minimize();
}
