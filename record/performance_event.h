// One recorded key event. The same 16 bytes are the records of the performance file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmira {

struct PerformanceEvent {
  uint32_t deltaMs;     // from the previous event (or the start of recording)
  uint32_t message;     // 256 key down, 257 key up
  uint32_t keyData;     // the key message's lparam; bits 16..23 the scan code
  int32_t octaveShift;  // -1, 0 or +1
};

static_assert(sizeof(PerformanceEvent) == 16, "a performance event is 16 bytes");
static_assert(offsetof(PerformanceEvent, deltaMs) == 0, "fixed layout");
static_assert(offsetof(PerformanceEvent, message) == 4, "fixed layout");
static_assert(offsetof(PerformanceEvent, keyData) == 8, "fixed layout");
static_assert(offsetof(PerformanceEvent, octaveShift) == 12, "fixed layout");

}  // namespace velmira
