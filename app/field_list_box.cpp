#include "app/field_list_box.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace ferulo::app {

void FieldListBox::mouseReleaseEvent(QMouseEvent* event) {
  const bool leftButton = event->button() == Qt::LeftButton;
  QListWidget::mouseReleaseEvent(event);
  if (leftButton) {
    Q_EMIT leftButtonReleased();
  }
}

void FieldListBox::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Backspace:
      Q_EMIT backspacePressed();
      break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Q_EMIT menuKeyPressed();
      break;
    default:
      break;
  }
  QListWidget::keyPressEvent(event);
}

}  // namespace ferulo::app
