#include "about/version_text.h"

#include <algorithm>

#include "common/ascii_case.h"

namespace ferulo::about {

namespace {

constexpr unsigned kLargestVersionField = 65535;

// Digits only: no sign, no blanks. Leading zeros are accepted and dropped.
std::optional<unsigned> VersionNumber(const std::string& field) {
  if (field.empty() || !std::ranges::all_of(field, IsAsciiDigit)) {
    return std::nullopt;
  }
  unsigned number = 0;
  for (char digit : field) {
    number = number * 10 + static_cast<unsigned>(digit - '0');
    if (number > kLargestVersionField) {
      return std::nullopt;
    }
  }
  return number;
}

}  // namespace

VersionFields BuildVersionFields() {
  return VersionFields{FERULO_VERSION_MAJOR, FERULO_VERSION_MINOR, FERULO_VERSION_PATCH,
                       FERULO_VERSION_TWEAK};
}

std::optional<QString> VersionText(const VersionFields& fields) {
  const std::optional<unsigned> major = VersionNumber(fields.major);
  const std::optional<unsigned> minor = VersionNumber(fields.minor);
  const std::optional<unsigned> revision = VersionNumber(fields.revision);
  if (!major || !minor || !revision) {
    return std::nullopt;
  }
  return QStringLiteral("Version%1.%2.%3").arg(*major).arg(*minor).arg(*revision);
}

}  // namespace ferulo::about
