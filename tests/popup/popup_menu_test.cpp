// cPopupMenu driven through a real QMenu: a timer finds the open menu and
// answers it with keys or mouse clicks, as a user would.

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <functional>

#include "popup/popup_menu.h"

using ferulo::popup::cPopupMenu;

namespace {

constexpr int kMenuWaitMs = 5000;

// What a scripted user does once the menu is open.
using MenuAnswer = std::function<void(QMenu*)>;

// Waits for the popup that the next Popup call opens and answers it. A menu
// that never opens, or that the answer leaves open, fails the test instead of
// hanging it.
class MenuDriver {
 public:
  explicit MenuDriver(MenuAnswer answer) : answer_(std::move(answer)) {
    clock_.start();
    QTimer::singleShot(0, &context_, [this] { Poll(); });
  }

  [[nodiscard]] bool menuWasAnswered() const { return answered_; }
  [[nodiscard]] QPoint menuPosition() const { return position_; }
  [[nodiscard]] QStringList shownTexts() const { return shownTexts_; }
  [[nodiscard]] QList<bool> separators() const { return separators_; }

 private:
  void Poll() {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) {
      if (clock_.elapsed() < kMenuWaitMs) {
        QTimer::singleShot(10, &context_, [this] { Poll(); });
      }
      return;
    }
    position_ = menu->pos();
    for (const QAction* action : menu->actions()) {
      shownTexts_.append(action->text());
      separators_.append(action->isSeparator());
    }
    answer_(menu);
    answered_ = true;
    // Whatever the answer was, no menu may outlive the driver.
    QTimer::singleShot(kMenuWaitMs, &context_, [] {
      if (QWidget* left = QApplication::activePopupWidget()) {
        left->close();
      }
    });
  }

  QObject context_;  // cancels pending timers when the driver goes
  MenuAnswer answer_;
  QElapsedTimer clock_;
  bool answered_ = false;
  QPoint position_;
  QStringList shownTexts_;
  QList<bool> separators_;
};

MenuAnswer PressKeys(QList<int> keys) {
  return [keys](QMenu* menu) {
    for (int key : keys) {
      QTest::keyClick(menu, static_cast<Qt::Key>(key));
    }
  };
}

MenuAnswer ClickEntry(int position) {
  return [position](QMenu* menu) {
    QAction* action = menu->actions().at(position);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
  };
}

MenuAnswer ClickOutside() {
  return [](QMenu* menu) {
    QTest::mouseClick(menu, Qt::LeftButton, {}, QPoint(menu->width() + 40, menu->height() + 40));
  };
}

const QList<int> kChooseSecond{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return};

}  // namespace

class PopupMenuTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void reportsTheChosenEntry_data();
  void reportsTheChosenEntry();
  void showsEntriesAndSeparatorsInOrder();
  void closingWithoutAChoiceClearsTheEarlierText_data();
  void closingWithoutAChoiceClearsTheEarlierText();
  void opensAtTheMousePointer_data();
  void opensAtTheMousePointer();
  void emptyListChoosesNothing();
};

void PopupMenuTest::reportsTheChosenEntry_data() {
  QTest::addColumn<QStringList>("entries");
  QTest::addColumn<QList<int>>("keys");
  QTest::addColumn<int>("number");
  QTest::addColumn<QString>("text");

  const QStringList listMenu{"Delete", "Edit", "Cancel"};
  QTest::newRow("first entry") << listMenu << QList<int>{Qt::Key_Down, Qt::Key_Return} << 1
                               << "Delete";
  QTest::newRow("second entry") << listMenu << kChooseSecond << 2 << "Edit";
  QTest::newRow("third entry with Enter on the keypad")
      << listMenu << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Enter} << 3
      << "Cancel";
  QTest::newRow("escape") << listMenu << QList<int>{Qt::Key_Down, Qt::Key_Escape} << 0 << "";
  // The separator keeps its number, so Close is still entry 3.
  QTest::newRow("separator with blanks is skipped but numbered")
      << QStringList{"Open", " - ", "Close"} << kChooseSecond << 3 << "Close";
  QTest::newRow("separator first")
      << QStringList{"-", "Only"} << QList<int>{Qt::Key_Down, Qt::Key_Return} << 2 << "Only";
  QTest::newRow("blanks around the text are trimmed")
      << QStringList{"Open", " Save "} << kChooseSecond << 2 << "Save";
  QTest::newRow("tabs are not blanks")
      << QStringList{"Open", "\tTabbed "} << kChooseSecond << 2 << "\tTabbed";
  QTest::newRow("a dash between other text is an entry")
      << QStringList{"Open", "- -"} << kChooseSecond << 2 << "- -";
  QTest::newRow("300 characters give the first 254")
      << QStringList{QString(300, QLatin1Char('x'))} << QList<int>{Qt::Key_Down, Qt::Key_Return}
      << 1 << QString(254, QLatin1Char('x'));
  QTest::newRow("blanks at the cut are trimmed")
      << QStringList{QString(250, QLatin1Char('a')) + QString(10, QLatin1Char(' ')) +
                     QString(40, QLatin1Char('b'))}
      << QList<int>{Qt::Key_Down, Qt::Key_Return} << 1 << QString(250, QLatin1Char('a'));
  QTest::newRow("a cut never splits a character beyond 16 bits")
      << QStringList{QString(253, QLatin1Char('c')) + QString::fromUtf8("\xF0\x9F\x98\x80") +
                     "tail"}
      << QList<int>{Qt::Key_Down, Qt::Key_Return} << 1 << QString(253, QLatin1Char('c'));
}

