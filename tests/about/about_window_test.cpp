// frmAbout as a user meets it: real Qt widgets on the offscreen platform,
// driven by keys and clicks through ShowAboutWindow.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSysInfo>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "about/about_window.h"
#include "about/frm_about.h"
#include "about/ini_registry.h"
#include "about_test_support.h"
#include "support/test_support.h"

namespace ferulo::about {

// Stands in for the desktop's browser: QDesktopServices hands it every https
// address it is asked to open.
class UrlRecorder : public QObject {
  Q_OBJECT

 public Q_SLOTS:
  void Open(const QUrl& url) { urls.append(url); }

 public:
  QList<QUrl> urls;
};

namespace {

using ferulo::test::TempDir;
using ferulo::test::WriteFile;
using test::MachineSection;
using test::RecordingMessageBoxes;
using test::RecordingStarter;
using test::ShownAboutWindow;
using test::WaitForFile;
using test::WriteMarkerScript;

// An access key clicks its button after a short animation (100 ms in Qt).
constexpr int kButtonAnimationMs = 250;

const VersionFields kThisVersion{"1", "0", "0", "3"};
const VersionFields kLaterVersion{"2", "4", "0", "9"};

void ProcessDeferredDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// Every About window that still exists, open or not yet deleted.
int AboutWindowCount() {
  int count = 0;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    count += qobject_cast<frmAbout*>(window) != nullptr ? 1 : 0;
  }
  return count;
}

int VisibleWindowCount() {
  int count = 0;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    count += window->isVisible() ? 1 : 0;
  }
  return count;
}

// Sends the key as the window system does: to the active window, which hands
// it to the focused control and its shortcuts.
void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWindow* window = QGuiApplication::focusWindow();
  if (window == nullptr) {
    ADD_FAILURE() << "no window has the keyboard";
    return;
  }
  QTest::keyClick(window, key, modifiers);
}

template <typename Control>
Control* Find(QWidget* window, const char* name) {
  return window == nullptr ? nullptr : window->findChild<Control*>(QLatin1String(name));
}

QString VersionLabel(QWidget* window) {
  const auto* label = Find<QLabel>(window, "lblVersion");
  return label == nullptr ? QString() : label->text();
}

class AboutWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser_, "Open");
  }

  void TearDown() override {
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (qobject_cast<frmAbout*>(window) != nullptr) {
        window->close();
      }
    }
    ProcessDeferredDeletes();
  }

  AboutDependencies Dependencies(const VersionFields& version = kThisVersion) {
    AboutDependencies dependencies;
    dependencies.version = version;
    dependencies.registry = std::make_shared<IniRegistryStore>(RegistryFile());
    dependencies.programs = programs_;
    dependencies.messages = messages_;
    return dependencies;
  }

  // Opens the About window and waits until it has the keyboard.
  QWidget* Open(const AboutDependencies& dependencies) {
    ShowAboutWindow(dependencies);
    QWidget* about = ShownAboutWindow();
    if (about != nullptr && !QTest::qWaitForWindowActive(about)) {
      ADD_FAILURE() << "the About window did not become active";
    }
    return about;
  }

  QWidget* Open() { return Open(Dependencies()); }

  [[nodiscard]] std::string RegistryFile() const { return dir_.file("registry.ini"); }

  TempDir dir_;
  UrlRecorder browser_;
  std::shared_ptr<RecordingMessageBoxes> messages_ = std::make_shared<RecordingMessageBoxes>();
  std::shared_ptr<RecordingStarter> programs_ = std::make_shared<RecordingStarter>();
};

// --- The window itself ---------------------------------------------------

TEST_F(AboutWindow, IsAFixedModelessDialogWithoutOwnerCentredOnTheScreen) {
  QWidget* about = Open();
  ASSERT_NE(about, nullptr);

  EXPECT_EQ(about->objectName(), QStringLiteral("frmAbout"));
  EXPECT_EQ(about->windowTitle(), QStringLiteral("About FERULO"));
  EXPECT_EQ(about->parentWidget(), nullptr);
  EXPECT_EQ(about->windowModality(), Qt::NonModal);
  EXPECT_EQ(about->windowType(), Qt::Dialog);
  EXPECT_EQ(about->minimumSize(), about->size());
  EXPECT_EQ(about->maximumSize(), about->size());
  const Qt::WindowFlags flags = about->windowFlags();
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));

  const QPoint screenCentre = about->screen()->availableGeometry().center();
  const QPoint windowCentre = about->geometry().center();
  EXPECT_LE((windowCentre - screenCentre).manhattanLength(), 2)
      << "window centre " << windowCentre.x() << "," << windowCentre.y() << " screen centre "
      << screenCentre.x() << "," << screenCentre.y();
}

