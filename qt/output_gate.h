// The last step of the synthesizer's sound before it leaves for the audio output: the fade-out
// asked for when the synthesizer is switched off, and the watch for a silence long enough for
// the output to rest in. The level is what counts, not FluidSynth's voices: its active voice
// count misses the reverb's tail.
#pragma once

#include <atomic>

namespace velmira {

class OutputGate {
 public:
  // Below a 16-bit sample's step (-100 dBFS): what is dropped there is not heard.
  static constexpr float kSilence = 1e-5f;
  static constexpr int kFadeMs = 150;
  static constexpr int kRestAfterMs = 1000;

  // While no audio thread runs.
  void Reset(int sampleRate);

  // Window thread: fade out from now on; faded() once the fade has reached zero.
  void StartFade() { fading_.store(true, std::memory_order_release); }
  bool faded() const { return faded_.load(std::memory_order_acquire); }

  // Audio thread: the rendered frames of two channels (left and right stride floats apart,
  // frame by frame), faded if asked. Returns their peak level after the fade.
  float Pass(float* left, float* right, int stride, int frames);
  // Audio thread: a note is coming, the silence so far does not count.
  void RestartSilence() { silentFrames_ = 0; }
  // Audio thread: the output has stayed below kSilence for kRestAfterMs.
  bool silentLongEnough() const { return silentFrames_ >= restFrames_; }

 private:
  int fadeFrames_ = 1;
  int restFrames_ = 1;
  int fadeLeft_ = 0;  // frames of the fade still to go; -1 before it starts
  long long silentFrames_ = 0;
  std::atomic<bool> fading_{false};
  std::atomic<bool> faded_{false};
};

}  // namespace velmira
