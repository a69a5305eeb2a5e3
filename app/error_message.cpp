#include "app/error_message.h"

namespace ferulo::app {

QString ErrorMessageText(const Error& error) {
  return QStringLiteral("Error %1: %2")
      .arg(error.number)
      .arg(QString::fromStdString(error.description));
}

}  // namespace ferulo::app
