// The main window as it opens: caption, controls, texts, focus, places; and
// the actions that reach beyond it ("About", "Exit", typing into the boxes).

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "about/about_window.h"
#include "about_test_support.h"
#include "app/ferulo_program.h"
#include "fake_database.h"
#include "window_harness.h"

using ferulo::app::FeruloProgram;
using ferulo::app::frmMain;
using ferulo::app::test::FakeDatabase;
using ferulo::app::test::WindowHarness;

namespace {

const QStringList kFieldListNames{"ListItem0", "ListItem1", "ListItem2", "ListItem3"};

QStringList AllControlNames() {
  return QStringList{"Frame1",        "Label1", "Label2",    "Label3",   "Label4",    "Label5",
                     "Label6",        "Label7", "ListTable", "txtInput", "txtOutput", "btnSelectDB",
                     "btnSelectPath", "start",  "aboutus",   "quitsys"} +
         kFieldListNames;
}

// Where a control sits in the window's client area.
QRect PlaceInWindow(QWidget* control, QWidget* window) {
  return QRect(control->mapTo(window, QPoint(0, 0)), control->size());
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void opensWithItsCaptionAndIcon();
  void controlsCarryTheirTexts_data();
  void controlsCarryTheirTexts();
  void listsUseTheirSelectionModes_data();
  void listsUseTheirSelectionModes();
  void startsEmpty();
  void selectPathButtonIsNeverShown();
  void commandButtonsUseTheClassicFont();
  void tabWalksTheFocusOrderFromTxtInput();
  void controlsFollowTheLayoutInOutline();
  void listsShareWhatTheWindowGains();
  void opensCentredOnTheScreen();
  void typingIntoTheBoxesRunsNothing();
  void aboutAndExitButtonsRunTheirActions();
  void exitEndsTheProgramWithEveryWindow();
};

void MainWindowTest::opensWithItsCaptionAndIcon() {
  FakeDatabase database;
  WindowHarness harness(database);
  QCOMPARE(harness.window().windowTitle(),
           QString("FERULO - Create Active Server Page from an Access Database"));
  QVERIFY(!harness.window().windowIcon().isNull());
  for (const QString& name : AllControlNames()) {
    QVERIFY2(harness.Find<QWidget>(name) != nullptr, qPrintable(name));
  }
}

void MainWindowTest::controlsCarryTheirTexts_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("toolTip");

  QTest::newRow("Label1") << "Label1"
                          << "Table Name"
                          << "";
  QTest::newRow("Label2") << "Label2"
                          << "Field Name"
                          << "";
  QTest::newRow("Label3") << "Label3"
                          << "Display Name"
                          << "";
  QTest::newRow("Label4") << "Label4"
                          << "Filter Name"
                          << "";
  QTest::newRow("Label5") << "Label5"
                          << "Search Name"
                          << "";
  QTest::newRow("Label6") << "Label6"
                          << "Input Database:"
                          << "";
  QTest::newRow("Label7") << "Label7"
                          << "Output Path:"
                          << "";
  QTest::newRow("btnSelectDB") << "btnSelectDB"
                               << "Select..."
                               << "";
  QTest::newRow("btnSelectPath") << "btnSelectPath"
                                 << "Select..."
                                 << "";
  QTest::newRow("start") << "start"
                         << "Start"
                         << "";
  QTest::newRow("aboutus") << "aboutus"
                           << "About"
                           << "";
  QTest::newRow("quitsys") << "quitsys"
                           << "Exit"
                           << "";
  QTest::newRow("ListTable") << "ListTable" << QString() << "please select a table";
  for (const QString& name : kFieldListNames) {
    QTest::newRow(qPrintable(name)) << name << QString() << "click to make it";
  }
  QTest::newRow("Frame1 has no caption") << "Frame1" << QString() << "";
}

void MainWindowTest::controlsCarryTheirTexts() {
  QFETCH(QString, control);
  QFETCH(QString, text);
  QFETCH(QString, toolTip);

  FakeDatabase database;
  WindowHarness harness(database);
  QWidget* widget = harness.Find<QWidget>(control);
  QVERIFY(widget != nullptr);
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
    QCOMPARE(frame->title(), text);
  } else if (!text.isNull()) {
    // The '&' marks the access key and is not shown.
    QCOMPARE(widget->property("text").toString().remove('&'), text);
  }
  QCOMPARE(widget->toolTip(), toolTip);
}

void MainWindowTest::listsUseTheirSelectionModes_data() {
  QTest::addColumn<QString>("list");
  QTest::addColumn<int>("mode");
  QTest::newRow("ListTable") << "ListTable" << int(QAbstractItemView::SingleSelection);
  for (const QString& name : kFieldListNames) {
    QTest::newRow(qPrintable(name)) << name << int(QAbstractItemView::ExtendedSelection);
  }
}

