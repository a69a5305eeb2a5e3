// Shaping the field lists with the mouse and the keys: the list menu, removal
// with the partner rule between the field and display name lists, renaming.

#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

#include "app/qt_dialogs.h"
#include "fake_database.h"
#include "when_shown.h"
#include "window_harness.h"

using ferulo::app::PopupListMenu;
using ferulo::app::test::FakeDatabase;
using ferulo::app::test::WhenShown;
using ferulo::app::test::WindowHarness;

namespace {

enum MenuAnswer { kClosed = 0, kDelete = 1, kEdit = 2, kCancel = 3 };

const QStringList kColumns{"OrderID", "Customer", "Amount"};
const QList<QStringList> kFresh{kColumns, kColumns, kColumns, kColumns};

// A window with the table Orders listed: all four lists hold its columns.
class OrdersWindow {
 public:
  explicit OrdersWindow(ferulo::app::ListMenu* listMenu = nullptr)
      : harness_(Database(), QString(), listMenu) {
    harness_.SelectDatabase(QString("/data/shop.mdb"));
    harness_.ClickTable("Orders");
  }
  WindowHarness& operator*() { return harness_; }
  WindowHarness* operator->() { return &harness_; }

 private:
  FakeDatabase& Database() {
    database_.Add("/data/shop.mdb", {{{"Orders", {"OrderID", "Customer", "Amount"}, {}}}, {}, {}});
    return database_;
  }
  FakeDatabase database_;
  WindowHarness harness_;
};

struct Click {
  int row;
  Qt::KeyboardModifiers modifiers;
};

}  // namespace

Q_DECLARE_METATYPE(QList<Click>)

class FieldListEditingTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void removesTheSelectedEntries_data();
  void removesTheSelectedEntries();
  void menuClosedOrCancelledChangesNothing_data();
  void menuClosedOrCancelledChangesNothing();
  void renamesTheCurrentEntry_data();
  void renamesTheCurrentEntry();
  void editWithoutACurrentEntryChangesNothing_data();
  void editWithoutACurrentEntryChangesNothing();
  void keysOnAList_data();
  void keysOnAList();
  void theKeyStillReachesTheList();
  void otherButtons_data();
  void otherButtons();
  void realMenuOpensWhereAsked_data();
  void realMenuOpensWhereAsked();
};

void FieldListEditingTest::removesTheSelectedEntries_data() {
  QTest::addColumn<int>("list");
  QTest::addColumn<QList<Click>>("clicks");
  QTest::addColumn<QList<QStringList>>("expected");

  const QStringList orderIdAmount{"OrderID", "Amount"};
  const QStringList customer{"Customer"};

  QTest::newRow("field name list: the partner loses the same entry")
      << 0 << QList<Click>{{1, Qt::NoModifier}}
      << QList<QStringList>{orderIdAmount, orderIdAmount, kColumns, kColumns};
  QTest::newRow("display name list, entries 0 and 2")
      << 1 << QList<Click>{{0, Qt::NoModifier}, {2, Qt::ControlModifier}}
      << QList<QStringList>{customer, customer, kColumns, kColumns};
  QTest::newRow("display name list, all entries by a range")
      << 1 << QList<Click>{{0, Qt::NoModifier}, {2, Qt::ShiftModifier}}
      << QList<QStringList>{{}, {}, kColumns, kColumns};
  QTest::newRow("filter name list stands alone")
      << 2 << QList<Click>{{0, Qt::NoModifier}, {1, Qt::ShiftModifier}}
      << QList<QStringList>{kColumns, kColumns, {"Amount"}, kColumns};
  QTest::newRow("search name list stands alone")
      << 3 << QList<Click>{{2, Qt::NoModifier}}
      << QList<QStringList>{kColumns, kColumns, kColumns, {"OrderID", "Customer"}};
  QTest::newRow("nothing selected")
      << 0 << QList<Click>{{1, Qt::NoModifier}, {1, Qt::ControlModifier}} << kFresh;
}

