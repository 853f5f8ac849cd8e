#include "qt/playback_sink.h"

#include <QMetaObject>
#include <QObject>

namespace velmira {

void QtPlaybackSink::PostPlayEvent(const PerformanceEvent* events, uint32_t index) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
    pending_.push_back({events, index});
  }
  QMetaObject::invokeMethod(
      receiver_, [this] { DeliverOne(); }, Qt::QueuedConnection);
}

void QtPlaybackSink::DeliverOne() {
  Pending next;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pending_.empty()) return;  // flushed by a stop meanwhile
    next = pending_.front();
    pending_.pop_front();
  }
  play_(next.events, next.index);
}

void QtPlaybackSink::PostClick(uint32_t generation, int64_t click, bool start) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
  }
  QMetaObject::invokeMethod(
      receiver_, [this, generation, click, start] { click_(generation, click, start); },
      Qt::QueuedConnection);
}

void QtPlaybackSink::SendStopCommand() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return;
  const uint64_t ticket = ++stopsSent_;
  QMetaObject::invokeMethod(
      receiver_,
      [this] {
        stop_();
        std::lock_guard<std::mutex> handled(mutex_);
        ++stopsHandled_;
        stopHandled_.notify_all();
      },
      Qt::QueuedConnection);
  stopHandled_.wait(lock, [&] { return closed_ || stopsHandled_ >= ticket; });
}

void QtPlaybackSink::Flush(bool deliver) {
  std::deque<Pending> waiting;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    waiting.swap(pending_);
  }
  if (!deliver) return;
  for (const Pending& p : waiting) play_(p.events, p.index);
}

void QtPlaybackSink::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  pending_.clear();
  stopHandled_.notify_all();
}

}  // namespace velmira
