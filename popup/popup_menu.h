#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

namespace ferulo::popup {

// A popup menu of text entries shown at the mouse pointer (or at a point given). Popup blocks until
// the user chooses an entry or closes the menu, and reports the choice as the
// entry's number (from 1) and, through SelMenuString, as its text.
class cPopupMenu {
 public:
  // Longest text SelMenuString reports, in characters.
  static constexpr int kMaxSelectedTextLength = 254;

  // Shows one item per entry, in order; an entry that is "-" once blanks are
  // trimmed is a separator. Entry j gets the number j + 1, separators
  // included. Returns the chosen item's number, or 0 when the menu was closed
  // without a choice.
  int Popup(const QStringList& menuItems);
  // The same, with the menu's top left corner at a point of the screen: where
  // the keyboard asked for it, beside the entry it is about.
  int Popup(const QStringList& menuItems, const QPoint& at);

  // The text of the item chosen by the last Popup, trimmed of blanks and cut
  // to kMaxSelectedTextLength characters; empty after a Popup that returned 0.
  [[nodiscard]] QString SelMenuString() const { return selectedText_; }

 private:
  QString selectedText_;
};

}  // namespace ferulo::popup