void FieldListEditingTest::removesTheSelectedEntries() {
  QFETCH(int, list);
  QFETCH(QList<Click>, clicks);
  QFETCH(QList<QStringList>, expected);

  // "Delete" in the menu of the last click, or Backspace after the clicks.
  for (const bool byBackspace : {false, true}) {
    OrdersWindow window;
    for (qsizetype i = 0; i < clicks.size(); ++i) {
      const bool last = i + 1 == clicks.size();
      window->ClickEntry(list, clicks[i].row, last && !byBackspace ? kDelete : kClosed,
                         clicks[i].modifiers);
    }
    if (byBackspace) {
      window->Press(window->ListItem(list), Qt::Key_Backspace);
    }
    QCOMPARE(window->AllFieldLists(), expected);
    QCOMPARE(window->dialogs().menus.size(), clicks.size());
    QVERIFY(window->dialogs().inputQuestions.isEmpty());
    QVERIFY(window->dialogs().allAnswersUsed());
  }
}

void FieldListEditingTest::menuClosedOrCancelledChangesNothing_data() {
  QTest::addColumn<int>("answer");
  QTest::newRow("Cancel") << int(kCancel);
  QTest::newRow("closed without a choice") << int(kClosed);
}

void FieldListEditingTest::menuClosedOrCancelledChangesNothing() {
  QFETCH(int, answer);
  for (int list = 0; list < 4; ++list) {
    OrdersWindow window;
    window->ClickEntry(list, 1, answer);
    QCOMPARE(window->AllFieldLists(), kFresh);
    QCOMPARE(window->dialogs().menus, (QList<QStringList>{{"Delete", "Edit", "Cancel"}}));
    QVERIFY(window->dialogs().inputQuestions.isEmpty());
  }
}

void FieldListEditingTest::renamesTheCurrentEntry_data() {
  QTest::addColumn<int>("list");
  QTest::addColumn<QList<Click>>("clicks");
  QTest::addColumn<QString>("answer");
  QTest::addColumn<QString>("offered");
  QTest::addColumn<QList<QStringList>>("expected");

  QTest::newRow("display name, the partner keeps its text")
      << 1 << QList<Click>{{1, Qt::NoModifier}} << "Client"
      << "Customer"
      << QList<QStringList>{kColumns, {"OrderID", "Client", "Amount"}, kColumns, kColumns};
  QTest::newRow("field name, the partner keeps its text")
      << 0 << QList<Click>{{2, Qt::NoModifier}} << "Total"
      << "Amount"
      << QList<QStringList>{{"OrderID", "Customer", "Total"}, kColumns, kColumns, kColumns};
  QTest::newRow("two blanks are an answer")
      << 2 << QList<Click>{{0, Qt::NoModifier}} << "  "
      << "OrderID"
      << QList<QStringList>{kColumns, kColumns, {"  ", "Customer", "Amount"}, kColumns};
  QTest::newRow("blanks are kept as typed")
      << 3 << QList<Click>{{1, Qt::NoModifier}} << " Who ordered "
      << "Customer"
      << QList<QStringList>{kColumns, kColumns, kColumns, {"OrderID", " Who ordered ", "Amount"}};
  QTest::newRow("only the current entry of several selected")
      << 1 << QList<Click>{{0, Qt::NoModifier}, {2, Qt::ControlModifier}} << "Sum"
      << "Amount"
      << QList<QStringList>{kColumns, {"OrderID", "Customer", "Sum"}, kColumns, kColumns};
  QTest::newRow("cancelled, or emptied and confirmed")
      << 1 << QList<Click>{{1, Qt::NoModifier}} << ""
      << "Customer" << kFresh;
}

void FieldListEditingTest::renamesTheCurrentEntry() {
  QFETCH(int, list);
  QFETCH(QList<Click>, clicks);
  QFETCH(QString, answer);
  QFETCH(QString, offered);
  QFETCH(QList<QStringList>, expected);

  OrdersWindow window;
  for (qsizetype i = 0; i < clicks.size(); ++i) {
    const bool last = i + 1 == clicks.size();
    if (last) {
      window->dialogs().AnswerInput(answer);
    }
    window->ClickEntry(list, clicks[i].row, last ? kEdit : kClosed, clicks[i].modifiers);
  }
  QCOMPARE(window->AllFieldLists(), expected);
  QCOMPARE(window->dialogs().inputQuestions.size(), 1);
  const auto& question = window->dialogs().inputQuestions.first();
  QCOMPARE(question.prompt, QString("Please Input your data:"));
  QCOMPARE(question.title, QString(""));
  QCOMPARE(question.defaultAnswer, offered);
  QVERIFY(window->dialogs().allAnswersUsed());
}

