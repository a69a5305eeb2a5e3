#pragma once

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "common/error.h"
#include "common/error_codes.h"

namespace ferulo {

// Turns an errno value into FERULO's error for an action on a file, e.g.
// ErrnoError(ENOENT, "Cannot read template", "/opt/ferulo/filelist.dat").
inline Error ErrnoError(int errnoValue, std::string_view action, std::string_view path) {
  int number = error_code::kPathFileAccessError;
  switch (errnoValue) {
    case ENOENT:
      number = error_code::kFileNotFound;
      break;
    case ENOTDIR:
      number = error_code::kPathNotFound;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
      number = error_code::kPermissionDenied;
      break;
    case ENOSPC:
    case EDQUOT:
      number = error_code::kDiskFull;
      break;
    case ENAMETOOLONG:
      number = error_code::kBadFileName;
      break;
    case EIO:
      number = error_code::kDeviceIoError;
      break;
    default:
      break;
  }
  std::string description(action);
  description += " '";
  description += path;
  description += "': ";
  description += std::strerror(errnoValue);
  return Error{number, std::move(description)};
}

}  // namespace ferulo
