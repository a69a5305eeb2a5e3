#pragma once

#include <QString>

#include "common/message_icon.h"

class QWidget;

namespace ferulo::gui {

// The title of every message box that has none of its own.
inline constexpr char kApplicationTitle[] = "FERULO";

// What a message box says. An empty title shows kApplicationTitle.
struct Message {
  QString text;  // the message itself, in plain words
  QString title;
  MessageIcon icon = MessageIcon::Information;
  QString informative;  // a second part under the text, such as a list of files
  QString details;      // behind "Show Details": what only helps to find a cause
};

// The messages and questions FERULO's windows show. The windows ask this
// interface so that tests can answer without a dialog blocking them.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // A modal box with one OK button over parent. Returns once it is closed.
  virtual void Show(QWidget* parent, const Message& message) = 0;

  // A modal box with two buttons over parent. True where the user chose
  // acceptButton; false for rejectButton, Escape or closing the box. The
  // reject button is the default, so that Enter never replaces or discards
  // anything by mistake.
  virtual bool Ask(QWidget* parent, const Message& message, const QString& acceptButton,
                   const QString& rejectButton) = 0;

  void ShowMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) {
    Show(parent, Message{text, title, icon, {}, {}});
  }
};

// Real Qt message boxes.
class QtMessageBoxes : public MessageBoxes {
 public:
  void Show(QWidget* parent, const Message& message) override;
  bool Ask(QWidget* parent, const Message& message, const QString& acceptButton,
           const QString& rejectButton) override;
};

}  // namespace ferulo::gui