struct TextCase {
  const char* control;
  const char* text;
};

void PrintTo(const TextCase& c, std::ostream* out) {
  *out << c.control;
}

class AboutWindowText : public AboutWindow, public ::testing::WithParamInterface<TextCase> {};

TEST_P(AboutWindowText, IsExact) {
  QWidget* about = Open();
  const QObject* control = about->findChild<QObject*>(QLatin1String(GetParam().control));
  ASSERT_NE(control, nullptr) << GetParam().control << " is missing";
  const QString text = control->property("text").toString();
  EXPECT_EQ(text, QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Controls, AboutWindowText,
    ::testing::Values(TextCase{"lblPUT", "FERULO - Create an ASP from an Access Database "},
                      TextCase{"cmdOK", "Close(&C)"}, TextCase{"cmdIE", "Website(&W)"},
                      TextCase{"cmdSysInfo", "SysInfo(&I)"}),
    [](const auto& info) { return std::string(info.param.control); });

// The systems line names the system FERULO runs on, not the ones it once
// ran on.
TEST_F(AboutWindow, NamesTheSystemItRunsOn) {
  QWidget* about = Open();
  const QString systems = Find<QWidget>(about, "Label1")->property("text").toString();
  EXPECT_EQ(systems, "FOR " + QSysInfo::prettyProductName());
#ifdef Q_OS_LINUX
  EXPECT_FALSE(systems.contains("Windows")) << systems.toStdString();
#endif
}

// The arrangement as drawn: the three text lines one below the other at one
// left edge, the rule below them across the window, and under it the notice
// with the three buttons in a column to its right.
TEST_F(AboutWindow, IsLaidOutAsDrawn) {
  QWidget* about = Open();
  const auto place = [&](const char* name) {
    const QWidget* control = Find<QWidget>(about, name);
    return control != nullptr && control->isVisible() ? control->geometry() : QRect();
  };
  const QRect title = place("lblPUT");
  const QRect systems = place("Label1");
  const QRect version = place("lblVersion");
  const QRect rule = place("Line1_1");
  const QRect notice = place("lblDisclaimer");
  const QRect close = place("cmdOK");
  const QRect website = place("cmdIE");
  const QRect sysInfo = place("cmdSysInfo");
  for (const QRect& control : {title, systems, version, rule, notice, close, website, sysInfo}) {
    ASSERT_TRUE(control.isValid()) << "a control is missing or hidden";
    EXPECT_TRUE(about->rect().contains(control)) << "a control lies outside the window";
  }

  EXPECT_EQ(systems.left(), title.left());
  EXPECT_EQ(version.left(), title.left());
  EXPECT_LT(title.bottom(), systems.top());
  EXPECT_LT(systems.bottom(), version.top());
  EXPECT_LT(version.bottom(), rule.top());
  EXPECT_LT(rule.left(), title.left());
  EXPECT_GT(rule.width(), about->width() * 9 / 10);
  EXPECT_LT(rule.bottom(), notice.top());
  EXPECT_EQ(close.top(), notice.top());
  EXPECT_LT(notice.right(), close.left());
  EXPECT_LT(close.bottom(), website.top());
  EXPECT_LT(website.bottom(), sysInfo.top());
  EXPECT_EQ(website.left(), close.left());
  EXPECT_EQ(sysInfo.left(), close.left());
}

// Drawn as it shows: a grey row with a white row below it, across the window.
TEST_F(AboutWindow, RuleLooksEtched) {
  QWidget* about = Open();
  const QWidget* grey = Find<QWidget>(about, "Line1_1");
  ASSERT_NE(grey, nullptr);
  const QImage image = about->grab().toImage();
  const int y = grey->y();
  for (int x : {grey->x() + 4, about->width() / 2, grey->geometry().right()}) {
    SCOPED_TRACE(x);
    EXPECT_EQ(QColor(image.pixel(x, y)), QColor(128, 128, 128));
    EXPECT_EQ(QColor(image.pixel(x, y + 1)), QColor(255, 255, 255));
  }
}

TEST_F(AboutWindow, DisclaimerIsANoticeThatFitsItsBox) {
  QWidget* about = Open();
  const auto* notice = Find<QLabel>(about, "lblDisclaimer");
  ASSERT_NE(notice, nullptr);
  EXPECT_GE(notice->text().size(), 200);
  EXPECT_LE(notice->text().size(), 330);
  EXPECT_TRUE(notice->text().contains(QStringLiteral("FERULO")));
  EXPECT_TRUE(notice->wordWrap());
  EXPECT_LE(notice->heightForWidth(notice->width()), notice->height()) << "the notice is cut off";
}

// --- Version label -------------------------------------------------------

struct VersionLabelCase {
  const char* name;
  VersionFields version;
  const char* label;
};

void PrintTo(const VersionLabelCase& c, std::ostream* out) {
  *out << c.name;
}

class AboutWindowVersion : public AboutWindow,
                           public ::testing::WithParamInterface<VersionLabelCase> {};

TEST_P(AboutWindowVersion, ShowsTheVersionOrThePlaceholder) {
  QWidget* about = Open(Dependencies(GetParam().version));
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->isVisible());
  EXPECT_EQ(VersionLabel(about), QString::fromLatin1(GetParam().label));
  const auto* label = Find<QLabel>(about, "lblVersion");
  EXPECT_GE(label->width(), label->sizeHint().width()) << "version cut off";
}