// "Edit" renames the entry current when the menu was asked for. A click on
// empty space leaves none, whatever was current before it; the user sees
// nothing selected, so nothing is renamed. The real menu and a window that
// has the keyboard, as on a desktop: the list gets the focus back when the
// menu closes.
void FieldListEditingTest::editWithoutACurrentEntryChangesNothing_data() {
  QTest::addColumn<int>("clickedFirst");  // -1: no entry clicked before
  QTest::addColumn<bool>("byClickBelowTheEntries");
  QTest::newRow("Enter right after the listing") << -1 << false;
  QTest::newRow("a click below the last entry") << -1 << true;
  QTest::newRow("a click below the entries after one was clicked") << 1 << true;
}

void FieldListEditingTest::editWithoutACurrentEntryChangesNothing() {
  QFETCH(int, clickedFirst);
  QFETCH(bool, byClickBelowTheEntries);
  PopupListMenu realMenu;
  OrdersWindow window(&realMenu);
  window->window().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window->window()));
  QListWidget* list = window->ListItem(1);
  if (clickedFirst >= 0) {
    const WhenShown<QMenu> closeMenu([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
    const QPoint entry = list->visualItemRect(list->item(clickedFirst)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, entry);
    window->Settle();
    QVERIFY(closeMenu.answered());
  }

  const WhenShown<QMenu> chooseEdit([](QMenu* menu) {
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}) {
      QTest::keyClick(menu, key);
    }
  });
  window->dialogs().AnswerInput("Renamed");
  if (byClickBelowTheEntries) {
    const QRect last = list->visualItemRect(list->item(list->count() - 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(last.center().x(), last.bottom() + 3 * last.height()));
  } else {
    QTest::keyClick(list, Qt::Key_Return);
  }
  window->Settle();

  QVERIFY(chooseEdit.answered());
  QVERIFY(window->dialogs().inputQuestions.isEmpty());
  QCOMPARE(window->AllFieldLists(), kFresh);
}

// Keys on a field list with its second entry selected: the menu (answered
// "Delete"), a removal without it, a rename, or nothing.
void FieldListEditingTest::keysOnAList_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<bool>("opensMenu");
  QTest::addColumn<bool>("removes");
  QTest::addColumn<bool>("renames");
  QTest::newRow("space") << int(Qt::Key_Space) << 0 << true << true << false;
  QTest::newRow("Return") << int(Qt::Key_Return) << 0 << true << true << false;
  QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter) << 0 << true << true << false;
  QTest::newRow("Menu key") << int(Qt::Key_Menu) << 0 << true << true << false;
  QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier) << true << true << false;
  QTest::newRow("Delete key") << int(Qt::Key_Delete) << 0 << false << true << false;
  QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0 << false << true << false;
  QTest::newRow("F2") << int(Qt::Key_F2) << 0 << false << false << true;
  QTest::newRow("F10 alone") << int(Qt::Key_F10) << 0 << false << false << false;
  QTest::newRow("a letter") << int(Qt::Key_A) << 0 << false << false << false;
  QTest::newRow("arrow down") << int(Qt::Key_Down) << 0 << false << false << false;
}

void FieldListEditingTest::keysOnAList() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(bool, opensMenu);
  QFETCH(bool, removes);
  QFETCH(bool, renames);
  for (int list = 0; list < 4; ++list) {
    OrdersWindow window;
    window->ClickEntry(list, 1, kClosed);
    if (opensMenu) {
      window->dialogs().AnswerMenu(kDelete);
    }
    if (renames) {
      window->dialogs().AnswerInput("Client");
    }
    QTest::keyClick(window->ListItem(list), static_cast<Qt::Key>(key),
                    static_cast<Qt::KeyboardModifiers>(modifiers));
    window->Settle();
    QCOMPARE(window->dialogs().menus.size(), opensMenu ? 2 : 1);
    QCOMPARE(window->dialogs().menus.last(), (QStringList{"Delete", "Edit", "Cancel"}));
    QCOMPARE(window->Entries(list).size(), removes ? 2 : 3);
    QCOMPARE(window->Entries(list).contains("Client"), renames);
    QVERIFY(window->dialogs().allAnswersUsed());
    QVERIFY(window->dialogs().unexpected.isEmpty());
  }
}

