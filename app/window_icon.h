#pragma once

#include <QIcon>
#include <QString>

namespace ferulo::app {

// The icon the windows carry: the one installed for the desktop beside the
// program (every size drawn for the icon theme), else the icon theme's
// "ferulo", else a small built-in image.
[[nodiscard]] QIcon FeruloWindowIcon(const QString& programDirectory);

}  // namespace ferulo::app
