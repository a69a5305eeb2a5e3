// "Start": the window hands its database, table, lists and output path to the
// generation run and shows the run's message; the pages are checked byte for
// byte against text written out by hand.

#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <filesystem>

#include "app/access_database.h"
#include "common/error_codes.h"
#include "fake_database.h"
#include "generator/fragments.h"
#include "support/test_support.h"
#include "window_harness.h"

using ferulo::MessageIcon;
using ferulo::app::AccessDatabaseLayer;
using ferulo::app::test::FakeDatabase;
using ferulo::app::test::WindowHarness;
using ferulo::app::test::WindowSnapshot;
namespace support = ferulo::test;
namespace fs = std::filesystem;

namespace {

enum MenuAnswer { kClosed = 0, kDelete = 1, kEdit = 2 };

// Small templates: every marker whose fragment does not depend on how the
// pages treat record values, lines ending in CR LF or LF alone.
void WriteTemplates(const fs::path& folder) {
  support::WriteFile(folder / "filelist.dat",
                     "<h1><!--@NAME@--></h1> <a href=\"<!--@FILE@-->edit.asp\">\r\n"
                     "<table><tr>\r\n<!--@HEAD@--></tr></table>\r\n<%\r\n<!--@SEARCH@-->%>\r\n");
  support::WriteFile(
      folder / "fileedit.dat",
      "<!--@NAME@-->:<!--@FILE@-->\n<%\n<!--@EDIT@-->%>\n<!--@KEYS@-->|<!--@LOOKUPS@-->");
  support::WriteFile(folder / "filefilter.dat",
                     "<table>\r\n<!--@FILTERFORM@--></table>\r\n<!--@NAME@-->");
  support::WriteFile(folder / "pagehelpers.vbs", "");
}

// The pages as the templates and the fragments make them; the empty page
// helpers add nothing.
const ferulo::generator::ListPageFragments kList = ferulo::generator::BuildListPageFragments(
    {"ShipperID", "CompanyName"}, {"ShipperID", "Company"}, {"CompanyName"});
const ferulo::generator::FilterPageFragments kFilter =
    ferulo::generator::BuildFilterPageFragments({"CompanyName", "Phone"});
const std::string kListPage = "<h1>Shippers</h1> <a href=\"nwindedit.asp\">\r\n<table><tr>\r\n" +
                              kList.head + "</tr></table>\r\n<%\r\n" + kList.search + "%>\r\n";

const char* const kEditPage =
    "Shippers:nwind\n"
    "<%\n"
    "rs(\"ShipperID\") = Request.Form(\"ShipperID\") \r\n"
    "rs(\"CompanyName\") = Request.Form(\"CompanyName\") \r\n"
    "%>\n"
    "Array(\"ShipperID\")|Array()";

const std::string kFilterPage = "<table>\r\n" + kFilter.filterForm + "</table>\r\nShippers";

const char* const kConnectionInclude =
    "<%\r\n"
    "dim conn,connstr\r\n"
    "connstr=\"DBQ=\"+server.mappath(\"nwind.mdb\")+\";DefaultDir=;"
    "DRIVER={Microsoft Access Driver (*.mdb)};\" \r\n"
    "set conn=server.createobject(\"ADODB.CONNECTION\")\r\n"
    "conn.open connstr\r\n"
    "%>\r\n";

void TypeOutputPath(WindowHarness& harness, const std::string& path) {
  harness.txtOutput()->clear();
  QTest::keyClicks(harness.txtOutput(), QString::fromStdString(path));
}

// nwind.mdb, table Shippers; the display name of CompanyName is Company, Phone
// is neither shown nor searched, ShipperID is not filtered on.
void ShapeShippers(WindowHarness& harness, const std::string& nwind) {
  harness.SelectDatabase(nwind);
  harness.ClickTable("Shippers");
  harness.dialogs().AnswerInput("Company");
  harness.ClickEntry(1, 1, kEdit);
  harness.ClickEntry(0, 2, kDelete);
  harness.ClickEntry(2, 0, kDelete);
  harness.ClickEntry(3, 0, kClosed);
  harness.ClickEntry(3, 2, kClosed, Qt::ControlModifier);
  harness.Press(harness.ListItem(3), Qt::Key_Backspace);
}

}  // namespace

class GenerationTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void writesTheFourFiles();
  void refusesWithoutADatabaseOrTable_data();
  void refusesWithoutADatabaseOrTable();
  void failedRunKeepsFilesAndWindow_data();
  void failedRunKeepsFilesAndWindow();
  void refusesATableTheChosenDatabaseLacks_data();
  void refusesATableTheChosenDatabaseLacks();
  void warnsAfterWritingForADatabaseWithAPassword();
  void entryThatIsNoColumnIsAskedFirst_data();
  void entryThatIsNoColumnIsAskedFirst();
  void emptyOutputPathIsTheDatabasesFolder();
  void asksBeforeReplacing_data();
  void asksBeforeReplacing();
  void successOffersTheFolder();
  void passesTheTablesKeyAndLookups();
  void failedDescriptionIsShownAndWritesNothing();

 private:
  AccessDatabaseLayer reader_;
};

void GenerationTest::writesTheFourFiles() {
  const std::string nwind = support::SharedTestData("nwind.mdb");
  FERULO_QSKIP_IF_MISSING(nwind, "nwind.mdb");
  support::TempDir programDirectory;
  WriteTemplates(programDirectory.path());
  support::TempDir output;

  WindowHarness harness(reader_, QString::fromStdString(programDirectory.str()));
  ShapeShippers(harness, nwind);
  QCOMPARE(harness.AllFieldLists(), (QList<QStringList>{{"ShipperID", "CompanyName"},
                                                        {"ShipperID", "Company"},
                                                        {"CompanyName", "Phone"},
                                                        {"CompanyName"}}));
  TypeOutputPath(harness, output.str() + "/");
  const WindowSnapshot before = harness.Snapshot();

  // Two runs on the same window write the same files.
  for (int run = 1; run <= 2; ++run) {
    harness.Click("start");
    QCOMPARE(harness.dialogs().messages.size(), run);
    const auto& message = harness.dialogs().messages.last();
    QCOMPARE(message.text, QString("ASP Files created successfully !"));
    QCOMPARE(message.title, QString("Success"));
    QCOMPARE(message.icon, MessageIcon::Information);
    // It names the four files, and the second run asks nothing before
    // replacing what the first wrote.
    QCOMPARE(
        message.informative.split('\n'),
        QStringList({"nwindlist.asp", "nwindedit.asp", "nwindfilter.asp", "db.asp"})
            .replaceInStrings(QRegularExpression("^"), QString::fromStdString(output.str()) + "/"));

    QCOMPARE(
        support::ListFolder(output.path()),
        (std::vector<std::string>{"db.asp", "nwindedit.asp", "nwindfilter.asp", "nwindlist.asp"}));
    QCOMPARE(support::ReadFile(output.path() / "nwindlist.asp"), kListPage);
    QCOMPARE(support::ReadFile(output.path() / "nwindedit.asp"), std::string(kEditPage));
    QCOMPARE(support::ReadFile(output.path() / "nwindfilter.asp"), kFilterPage);
    QCOMPARE(support::ReadFile(output.path() / "db.asp"), std::string(kConnectionInclude));
    FERULO_COMPARE_SNAPSHOT(harness.Snapshot(), before);
  }
}

void GenerationTest::refusesWithoutADatabaseOrTable_data() {
  QTest::addColumn<QString>("typedPath");
  QTest::addColumn<bool>("selectDatabase");
  QTest::addColumn<QString>("text");

  QTest::newRow("nothing chosen") << "" << false << "Please select an access database first !";
  // The typed database is opened first: it has tables, but none is chosen.
  QTest::newRow("a path typed, no database chosen")
      << "/data/shop.mdb" << false << "Please select a table first !";
  QTest::newRow("database chosen, no table") << "" << true << "Please select a table first !";
}

