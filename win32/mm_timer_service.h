// One-shot timers of the Windows multimedia timer.
#pragma once

#include "record/timer_service.h"

namespace velmira {

class MmTimerService final : public OneShotTimerService {
 public:
  bool Caps(uint32_t* periodMin, uint32_t* periodMax) override;
  void BeginPeriod(uint32_t resolutionMs) override;
  void EndPeriod(uint32_t resolutionMs) override;
  uint32_t Arm(uint32_t delayMs, uint32_t resolutionMs, TimerCallback callback,
               void* context) override;
  void Kill(uint32_t id) override;
};

}  // namespace velmira
