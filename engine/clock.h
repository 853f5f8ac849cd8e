// The system millisecond clock (timeGetTime on Windows, the monotonic clock on Linux).
#pragma once

#include <cstdint>

namespace velmira {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t NowMs() = 0;
};

}  // namespace velmira

namespace velmira {

struct LocalDate {
  int year;
  int month;
  int day;
};

// Today's date in local time, for the date stamp of saved files.
class Calendar {
 public:
  virtual ~Calendar() = default;
  virtual LocalDate Today() = 0;
};

}  // namespace velmira
