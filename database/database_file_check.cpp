#include "database/database_file_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <string_view>

#include "common/errno_error.h"
#include "common/error_codes.h"
#include "common/unique_fd.h"

namespace ferulo::database {

namespace {

Error ErrorForErrno(int errnoValue, const std::string& path) {
  return ErrnoError(errnoValue, "Cannot open database", path, FileRole::Database);
}

const char* KindOfSpecialFile(mode_t mode) {
  if (S_ISFIFO(mode)) {
    return "a FIFO";
  }
  if (S_ISSOCK(mode)) {
    return "a socket";
  }
  if (S_ISCHR(mode) || S_ISBLK(mode)) {
    return "a device";
  }
  return "not a regular file";
}

// Folders and special files are refused by their type alone: opening a device
// can have effects of its own, and a FIFO would block the reader.
Result<std::uint64_t> CheckFileType(const struct stat& info, const std::string& path) {
  if (S_ISDIR(info.st_mode)) {
    return Error{error_code::kInvalidDatabasePath,
                 "'" + path + "' is not a valid path: it is a folder, not a database file."};
  }
  if (!S_ISREG(info.st_mode)) {
    return Error{error_code::kCouldNotOpenFile, "Cannot open the file '" + path + "': it is " +
                                                    KindOfSpecialFile(info.st_mode) +
                                                    ", not an Access database file."};
  }
  return static_cast<std::uint64_t>(info.st_size);
}

// Every Jet 3, Jet 4 and ACE file starts with these bytes.
constexpr std::string_view kJetSignature{"\0\1\0\0Standard Jet DB", 19};
constexpr std::string_view kAceSignature{"\0\1\0\0Standard ACE DB", 19};

// The header at the start of the first page: the format version (0 for Jet 3,
// 1 for Jet 4, 2 and up for ACE), then a block masked with a fixed RC4 key
// stream that holds the encoding key, the database password and the creation
// date.
constexpr std::size_t kVersionOffset = 0x14;
constexpr std::size_t kMaskedOffset = 0x18;
constexpr std::size_t kMaskedLength = 128;
constexpr std::size_t kEncodingKeyOffset = 0x3E;
constexpr std::size_t kEncodingKeyLength = 4;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kJet3PasswordLength = 20;
constexpr std::size_t kJet4PasswordLength = 40;
constexpr std::size_t kCreationDateOffset = 0x72;
constexpr std::uint8_t kJet3Version = 0;
constexpr std::uint8_t kJet4Version = 1;
constexpr std::array<std::uint8_t, 4> kHeaderMaskKey{0xC7, 0xDA, 0x39, 0x6B};

using Header = std::array<std::uint8_t, kMaskedOffset + kMaskedLength>;

// Removes the mask: the RC4 key stream of kHeaderMaskKey, XOR-ed over the
// block.
void UnmaskHeader(Header& header) {
  std::array<std::uint8_t, 256> state{};
  std::iota(state.begin(), state.end(), std::uint8_t{0});
  std::uint8_t j = 0;
  for (std::size_t i = 0; i < state.size(); ++i) {
    j = static_cast<std::uint8_t>(j + state[i] + kHeaderMaskKey[i % kHeaderMaskKey.size()]);
    std::swap(state[i], state[j]);
  }
  std::uint8_t i = 0;
  j = 0;
  for (std::size_t n = 0; n < kMaskedLength; ++n) {
    i = static_cast<std::uint8_t>(i + 1);
    j = static_cast<std::uint8_t>(j + state[i]);
    std::swap(state[i], state[j]);
    header[kMaskedOffset + n] ^= state[static_cast<std::uint8_t>(state[i] + state[j])];
  }
}

Result<Header> ReadHeader(int fd, const std::string& path) {
  Header header{};
  const ssize_t got = pread(fd, header.data(), header.size(), 0);
  if (got < 0) {
    return ErrorForErrno(errno, path);
  }
  if (static_cast<std::size_t>(got) < header.size()) {
    return Error{error_code::kUnrecognizedFormat,
                 "Unrecognized database format '" + path + "': the file ends inside its header."};
  }
  UnmaskHeader(header);
  return header;
}

bool AnyByteSet(const std::uint8_t* bytes, std::size_t count) {
  return std::any_of(bytes, bytes + count, [](std::uint8_t byte) { return byte != 0; });
}

// Access 2007 and later encrypt the whole file when a database password is
// set, and mark it with an encoding key. (A Jet file with an encoding key is
// only encoded, which libmdb undoes itself.)
bool IsEncryptedAce(std::string_view signature, const Header& header) {
  return signature == kAceSignature && header[kVersionOffset] > kJet4Version &&
         AnyByteSet(&header[kEncodingKeyOffset], kEncodingKeyLength);
}

// Jet 4 masks the password further with the creation date's whole days, a
// 32-bit number repeated over it; a database without a password has only that
// mask there.
std::array<std::uint8_t, 4> Jet4PasswordMask(const Header& header) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    bits |= std::uint64_t{header[kCreationDateOffset + i]} << (8 * i);
  }
  const double days = std::bit_cast<double>(bits);
  const bool usable = std::isfinite(days) && days >= std::numeric_limits<std::int32_t>::min() &&
                      days <= std::numeric_limits<std::int32_t>::max();
  const auto whole = static_cast<std::uint32_t>(usable ? static_cast<std::int32_t>(days) : 0);
  return {static_cast<std::uint8_t>(whole), static_cast<std::uint8_t>(whole >> 8),
          static_cast<std::uint8_t>(whole >> 16), static_cast<std::uint8_t>(whole >> 24)};
}

