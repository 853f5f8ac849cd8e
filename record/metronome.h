// The metronome's clicks. Click n is due at origin + n x beat, never counted from the click
// before, so that they do not drift; the first beat of each bar is accented. A chain of
// one-shot timers wakes for each click and for its end 50 ms later, and posts both to the window
// thread, which sends them; nothing here touches MIDI. Clicks that a stalled machine missed are
// skipped, not played late in a burst.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/clock.h"
#include "record/timer_service.h"

namespace velmira {

struct ClickSchedule {
  uint32_t originMs = 0;  // clock time of click 0, a bar line
  double beatMs = 500;
  int beatsPerBar = 4;
};

uint32_t ClickDueMs(const ClickSchedule& schedule, int64_t click);
bool ClickAccented(const ClickSchedule& schedule, int64_t click);
// The beat of the bar a click falls on, from 1.
int ClickBeat(const ClickSchedule& schedule, int64_t click);

constexpr uint32_t kClickLengthMs = 50;

// What the timer thread does to the window: posts a click's start or end (does not wait).
class ClickSink {
 public:
  virtual ~ClickSink() = default;
  virtual void PostClick(uint32_t generation, int64_t click, bool start) = 0;
};

class Metronome {
 public:
  Metronome(OneShotTimerService& timers, Clock& clock, ClickSink& sink)
      : timers_(timers), clock_(clock), sink_(sink) {}
  // Stops the chain and waits for a callback still on its way out.
  ~Metronome();

  // Clicks from click `first` of the schedule on (the ones already past are skipped). Every
  // start makes a new generation: posts of an earlier one are stale.
  void Start(const ClickSchedule& schedule, int64_t first = 0);
  // No timer is armed after it returns.
  void Stop();
  bool running() const;
  uint32_t generation() const;
  ClickSchedule schedule() const;

 private:
  static void TimerProc(void* context);
  void OnTimer();
  // With the lock held.
  void ArmLocked();
  bool LateLocked(uint32_t now) const;
  void EndLocked();

  OneShotTimerService& timers_;
  Clock& clock_;
  ClickSink& sink_;
  mutable std::mutex mutex_;
  ClickSchedule schedule_;
  bool active_ = false;
  uint32_t generation_ = 0;
  int64_t next_ = 0;  // the click whose start or end comes next
  bool nextIsEnd_ = false;
  uint32_t timerId_ = 0;
  std::atomic<int> callbacksRunning_{0};
};

}  // namespace velmira
