// Arrays of performance events: the EventBuffer (the document's performance, grown while
// recording) and the PlaybackBuffer (the copy that the playback timer reads).
#pragma once

#include <cstdint>
#include <cstdlib>

#include "record/performance_event.h"

namespace velmira {

// realloc-like; tests substitute one that fails.
using Reallocate = void* (*)(void* block, std::size_t bytes);

class EventArray {
 public:
  explicit EventArray(Reallocate reallocate = &std::realloc) : reallocate_(reallocate) {}
  ~EventArray() { Release(); }
  EventArray(const EventArray&) = delete;
  EventArray& operator=(const EventArray&) = delete;

  const PerformanceEvent* events() const { return events_; }
  uint32_t count() const { return count_; }
  bool empty() const { return count_ == 0; }

  // Appends one event, growing the array geometrically. False when it could not grow: the
  // events already held stay as they were.
  bool Append(const PerformanceEvent& event);
  // Replaces the contents by a copy of count events. False (and empty) when no room could be
  // had; a count of 0 always succeeds.
  bool Assign(const PerformanceEvent* events, uint32_t count);
  // Replaces the contents by room for count events, for the caller to fill; null (and empty)
  // when no room could be had.
  PerformanceEvent* Allocate(uint32_t count);
  Reallocate reallocator() const { return reallocate_; }
  void Swap(EventArray& other);
  void Release();

 private:
  Reallocate reallocate_;
  PerformanceEvent* events_ = nullptr;
  uint32_t count_ = 0;
  uint32_t capacity_ = 0;
};

using EventBuffer = EventArray;
using PlaybackBuffer = EventArray;

}  // namespace velmira
