#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include "gui/message_boxes.h"

class QWidget;

namespace ferulo::app {

// The questions the main window asks its user. The program answers them with
// Qt's dialogs (qt_dialogs.h, gui/message_boxes.h); tests answer them from a
// script.

struct OpenFileRequest {
  QString title;
  QStringList nameFilters;
  QString selectedNameFilter;
  QString folder{};  // where the dialog opens; empty for its own choice
};

struct ChosenFile {
  QString path;      // the full path; empty when the user cancelled
  QString fileName;  // the file's own name, without its folder
};

class OpenFileDialog {
 public:
  virtual ~OpenFileDialog() = default;
  virtual ChosenFile AskForFile(QWidget* parent, const OpenFileRequest& request) = 0;
};

class InputBox {
 public:
  virtual ~InputBox() = default;
  // The text the user confirmed, or the empty text when the box was cancelled.
  virtual QString AskForText(QWidget* parent, const QString& prompt, const QString& title,
                             const QString& defaultAnswer) = 0;
};

class ListMenu {
 public:
  virtual ~ListMenu() = default;
  // Shows the entries with the menu's top left corner at `at`, a point of
  // the screen; the chosen entry's number from 1, or 0 when the menu closed
  // without a choice.
  virtual int Popup(const QStringList& entries, const QPoint& at) = 0;
};

}  // namespace ferulo::app
