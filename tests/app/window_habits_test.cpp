// What a desktop user expects of the window: the database box is honest, a
// slow read never freezes it, keys and screen readers reach every control,
// files open by dropping them or from the recent list, and its icon has every
// size the install draws.

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "app/access_database.h"
#include "fake_database.h"
#include "support/test_support.h"
#include "window_harness.h"

using ferulo::MessageIcon;
using ferulo::app::AccessDatabaseLayer;
using ferulo::app::test::FakeDatabase;
using ferulo::app::test::WindowHarness;
namespace support = ferulo::test;
namespace fs = std::filesystem;

namespace {

// Two databases that both have the table news.
FakeDatabase TwoDatabases() {
  FakeDatabase database;
  database.Add("/data/shop.mdb", {{{"news", {"id", "title"}, {}}}, {}, {}});
  database.Add("/data/copy.mdb", {{{"news", {"id", "title"}, {}}, {"more", {"x"}, {}}}, {}, {}});
  return database;
}

void WriteTemplates(const fs::path& folder) {
  for (const char* name : {"filelist.dat", "fileedit.dat", "filefilter.dat"}) {
    support::WriteFile(folder / name, "<!--@NAME@-->");
  }
  support::WriteFile(folder / "pagehelpers.vbs", "");
}

// A file the reader stand-in never answers for (tests/database).
std::string HangingDatabase(const support::TempDir& folder) {
  std::string bytes("\0\1\0\0Standard Jet DB\0", 20);
  bytes.resize(4096, '\0');
  support::WriteFile(folder.path() / "hang", bytes);
  return folder.file("hang");
}

ferulo::database::ReaderOptions StandInReader(std::chrono::milliseconds timeout) {
  ferulo::database::ReaderOptions options;
  options.readerExecutable = support::BinDir() + "/ferulo-fake-mdb-reader";
  options.timeout = timeout;
  return options;
}

}  // namespace

class WindowHabitsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void databaseBoxIsHonest_data();
  void databaseBoxIsHonest();
  void slowReadKeepsTheWindowAlive();
  void closingDuringAReadIsSafe();
  void labelsNameAndReachTheirControls();
  void enterPressesStart_data();
  void enterPressesStart();
  void emptyListShowsTheFocus();
  void droppedFileOpens();
  void recentDatabasesAreRemembered();
  void iconHasEverySizeInstalled();
};

// The box names the database the pages are made for: Enter in it opens what
// it names, and Start opens a file typed there since first; a file that does
// not open writes nothing and leaves the window as it was.
void WindowHabitsTest::databaseBoxIsHonest_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<bool>("byEnter");
  QTest::addColumn<QString>("written");  // the page base name written; "" for none
  QTest::newRow("Enter opens the typed file") << "/data/copy.mdb" << true << QString();
  QTest::newRow("Start opens the typed file first") << "/data/copy.mdb" << false << "copy";
  QTest::newRow("Start with a file that does not open") << "/data/none.mdb" << false << QString();
}

void WindowHabitsTest::databaseBoxIsHonest() {
  QFETCH(QString, typed);
  QFETCH(bool, byEnter);
  QFETCH(QString, written);
  support::TempDir programDirectory;
  WriteTemplates(programDirectory.path());
  support::TempDir output;
  FakeDatabase database = TwoDatabases();
  WindowHarness harness(database, QString::fromStdString(programDirectory.str()));
  harness.SelectDatabase(QString("/data/shop.mdb"));
  harness.ClickTable("news");
  harness.txtOutput()->setText(QString::fromStdString(output.str() + "/"));
  const auto lists = harness.AllFieldLists();
  harness.txtInput()->setText(typed);
  if (byEnter) {
    harness.Press(harness.txtInput(), Qt::Key_Return);
  } else {
    harness.Click("start");
  }

  const bool opens = typed != "/data/none.mdb";
  QCOMPARE(harness.Tables().size(), opens && typed == "/data/copy.mdb" ? 2 : 1);
  QCOMPARE(harness.window().windowTitle(),
           QString(opens ? "copy.mdb - FERULO" : "shop.mdb - FERULO"));
  QCOMPARE(harness.AllFieldLists(), lists);
  QCOMPARE(harness.txtInput()->text(), typed);
  std::vector<std::string> files = support::ListFolder(output.path());
  if (written.isEmpty()) {
    QVERIFY(files.empty());
  } else {
    QCOMPARE(files, (std::vector<std::string>{"copyedit.asp", "copyfilter.asp", "copylist.asp",
                                              "db.asp"}));
  }
  if (!opens) {
    QCOMPARE(harness.dialogs().messages.size(), 1);
    QVERIFY(harness.dialogs().messages.first().text.contains("none.mdb"));
  }
}

