#pragma once

#include <QListWidget>
#include <QPoint>

namespace ferulo::app {

// A list box of the main window. One that has the keyboard focus but no entry
// to show it on (empty, or with no current entry) marks its whole inside, so
// that a keyboard user sees where the focus is.
class ListBox : public QListWidget {
  Q_OBJECT

 public:
  using QListWidget::QListWidget;

  // Small: the window's layout gives the lists their room.
  [[nodiscard]] QSize sizeHint() const override { return minimumSizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// One of the four field lists: a list box that reports the mouse and key
// gestures the main window answers with its list menu, a removal or a rename.
class FieldListBox : public ListBox {
  Q_OBJECT

 public:
  using ListBox::ListBox;

  // Where a menu asked for from the keyboard opens: below the current entry,
  // or at the top of the list where there is none.
  [[nodiscard]] QPoint MenuPlaceForKeyboard() const;

 Q_SIGNALS:
  // The menu for the list, its top left corner at `at` (screen coordinates):
  // at the pointer for a left-button release (after the list has handled it,
  // so the selection is final) and a right click; beside the current entry
  // for Space, Enter, the Menu key and Shift+F10.
  void menuRequested(QPoint at);
  // Delete or Backspace: remove the selected entries.
  void removeRequested();
  // F2: rename the current entry.
  void renameRequested();

 protected:
  // A press on empty space, below the entries or beside them, leaves no
  // current entry: the user sees none, so none may be renamed.
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace ferulo::app
