// "Select...": choosing an Access database through the real reader, listing
// its user tables; cancels and failures that must leave the window as it was.

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <unistd.h>

#include <algorithm>

#include "app/access_database.h"
#include "common/error_codes.h"
#include "fake_database.h"
#include "support/test_support.h"
#include "window_harness.h"

using ferulo::MessageIcon;
using ferulo::app::AccessDatabaseLayer;
using ferulo::app::test::FakeDatabase;
using ferulo::app::test::WindowHarness;
using ferulo::app::test::WindowSnapshot;
namespace support = ferulo::test;

namespace {

QStringList Sorted(QStringList list) {
  list.sort();
  return list;
}

// The table names the database layer itself reports, in its order.
QStringList TablesFromTheReader(const std::string& path) {
  AccessDatabaseLayer layer;
  auto opened = layer.Open(path);
  if (!opened) {
    return {};
  }
  auto names = opened.value()->UserTableNames();
  return names ? ferulo::app::test::ToQStringList(names.value()) : QStringList();
}

// A window that has chosen nwind.mdb, listed Shippers and shaped its lists:
// the state a failure must not disturb.
void ShapeNwindWindow(WindowHarness& harness, const std::string& nwind) {
  harness.SelectDatabase(nwind);
  harness.ClickTable("Shippers");
  harness.ClickEntry(1, 0, /*Delete*/ 1);
  harness.dialogs().AnswerInput("Telephone");
  harness.ClickEntry(3, 1, /*Edit*/ 2);
  harness.txtOutput()->setText("/somewhere/typed/");
}

}  // namespace

class DatabaseSelectionTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void asksWithTitleAndFilters();
  void listsTheUserTables_data();
  void listsTheUserTables();
  void secondDatabaseKeepsTheFieldLists();
  void cancelChangesNothing_data();
  void cancelChangesNothing();
  void failedSelectionChangesNothing_data();
  void failedSelectionChangesNothing();
  void unreadableFileChangesNothing();
  void failedSchemaReadChangesNothing();

 private:
  AccessDatabaseLayer reader_;
};

void DatabaseSelectionTest::asksWithTitleAndFilters() {
  WindowHarness harness(reader_);
  harness.dialogs().CancelFileDialog();
  harness.Click("btnSelectDB");
  QCOMPARE(harness.dialogs().fileQuestions.size(), 1);
  const auto& question = harness.dialogs().fileQuestions.first();
  QCOMPARE(question.title, QString("Which database would you like to use ? "));
  // Both kinds of Access file are shown from the start.
  QCOMPARE(question.nameFilters,
           (QStringList{"Access Databases (*.mdb *.accdb)", "All Files (*)"}));
  QCOMPARE(question.selectedNameFilter, QString("Access Databases (*.mdb *.accdb)"));
}

void DatabaseSelectionTest::listsTheUserTables_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<QStringList>("tables");

  QTest::newRow("nwind.mdb, JET3, a blank and an umlaut in names")
      << QString::fromStdString(support::SharedTestData("nwind.mdb"))
      << QStringList{"Categories",    "Customers", "Employees",
                     "Order Details", "Orders",    "Products",
                     "Shippers",      "Suppliers", QString::fromUtf8("Umsätze")};
  // Its saved queries and system tables are not user tables.
  QTest::newRow("fruit.mdb, JET4 with saved queries")
      << QString::fromStdString(support::FruitMdb())
      << QStringList{"Dried", "Fruit", "Fruit Salad", "Muffin/Bread", "Veggie Salad"};
  QTest::newRow("node-adodb.mdb") << QString::fromStdString(support::NodeAdodbMdb())
                                  << QStringList{"Users"};
}

