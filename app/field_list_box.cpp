#include "app/field_list_box.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace ferulo::app {

void FieldListBox::mousePressEvent(QMouseEvent* event) {
  QListWidget::mousePressEvent(event);
  if (!indexAt(event->position().toPoint()).isValid()) {
    // NoUpdate: a control-click on empty space keeps the selection it extends.
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
}

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
