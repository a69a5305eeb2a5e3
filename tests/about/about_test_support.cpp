#include "about_test_support.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace ferulo::about::test {

namespace fs = std::filesystem;

QWidget* ShownAboutWindow() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->objectName() == QLatin1String("frmAbout") && window->isVisible()) {
      return window;
    }
  }
  return nullptr;
}

std::string HexList(const std::string& bytes) {
  std::string list;
  for (unsigned char byte : bytes) {
    char digits[3] = {};
    std::snprintf(digits, sizeof digits, "%02x", byte);
    if (!list.empty()) {
      list += ',';
    }
    list += digits;
  }
  return list;
}

void WriteMarkerScript(const fs::path& script, const fs::path& marker) {
  {
    std::ofstream out(script, std::ios::binary | std::ios::trunc);
    out << "#!/bin/sh\necho started > '" << marker.string() << "'\n";
    if (!out) {
      throw std::runtime_error("cannot write " + script.string());
    }
  }
  fs::permissions(script, fs::perms::owner_all, fs::perm_options::replace);
}

bool WaitForFile(const fs::path& file, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!fs::exists(file)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace ferulo::about::test
