// One-shot timers whose callbacks run on a thread of their own (the multimedia timer on
// Windows, win32/mm_timer_service; a std::thread on Linux, record/thread_timer_service; a
// deterministic fake for tests).
#pragma once

#include <cstdint>

namespace velmira {

using TimerCallback = void (*)(void* context);

class OneShotTimerService {
 public:
  virtual ~OneShotTimerService() = default;
  // The device's minimum and maximum period in milliseconds; false when it cannot be read.
  virtual bool Caps(uint32_t* periodMin, uint32_t* periodMax) = 0;
  virtual void BeginPeriod(uint32_t resolutionMs) = 0;
  virtual void EndPeriod(uint32_t resolutionMs) = 0;
  // Arms a one-shot timer; returns its id, or 0 when none could be armed. The callback may
  // arm the next timer.
  virtual uint32_t Arm(uint32_t delayMs, uint32_t resolutionMs, TimerCallback callback,
                       void* context) = 0;
  // Cancels a timer that has not fired; does not wait for a callback that is running.
  virtual void Kill(uint32_t id) = 0;
};

}  // namespace velmira
