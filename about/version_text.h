#pragma once

#include <QString>

#include <optional>
#include <string>

namespace ferulo::about {

// The program's four version numbers as the build hands them over, in text:
// major.minor.build.revision (a project version 1.0.0.3 gives "1", "0", "0",
// "3"). A field the build left out is empty.
struct VersionFields {
  std::string major;
  std::string minor;
  std::string build;
  std::string revision;
};

// The fields of the version this program was built as.
VersionFields BuildVersionFields();

// "Version" + major + "." + minor + "." + revision, each a plain decimal
// number (so "Version1.0.3" for 1.0.0.3; the build field is not shown). Empty
// when one of those three is not a number from 0 to 65535, the range of a
// Windows file-version field.
std::optional<QString> VersionText(const VersionFields& fields);

// What the version label shows until the version text replaces it.
inline constexpr char kVersionPlaceholder[] = "Version 1.0";

}  // namespace ferulo::about
