#pragma once

#include <QString>

#include "app/main_window_dialogs.h"

namespace ferulo::app {

// The open-file dialog, opened in the folder the request names.
class QtOpenFileDialog : public OpenFileDialog {
 public:
  ChosenFile AskForFile(QWidget* parent, const OpenFileRequest& request) override;
};

class QtInputBox : public InputBox {
 public:
  QString AskForText(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;
};

// A new cPopupMenu for every menu shown.
class PopupListMenu : public ListMenu {
 public:
  int Popup(const QStringList& entries, const QPoint& at) override;
};

}  // namespace ferulo::app
