#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>

#include "app/main_window.h"
#include "app/main_window_dialogs.h"

namespace ferulo::app::test {

// Answers the main window's questions from a script written by the test, and
// records every question asked. A question without a scripted answer is
// recorded as unexpected and answered with a cancel.
class ScriptedDialogs : public OpenFileDialog,
                        public InputBox,
                        public ListMenu,
                        public gui::MessageBoxes {
 public:
  struct InputQuestion {
    QString prompt;
    QString title;
    QString defaultAnswer;
  };
  // A message shown, or a question asked (acceptButton is not empty).
  struct Message {
    QString text;
    QString title;
    MessageIcon icon;
    QString informative;
    QString details;
    QString acceptButton;
  };

  void ChooseFile(const QString& path, const QString& fileName);
  void ChooseFile(const QString& path);  // the file name is the path's last part
  void CancelFileDialog() { ChooseFile(QString(), QString()); }
  void AnswerInput(const QString& text) { inputAnswers_.push_back(text); }
  void AnswerMenu(int number) { menuAnswers_.push_back(number); }
  // The next question is answered with its accept button (or not); a question
  // without a scripted answer is declined.
  void AnswerQuestion(bool accept) { questionAnswers_.push_back(accept); }

  [[nodiscard]] MainWindowDialogs dialogs() { return {*this, *this, *this, *this}; }

  ChosenFile AskForFile(QWidget* parent, const OpenFileRequest& request) override;
  QString AskForText(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;
  int Popup(const QStringList& entries, const QPoint& at) override;
  void Show(QWidget* parent, const gui::Message& message) override;
  bool Ask(QWidget* parent, const gui::Message& message, const QString& acceptButton,
           const QString& rejectButton) override;

  // What the window asked, in order.
  QList<OpenFileRequest> fileQuestions;
  QList<InputQuestion> inputQuestions;
  QList<QStringList> menus;
  QList<QPoint> menuPlaces;  // where each menu was to open, on the screen
  QList<Message> messages;
  QStringList unexpected;

  // True when every scripted answer was used.
  [[nodiscard]] bool allAnswersUsed() const {
    return fileAnswers_.empty() && inputAnswers_.empty() && menuAnswers_.empty() &&
           questionAnswers_.empty();
  }

 private:
  std::deque<ChosenFile> fileAnswers_;
  std::deque<QString> inputAnswers_;
  std::deque<int> menuAnswers_;
  std::deque<bool> questionAnswers_;
};

}  // namespace ferulo::app::test
