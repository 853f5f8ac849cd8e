#include "qt/output_gate.h"

#include <cmath>

namespace velmira {

void OutputGate::Reset(int sampleRate) {
  fadeFrames_ = sampleRate * kFadeMs / 1000;
  restFrames_ = sampleRate * kRestAfterMs / 1000;
  fadeLeft_ = -1;
  silentFrames_ = 0;
  fading_.store(false);
  faded_.store(false);
}

float OutputGate::Pass(float* left, float* right, int stride, int frames) {
  if (fadeLeft_ < 0 && fading_.load(std::memory_order_acquire)) fadeLeft_ = fadeFrames_;
  float peak = 0.0f;
  for (int i = 0; i < frames; ++i) {
    float& l = left[i * stride];
    float& r = right[i * stride];
    if (fadeLeft_ >= 0) {
      // A straight line down to zero over kFadeMs, then nothing.
      const float gain = static_cast<float>(fadeLeft_) / static_cast<float>(fadeFrames_);
      l *= gain;
      r *= gain;
      if (fadeLeft_ > 0) --fadeLeft_;
    }
    peak = std::fmax(peak, std::fmax(std::fabs(l), std::fabs(r)));
  }
  if (fadeLeft_ == 0) faded_.store(true, std::memory_order_release);
  silentFrames_ = peak < kSilence ? silentFrames_ + frames : 0;
  return peak;
}

}  // namespace velmira
