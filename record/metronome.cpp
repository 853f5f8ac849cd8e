#include "record/metronome.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace velmira {

namespace {
constexpr uint32_t kResolutionMs = 1;
}

uint32_t ClickDueMs(const ClickSchedule& schedule, int64_t click) {
  return schedule.originMs + static_cast<uint32_t>(std::llround(click * schedule.beatMs));
}

bool ClickAccented(const ClickSchedule& schedule, int64_t click) {
  return ClickBeat(schedule, click) == 1;
}

int ClickBeat(const ClickSchedule& schedule, int64_t click) {
  const int64_t n = schedule.beatsPerBar;
  return static_cast<int>(((click % n) + n) % n) + 1;
}

Metronome::~Metronome() {
  Stop();
  while (callbacksRunning_.load() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void Metronome::Start(const ClickSchedule& schedule, int64_t first) {
  Stop();
  std::lock_guard<std::mutex> lock(mutex_);
  schedule_ = schedule;
  ++generation_;
  next_ = first;
  nextIsEnd_ = false;
  timers_.BeginPeriod(kResolutionMs);
  active_ = true;
  ArmLocked();
}

bool Metronome::LateLocked(uint32_t now) const {
  return !nextIsEnd_ &&
         static_cast<int32_t>(now - ClickDueMs(schedule_, next_)) > schedule_.beatMs / 2;
}

void Metronome::ArmLocked() {
  const uint32_t now = clock_.NowMs();
  // A click more than half a beat late is skipped: the next one comes in time instead.
  while (LateLocked(now)) ++next_;
  const uint32_t due = ClickDueMs(schedule_, next_) + (nextIsEnd_ ? kClickLengthMs : 0);
  const int32_t remaining = static_cast<int32_t>(due - now);
  timerId_ = timers_.Arm(remaining < 1 ? 1 : static_cast<uint32_t>(remaining), kResolutionMs,
                         &TimerProc, this);
  if (timerId_ == 0) EndLocked();
}

void Metronome::EndLocked() {
  if (!active_) return;
  timers_.EndPeriod(kResolutionMs);
  active_ = false;
  timerId_ = 0;
}

void Metronome::Stop() {
  uint32_t timer = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    timer = timerId_;
    EndLocked();
  }
  // Outside the lock: a callback that is running finds the chain inactive and arms nothing.
  if (timer != 0) timers_.Kill(timer);
}

void Metronome::TimerProc(void* context) {
  auto* metronome = static_cast<Metronome*>(context);
  ++metronome->callbacksRunning_;
  metronome->OnTimer();
  --metronome->callbacksRunning_;
}

void Metronome::OnTimer() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!active_) return;  // stopped while this callback was on its way
  if (!LateLocked(clock_.NowMs())) {
    sink_.PostClick(generation_, next_, !nextIsEnd_);
    if (nextIsEnd_) ++next_;
    nextIsEnd_ = !nextIsEnd_;
  }
  ArmLocked();
}

bool Metronome::running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return active_;
}

uint32_t Metronome::generation() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return generation_;
}

ClickSchedule Metronome::schedule() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return schedule_;
}

}  // namespace velmira
