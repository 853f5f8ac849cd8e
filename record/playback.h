// Timed playback of the PlaybackBuffer. A chain of one-shot timers posts one play event per
// event to the window thread, which replays it; at the natural end of a single playback the
// timer thread sends the stop command. Each event is scheduled against the recorded timeline
// (target of event i = target of event i-1 + max(deltaMs, resolution)), so that callback
// latencies do not add up over a long performance.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/clock.h"
#include "record/event_buffer.h"
#include "record/timer_service.h"

namespace velmira {

// What the timer thread does to the window: post a play event (does not wait) and, at the
// natural end, send the stop command (waits until the window thread has handled it).
class PlaybackSink {
 public:
  virtual ~PlaybackSink() = default;
  virtual void PostPlayEvent(const PerformanceEvent* events, uint32_t index) = 0;
  virtual void SendStopCommand() = 0;
};

struct PlaybackState {
  bool loop = false;
  uint32_t position = 0;      // index of the next event to post
  uint32_t resolutionMs = 0;  // min(5, the timer device's maximum period)
  uint32_t timerId = 0;       // the armed one-shot timer, 0 when none
  bool active = false;        // a chain runs and holds a resolution request
  uint32_t targetMs = 0;      // clock time at which event `position` is due
  uint32_t roundStartMs = 0;  // clock time the round (the whole playback, or a loop's round)
                              // started, the time origin of its events
};

// How a delay is chosen when the next timer is armed.
enum class Scheduling {
  Timeline,  // against the recorded timeline (the program's way)
  Chained,   // each delay counted from the callback that arms it (for comparison only)
};

class Playback {
 public:
  Playback(const PlaybackBuffer& buffer, OneShotTimerService& timers, Clock& clock,
           PlaybackSink& sink, Scheduling scheduling = Scheduling::Timeline)
      : buffer_(buffer), timers_(timers), clock_(clock), sink_(sink), scheduling_(scheduling) {}
  // Stops the chain and waits for a callback still on its way out. Destroy a Playback only
  // where its sink no longer blocks (after the window is gone).
  ~Playback();

  // Starts a new chain at event 0; false when the buffer is empty or no timer could be armed.
  bool StartPlayback(bool loop);
  // Ends the chain, if any. No timer is armed after it returns.
  void StopPlayback();
  bool active() const;
  // The last chain posted every event (a single playback that reached its natural end).
  bool ranToEnd() const;
  PlaybackState state() const;

 private:
  static void TimerProc(void* context);
  void OnTimer();
  // With the lock held.
  bool StartChainLocked();
  uint32_t DelayUntilLocked(uint32_t target);
  bool ArmLocked(uint32_t target);
  void EndChainLocked();

  const PlaybackBuffer& buffer_;
  OneShotTimerService& timers_;
  Clock& clock_;
  PlaybackSink& sink_;
  const Scheduling scheduling_;
  mutable std::mutex mutex_;
  PlaybackState state_;
  std::atomic<int> callbacksRunning_{0};
};

}  // namespace velmira