void GenerationTest::refusesWithoutADatabaseOrTable() {
  QFETCH(QString, typedPath);
  QFETCH(bool, selectDatabase);
  QFETCH(QString, text);

  support::TempDir programDirectory;
  WriteTemplates(programDirectory.path());
  support::TempDir output;
  FakeDatabase database;
  database.Add("/data/shop.mdb", {{{"news", {"id", "title"}, {}}}, {}, {}});
  WindowHarness harness(database, QString::fromStdString(programDirectory.str()));
  if (selectDatabase) {
    harness.SelectDatabase(QString("/data/shop.mdb"));
  }
  if (!typedPath.isEmpty()) {
    QTest::keyClicks(harness.txtInput(), typedPath);
  }
  TypeOutputPath(harness, output.str() + "/");
  const WindowSnapshot before = harness.Snapshot();

  harness.Click("start");
  QCOMPARE(harness.dialogs().messages.size(), 1);
  QCOMPARE(harness.dialogs().messages.first().text, text);
  QCOMPARE(harness.dialogs().messages.first().title, QString("Error"));
  QCOMPARE(harness.dialogs().messages.first().icon, MessageIcon::Error);
  QVERIFY(support::ListFolder(output.path()).empty());
  if (typedPath.isEmpty()) {
    FERULO_COMPARE_SNAPSHOT(harness.Snapshot(), before);
  }
}

void GenerationTest::failedRunKeepsFilesAndWindow_data() {
  QTest::addColumn<bool>("templatesPresent");
  QTest::addColumn<QString>("named");
  QTest::newRow("templates missing") << false << "filelist.dat";
  // A folder where the list page should go: no output can be replaced.
  QTest::newRow("a page's name taken by a folder") << true << "nwindlist.asp";
}

void GenerationTest::failedRunKeepsFilesAndWindow() {
  QFETCH(bool, templatesPresent);
  QFETCH(QString, named);
  const std::string nwind = support::SharedTestData("nwind.mdb");
  FERULO_QSKIP_IF_MISSING(nwind, "nwind.mdb");

  support::TempDir programDirectory;
  if (templatesPresent) {
    WriteTemplates(programDirectory.path());
  }
  support::TempDir output;
  const std::vector<std::string> earlierFiles{"db.asp", "nwindedit.asp", "nwindfilter.asp"};
  for (const std::string& page : earlierFiles) {
    support::WriteFile(output.path() / page, "earlier run of " + page);
  }
  if (templatesPresent) {
    fs::create_directory(output.path() / "nwindlist.asp");
  } else {
    support::WriteFile(output.path() / "nwindlist.asp", "earlier run of nwindlist.asp");
  }

  WindowHarness harness(reader_, QString::fromStdString(programDirectory.str()));
  ShapeShippers(harness, nwind);
  TypeOutputPath(harness, output.str() + "/");
  const WindowSnapshot before = harness.Snapshot();
  harness.dialogs().AnswerQuestion(true);  // Replace the earlier run's files
  harness.Click("start");

  QCOMPARE(harness.dialogs().messages.size(), 2);
  const auto& message = harness.dialogs().messages.last();
  QCOMPARE(message.icon, MessageIcon::Error);
  QVERIFY2(message.text.contains(QRegularExpression("^Error [1-9][0-9]*: .+")),
           qPrintable(message.text));
  QVERIFY2(message.text.contains(named), qPrintable(message.text));
  QCOMPARE(harness.endRequests(), 0);
  FERULO_COMPARE_SNAPSHOT(harness.Snapshot(), before);
  // Every earlier output as it was, nothing added beside them.
  QCOMPARE(
      support::ListFolder(output.path()),
      (std::vector<std::string>{"db.asp", "nwindedit.asp", "nwindfilter.asp", "nwindlist.asp"}));
  for (const std::string& page : earlierFiles) {
    QCOMPARE(support::ReadFile(output.path() / page), "earlier run of " + page);
  }
}

// The lists of Orders in nwind.mdb stay when another database is chosen; "Start"
// then writes pages only where that database has a table Orders too, as a copy
// of nwind.mdb does.
void GenerationTest::refusesATableTheChosenDatabaseLacks_data() {
  QTest::addColumn<QString>("second");  // "" for a copy of nwind.mdb
  QTest::newRow("a database without Orders")
      << QString::fromStdString(support::SharedTestData("ASampleDatabase.accdb"));
  QTest::newRow("a copy of the same database") << QString();
}

