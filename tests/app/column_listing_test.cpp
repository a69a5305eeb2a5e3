// Clicking a table in ListTable fills the four field lists with its columns,
// read from real Access files; a failed listing leaves everything as it was.

#include <QApplication>
#include <QTest>

#include <utility>

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

QString SampleDatabase(const QString& name) {
  if (name == "fruit.mdb") {
    return QString::fromStdString(support::FruitMdb());
  }
  return QString::fromStdString(support::SharedTestData(name.toStdString()));
}

QStringList ColumnsFromTheReader(const QString& path, const QString& table) {
  AccessDatabaseLayer layer;
  auto opened = layer.Open(path.toStdString());
  if (!opened) {
    return {};
  }
  auto columns = opened.value()->ColumnNames(table.toStdString());
  return columns ? ferulo::app::test::ToQStringList(columns.value()) : QStringList();
}

}  // namespace

class ColumnListingTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void fillsAllFourListsInColumnOrder_data();
  void fillsAllFourListsInColumnOrder();
  void addsEachColumnToAllListsBeforeTheNext();
  void arrowKeysListEveryTableInTurn();
  void returningToATableDiscardsTheEdits();
  void focusAloneListsNothing();
  void failedListingChangesNothing();

 private:
  AccessDatabaseLayer reader_;
};

void ColumnListingTest::fillsAllFourListsInColumnOrder_data() {
  QTest::addColumn<QString>("database");
  QTest::addColumn<QString>("table");
  QTest::addColumn<QStringList>("columns");

  QTest::newRow("Shippers") << "nwind.mdb"
                            << "Shippers" << QStringList{"ShipperID", "CompanyName", "Phone"};
  QTest::newRow("a name with a blank")
      << "nwind.mdb"
      << "Order Details"
      << QStringList{"OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"};
  QTest::newRow("column order, not alphabetical")
      << "nwind.mdb"
      << "Categories" << QStringList{"CategoryID", "CategoryName", "Description", "Picture"};
  QTest::newRow("a name with a slash") << "fruit.mdb"
                                       << "Muffin/Bread" << QStringList{"fruit"};
  QTest::newRow("JET4 name with a blank") << "fruit.mdb"
                                          << "Fruit Salad" << QStringList{"Fruit"};
  QTest::newRow("column names with blanks")
      << "fruit.mdb"
      << "Fruit" << QStringList{"Fruit", "Fiber",  "Fat",    "Protien", "Sugar", "Vit A",
                                "Vit C", "Vit B1", "Vit B2", "Vit B6",  "Vit E"};
}

void ColumnListingTest::fillsAllFourListsInColumnOrder() {
  QFETCH(QString, database);
  QFETCH(QString, table);
  QFETCH(QStringList, columns);
  const QString path = SampleDatabase(database);
  FERULO_QSKIP_IF_MISSING(path, "the sample database");

  WindowHarness harness(reader_);
  harness.SelectDatabase(path);
  harness.ClickTable(table);

  QVERIFY2(harness.dialogs().messages.isEmpty(),
           qPrintable(harness.dialogs().messages.value(0).text));
  QCOMPARE(harness.AllFieldLists(), (QList<QStringList>{columns, columns, columns, columns}));
  QCOMPARE(harness.ListTable()->currentItem()->text(), table);
  QVERIFY(harness.ListTable()->currentItem()->isSelected());
}

void ColumnListingTest::addsEachColumnToAllListsBeforeTheNext() {
  const QString path = SampleDatabase("nwind.mdb");
  FERULO_QSKIP_IF_MISSING(path, "nwind.mdb");
  WindowHarness harness(reader_);
  harness.SelectDatabase(path);

  QStringList insertions;
  for (int list = 0; list < 4; ++list) {
    QObject::connect(harness.ListItem(list)->model(), &QAbstractItemModel::rowsInserted,
                     [&insertions, list](const QModelIndex&, int first, int last) {
                       for (int row = first; row <= last; ++row) {
                         insertions.append(QString("list %1 row %2").arg(list).arg(row));
                       }
                     });
  }
  harness.ClickTable("Shippers");

  QStringList expected;
  for (int row = 0; row < 3; ++row) {
    for (int list = 0; list < 4; ++list) {
      expected.append(QString("list %1 row %2").arg(list).arg(row));
    }
  }
  QCOMPARE(insertions, expected);
}

