// Time stamps of the key-to-sound path for the latency measurement (VELMIRA_LATENCY_LOG):
// when a key event reached the program, when its note-on went to the synthesizer, when the
// synthesizer's audio callback handed the first sounding samples to the audio output, and when
// the output asked for sound the next time (the server has taken some of those samples).
// Lock-free and allocation-free on the key path and in the audio thread; written out at exit.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace velmira {

class LatencyProbe {
 public:
  static LatencyProbe& Instance();
  bool enabled() const { return enabled_; }
  void Enable(const std::string& path);

  static int64_t NowNs();
  // Window thread.
  void KeyArrived() {
    if (enabled_) keyNs_.store(NowNs(), std::memory_order_relaxed);
  }
  void NoteOnSent() {
    if (enabled_) sentNs_.store(NowNs(), std::memory_order_release);
  }
  // Audio thread: a buffer was rendered; sounding tells whether it holds the note's sound.
  void Rendered(bool sounding, int64_t renderStartNs);
  // Audio thread, each callback: the thread's CPU time so far, against the wall clock.
  void AudioThreadTick();
  // At exit: one line per stroke, "KEY SENT SOUND RENDER_START NEXT" in ns of CLOCK_MONOTONIC
  // (NEXT: the start of the following callback, 0 if none came), then
  // "cpu CPU_NS WALL_NS": the audio thread's CPU time over the wall time since its first call.
  void Write() const;

 private:
  struct Record {
    int64_t key, sent, sound, renderStart, next;
  };
  static constexpr int kRecords = 8192;
  bool enabled_ = false;
  std::string path_;
  std::atomic<int64_t> keyNs_{0};
  std::atomic<int64_t> sentNs_{0};
  int64_t waitingSent_ = 0;  // audio thread only
  int awaitingNext_ = -1;    // audio thread only: the record whose NEXT is still to come
  std::atomic<int64_t> firstCpu_{-1}, firstWall_{0}, lastCpu_{0}, lastWall_{0};
  Record records_[kRecords] = {};
  std::atomic<int> count_{0};
};

}  // namespace velmira
