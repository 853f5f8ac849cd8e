#include "record/event_buffer.h"

#include <cstring>
#include <utility>

namespace velmira {

bool EventArray::Append(const PerformanceEvent& event) {
  if (count_ == capacity_) {
    if (capacity_ == UINT32_MAX) return false;
    const uint64_t wanted = capacity_ == 0 ? 64 : uint64_t{capacity_} * 2;
    const uint32_t capacity = wanted > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(wanted);
    if (uint64_t{capacity} * sizeof(PerformanceEvent) > SIZE_MAX) return false;
    void* grown = reallocate_(events_, std::size_t{capacity} * sizeof(PerformanceEvent));
    if (grown == nullptr) return false;
    events_ = static_cast<PerformanceEvent*>(grown);
    capacity_ = capacity;
  }
  events_[count_++] = event;
  return true;
}

bool EventArray::Assign(const PerformanceEvent* events, uint32_t count) {
  if (count == 0) {
    Release();
    return true;
  }
  PerformanceEvent* room = Allocate(count);
  if (room == nullptr) return false;
  std::memcpy(room, events, std::size_t{count} * sizeof(PerformanceEvent));
  return true;
}

PerformanceEvent* EventArray::Allocate(uint32_t count) {
  Release();
  if (count == 0 || uint64_t{count} * sizeof(PerformanceEvent) > SIZE_MAX) return nullptr;
  void* block = reallocate_(nullptr, std::size_t{count} * sizeof(PerformanceEvent));
  if (block == nullptr) return nullptr;
  events_ = static_cast<PerformanceEvent*>(block);
  count_ = capacity_ = count;
  return events_;
}

void EventArray::Swap(EventArray& other) {
  std::swap(events_, other.events_);
  std::swap(count_, other.count_);
  std::swap(capacity_, other.capacity_);
}

void EventArray::Release() {
  std::free(events_);
  events_ = nullptr;
  count_ = capacity_ = 0;
}

}  // namespace velmira
