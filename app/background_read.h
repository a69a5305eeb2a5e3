#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QThread;

namespace ferulo::app {

// Runs one read of a database at a time on a thread of its own and hands the
// result back on the thread this object lives on, so that a slow or damaged
// file, which may take the reader its full time limit, never freezes the
// window. Destroying the object waits for a read still running.
class BackgroundRead : public QObject {
  Q_OBJECT

 public:
  explicit BackgroundRead(QObject* parent = nullptr);
  ~BackgroundRead() override;
  BackgroundRead(const BackgroundRead&) = delete;
  BackgroundRead& operator=(const BackgroundRead&) = delete;

  [[nodiscard]] bool running() const { return thread_ != nullptr; }

  // Runs read() on the read's thread, then done(result) here. Only while no
  // read is running.
  template <typename Value>
  void Start(std::function<Value()> read, std::function<void(Value)> done) {
    auto result = std::make_shared<std::optional<Value>>();
    StartThread([result, read = std::move(read)] { result->emplace(read()); },
                [result, done = std::move(done)] { done(std::move(**result)); });
  }

 Q_SIGNALS:
  // True when a read starts, false once its result has been handed back.
  void runningChanged(bool running);

 private:
  void StartThread(std::function<void()> read, std::function<void()> deliver);

  QThread* thread_ = nullptr;
};

}  // namespace ferulo::app
