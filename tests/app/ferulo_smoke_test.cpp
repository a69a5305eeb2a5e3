// Starts the real ferulo executable on an X server (run under xvfb-run),
// finds its windows by caption, types into them through the XTest extension
// as a user at the keyboard would, and closes the main window the way a window
// manager's close button does: a WM_DELETE_WINDOW message. The program must
// then end by itself with exit code 0.

// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include "support/test_support.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

constexpr const char* kCaption = "FERULO - Create Active Server Page from an Access Database";
constexpr const char* kOpenFileCaption = "Which database would you like to use ? ";

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

// A text property of any type (Qt writes UTF8_STRING).
std::string TextProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format,
                         &count, &remaining, &data) != Success ||
      data == nullptr) {
    return {};
  }
  std::string text = format == 8 ? std::string(reinterpret_cast<char*>(data), count) : "";
  XFree(data);
  return text;
}

// The window with that caption below parent, or 0.
Window FindByCaption(Display* display, Window parent, const std::string& caption) {
  const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
  if (TextProperty(display, parent, netWmName) == caption ||
      TextProperty(display, parent, XA_WM_NAME) == caption) {
    return parent;
  }
  Window root = 0;
  Window ignored = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, parent, &root, &ignored, &children, &count) == 0) {
    return 0;
  }
  Window found = 0;
  for (unsigned int i = 0; i < count && found == 0; ++i) {
    found = FindByCaption(display, children[i], caption);
  }
  if (children != nullptr) {
    XFree(children);
  }
  return found;
}

bool WindowIsViewable(Display* display, Window window, XWindowAttributes& attributes) {
  return XGetWindowAttributes(display, window, &attributes) != 0 &&
         attributes.map_state == IsViewable;
}

