// The dialogs the program ships with, shown for real and answered from the
// event loop: what they show, and what they hand back to the window.

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "app/qt_dialogs.h"
#include "support/test_support.h"
#include "when_shown.h"

using ferulo::MessageIcon;
using ferulo::app::ChosenFile;
using ferulo::app::OpenFileRequest;
using ferulo::app::QtInputBox;
using ferulo::app::QtOpenFileDialog;
using ferulo::app::test::WhenShown;
using ferulo::gui::QtMessageBoxes;
namespace support = ferulo::test;

namespace {

const OpenFileRequest kDatabaseRequest{
    "Which database would you like to use ? ",
    {"Access Databases (*.mdb *.accdb)", "All Files (*)"},
    "Access Databases (*.mdb *.accdb)",
};

struct SeenFileDialog {
  QString title;
  QStringList filters;
  QString selectedFilter;
  QString folder;
};

// Answers the next file dialog with `file` (empty: Cancel), noting what it showed.
std::unique_ptr<WhenShown<QFileDialog>> AnswerFileDialog(SeenFileDialog& seen,
                                                         const QString& file) {
  return std::make_unique<WhenShown<QFileDialog>>([&seen, file](QFileDialog* dialog) {
    seen = {dialog->windowTitle(), dialog->nameFilters(), dialog->selectedNameFilter(),
            dialog->directory().absolutePath()};
    if (file.isEmpty()) {
      dialog->reject();
    } else {
      dialog->selectFile(file);
      static_cast<QDialog*>(dialog)->accept();  // as the Open button does
    }
  });
}

}  // namespace

class QtDialogsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void fileDialogShowsTitleAndFilters();
  void fileDialogReportsPathAndName_data();
  void fileDialogReportsPathAndName();
  void inputBoxShowsPromptTitleAndDefault_data();
  void inputBoxShowsPromptTitleAndDefault();
  void messageBoxShowsTextTitleAndIcon_data();
  void messageBoxShowsTextTitleAndIcon();
  void questionHasItsButtonsAndDetails_data();
  void questionHasItsButtonsAndDetails();
};

void QtDialogsTest::fileDialogShowsTitleAndFilters() {
  SeenFileDialog seen;
  QtOpenFileDialog dialog;
  auto user = AnswerFileDialog(seen, QString());
  const ChosenFile cancelled = dialog.AskForFile(nullptr, kDatabaseRequest);
  QVERIFY(user->answered());
  QVERIFY(cancelled.path.isEmpty());
  QVERIFY(cancelled.fileName.isEmpty());
  QCOMPARE(seen.title, QString("Which database would you like to use ? "));
  QCOMPARE(seen.filters, kDatabaseRequest.nameFilters);
  QCOMPARE(seen.selectedFilter, kDatabaseRequest.selectedNameFilter);
}

void QtDialogsTest::fileDialogReportsPathAndName_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("an Access file") << "shop.mdb";
  QTest::newRow("any other file") << "notes.txt";
  QTest::newRow("a blank in the name") << "my shop.mdb";
  // Typed into the dialog but not on disk: opening it reports the error.
  QTest::newRow("a name that names no file") << "missing.mdb";
}

void QtDialogsTest::fileDialogReportsPathAndName() {
  QFETCH(QString, name);
  support::TempDir folder;
  const QString folderPath = QString::fromStdString(folder.str());
  if (name != "missing.mdb") {
    support::WriteFile(folder.path() / name.toStdString(), "content");
  }

  SeenFileDialog seen;
  QtOpenFileDialog dialog;
  auto first = AnswerFileDialog(seen, folderPath + "/" + name);
  const ChosenFile chosen = dialog.AskForFile(nullptr, kDatabaseRequest);
  QVERIFY(first->answered());
  QCOMPARE(chosen.path, folderPath + "/" + name);
  QCOMPARE(chosen.fileName, name);

  // It opens in the folder the request names.
  OpenFileRequest inFolder = kDatabaseRequest;
  inFolder.folder = folderPath;
  auto second = AnswerFileDialog(seen, QString());
  QCOMPARE(dialog.AskForFile(nullptr, inFolder).path, QString());
  QVERIFY(second->answered());
  QCOMPARE(seen.folder, folderPath);
}

void QtDialogsTest::inputBoxShowsPromptTitleAndDefault_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<bool>("confirm");
  QTest::addColumn<QString>("answer");
  QTest::newRow("OK with a new text") << "Client" << true << "Client";
  QTest::newRow("OK with the offered text") << QString() << true << "Customer";
  QTest::newRow("OK with two blanks") << "  " << true << "  ";
  QTest::newRow("Cancel after typing") << "Client" << false << "";
}

