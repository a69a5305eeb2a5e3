#pragma once

#include <QString>

#include "about/registry.h"
#include "gui/message_boxes.h"

class QWidget;

namespace ferulo::about {

// Where the system-information tool is looked up, first place first.
inline constexpr char kSysInfoPathKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char kSysInfoPathValue[] = "PATH";
inline constexpr char kSysInfoFolderKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr char kSysInfoFolderValue[] = "MSINFO";

// Joined to the folder found in the second place, with the system's own
// separator and nothing else.
#ifdef _WIN32
inline constexpr char kSysInfoProgramInFolder[] = "\\MSINFO32.EXE";
#else
inline constexpr char kSysInfoProgramInFolder[] = "/MSINFO32.EXE";
#endif

inline constexpr char kSysInfoUnavailable[] = "System Information Is Unavailable At This Time";

// Starts programs for the launcher.
class ProgramStarter {
 public:
  virtual ~ProgramStarter() = default;

  // Starts the program whose path is commandText, without arguments and
  // without waiting for it. False when it could not be started.
  virtual bool Start(const QString& commandText) = 0;
};

// Starts the program as a detached process. An empty path, or one holding a
// zero character (which the system would silently cut short there), is
// refused as a failed start.
class DetachedProgramStarter : public ProgramStarter {
 public:
  bool Start(const QString& commandText) override;
};

// Finds the system-information tool through the registry and starts it: the
// path in the first place is started as read; otherwise the folder in the
// second place, joined with kSysInfoProgramInFolder, is started if that file
// exists. When nothing is found or the start fails, shows the one message
// kSysInfoUnavailable (information icon, title FERULO) over messageParent.
void StartSysInfo(const RegistryStore& registry, ProgramStarter& programs,
                  gui::MessageBoxes& messages, QWidget* messageParent);

}  // namespace ferulo::about
