#pragma once

#include <QString>

#include "common/error.h"

namespace ferulo::app {

// "Error <number>: <description>".
[[nodiscard]] QString ErrorMessageText(const Error& error);

}  // namespace ferulo::app
