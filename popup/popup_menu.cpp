#include "popup/popup_menu.h"

#include <algorithm>

#include <QAction>
#include <QCursor>
#include <QMenu>

namespace ferulo::popup {

namespace {

// Only spaces count as blanks; tabs and other white space stay.
QString TrimBlanks(const QString& text) {
  qsizetype first = 0;
  qsizetype end = text.size();
  while (first < end && text.at(first) == QLatin1Char(' ')) {
    ++first;
  }
  while (end > first && text.at(end - 1) == QLatin1Char(' ')) {
    --end;
  }
  return text.mid(first, end - first);
}

bool IsSeparatorEntry(const QString& entry) {
  return TrimBlanks(entry) == QLatin1String("-");
}

// The menu hands back at most kMaxSelectedTextLength characters of an item,
// which are then trimmed. A cut never splits a surrogate pair.
QString SelectedTextOf(const QString& entry) {
  qsizetype length = std::min<qsizetype>(entry.size(), cPopupMenu::kMaxSelectedTextLength);
  if (length < entry.size() && length > 0 && entry.at(length - 1).isHighSurrogate()) {
    --length;
  }
  return TrimBlanks(entry.left(length));
}

}  // namespace

int cPopupMenu::Popup(const QStringList& menuItems) {
  return Popup(menuItems, QCursor::pos());
}

int cPopupMenu::Popup(const QStringList& menuItems, const QPoint& at) {
  QMenu menu;
  for (qsizetype index = 0; index < menuItems.size(); ++index) {
    const QString& entry = menuItems.at(index);
    QAction* item = IsSeparatorEntry(entry) ? menu.addSeparator() : menu.addAction(entry);
    item->setData(static_cast<int>(index + 1));
  }

  const QAction* chosen = menu.exec(at);
  const int number = chosen != nullptr ? chosen->data().toInt() : 0;
  selectedText_ = number > 0 ? SelectedTextOf(menuItems.at(number - 1)) : QString();
  return number;
}

}  // namespace ferulo::popup
