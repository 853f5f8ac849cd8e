// The clock and the calendar of the Linux program.
#pragma once

#include <chrono>
#include <ctime>

#include "engine/clock.h"

namespace velmira {

// Milliseconds of the monotonic clock (CLOCK_MONOTONIC), which measuring scripts share.
class SteadyClock final : public Clock {
 public:
  uint32_t NowMs() override {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  }
};

class LocalCalendar final : public Calendar {
 public:
  LocalDate Today() override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LocalDate{static_cast<uint16_t>(local.tm_year + 1900),
                     static_cast<uint16_t>(local.tm_mon + 1), static_cast<uint16_t>(local.tm_mday)};
  }
};

}  // namespace velmira
