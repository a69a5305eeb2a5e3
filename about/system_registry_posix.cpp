#include "about/ini_registry.h"
#include "about/registry.h"

namespace ferulo::about {

std::shared_ptr<const RegistryStore> SystemRegistry() {
  return std::make_shared<IniRegistryStore>(kDefaultRegistryFile);
}

}  // namespace ferulo::about
