#include "record/playback.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace velmira {

namespace {
constexpr uint32_t kWantedResolutionMs = 5;
}

bool Playback::StartPlayback(bool loop) {
  StopPlayback();
  std::lock_guard<std::mutex> lock(mutex_);
  state_.loop = loop;
  state_.position = 0;
  if (buffer_.empty()) return false;
  uint32_t periodMin = 1, periodMax = kWantedResolutionMs;
  if (!timers_.Caps(&periodMin, &periodMax)) periodMax = kWantedResolutionMs;
  state_.resolutionMs = std::max<uint32_t>(1, std::min(kWantedResolutionMs, periodMax));
  timers_.BeginPeriod(state_.resolutionMs);
  state_.active = true;
  if (!StartChainLocked()) {
    EndChainLocked();
    return false;
  }
  return true;
}

bool Playback::StartChainLocked() {
  state_.position = 0;
  const uint32_t first = std::max(buffer_.events()[0].deltaMs, state_.resolutionMs);
  state_.roundStartMs = clock_.NowMs();
  return ArmLocked(state_.roundStartMs + first);
}

uint32_t Playback::DelayUntilLocked(uint32_t target) {
  const int64_t remaining = static_cast<int32_t>(target - clock_.NowMs());
  return remaining < 1 ? 1 : static_cast<uint32_t>(remaining);
}

bool Playback::ArmLocked(uint32_t target) {
  state_.targetMs = target;
  state_.timerId = timers_.Arm(DelayUntilLocked(target), state_.resolutionMs, &TimerProc, this);
  return state_.timerId != 0;
}

void Playback::EndChainLocked() {
  timers_.EndPeriod(state_.resolutionMs);
  state_.active = false;
  state_.timerId = 0;
}

void Playback::StopPlayback() {
  uint32_t timer = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!state_.active) return;
    timer = state_.timerId;
    EndChainLocked();
  }
  // Outside the lock: a callback that is running finds the chain inactive and arms nothing.
  if (timer != 0) timers_.Kill(timer);
}

Playback::~Playback() {
  StopPlayback();
  while (callbacksRunning_.load() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void Playback::TimerProc(void* context) {
  Playback* playback = static_cast<Playback*>(context);
  ++playback->callbacksRunning_;
  playback->OnTimer();
  --playback->callbacksRunning_;
}

void Playback::OnTimer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!state_.active) return;  // stopped while this callback was on its way
    sink_.PostPlayEvent(buffer_.events(), state_.position);
    ++state_.position;
    if (state_.position < buffer_.count()) {
      const uint32_t step =
          std::max(buffer_.events()[state_.position].deltaMs, state_.resolutionMs);
      const uint32_t base = scheduling_ == Scheduling::Timeline ? state_.targetMs : clock_.NowMs();
      if (!ArmLocked(base + step)) EndChainLocked();  // ends silently; the user stops
      return;
    }
    if (state_.loop) {
      // Again from the first event; the pause before it is its own delay, the lead-in.
      if (!StartChainLocked()) EndChainLocked();
      return;
    }
    EndChainLocked();
  }
  sink_.SendStopCommand();  // without the lock: the window thread may be stopping meanwhile
}

bool Playback::active() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_.active;
}

bool Playback::ranToEnd() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_.position >= buffer_.count();
}

PlaybackState Playback::state() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

}  // namespace velmira
