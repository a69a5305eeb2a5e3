#include "about/registry.h"

#include <cstdio>
#include <exception>

namespace ferulo::about {

namespace {

// A text value usually carries its terminating zero byte; only that one final
// byte goes, zero bytes inside the data stay.
std::string WithoutFinalTerminator(const std::string& data) {
  if (!data.empty() && data.back() == '\0') {
    return data.substr(0, data.size() - 1);
  }
  return data;
}

// The number's exact digits: the data is read as the little-endian number it
// is, so zero bytes inside it and bytes below 16 keep their place.
std::string DwordText(const std::string& data) {
  std::uint32_t number = 0;
  const std::size_t width = data.size() < 4 ? data.size() : 4;
  for (std::size_t i = 0; i < width; ++i) {
    number |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  }
  char digits[9] = {};
  std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(number));
  return std::string("&h") + digits;
}

std::optional<RegistryData> QueryQuietly(const RegistryStore& registry, RegistryRoot root,
                                         const std::string& keyName, const std::string& valueName) {
  try {
    return registry.Query(root, keyName, valueName);
  } catch (const std::exception&) {
    // The caller learns of it through the false result, as of any other
    // unreadable value.
    return std::nullopt;
  }
}

}  // namespace

bool GetKeyValue(const RegistryStore& registry, RegistryRoot KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal) {
  const std::optional<RegistryData> data = QueryQuietly(registry, KeyRoot, KeyName, SubKeyRef);
  if (!data || data->bytes.size() > kValueBufferSize) {
    KeyVal.clear();
    return false;
  }
  switch (data->type) {
    case kRegSz:
      KeyVal = WithoutFinalTerminator(data->bytes);
      break;
    case kRegDword:
      KeyVal = DwordText(data->bytes);
      break;
    default:
      // Found but of a kind FERULO does not read: the caller's text stays.
      break;
  }
  return true;
}

}  // namespace ferulo::about
