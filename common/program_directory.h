#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace ferulo {

// The folder of the running executable: the reader process and the page
// templates are installed beside it. Empty where the kernel does not tell.
inline std::string ProgramDirectory() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : executable.parent_path().string();
}

}  // namespace ferulo