void MainWindowTest::listsUseTheirSelectionModes() {
  QFETCH(QString, list);
  QFETCH(int, mode);
  FakeDatabase database;
  WindowHarness harness(database);
  auto* box = harness.Find<QListWidget>(list);
  QVERIFY(box != nullptr);
  QCOMPARE(int(box->selectionMode()), mode);
  QVERIFY(!box->isSortingEnabled());
}

void MainWindowTest::startsEmpty() {
  FakeDatabase database;
  WindowHarness harness(database);
  QCOMPARE(harness.txtInput()->text(), QString());
  QCOMPARE(harness.txtOutput()->text(), QString());
  QCOMPARE(harness.ListTable()->count(), 0);
  for (int list = 0; list < 4; ++list) {
    QCOMPARE(harness.ListItem(list)->count(), 0);
  }
}

void MainWindowTest::selectPathButtonIsNeverShown() {
  FakeDatabase database;
  WindowHarness harness(database);
  QVERIFY(!harness.Button("btnSelectPath")->isVisible());
  int visibleSelectButtons = 0;
  for (const QPushButton* button : harness.window().findChildren<QPushButton*>()) {
    if (button->isVisible() && button->text().remove('&') == "Select...") {
      ++visibleSelectButtons;
    }
  }
  QCOMPARE(visibleSelectButtons, 1);
}

void MainWindowTest::commandButtonsUseTheClassicFont() {
  FakeDatabase database;
  WindowHarness harness(database);
  for (const char* name : {"start", "aboutus", "quitsys"}) {
    const QFont font = harness.Button(name)->font();
    QCOMPARE(font.family(), QString("MS Sans Serif"));
    QCOMPARE(font.pointSizeF(), 9.75);
  }
  // Everything else keeps the window's own font.
  for (const QString& name : {QString("btnSelectDB"), QString("txtInput"), QString("ListTable"),
                              QString("Label1"), QString("ListItem0")}) {
    QCOMPARE(harness.Find<QWidget>(name)->font(), harness.window().font());
  }
}

void MainWindowTest::tabWalksTheFocusOrderFromTxtInput() {
  FakeDatabase database;
  WindowHarness harness(database);
  harness.window().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&harness.window()));
  QCOMPARE(QApplication::focusWidget(), harness.txtInput());

  // Top to bottom, left to right, as the controls stand.
  const QStringList expected{"btnSelectDB", "txtOutput", "start",     "aboutus",
                             "quitsys",     "ListTable", "ListItem0", "ListItem1",
                             "ListItem2",   "ListItem3", "txtInput"};
  QStringList walked;
  for (int step = 0; step < expected.size(); ++step) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    walked.append(QApplication::focusWidget()->objectName());
  }
  QCOMPARE(walked, expected);
}

void MainWindowTest::controlsFollowTheLayoutInOutline() {
  FakeDatabase database;
  WindowHarness harness(database);
  QWidget* window = &harness.window();
  const auto place = [&](const QString& name) {
    return PlaceInWindow(harness.Find<QWidget>(name), window);
  };

  const QRect frame = place("Frame1");
  QVERIFY(QRect(QPoint(0, 0), window->size()).contains(frame));
  for (const QString& name : AllControlNames()) {
    if (name != "Frame1") {
      QVERIFY2(frame.contains(place(name)), qPrintable(name));
    }
  }

  // Five lists side by side, equal heights, each under its heading.
  const QStringList lists = QStringList{"ListTable"} + kFieldListNames;
  for (int column = 0; column < lists.size(); ++column) {
    const QRect list = place(lists[column]);
    const QRect heading = place(QString("Label%1").arg(column + 1));
    QVERIFY(heading.bottom() <= list.top());
    QVERIFY(heading.left() >= list.left() && heading.left() < list.right());
    QCOMPARE(list.height(), place("ListTable").height());
    QCOMPARE(list.top(), place("ListTable").top());
    if (column > 0) {
      QVERIFY(place(lists[column - 1]).right() < list.left());
    }
  }

  // The database row, then the output row, then the three buttons.
  const QRect input = place("txtInput");
  const QRect output = place("txtOutput");
  QVERIFY(place("ListTable").bottom() < input.top());
  QVERIFY(input.bottom() < output.top());
  QCOMPARE(output.width(), input.width());
  QCOMPARE(output.left(), input.left());
  QVERIFY(place("Label6").right() < input.left());
  QVERIFY(place("Label7").right() < output.left());
  QVERIFY(input.right() < place("btnSelectDB").left());
  QCOMPARE(place("btnSelectPath").left(), place("btnSelectDB").left());
  QVERIFY(place("btnSelectPath").top() > place("btnSelectDB").top());
  const QRect start = place("start");
  QVERIFY(output.bottom() < start.top());
  QVERIFY(start.right() < place("aboutus").left());
  QVERIFY(place("aboutus").right() < place("quitsys").left());
  QCOMPARE(place("aboutus").top(), start.top());
  QCOMPARE(place("quitsys").top(), start.top());
}