void GenerationTest::refusesATableTheChosenDatabaseLacks() {
  QFETCH(QString, second);
  const std::string nwind = support::SharedTestData("nwind.mdb");
  FERULO_QSKIP_IF_MISSING(nwind, "nwind.mdb");
  support::TempDir programDirectory;
  WriteTemplates(programDirectory.path());
  support::TempDir output;
  support::TempDir copies;
  const bool copy = second.isEmpty();
  if (copy) {
    fs::create_symlink(nwind, copies.path() / "copy.mdb");
    second = QString::fromStdString(copies.file("copy.mdb"));
  }
  FERULO_QSKIP_IF_MISSING(second, "ASampleDatabase.accdb");

  WindowHarness harness(reader_, QString::fromStdString(programDirectory.str()));
  harness.SelectDatabase(nwind);
  harness.ClickTable("Orders");
  const QList<QStringList> orders = harness.AllFieldLists();
  harness.SelectDatabase(second);
  TypeOutputPath(harness, output.str() + "/");
  harness.Click("start");

  QCOMPARE(harness.AllFieldLists(), orders);
  QCOMPARE(harness.dialogs().messages.size(), 1);
  const auto& message = harness.dialogs().messages.first();
  if (copy) {
    QCOMPARE(message.text, QString("ASP Files created successfully !"));
    QCOMPARE(
        support::ListFolder(output.path()),
        (std::vector<std::string>{"copyedit.asp", "copyfilter.asp", "copylist.asp", "db.asp"}));
    return;
  }
  QCOMPARE(message.title, QString("Error"));
  QCOMPARE(message.icon, MessageIcon::Error);
  QVERIFY2(message.text.contains(QRegularExpression("^Error [1-9][0-9]*: .*'Orders'")),
           qPrintable(message.text));
  QVERIFY2(message.text.contains(second), qPrintable(message.text));
  QVERIFY(support::ListFolder(output.path()).empty());
}

// The run succeeds; a warning box after the success message says that db.asp
// lacks the password, and never shows it.
void GenerationTest::warnsAfterWritingForADatabaseWithAPassword() {
  const std::string database = support::LockedDatabase("password.mdb");
  FERULO_QSKIP_IF_MISSING(database, "password.mdb");
  support::TempDir programDirectory;
  WriteTemplates(programDirectory.path());
  support::TempDir output;

  WindowHarness harness(reader_, QString::fromStdString(programDirectory.str()));
  harness.SelectDatabase(database);
  harness.ClickTable("Users");
  TypeOutputPath(harness, output.str() + "/");
  harness.Click("start");

  QCOMPARE(support::ListFolder(output.path()).size(), std::size_t{4});
  const auto& messages = harness.dialogs().messages;
  QCOMPARE(messages.size(), 2);
  QCOMPARE(messages[0].text, QString("ASP Files created successfully !"));
  QCOMPARE(messages[1].icon, MessageIcon::Warning);
  QCOMPARE(messages[1].title, QString("FERULO"));
  QVERIFY2(messages[1].text.contains("'password.mdb'"), qPrintable(messages[1].text));
  QVERIFY2(messages[1].text.contains("PWD="), qPrintable(messages[1].text));
  QVERIFY2(!messages[1].text.contains("secret"), qPrintable(messages[1].text));
}

// An entry that is no column of the table is asked about before anything is
// written: Continue writes the pages, Cancel nothing.
void GenerationTest::entryThatIsNoColumnIsAskedFirst_data() {
  QTest::addColumn<bool>("carryOn");
  QTest::newRow("Continue") << true;
  QTest::newRow("Cancel") << false;
}

void GenerationTest::entryThatIsNoColumnIsAskedFirst() {
  QFETCH(bool, carryOn);
  const std::string nwind = support::SharedTestData("nwind.mdb");
  FERULO_QSKIP_IF_MISSING(nwind, "nwind.mdb");
  support::TempDir programDirectory;
  WriteTemplates(programDirectory.path());
  support::TempDir output;

  WindowHarness harness(reader_, QString::fromStdString(programDirectory.str()));
  harness.SelectDatabase(nwind);
  harness.ClickTable("Shippers");
  harness.dialogs().AnswerInput("Company Name");
  harness.ClickEntry(0, 1, kEdit);
  TypeOutputPath(harness, output.str() + "/");
  harness.dialogs().AnswerQuestion(carryOn);
  harness.Click("start");

  const auto& messages = harness.dialogs().messages;
  QCOMPARE(messages.size(), carryOn ? 2 : 1);
  QCOMPARE(messages[0].text,
           QString("Field Name entry 'Company Name' is not a column of the table 'Shippers'; the "
                   "pages fail where they use it"));
  QCOMPARE(messages[0].icon, MessageIcon::Warning);
  QCOMPARE(QString(messages[0].acceptButton).remove('&'), QString("Continue"));
  QCOMPARE(support::ListFolder(output.path()).size(), carryOn ? std::size_t{4} : std::size_t{0});
  if (carryOn) {
    QCOMPARE(messages[1].text, QString("ASP Files created successfully !"));
  }
}