INSTANTIATE_TEST_SUITE_P(
    Builds, AboutWindowVersion,
    ::testing::Values(
        VersionLabelCase{"ThisBuild", {"1", "0", "0", "3"}, "Version1.0.3"},
        VersionLabelCase{"WideNumbers", {"12", "345", "6", "7890"}, "Version12.345.7890"},
        VersionLabelCase{"NoRevisionKeepsPlaceholder", {"1", "0", "0", ""}, "Version 1.0"},
        VersionLabelCase{"GarbageKeepsPlaceholder", {"one", "0", "0", "3"}, "Version 1.0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AboutWindow, DefaultShowsTheProjectVersion) {
  const QStringList project = QStringLiteral(FERULO_TEST_PROJECT_VERSION).split(u'.');
  ASSERT_EQ(project.size(), 4);
  ShowAboutWindow();
  QWidget* about = ShownAboutWindow();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(VersionLabel(about), QStringLiteral("Version%1.%2.%3")
                                     .arg(project[0].toInt())
                                     .arg(project[1].toInt())
                                     .arg(project[3].toInt()));
}

// --- One window ----------------------------------------------------------

TEST_F(AboutWindow, SecondOpeningKeepsTheOneWindowAndItsLabel) {
  QPointer<QWidget> first = Open(Dependencies(kThisVersion));
  ASSERT_FALSE(first.isNull());

  ShowAboutWindow(Dependencies(kLaterVersion));
  ProcessDeferredDeletes();

  EXPECT_EQ(ShownAboutWindow(), first.data());
  EXPECT_EQ(AboutWindowCount(), 1);
  EXPECT_EQ(VersionLabel(first), QStringLiteral("Version1.0.3")) << "the label was rebuilt";
}

TEST_F(AboutWindow, SecondOpeningBringsItForwardAndActivatesIt) {
  QPointer<QWidget> about = Open();
  QWidget mainWindow;
  mainWindow.setWindowTitle(QStringLiteral("stand-in main window"));
  mainWindow.show();
  mainWindow.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));

  ShowAboutWindow(Dependencies());

  EXPECT_TRUE(QTest::qWaitForWindowActive(about));
  EXPECT_EQ(QApplication::activeWindow(), about.data());
  EXPECT_TRUE(mainWindow.isVisible()) << "the main window must stay open";
}

TEST_F(AboutWindow, SecondOpeningRestoresAMinimizedWindow) {
  QPointer<QWidget> about = Open();
  about->showMinimized();
  ASSERT_TRUE(about->isMinimized());

  ShowAboutWindow(Dependencies(kLaterVersion));

  EXPECT_FALSE(about->isMinimized());
  EXPECT_TRUE(QTest::qWaitForWindowActive(about));
  EXPECT_EQ(VersionLabel(about), QStringLiteral("Version1.0.3"));
  EXPECT_EQ(AboutWindowCount(), 1);
}

// Each way of closing discards the window; the next opening builds a new one
// with a freshly built label.
struct CloseCase {
  const char* name;
  std::function<void(QWidget* about)> close;
};

void PrintTo(const CloseCase& c, std::ostream* out) {
  *out << c.name;
}

