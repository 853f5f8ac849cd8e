// The std::thread timer service on its own: timers fire once, in order of their due times, and a
// timer killed while the worker waits for it never fires and leaves nothing behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "record/thread_timer_service.h"

namespace velmira {
namespace {

void Count(void* context) { ++*static_cast<std::atomic<int>*>(context); }

TEST(ThreadTimer, KillWhileTheWorkerWaitsForTheTimer) {
  ThreadTimerService service;
  std::atomic<int> fired{0};
  const uint32_t id = service.Arm(1000, 1, &Count, &fired);
  ASSERT_NE(id, 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the worker waits on its due time
  service.Kill(id);
  // A timer armed and fired afterwards wakes the worker again; the killed one stays silent.
  std::atomic<int> later{0};
  service.Arm(10, 1, &Count, &later);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(fired.load(), 0);
  EXPECT_EQ(later.load(), 1);
  EXPECT_EQ(service.pending(), 0u);
}

TEST(ThreadTimer, AnEarlierTimerArmedLaterFiresFirst) {
  ThreadTimerService service;
  struct Order {
    std::atomic<int> next{0};
    std::atomic<int> slow{-1};
    std::atomic<int> fast{-1};
  } order;
  service.Arm(
      120, 1,
      [](void* c) {
        auto* o = static_cast<Order*>(c);
        o->slow = o->next++;
      },
      &order);
  service.Arm(
      20, 1,
      [](void* c) {
        auto* o = static_cast<Order*>(c);
        o->fast = o->next++;
      },
      &order);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(order.fast.load(), 0);
  EXPECT_EQ(order.slow.load(), 1);
}

}  // namespace
}  // namespace velmira
