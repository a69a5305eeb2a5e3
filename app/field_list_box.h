#pragma once

#include <QListWidget>

namespace ferulo::app {

// One of the four field lists: a list box that reports the mouse and key
// gestures the main window answers with its list menu.
class FieldListBox : public QListWidget {
  Q_OBJECT

 public:
  using QListWidget::QListWidget;

 Q_SIGNALS:
  // After the list has handled the release, so the selection is final.
  void leftButtonReleased();
  // Before the list handles the key; the list still receives it afterwards.
  void menuKeyPressed();
  void backspacePressed();

 protected:
  // A press on empty space, below the entries or beside them, leaves no
  // current entry: the user sees none, so none may be renamed.
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace ferulo::app