// The lists share what the window gains, alike; the window keeps a least
// size at which every list shows a few names and every text its room.
void MainWindowTest::listsShareWhatTheWindowGains() {
  FakeDatabase database;
  WindowHarness harness(database);
  const QStringList lists = QStringList{"ListTable"} + kFieldListNames;
  QList<QSize> before;
  for (const QString& name : lists) {
    before.append(harness.Find<QWidget>(name)->size());
  }
  const QSize start = harness.Button("start")->size();
  harness.window().resize(harness.window().size() + QSize(250, 150));
  QTest::qWait(20);
  for (int i = 0; i < lists.size(); ++i) {
    const QSize grown = harness.Find<QWidget>(lists[i])->size() - before[i];
    QVERIFY2(grown.width() >= 40 && grown.width() <= 60, qPrintable(lists[i]));
    QVERIFY2(grown.height() >= 140, qPrintable(lists[i]));
  }
  QCOMPARE(harness.Button("start")->size(), start);

  harness.window().resize(1, 1);
  QTest::qWait(20);
  const int lineHeight = harness.window().fontMetrics().height();
  QVERIFY2(harness.ListTable()->height() >= 3 * lineHeight,
           qPrintable(QString::number(harness.ListTable()->height())));
  QVERIFY(harness.window().width() >= 5 * harness.ListTable()->width());
}

void MainWindowTest::opensCentredOnTheScreen() {
  FakeDatabase database;
  WindowHarness harness(database);
  const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
  const QPoint windowCentre = harness.window().geometry().center();
  QVERIFY2((windowCentre - screenCentre).manhattanLength() <= 2,
           qPrintable(QString("window centre %1,%2 screen centre %3,%4")
                          .arg(windowCentre.x())
                          .arg(windowCentre.y())
                          .arg(screenCentre.x())
                          .arg(screenCentre.y())));
}

void MainWindowTest::typingIntoTheBoxesRunsNothing() {
  FakeDatabase database;
  database.Add("/data/typed.mdb", {{{"Orders", {"OrderID"}, {}}}, {}, {}});
  WindowHarness harness(database);
  // Typing alone: Enter in a box is an action of its own.
  QTest::keyClicks(harness.txtInput(), "/data/typed.mdb");
  QTest::keyClicks(harness.txtOutput(), "/data/out/");
  harness.Settle();

  QCOMPARE(harness.txtInput()->text(), QString("/data/typed.mdb"));
  QCOMPARE(harness.txtOutput()->text(), QString("/data/out/"));
  QCOMPARE(harness.ListTable()->count(), 0);
  QVERIFY(harness.dialogs().fileQuestions.isEmpty());
  QVERIFY(harness.dialogs().messages.isEmpty());
}

void MainWindowTest::aboutAndExitButtonsRunTheirActions() {
  FakeDatabase database;
  WindowHarness harness(database);
  harness.Click("aboutus");
  harness.Click("aboutus");
  QCOMPARE(harness.aboutRequests(), 2);
  QCOMPARE(harness.endRequests(), 0);
  harness.Click("quitsys");
  QCOMPARE(harness.endRequests(), 1);
  QVERIFY(harness.dialogs().messages.isEmpty());
}

// The program as shipped: "Exit" leaves the event loop with 0 at once, and no
// window, the About window included, stays on screen.
void MainWindowTest::exitEndsTheProgramWithEveryWindow() {
  FeruloProgram program([] { ferulo::about::ShowAboutWindow(); });
  QPointer<QWidget> about;
  bool aboutOpened = false;
  QObject guard;
  QTimer::singleShot(0, &guard, [&] {
    QTest::mouseClick(program.window().findChild<QPushButton*>("aboutus"), Qt::LeftButton);
    about = ferulo::about::test::ShownAboutWindow();
    aboutOpened = about != nullptr && about->isVisible();
    QTest::mouseClick(program.window().findChild<QPushButton*>("quitsys"), Qt::LeftButton);
  });
  // A loop that "Exit" failed to end fails the test instead of hanging it.
  QTimer::singleShot(10000, &guard, [] { QCoreApplication::exit(99); });
  QCOMPARE(program.Run(), 0);
  QVERIFY2(aboutOpened, "About showed no window");
  QVERIFY(!program.window().isVisible());
  QVERIFY(about.isNull() || !about->isVisible());
  for (const QWidget* window : QApplication::topLevelWidgets()) {
    QVERIFY2(!window->isVisible(), qPrintable(window->windowTitle()));
  }
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
