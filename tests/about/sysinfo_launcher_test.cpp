// StartSysInfo with real registry files, real shell scripts standing in for
// the system-information tool, and real detached processes.

#include <gtest/gtest.h>

#include <QString>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "about/ini_registry.h"
#include "about/sysinfo_launcher.h"
#include "about_test_support.h"
#include "support/test_support.h"

namespace ferulo::about {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using ferulo::test::TempDir;
using ferulo::test::WriteFile;
using test::HexList;
using test::MachineSection;
using test::RecordingMessageBoxes;
using test::RecordingRegistry;
using test::RecordingStarter;
using test::WaitForFile;
using test::WriteMarkerScript;

// How long a start that should not happen is given to show itself anyway.
constexpr auto kSettleTime = std::chrono::milliseconds(300);

const std::string kFirstPlace = MachineSection(kSysInfoPathKey);
const std::string kSecondPlace = MachineSection(kSysInfoFolderKey);
const std::string kFirstQuery = std::string(kSysInfoPathKey) + "|" + kSysInfoPathValue;
const std::string kSecondQuery = std::string(kSysInfoFolderKey) + "|" + kSysInfoFolderValue;

// A folder of stand-in tools. Each tool leaves a marker file when it runs.
//  {TOOL}         an executable script
//  {BLANK_TOOL}   an executable script in a folder whose name has a blank
//  {FOLDER}       a folder holding an executable MSINFO32.EXE
//  {EMPTY}        a folder without MSINFO32.EXE
//  {DIR_ENTRY}    a folder whose MSINFO32.EXE is itself a folder
//  {PLAIN_FILE}   a file that is not executable
//  {MISSING}      a path where nothing is
//  {TOOL_BYTES}   the bytes of {TOOL}'s path as a hex(N): list
class ToolBench {
 public:
  ToolBench() {
    const fs::path root = dir_.path();
    fs::create_directories(root / "markers");
    fs::create_directories(root / "tools");
    fs::create_directories(root / "with blank");
    fs::create_directories(root / "msinfo");
    fs::create_directories(root / "empty");
    fs::create_directories(root / "dir-entry" / "MSINFO32.EXE");
    WriteMarkerScript(root / "tools" / "sysinfo", Marker("tool"));
    WriteMarkerScript(root / "with blank" / "sysinfo", Marker("blank-tool"));
    WriteMarkerScript(root / "msinfo" / "MSINFO32.EXE", Marker("folder-tool"));
    WriteFile(root / "tools" / "plain",
              "#!/bin/sh\necho started > '" + Marker("plain").string() + "'\n");
    places_ = {
        {"{TOOL}", (root / "tools" / "sysinfo").string()},
        {"{BLANK_TOOL}", (root / "with blank" / "sysinfo").string()},
        {"{FOLDER}", (root / "msinfo").string()},
        {"{EMPTY}", (root / "empty").string()},
        {"{DIR_ENTRY}", (root / "dir-entry").string()},
        {"{PLAIN_FILE}", (root / "tools" / "plain").string()},
        {"{MISSING}", (root / "absent" / "sysinfo").string()},
        {"{TOOL_BYTES}", HexList((root / "tools" / "sysinfo").string())},
    };
  }

  [[nodiscard]] fs::path Marker(const std::string& tool) const {
    return dir_.path() / "markers" / tool;
  }

  [[nodiscard]] std::string Fill(std::string text) const {
    for (const auto& [placeholder, value] : places_) {
      for (std::size_t at = text.find(placeholder); at != std::string::npos;
           at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
      }
    }
    return text;
  }

  [[nodiscard]] std::string RegistryFile() const { return dir_.file("registry.ini"); }

 private:
  TempDir dir_;
  std::map<std::string, std::string> places_;
};

struct LaunchCase {
  std::string name;
  std::string registry;                // with the placeholders of ToolBench
  std::string toolThatRuns;            // marker name, or "" when nothing may run
  std::optional<std::string> started;  // the command text handed to the start, if any
  bool secondPlaceConsulted;
};

void PrintTo(const LaunchCase& c, std::ostream* out) {
  *out << c.name;
}

class StartSysInfoLaunches : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(StartSysInfoLaunches, TheRightToolOrTheMessage) {
  const LaunchCase& c = GetParam();
  const ToolBench bench;
  WriteFile(bench.RegistryFile(), bench.Fill(c.registry));
  RecordingRegistry registry(std::make_shared<IniRegistryStore>(bench.RegistryFile()));
  RecordingStarter programs(std::make_shared<DetachedProgramStarter>());
  RecordingMessageBoxes messages;

  StartSysInfo(registry, programs, messages, nullptr);

  if (c.toolThatRuns.empty()) {
    ASSERT_EQ(messages.shown.size(), 1u) << "the failure must be reported once";
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("FERULO"));
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(messages.shown[0].text,
              QStringLiteral("System Information Is Unavailable At This Time"));
    std::this_thread::sleep_for(kSettleTime);
  } else {
    EXPECT_TRUE(messages.shown.empty()) << "a started tool needs no message";
    EXPECT_TRUE(WaitForFile(bench.Marker(c.toolThatRuns))) << c.toolThatRuns << " did not run";
  }
  for (const char* tool : {"tool", "blank-tool", "folder-tool", "plain"}) {
    if (tool != c.toolThatRuns) {
      EXPECT_FALSE(fs::exists(bench.Marker(tool))) << tool << " ran but should not have";
    }
  }

