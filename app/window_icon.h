#pragma once

#include <QIcon>

namespace ferulo::app {

// The icon the main window carries.
[[nodiscard]] QIcon FeruloWindowIcon();

}  // namespace ferulo::app
