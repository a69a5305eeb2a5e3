#include "gui/message_boxes.h"

#include <QMessageBox>

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

}  // namespace

void QtMessageBoxes::ShowMessage(QWidget* parent, const QString& text, const QString& title,
                                 MessageIcon icon) {
  QMessageBox box(QtIconOf(icon), title.isEmpty() ? QString::fromLatin1(kApplicationTitle) : title,
                  text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace ferulo::gui
