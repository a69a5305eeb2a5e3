#pragma once

#include <memory>

#include "about/registry.h"
#include "about/sysinfo_launcher.h"
#include "about/version_text.h"
#include "gui/message_boxes.h"

namespace ferulo::about {

// What the About window works with. The defaults are the real ones: the
// version this program was built as, the system's registry, detached
// processes and Qt message boxes. Tests replace them.
struct AboutDependencies {
  VersionFields version = BuildVersionFields();
  std::shared_ptr<const RegistryStore> registry = SystemRegistry();
  std::shared_ptr<ProgramStarter> programs = std::make_shared<DetachedProgramStarter>();
  std::shared_ptr<gui::MessageBoxes> messages = std::make_shared<gui::QtMessageBoxes>();
};

}  // namespace ferulo::about
