// ferulo-cli generate against writes that fail for real: a read-only output
// folder, a file system that fills up part-way, a target that is a folder, a
// path too long. Every run must fail with an error naming the file, leave the
// previous pages as they were and leave no temporary file behind.
//
// These tests run as root, which ignores permission bits, so read-only comes
// from the kernel: a read-only bind mount, the immutable attribute, or the
// child dropped to the user nobody. A mechanism this machine lacks is skipped
// with the reason.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <tuple>

#include "common/ascii_case.h"
#include "common/error_codes.h"
#include "robustness/robustness_support.h"
#include "support/test_support.h"

namespace ferulo::test {
namespace {

namespace fs = std::filesystem;

// Page names follow the database's file name: node-adodb.mdb.
const std::vector<std::string> kOutputNames{"db.asp", "node-adodbedit.asp", "node-adodbfilter.asp",
                                            "node-adodblist.asp"};

constexpr const char* kListTemplate = "<title><!--@NAME@--></title>\r\n<!--@HEAD@-->\r\n";
constexpr const char* kEditTemplate = "<table><!--@FORM@--></table>\r\n";
constexpr const char* kFilterTemplate = "<table><!--@FILTERFORM@--></table>\r\n";

std::string Padded(const std::string& text, std::size_t size) {
  return text + std::string(size > text.size() ? size - text.size() : 0, '.');
}

class WriteFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    database_ = NodeAdodbMdb();
    FERULO_SKIP_IF_MISSING(database_, "node-adodb.mdb");
    fs::create_directory(program_);
    fs::create_directory(output_);
    WriteTemplates(0, 0, 0);
  }

  // Each template padded to at least the given number of bytes.
  void WriteTemplates(std::size_t list, std::size_t edit, std::size_t filter) {
    WriteFile(program_ / "filelist.dat", Padded(kListTemplate, list));
    WriteFile(program_ / "fileedit.dat", Padded(kEditTemplate, edit));
    WriteFile(program_ / "filefilter.dat", Padded(kFilterTemplate, filter));
    WriteFile(program_ / "pagehelpers.vbs", "");
  }

  // What an earlier run left: the pages that a failing run must not touch.
  void PlacePreviousOutputs() {
    for (const std::string& name : kOutputNames) {
      WriteFile(output_ / name, "previous " + name + "\r\n");
    }
  }

  ChildResult Generate(const std::string& outputPrefix, const Confinement& confinement = {}) {
    return RunFeruloCli({"generate", database_, "Users", "--output", outputPrefix, "--templates",
                         program_.string()},
                        confinement);
  }
  ChildResult Generate(const Confinement& confinement = {}) {
    return Generate(output_.string() + "/", confinement);
  }

