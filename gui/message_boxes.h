#pragma once

#include <QString>

#include "common/message_icon.h"

class QWidget;

namespace ferulo::gui {

// The title of every message box that has none of its own.
inline constexpr char kApplicationTitle[] = "FERULO";

// The messages FERULO's windows show. The windows ask this interface so that
// tests can answer a message without a dialog blocking them.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // A modal box with the icon, the text and one OK button over parent; an
  // empty title shows kApplicationTitle. Returns once the user closed it.
  virtual void ShowMessage(QWidget* parent, const QString& text, const QString& title,
                           MessageIcon icon) = 0;
};

// Real Qt message boxes.
class QtMessageBoxes : public MessageBoxes {
 public:
  void ShowMessage(QWidget* parent, const QString& text, const QString& title,
                   MessageIcon icon) override;
};

}  // namespace ferulo::gui
