#include "app/qt_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>

#include "popup/popup_menu.h"

namespace ferulo::app {

ChosenFile QtOpenFileDialog::AskForFile(QWidget* parent, const OpenFileRequest& request) {
  QFileDialog dialog(parent, request.title, request.folder);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name that names no file is returned too; opening it then fails
  // with a message naming it.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(request.nameFilters);
  dialog.selectNameFilter(request.selectedNameFilter);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return {};
  }
  const QFileInfo chosen(dialog.selectedFiles().constFirst());
  return ChosenFile{chosen.filePath(), chosen.fileName()};
}

QString QtInputBox::AskForText(QWidget* parent, const QString& prompt, const QString& title,
                               const QString& defaultAnswer) {
  QInputDialog box(parent);
  box.setInputMode(QInputDialog::TextInput);
  box.setWindowTitle(title);
  box.setLabelText(prompt);
  box.setTextValue(defaultAnswer);
  return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

int PopupListMenu::Popup(const QStringList& entries, const QPoint& at) {
  popup::cPopupMenu menu;
  return menu.Popup(entries, at);
}

}  // namespace ferulo::app
