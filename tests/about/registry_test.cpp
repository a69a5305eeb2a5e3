// GetKeyValue answered from real INI-style registry files on disk.

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "about/ini_registry.h"
#include "about/registry.h"
#include "about_test_support.h"
#include "support/test_support.h"

namespace ferulo::about {
namespace {

using namespace std::string_literals;
using ferulo::test::TempDir;
using ferulo::test::WriteFile;
using test::HexList;
using test::MachineSection;

const std::string kKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kSection = MachineSection(kKey);
const std::string kBefore = "text before the call";

struct ReadCase {
  std::string name;
  std::string fileText;
  std::string valueName;
  bool found;
  std::string keyVal;  // what KeyVal holds afterwards; it holds kBefore on entry
};

void PrintTo(const ReadCase& c, std::ostream* out) {
  *out << c.name;
}

class GetKeyValueReads : public ::testing::TestWithParam<ReadCase> {};

TEST_P(GetKeyValueReads, GivesResultAndText) {
  const ReadCase& c = GetParam();
  TempDir dir;
  WriteFile(dir.file("registry.ini"), c.fileText);
  const IniRegistryStore registry(dir.file("registry.ini"));

  std::string keyVal = kBefore;
  const bool found = GetKeyValue(registry, kHkeyLocalMachine, kKey, c.valueName, keyVal);

  EXPECT_EQ(found, c.found);
  EXPECT_EQ(keyVal, c.keyVal);
}

std::string Repeated(char c, std::size_t count) {
  return std::string(count, c);
}

INSTANTIATE_TEST_SUITE_P(
    Text, GetKeyValueReads,
    ::testing::Values(
        ReadCase{"PlainText", kSection + "PATH=/usr/bin/hardinfo\n", "PATH", true,
                 "/usr/bin/hardinfo"},
        ReadCase{"BlanksAroundNameAndValueAreNotPartOfThem",
                 kSection + "  PATH \t=  /usr/bin/hardinfo \t\n", "PATH", true,
                 "/usr/bin/hardinfo"},
        ReadCase{"QuotesKeepBlanksAtBothEnds", kSection + "PATH=\"  /opt/my tool  \"\n", "PATH",
                 true, "  /opt/my tool  "},
        ReadCase{"QuotesKeepATypePrefixAsText", kSection + "PATH=\"dword:1\"\n", "PATH", true,
                 "dword:1"},
        ReadCase{"BackslashesAndEqualSignsStay", kSection + "PATH=C:\\Tools\\a=b.exe\n", "PATH",
                 true, "C:\\Tools\\a=b.exe"},
        ReadCase{"WindowsLineEnds", "; made on Windows\r\n" + MachineSection(kKey) + "PATH=/x\r\n",
                 "PATH", true, "/x"},
        ReadCase{"NamesIgnoreCase",
                 "[hkey_local_machine\\software\\microsoft\\SHARED TOOLS\\msinfo]\npath=/x\n",
                 "PATH", true, "/x"},
        ReadCase{"LastRepeatedEntryCounts", kSection + "PATH=/first\nPATH=/second\n", "PATH", true,
                 "/second"},
        ReadCase{"CommentsAreNotEntries", kSection + "; PATH=/a\n# PATH=/b\n\nPATH=/c\n", "PATH",
                 true, "/c"},
        ReadCase{"UnnamedValueIsAt", kSection + "@=/default\nPATH=/named\n", "", true, "/default"},
        ReadCase{"EmptyText", kSection + "PATH=\n", "PATH", true, ""}),
    [](const auto& info) { return info.param.name; });

// A text is stored with its zero byte: 1023 bytes of text fill the 1024-byte
// read exactly; one byte more does not fit and counts as missing.
INSTANTIATE_TEST_SUITE_P(
    BufferLimit, GetKeyValueReads,
    ::testing::Values(
        ReadCase{"Text1023Bytes", kSection + "PATH=" + Repeated('x', 1023) + "\n", "PATH", true,
                 Repeated('x', 1023)},
        ReadCase{"Text1024BytesIsMissing", kSection + "PATH=" + Repeated('x', 1024) + "\n", "PATH",
                 false, ""},
        ReadCase{"Data1024BytesWithoutZeroIsTakenWhole",
                 kSection + "PATH=hex(1):" + HexList(Repeated('y', 1024)) + "\n", "PATH", true,
                 Repeated('y', 1024)},
        ReadCase{"Data1024BytesEndingInZero",
                 kSection + "PATH=hex(1):" + HexList(Repeated('y', 1023) + '\0') + "\n", "PATH",
                 true, Repeated('y', 1023)},
        ReadCase{"Data1025BytesIsMissing",
                 kSection + "PATH=hex(1):" + HexList(Repeated('y', 1024) + '\0') + "\n", "PATH",
                 false, ""}),
    [](const auto& info) { return info.param.name; });

// Only the one final zero byte of a text goes.
INSTANTIATE_TEST_SUITE_P(
    Terminator, GetKeyValueReads,
    ::testing::Values(ReadCase{"StoredWithZeroByteLosesIt", kSection + "PATH=hex(1):41,42,00\n",
                               "PATH", true, "AB"},
                      ReadCase{"StoredWithoutZeroByteIsWhole", kSection + "PATH=hex(1):41,42\n",
                               "PATH", true, "AB"},
                      ReadCase{"ZeroBytesInsideStay", kSection + "PATH=hex(1):41,00,42,00,00\n",
                               "PATH", true, "A\0B\0"s},
                      ReadCase{"NoDataBytes", kSection + "PATH=hex(1):\n", "PATH", true, ""},
                      ReadCase{"OnlyAZeroByte", kSection + "PATH=hex(1):00\n", "PATH", true, ""}),
    [](const auto& info) { return info.param.name; });

// A number gives "&h" and its exact digits, zero bytes inside it included.
INSTANTIATE_TEST_SUITE_P(
    Number, GetKeyValueReads,
    ::testing::Values(
        ReadCase{"Ten", kSection + "N=dword:0000000a\n", "N", true, "&hA"},
        ReadCase{"Zero", kSection + "N=dword:00000000\n", "N", true, "&h0"},
        ReadCase{"ZeroByteInTheMiddle", kSection + "N=dword:00000a00\n", "N", true, "&hA00"},
        ReadCase{"SmallByteAfterTheFirst", kSection + "N=dword:00010203\n", "N", true, "&h10203"},
        ReadCase{"Largest", kSection + "N=dword:ffffffff\n", "N", true, "&hFFFFFFFF"},
        ReadCase{"ShortDigits", kSection + "N=dword:1F\n", "N", true, "&h1F"},
        ReadCase{"GivenAsBytes", kSection + "N=hex(4):00,01,00,00\n", "N", true, "&h100"},
        ReadCase{"TooManyDigitsIsUnreadable", kSection + "N=dword:123456789\n", "N", false, ""},
        ReadCase{"NotHexIsUnreadable", kSection + "N=dword:12g4\n", "N", false, ""},
        ReadCase{"NoDigitsIsUnreadable", kSection + "N=dword:\n", "N", false, ""}),
    [](const auto& info) { return info.param.name; });

// Found, but of a type FERULO does not read: the caller's text stays.
INSTANTIATE_TEST_SUITE_P(
    OtherType, GetKeyValueReads,
    ::testing::Values(
        ReadCase{"ExpandableText", kSection + "PATH=hex(2):2f,78,00\n", "PATH", true, kBefore},
        ReadCase{"Binary", kSection + "PATH=hex:01,02\n", "PATH", true, kBefore},
        ReadCase{"MultipleTexts", kSection + "PATH=hex(7):61,00,62,00,00\n", "PATH", true, kBefore},
        ReadCase{"BadHexIsUnreadable", kSection + "PATH=hex(2):zz\n", "PATH", false, ""},
        ReadCase{"UnclosedTypeIsUnreadable", kSection + "PATH=hex(2:41\n", "PATH", false, ""}),
    [](const auto& info) { return info.param.name; });

// Every failure empties KeyVal.
INSTANTIATE_TEST_SUITE_P(
    Missing, GetKeyValueReads,
    ::testing::Values(ReadCase{"OtherValueOnly", kSection + "OTHER=/x\n", "PATH", false, ""},
                      ReadCase{"OtherKeyOnly", MachineSection(kKey + " Location") + "PATH=/x\n",
                               "PATH", false, ""},
                      ReadCase{"EntryBeforeAnySection", "PATH=/x\n" + kSection, "PATH", false, ""},
                      ReadCase{"EntryOfTheFollowingSection",
                               kSection + "[HKEY_LOCAL_MACHINE\\SOFTWARE]\nPATH=/x\n", "PATH",
                               false, ""},
                      ReadCase{"SameKeyUnderAnotherRoot",
                               "[HKEY_CURRENT_USER\\" + kKey + "]\nPATH=/x\n", "PATH", false, ""},
                      ReadCase{"EmptyFile", "", "PATH", false, ""}),
    [](const auto& info) { return info.param.name; });

TEST(GetKeyValue, ReadsTheRootItIsGiven) {
  TempDir dir;
  WriteFile(dir.file("registry.ini"), "[HKEY_CURRENT_USER\\Software\\FERULO]\nName=user\n" +
                                          MachineSection("Software\\FERULO") + "Name=machine\n");
  const IniRegistryStore registry(dir.file("registry.ini"));
  std::string keyVal;

  EXPECT_TRUE(GetKeyValue(registry, kHkeyCurrentUser, "Software\\FERULO", "Name", keyVal));
  EXPECT_EQ(keyVal, "user");
  EXPECT_TRUE(GetKeyValue(registry, kHkeyLocalMachine, "Software\\FERULO", "Name", keyVal));
  EXPECT_EQ(keyVal, "machine");
  EXPECT_FALSE(GetKeyValue(registry, 0x12345678, "Software\\FERULO", "Name", keyVal));
  EXPECT_EQ(keyVal, "");
}

// The window runs in the user's locale. Under a Turkish 8-bit one, <cctype>
// lowers "I" to a dotless i, so "MSINFO" and "msinfo" would differ; names
// must still match as ASCII. The locale is built into a temporary folder.
TEST(GetKeyValue, NamesIgnoreAsciiCaseUnderATurkishLocale) {
  TempDir dir;
  const std::string build =
      "localedef -i tr_TR -f ISO-8859-9 " + dir.file("tr_TR.ISO-8859-9") + " >/dev/null 2>&1";
  if (std::system(build.c_str()) != 0) {
    GTEST_SKIP() << "localedef cannot build tr_TR.ISO-8859-9 here (package locales)";
  }
  setenv("LOCPATH", dir.path().c_str(), 1);
  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  const bool turkish =
      std::setlocale(LC_CTYPE, "tr_TR.ISO-8859-9") != nullptr && std::tolower('I') != 'i';
  WriteFile(dir.file("registry.ini"),
            "[hkey_local_machine\\software\\microsoft\\shared tools\\msinfo]\npath=/x\n");
  std::string keyVal;
  const bool found = GetKeyValue(IniRegistryStore(dir.file("registry.ini")), kHkeyLocalMachine,
                                 kKey, "PATH", keyVal);
  std::setlocale(LC_CTYPE, previous.c_str());
  unsetenv("LOCPATH");
  if (!turkish) {
    GTEST_SKIP() << "the locale tr_TR.ISO-8859-9 could not be set";
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(keyVal, "/x");
}

// Files that hold no values: absent, a folder, a device that never ends, or
// larger than any registry file FERULO reads.
TEST(GetKeyValue, FilesWithoutValuesGiveFalse) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("folder.ini"));
  WriteFile(dir.file("huge.ini"),
            kSection + "PATH=/x\n" + Repeated(';', IniRegistryStore::kMaxRegistryFileSize) + "\n");
  for (const std::string& file : {dir.file("absent.ini"), dir.file("folder.ini"),
                                  std::string("/dev/zero"), dir.file("huge.ini")}) {
    SCOPED_TRACE(file);
    const IniRegistryStore registry(file);
    std::string keyVal = kBefore;
    EXPECT_FALSE(GetKeyValue(registry, kHkeyLocalMachine, kKey, "PATH", keyVal));
    EXPECT_EQ(keyVal, "");
  }
}

TEST(GetKeyValue, ReadsTheFileAfreshEachTime) {
  TempDir dir;
  const IniRegistryStore registry(dir.file("registry.ini"));
  std::string keyVal;
  EXPECT_FALSE(GetKeyValue(registry, kHkeyLocalMachine, kKey, "PATH", keyVal));

  WriteFile(dir.file("registry.ini"), kSection + "PATH=/first\n");
  EXPECT_TRUE(GetKeyValue(registry, kHkeyLocalMachine, kKey, "PATH", keyVal));
  EXPECT_EQ(keyVal, "/first");

  WriteFile(dir.file("registry.ini"), kSection + "PATH=/second\n");
  EXPECT_TRUE(GetKeyValue(registry, kHkeyLocalMachine, kKey, "PATH", keyVal));
  EXPECT_EQ(keyVal, "/second");
}

// A store that fails in an unforeseen way still yields false, never an
// exception, to the caller.
TEST(GetKeyValue, FailingStoreGivesFalse) {
  class ThrowingStore : public RegistryStore {
   public:
    [[nodiscard]] std::optional<RegistryData> Query(RegistryRoot, const std::string&,
                                                    const std::string&) const override {
      throw std::runtime_error("store broke");
    }
  };
  std::string keyVal = kBefore;
  EXPECT_FALSE(GetKeyValue(ThrowingStore(), kHkeyLocalMachine, kKey, "PATH", keyVal));
  EXPECT_EQ(keyVal, "");
}

}  // namespace
}  // namespace ferulo::about
