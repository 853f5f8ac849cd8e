#include "win32/mm_timer_service.h"

#include <windows.h>

#include <mmsystem.h>

#include <mutex>
#include <unordered_map>

namespace velmira {

namespace {

// The multimedia timer hands back one pointer-sized value; the callback and its context are
// found through the timer's slot in this table.
struct Target {
  TimerCallback callback;
  void* context;
};
constexpr int kSlots = 8;  // a chain holds at most two timers at once
std::mutex g_slotsMutex;
Target g_slots[kSlots];
int g_nextSlot = 0;

void CALLBACK OnMmTimer(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  Target target;
  {
    std::lock_guard<std::mutex> lock(g_slotsMutex);
    target = g_slots[user];
  }
  if (target.callback != nullptr) target.callback(target.context);
}

}  // namespace

bool MmTimerService::Caps(uint32_t* periodMin, uint32_t* periodMax) {
  TIMECAPS caps{};
  if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) return false;
  *periodMin = caps.wPeriodMin;
  *periodMax = caps.wPeriodMax;
  return true;
}

void MmTimerService::BeginPeriod(uint32_t resolutionMs) { timeBeginPeriod(resolutionMs); }

void MmTimerService::EndPeriod(uint32_t resolutionMs) { timeEndPeriod(resolutionMs); }

uint32_t MmTimerService::Arm(uint32_t delayMs, uint32_t resolutionMs, TimerCallback callback,
                             void* context) {
  int slot;
  {
    std::lock_guard<std::mutex> lock(g_slotsMutex);
    slot = g_nextSlot;
    g_nextSlot = (g_nextSlot + 1) % kSlots;
    g_slots[slot] = Target{callback, context};
  }
  return timeSetEvent(delayMs, resolutionMs, OnMmTimer, static_cast<DWORD_PTR>(slot),
                      TIME_ONESHOT | TIME_CALLBACK_FUNCTION);
}

void MmTimerService::Kill(uint32_t id) { timeKillEvent(id); }

}  // namespace velmira