bool PasswordSet(const Header& header) {
  const std::uint8_t* password = &header[kPasswordOffset];
  if (header[kVersionOffset] == kJet3Version) {
    return AnyByteSet(password, kJet3PasswordLength);
  }
  if (header[kVersionOffset] != kJet4Version) {
    return false;  // ACE sets no password without encrypting the file
  }
  const std::array<std::uint8_t, 4> mask = Jet4PasswordMask(header);
  for (std::size_t i = 0; i < kJet4PasswordLength; ++i) {
    if ((password[i] ^ mask[i % mask.size()]) != 0) {
      return true;
    }
  }
  return false;
}

// A file that passed every check: its size and its header, unmasked.
struct CheckedFile {
  std::uint64_t size = 0;
  Header header{};
};

Result<CheckedFile> CheckOpenFile(int fd, const std::string& path) {
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    return ErrorForErrno(errno, path);
  }
  auto size = CheckFileType(info, path);
  if (!size) {
    return size.error();
  }
  if (size.value() < kSmallestDatabaseSize) {
    return Error{error_code::kUnrecognizedFormat,
                 "Unrecognized database format '" + path + "': the file is " +
                     std::to_string(size.value()) +
                     " bytes long, too short for an Access database."};
  }
  Result<Header> header = ReadHeader(fd, path);
  if (!header) {
    return header.error();
  }
  // The signature lies before the masked block.
  const std::string_view signature(reinterpret_cast<const char*>(header.value().data()),
                                   kJetSignature.size());
  if (signature != kJetSignature && signature != kAceSignature) {
    return Error{error_code::kUnrecognizedFormat,
                 "Unrecognized database format '" + path +
                     "': it does not start like an Access (Jet or ACE) database."};
  }
  if (IsEncryptedAce(signature, header.value())) {
    return Error{error_code::kDatabaseEncrypted,
                 "The database '" + path +
                     "' is encrypted with a password and cannot be read. Remove the password "
                     "in Access (File, Info, Decrypt Database) to use it with FERULO."};
  }
  return CheckedFile{size.value(), header.value()};
}

// Runs check on the file opened for reading, without blocking.
template <typename Check>
auto WithOpenFile(const std::string& path, Check check) -> decltype(check(0)) {
  // O_NONBLOCK: should the file have turned into a FIFO since it was looked
  // at, open still returns at once and the check refuses it.
  const UniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid()) {
    return ErrorForErrno(errno, path);
  }
  return check(fd.get());
}

}  // namespace

Result<DatabaseFile> CheckDatabaseFile(const std::string& path) {
  if (path.empty()) {
    return Error{error_code::kInvalidDatabasePath, "The database path is empty."};
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    return ErrorForErrno(errno, path);
  }
  if (auto type = CheckFileType(info, path); !type) {
    return type.error();
  }
  return WithOpenFile(path, [&](int fd) -> Result<DatabaseFile> {
    const Result<CheckedFile> checked = CheckOpenFile(fd, path);
    if (!checked) {
      return checked.error();
    }
    return DatabaseFile{checked.value().size, PasswordSet(checked.value().header)};
  });
}

}  // namespace ferulo::database
