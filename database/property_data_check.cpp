#include "database/property_data_check.h"

#include <cstdint>
#include <string>

#include "common/little_endian.h"

namespace ferulo::database {

namespace {

constexpr std::string_view kJet3Magic{"KKD\0", 4};
constexpr std::string_view kJet4Magic{"MR2\0", 4};

constexpr std::size_t kChunkHeaderSize = 6;     // length (4), type (2)
constexpr std::size_t kBlockHeaderSize = 6;     // length (4), name length (2)
constexpr std::size_t kPropertyHeaderSize = 8;  // length, flags, type, name index, size
constexpr std::uint16_t kNamesChunk = 0x80;
constexpr std::uint16_t kFirstValuesChunk = 0x00;
constexpr std::uint16_t kLastValuesChunk = 0x02;

std::string At(std::size_t offset) {
  return " at offset " + std::to_string(offset);
}

// A names chunk: length-prefixed names filling it exactly.
std::string FindNamesDamage(std::string_view chunk, std::size_t chunkOffset) {
  std::size_t pos = 0;
  while (pos < chunk.size()) {
    if (chunk.size() - pos < 2 || Little16(chunk.data() + pos) > chunk.size() - pos - 2) {
      return "a property name runs past its chunk" + At(chunkOffset + pos);
    }
    pos += 2 + Little16(chunk.data() + pos);
  }
  return {};
}

// A values chunk: a block header with the block's name, then one record per
// property, each starting with its own length.
std::string FindValuesDamage(std::string_view chunk, std::size_t chunkOffset) {
  if (chunk.size() < kBlockHeaderSize ||
      Little16(chunk.data() + 4) > chunk.size() - kBlockHeaderSize) {
    return "a property block header runs past its chunk" + At(chunkOffset);
  }
  std::size_t pos = kBlockHeaderSize + Little16(chunk.data() + 4);
  while (pos < chunk.size()) {
    const std::size_t left = chunk.size() - pos;
    if (left < kPropertyHeaderSize) {
      return "a property record is cut short" + At(chunkOffset + pos);
    }
    const std::uint32_t length = Little16(chunk.data() + pos);
    const std::uint32_t valueSize = Little16(chunk.data() + pos + 6);
    if (length < kPropertyHeaderSize) {
      return "a property record has the impossible length " + std::to_string(length) +
             At(chunkOffset + pos);
    }
    if (length > left || valueSize > length - kPropertyHeaderSize) {
      return "a property record runs past its chunk" + At(chunkOffset + pos);
    }
    pos += length;
  }
  return {};
}

}  // namespace

std::string FindPropertyDataDamage(std::string_view propertyData) {
  const std::string_view magic = propertyData.substr(0, kJet3Magic.size());
  if (magic != kJet3Magic && magic != kJet4Magic) {
    return "the property data does not start with KKD or MR2";
  }
  std::size_t pos = magic.size();
  while (pos < propertyData.size()) {
    const std::size_t left = propertyData.size() - pos;
    if (left < kChunkHeaderSize) {
      return "a property chunk is cut short" + At(pos);
    }
    const std::uint32_t length = Little32(propertyData.data() + pos);
    if (length < kChunkHeaderSize) {
      return "a property chunk has the impossible length " + std::to_string(length) + At(pos);
    }
    if (length > left) {
      return "a property chunk runs past the end of the data" + At(pos);
    }
    const std::uint32_t type = Little16(propertyData.data() + pos + 4);
    const std::string_view chunk =
        propertyData.substr(pos + kChunkHeaderSize, length - kChunkHeaderSize);
    std::string damage;
    if (type == kNamesChunk) {
      damage = FindNamesDamage(chunk, pos + kChunkHeaderSize);
    } else if (type >= kFirstValuesChunk && type <= kLastValuesChunk) {
      damage = FindValuesDamage(chunk, pos + kChunkHeaderSize);
    }
    if (!damage.empty()) {
      return damage;
    }
    pos += length;
  }
  return {};
}

}  // namespace ferulo::database
