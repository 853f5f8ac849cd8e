// The built-in General MIDI synthesizer: FluidSynth with its own audio drivers, tuned for a
// short way from a key to the sound. Short messages go straight to the synthesizer (FluidSynth
// takes its own lock; nothing is allocated on the way).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct _fluid_hashtable_t;
typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;

namespace velmira {

struct AudioOptions {
  std::string driver;          // empty: pulseaudio, then alsa, then jack (the first that opens)
  int periodSize = 64;         // frames a period; 0 keeps FluidSynth's own setting
  int periods = 2;             // 0 keeps FluidSynth's own setting
  int sampleRate = 0;          // 0: the audio server's rate
  bool fluidDefaults = false;  // FluidSynth's own buffering, for comparison
};

class FluidSynthDevice {
 public:
  explicit FluidSynthDevice(AudioOptions options) : options_(std::move(options)) {}
  ~FluidSynthDevice() { Close(); }
  FluidSynthDevice(const FluidSynthDevice&) = delete;
  FluidSynthDevice& operator=(const FluidSynthDevice&) = delete;

  // The SoundFont to play with; while open it is loaded at once, replacing the one in use.
  bool SetSoundFont(const std::string& path);
  const std::string& soundFont() const { return soundFont_; }

  // Starts the synthesizer and its audio; false with error() saying why.
  bool Open();
  bool isOpen() const { return driver_ != nullptr; }
  void Send(uint32_t message);
  // Lets the sound die away (at most a fifth of a second), then stops the audio.
  void Close();
  const std::string& error() const { return error_; }
  const std::string& driverName() const { return driverName_; }

 private:
  static int Render(void* data, int length, int effectCount, float* effects[], int outCount,
                    float* out[]);

  AudioOptions options_;
  std::string soundFont_;
  int soundFontId_ = -1;
  std::string error_;
  std::string driverName_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_audio_driver_t* driver_ = nullptr;
};

// The audio server's sample rate (PulseAudio or PipeWire's PulseAudio service), or 0.
int AudioServerSampleRate();

}  // namespace velmira
