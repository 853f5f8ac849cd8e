// Deterministic stand-ins for the clock and the one-shot timer service: time moves only when
// a test fires the armed timer.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/clock.h"
#include "record/metronome.h"
#include "record/playback.h"
#include "record/timer_service.h"

namespace velmira::testing {

class ManualClock : public Clock {
 public:
  uint32_t now = 1000;
  uint32_t NowMs() override { return now; }
};

class FixedCalendar : public Calendar {
 public:
  LocalDate today{2026, 12, 8};
  LocalDate Today() override { return today; }
};

class FakeTimers : public OneShotTimerService {
 public:
  struct Armed {
    uint32_t id;
    uint32_t delayMs;
    uint32_t resolutionMs;
    TimerCallback callback;
    void* context;
    bool live;
    uint32_t dueAt;  // by the clock below, when one is given
  };
  ManualClock* clock = nullptr;
  uint32_t periodMax = 1000000;
  bool capsFail = false;
  int armsUntilFailure = -1;  // arms that succeed before every later one fails; -1 never
  std::vector<Armed> armed;
  std::vector<uint32_t> killed;
  int periodDepth = 0;  // BeginPeriod minus EndPeriod

  bool Caps(uint32_t* periodMin, uint32_t* periodMax_) override {
    if (capsFail) return false;
    *periodMin = 1;
    *periodMax_ = periodMax;
    return true;
  }
  void BeginPeriod(uint32_t) override { ++periodDepth; }
  void EndPeriod(uint32_t) override { --periodDepth; }
  uint32_t Arm(uint32_t delayMs, uint32_t resolutionMs, TimerCallback callback,
               void* context) override {
    if (armsUntilFailure == 0) return 0;
    if (armsUntilFailure > 0) --armsUntilFailure;
    const uint32_t id = static_cast<uint32_t>(armed.size()) + 1;
    armed.push_back({id, delayMs, resolutionMs, callback, context, true,
                     clock != nullptr ? clock->now + delayMs : 0});
    return id;
  }
  void Kill(uint32_t id) override {
    killed.push_back(id);
    if (id >= 1 && id <= armed.size()) armed[id - 1].live = false;
  }
  int LiveCount() const {
    int n = 0;
    for (const Armed& a : armed) n += a.live ? 1 : 0;
    return n;
  }
  // Advances the clock by the newest live timer's delay (plus lateness) and fires it.
  bool FireNext(ManualClock& clock, uint32_t lateMs = 0) {
    for (auto it = armed.rbegin(); it != armed.rend(); ++it) {
      if (!it->live) continue;
      it->live = false;
      clock.now += it->delayMs + lateMs;
      it->callback(it->context);
      return true;
    }
    return false;
  }

  // With a clock: fires the live timer due first, moving the clock to its due time.
  bool FireEarliest() {
    Armed* first = nullptr;
    for (Armed& a : armed) {
      if (a.live && (first == nullptr || static_cast<int32_t>(a.dueAt - first->dueAt) < 0)) {
        first = &a;
      }
    }
    if (first == nullptr) return false;
    first->live = false;
    if (static_cast<int32_t>(first->dueAt - clock->now) > 0) clock->now = first->dueAt;
    first->callback(first->context);
    return true;
  }
};

struct PostedClick {
  uint32_t generation;
  int64_t click;
  bool start;
  uint32_t at;
};

class RecordingSink : public PlaybackSink, public ClickSink {
 public:
  std::vector<uint32_t> posted;  // indexes
  std::vector<uint32_t> postedAt;
  int stops = 0;
  ManualClock* clock = nullptr;
  void PostPlayEvent(const PerformanceEvent*, uint32_t index) override {
    posted.push_back(index);
    postedAt.push_back(clock != nullptr ? clock->now : 0);
  }
  void SendStopCommand() override { ++stops; }
  std::vector<PostedClick> clicks;
  void PostClick(uint32_t generation, int64_t click, bool start) override {
    clicks.push_back({generation, click, start, clock != nullptr ? clock->now : 0});
  }
};

}  // namespace velmira::testing
