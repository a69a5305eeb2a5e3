#pragma once

#include <QString>

#include "common/error.h"

namespace ferulo::app {

// Title of boxes that have none of their own.
inline constexpr const char* kApplicationTitle = "FERULO";

// "Error <number>: <description>".
[[nodiscard]] QString ErrorMessageText(const Error& error);

}  // namespace ferulo::app
