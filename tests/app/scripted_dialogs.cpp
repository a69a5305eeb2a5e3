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

int ScriptedDialogs::Popup(const QStringList& entries, const QPoint& at) {
  menus.append(entries);
  menuPlaces.append(at);
  if (menuAnswers_.empty()) {
    unexpected.append(QStringLiteral("list menu"));
    return 0;
  }
  const int answer = menuAnswers_.front();
  menuAnswers_.pop_front();
  return answer;
}

void ScriptedDialogs::Show(QWidget* /*parent*/, const gui::Message& message) {
  messages.append(
      Message{message.text, message.title, message.icon, message.informative, message.details, {}});
}

bool ScriptedDialogs::Ask(QWidget* /*parent*/, const gui::Message& message,
                          const QString& acceptButton, const QString& /*rejectButton*/) {
  messages.append(Message{message.text, message.title, message.icon, message.informative,
                          message.details, acceptButton});
  if (questionAnswers_.empty()) {
    return false;
  }
  const bool answer = questionAnswers_.front();
  questionAnswers_.pop_front();
  return answer;
}

}  // namespace ferulo::app::test
