#pragma once

#include <cerrno>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "common/error.h"
#include "common/error_codes.h"

namespace ferulo {

// What a file that could not be used is to FERULO. A database file is reported
// with the database error numbers; templates, pages and job files with the
// file error numbers.
enum class FileRole { Other, Database };

namespace errno_numbers {

struct Pair {
  int errnoValue;
  int number;
};

inline constexpr Pair kFile[] = {
    {ENOENT, error_code::kFileNotFound},     {ENOTDIR, error_code::kPathNotFound},
    {EACCES, error_code::kPermissionDenied}, {EPERM, error_code::kPermissionDenied},
    {EROFS, error_code::kPermissionDenied},  {ENOSPC, error_code::kDiskFull},
    {EDQUOT, error_code::kDiskFull},         {ENAMETOOLONG, error_code::kBadFileName},
    {EIO, error_code::kDeviceIoError},
};

inline constexpr Pair kDatabase[] = {
    {ENOENT, error_code::kCouldNotFindDatabase},      {ENOTDIR, error_code::kInvalidDatabasePath},
    {ENAMETOOLONG, error_code::kInvalidDatabasePath}, {ELOOP, error_code::kInvalidDatabasePath},
    {EISDIR, error_code::kInvalidDatabasePath},
};

inline int Lookup(std::span<const Pair> pairs, int errnoValue, int otherwise) {
  for (const Pair& pair : pairs) {
    if (pair.errnoValue == errnoValue) {
      return pair.number;
    }
  }
  return otherwise;
}

}  // namespace errno_numbers

// The one way an errno value becomes FERULO's error for an action on a file,
// e.g. ErrnoError(ENOENT, "Cannot read template", "/opt/ferulo/filelist.dat")
// gives 53 "Cannot read template '/opt/ferulo/filelist.dat': No such file or
// directory".
inline Error ErrnoError(int errnoValue, std::string_view action, std::string_view path,
                        FileRole role = FileRole::Other) {
  const int number = role == FileRole::Database
                         ? errno_numbers::Lookup(errno_numbers::kDatabase, errnoValue,
                                                 error_code::kCouldNotOpenFile)
                         : errno_numbers::Lookup(errno_numbers::kFile, errnoValue,
                                                 error_code::kPathFileAccessError);
  std::string description(action);
  description += " '";
  description += path;
  description += "': ";
  description += std::strerror(errnoValue);
  return Error{number, std::move(description)};
}

}  // namespace ferulo