// An empty output path is the database's folder, not the program's working
// folder.
void GenerationTest::emptyOutputPathIsTheDatabasesFolder() {
  support::TempDir programDirectory;
  WriteTemplates(programDirectory.path());
  support::TempDir folder;
  const QString database = QString::fromStdString(folder.file("shop.mdb"));
  FakeDatabase fake;
  fake.Add(database.toStdString(), {{{"news", {"id", "title"}, {}}}, {}, {}});
  WindowHarness harness(fake, QString::fromStdString(programDirectory.str()));
  harness.SelectDatabase(database);
  harness.ClickTable("news");
  harness.txtOutput()->clear();
  harness.Click("start");

  QCOMPARE(harness.dialogs().messages.size(), 1);
  QCOMPARE(harness.dialogs().messages.first().text, QString("ASP Files created successfully !"));
  QCOMPARE(support::ListFolder(folder.path()),
           (std::vector<std::string>{"db.asp", "shopedit.asp", "shopfilter.asp", "shoplist.asp"}));
}

// Files of another run are replaced only when the user says so, naming them;
// a db.asp that opens another database is asked about even where this window
// wrote it itself.
void GenerationTest::asksBeforeReplacing_data() {
  QTest::addColumn<bool>("earlierPages");        // written before by some other run
  QTest::addColumn<bool>("otherDatabaseFirst");  // this window wrote other.mdb's pages there
  QTest::addColumn<bool>("replace");
  QTest::addColumn<QString>("mentions");  // what the question says; "" for no question
  QTest::newRow("no earlier files") << false << false << false << QString();
  QTest::newRow("earlier pages, Cancel") << true << false << false << "shoplist.asp";
  QTest::newRow("earlier pages, Replace") << true << false << true << "shoplist.asp";
  QTest::newRow("db.asp of another database, Cancel")
      << false << true << false << "opens the database 'other.mdb'";
  QTest::newRow("db.asp of another database, Replace")
      << false << true << true << "opens the database 'other.mdb'";
}

void GenerationTest::asksBeforeReplacing() {
  QFETCH(bool, earlierPages);
  QFETCH(bool, otherDatabaseFirst);
  QFETCH(bool, replace);
  QFETCH(QString, mentions);
  support::TempDir programDirectory;
  WriteTemplates(programDirectory.path());
  support::TempDir output;
  FakeDatabase fake;
  for (const char* database : {"/data/shop.mdb", "/data/other.mdb"}) {
    fake.Add(database, {{{"news", {"id", "title"}, {}}}, {}, {}});
  }
  if (earlierPages) {
    for (const char* page : {"shoplist.asp", "db.asp"}) {
      support::WriteFile(output.path() / page, "earlier");
    }
  }
  WindowHarness harness(fake, QString::fromStdString(programDirectory.str()));
  if (otherDatabaseFirst) {
    harness.SelectDatabase(QString("/data/other.mdb"));
    harness.ClickTable("news");
    TypeOutputPath(harness, output.str() + "/");
    harness.Click("start");
    harness.dialogs().messages.clear();
  }
  const std::string before = earlierPages || otherDatabaseFirst
                                 ? support::ReadFile(output.path() / "db.asp")
                                 : std::string();
  harness.SelectDatabase(QString("/data/shop.mdb"));
  harness.ClickTable("news");
  TypeOutputPath(harness, output.str() + "/");
  harness.dialogs().AnswerQuestion(replace);
  harness.Click("start");

  const auto& messages = harness.dialogs().messages;
  const bool written = mentions.isEmpty() || replace;
  QCOMPARE(messages.size(), (mentions.isEmpty() ? 0 : 1) + (written ? 1 : 0));
  if (!mentions.isEmpty()) {
    QCOMPARE(QString(messages[0].acceptButton).remove('&'), QString("Replace"));
    QVERIFY2(messages[0].text.contains(mentions), qPrintable(messages[0].text));
    QVERIFY2(messages[0].text.contains(QString::fromStdString(output.file("db.asp"))),
             qPrintable(messages[0].text));
  }
  const std::string include = support::ReadFile(output.path() / "db.asp");
  QCOMPARE(include.find("shop.mdb") != std::string::npos, written);
  if (!written) {
    QCOMPARE(include, before);
  }
}

