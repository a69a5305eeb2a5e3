#include "scripted_dialogs.h"

#include <QFileInfo>

namespace ferulo::app::test {

void ScriptedDialogs::ChooseFile(const QString& path, const QString& fileName) {
  fileAnswers_.push_back(ChosenFile{path, fileName});
}

void ScriptedDialogs::ChooseFile(const QString& path) {
  ChooseFile(path, QFileInfo(path).fileName());
}

ChosenFile ScriptedDialogs::AskForFile(QWidget* /*parent*/, const OpenFileRequest& request) {
  fileQuestions.append(request);
  if (fileAnswers_.empty()) {
    unexpected.append(QStringLiteral("open-file dialog"));
    return {};
  }
  ChosenFile answer = fileAnswers_.front();
  fileAnswers_.pop_front();
  return answer;
}

QString ScriptedDialogs::AskForText(QWidget* /*parent*/, const QString& prompt,
                                    const QString& title, const QString& defaultAnswer) {
  inputQuestions.append(InputQuestion{prompt, title, defaultAnswer});
  if (inputAnswers_.empty()) {
    unexpected.append(QStringLiteral("input box"));
    return {};
  }
  QString answer = inputAnswers_.front();
  inputAnswers_.pop_front();
  return answer;
}

int ScriptedDialogs::Popup(const QStringList& entries) {
  menus.append(entries);
  if (menuAnswers_.empty()) {
    unexpected.append(QStringLiteral("list menu"));
    return 0;
  }
  const int answer = menuAnswers_.front();
  menuAnswers_.pop_front();
  return answer;
}

void ScriptedDialogs::ShowMessage(QWidget* /*parent*/, const QString& text, const QString& title,
                                  MessageIcon icon) {
  messages.append(Message{text, title, icon});
}

}  // namespace ferulo::app::test
