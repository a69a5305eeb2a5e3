#include "app/field_list_box.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace ferulo::app {

void ListBox::paintEvent(QPaintEvent* event) {
  QListWidget::paintEvent(event);
  // The view draws its focus mark around the current entry only.
  if (!hasFocus() || (count() > 0 && currentIndex().isValid())) {
    return;
  }
  QPainter painter(viewport());
  QStyleOptionFocusRect mark;
  mark.initFrom(viewport());
  // Shown whichever way the focus came, not only after the Tab key.
  mark.state |= QStyle::State_KeyboardFocusChange;
  mark.rect = viewport()->rect().adjusted(1, 1, -1, -1);
  mark.backgroundColor = palette().color(QPalette::Base);
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &mark, &painter, this);
}

QPoint FieldListBox::MenuPlaceForKeyboard() const {
  const QModelIndex current = currentIndex();
  const QRect entry = current.isValid() ? visualRect(current) : QRect();
  const QPoint place = entry.isValid() && viewport()->rect().intersects(entry)
                           ? entry.bottomLeft() + QPoint(entry.height() / 2, 1)
                           : QPoint(0, 0);
  return viewport()->mapToGlobal(place);
}

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
    Q_EMIT menuRequested(event->globalPosition().toPoint());
  }
}

// The Menu key and Shift+F10 are answered as key presses (below), on every
// platform alike; only the mouse's request is taken from here.
void FieldListBox::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() != QContextMenuEvent::Mouse) {
    event->ignore();
    return;
  }
  event->accept();
  Q_EMIT menuRequested(event->globalPos());
}

void FieldListBox::keyPressEvent(QKeyEvent* event) {
  const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
  if (event->key() == Qt::Key_Menu || shiftF10) {
    event->accept();
    Q_EMIT menuRequested(MenuPlaceForKeyboard());
    return;
  }
  switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
      Q_EMIT removeRequested();
      break;
    case Qt::Key_F2:
      Q_EMIT renameRequested();
      break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Q_EMIT menuRequested(MenuPlaceForKeyboard());
      break;
    default:
      break;
  }
  // The list still handles the key: Space, for one, selects the entry.
  QListWidget::keyPressEvent(event);
}

}  // namespace ferulo::app