// "Open Folder" in the success message shows the folder of the pages.
void GenerationTest::successOffersTheFolder() {
  support::TempDir programDirectory;
  WriteTemplates(programDirectory.path());
  support::TempDir output;
  FakeDatabase fake;
  fake.Add("/data/shop.mdb", {{{"news", {"id"}, {}}}, {}, {}});
  WindowHarness harness(fake, QString::fromStdString(programDirectory.str()));
  harness.SelectDatabase(QString("/data/shop.mdb"));
  harness.ClickTable("news");
  TypeOutputPath(harness, output.str() + "/");
  harness.dialogs().AnswerQuestion(true);
  harness.Click("start");
  QCOMPARE(QString(harness.dialogs().messages.first().acceptButton).remove('&'),
           QString("Open Folder"));
  QCOMPARE(harness.openedFolders(), QStringList{QString::fromStdString(output.str())});
}

// The table's description is read at Start through the real reader: the
// key of two columns and the lookups of the related columns shown.
void GenerationTest::passesTheTablesKeyAndLookups() {
  const std::string nwind = support::SharedTestData("nwind.mdb");
  FERULO_QSKIP_IF_MISSING(nwind, "nwind.mdb");
  support::TempDir programDirectory;
  WriteTemplates(programDirectory.path());
  support::TempDir output;

  WindowHarness harness(reader_, QString::fromStdString(programDirectory.str()));
  harness.SelectDatabase(nwind);
  harness.ClickTable("Order Details");
  harness.ClickEntry(0, 0, kDelete);  // OrderID: no longer shown, so no lookup for it
  TypeOutputPath(harness, output.str() + "/");
  harness.Click("start");

  QCOMPARE(harness.dialogs().messages.size(), 1);
  const std::string edit = support::ReadFile(output.path() / "nwindedit.asp");
  QCOMPARE(
      edit.substr(edit.rfind('\n') + 1),
      std::string("Array(\"OrderID\", \"ProductID\")|"
                  "Array(Array(\"ProductID\", \"Products\", \"ProductID\", \"ProductName\"))"));
}

void GenerationTest::failedDescriptionIsShownAndWritesNothing() {
  support::TempDir programDirectory;
  WriteTemplates(programDirectory.path());
  support::TempDir output;
  FakeDatabase database;
  const ferulo::Error damage{ferulo::error_code::kCannotOpenDatabase,
                             "The database '/data/shop.mdb' is damaged: MSysRelationships"};
  database.Add("/data/shop.mdb", {{{"news", {"id", "title"}, {}, damage}}, {}, {}});
  WindowHarness harness(database, QString::fromStdString(programDirectory.str()));
  harness.SelectDatabase(QString("/data/shop.mdb"));
  harness.ClickTable("news");
  TypeOutputPath(harness, output.str() + "/");
  const WindowSnapshot before = harness.Snapshot();
  harness.Click("start");

  QCOMPARE(harness.dialogs().messages.size(), 1);
  const auto& message = harness.dialogs().messages.first();
  QCOMPARE(message.icon, MessageIcon::Error);
  QVERIFY2(message.text.contains("3049") && message.text.contains("MSysRelationships"),
           qPrintable(message.text));
  QVERIFY(support::ListFolder(output.path()).empty());
  FERULO_COMPARE_SNAPSHOT(harness.Snapshot(), before);
}

QTEST_MAIN(GenerationTest)
#include "generation_test.moc"