  // Exit 1, nothing on stdout, one line on stderr with the number and the
  // file at fault in quotes.
  static void ExpectCleanFailure(const ChildResult& run, int number, const std::string& file) {
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.out, "");
    const std::string prefix = "ferulo-cli: error " + std::to_string(number) + ": ";
    EXPECT_EQ(run.err.substr(0, prefix.size()), prefix) << run.err;
    EXPECT_NE(run.err.find("'" + file + "'"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line expected: " << run.err;
  }

  // Exactly the previous files, byte for byte: nothing replaced, nothing
  // emptied, no temporary or backup file beside them.
  void ExpectPreviousOutputsUnchanged() const {
    EXPECT_EQ(ListFolder(output_), kOutputNames);
    for (const std::string& name : kOutputNames) {
      EXPECT_EQ(ReadFile(output_ / name), "previous " + name + "\r\n") << name;
    }
  }

  std::string Output(const std::string& name) const { return (output_ / name).string(); }

  // Where this test runs as root, sets confinement to drop to the user nobody,
  // opens the test folder to it and checks that nobody can run ferulo-cli on
  // the database at all (a clone in a private home folder is out of its
  // reach). "" when ready, else why not.
  std::string RunWithoutPrivileges(Confinement& confinement) {
    if (::geteuid() != 0) {
      return {};  // permission bits already apply
    }
    confinement.user = UnprivilegedUser();
    if (!confinement.user) {
      return "running as root and there is no user nobody to drop to";
    }
    fs::permissions(dir_.path(), fs::perms(0755));
    const ChildResult probe = RunFeruloCli({"tables", database_}, confinement);
    if (probe.exitCode != 0) {
      return "the user nobody cannot run ferulo-cli on " + database_ + " here (exit " +
             std::to_string(probe.exitCode) + "): " + probe.err;
    }
    return {};
  }

  TempDir dir_;
  std::string database_;
  fs::path program_ = dir_.path() / "program";
  fs::path output_ = dir_.path() / "web";
};

// ---------------------------------------------------------------------------
// An output folder that has become read-only since the last run.

enum class ReadOnlyBy { BindMount, ImmutableAttribute, UnprivilegedUser };

std::string NameOf(ReadOnlyBy mechanism) {
  switch (mechanism) {
    case ReadOnlyBy::BindMount:
      return "ReadOnlyBindMount";
    case ReadOnlyBy::ImmutableAttribute:
      return "ImmutableAttribute";
    case ReadOnlyBy::UnprivilegedUser:
      return "UnprivilegedUser";
  }
  return "Unknown";
}

void PrintTo(ReadOnlyBy mechanism, std::ostream* out) {
  *out << NameOf(mechanism);
}

class ReadOnlyOutputFolder : public WriteFaults,
                             public ::testing::WithParamInterface<ReadOnlyBy> {};

TEST_P(ReadOnlyOutputFolder, FailsNamingTheFirstPageAndChangesNothing) {
  PlacePreviousOutputs();
  std::optional<ScopedMount> mount;
  std::optional<ScopedImmutable> immutable;
  Confinement confinement;
  switch (GetParam()) {
    case ReadOnlyBy::BindMount: {
      if (const std::string why = EnterPrivateMountNamespace(); !why.empty()) {
        GTEST_SKIP() << "no private mount namespace here (" << why << ")";
      }
      mount.emplace(ScopedMount::ReadOnlyBind(output_));
      if (!mount->failure().empty()) {
        GTEST_SKIP() << "no read-only bind mount here (" << mount->failure() << ")";
      }
      break;
    }
    case ReadOnlyBy::ImmutableAttribute:
      immutable.emplace(output_);
      if (!immutable->set()) {
        GTEST_SKIP() << "this file system has no immutable attribute (" << immutable->failure()
                     << ")";
      }
      break;
    case ReadOnlyBy::UnprivilegedUser:
      if (const std::string why = RunWithoutPrivileges(confinement); !why.empty()) {
        GTEST_SKIP() << why;
      }
      fs::permissions(output_, fs::perms(0555));
      break;
  }

  const ChildResult run = Generate(confinement);

  ExpectCleanFailure(run, error_code::kPermissionDenied, Output("node-adodblist.asp"));
  immutable.reset();
  mount.reset();
  ExpectPreviousOutputsUnchanged();
}

INSTANTIATE_TEST_SUITE_P(Mechanisms, ReadOnlyOutputFolder,
                         ::testing::Values(ReadOnlyBy::BindMount, ReadOnlyBy::ImmutableAttribute,
                                           ReadOnlyBy::UnprivilegedUser),
                         [](const auto& info) { return NameOf(info.param); });

// The same user in a writable folder succeeds: the refusal above comes from
// the folder, not from a child that cannot run at all.
TEST_F(WriteFaults, UnprivilegedUserWritesIntoAWritableFolder) {
  Confinement confinement;
  if (const std::string why = RunWithoutPrivileges(confinement); !why.empty()) {
    GTEST_SKIP() << why;
  }
  fs::permissions(output_, fs::perms(0777));
  const ChildResult run = Generate(confinement);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ListFolder(output_), kOutputNames);
}