void PopupMenuTest::reportsTheChosenEntry() {
  QFETCH(QStringList, entries);
  QFETCH(QList<int>, keys);
  QFETCH(int, number);
  QFETCH(QString, text);

  cPopupMenu menu;
  MenuDriver driver(PressKeys(keys));
  QCOMPARE(menu.Popup(entries), number);
  QVERIFY(driver.menuWasAnswered());
  QCOMPARE(menu.SelMenuString(), text);
}

void PopupMenuTest::showsEntriesAndSeparatorsInOrder() {
  cPopupMenu menu;
  MenuDriver driver(ClickEntry(3));
  QCOMPARE(menu.Popup({" Save ", "-", "  -  ", "Close"}), 4);
  QVERIFY(driver.menuWasAnswered());
  QCOMPARE(driver.separators(), (QList<bool>{false, true, true, false}));
  // Items show their text as given, blanks included.
  QCOMPARE(driver.shownTexts().first(), QString(" Save "));
  QCOMPARE(driver.shownTexts().last(), QString("Close"));
  QCOMPARE(menu.SelMenuString(), QString("Close"));
}

void PopupMenuTest::closingWithoutAChoiceClearsTheEarlierText_data() {
  QTest::addColumn<bool>("byEscape");
  QTest::newRow("escape") << true;
  QTest::newRow("click outside the menu") << false;
}

void PopupMenuTest::closingWithoutAChoiceClearsTheEarlierText() {
  QFETCH(bool, byEscape);
  const QStringList entries{"Delete", "Edit", "Cancel"};

  cPopupMenu menu;
  {
    MenuDriver driver(ClickEntry(1));
    QCOMPARE(menu.Popup(entries), 2);
    QCOMPARE(menu.SelMenuString(), QString("Edit"));
  }
  MenuDriver driver(byEscape ? PressKeys({Qt::Key_Escape}) : ClickOutside());
  QCOMPARE(menu.Popup(entries), 0);
  QVERIFY(driver.menuWasAnswered());
  QCOMPARE(menu.SelMenuString(), QString());
}

void PopupMenuTest::opensAtTheMousePointer_data() {
  QTest::addColumn<QPoint>("pointer");
  QTest::newRow("near the top left") << QPoint(30, 40);
  QTest::newRow("in the middle") << QPoint(300, 250);
}

void PopupMenuTest::opensAtTheMousePointer() {
  QFETCH(QPoint, pointer);
  QCursor::setPos(pointer);
  QCOMPARE(QCursor::pos(), pointer);

  cPopupMenu menu;
  MenuDriver driver(PressKeys({Qt::Key_Escape}));
  QCOMPARE(menu.Popup({"Delete", "Edit", "Cancel"}), 0);
  QVERIFY(driver.menuWasAnswered());
  QCOMPARE(driver.menuPosition(), pointer);
}

void PopupMenuTest::emptyListChoosesNothing() {
  cPopupMenu menu;
  // An empty menu may not open at all; if it does, Escape closes it.
  MenuDriver driver(PressKeys({Qt::Key_Escape}));
  QCOMPARE(menu.Popup({}), 0);
  QCOMPARE(menu.SelMenuString(), QString());
}

QTEST_MAIN(PopupMenuTest)
#include "popup_menu_test.moc"