// Space opens the menu and then still selects the current entry, as the list
// does with Space on its own.
void FieldListEditingTest::theKeyStillReachesTheList() {
  OrdersWindow window;
  QListWidget* list = window->ListItem(2);
  window->ClickEntry(2, 1, kClosed);
  window->ClickEntry(2, 1, kClosed, Qt::ControlModifier);
  QCOMPARE(list->currentRow(), 1);
  QVERIFY(list->selectedItems().isEmpty());

  window->dialogs().AnswerMenu(kCancel);
  window->Press(list, Qt::Key_Space);
  QCOMPARE(window->dialogs().menus.size(), 3);
  QCOMPARE(list->selectedItems().size(), 1);
  QCOMPARE(list->selectedItems().first()->text(), QString("Customer"));
}

// A right click asks for the menu as the desktop sends it, a context-menu
// event at the pointer; the middle button opens none.
void FieldListEditingTest::otherButtons_data() {
  QTest::addColumn<bool>("right");
  QTest::newRow("right") << true;
  QTest::newRow("middle") << false;
}

void FieldListEditingTest::otherButtons() {
  QFETCH(bool, right);
  for (int list = 0; list < 4; ++list) {
    OrdersWindow window;
    QListWidget* box = window->ListItem(list);
    const QPoint entry = box->visualItemRect(box->item(1)).center();
    QTest::mouseClick(box->viewport(), right ? Qt::RightButton : Qt::MiddleButton, Qt::NoModifier,
                      entry);
    if (right) {
      window->dialogs().AnswerMenu(kCancel);
      QContextMenuEvent request(QContextMenuEvent::Mouse, entry,
                                box->viewport()->mapToGlobal(entry));
      QApplication::sendEvent(box->viewport(), &request);
    }
    window->Settle();
    QCOMPARE(window->dialogs().menus.size(), right ? 1 : 0);
    if (right) {
      QCOMPARE(window->dialogs().menuPlaces.first(), box->viewport()->mapToGlobal(entry));
    }
    QCOMPARE(window->AllFieldLists(), kFresh);
  }
}

void FieldListEditingTest::realMenuOpensWhereAsked_data() {
  QTest::addColumn<bool>("byKey");
  QTest::addColumn<QPoint>("pointer");
  // By key the menu opens at the current entry, wherever the pointer is.
  QTest::newRow("space, pointer away from the list") << true << QPoint(40, 30);
  QTest::newRow("left click") << false << QPoint();
}

void FieldListEditingTest::realMenuOpensWhereAsked() {
  QFETCH(bool, byKey);
  QFETCH(QPoint, pointer);

  PopupListMenu realMenu;
  OrdersWindow window(&realMenu);
  QListWidget* list = window->ListItem(0);
  const QPoint entry = list->visualItemRect(list->item(1)).center();
  QStringList shownEntries;
  WhenShown<QMenu> user([&shownEntries](QMenu* menu) {
    for (const QAction* action : menu->actions()) {
      shownEntries.append(action->text());
    }
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);  // "Delete"
  });
  if (byKey) {
    list->setCurrentRow(1);
    QCursor::setPos(pointer);
    QTest::keyClick(list, Qt::Key_Space);
  } else {
    pointer = list->viewport()->mapToGlobal(entry);
    QCursor::setPos(pointer);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, entry);
  }
  window->Settle();

  QVERIFY(user.answered());
  if (byKey) {
    const QRect current = list->visualItemRect(list->item(1));
    const QRect onScreen(list->viewport()->mapToGlobal(current.topLeft()), current.size());
    QVERIFY2(onScreen.left() <= user.shownAt().x() && user.shownAt().x() <= onScreen.right() &&
                 qAbs(user.shownAt().y() - onScreen.bottom()) <= 2,
             qPrintable(QString("menu at %1,%2").arg(user.shownAt().x()).arg(user.shownAt().y())));
  } else {
    QCOMPARE(user.shownAt(), pointer);
  }
  QCOMPARE(shownEntries, (QStringList{"Delete", "Edit", "Cancel"}));
  QCOMPARE(window->Entries(0), (QStringList{"OrderID", "Amount"}));
  QCOMPARE(window->Entries(1), (QStringList{"OrderID", "Amount"}));
}

QTEST_MAIN(FieldListEditingTest)
#include "field_list_editing_test.moc"
