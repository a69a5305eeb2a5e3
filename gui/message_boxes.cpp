#include "gui/message_boxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace ferulo::gui {

namespace {

QMessageBox::Icon QtIconOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Error:
      break;
  }
  return QMessageBox::Critical;
}

// Texts are shown as they are: a file or table name may hold '<'.
void Fill(QMessageBox& box, const Message& message) {
  box.setIcon(QtIconOf(message.icon));
  box.setWindowTitle(message.title.isEmpty() ? QString::fromLatin1(kApplicationTitle)
                                             : message.title);
  box.setTextFormat(Qt::PlainText);
  box.setText(message.text);
  box.setInformativeText(message.informative);
  box.setDetailedText(message.details);
}

}  // namespace

void QtMessageBoxes::Show(QWidget* parent, const Message& message) {
  QMessageBox box(parent);
  Fill(box, message);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

bool QtMessageBoxes::Ask(QWidget* parent, const Message& message, const QString& acceptButton,
                         const QString& rejectButton) {
  QMessageBox box(parent);
  Fill(box, message);
  QPushButton* accept = box.addButton(acceptButton, QMessageBox::AcceptRole);
  QPushButton* reject = box.addButton(rejectButton, QMessageBox::RejectRole);
  box.setDefaultButton(reject);
  box.setEscapeButton(reject);
  box.exec();
  return box.clickedButton() == accept;
}

}  // namespace ferulo::gui
