#include "record/thread_timer_service.h"

namespace velmira {

ThreadTimerService::ThreadTimerService() : worker_([this] { Run(); }) {}

ThreadTimerService::~ThreadTimerService() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

bool ThreadTimerService::Caps(uint32_t* periodMin, uint32_t* periodMax) {
  *periodMin = 1;
  *periodMax = 1000000;
  return true;
}

uint32_t ThreadTimerService::Arm(uint32_t delayMs, uint32_t, TimerCallback callback,
                                 void* context) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (quit_) return 0;
  uint32_t id = nextId_++;
  if (id == 0) id = nextId_++;
  timers_[id] = Timer{std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs),
                      callback, context};
  wake_.notify_all();
  return id;
}

void ThreadTimerService::Kill(uint32_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  timers_.erase(id);
}

size_t ThreadTimerService::pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timers_.size();
}

void ThreadTimerService::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!quit_) {
    if (timers_.empty()) {
      wake_.wait(lock);
      continue;
    }
    auto next = timers_.begin();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (it->second.due < next->second.due) next = it;
    }
    // The wait releases the lock, and Kill() may erase the entry meanwhile: wait on a copy.
    const TimePoint due = next->second.due;
    if (std::chrono::steady_clock::now() < due) {
      wake_.wait_until(lock, due);
      continue;
    }
    const Timer timer = next->second;
    timers_.erase(next);
    lock.unlock();  // the callback may arm the next timer
    timer.callback(timer.context);
    lock.lock();
  }
}

}  // namespace velmira