// A read that takes the reader its full time: the event loop keeps running,
// the pointer is busy, only Exit answers, and then the error is shown and the
// controls come back.
void WindowHabitsTest::slowReadKeepsTheWindowAlive() {
  support::TempDir folder;
  AccessDatabaseLayer reader(StandInReader(std::chrono::milliseconds(1500)));
  WindowHarness harness(reader);
  harness.dialogs().ChooseFile(QString::fromStdString(HangingDatabase(folder)));
  QTest::mouseClick(harness.Button("btnSelectDB"), Qt::LeftButton);

  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  ticker.start(50);
  QVERIFY(harness.window().isReading());
  QTest::qWait(500);
  QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
  QCOMPARE(QApplication::overrideCursor() != nullptr, true);
  QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  QVERIFY(!harness.Button("start")->isEnabled());
  QVERIFY(!harness.ListTable()->isEnabled());
  QVERIFY(!harness.txtInput()->isEnabled());
  harness.Click("quitsys");  // waits for the read to end, too
  QCOMPARE(harness.endRequests(), 1);

  QCOMPARE(harness.dialogs().messages.size(), 1);
  QVERIFY(harness.dialogs().messages.first().text.startsWith("Error 9003: "));
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QVERIFY(harness.Button("start")->isEnabled());
  QVERIFY(harness.txtInput()->isEnabled());
}

// The window closed and destroyed while its read runs: nothing is shown and
// nothing breaks.
void WindowHabitsTest::closingDuringAReadIsSafe() {
  support::TempDir folder;
  AccessDatabaseLayer reader(StandInReader(std::chrono::milliseconds(800)));
  {
    WindowHarness harness(reader);
    harness.dialogs().ChooseFile(QString::fromStdString(HangingDatabase(folder)));
    QTest::mouseClick(harness.Button("btnSelectDB"), Qt::LeftButton);
    QVERIFY(harness.window().isReading());
    harness.window().close();
  }
  QTest::qWait(100);
  QCOMPARE(QApplication::overrideCursor(), nullptr);
}

// Each label names its list or box (for screen readers) and moves the focus
// there with its access key.
void WindowHabitsTest::labelsNameAndReachTheirControls() {
  FakeDatabase database;
  WindowHarness harness(database);
  harness.window().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&harness.window()));
  const QList<std::pair<QString, QString>> pairs{{"Label1", "ListTable"}, {"Label2", "ListItem0"},
                                                 {"Label3", "ListItem1"}, {"Label4", "ListItem2"},
                                                 {"Label5", "ListItem3"}, {"Label6", "txtInput"},
                                                 {"Label7", "txtOutput"}};
  for (const auto& [labelName, controlName] : pairs) {
    auto* label = harness.Find<QLabel>(labelName);
    QWidget* control = harness.Find<QWidget>(controlName);
    QString spoken = label->text().remove('&');
    spoken.remove(QRegularExpression(":$"));
    QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), spoken);
    const int amp = label->text().indexOf('&');
    QVERIFY2(amp >= 0, qPrintable(labelName));
    const QChar key = label->text().at(amp + 1).toUpper();
    QTest::keyClick(&harness.window(), static_cast<Qt::Key>(key.unicode()), Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), controlName);
  }
}

// Start is the default button: Enter on it, or in the output path box,
// presses it.
void WindowHabitsTest::enterPressesStart_data() {
  QTest::addColumn<QString>("from");
  QTest::newRow("on Start") << "start";
  QTest::newRow("in the output path box") << "txtOutput";
}

