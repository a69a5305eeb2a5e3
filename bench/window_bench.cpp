// Speed of the main window: from process start to the window shown, and from
// a database chosen to its tables listed. Runs offscreen unless a platform is
// set.
//
//   ferulo-bench-window [benchmark options]   both figures
//   ferulo-bench-window --report-shown        internal: one start-up, prints
//                                             the monotonic clock when shown
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/access_database.h"
#include "app/ferulo_program.h"
#include "app/main_window.h"
#include "bench/bench_support.h"

extern char** environ;

namespace ferulo::bench {
namespace {

constexpr double kShownLimitMilliseconds = 300;
constexpr int kStartUps = 21;

std::int64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// The child's part: the program as ferulo's main() builds it. The first turn
// of the event loop after the window is exposed counts as "shown".
int ReportShown(int argc, char** argv) {
  QApplication application(argc, argv);
  app::FeruloProgram program([] {});
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWindow* handle = program.window().windowHandle();
    if (handle != nullptr && handle->isExposed()) {
      std::printf("%lld\n", static_cast<long long>(MonotonicNanoseconds()));
      std::fflush(stdout);
      QCoreApplication::exit(0);
    }
  });
  poll.start(0);
  return program.Run();
}

// Milliseconds from spawning a child to its window shown, or nullopt.
std::optional<double> OneStartUp(const char* self) {
  int answer[2];
  if (pipe2(answer, O_CLOEXEC) != 0) {
    return std::nullopt;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, answer[1], 1);
  char reportShown[] = "--report-shown";
  char* argv[] = {const_cast<char*>(self), reportShown, nullptr};
  const std::int64_t spawned = MonotonicNanoseconds();
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(answer[1]);
  std::string text;
  char chunk[64];
  for (ssize_t got = 0; !failed && (got = read(answer[0], chunk, sizeof chunk)) > 0;) {
    text.append(chunk, static_cast<std::size_t>(got));
  }
  close(answer[0]);
  int status = 0;
  if (failed || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
      text.empty()) {
    return std::nullopt;
  }
  return static_cast<double>(std::stoll(text) - spawned) / 1e6;
}

std::optional<double> MedianStartUp(const char* self) {
  std::vector<double> times;
  for (int i = 0; i < kStartUps; ++i) {
    const std::optional<double> milliseconds = OneStartUp(self);
    if (!milliseconds) {
      return std::nullopt;
    }
    times.push_back(*milliseconds);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The open-file dialog answered with one file, every time.
class ChosenDatabase : public app::OpenFileDialog {
 public:
  explicit ChosenDatabase(std::string path) : path_(std::move(path)) {}
  app::ChosenFile AskForFile(QWidget*, const app::OpenFileRequest&) override {
    const QString path = QString::fromStdString(path_);
    return {path, path.section(QLatin1Char('/'), -1)};
  }

 private:
  std::string path_;
};

class NoInput : public app::InputBox {
 public:
  QString AskForText(QWidget*, const QString&, const QString&, const QString&) override {
    return {};
  }
};

class NoMenu : public app::ListMenu {
 public:
  int Popup(const QStringList&, const QPoint&) override { return 0; }
};

// A message shown while tables are listed is a failure: it is kept.
class RecordedMessages : public gui::MessageBoxes {
 public:
  void Show(QWidget*, const gui::Message& message) override { last = message.text.toStdString(); }
  bool Ask(QWidget*, const gui::Message& message, const QString&, const QString&) override {
    last = message.text.toStdString();
    return false;
  }
  std::string last;
};

void RegisterTablesListed(const std::string& label, const std::string& path) {
  benchmark::RegisterBenchmark(
      ("window/database chosen to tables listed/" + label).c_str(),
      [path](benchmark::State& state) {
        app::AccessDatabaseLayer database;
        ChosenDatabase openFile(path);
        NoInput input;
        NoMenu menu;
        RecordedMessages messages;
        QTemporaryDir settingsFolder;
        QSettings settings(settingsFolder.filePath(QStringLiteral("ferulo.ini")),
                           QSettings::IniFormat);
        app::frmMain window(database, app::MainWindowDialogs{openFile, input, menu, messages},
                            app::MainWindowActions{[] {}, [] {}},
                            QString::fromStdString(BinaryFolder().string()), settings);
        window.show();
        auto* select = window.findChild<QPushButton*>(QStringLiteral("btnSelectDB"));
        auto* tables = window.findChild<QListWidget*>(QStringLiteral("ListTable"));
        if (select == nullptr || tables == nullptr) {
          state.SkipWithError("btnSelectDB or ListTable not found by object name");
          return;
        }
        for (auto _ : state) {
          select->click();
          // The tables are read off the window's thread.
          while (window.isReading()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
          }
          if (!messages.last.empty() || tables->count() == 0) {
            state.SkipWithError(messages.last.empty() ? "no table listed" : messages.last.c_str());
            return;
          }
        }
      })
      ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace ferulo::bench

int main(int argc, char** argv) {
  using namespace ferulo::bench;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  if (argc > 1 && std::strcmp(argv[1], "--report-shown") == 0) {
    return ReportShown(argc, argv);
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::optional<double> shown = MedianStartUp(self.c_str());

  QApplication application(argc, argv);
  for (const auto& [label, relative] : std::array<std::pair<const char*, const char*>, 2>{
           {{"nwind.mdb", "nwind.mdb"}, {"fruit.mdb", "fixtures/mdb/package/test/fruit.mdb"}}}) {
    const std::string path = SampleDatabase(relative);
    if (!path.empty()) {
      RegisterTablesListed(label, path);
    }
  }
  RememberingReporter reporter;
  if (!RunBenchmarks(argc, argv, reporter)) {
    return 2;
  }
  std::printf("\nprocess start to main window shown (%s, median of %d): %s (limit %.0f ms): %s\n",
              qgetenv("QT_QPA_PLATFORM").constData(), kStartUps, FormatMilliseconds(shown).c_str(),
              kShownLimitMilliseconds, Verdict(shown, kShownLimitMilliseconds).c_str());
  return 0;
}