void DatabaseSelectionTest::listsTheUserTables() {
  QFETCH(QString, path);
  QFETCH(QStringList, tables);
  FERULO_QSKIP_IF_MISSING(path, "the sample database");

  WindowHarness harness(reader_);
  harness.txtInput()->setText("typed by hand");
  harness.txtOutput()->setText("/typed/output/");
  harness.SelectDatabase(path);

  QVERIFY2(harness.dialogs().messages.isEmpty(),
           qPrintable(harness.dialogs().messages.value(0).text));
  QCOMPARE(Sorted(harness.Tables()), Sorted(tables));
  // In the order the database reports them, not sorted.
  QCOMPARE(harness.Tables(), TablesFromTheReader(path.toStdString()));
  QCOMPARE(harness.ListTable()->currentRow(), -1);
  QVERIFY(harness.ListTable()->selectedItems().isEmpty());

  const QFileInfo file(path);
  const QString folder = file.path() + "/";
  QCOMPARE(harness.txtInput()->text(), path);
  QCOMPARE(harness.txtOutput()->text(), folder);
  QCOMPARE(harness.window().windowTitle(), file.fileName() + " - FERULO");
  // A database is chosen and no table yet: "Start" asks for a table.
  harness.Click("start");
  QCOMPARE(harness.dialogs().messages.size(), 1);
  QCOMPARE(harness.dialogs().messages.first().text, QString("Please select a table first !"));
}

void DatabaseSelectionTest::secondDatabaseKeepsTheFieldLists() {
  const std::string nwind = support::SharedTestData("nwind.mdb");
  const std::string fruit = support::FruitMdb();
  FERULO_QSKIP_IF_MISSING(nwind, "nwind.mdb");
  FERULO_QSKIP_IF_MISSING(fruit, "fruit.mdb");

  WindowHarness harness(reader_);
  harness.SelectDatabase(nwind);
  harness.ClickTable("Shippers");
  const QList<QStringList> shippers = harness.AllFieldLists();
  QCOMPARE(shippers.first(), (QStringList{"ShipperID", "CompanyName", "Phone"}));

  harness.SelectDatabase(fruit);
  QCOMPARE(Sorted(harness.Tables()),
           (QStringList{"Dried", "Fruit", "Fruit Salad", "Muffin/Bread", "Veggie Salad"}));
  QCOMPARE(harness.AllFieldLists(), shippers);
  QCOMPARE(harness.txtInput()->text(), QString::fromStdString(fruit));

  // The next click lists from the new database.
  harness.ClickTable("Muffin/Bread");
  QCOMPARE(harness.Entries(0), QStringList{"fruit"});
}

void DatabaseSelectionTest::cancelChangesNothing_data() {
  QTest::addColumn<bool>("afterASelection");
  QTest::newRow("first use of the dialog") << false;
  QTest::newRow("after a database was chosen") << true;
}

void DatabaseSelectionTest::cancelChangesNothing() {
  QFETCH(bool, afterASelection);
  const std::string nwind = support::SharedTestData("nwind.mdb");
  if (afterASelection) {
    FERULO_QSKIP_IF_MISSING(nwind, "nwind.mdb");
  }

  WindowHarness harness(reader_);
  if (afterASelection) {
    ShapeNwindWindow(harness, nwind);
  }
  const WindowSnapshot before = harness.Snapshot();
  harness.dialogs().CancelFileDialog();
  harness.Click("btnSelectDB");

  QCOMPARE(harness.dialogs().fileQuestions.size(), afterASelection ? 2 : 1);
  QVERIFY(harness.dialogs().messages.isEmpty());
  QCOMPARE(harness.endRequests(), 0);
  QVERIFY(harness.window().isVisible());
  FERULO_COMPARE_SNAPSHOT(harness.Snapshot(), before);
}

void DatabaseSelectionTest::failedSelectionChangesNothing_data() {
  QTest::addColumn<QString>("badPath");
  QTest::addColumn<QString>("saying");   // what the message must say, if anything
  QTest::addColumn<QString>("details");  // what its "Show Details" part must say

  QTest::newRow("a directory") << QString::fromStdString(support::SourceDir()) << QString()
                               << QString();
  QTest::newRow("a text file") << QString::fromStdString(support::SourceDir() + "/README.md")
                               << QString() << QString();
  QTest::newRow("a file that does not exist")
      << QString("/nonexistent-ferulo-folder/no-such-database.mdb") << QString() << QString();
  for (const char* damaged :
       {"hostile/zero_then_random.mdb", "hostile/mapsz0_jet4.mdb", "hostile/props_loop_1.mdb"}) {
    QTest::newRow(damaged) << QString::fromStdString(support::SharedTestData(damaged)) << QString()
                           << QString();
  }
  // libmdb's own report goes behind "Show Details".
  for (const char* damaged :
       {"hostile/trunc4096.mdb", "hostile/unknown_jetver.mdb", "hostile/props_oom_1.mdb"}) {
    QTest::newRow(damaged) << QString::fromStdString(support::SharedTestData(damaged)) << QString()
                           << "libmdb reported: ";
  }
  // In the user's words, not libmdb's report of a page it could not decode.
  QTest::newRow("an .accdb encrypted with a password")
      << QString::fromStdString(support::LockedDatabase("encrypted.accdb"))
      << "Error 3031: The database '%1' is encrypted with a password and cannot be read."
      << QString();
}

