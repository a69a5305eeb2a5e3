// Both windows on the desktops users have: default fonts from 8 to 12 points,
// each test run once per size. Every text keeps its room and each window
// opens inside the screen's available area. CTest runs this test as it is and
// again at a scale factor of 2 on a 1280 by 800 screen, where the main window
// is wider than the screen.

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include "about/about_window.h"
#include "about_test_support.h"
#include "fake_database.h"
#include "window_harness.h"

using ferulo::app::test::FakeDatabase;
using ferulo::app::test::WindowHarness;

namespace {

// Ten columns with names of the usual lengths: as many as the field lists show
// at once at the size their layout was drawn for.
const std::vector<std::string> kOrdersColumns{
    "OrderID",     "CustomerID", "EmployeeID", "OrderDate", "RequiredDate",
    "ShippedDate", "ShipVia",    "Freight",    "ShipName",  "ShipPostalCode"};

// The labels and buttons of window whose text does not fit them, and the
// lists that need a scroll bar for what they hold.
QStringList ControlsTooSmall(const QWidget& window) {
  QStringList tooSmall;
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    const bool fits = label->wordWrap() ? label->height() >= label->heightForWidth(label->width())
                                        : label->width() >= label->sizeHint().width() &&
                                              label->height() >= label->sizeHint().height();
    if (label->isVisibleTo(&window) && !fits) {
      tooSmall.append(label->objectName());
    }
  }
  for (const QPushButton* button : window.findChildren<QPushButton*>()) {
    const QSize needed = button->sizeHint();
    if (button->isVisibleTo(&window) &&
        (button->width() < needed.width() || button->height() < needed.height())) {
      tooSmall.append(button->objectName());
    }
  }
  for (const QListWidget* list : window.findChildren<QListWidget*>()) {
    if (list->verticalScrollBar()->isVisible() || list->horizontalScrollBar()->isVisible()) {
      tooSmall.append(list->objectName());
    }
  }
  return tooSmall;
}

// The window, frame included, lies inside its screen's available area.
bool InsideTheScreen(const QWidget& window) {
  return window.screen()->availableGeometry().contains(window.frameGeometry());
}

}  // namespace

class WindowFitTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase_data();
  void init();
  void cleanup();
  void textsHaveTheirRoom();
  void windowsOpenInsideTheScreen();
  void everyControlComesIntoViewWithTheFocus();

 private:
  QFont defaultFont_ = QApplication::font();
};

void WindowFitTest::initTestCase_data() {
  QTest::addColumn<int>("pointSize");
  for (int pointSize = 8; pointSize <= 12; ++pointSize) {
    QTest::newRow(qPrintable(QStringLiteral("%1 pt").arg(pointSize))) << pointSize;
  }
}

// The desktop's default font family at the row's size.
void WindowFitTest::init() {
  QFETCH_GLOBAL(int, pointSize);
  QFont font = defaultFont_;
  font.setPointSize(pointSize);
  QApplication::setFont(font);
}

void WindowFitTest::cleanup() {
  QApplication::setFont(defaultFont_);
}

void WindowFitTest::textsHaveTheirRoom() {
  FakeDatabase database;
  database.Add("/data/shop.mdb", {{{"Orders", kOrdersColumns, {}}}, {}, {}});
  WindowHarness harness(database);
  harness.SelectDatabase(QString("/data/shop.mdb"));
  harness.ClickTable("Orders");
  QTest::qWait(20);
  const QStringList mainTooSmall = ControlsTooSmall(harness.window());
  QVERIFY2(mainTooSmall.isEmpty(), qPrintable(mainTooSmall.join(QStringLiteral(", "))));

  ferulo::about::ShowAboutWindow();
  const QPointer<QWidget> about = ferulo::about::test::ShownAboutWindow();
  QVERIFY(about != nullptr);
  const QStringList aboutTooSmall = ControlsTooSmall(*about);
  about->close();
  QVERIFY2(aboutTooSmall.isEmpty(), qPrintable(aboutTooSmall.join(QStringLiteral(", "))));
}

void WindowFitTest::windowsOpenInsideTheScreen() {
  FakeDatabase database;
  WindowHarness harness(database);
  QVERIFY2(InsideTheScreen(harness.window()), "the main window reaches beyond the screen");

  ferulo::about::ShowAboutWindow();
  const QPointer<QWidget> about = ferulo::about::test::ShownAboutWindow();
  QVERIFY(about != nullptr);
  QVERIFY(QTest::qWaitForWindowExposed(about));
  const bool aboutInside = InsideTheScreen(*about);
  about->close();
  QVERIFY2(aboutInside, "the About window reaches beyond the screen");
}

// A window made smaller than its page of controls still shows each control
// whole once the keyboard reaches it.
void WindowFitTest::everyControlComesIntoViewWithTheFocus() {
  FakeDatabase database;
  WindowHarness harness(database);
  harness.window().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&harness.window()));
  const QRect window = harness.window().rect();
  QStringList outOfView;
  // Eleven steps go once round the focus order, back to txtInput.
  for (int step = 0; step < 11; ++step) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    const QWidget* focus = QApplication::focusWidget();
    const QRect place(focus->mapTo(&harness.window(), QPoint()), focus->size());
    if (!window.contains(place)) {
      outOfView.append(focus->objectName());
    }
  }
  QVERIFY2(outOfView.isEmpty(), qPrintable(outOfView.join(QStringLiteral(", "))));
}

QTEST_MAIN(WindowFitTest)
#include "window_fit_test.moc"
