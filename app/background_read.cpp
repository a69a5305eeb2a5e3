#include "app/background_read.h"

#include <QThread>

namespace ferulo::app {

BackgroundRead::BackgroundRead(QObject* parent) : QObject(parent) {}

BackgroundRead::~BackgroundRead() {
  if (thread_ != nullptr) {
    thread_->wait();
    delete thread_;
  }
}

void BackgroundRead::StartThread(std::function<void()> read, std::function<void()> deliver) {
  thread_ = QThread::create(std::move(read));
  // finished is emitted on the read's thread; the handler runs here, queued.
  connect(thread_, &QThread::finished, this, [this, deliver = std::move(deliver)] {
    thread_->deleteLater();
    thread_ = nullptr;
    Q_EMIT runningChanged(false);
    deliver();
  });
  thread_->start();
  Q_EMIT runningChanged(true);
}

}  // namespace ferulo::app
