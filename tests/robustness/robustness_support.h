#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ferulo::test {

// A user to run a child as, with that user's group and no other.
struct Account {
  uid_t uid = 0;
  gid_t gid = 0;
};

// How a child process is hemmed in before it runs.
struct Confinement {
  std::optional<Account> user;
  std::optional<rlim_t>
      fileSizeLimit;  // RLIMIT_FSIZE; SIGXFSZ is ignored, so writes fail with EFBIG
  std::vector<std::string> environment;  // "NAME=value", added to the inherited one
};

struct ChildResult {
  int exitCode = -1;  // -1 where it did not exit by itself
  int signal = 0;     // the signal that ended it, if one did
  bool timedOut = false;
  std::string out;
  std::string err;
};

// Runs argv (argv[0] a full path) with stdin from /dev/null, collecting its
// output; kills it after the timeout.
ChildResult RunConfined(const std::vector<std::string>& argv, const Confinement& confinement = {},
                        std::chrono::milliseconds timeout = std::chrono::seconds(60));

// ferulo-cli from the build, with the given arguments.
ChildResult RunFeruloCli(const std::vector<std::string>& args, const Confinement& confinement = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Gives this test process a mount namespace of its own, so that whatever it
// mounts vanishes with it and nobody else sees it. "" on success, else why
// not (not root, no CAP_SYS_ADMIN, a container that forbids it).
std::string EnterPrivateMountNamespace();

// A mount on an existing folder, undone when the object goes.
class ScopedMount {
 public:
  // A tmpfs of the given size in bytes.
  static ScopedMount Tmpfs(const std::filesystem::path& folder, std::size_t bytes);
  // The folder itself, bound onto itself and made read-only.
  static ScopedMount ReadOnlyBind(const std::filesystem::path& folder);

  ScopedMount(ScopedMount&& other) noexcept;
  ScopedMount& operator=(ScopedMount&&) = delete;
  ScopedMount(const ScopedMount&) = delete;
  ~ScopedMount();

  [[nodiscard]] bool mounted() const { return !folder_.empty(); }
  [[nodiscard]] const std::string& failure() const { return failure_; }

 private:
  ScopedMount() = default;
  std::filesystem::path folder_;
  std::string failure_;
};

// The immutable attribute (chattr +i) on a file or folder, taken off again
// when the object goes: not even root may then create, rename or delete
// anything in an immutable folder.
class ScopedImmutable {
 public:
  explicit ScopedImmutable(std::filesystem::path path);
  ~ScopedImmutable();
  ScopedImmutable(const ScopedImmutable&) = delete;
  ScopedImmutable& operator=(const ScopedImmutable&) = delete;

  [[nodiscard]] bool set() const { return set_; }
  [[nodiscard]] const std::string& failure() const { return failure_; }

 private:
  std::filesystem::path path_;
  bool set_ = false;
  std::string failure_;
};

// The account "nobody", for running a child without root's privileges.
std::optional<Account> UnprivilegedUser();

}  // namespace ferulo::test