void SendClose(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

// The started program; killed if the test leaves it running.
class Program {
 public:
  explicit Program(const std::string& executable, std::vector<std::string> arguments = {}) {
    arguments.insert(arguments.begin(), executable);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
      argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    started_ = posix_spawn(&pid_, executable.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
  }
  ~Program() {
    if (running()) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  [[nodiscard]] bool started() const { return started_; }
  [[nodiscard]] bool running() {
    Poll();
    return started_ && !status_;
  }
  // The wait status once it ended within the timeout.
  std::optional<int> WaitForEnd(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(20ms);
    }
    return status_;
  }

 private:
  void Poll() {
    if (!started_ || status_) {
      return;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = status;
    }
  }

  pid_t pid_ = 0;
  bool started_ = false;
  std::optional<int> status_;
};

// Without a window manager nothing else hands out the keyboard; a window that
// went away in the meantime must not end the test through Xlib's default
// error handler.
int IgnoreXError(Display* /*display*/, XErrorEvent* /*error*/) {
  return 0;
}

// The viewable window with that caption, waited for; 0 after the timeout or
// once the program has ended.
Window WaitForWindow(Display* display, Program& program, const std::string& caption,
                     XWindowAttributes& attributes, std::chrono::seconds timeout = 30s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline && program.running()) {
    const Window window = FindByCaption(display, DefaultRootWindow(display), caption);
    if (window != 0 && WindowIsViewable(display, window, attributes)) {
      return window;
    }
    std::this_thread::sleep_for(50ms);
  }
  return 0;
}

// Keys pressed through the XTest extension: the X server delivers them like a
// keyboard's to the window that has the input focus.
class Keyboard {
 public:
  explicit Keyboard(Display* display) : display_(display) {}

  void FocusOn(Window window) {
    XSetInputFocus(display_, window, RevertToParent, CurrentTime);
    XSync(display_, False);
    std::this_thread::sleep_for(200ms);
  }

  void Press(KeySym key, KeySym modifier = NoSymbol) {
    const KeyCode modifierCode = modifier != NoSymbol ? XKeysymToKeycode(display_, modifier) : 0;
    const KeyCode code = XKeysymToKeycode(display_, key);
    if (modifierCode != 0) {
      XTestFakeKeyEvent(display_, modifierCode, True, CurrentTime);
    }
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    if (modifierCode != 0) {
      XTestFakeKeyEvent(display_, modifierCode, False, CurrentTime);
    }
    XSync(display_, False);
    std::this_thread::sleep_for(30ms);
  }

  void Repeat(int times, KeySym key, KeySym modifier = NoSymbol) {
    for (int i = 0; i < times; ++i) {
      Press(key, modifier);
    }
  }

  // Printable ASCII, with Shift where the keymap puts the character on the
  // shifted level.
  void Type(const std::string& text) {
    for (const char c : text) {
      const auto key = static_cast<KeySym>(static_cast<unsigned char>(c));
      const KeyCode code = XKeysymToKeycode(display_, key);
      const bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != key;
      Press(key, shifted ? XK_Shift_L : NoSymbol);
    }
  }

 private:
  Display* display_;
};

// Answers the open-file dialog with path: its file name box has the focus.
bool ChooseInOpenFileDialog(Display* display, Program& program, Keyboard& keys,
                            const std::string& path) {
  XWindowAttributes attributes{};
  const Window dialog = WaitForWindow(display, program, kOpenFileCaption, attributes, 10s);
  if (dialog == 0) {
    return false;
  }
  keys.FocusOn(dialog);
  keys.Type(path);
  std::this_thread::sleep_for(300ms);
  // The first Return may only close the file name completer's list.
  for (int attempt = 0; attempt < 3; ++attempt) {
    keys.Press(XK_Return);
    std::this_thread::sleep_for(500ms);
    if (FindByCaption(display, DefaultRootWindow(display), kOpenFileCaption) == 0 ||
        !WindowIsViewable(display, dialog, attributes)) {
      return true;
    }
  }
  return false;
}

// The processes whose parent this test has become (it is their subreaper),
// each ended by its id and reaped.
void EndAdoptedChildren() {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) {
      continue;
    }
    std::ifstream file(entry.path() / "stat");
    const std::string stat((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    const std::size_t afterName = stat.rfind(')');
    int parent = 0;
    char state = 0;
    if (afterName == std::string::npos ||
        std::sscanf(stat.c_str() + afterName + 1, " %c %d", &state, &parent) != 2 ||
        parent != getpid()) {
      continue;
    }
    const pid_t child = static_cast<pid_t>(std::stoi(name));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
}

// Sends the window the ping a window manager sends to find hung programs, and
// waits a second for the answer, which the program sends to the root window.
bool AnswersPing(Display* display, Window window) {
  const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, StructureNotifyMask);  // where the answer goes
  static long serial = 1000;
  ++serial;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = protocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(ping);
  event.xclient.data.l[1] = serial;
  event.xclient.data.l[2] = static_cast<long>(window);
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  const auto deadline = std::chrono::steady_clock::now() + 1s;
  while (std::chrono::steady_clock::now() < deadline) {
    while (XPending(display) > 0) {
      XEvent answer{};
      XNextEvent(display, &answer);
      if (answer.type == ClientMessage && answer.xclient.message_type == protocols &&
          static_cast<Atom>(answer.xclient.data.l[0]) == ping &&
          answer.xclient.data.l[1] == serial) {
        return true;
      }
    }
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

class FeruloSmokeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* displayName = std::getenv("DISPLAY");
    if (displayName == nullptr || *displayName == '\0') {
      GTEST_SKIP() << "no X display: run this test under xvfb-run";
    }
    // xvfb-run may start the test a moment before a busy X server takes
    // connections.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    display_.reset(XOpenDisplay(displayName));
    while (display_ == nullptr && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(100ms);
      display_.reset(XOpenDisplay(displayName));
    }
    ASSERT_NE(display_, nullptr) << "cannot open display " << displayName;
    XSetErrorHandler(IgnoreXError);
  }

  // Waits for the main window of the started program.
  Window MainWindow(Program& program, XWindowAttributes& attributes) {
    EXPECT_TRUE(program.started()) << "cannot start " << ferulo::test::BinDir() << "/ferulo";
    const Window window = WaitForWindow(display_.get(), program, kCaption, attributes);
    EXPECT_TRUE(program.running()) << "ferulo ended before its window showed";
    EXPECT_NE(window, 0UL) << "no window captioned \"" << kCaption << "\"";
    return window;
  }

  void CloseAndExpectCleanEnd(Program& program, Window window) {
    SendClose(display_.get(), window);
    const std::optional<int> status = program.WaitForEnd(10s);
    ASSERT_TRUE(status.has_value()) << "ferulo did not end after its window was closed";
    ASSERT_TRUE(WIFEXITED(*status)) << "ferulo was ended by signal " << WTERMSIG(*status);
    EXPECT_EQ(WEXITSTATUS(*status), 0);
  }

  DisplayHandle display_;
};

TEST_F(FeruloSmokeTest, OpensItsWindowAndEndsWhenItIsClosed) {
  Program program(ferulo::test::BinDir() + "/ferulo");
  XWindowAttributes attributes{};
  const Window window = MainWindow(program, attributes);
  ASSERT_NE(window, 0UL);
  // Whole on the screen. Without a window manager the window is the
  // top-level X window itself, placed in root coordinates.
  const Screen* screen = DefaultScreenOfDisplay(display_.get());
  EXPECT_GE(attributes.x, 0);
  EXPECT_GE(attributes.y, 0);
  EXPECT_LE(attributes.x + attributes.width, WidthOfScreen(screen));
  EXPECT_LE(attributes.y + attributes.height, HeightOfScreen(screen));

  CloseAndExpectCleanEnd(program, window);
}

// Orders of nwind.mdb listed, then a database without Orders chosen: "Start"
// shows an error box and writes nothing. Driven by keys alone, through the
// access keys of the labels and buttons.
TEST_F(FeruloSmokeTest, RefusesATableTheChosenDatabaseLacks) {
  namespace fs = std::filesystem;
  const std::string nwind = ferulo::test::SharedTestData("nwind.mdb");
  const std::string accdb = ferulo::test::SharedTestData("ASampleDatabase.accdb");
  FERULO_SKIP_IF_MISSING(nwind, "nwind.mdb");
  FERULO_SKIP_IF_MISSING(accdb, "ASampleDatabase.accdb");
  ferulo::test::TempDir output;

  Program program(ferulo::test::BinDir() + "/ferulo");
  XWindowAttributes attributes{};
  const Window window = MainWindow(program, attributes);
  ASSERT_NE(window, 0UL);
  Display* display = display_.get();
  Keyboard keys(display);

  keys.FocusOn(window);
  keys.Press(XK_e, XK_Alt_L);  // "Select..."
  ASSERT_TRUE(ChooseInOpenFileDialog(display, program, keys, fs::canonical(nwind).string()));
  EXPECT_NE(WaitForWindow(display, program, "nwind.mdb - FERULO", attributes, 10s), 0UL)
      << "the title does not name the database";
  keys.FocusOn(window);
  keys.Press(XK_t, XK_Alt_L);  // ListTable, no entry selected yet
  keys.Type("Orders");         // selects Orders by its name, which lists it
  std::this_thread::sleep_for(500ms);

  keys.Press(XK_e, XK_Alt_L);
  ASSERT_TRUE(ChooseInOpenFileDialog(display, program, keys, fs::canonical(accdb).string()));
  std::this_thread::sleep_for(500ms);
  keys.FocusOn(window);
  keys.Press(XK_o, XK_Alt_L);  // txtOutput
  keys.Press(XK_a, XK_Control_L);
  keys.Type(output.str() + "/");
  keys.Press(XK_s, XK_Alt_L);  // Start

  XWindowAttributes boxAttributes{};
  const Window refusal = WaitForWindow(display, program, "Error", boxAttributes, 10s);
  EXPECT_NE(refusal, 0UL) << "no box titled \"Error\" after Start";
  EXPECT_EQ(FindByCaption(display, DefaultRootWindow(display), "Success"), 0UL);
  EXPECT_TRUE(ferulo::test::ListFolder(output.path()).empty()) << "pages were written";
  if (refusal != 0) {
    keys.FocusOn(refusal);
    keys.Press(XK_Return);
  }
  CloseAndExpectCleanEnd(program, window);
}

// "ferulo FILE", as the menu entry starts it for a file: the database opens at
// once, and the window's class is the one the menu entry names.
TEST_F(FeruloSmokeTest, OpensTheDatabaseNamedOnTheCommandLine) {
  const std::string nwind = ferulo::test::SharedTestData("nwind.mdb");
  FERULO_SKIP_IF_MISSING(nwind, "nwind.mdb");
  Program program(ferulo::test::BinDir() + "/ferulo", {nwind});
  XWindowAttributes attributes{};
  const Window window = WaitForWindow(display_.get(), program, "nwind.mdb - FERULO", attributes);
  ASSERT_NE(window, 0UL) << "no window titled \"nwind.mdb - FERULO\"";

  const std::string entry =
      ferulo::test::ReadFile(ferulo::test::SourceDir() + "/packaging/ferulo.desktop");
  const std::size_t key = entry.find("\nStartupWMClass=");
  ASSERT_NE(key, std::string::npos);
  const std::size_t start = key + std::string("\nStartupWMClass=").size();
  const std::string wmClass = entry.substr(start, entry.find('\n', start) - start);
  XClassHint hint{};
  ASSERT_NE(XGetClassHint(display_.get(), window, &hint), 0);
  const std::string shownClass = hint.res_class != nullptr ? hint.res_class : "";
  XFree(hint.res_name);
  XFree(hint.res_class);
  EXPECT_EQ(shownClass, wmClass);
  CloseAndExpectCleanEnd(program, window);
}

// A database that takes the reader its full time limit: the window answers
// the X server's pings and repaints throughout, and "Exit" (Alt+X) ends the
// program at once. The program is a copy whose reader is the stand-in that
// never answers; the test adopts it once the program has ended, and ends it.
TEST_F(FeruloSmokeTest, StaysResponsiveWhileTheReaderTakesItsTime) {
  namespace fs = std::filesystem;
  const ferulo::test::TempDir folder;
  const fs::path bin = ferulo::test::BinDir();
  fs::copy_file(bin / "ferulo", folder.path() / "ferulo");
  fs::create_symlink(bin / "ferulo-fake-mdb-reader", folder.path() / "ferulo-mdb-reader");
  std::string header("\0\1\0\0Standard Jet DB\0", 20);
  header.resize(4096, '\0');
  ferulo::test::WriteFile(folder.path() / "hang", header);
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);

  Program program(folder.file("ferulo"), {folder.file("hang")});
  XWindowAttributes attributes{};
  const Window window = MainWindow(program, attributes);
  ASSERT_NE(window, 0UL);
  Display* display = display_.get();
  const auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(1s);  // well into the read

  for (int ping = 0; ping < 3; ++ping) {
    EXPECT_TRUE(AnswersPing(display, window)) << "no answer to ping " << ping;
    std::this_thread::sleep_for(500ms);
  }
  // A strip the window gains must be drawn in its background colour.
  XImage* corner = XGetImage(display, window, 2, 2, 1, 1, AllPlanes, ZPixmap);
  ASSERT_NE(corner, nullptr);
  const unsigned long background = XGetPixel(corner, 0, 0);
  XDestroyImage(corner);
  XResizeWindow(display, window, attributes.width + 60, attributes.height);
  XSync(display, False);
  std::this_thread::sleep_for(500ms);
  XImage* strip = XGetImage(display, window, attributes.width + 30, 2, 1, 1, AllPlanes, ZPixmap);
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(XGetPixel(strip, 0, 0), background) << "the new strip was not painted";
  XDestroyImage(strip);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 8s) << "the checks ran past the read";

  Keyboard keys(display);
  keys.FocusOn(window);
  keys.Press(XK_x, XK_Alt_L);
  const std::optional<int> status = program.WaitForEnd(3s);
  EndAdoptedChildren();
  ASSERT_TRUE(status.has_value()) << "Exit did not end the program during the read";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
}

}  // namespace
