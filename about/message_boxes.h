#pragma once

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

namespace ferulo::about {

// The title of every message box that has none of its own.
inline constexpr char kApplicationTitle[] = "FERULO";

// The About window's messages. The window asks this interface so that tests
// can answer a message without a dialog blocking them.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // A modal box with the information icon, the text and one OK button; returns
  // once the user closed it.
  virtual void ShowInformation(QWidget* parent, const QString& title, const QString& text) = 0;
};

// Real Qt message boxes.
class QtMessageBoxes : public MessageBoxes {
 public:
  void ShowInformation(QWidget* parent, const QString& title, const QString& text) override;
};

// The box ShowInformation shows, built but not yet shown.
std::unique_ptr<QMessageBox> MakeInformationBox(QWidget* parent, const QString& title,
                                                const QString& text);

}  // namespace ferulo::about
