#pragma once

#include <QString>

#include "app/main_window_dialogs.h"

namespace ferulo::app {

// The open-file dialog. Like one dialog kept for the window's lifetime, it
// opens in the folder of the file chosen last.
class QtOpenFileDialog : public OpenFileDialog {
 public:
  ChosenFile AskForFile(QWidget* parent, const OpenFileRequest& request) override;

 private:
  QString lastFolder_;
};

class QtInputBox : public InputBox {
 public:
  QString AskForText(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;
};

// A new cPopupMenu for every menu shown.
class PopupListMenu : public ListMenu {
 public:
  int Popup(const QStringList& entries) override;
};

}  // namespace ferulo::app
