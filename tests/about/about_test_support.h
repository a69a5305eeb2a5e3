#pragma once

// Recording stand-ins and file helpers shared by the About window's tests.

#include <QString>

class QWidget;

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "about/registry.h"
#include "about/sysinfo_launcher.h"
#include "gui/message_boxes.h"

namespace ferulo::about::test {

// Answers every message at once and remembers it.
class RecordingMessageBoxes : public gui::MessageBoxes {
 public:
  struct Shown {
    QWidget* parent = nullptr;
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::Error;
  };

  void Show(QWidget* parent, const gui::Message& message) override {
    shown.push_back({parent, message.title, message.text, message.icon});
  }
  // The About window asks nothing; a question is recorded and declined.
  bool Ask(QWidget* parent, const gui::Message& message, const QString& /*acceptButton*/,
           const QString& /*rejectButton*/) override {
    Show(parent, message);
    return false;
  }

  std::vector<Shown> shown;
};

// Remembers every command text; hands it to a real starter when given one,
// otherwise reports every start as failed.
class RecordingStarter : public ProgramStarter {
 public:
  explicit RecordingStarter(std::shared_ptr<ProgramStarter> real = nullptr)
      : real_(std::move(real)) {}

  bool Start(const QString& commandText) override {
    started.push_back(commandText);
    return real_ != nullptr && real_->Start(commandText);
  }

  std::vector<QString> started;

 private:
  std::shared_ptr<ProgramStarter> real_;
};

// Passes every query on to a real store and remembers "key|value" of each.
class RecordingRegistry : public RegistryStore {
 public:
  explicit RecordingRegistry(std::shared_ptr<const RegistryStore> real) : real_(std::move(real)) {}

  [[nodiscard]] std::optional<RegistryData> Query(RegistryRoot root, const std::string& keyName,
                                                  const std::string& valueName) const override {
    queried.push_back(keyName + "|" + valueName);
    return real_->Query(root, keyName, valueName);
  }

  mutable std::vector<std::string> queried;

 private:
  std::shared_ptr<const RegistryStore> real_;
};

// The About window on screen, found as a user sees it: the visible top-level
// window named frmAbout. nullptr when none is open.
QWidget* ShownAboutWindow();

// The registry section of a key below HKEY_LOCAL_MACHINE.
inline std::string MachineSection(const std::string& keyName) {
  return "[HKEY_LOCAL_MACHINE\\" + keyName + "]\n";
}

// "41,42,00" for the bytes "AB\0", as hex(N): entries list them.
std::string HexList(const std::string& bytes);

// Writes an executable shell script that records its start by creating
// marker.
void WriteMarkerScript(const std::filesystem::path& script, const std::filesystem::path& marker);

// Polls until the file exists or the time is up.
bool WaitForFile(const std::filesystem::path& file,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace ferulo::about::test