// ---------------------------------------------------------------------------
// A file system that fills up while the pages are written: the page named is
// the one that no longer fits, and the pages written before it are removed.

struct FullAt {
  const char* name;
  std::size_t list;
  std::size_t edit;
  std::size_t filter;
  const char* page;
};

const FullAt kFullAt[] = {
    {"ListPage", 256 << 10, 0, 0, "node-adodblist.asp"},
    {"EditPage", 0, 256 << 10, 0, "node-adodbedit.asp"},
    {"FilterPage", 0, 0, 256 << 10, "node-adodbfilter.asp"},
};

void PrintTo(const FullAt& fullAt, std::ostream* out) {
  *out << fullAt.page;
}

class FullFileSystem : public WriteFaults, public ::testing::WithParamInterface<FullAt> {};

// A real file system out of space: a 64 KiB tmpfs over the output folder.
TEST_P(FullFileSystem, SmallTmpfsRunsOutOfSpace) {
  if (const std::string why = EnterPrivateMountNamespace(); !why.empty()) {
    GTEST_SKIP() << "no private mount namespace here (" << why << ")";
  }
  ScopedMount tmpfs = ScopedMount::Tmpfs(output_, 64 << 10);
  if (!tmpfs.mounted()) {
    GTEST_SKIP() << "no tmpfs here (" << tmpfs.failure() << ")";
  }
  PlacePreviousOutputs();
  WriteTemplates(GetParam().list, GetParam().edit, GetParam().filter);

  const ChildResult run = Generate();

  ExpectCleanFailure(run, error_code::kDiskFull, Output(GetParam().page));
  EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
  ExpectPreviousOutputsUnchanged();
}

// The same part-way failure on any file system and without privileges: the
// kernel's file size limit stops the write of the large page.
TEST_P(FullFileSystem, FileSizeLimitStopsTheWrite) {
  PlacePreviousOutputs();
  WriteTemplates(GetParam().list, GetParam().edit, GetParam().filter);
  Confinement confinement;
  confinement.fileSizeLimit = 32 << 10;

  const ChildResult run = Generate(confinement);

  ExpectCleanFailure(run, error_code::kPathFileAccessError, Output(GetParam().page));
  EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
  ExpectPreviousOutputsUnchanged();
}

INSTANTIATE_TEST_SUITE_P(Pages, FullFileSystem, ::testing::ValuesIn(kFullAt),
                         [](const auto& info) { return std::string(info.param.name); });

// With small templates the same tmpfs takes the whole set: the failures above
// come from the space, not from the mount.
TEST_F(WriteFaults, SmallTmpfsTakesASmallSet) {
  if (const std::string why = EnterPrivateMountNamespace(); !why.empty()) {
    GTEST_SKIP() << "no private mount namespace here (" << why << ")";
  }
  ScopedMount tmpfs = ScopedMount::Tmpfs(output_, 64 << 10);
  if (!tmpfs.mounted()) {
    GTEST_SKIP() << "no tmpfs here (" << tmpfs.failure() << ")";
  }
  PlacePreviousOutputs();
  const ChildResult run = Generate();
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ListFolder(output_), kOutputNames);
  EXPECT_NE(ReadFile(output_ / "node-adodblist.asp"), "previous node-adodblist.asp\r\n");
}

// ---------------------------------------------------------------------------
// A target that is a folder, or a symbolic link: refused before anything is
// written, the folder or the link and the file it points to left as they were.

enum class Unusable { Folder, SymbolicLink };

class UnusableTarget : public WriteFaults,
                       public ::testing::WithParamInterface<std::tuple<Unusable, std::string>> {};