void DatabaseSelectionTest::failedSelectionChangesNothing() {
  QFETCH(QString, badPath);
  QFETCH(QString, saying);
  QFETCH(QString, details);
  FERULO_QSKIP_IF_MISSING(badPath, "the damaged sample file");
  const std::string nwind = support::SharedTestData("nwind.mdb");
  FERULO_QSKIP_IF_MISSING(nwind, "nwind.mdb");

  WindowHarness harness(reader_);
  ShapeNwindWindow(harness, nwind);
  const WindowSnapshot before = harness.Snapshot();
  harness.SelectDatabase(badPath);

  QCOMPARE(harness.dialogs().messages.size(), 1);
  const auto& message = harness.dialogs().messages.first();
  QCOMPARE(message.icon, MessageIcon::Error);
  QCOMPARE(message.title, QString("FERULO"));
  QVERIFY2(message.text.contains(QRegularExpression("^Error [1-9][0-9]*: .+")),
           qPrintable(message.text));
  QVERIFY2(message.text.contains(QFileInfo(badPath).fileName()), qPrintable(message.text));
  if (!saying.isEmpty()) {
    QVERIFY2(message.text.startsWith(saying.arg(badPath)), qPrintable(message.text));
  }
  // In the user's words; what the library said is there on request.
  QVERIFY2(!message.text.contains("libmdb") && !message.text.contains("mdb_"),
           qPrintable(message.text));
  QVERIFY2(message.details.startsWith(details), qPrintable(message.details));
  QCOMPARE(harness.endRequests(), 0);
  FERULO_COMPARE_SNAPSHOT(harness.Snapshot(), before);

  // The previous database is still the open one.
  harness.ClickTable("Orders");
  QCOMPARE(harness.Entries(0).first(), QString("OrderID"));
}

void DatabaseSelectionTest::unreadableFileChangesNothing() {
  const std::string nwind = support::SharedTestData("nwind.mdb");
  FERULO_QSKIP_IF_MISSING(nwind, "nwind.mdb");
  if (geteuid() == 0) {
    QSKIP("running as root: a file without read permission is still readable");
  }
  support::TempDir folder;
  const std::string locked = folder.file("locked.mdb");
  support::WriteFile(locked, support::ReadFile(nwind));
  QVERIFY(QFile::setPermissions(QString::fromStdString(locked), QFileDevice::WriteOwner));

  WindowHarness harness(reader_);
  ShapeNwindWindow(harness, nwind);
  const WindowSnapshot before = harness.Snapshot();
  harness.SelectDatabase(locked);
  QCOMPARE(harness.dialogs().messages.size(), 1);
  QVERIFY(harness.dialogs().messages.first().text.contains("locked.mdb"));
  FERULO_COMPARE_SNAPSHOT(harness.Snapshot(), before);
}

void DatabaseSelectionTest::failedSchemaReadChangesNothing() {
  FakeDatabase database;
  database.Add("/data/shop.mdb", {{{"news", {"id", "title"}, {}}}, {}, {}});
  database.Add(
      "/data/broken.mdb",
      {{}, {}, ferulo::Error{ferulo::error_code::kReaderCrashed, "broken.mdb: reader died"}});
  WindowHarness harness(database);
  harness.SelectDatabase(QString("/data/shop.mdb"));
  harness.ClickTable("news");
  const WindowSnapshot before = harness.Snapshot();

  harness.SelectDatabase(QString("/data/broken.mdb"));
  QCOMPARE(harness.dialogs().messages.size(), 1);
  QCOMPARE(harness.dialogs().messages.first().text, QString("Error 9002: broken.mdb: reader died"));
  FERULO_COMPARE_SNAPSHOT(harness.Snapshot(), before);
}

QTEST_MAIN(DatabaseSelectionTest)
#include "database_selection_test.moc"
