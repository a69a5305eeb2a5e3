#include "about/ini_registry.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string_view>
#include <utility>

#include "common/ascii_case.h"

namespace ferulo::about {

namespace {

namespace fs = std::filesystem;

struct RootName {
  RegistryRoot root;
  std::string_view name;
};

constexpr std::array<RootName, 5> kRootNames = {{
    {kHkeyClassesRoot, "HKEY_CLASSES_ROOT"},
    {kHkeyCurrentUser, "HKEY_CURRENT_USER"},
    {kHkeyLocalMachine, "HKEY_LOCAL_MACHINE"},
    {kHkeyUsers, "HKEY_USERS"},
    {kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG"},
}};

std::optional<std::string> SectionNameOf(RegistryRoot root, const std::string& keyName) {
  for (const RootName& known : kRootNames) {
    if (known.root == root) {
      std::string section(known.name);
      if (!keyName.empty()) {
        section += '\\';
        section += keyName;
      }
      return section;
    }
  }
  return std::nullopt;
}

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && blank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<unsigned> HexNumber(std::string_view digits, std::size_t maxDigits) {
  if (digits.empty() || digits.size() > maxDigits) {
    return std::nullopt;
  }
  unsigned number = 0;
  for (char c : digits) {
    if (!IsAsciiHexDigit(c)) {
      return std::nullopt;
    }
    const unsigned digit = IsAsciiDigit(c) ? static_cast<unsigned>(c - '0')
                                           : static_cast<unsigned>(AsciiLower(c) - 'a' + 10);
    number = number * 16 + digit;
  }
  return number;
}

std::optional<RegistryData> DwordData(std::string_view digits) {
  const std::optional<unsigned> number = HexNumber(digits, 8);
  if (!number) {
    return std::nullopt;
  }
  std::string bytes(4, '\0');
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[i] = static_cast<char>((*number >> (8 * i)) & 0xFFu);
  }
  return RegistryData{kRegDword, std::move(bytes)};
}

// "41, 42,00" -> the bytes 0x41 0x42 0x00; an empty list is no bytes.
std::optional<std::string> HexBytes(std::string_view list) {
  std::string bytes;
  list = Trimmed(list);
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::optional<unsigned> byte = HexNumber(Trimmed(list.substr(0, comma)), 2);
    if (!byte) {
      return std::nullopt;
    }
    bytes += static_cast<char>(*byte);
    if (comma == std::string_view::npos) {
      break;
    }
    list.remove_prefix(comma + 1);
  }
  return bytes;
}

// "hex(2):25,00" or "hex:01"
std::optional<RegistryData> HexData(std::string_view text) {
  text.remove_prefix(3);
  std::uint32_t type = kRegBinary;
  if (!text.empty() && text.front() == '(') {
    const std::size_t close = text.find(')');
    if (close == std::string_view::npos) {
      return std::nullopt;
    }
    const std::optional<unsigned> number = HexNumber(text.substr(1, close - 1), 8);
    if (!number) {
      return std::nullopt;
    }
    type = *number;
    text.remove_prefix(close + 1);
  }
  if (text.empty() || text.front() != ':') {
    return std::nullopt;
  }
  std::optional<std::string> bytes = HexBytes(text.substr(1));
  if (!bytes) {
    return std::nullopt;
  }
  return RegistryData{type, std::move(*bytes)};
}

RegistryData TextData(std::string_view text) {
  std::string bytes(text);
  bytes += '\0';
  return RegistryData{kRegSz, std::move(bytes)};
}

bool IsTypedHex(std::string_view text) {
  return StartsWithIgnoringAsciiCase(text, "hex:") || StartsWithIgnoringAsciiCase(text, "hex(");
}

std::optional<RegistryData> ParseValue(std::string_view text) {
  text = Trimmed(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    return TextData(text.substr(1, text.size() - 2));
  }
  if (StartsWithIgnoringAsciiCase(text, "dword:")) {
    return DwordData(text.substr(6));
  }
  if (IsTypedHex(text)) {
    return HexData(text);
  }
  return TextData(text);
}

bool ReadableSize(const fs::path& file) {
  std::error_code error;
  if (!fs::is_regular_file(file, error)) {
    return false;
  }
  const std::uintmax_t size = fs::file_size(file, error);
  return !error && size <= IniRegistryStore::kMaxRegistryFileSize;
}

// The raw text after "=" of the last entry valueName in section, if any.
std::optional<std::string> FindEntry(std::istream& in, const std::string& section,
                                     const std::string& valueName) {
  const std::string wantedName = valueName.empty() ? "@" : valueName;
  std::optional<std::string> found;
  bool inSection = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    const std::string_view content = Trimmed(line);
    if (content.empty() || content.front() == ';' || content.front() == '#') {
      continue;
    }
    if (content.front() == '[') {
      const std::size_t close = content.rfind(']');
      inSection = close != std::string_view::npos &&
                  EqualsIgnoringAsciiCase(Trimmed(content.substr(1, close - 1)), section);
      continue;
    }
    const std::size_t equals = content.find('=');
    if (inSection && equals != std::string_view::npos &&
        EqualsIgnoringAsciiCase(Trimmed(content.substr(0, equals)), wantedName)) {
      found = std::string(content.substr(equals + 1));
    }
  }
  return found;
}

}  // namespace

IniRegistryStore::IniRegistryStore(std::filesystem::path file) : file_(std::move(file)) {}

std::optional<RegistryData> IniRegistryStore::Query(RegistryRoot root, const std::string& keyName,
                                                    const std::string& valueName) const {
  const std::optional<std::string> section = SectionNameOf(root, keyName);
  if (!section || !ReadableSize(file_)) {
    return std::nullopt;
  }
  std::ifstream in(file_, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  const std::optional<std::string> entry = FindEntry(in, *section, valueName);
  if (!entry) {
    return std::nullopt;
  }
  std::optional<RegistryData> data = ParseValue(*entry);
  if (!data || data->bytes.size() > kValueBufferSize) {
    return std::nullopt;
  }
  return data;
}

}  // namespace ferulo::about
