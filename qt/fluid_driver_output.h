// FluidSynth's own audio drivers (ALSA, JACK, PipeWire where FluidSynth has it): they call for
// sound all the time, so resting here means handing them silence without rendering. A driver
// whose thread has stopped calling (its server went away) is noticed by a watchdog, which
// makes a new one every second until one runs again.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "qt/audio_output.h"

struct _fluid_hashtable_t;
typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;

namespace velmira {

class FluidDriverOutput final : public AudioOutput {
 public:
  // Starts FluidSynth's driver of that name with the settings' buffering; nullptr with error
  // saying why (FluidSynth's own message where it gave one).
  static std::unique_ptr<FluidDriverOutput> Open(fluid_settings_t* settings,
                                                 const std::string& name, AudioRenderer& renderer,
                                                 std::string* error);
  ~FluidDriverOutput() override;
  FluidDriverOutput(const FluidDriverOutput&) = delete;
  FluidDriverOutput& operator=(const FluidDriverOutput&) = delete;

  void Wake() override { wake_.store(true); }
  bool lost() const override { return lost_.load(); }
  void Drain() override;

 private:
  FluidDriverOutput(fluid_settings_t* settings, AudioRenderer& renderer);
  bool Start();  // mutex_ held
  void Watch();
  static int Callback(void* data, int length, int effectCount, float* effects[], int outCount,
                      float* out[]);

  fluid_settings_t* const settings_;
  AudioRenderer& renderer_;
  int64_t bufferNs_ = 0;  // what the driver buffers: its periods
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  fluid_audio_driver_t* driver_ = nullptr;
  std::atomic<int64_t> lastCallNs_{0};
  std::atomic<bool> lost_{false};
  std::atomic<bool> wake_{false};
  bool resting_ = false;  // the driver's thread
  std::thread watchdog_;
};

// FluidSynth's last error message, to tell the player why something failed.
std::string LastFluidError();

}  // namespace velmira
