// The built-in General MIDI synthesizer: FluidSynth, heard through the program's own PulseAudio
// stream or one of FluidSynth's audio drivers (qt/audio_output.h), tuned for a short way from a
// key to the sound. Short messages go straight to the synthesizer (FluidSynth takes its own
// lock; nothing is allocated on the way). The synthesizer and its SoundFont stay loaded while
// it is switched off; only the audio output stops. While nothing has sounded for a while the
// output rests, and the next note-on wakes it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "qt/audio_output.h"
#include "qt/output_gate.h"

struct _fluid_hashtable_t;
typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace velmira {

struct AudioOptions {
  std::string driver;          // empty: pulseaudio, then alsa, then jack (the first that opens)
  int periodSize = 64;         // frames a period
  int periods = 2;             // periods in the output's buffer
  int sampleRate = 0;          // 0: the audio server's rate
  bool fluidDefaults = false;  // FluidSynth's own buffering, for comparison
  bool rest = true;            // let the output rest while silent
};

class FluidSynthDevice final : private AudioRenderer {
 public:
  explicit FluidSynthDevice(AudioOptions options);
  ~FluidSynthDevice() override;
  FluidSynthDevice(const FluidSynthDevice&) = delete;
  FluidSynthDevice& operator=(const FluidSynthDevice&) = delete;

  // Loads the SoundFont, replacing the one in use (the synthesizer is made if need be). A file
  // that is no SoundFont, or that FluidSynth cannot load, is refused with error() saying why,
  // and the one in use stays.
  bool SetSoundFont(const std::string& path);
  const std::string& soundFont() const { return soundFont_; }
  bool hasSoundFont() const { return soundFontId_ >= 0; }

  // Starts the audio output; false with error() saying why (the SoundFont, or which outputs
  // failed and how).
  bool Open();
  bool isOpen() const { return output_ != nullptr; }
  // Open, but its audio server has gone away; it comes back by itself.
  bool lost() const { return output_ != nullptr && output_->lost(); }
  void Send(uint32_t message);
  // Fades the sound out, lets the output play what it holds, then stops it.
  void Close();
  const std::string& error() const { return error_; }
  const std::string& driverName() const { return driverName_; }

  // Called from any thread when the output is lost or back. Set before the first Open.
  void SetStateListener(std::function<void()> listener) { listener_ = std::move(listener); }

 private:
  bool MakeSynth();
  bool OpenOutput(const std::string& name, std::string* why);
  void SilenceSynth();

  bool Render(float* left, float* right, int stride, int frames) override;
  bool ConfirmRest() override;
  void OutputStopped() override { resting_.store(true); }
  void OutputStateChanged() override {
    if (listener_) listener_();
  }

  AudioOptions options_;
  std::string soundFont_;
  int soundFontId_ = -1;
  std::string fontError_;  // why the last SoundFont was refused
  std::string error_;
  std::string driverName_;
  int sampleRate_ = 44100;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  std::unique_ptr<AudioOutput> output_;
  OutputGate gate_;
  std::function<void()> listener_;
  // The rest: the window thread counts its note-ons; the output's thread rests only when none
  // came since the silence began, and the window thread wakes a resting output.
  std::atomic<uint32_t> noteOns_{0};
  uint32_t noteOnsSeen_ = 0;  // the output's thread
  std::atomic<bool> resting_{true};
};

}  // namespace velmira