void ColumnListingTest::arrowKeysListEveryTableInTurn() {
  const QString path = SampleDatabase("nwind.mdb");
  FERULO_QSKIP_IF_MISSING(path, "nwind.mdb");
  WindowHarness harness(reader_);
  harness.SelectDatabase(path);
  const QStringList tables = harness.Tables();
  harness.ClickTable(tables.first());

  for (int row = 1; row < tables.size(); ++row) {
    harness.Press(harness.ListTable(), Qt::Key_Down);
    const QString table = tables.at(row);
    QCOMPARE(harness.ListTable()->currentItem()->text(), table);
    const QStringList columns = ColumnsFromTheReader(path, table);
    QVERIFY(!columns.isEmpty());
    QCOMPARE(harness.AllFieldLists(), (QList<QStringList>{columns, columns, columns, columns}));
  }
  QVERIFY(harness.dialogs().messages.isEmpty());
}

void ColumnListingTest::returningToATableDiscardsTheEdits() {
  const QString path = SampleDatabase("nwind.mdb");
  FERULO_QSKIP_IF_MISSING(path, "nwind.mdb");
  WindowHarness harness(reader_);
  harness.SelectDatabase(path);
  harness.ClickTable("Shippers");
  const QList<QStringList> fresh = harness.AllFieldLists();
  harness.ClickEntry(0, 1, /*Delete*/ 1);
  harness.dialogs().AnswerInput("Carrier");
  harness.ClickEntry(2, 0, /*Edit*/ 2);
  QVERIFY(harness.AllFieldLists() != fresh);

  harness.ClickTable("Orders");
  QCOMPARE(harness.Entries(0).first(), QString("OrderID"));
  harness.ClickTable("Shippers");
  QCOMPARE(harness.AllFieldLists(), fresh);
}

// Tabbing into ListTable makes an entry current without selecting it: the
// shaped lists of the table listed before must survive that.
void ColumnListingTest::focusAloneListsNothing() {
  const QString nwind = SampleDatabase("nwind.mdb");
  const QString fruit = SampleDatabase("fruit.mdb");
  FERULO_QSKIP_IF_MISSING(nwind, "nwind.mdb");
  FERULO_QSKIP_IF_MISSING(fruit, "fruit.mdb");
  WindowHarness harness(reader_);
  harness.window().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&harness.window()));
  harness.SelectDatabase(nwind);
  harness.ClickTable("Shippers");
  harness.ClickEntry(0, 0, /*Delete*/ 1);
  harness.SelectDatabase(fruit);
  const WindowSnapshot before = harness.Snapshot();

  harness.Find<QWidget>("ListItem0")->setFocus(Qt::TabFocusReason);
  harness.Press(harness.Find<QWidget>("ListItem0"), Qt::Key_Backtab);
  QCOMPARE(QApplication::focusWidget(), harness.ListTable());
  harness.Settle();
  QVERIFY(harness.ListTable()->selectedItems().isEmpty());
  QCOMPARE(harness.AllFieldLists(), before.fieldLists);
}

void ColumnListingTest::failedListingChangesNothing() {
  FakeDatabase database;
  database.Add("/data/shop.mdb",
               {{{"news", {"id", "title", "body"}, {}},
                 {"Broken Table",
                  {},
                  ferulo::Error{ferulo::error_code::kTableNotFound,
                                "Cannot read the columns of table 'Broken Table' in shop.mdb"}}},
                {},
                {}});
  WindowHarness harness(database);
  harness.SelectDatabase(QString("/data/shop.mdb"));
  harness.ClickTable("news");
  harness.ClickEntry(1, 2, /*Delete*/ 1);
  const WindowSnapshot before = harness.Snapshot();

  harness.ClickTable("Broken Table");
  QCOMPARE(harness.dialogs().messages.size(), 1);
  QCOMPARE(harness.dialogs().messages.first().icon, MessageIcon::Error);
  QCOMPARE(harness.dialogs().messages.first().text,
           QString("Error 3078: Cannot read the columns of table 'Broken Table' in shop.mdb"));
  // ListTable points at the table still listed, not at the one that failed.
  FERULO_COMPARE_SNAPSHOT(harness.Snapshot(), before);
  QCOMPARE(harness.ListTable()->currentItem()->text(), QString("news"));
  QCOMPARE(harness.endRequests(), 0);

  // A second attempt asks again.
  harness.ClickTable("Broken Table");
  QCOMPARE(harness.dialogs().messages.size(), 2);
  FERULO_COMPARE_SNAPSHOT(harness.Snapshot(), before);
}

QTEST_MAIN(ColumnListingTest)
#include "column_listing_test.moc"