  if (c.started) {
    ASSERT_EQ(programs.started.size(), 1u);
    EXPECT_EQ(programs.started[0].toStdString(), bench.Fill(*c.started));
  } else {
    EXPECT_TRUE(programs.started.empty()) << "nothing should have been started";
  }

  ASSERT_FALSE(registry.queried.empty());
  EXPECT_EQ(registry.queried.front(), kFirstQuery);
  const std::vector<std::string> bothPlaces = {kFirstQuery, kSecondQuery};
  const std::vector<std::string> firstPlace = {kFirstQuery};
  EXPECT_EQ(registry.queried, c.secondPlaceConsulted ? bothPlaces : firstPlace);
}

INSTANTIATE_TEST_SUITE_P(
    FirstPlace, StartSysInfoLaunches,
    ::testing::Values(
        LaunchCase{"UsedWithoutConsultingTheSecond",
                   kFirstPlace + "PATH={TOOL}\n" + kSecondPlace + "MSINFO={FOLDER}\n", "tool",
                   "{TOOL}", false},
        LaunchCase{"MissingFileGivesTheMessage",
                   kFirstPlace + "PATH={MISSING}\n" + kSecondPlace + "MSINFO={FOLDER}\n", "",
                   "{MISSING}", false},
        LaunchCase{"PathWithABlankIsOneProgram", kFirstPlace + "PATH={BLANK_TOOL}\n", "blank-tool",
                   "{BLANK_TOOL}", false},
        LaunchCase{"StoredWithoutZeroByte", kFirstPlace + "PATH=hex(1):{TOOL_BYTES}\n", "tool",
                   "{TOOL}", false},
        LaunchCase{"NotTrimmed", kFirstPlace + "PATH=\"{TOOL} \"\n", "", "{TOOL} ", false},
        LaunchCase{"NotExecutable", kFirstPlace + "PATH={PLAIN_FILE}\n", "", "{PLAIN_FILE}", false},
        LaunchCase{"AFolder", kFirstPlace + "PATH={FOLDER}\n", "", "{FOLDER}", false},
        LaunchCase{
            "OtherTypeStartsTheEmptyTextAndFails",
            kFirstPlace + "PATH=hex(2):{TOOL_BYTES},00\n" + kSecondPlace + "MSINFO={FOLDER}\n", "",
            "", false},
        LaunchCase{"NumberIsNoProgram", kFirstPlace + "PATH=dword:00000001\n", "", "&h1", false},
        LaunchCase{"ZeroByteInsideIsNotCutShort",
                   kFirstPlace + "PATH=hex(1):{TOOL_BYTES},00,2e,6f,6c,64,00\n", "",
                   "{TOOL}\0.old"s, false}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    SecondPlace, StartSysInfoLaunches,
    ::testing::Values(
        LaunchCase{"FolderWithTheFile", kSecondPlace + "MSINFO={FOLDER}\n", "folder-tool",
                   "{FOLDER}/MSINFO32.EXE", true},
        LaunchCase{"FolderWithoutTheFile", kSecondPlace + "MSINFO={EMPTY}\n", "", std::nullopt,
                   true},
        LaunchCase{"FolderTextEndingInASeparatorIsJoinedAsRead",
                   kSecondPlace + "MSINFO={FOLDER}/\n", "folder-tool", "{FOLDER}//MSINFO32.EXE",
                   true},
        LaunchCase{"EntryThatIsAFolder", kSecondPlace + "MSINFO={DIR_ENTRY}\n", "", std::nullopt,
                   true},
        LaunchCase{"UsedWhenTheFirstIsTooLong",
                   kFirstPlace + "PATH=/" + std::string(1023, 'x') + "\n" + kSecondPlace +
                       "MSINFO={FOLDER}\n",
                   "folder-tool", "{FOLDER}/MSINFO32.EXE", true},
        LaunchCase{"FirstPlaceKeyWithoutTheValue",
                   kFirstPlace + "OTHER={TOOL}\n" + kSecondPlace + "MSINFO={FOLDER}\n",
                   "folder-tool", "{FOLDER}/MSINFO32.EXE", true},
        LaunchCase{"NeitherPlace", kFirstPlace + kSecondPlace, "", std::nullopt, true},
        LaunchCase{"EmptyRegistry", "", "", std::nullopt, true}),
    [](const auto& info) { return info.param.name; });

// Nothing is remembered between clicks: each one looks the tool up afresh.
TEST(StartSysInfo, LooksUpAgainOnEveryCall) {
  const ToolBench bench;
  auto registry = std::make_shared<IniRegistryStore>(bench.RegistryFile());
  DetachedProgramStarter programs;
  RecordingMessageBoxes messages;

  StartSysInfo(*registry, programs, messages, nullptr);
  EXPECT_EQ(messages.shown.size(), 1u);

  WriteFile(bench.RegistryFile(), bench.Fill(kFirstPlace + "PATH={TOOL}\n"));
  StartSysInfo(*registry, programs, messages, nullptr);
  EXPECT_TRUE(WaitForFile(bench.Marker("tool")));
  EXPECT_EQ(messages.shown.size(), 1u);
}

}  // namespace
}  // namespace ferulo::about
