// Both windows on the desktops users have: each opens inside the screen's
// available area. CTest runs this test as it is and again at a scale factor of
// 2 on a 1280 by 800 screen, where the main window is wider than the screen.

#include <QPointer>
#include <QScreen>
#include <QTest>

#include "about/about_window.h"
#include "about_test_support.h"
#include "fake_database.h"
#include "window_harness.h"

using ferulo::app::test::FakeDatabase;
using ferulo::app::test::WindowHarness;

namespace {

// "" when the window, frame included, lies inside its screen's available area.
QString PlaceOutsideTheScreen(const QWidget& window) {
  const QRect available = window.screen()->availableGeometry();
  const QRect frame = window.frameGeometry();
  if (available.contains(frame)) {
    return {};
  }
  return QStringLiteral("%1 at %2,%3 %4x%5 is not inside the available area %6x%7")
      .arg(window.objectName())
      .arg(frame.x())
      .arg(frame.y())
      .arg(frame.width())
      .arg(frame.height())
      .arg(available.width())
      .arg(available.height());
}

}  // namespace

class WindowFitTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void windowsOpenInsideTheScreen();
};

void WindowFitTest::windowsOpenInsideTheScreen() {
  FakeDatabase database;
  WindowHarness harness(database);
  QVERIFY2(PlaceOutsideTheScreen(harness.window()).isEmpty(),
           qPrintable(PlaceOutsideTheScreen(harness.window())));

  ferulo::about::ShowAboutWindow();
  const QPointer<QWidget> about = ferulo::about::test::ShownAboutWindow();
  QVERIFY(about != nullptr);
  QVERIFY(QTest::qWaitForWindowExposed(about));
  const QString aboutOutside = PlaceOutsideTheScreen(*about);
  about->close();
  QVERIFY2(aboutOutside.isEmpty(), qPrintable(aboutOutside));
}

QTEST_MAIN(WindowFitTest)
#include "window_fit_test.moc"
