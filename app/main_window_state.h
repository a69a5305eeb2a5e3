#pragma once

#include <QString>

#include <memory>

#include "app/database_layer.h"

namespace ferulo::app {

// What the main window remembers between its handlers. The text boxes and
// lists are separate: typing into a box changes nothing here.
// The connection is shared with the read that may be running on it.
struct MainWindowState {
  // The database chosen last; none until a selection succeeds.
  std::shared_ptr<DatabaseConnection> connection;
  // The chosen file's path as it was opened, e.g. "/data/shop.mdb".
  QString databasePath;
  // The chosen file's own name with its extension, e.g. "shop.mdb".
  QString databaseFileName;
  // The chosen file's folder with its closing separator, e.g. "/data/".
  QString databaseFolder;
  // The table whose columns the field lists were filled from.
  QString tableName;
};

}  // namespace ferulo::app
