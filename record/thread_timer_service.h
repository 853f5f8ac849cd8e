// One-shot timers on a std::thread: callbacks run on the service's own worker thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

#include "record/timer_service.h"

namespace velmira {

class ThreadTimerService final : public OneShotTimerService {
 public:
  ThreadTimerService();
  ~ThreadTimerService() override;
  ThreadTimerService(const ThreadTimerService&) = delete;
  ThreadTimerService& operator=(const ThreadTimerService&) = delete;

  bool Caps(uint32_t* periodMin, uint32_t* periodMax) override;
  void BeginPeriod(uint32_t) override {}
  void EndPeriod(uint32_t) override {}
  uint32_t Arm(uint32_t delayMs, uint32_t resolutionMs, TimerCallback callback,
               void* context) override;
  void Kill(uint32_t id) override;

  // Timers armed and not yet fired or killed.
  size_t pending() const;

 private:
  using TimePoint = std::chrono::steady_clock::time_point;
  struct Timer {
    TimePoint due;
    TimerCallback callback;
    void* context;
  };
  void Run();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::map<uint32_t, Timer> timers_;
  uint32_t nextId_ = 1;
  bool quit_ = false;
  std::thread worker_;
};

}  // namespace velmira