void WindowHabitsTest::enterPressesStart() {
  QFETCH(QString, from);
  FakeDatabase database;
  WindowHarness harness(database);
  QTest::keyClick(harness.Find<QWidget>(from), Qt::Key_Return);
  harness.Settle();
  QCOMPARE(harness.dialogs().messages.size(), 1);
  QCOMPARE(harness.dialogs().messages.first().text,
           QString("Please select an access database first !"));
}

// A list that the keyboard gave the focus and that has no entry shows that it
// has the focus.
void WindowHabitsTest::emptyListShowsTheFocus() {
  FakeDatabase database;
  WindowHarness harness(database);
  harness.window().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&harness.window()));
  for (QListWidget* list : {harness.ListTable(), harness.ListItem(2)}) {
    harness.txtInput()->setFocus(Qt::TabFocusReason);
    QTest::qWait(20);
    const QImage without = list->viewport()->grab().toImage();
    list->setFocus(Qt::TabFocusReason);
    QTest::qWait(20);
    QVERIFY(list->hasFocus());
    QVERIFY2(list->viewport()->grab().toImage() != without, qPrintable(list->objectName()));
  }
}

void WindowHabitsTest::droppedFileOpens() {
  FakeDatabase database = TwoDatabases();
  WindowHarness harness(database);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/data/copy.mdb")});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&harness.window(), &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&harness.window(), &drop);
  harness.Settle();
  QCOMPARE(harness.Tables(), (QStringList{"news", "more"}));
  QCOMPARE(harness.txtInput()->text(), QString("/data/copy.mdb"));
}

// The databases opened last come back in the next window: the box's recent
// menu (Alt+Down) reopens them, and the file dialog starts in the last folder.
void WindowHabitsTest::recentDatabasesAreRemembered() {
  support::TempDir folder;
  const QString first = QString::fromStdString(folder.file("first.mdb"));
  const QString second = QString::fromStdString(folder.file("second.mdb"));
  FakeDatabase database;
  for (const QString& path : {first, second}) {
    support::WriteFile(path.toStdString(), "");
    database.Add(path.toStdString(), {{{"news", {"id"}, {}}}, {}, {}});
  }
  const QString settings = QString::fromStdString(folder.file("ferulo.ini"));
  {
    WindowHarness earlier(database, QString(), nullptr, settings);
    earlier.SelectDatabase(first);
    earlier.SelectDatabase(second);
  }

  WindowHarness later(database, QString(), nullptr, settings);
  later.dialogs().AnswerMenu(2);
  later.txtInput()->setFocus();
  QTest::keyClick(later.txtInput(), Qt::Key_Down, Qt::AltModifier);
  later.Settle();
  QCOMPARE(later.dialogs().menus, (QList<QStringList>{{second, first}}));
  QCOMPARE(later.txtInput()->text(), first);
  later.dialogs().CancelFileDialog();
  later.Click("btnSelectDB");
  QCOMPARE(later.dialogs().fileQuestions.first().folder, QString::fromStdString(folder.str()));
}

// Installed, the program folder's theme icons give the window every size.
void WindowHabitsTest::iconHasEverySizeInstalled() {
  support::TempDir prefix;
  const fs::path programs = prefix.path() / "lib/ferulo";
  fs::create_directories(programs);
  const fs::path drawn = fs::path(support::BinDir()).parent_path() / "packaging/icons";
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::string folder = std::to_string(size) + "x" + std::to_string(size);
    fs::create_directories(prefix.path() / "share/icons/hicolor" / folder / "apps");
    fs::copy_file(drawn / folder / "ferulo.png",
                  prefix.path() / "share/icons/hicolor" / folder / "apps/ferulo.png");
  }
  FakeDatabase database;
  WindowHarness harness(database, QString::fromStdString(programs.string()));
  const QList<QSize> sizes = harness.window().windowIcon().availableSizes();
  for (const int size : {16, 32, 48, 256}) {
    QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
  }
}

QTEST_MAIN(WindowHabitsTest)
#include "window_habits_test.moc"