void QtDialogsTest::inputBoxShowsPromptTitleAndDefault() {
  QFETCH(QString, typed);
  QFETCH(bool, confirm);
  QFETCH(QString, answer);

  QString title = "unset";
  QString prompt;
  QString offered;
  WhenShown<QInputDialog> user([&](QInputDialog* box) {
    title = box->windowTitle();
    prompt = box->labelText();
    offered = box->textValue();
    if (!typed.isNull()) {
      box->setTextValue(typed);
    }
    confirm ? box->accept() : box->reject();
  });
  QtInputBox inputBox;
  QCOMPARE(inputBox.AskForText(nullptr, "Please Input your data:", "", "Customer"), answer);
  QVERIFY(user.answered());
  QCOMPARE(title, QString(""));
  QCOMPARE(prompt, QString("Please Input your data:"));
  QCOMPARE(offered, QString("Customer"));
}

void QtDialogsTest::messageBoxShowsTextTitleAndIcon_data() {
  QTest::addColumn<QString>("title");
  QTest::addColumn<int>("icon");
  QTest::addColumn<QString>("shownTitle");
  QTest::addColumn<int>("shownIcon");
  QTest::newRow("success") << "Success" << int(MessageIcon::Information) << "Success"
                           << int(QMessageBox::Information);
  QTest::newRow("refusal") << "Error" << int(MessageIcon::Error) << "Error"
                           << int(QMessageBox::Critical);
  QTest::newRow("no title of its own")
      << "" << int(MessageIcon::Error) << "FERULO" << int(QMessageBox::Critical);
}

void QtDialogsTest::messageBoxShowsTextTitleAndIcon() {
  QFETCH(QString, title);
  QFETCH(int, icon);
  QFETCH(QString, shownTitle);
  QFETCH(int, shownIcon);

  QString seenText;
  QString seenTitle;
  int seenIcon = -1;
  int buttons = 0;
  WhenShown<QMessageBox> user([&](QMessageBox* box) {
    seenText = box->text();
    seenTitle = box->windowTitle();
    seenIcon = box->icon();
    buttons = static_cast<int>(box->buttons().size());
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  });
  QtMessageBoxes boxes;
  boxes.ShowMessage(nullptr, "ASP Files created successfully !", title,
                    static_cast<MessageIcon>(icon));
  QVERIFY(user.answered());
  QCOMPARE(seenText, QString("ASP Files created successfully !"));
  QCOMPARE(seenTitle, shownTitle);
  QCOMPARE(seenIcon, shownIcon);
  QCOMPARE(buttons, 1);
}

// Two buttons, the safe one the default; the details behind "Show Details".
void QtDialogsTest::questionHasItsButtonsAndDetails_data() {
  QTest::addColumn<int>("answer");  // 0 accept, 1 reject, 2 Escape, 3 Enter
  QTest::addColumn<bool>("accepted");
  QTest::newRow("Replace") << 0 << true;
  QTest::newRow("Cancel") << 1 << false;
  QTest::newRow("Escape") << 2 << false;
  QTest::newRow("Enter") << 3 << false;
}

void QtDialogsTest::questionHasItsButtonsAndDetails() {
  QFETCH(int, answer);
  QFETCH(bool, accepted);
  QStringList buttons;
  QString details;
  QString informative;
  WhenShown<QMessageBox> user([&](QMessageBox* box) {
    for (QAbstractButton* button : box->buttons()) {
      if (box->buttonRole(button) != QMessageBox::ActionRole) {  // not "Show Details..."
        buttons.append(button->text());
      }
    }
    buttons.sort();
    details = box->detailedText();
    informative = box->informativeText();
    const QList<QAbstractButton*> shown = box->buttons();
    switch (answer) {
      case 0:
      case 1: {
        const QString wanted = answer == 0 ? "&Replace" : "Cancel";
        for (QAbstractButton* button : shown) {
          if (button->text() == wanted) {
            QTest::mouseClick(button, Qt::LeftButton);
          }
        }
        break;
      }
      case 2:
        QTest::keyClick(box, Qt::Key_Escape);
        break;
      default:
        QTest::keyClick(box, Qt::Key_Return);
        break;
    }
  });
  QtMessageBoxes boxes;
  const bool result = boxes.Ask(nullptr,
                                ferulo::gui::Message{"These files exist", "", MessageIcon::Warning,
                                                     "Replace them?", "libmdb reported: something"},
                                "&Replace", "Cancel");
  QVERIFY(user.answered());
  QCOMPARE(result, accepted);
  QCOMPARE(buttons, (QStringList{"&Replace", "Cancel"}));
  QCOMPARE(informative, QString("Replace them?"));
  QCOMPARE(details, QString("libmdb reported: something"));
}

QTEST_MAIN(QtDialogsTest)
#include "qt_dialogs_test.moc"