class AboutWindowClosing : public AboutWindow, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(AboutWindowClosing, DiscardsItAndReopeningRebuildsTheLabel) {
  QPointer<QWidget> first = Open(Dependencies(kThisVersion));
  ASSERT_FALSE(first.isNull());

  GetParam().close(first);
  ProcessDeferredDeletes();

  EXPECT_TRUE(first.isNull()) << "the closed window still exists";
  EXPECT_EQ(ShownAboutWindow(), nullptr);

  QWidget* second = Open(Dependencies(kLaterVersion));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(VersionLabel(second), QStringLiteral("Version2.4.9"));
  EXPECT_EQ(AboutWindowCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, AboutWindowClosing,
    ::testing::Values(CloseCase{"CloseButton",
                                [](QWidget* about) { Find<QPushButton>(about, "cmdOK")->click(); }},
                      CloseCase{"TitleBar", [](QWidget* about) { about->windowHandle()->close(); }},
                      CloseCase{"Escape", [](QWidget*) { PressKey(Qt::Key_Escape); }},
                      CloseCase{"Enter", [](QWidget*) { PressKey(Qt::Key_Return); }}),
    [](const auto& info) { return std::string(info.param.name); });

// Closing the main window leaves the About window open and the program
// running; closing the About window then ends it.
TEST_F(AboutWindow, OutlivesTheMainWindow) {
  ASSERT_EQ(VisibleWindowCount(), 0);
  QWidget mainWindow;
  mainWindow.show();
  QPointer<QWidget> about = Open();
  ASSERT_FALSE(about.isNull());

  QObject context;
  bool aboutOpenAfterMainClosed = false;
  bool timedOut = false;
  QElapsedTimer clock;
  QTimer::singleShot(0, &context, [&] { mainWindow.close(); });
  QTimer::singleShot(300, &context, [&] {
    aboutOpenAfterMainClosed = !about.isNull() && about->isVisible();
    if (!about.isNull()) {
      about->close();
    }
  });
  QTimer::singleShot(10000, &context, [&] {
    timedOut = true;
    QCoreApplication::exit(1);
  });
  clock.start();
  const int exitCode = QApplication::exec();

  EXPECT_TRUE(aboutOpenAfterMainClosed);
  EXPECT_GE(clock.elapsed(), 300) << "the program ended with the main window";
  EXPECT_FALSE(timedOut) << "the program kept running after its last window closed";
  EXPECT_EQ(exitCode, 0);
}

// --- Keyboard ------------------------------------------------------------

TEST_F(AboutWindow, FocusStartsOnCloseAndMovesCloseSysInfoWebsite) {
  QWidget* about = Open();
  ASSERT_NE(about, nullptr);
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("cmdOK"));

  QStringList forward;
  for (int i = 0; i < 3; ++i) {
    PressKey(Qt::Key_Tab);
    forward.append(QApplication::focusWidget()->objectName());
  }
  EXPECT_EQ(forward, (QStringList{"cmdSysInfo", "cmdIE", "cmdOK"}));

  QStringList backward;
  for (int i = 0; i < 3; ++i) {
    PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    backward.append(QApplication::focusWidget()->objectName());
  }
  EXPECT_EQ(backward, (QStringList{"cmdIE", "cmdSysInfo", "cmdOK"}));
}

struct KeyCase {
  const char* name;
  const char* focus;  // the button that has the focus when the key comes
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  bool closes;
  bool opensWebsite;
  bool runsLauncher;
};

void PrintTo(const KeyCase& c, std::ostream* out) {
  *out << c.name;
}