TEST_P(UnusableTarget, RefusedNamingItAndNothingChanges) {
  const auto& [kind, target] = GetParam();
  PlacePreviousOutputs();
  fs::remove(output_ / target);
  fs::path kept = output_ / target / "inside.txt";
  if (kind == Unusable::Folder) {
    fs::create_directory(output_ / target);
  } else {
    kept = dir_.path() / "shared.asp";
    fs::create_symlink(kept, output_ / target);
  }
  WriteFile(kept, "kept");

  const ChildResult run = Generate();

  ExpectCleanFailure(run, error_code::kPathFileAccessError, Output(target));
  EXPECT_NE(run.err.find(kind == Unusable::Folder ? "it is a folder" : "it is a symbolic link"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(ListFolder(output_), kOutputNames);
  EXPECT_EQ(fs::is_symlink(output_ / target), kind == Unusable::SymbolicLink);
  EXPECT_EQ(ReadFile(kept), "kept");
  for (const std::string& name : kOutputNames) {
    if (name != target) {
      EXPECT_EQ(ReadFile(output_ / name), "previous " + name + "\r\n") << name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachOutput, UnusableTarget,
    ::testing::Combine(::testing::Values(Unusable::Folder, Unusable::SymbolicLink),
                       ::testing::ValuesIn(kOutputNames)),
    [](const auto& info) {
      std::string name = std::get<0>(info.param) == Unusable::Folder ? "Folder_" : "SymbolicLink_";
      for (const char c : std::get<1>(info.param)) {
        name += IsAsciiAlphanumeric(c) ? c : '_';
      }
      return name;
    });

// ---------------------------------------------------------------------------
// Faults a real disk gives only now and then, injected into ferulo-cli's own
// calls: the run fails naming the file or folder at fault, and whatever could
// not be undone is part of the same error, so the user learns what the
// folder holds.

enum class ListPage { Previous, New };

struct InjectedFault {
  const char* name;
  const char* faults;  // FERULO_INJECT_FAULTS: "call:pattern:errno;..."
  bool previousPages;
  const char* atFault;  // the output named first, or "" for the output folder
  const char* says;     // what the error adds about the undoing
  ListPage listPage;    // what the list page holds afterwards
};

void PrintTo(const InjectedFault& fault, std::ostream* out) {
  *out << fault.name;
}

// The third page's rename fails after the list and edit pages are in place.
#define FILTER_RENAME_FAILS "rename:.node-adodbfilter.asp.ferulo-*:5;"

const InjectedFault kInjectedFaults[] = {
    {"RestoringAPageFails", FILTER_RENAME_FAILS "rename:*.old0:13", true, "node-adodbfilter.asp",
     "node-adodblist.asp' could not be put back (Permission denied); its previous content is "
     "kept in '",
     ListPage::New},
    {"RemovingANewPageFails", FILTER_RENAME_FAILS "unlink:node-adodblist.asp:16", false,
     "node-adodbfilter.asp",
     "node-adodblist.asp', written by this run, could not be removed (Device or resource busy)",
     ListPage::New},
    // A file system without hard links keeps no copy of a replaced page: the
    // new page stays, where it used to be deleted with the old one lost.
    {"NoHardLinks", FILTER_RENAME_FAILS "link:*:1", true, "node-adodbfilter.asp",
     "node-adodblist.asp' could not be put back (no copy of its previous content", ListPage::New},
    // The renames are not durable until the folder is synced; a failure there
    // undoes them.
    {"SyncingTheFolderFails", "fsync-folder:web:5", true, "", "", ListPage::Previous},
};

class InjectedFaults : public WriteFaults, public ::testing::WithParamInterface<InjectedFault> {};

TEST_P(InjectedFaults, AreReportedWithWhatCouldNotBeUndone) {
  const InjectedFault& fault = GetParam();
  if (fault.previousPages) {
    PlacePreviousOutputs();
  }
  Confinement confinement;
  confinement.environment = {std::string("LD_PRELOAD=") + FERULO_FAULT_INJECTION,
                             std::string("FERULO_INJECT_FAULTS=") + fault.faults};

  const ChildResult run = Generate(confinement);

  const std::string atFault = *fault.atFault == '\0' ? output_.string() : Output(fault.atFault);
  ExpectCleanFailure(run, error_code::kDeviceIoError, atFault);
  EXPECT_NE(run.err.find(fault.says), std::string::npos) << run.err;
  const std::string list = ReadFile(output_ / "node-adodblist.asp");
  EXPECT_EQ(list == "previous node-adodblist.asp\r\n", fault.listPage == ListPage::Previous)
      << list;
  // Where the previous content could not be put back, the error says where it is.
  const std::string keptIn = "its previous content is kept in '";
  if (const std::size_t at = run.err.find(keptIn); at != std::string::npos) {
    const std::size_t from = at + keptIn.size();
    EXPECT_EQ(ReadFile(run.err.substr(from, run.err.find('\'', from) - from)),
              "previous node-adodblist.asp\r\n");
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, InjectedFaults, ::testing::ValuesIn(kInjectedFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Paths too long for the file system.

TEST_F(WriteFaults, FileNameLongerThanTheFileSystemAllows) {
  PlacePreviousOutputs();
  const std::string prefix = output_.string() + "/" + std::string(300, 'n');
  const ChildResult run = Generate(prefix);
  ExpectCleanFailure(run, error_code::kBadFileName, prefix + "node-adodblist.asp");
  EXPECT_NE(run.err.find("File name too long"), std::string::npos) << run.err;
  ExpectPreviousOutputsUnchanged();
}

TEST_F(WriteFaults, PathLongerThanTheSystemAllows) {
  PlacePreviousOutputs();
  std::string prefix = output_.string() + "/";
  while (prefix.size() <= 4200) {
    prefix += "deeper/";
  }
  const ChildResult run = Generate(prefix);
  ExpectCleanFailure(run, error_code::kBadFileName, prefix + "node-adodblist.asp");
  ExpectPreviousOutputsUnchanged();
}

// Page names of 248 to 250 bytes are legal on a file system that allows 255;
// the temporary files beside them must not be what makes the run fail.
TEST_F(WriteFaults, LongButLegalPageNamesAreWritten) {
  const std::string base(240, 'p');
  const fs::path database = dir_.path() / (base + ".mdb");
  fs::create_symlink(database_, database);
  const ChildResult run = RunFeruloCli({"generate", database.string(), "Users", "--output",
                                        output_.string() + "/", "--templates", program_.string()});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ListFolder(output_),
            (std::vector<std::string>{"db.asp", base + "edit.asp", base + "filter.asp",
                                      base + "list.asp"}));
}

// A set that fails part-way through its renames: with a page base name of 246
// bytes the list and edit pages (254 bytes) are renamed into place, then the
// filter page (256 bytes) is a name too long for the file system, while its
// temporary file, named shorter, was written. The pages already replaced must
// get their previous content back.
TEST_F(WriteFaults, ARenameFailingPartWayPutsThePreviousPagesBack) {
  const std::string base(246, 'p');
  const fs::path database = dir_.path() / (base + ".mdb");
  fs::create_symlink(database_, database);
  const std::vector<std::string> previous{"db.asp", base + "edit.asp", base + "list.asp"};
  for (const std::string& name : previous) {
    WriteFile(output_ / name, "previous " + name);
  }

  const ChildResult run = RunFeruloCli({"generate", database.string(), "Users", "--output",
                                        output_.string() + "/", "--templates", program_.string()});

  ExpectCleanFailure(run, error_code::kBadFileName, Output(base + "filter.asp"));
  EXPECT_EQ(ListFolder(output_), previous);
  for (const std::string& name : previous) {
    EXPECT_EQ(ReadFile(output_ / name), "previous " + name) << name;
  }
}

}  // namespace
}  // namespace ferulo::test
