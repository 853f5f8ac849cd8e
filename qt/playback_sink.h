// The playback timer's way into the window thread. Play events wait in a queue of their own,
// delivered in order by a queued call to the window's object, so that the stop of a playback
// can handle or drop the ones still waiting. The stop command at the natural end waits until
// the window thread has handled it, or until the window is gone.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "record/metronome.h"
#include "record/playback.h"

class QObject;

namespace velmira {

class QtPlaybackSink final : public PlaybackSink, public ClickSink {
 public:
  using PlayEventHandler = std::function<void(const PerformanceEvent*, uint32_t)>;
  using ClickHandler = std::function<void(uint32_t, int64_t, bool)>;
  // receiver lives on the window thread; play, stop and click are called there.
  QtPlaybackSink(QObject* receiver, PlayEventHandler play, std::function<void()> stop,
                 ClickHandler click)
      : receiver_(receiver),
        play_(std::move(play)),
        stop_(std::move(stop)),
        click_(std::move(click)) {}

  // Timer thread.
  void PostPlayEvent(const PerformanceEvent* events, uint32_t index) override;
  void SendStopCommand() override;
  void PostClick(uint32_t generation, int64_t click, bool start) override;

  // Window thread: the events still waiting, handled now (deliver) or dropped.
  void Flush(bool deliver);
  // Window thread, before the window goes: nothing more is posted, and a stop command that
  // waits returns.
  void Close();

 private:
  struct Pending {
    const PerformanceEvent* events;
    uint32_t index;
  };
  void DeliverOne();

  QObject* receiver_;
  PlayEventHandler play_;
  std::function<void()> stop_;
  ClickHandler click_;
  std::mutex mutex_;
  std::condition_variable stopHandled_;
  std::deque<Pending> pending_;
  uint64_t stopsSent_ = 0;
  uint64_t stopsHandled_ = 0;
  bool closed_ = false;
};

}  // namespace velmira
