#pragma once

#include <memory>

#include "about/message_boxes.h"
#include "about/registry.h"
#include "about/sysinfo_launcher.h"
#include "about/version_text.h"

namespace ferulo::about {

// What the About window works with. The defaults are the real ones: the
// version this program was built as, the system's registry, detached
// processes and Qt message boxes. Tests replace them.
struct AboutDependencies {
  VersionFields version = BuildVersionFields();
  std::shared_ptr<const RegistryStore> registry = SystemRegistry();
  std::shared_ptr<ProgramStarter> programs = std::make_shared<DetachedProgramStarter>();
  std::shared_ptr<MessageBoxes> messages = std::make_shared<QtMessageBoxes>();
};

}  // namespace ferulo::about
