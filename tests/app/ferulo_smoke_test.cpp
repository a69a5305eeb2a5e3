// Starts the real ferulo executable on an X server (run under xvfb-run),
// finds its main window by caption, and closes it the way a window manager's
// close button does: a WM_DELETE_WINDOW message. The program must then end
// by itself with exit code 0.

// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include "support/test_support.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

constexpr const char* kCaption = "FERULO - Create Active Server Page from an Access Database";

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
  explicit Program(const std::string& executable) {
    std::vector<char*> argv{const_cast<char*>(executable.c_str()), nullptr};
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

TEST(FeruloSmokeTest, OpensItsWindowAndEndsWhenItIsClosed) {
  const char* displayName = std::getenv("DISPLAY");
  if (displayName == nullptr || *displayName == '\0') {
    GTEST_SKIP() << "no X display: run this test under xvfb-run";
  }
  DisplayHandle display(XOpenDisplay(displayName));
  ASSERT_NE(display, nullptr) << "cannot open display " << displayName;

  Program program(ferulo::test::BinDir() + "/ferulo");
  ASSERT_TRUE(program.started()) << "cannot start " << ferulo::test::BinDir() << "/ferulo";

  Window window = 0;
  XWindowAttributes attributes{};
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (std::chrono::steady_clock::now() < deadline && program.running()) {
    window = FindByCaption(display.get(), DefaultRootWindow(display.get()), kCaption);
    if (window != 0 && WindowIsViewable(display.get(), window, attributes)) {
      break;
    }
    window = 0;
    std::this_thread::sleep_for(50ms);
  }
  ASSERT_TRUE(program.running()) << "ferulo ended before its window showed";
  ASSERT_NE(window, 0UL) << "no window captioned \"" << kCaption << "\"";
  // Whole on the screen. Without a window manager the window is the
  // top-level X window itself, placed in root coordinates.
  const Screen* screen = DefaultScreenOfDisplay(display.get());
  EXPECT_GE(attributes.x, 0);
  EXPECT_GE(attributes.y, 0);
  EXPECT_LE(attributes.x + attributes.width, WidthOfScreen(screen));
  EXPECT_LE(attributes.y + attributes.height, HeightOfScreen(screen));

  SendClose(display.get(), window);
  const std::optional<int> status = program.WaitForEnd(10s);
  ASSERT_TRUE(status.has_value()) << "ferulo did not end after its window was closed";
  ASSERT_TRUE(WIFEXITED(*status)) << "ferulo was ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 0);
}

}  // namespace
