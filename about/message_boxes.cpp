#include "about/message_boxes.h"

#include <QMessageBox>

namespace ferulo::about {

std::unique_ptr<QMessageBox> MakeInformationBox(QWidget* parent, const QString& title,
                                                const QString& text) {
  return std::make_unique<QMessageBox>(QMessageBox::Information, title, text, QMessageBox::Ok,
                                       parent);
}

void QtMessageBoxes::ShowInformation(QWidget* parent, const QString& title, const QString& text) {
  MakeInformationBox(parent, title, text)->exec();
}

}  // namespace ferulo::about