class AboutWindowKey : public AboutWindow, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(AboutWindowKey, ActivatesTheRightButton) {
  const KeyCase& c = GetParam();
  QPointer<QWidget> about = Open();
  ASSERT_FALSE(about.isNull());
  auto* focus = Find<QPushButton>(about, c.focus);
  ASSERT_NE(focus, nullptr);
  focus->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), focus);

  PressKey(c.key, c.modifiers);
  QTest::qWait(kButtonAnimationMs);
  ProcessDeferredDeletes();

  EXPECT_EQ(about.isNull(), c.closes);
  EXPECT_EQ(browser_.urls.size(), c.opensWebsite ? 1 : 0);
  // With an empty registry the launcher's one visible effect is its message.
  EXPECT_EQ(messages_->shown.size(), c.runsLauncher ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AboutWindowKey,
    ::testing::Values(
        KeyCase{"EnterOnClose", "cmdOK", Qt::Key_Return, Qt::NoModifier, true, false, false},
        KeyCase{"KeypadEnterOnClose", "cmdOK", Qt::Key_Enter, Qt::KeypadModifier, true, false,
                false},
        KeyCase{"EscOnClose", "cmdOK", Qt::Key_Escape, Qt::NoModifier, true, false, false},
        KeyCase{"EscOnWebsite", "cmdIE", Qt::Key_Escape, Qt::NoModifier, true, false, false},
        KeyCase{"EscOnSysInfo", "cmdSysInfo", Qt::Key_Escape, Qt::NoModifier, true, false, false},
        KeyCase{"EnterOnWebsite", "cmdIE", Qt::Key_Return, Qt::NoModifier, false, true, false},
        KeyCase{"EnterOnSysInfo", "cmdSysInfo", Qt::Key_Return, Qt::NoModifier, false, false, true},
        KeyCase{"SpaceOnClose", "cmdOK", Qt::Key_Space, Qt::NoModifier, true, false, false},
        KeyCase{"AltCFromWebsite", "cmdIE", Qt::Key_C, Qt::AltModifier, true, false, false},
        KeyCase{"AltWFromClose", "cmdOK", Qt::Key_W, Qt::AltModifier, false, true, false},
        KeyCase{"AltIFromClose", "cmdOK", Qt::Key_I, Qt::AltModifier, false, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Website -------------------------------------------------------------

TEST_F(AboutWindow, WebsiteHandsTheAddressToTheDesktopAndSaysNothing) {
  QPointer<QWidget> about = Open();
  const int windowsBefore = VisibleWindowCount();

  Find<QPushButton>(about, "cmdIE")->click();
  ProcessDeferredDeletes();

  ASSERT_EQ(browser_.urls.size(), 1);
  const QUrl address = browser_.urls.front();
  EXPECT_EQ(address, QUrl(QString::fromLatin1(kWebsiteAddress)));
  EXPECT_TRUE(address.isValid());
  EXPECT_EQ(address.scheme(), QStringLiteral("https"));
  EXPECT_FALSE(address.host().isEmpty());
  EXPECT_FALSE(about.isNull());
  EXPECT_TRUE(about->isVisible());
  EXPECT_TRUE(messages_->shown.empty());
  EXPECT_EQ(VisibleWindowCount(), windowsBefore);
}

TEST_F(AboutWindow, WebsiteSaysNothingWhenNothingOpens) {
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  QPointer<QWidget> about = Open();
  const int windowsBefore = VisibleWindowCount();

  Find<QPushButton>(about, "cmdIE")->click();
  ProcessDeferredDeletes();

  EXPECT_FALSE(about.isNull());
  EXPECT_TRUE(about->isVisible());
  EXPECT_TRUE(messages_->shown.empty());
  EXPECT_EQ(VisibleWindowCount(), windowsBefore);
}

// --- SysInfo -------------------------------------------------------------

TEST_F(AboutWindow, SysInfoWithoutAToolShowsTheMessageOverTheWindow) {
  QPointer<QWidget> about = Open();

  Find<QPushButton>(about, "cmdSysInfo")->click();
  ProcessDeferredDeletes();

  ASSERT_EQ(messages_->shown.size(), 1u);
  EXPECT_EQ(messages_->shown[0].parent, about.data());
  EXPECT_EQ(messages_->shown[0].title, QStringLiteral("FERULO"));
  EXPECT_EQ(messages_->shown[0].text,
            QStringLiteral("System Information Is Unavailable At This Time"));
  EXPECT_TRUE(programs_->started.empty());
  EXPECT_FALSE(about.isNull());
  EXPECT_TRUE(about->isVisible());
}

TEST_F(AboutWindow, SysInfoStartsTheToolTheRegistryNames) {
  const std::filesystem::path tool = dir_.path() / "sysinfo-tool";
  const std::filesystem::path marker = dir_.path() / "sysinfo-ran";
  WriteMarkerScript(tool, marker);
  WriteFile(RegistryFile(), MachineSection(kSysInfoPathKey) + "PATH=" + tool.string() + "\n");
  programs_ = std::make_shared<RecordingStarter>(std::make_shared<DetachedProgramStarter>());
  QPointer<QWidget> about = Open();

  Find<QPushButton>(about, "cmdSysInfo")->click();

  EXPECT_TRUE(WaitForFile(marker)) << "the tool did not run";
  EXPECT_TRUE(messages_->shown.empty());
  EXPECT_FALSE(about.isNull());
}

}  // namespace
}  // namespace ferulo::about

#include "about_window_test.moc"
