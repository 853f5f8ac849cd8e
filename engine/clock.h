// The system millisecond clock (timeGetTime on Windows).
#pragma once

#include <cstdint>

namespace velmira {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t NowMs() = 0;
};

}  // namespace velmira
