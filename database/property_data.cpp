#include "database/property_data.h"

#include <cstdint>
#include <optional>

#include "common/ascii_case.h"
#include "common/little_endian.h"
#include "database/property_data_check.h"

namespace ferulo::database {

namespace {

constexpr std::string_view kJet4Magic{"MR2\0", 4};
constexpr std::size_t kMagicSize = 4;
constexpr std::size_t kChunkHeaderSize = 6;     // length (4), type (2)
constexpr std::size_t kBlockHeaderSize = 6;     // length (4), name length (2)
constexpr std::size_t kPropertyHeaderSize = 8;  // length (2), flags, type, name index (2), size (2)
constexpr std::uint32_t kNamesChunk = 0x80;
constexpr std::uint32_t kLastValuesChunk = 0x02;
constexpr unsigned kYesNoProperty = 0x01;
constexpr std::string_view kRequiredProperty = "Required";
constexpr std::string_view kExpressionProperty = "Expression";

// The bytes [at, at + length) of data, or nullopt where they are not all there.
std::optional<std::string_view> Slice(std::string_view data, std::size_t at, std::size_t length) {
  if (at > data.size() || length > data.size() - at) {
    return std::nullopt;
  }
  return data.substr(at, length);
}

std::optional<std::uint32_t> Read16(std::string_view data, std::size_t at) {
  const auto bytes = Slice(data, at, 2);
  return bytes ? std::optional<std::uint32_t>(Little16(bytes->data())) : std::nullopt;
}

// A property name in plain ASCII, for comparing with the names FERULO looks
// for; "" for a name outside ASCII.
std::string AsciiName(std::string_view stored, bool wide) {
  std::string name;
  const std::size_t step = wide ? 2 : 1;
  for (std::size_t at = 0; at + step <= stored.size(); at += step) {
    const auto c = static_cast<unsigned char>(stored[at]);
    if (c >= 0x80 || (wide && stored[at + 1] != '\0')) {
      return {};
    }
    name += static_cast<char>(c);
  }
  return name;
}

std::vector<std::string> ReadNames(std::string_view chunk, bool wide) {
  std::vector<std::string> names;
  std::size_t at = 0;
  while (const auto length = Read16(chunk, at)) {
    const auto name = Slice(chunk, at + 2, *length);
    if (!name) {
      break;
    }
    names.push_back(AsciiName(*name, wide));
    at += 2 + *length;
  }
  return names;
}

// Reads Required and Expression from a block's property records. The first
// Required counts; an Expression counts where it holds any text.
void ReadFacts(std::string_view records, const std::vector<std::string>& names,
               StoredColumnProperties& facts) {
  bool requiredSeen = false;
  std::size_t at = 0;
  while (const auto header = Slice(records, at, kPropertyHeaderSize)) {
    const std::uint32_t length = Little16(header->data());
    const auto type = static_cast<unsigned char>((*header)[3]);
    const std::uint32_t nameIndex = Little16(header->data() + 4);
    const std::uint32_t valueSize = Little16(header->data() + 6);
    const auto value = Slice(records, at + kPropertyHeaderSize, valueSize);
    if (length < kPropertyHeaderSize || !value) {
      break;
    }
    const std::string_view name =
        nameIndex < names.size() ? std::string_view(names[nameIndex]) : std::string_view();
    if (!requiredSeen && type == kYesNoProperty &&
        EqualsIgnoringAsciiCase(name, kRequiredProperty) && !value->empty()) {
      facts.required = (*value)[0] != '\0';
      requiredSeen = true;
    } else if (EqualsIgnoringAsciiCase(name, kExpressionProperty) && !value->empty()) {
      facts.calculated = true;
    }
    at += length;
  }
}

}  // namespace

std::vector<StoredColumnProperties> ReadColumnProperties(std::string_view propertyData) {
  std::vector<StoredColumnProperties> columns;
  if (!FindPropertyDataDamage(propertyData).empty()) {
    return columns;
  }
  const bool wide = propertyData.substr(0, kMagicSize) == kJet4Magic;
  std::vector<std::string> names;
  std::size_t at = kMagicSize;
  while (const auto header = Slice(propertyData, at, kChunkHeaderSize)) {
    const std::uint32_t length = Little32(header->data());
    const std::uint32_t type = Little16(header->data() + 4);
    if (length < kChunkHeaderSize) {
      break;
    }
    const auto chunk = Slice(propertyData, at + kChunkHeaderSize, length - kChunkHeaderSize);
    if (!chunk) {
      break;
    }
    if (type == kNamesChunk) {
      names = ReadNames(*chunk, wide);
    } else if (type <= kLastValuesChunk) {
      const auto nameLength = Read16(*chunk, 4);
      const auto blockName =
          nameLength ? Slice(*chunk, kBlockHeaderSize, *nameLength) : std::nullopt;
      if (blockName) {
        StoredColumnProperties facts{std::string(*blockName)};
        ReadFacts(chunk->substr(kBlockHeaderSize + blockName->size()), names, facts);
        if (facts.required || facts.calculated) {
          columns.push_back(std::move(facts));
        }
      }
    }
    at += length;
  }
  return columns;
}

}  // namespace ferulo::database
