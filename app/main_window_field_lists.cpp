// Shaping the four field lists: the list menu, removal with the partner rule,
// and renaming through the input box.

#include <QListWidget>

#include "app/field_list_box.h"
#include "app/main_window.h"

namespace ferulo::app {

namespace {

enum ListMenuChoice { kNoChoice = 0, kDelete = 1, kEdit = 2, kCancel = 3 };

const QStringList& ListMenuEntries() {
  static const QStringList entries{QStringLiteral("Delete"), QStringLiteral("Edit"),
                                   QStringLiteral("Cancel")};
  return entries;
}

// The field name list (0) and the display name list (1) are paired by
// position; the filter and search name lists (2, 3) stand alone.
int PartnerOf(int index) {
  switch (index) {
    case 0:
      return 1;
    case 1:
      return 0;
    default:
      return -1;
  }
}

}  // namespace

void frmMain::EditFieldList(int index, QPoint at) {
  // The entry current when the menu was asked for: the list may take the
  // focus back from the menu, and a list without a current entry then makes
  // its first one current, which the user never chose.
  const int current = controls_.ListItem[static_cast<std::size_t>(index)]->currentRow();
  switch (dialogs_.listMenu.Popup(ListMenuEntries(), at)) {
    case kDelete:
      RemoveSelectedEntries(index);
      break;
    case kEdit:
      RenameEntry(index, current);
      break;
    default:
      break;
  }
}

void frmMain::RemoveSelectedEntries(int index) {
  QListWidget* list = controls_.ListItem[static_cast<std::size_t>(index)];
  const int partnerIndex = PartnerOf(index);
  QListWidget* partner =
      partnerIndex >= 0 ? controls_.ListItem[static_cast<std::size_t>(partnerIndex)] : nullptr;
  // From the last entry to the first, so the positions not yet visited stay
  // valid. The partner loses the same position, selected there or not.
  for (int row = list->count() - 1; row >= 0; --row) {
    if (!list->item(row)->isSelected()) {
      continue;
    }
    delete list->takeItem(row);
    if (partner != nullptr && row < partner->count()) {
      delete partner->takeItem(row);
    }
  }
}

void frmMain::RenameEntry(int index, int row) {
  QListWidget* list = controls_.ListItem[static_cast<std::size_t>(index)];
  if (row < 0 || row >= list->count()) {
    return;  // no current entry: nothing to rename
  }
  const QString answer = dialogs_.inputBox.AskForText(
      this, QStringLiteral("Please Input your data:"), QString(), list->item(row)->text());
  // An empty answer is a cancel. Anything else is taken exactly as typed.
  if (!answer.isEmpty() && row < list->count()) {
    list->item(row)->setText(answer);
  }
}

}  // namespace ferulo::app
