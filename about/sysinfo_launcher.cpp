#include "about/sysinfo_launcher.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <exception>
#include <optional>
#include <string>

namespace ferulo::about {

namespace {

// The registry's narrow text as a path of this system.
QString PathText(const std::string& bytes) {
  return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// The tool's path from the registry, or nothing when neither place names an
// ordinary file to start. The first place is trusted as it stands; only the
// folder from the second place is checked.
std::optional<QString> SysInfoPath(const RegistryStore& registry) {
  std::string toolPath;
  if (GetKeyValue(registry, kHkeyLocalMachine, kSysInfoPathKey, kSysInfoPathValue, toolPath)) {
    return PathText(toolPath);
  }
  if (!GetKeyValue(registry, kHkeyLocalMachine, kSysInfoFolderKey, kSysInfoFolderValue, toolPath)) {
    return std::nullopt;
  }
  const QString candidate = PathText(toolPath) + QLatin1String(kSysInfoProgramInFolder);
  if (!QFileInfo(candidate).isFile()) {
    return std::nullopt;
  }
  return candidate;
}

bool FoundAndStarted(const RegistryStore& registry, ProgramStarter& programs) {
  try {
    const std::optional<QString> toolPath = SysInfoPath(registry);
    return toolPath && programs.Start(*toolPath);
  } catch (const std::exception&) {
    // Every failure on the way ends in the one message the caller shows.
    return false;
  }
}

}  // namespace

bool DetachedProgramStarter::Start(const QString& commandText) {
  if (commandText.isEmpty() || commandText.contains(QChar(u'\0'))) {
    return false;
  }
  return QProcess::startDetached(commandText, {});
}

void StartSysInfo(const RegistryStore& registry, ProgramStarter& programs,
                  gui::MessageBoxes& messages, QWidget* messageParent) {
  if (!FoundAndStarted(registry, programs)) {
    messages.ShowMessage(messageParent, QString::fromLatin1(kSysInfoUnavailable),
                         QString::fromLatin1(gui::kApplicationTitle), MessageIcon::Information);
  }
}

}  // namespace ferulo::about
